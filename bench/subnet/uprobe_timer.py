#!/usr/bin/env python3
"""Times every call of one function in a running process from the outside: a kernel uprobe on
the function's entry and a return probe on its exit (perf_event_open with the uprobe event
source, so no tracefs and nothing in the program), each hit stamped on CLOCK_MONOTONIC.
Prints one JSON line when it ends (after --seconds, or on SIGTERM): the wall time of each call
in ms, in order. Calls that nest or overlap on several threads are not paired; the function
timed here runs on one thread only.

    uprobe_timer.py --pid PID --binary PATH --symbol NAME [--seconds 60]

NAME is matched against the demangled names `nm -C` prints (e.g. TForm1::RefreshUserList()).
Needs root, or perf_event_paranoid permitting, and a kernel with the uprobe event source.
"""
import argparse
import ctypes
import json
import mmap
import os
import signal
import struct
import subprocess
import sys
import time
from pathlib import Path

PERF_SAMPLE_TIME = 1 << 2
PERF_RECORD_SAMPLE = 9
PERF_EVENT_IOC_ENABLE = 0x2400
CLOCK_MONOTONIC = 1
PAGE = mmap.PAGESIZE
DATA_PAGES = 64

libc = ctypes.CDLL(None, use_errno=True)
libc.syscall.restype = ctypes.c_long


class PerfEventAttr(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_uint32), ("size", ctypes.c_uint32), ("config", ctypes.c_uint64),
        ("sample_period", ctypes.c_uint64), ("sample_type", ctypes.c_uint64),
        ("read_format", ctypes.c_uint64), ("flags", ctypes.c_uint64),
        ("wakeup_events", ctypes.c_uint32), ("bp_type", ctypes.c_uint32),
        ("config1", ctypes.c_uint64), ("config2", ctypes.c_uint64),
        ("branch_sample_type", ctypes.c_uint64), ("sample_regs_user", ctypes.c_uint64),
        ("sample_stack_user", ctypes.c_uint32), ("clockid", ctypes.c_int32),
        ("sample_regs_intr", ctypes.c_uint64), ("aux_watermark", ctypes.c_uint32),
        ("sample_max_stack", ctypes.c_uint16), ("reserved2", ctypes.c_uint16),
        ("aux_sample_size", ctypes.c_uint32), ("reserved3", ctypes.c_uint32),
        ("sig_data", ctypes.c_uint64), ("config3", ctypes.c_uint64),
    ]


FLAG_DISABLED = 1 << 0
FLAG_USE_CLOCKID = 1 << 25


def symbol_offset(binary, symbol):
    """The file offset of a function, for the uprobe."""
    out = subprocess.run(["nm", "-C", "--defined-only", binary], check=True, text=True,
                         stdout=subprocess.PIPE).stdout
    addresses = [int(line.split()[0], 16) for line in out.splitlines()
                 if line.split(None, 2)[-1] == symbol and line.split()[1] in "tT"]
    if len(addresses) != 1:
        raise SystemExit("%d definitions of %s in %s" % (len(addresses), symbol, binary))
    address = addresses[0]
    headers = subprocess.run(["readelf", "-lW", binary], check=True, text=True,
                             stdout=subprocess.PIPE).stdout
    for line in headers.splitlines():
        f = line.split()
        if f and f[0] == "LOAD":
            offset, vaddr, filesz = int(f[1], 16), int(f[2], 16), int(f[4], 16)
            if vaddr <= address < vaddr + filesz:
                return address - vaddr + offset
    raise SystemExit("%s is in no loaded segment of %s" % (symbol, binary))


class Probe:
    """One uprobe (or return probe) on one process, its hits in a ring buffer."""

    def __init__(self, pid, binary, offset, retprobe):
        source = Path("/sys/bus/event_source/devices/uprobe")
        self.path = ctypes.create_string_buffer(os.fsencode(binary))
        attr = PerfEventAttr()
        attr.type = int((source / "type").read_text())
        attr.size = ctypes.sizeof(PerfEventAttr)
        attr.config = 1 if retprobe else 0  # the "retprobe" format bit is config:0
        attr.config1 = ctypes.addressof(self.path)
        attr.config2 = offset
        attr.sample_period = 1
        attr.sample_type = PERF_SAMPLE_TIME
        attr.flags = FLAG_DISABLED | FLAG_USE_CLOCKID  # the main thread only
        attr.clockid = CLOCK_MONOTONIC
        attr.wakeup_events = 1
        # perf_event_open(attr, pid, cpu=-1, group=-1, flags=0); 298 on x86-64.
        self.fd = libc.syscall(298, ctypes.byref(attr), pid, -1, -1, 0)
        if self.fd < 0:
            raise OSError(ctypes.get_errno(), "perf_event_open for the uprobe")
        self.ring = mmap.mmap(self.fd, PAGE * (1 + DATA_PAGES))
        self.tail = 0
        self.times = []

    def enable(self):
        import fcntl
        fcntl.ioctl(self.fd, PERF_EVENT_IOC_ENABLE, 0)

    def read(self):
        head = struct.unpack_from("Q", self.ring, 1024)[0]
        size = PAGE * DATA_PAGES
        while self.tail < head:
            at = PAGE + self.tail % size
            rtype, _misc, rsize = struct.unpack_from("IHH", self._bytes(at, 8, size))
            if rtype == PERF_RECORD_SAMPLE:
                self.times.append(struct.unpack_from("Q", self._bytes(at + 8, 8, size))[0])
            self.tail += rsize
        struct.pack_into("Q", self.ring, 1032, self.tail)

    def _bytes(self, at, count, size):
        start = at - PAGE
        return bytes(self.ring[PAGE + (start + i) % size] for i in range(count))


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--pid", type=int, required=True)
    p.add_argument("--binary", required=True)
    p.add_argument("--symbol", required=True)
    p.add_argument("--seconds", type=float, default=60)
    args = p.parse_args()

    offset = symbol_offset(args.binary, args.symbol)
    entry = Probe(args.pid, args.binary, offset, False)
    exit_ = Probe(args.pid, args.binary, offset, True)
    entry.enable()
    exit_.enable()
    print("probing", flush=True)
    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
    deadline = time.monotonic() + args.seconds
    while not stopping and time.monotonic() < deadline:
        time.sleep(0.2)
        entry.read()
        exit_.read()
    entry.read()
    exit_.read()
    calls = []
    returns = iter(exit_.times)
    ret = next(returns, None)
    for start in entry.times:
        while ret is not None and ret < start:
            ret = next(returns, None)
        if ret is None:
            break
        calls.append(round((ret - start) / 1e6, 4))
        ret = next(returns, None)
    print(json.dumps({"symbol": args.symbol, "calls_ms": calls}), flush=True)


if __name__ == "__main__":
    sys.exit(main())
