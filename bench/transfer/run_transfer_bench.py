#!/usr/bin/env python3
"""One file transfer between two network namespaces, beside a plain socket copy of the same
bytes over the same link in the same run: wall time, throughput, CPU time and peak resident
memory of each side. Reports figures; never fails a build.

    sudo python3 bench/transfer/run_transfer_bench.py --build build/release [--size-mb 2048]
        [--rate-mbit 1000]

Needs root (ip netns). Two namespaces joined by one veth pair, addresses in 10.214.0.0/24
(which exist only there); the file and what arrives live in a folder under /var/tmp that is
removed at the end, like the namespaces, however the run ends.
"""
import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import time
from pathlib import Path

SUBNET = "10.214.0"
PORT_PLAIN = 5999
PORT_FILES = 558


def run(*cmd, check=True):
    return subprocess.run(cmd, check=check, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True)


class Link:
    """Two namespaces, a and b, with one veth pair between them."""

    def __init__(self, rate_mbit=0):
        tag = "pvxbench-%d" % os.getpid()
        self.ns = {"a": tag + "-a", "b": tag + "-b"}
        self.addr = {"a": SUBNET + ".1", "b": SUBNET + ".2"}
        for ns in self.ns.values():
            run("ip", "netns", "add", ns)
        run("ip", "link", "add", "pvxa%d" % os.getpid(), "netns", self.ns["a"], "type", "veth",
            "peer", "name", "pvxb%d" % os.getpid(), "netns", self.ns["b"])
        for side, dev in (("a", "pvxa%d" % os.getpid()), ("b", "pvxb%d" % os.getpid())):
            ns = self.ns[side]
            run("ip", "-n", ns, "link", "set", "lo", "up")
            run("ip", "-n", ns, "addr", "add", self.addr[side] + "/24", "dev", dev)
            run("ip", "-n", ns, "link", "set", dev, "up")
            if rate_mbit:
                run("tc", "-n", ns, "qdisc", "add", "dev", dev, "root", "tbf", "rate",
                    "%dmbit" % rate_mbit, "burst", "256kb", "latency", "50ms")

    def close(self):
        for ns in self.ns.values():
            for pid in run("ip", "netns", "pids", ns, check=False).stdout.split():
                try:
                    os.kill(int(pid), signal.SIGKILL)
                except OSError:
                    pass
            run("ip", "netns", "del", ns, check=False)


