#!/usr/bin/python3
"""A hostile host that looks like a real copy on the wire: it announces its presence on the
system port and its file port from sockets of its own bound to 556 and 558, sends its offer
from that file-port socket under the same nick, and then the data, as a copy would.

Runs inside a namespace (through `ip netns exec`). One JSON object a line on stdout.

  copy_sender.py --nick NICK --to A --name NAME --data PATH [--color N]
      prints {"ready": true} once it announces itself to A (every 2 s from then on); after a
      line "offer" on stdin it offers one file named NAME with the bytes of PATH and prints
      {"accepted": PORT} or {"declined": true}; once accepted it connects from its own
      address, sends the token, the bytes and their SHA-256, and prints {"result": R,
      "answer": HEX} (R: "saved", "refused", "failed"). It ends when stdin closes.
"""
import argparse
import json
import socket
import sys
import threading
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from file_sender import (FILE_PORT, MAGIC, await_answer, say, send_file,  # noqa: E402
                         send_offer)

SYSTEM_PORT = 556
ANNOUNCE_EVERY = 2.0


def bound_udp(port):
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("0.0.0.0", port))
    return sock


def announce(args, presence, files, stop):
    hello = b"@#@%d@#@" % args.color + args.nick.encode("cp1251")
    file_hello = MAGIC + json.dumps({"type": "announce", "port": FILE_PORT,
                                     "nick": args.nick}).encode()
    while True:
        presence.sendto(hello, (args.to, SYSTEM_PORT))
        files.sendto(file_hello, (args.to, FILE_PORT))
        if stop.wait(ANNOUNCE_EVERY):
            return


def offer(args, udp):
    data = open(args.data, "rb").read()
    token = send_offer(udp, args.to, args.nick, args.name, data)
    port = await_answer(udp, token)
    if port is not None:
        send_file(args.to, port, token, data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nick", required=True)
    parser.add_argument("--to", required=True)
    parser.add_argument("--name", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--color", type=int, default=5)
    args = parser.parse_args()
    presence, files = bound_udp(SYSTEM_PORT), bound_udp(FILE_PORT)
    stop = threading.Event()
    announcer = threading.Thread(target=announce, args=(args, presence, files, stop), daemon=True)
    announcer.start()
    say({"ready": True})
    for line in sys.stdin:
        if line.strip() == "offer":
            offer(args, files)
    stop.set()
    announcer.join()


if __name__ == "__main__":
    main()
