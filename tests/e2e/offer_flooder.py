#!/usr/bin/python3
"""A hostile chat user that floods one copy with offers of files, each withdrawn at once.

  offer_flooder.py --to A --count N --seconds S [--nick Mallory]

Runs inside a namespace through `ip netns exec`. It behaves as a chat user does: a presence
announcement "@#@4@#@<nick>" to the system port (556) every second, and an announcement on the
file port (558) every 2 s from a socket bound to 558. On a line "go" on stdin (once the copy
lists the user) it sends N offers over S seconds, evenly paced, from that socket, each
followed by its cancel; then it announces for one more second and ends. One JSON object a
line on stdout: {"ready": true} once bound, and at the end {"offers": N, "seconds": s,
"replies": N} (replies: datagrams the copy sent to the file socket, its announcements and
declines).
"""
import argparse
import json
import os
import select
import socket
import sys
import time

MAGIC = b"PALAVRIX-FILES/1\n"
FILE_PORT = 558
SYSTEM_PORT = 556


def say(obj):
    sys.stdout.write(json.dumps(obj) + "\n")
    sys.stdout.flush()


def file_datagram(message):
    return MAGIC + json.dumps(message, ensure_ascii=False).encode()


class Flooder:
    def __init__(self, args):
        self.to = args.to
        self.nick = args.nick
        self.presence = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.presence.bind(("0.0.0.0", 0))
        self.files = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.files.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 20)
        self.files.bind(("0.0.0.0", FILE_PORT))
        self.files.setblocking(False)
        self.next_presence = self.next_announce = 0.0
        self.replies = 0
        # Tokens of this run: the process id keeps two runs apart.
        self.base = (os.getpid() << 64) | int(time.time())

    def announce(self):
        now = time.monotonic()
        if now >= self.next_presence:
            self.presence.sendto(b"@#@4@#@" + self.nick.encode("cp1251"), (self.to, SYSTEM_PORT))
            self.next_presence = now + 1.0
        if now >= self.next_announce:
            self.files.sendto(file_datagram({"type": "announce", "nick": self.nick,
                                             "port": FILE_PORT}), (self.to, FILE_PORT))
            self.next_announce = now + 2.0

    def drain(self, wait):
        if select.select([self.files], [], [], max(0.0, wait))[0]:
            try:
                while True:
                    self.files.recv(65536)
                    self.replies += 1
            except BlockingIOError:
                pass

    def idle(self, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.announce()
            self.drain(min(0.1, end - time.monotonic()))

    def wait_for_go(self):
        stdin = sys.stdin.fileno()
        while True:
            self.announce()
            self.drain(0.0)
            if select.select([stdin], [], [], 0.1)[0]:
                return sys.stdin.readline().strip() == "go"

    def offer_and_cancel(self, n):
        token = "%032x" % ((self.base + n) & ((1 << 128) - 1))
        self.files.sendto(file_datagram({"type": "offer", "nick": self.nick, "token": token,
                                         "files": [{"name": "flood-%d.txt" % n,
                                                    "size": 1000}]}), (self.to, FILE_PORT))
        self.files.sendto(file_datagram({"type": "cancel", "token": token}),
                          (self.to, FILE_PORT))

    def flood(self, count, seconds):
        started = time.monotonic()
        for n in range(count):
            due = started + n * seconds / count
            while time.monotonic() < due:
                self.announce()
                self.drain(due - time.monotonic())
            self.offer_and_cancel(n)
        return time.monotonic() - started


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--to", required=True)
    parser.add_argument("--count", type=int, required=True)
    parser.add_argument("--seconds", type=float, required=True)
    parser.add_argument("--nick", default="Mallory")
    args = parser.parse_args()
    flooder = Flooder(args)
    say({"ready": True})
    if not flooder.wait_for_go():
        return 0
    took = flooder.flood(args.count, args.seconds)
    flooder.idle(1.0)
    say({"offers": args.count, "seconds": took, "replies": flooder.replies})
    return 0


if __name__ == "__main__":
    sys.exit(main())
