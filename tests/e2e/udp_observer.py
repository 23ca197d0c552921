#!/usr/bin/python3
"""Watches the chat's three ports from a namespace of its own and reports every datagram.

Runs inside the observer's network namespace (started through `ip netns exec`). It binds
plain UDP sockets to the public, system and private ports and one more socket on a free
port (the probe) from which the harness can send datagrams of its own; the probe reports
what comes back to it, which is how the empty replies of the copies are seen. A last socket
(the echo) plays a UDP echo service: it reports and sends back every datagram it receives.

Output, one JSON object a line on stdout:
  {"ready": true, "probe_port": N, "echo_port": N}      once all sockets are bound
  {"t": secs, "sock": "555"|"556"|"557"|"probe"|"echo", "src": "a.b.c.d", "sport": N,
   "hex": "..."}
Input, one JSON object a line on stdin:
  {"to": "a.b.c.d", "port": N, "hex": "..."[, "from": "echo"]}
                                                         sent from the probe (or echo) socket
Ends when stdin closes.
"""
import argparse
import json
import os
import select
import socket
import sys
import time


def bound_socket(port):
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    sock.bind(("0.0.0.0", port))
    return sock


def emit(obj):
    sys.stdout.write(json.dumps(obj) + "\n")
    sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ports", default="555,556,557")
    args = parser.parse_args()

    sockets = {}
    for port in (int(p) for p in args.ports.split(",")):
        sockets[bound_socket(port)] = str(port)
    probe = bound_socket(0)
    sockets[probe] = "probe"
    echo = bound_socket(0)
    sockets[echo] = "echo"
    emit({"ready": True, "probe_port": probe.getsockname()[1],
          "echo_port": echo.getsockname()[1]})

    stdin_fd = sys.stdin.fileno()
    pending = b""
    while True:
        readable, _, _ = select.select(list(sockets) + [stdin_fd], [], [])
        for item in readable:
            if item == stdin_fd:
                chunk = os.read(stdin_fd, 65536)
                if not chunk:
                    return 0
                pending += chunk
                while b"\n" in pending:
                    line, pending = pending.split(b"\n", 1)
                    if line.strip():
                        order = json.loads(line)
                        sender = echo if order.get("from") == "echo" else probe
                        sender.sendto(bytes.fromhex(order["hex"]),
                                      (order["to"], int(order["port"])))
                continue
            data, (src, sport) = item.recvfrom(65536)
            emit({"t": time.monotonic(), "sock": sockets[item], "src": src, "sport": sport,
                  "hex": data.hex()})
            if item is echo:
                echo.sendto(data, (src, sport))


if __name__ == "__main__":
    sys.exit(main())
