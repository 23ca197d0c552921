#!/usr/bin/python3
"""SIGTERM, SIGINT and SIGHUP end a copy the way the exit command does, without its question.

Each copy is started, seen on the wire by its entry notice, and sent one of the signals: it
sends the leave notice once, ends with exit code 0 and writes Chat.cfg (a line it read in an
odd form comes back in its proper form).

A last copy runs from a small tmpfs filled up once it is online: SIGTERM ends it all the same,
within a bound only a wait for a click breaks, with the error on its standard error and its old
Chat.cfg whole.
"""
import errno
import os
import signal
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

SLACK = 8.0
SIGNALS = (("Term", signal.SIGTERM), ("Int", signal.SIGINT), ("Hup", signal.SIGHUP))
FULL_DISK_BOUND = 10.0


def fill(path):
    """Writes zeros into `path` until the file system has no byte left."""
    chunk = 1 << 20
    with open(path, "wb", buffering=0) as out:
        while chunk > 0:
            try:
                out.write(bytes(chunk))
            except OSError as error:
                if error.errno != errno.ENOSPC:
                    raise
                chunk //= 2


def full_disk(h, wire):
    base = h.workdir / "copies" / "Full"
    base.mkdir(parents=True)
    # Room for the staged copy (a sanitizer build is large) and a little more, filled later.
    staged = sum(f.stat().st_size for f in Path(h.stage).rglob("*") if f.is_file())
    size = (staged >> 20) + 16
    E._run(["mount", "-t", "tmpfs", "-o", "size=%dm" % size, "pvxe2e-full", str(base)])
    h.on_cleanup("tmpfs", lambda: E._run(["umount", "-l", str(base)], check=False))
    copy = h.start_copy("Full", raw_lines={8: "ShowIP=yes"})
    entry = E.cp1251('@#@19@#@ в чат входит - "Full"...')
    online = E.wait_until(lambda: entry in [d["data"] for d in
                                            wire.datagrams(E.PUBLIC_PORT, copy.addr)],
                          E.START_TIMEOUT)
    h.require(online, "Full is online")
    before = copy.config_file()
    fill(base / "filler")
    os.kill(copy.proc.pid, signal.SIGTERM)
    code = copy.wait_exit(FULL_DISK_BOUND)
    h.expect(code == 0, "on a full disk SIGTERM ends the copy within %.0f s with exit code 0 "
             "(got %r)" % (FULL_DISK_BOUND, code))
    h.expect(copy.config_file() == before, "on a full disk Chat.cfg is left as it was")
    said = [line for line in copy.stderr_text().splitlines() if line.startswith("palavrix: ")]
    h.expect(any("Chat.cfg" in line for line in said),
             "the copy said on its standard error that Chat.cfg was not saved (got %r)" % said)


def test(h):
    h.build_network([node for node, _ in SIGNALS] + ["Full", "observer"])
    h.start_desktop()
    wire = h.start_observer()
    for nick, number in SIGNALS:
        copy = h.start_copy(nick, raw_lines={8: "ShowIP=yes"})
        entry = E.cp1251('@#@19@#@ в чат входит - "%s"...' % nick)
        leave = E.cp1251('@#@19@#@"%s" покидает чат...' % nick)
        online = E.wait_until(lambda: entry in [d["data"] for d in
                                                wire.datagrams(E.PUBLIC_PORT, copy.addr)],
                              E.START_TIMEOUT)
        h.require(online, "%s is online" % nick)
        os.kill(copy.proc.pid, number)
        code = copy.wait_exit(SLACK)
        name = signal.Signals(number).name
        h.expect(code == 0, "%s ends with exit code 0 after %s (got %r)" % (nick, name, code))
        sent = [d["data"] for d in wire.datagrams(E.PUBLIC_PORT, copy.addr)]
        h.expect(sent.count(leave) == 1 and sent[-1] == leave,
                 "after %s the last public datagram is the leave notice, sent once (got %s)"
                 % (name, E.shown(sent[-3:])))
        raw = copy.config_file()
        lines = raw.decode("cp1251").split("\r\n")
        h.expect(raw.count(b"\r\n") == 28 and lines[7] == "ShowIP=0",
                 "after %s Chat.cfg is written: 28 lines, line 8 'ShowIP=0' (got %r)"
                 % (name, lines[7] if len(lines) > 7 else raw))
    full_disk(h, wire)


if __name__ == "__main__":
    sys.exit(E.run_test("signals", test))
