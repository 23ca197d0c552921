#!/usr/bin/env python3
"""A subnet full of chat peers in one process: one UDP socket bound to each of the given
addresses, each announcing its presence on the system port every few seconds, plus a steady
stream of public lines from the peers in turn. Drains the empty replies the chat sends back
for each announcement and counts them; prints "ready" once it hears the watched address
announce itself, and one JSON line of counts when it ends (after --seconds, or on SIGTERM).

    subnet_peers.py --first 10.215.1.1 --count 254 --broadcast 10.215.1.255 \
        --watch 10.215.0.1 --seconds 90

Run it inside the namespace whose interface holds the addresses.
"""
import argparse
import ipaddress
import json
import selectors
import signal
import socket
import sys
import time

PUBLIC_PORT, SYSTEM_PORT = 555, 556
COLOURS = 20


def nick_of(index):
    return "Peer%03d" % (index + 1)


def announcement(index):
    return ("@#@%d@#@%s" % (index % COLOURS, nick_of(index))).encode("cp1251")


def public_line(index, number):
    text = "Сообщение номер %d для всех в подсети" % number
    return ("@#@%d@#@%s -->%s" % (index % COLOURS, nick_of(index), text)).encode("cp1251")


class Peers:
    def __init__(self, args):
        first = ipaddress.IPv4Address(args.first)
        self.selector = selectors.DefaultSelector()
        self.sockets = []
        for i in range(args.count):
            s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
            s.bind((str(first + i), 0))
            s.setblocking(False)
            self.sockets.append(s)
            self.selector.register(s, selectors.EVENT_READ, "reply")
        # The watched copy's own announcements reach this port too.
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("", SYSTEM_PORT))
        self.listener.setblocking(False)
        self.selector.register(self.listener, selectors.EVENT_READ, "listen")
        self.args = args
        self.counts = {"announcements": 0, "public_lines": 0, "empty_replies": 0,
                       "other_replies": 0, "send_errors": 0, "watched_announcements": 0}
        self.ready = False

    def send(self, index, data, port):
        try:
            self.sockets[index].sendto(data, (self.args.broadcast, port))
            return True
        except OSError:
            self.counts["send_errors"] += 1
            return False

    def drain(self, timeout):
        for key, _ in self.selector.select(max(timeout, 0)):
            while True:
                try:
                    data, (src, _port) = key.fileobj.recvfrom(65536)
                except BlockingIOError:
                    break
                if key.data == "reply":
                    self.counts["empty_replies" if not data else "other_replies"] += 1
                elif src == self.args.watch:
                    self.counts["watched_announcements"] += 1
                    if not self.ready:
                        self.ready = True
                        print("ready", flush=True)

    def run(self, stop):
        args = self.args
        start = time.monotonic()
        end = start + args.seconds
        # Announcements spread evenly over the period, as independent peers would be.
        step = args.period / args.count
        next_announce, announcer = start, 0
        line_step = 1.0 / args.lines_per_second if args.lines_per_second > 0 else None
        next_line, line_number = start, 0
        while not stop() and time.monotonic() < end:
            now = time.monotonic()
            while next_announce <= now:
                if self.send(announcer, announcement(announcer), SYSTEM_PORT):
                    self.counts["announcements"] += 1
                announcer = (announcer + 1) % args.count
                next_announce += step
            while line_step is not None and next_line <= now:
                speaker = (line_number * 37) % args.count
                line_number += 1
                if self.send(speaker, public_line(speaker, line_number), PUBLIC_PORT):
                    self.counts["public_lines"] += 1
                next_line += line_step
            due = min(next_announce, next_line if line_step is not None else end, end)
            self.drain(due - time.monotonic())
        self.drain(0.2)
        self.counts["seconds"] = round(time.monotonic() - start, 3)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--first", required=True, help="the first peer address")
    p.add_argument("--count", type=int, default=254)
    p.add_argument("--broadcast", required=True)
    p.add_argument("--watch", required=True, help="the address of the copy under test")
    p.add_argument("--period", type=float, default=4.0, help="seconds between announcements")
    p.add_argument("--lines-per-second", type=float, default=20.0)
    p.add_argument("--seconds", type=float, default=90.0)
    args = p.parse_args()

    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
    signal.signal(signal.SIGINT, lambda *_: stopping.append(1))
    peers = Peers(args)
    peers.run(lambda: bool(stopping))
    print(json.dumps(peers.counts), flush=True)


if __name__ == "__main__":
    sys.exit(main())
