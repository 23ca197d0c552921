#!/usr/bin/python3
"""Holds idle TCP connections to one port, as a hostile host would, reopening each as it drops.

  connection_holder.py ADDRESS PORT COUNT

Run inside a namespace through `ip netns exec`. Keeps COUNT connections to ADDRESS:PORT open,
sending nothing; each one the other side closes is opened again at once. Prints
{"ready": true} once the first round is open, then, when stdin closes,
{"opened": N, "dropped": N} and ends.
"""
import json
import select
import socket
import sys
import time


def connect(address, port):
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setblocking(False)
    sock.connect_ex((address, port))
    return sock


def main():
    address, port, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    socks = [connect(address, port) for _ in range(count)]
    opened, dropped = count, 0
    print(json.dumps({"ready": True}), flush=True)
    stdin_fd = sys.stdin.fileno()
    while True:
        readable, _, _ = select.select(socks + [stdin_fd], [], [], 0.5)
        if stdin_fd in readable and not sys.stdin.readline():
            break
        for sock in readable:
            if sock == stdin_fd:
                continue
            try:
                closed = sock.recv(4096) == b""
            except (ConnectionError, BlockingIOError, OSError):
                closed = True
            if closed:
                socks.remove(sock)
                sock.close()
                time.sleep(0.005)  # hostile, but leaving the shared test machine some air
                socks.append(connect(address, port))
                opened += 1
                dropped += 1
    print(json.dumps({"opened": opened, "dropped": dropped}), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