class Side:
    """One program in one namespace; its CPU time and peak memory come from wait4."""

    def __init__(self, link, side, cmd):
        self.proc = subprocess.Popen(["ip", "netns", "exec", link.ns[side]] + cmd,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.output = []
        self.usage = None
        self.status = None

    def wait_line(self, prefix):
        for line in self.proc.stdout:
            self.output.append(line.rstrip())
            if line.startswith(prefix):
                return line
        raise RuntimeError("ended before saying %r: %s" % (prefix, self.output))

    def wait(self):
        _pid, status, usage = os.wait4(self.proc.pid, 0)
        self.output += [l.rstrip() for l in self.proc.stdout]
        self.proc.returncode = os.waitstatus_to_exitcode(status)
        self.status, self.usage = self.proc.returncode, usage
        return self

    def cpu(self):
        return self.usage.ru_utime + self.usage.ru_stime

    def peak_mb(self):
        for line in self.output:
            if line.startswith("peak "):
                return int(line.split()[1]) / 1024.0
        return float("nan")

    def kill(self):
        if self.proc.poll() is None and self.status is None:
            self.proc.kill()


def sha256(path):
    return run("sha256sum", str(path)).stdout.split()[0]


def one_run(link, receiver_cmd, sender_cmd):
    receiver = Side(link, "b", receiver_cmd)
    sender = None
    try:
        receiver.wait_line("ready")
        start = time.monotonic()
        sender = Side(link, "a", sender_cmd)
        sender.wait()
        receiver.wait()
        seconds = time.monotonic() - start
    finally:
        receiver.kill()
        if sender is not None:
            sender.kill()
    if sender.status != 0 or receiver.status != 0:
        raise RuntimeError("a side failed: sender %s, receiver %s"
                           % (sender.output, receiver.output))
    return seconds, sender, receiver


def make_file(path, size_mb):
    chunk = 64 * 1024 * 1024
    with open(path, "wb") as out:
        left = size_mb * 1024 * 1024
        while left > 0:
            out.write(os.urandom(min(chunk, left)))
            left -= chunk
    # Into the page cache, for both methods alike.
    subprocess.run(["cat", str(path)], check=True, stdout=subprocess.DEVNULL)


def empty(folder):
    for entry in folder.iterdir():
        entry.unlink()


def plain_run(link, build, inbox, source, options):
    copy = [str(build / "plain_socket_copy")] + options
    figures = one_run(link, copy + ["receive", str(PORT_PLAIN), str(inbox / "plain.bin")],
                      copy + ["send", link.addr["b"], str(PORT_PLAIN), str(source)])
    empty(inbox)
    return figures


def measure(link, build, inbox, source, runs):
    figures = {"plain": [], "plain+sha": [], "transfer": []}
    digest = sha256(source)
    for _ in range(runs):
        figures["plain"].append(plain_run(link, build, inbox, source, []))
        figures["plain+sha"].append(plain_run(link, build, inbox, source, ["--sha256"]))
        figures["transfer"].append(one_run(
            link, [str(build / "transfer_bench_peer"), "receive", str(PORT_FILES), str(inbox)],
            [str(build / "transfer_bench_peer"), "send", str(PORT_FILES), link.addr["b"],
             str(source)]))
        arrived = inbox / source.name
        if sha256(arrived) != digest:
            raise RuntimeError("the transferred file differs from the source")
        empty(inbox)
    return figures


def report(size_mb, figures):
    size = size_mb * 1024 * 1024
    rows = {}
    for method, samples in figures.items():
        seconds = statistics.median(s for s, _, _ in samples)
        rows[method] = seconds
        print("%-9s %6.2f s  %7.1f MB/s  CPU sender %5.2f s receiver %5.2f s  "
              "peak RSS sender %6.1f MB receiver %6.1f MB  (median of %d)"
              % (method, seconds, size / seconds / 1e6,
                 statistics.median(s.cpu() for _, s, _ in samples),
                 statistics.median(r.cpu() for _, _, r in samples),
                 max(s.peak_mb() for _, s, _ in samples),
                 max(r.peak_mb() for _, _, r in samples), len(samples)))
    print("transfer throughput: %.0f %% of the plain socket copy, %.0f %% of the plain copy "
          "that also hashes" % (100.0 * rows["plain"] / rows["transfer"],
                                100.0 * rows["plain+sha"] / rows["transfer"]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, help="build tree holding bench/transfer")
    parser.add_argument("--size-mb", type=int, default=2048)
    parser.add_argument("--small-mb", type=int, default=256,
                        help="a second, smaller size whose peak memory shows it stays flat")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--rate-mbit", type=int, default=0,
                        help="shape the link to this rate (a LAN's, where the wire and not the "
                             "processor is the limit); by default the veth pair runs as fast as "
                             "the two cores move bytes")
    parser.add_argument("--inbox-on-disk", action="store_true",
                        help="receive onto the disk; by default into a tmpfs, so the figures "
                             "are the link's and not the (shared, busy) disk's")
    args = parser.parse_args()
    if os.geteuid() != 0:
        print("SKIPPED: needs root for network namespaces")
        return 0
    build = Path(args.build).resolve() / "bench" / "transfer"
    work = Path("/var/tmp/pvxbench-%d" % os.getpid())
    work.mkdir(parents=True)
    link = None
    inbox = work / "inbox"
    inbox.mkdir()
    mounted = False
    try:
        if not args.inbox_on_disk:
            run("mount", "-t", "tmpfs", "-o", "size=%dm" % (args.size_mb + 64), "pvxbench",
                str(inbox))
            mounted = True
        link = Link(args.rate_mbit)
        for size_mb, runs in ((args.small_mb, 1), (args.size_mb, args.runs)):
            source = work / ("source-%d.bin" % size_mb)
            make_file(source, size_mb)
            print("%d MB over a veth pair between two namespaces%s, into %s:"
                  % (size_mb, " shaped to %d Mbit/s" % args.rate_mbit if args.rate_mbit else "",
                     "the disk" if args.inbox_on_disk else "a tmpfs"))
            report(size_mb, measure(link, build, inbox, source, runs))
            source.unlink()
    finally:
        if link is not None:
            link.close()
        if mounted:
            run("umount", str(inbox), check=False)
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
