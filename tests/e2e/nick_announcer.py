#!/usr/bin/python3
"""Announces many long nicks to one copy's system port, as a hostile peer would.

  nick_announcer.py ADDRESS PORT COUNT LENGTH PERIOD

Run inside a namespace through `ip netns exec`. Every PERIOD seconds it sends COUNT presence
announcements "@#@<colour>@#@<nick>" to ADDRESS:PORT, each nick LENGTH bytes long and
different from the others, from one socket, and counts the empty replies that come back to
it. Prints {"ready": true} once bound, then, when stdin closes, {"rounds": N, "sent": N,
"replies": N} and ends.
"""
import json
import select
import socket
import sys
import time


def announcements(count, length):
    out = []
    for n in range(count):
        head = b"peer%03d-" % n
        filler = bytes([ord("a") + n % 26]) * (length - len(head))
        out.append(b"@#@%d@#@" % (n % 20) + head + filler)
    return out


def main():
    address, port, count, length, period = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), \
        int(sys.argv[4]), float(sys.argv[5])
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 20)
    sock.bind(("0.0.0.0", 0))
    datagrams = announcements(count, length)
    print(json.dumps({"ready": True}), flush=True)
    rounds = sent = replies = 0
    next_round = time.monotonic()
    stdin_fd = sys.stdin.fileno()
    while True:
        now = time.monotonic()
        if now >= next_round:
            for data in datagrams:
                sock.sendto(data, (address, port))
                sent += 1
            rounds += 1
            next_round = now + period
        readable, _, _ = select.select([sock, stdin_fd], [], [], max(0.0, next_round - now))
        if sock in readable:
            data = sock.recv(65536)
            replies += 1 if not data else 0
        if stdin_fd in readable and not sys.stdin.buffer.read1(4096):
            break
    print(json.dumps({"rounds": rounds, "sent": sent, "replies": replies}), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
