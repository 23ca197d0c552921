#!/usr/bin/python3
"""Records every IPv4 packet that reaches one namespace's interface, as an older copy's host
would receive it. Runs inside that namespace (through `ip netns exec`).

Output, one JSON object a line on stdout: {"ready": true} once listening, then for each
packet {"proto": "udp"|"tcp"|N, "src": A, "dst": A, "dport": N, "hex": PAYLOAD}.
Ends when stdin closes.
"""
import json
import select
import socket
import struct
import sys

ETH_P_IP = 0x0800


def say(obj):
    sys.stdout.write(json.dumps(obj) + "\n")
    sys.stdout.flush()


def describe(frame):
    if len(frame) < 34 or struct.unpack("!H", frame[12:14])[0] != ETH_P_IP:
        return None
    ip = frame[14:]
    header = (ip[0] & 0x0F) * 4
    proto = ip[9]
    src, dst = socket.inet_ntoa(ip[12:16]), socket.inet_ntoa(ip[16:20])
    body = ip[header:struct.unpack("!H", ip[2:4])[0]]
    if proto == 17:
        return {"proto": "udp", "src": src, "dst": dst, "dport": struct.unpack("!H", body[2:4])[0],
                "hex": body[8:].hex()}
    if proto == 6:
        offset = (body[12] >> 4) * 4
        return {"proto": "tcp", "src": src, "dst": dst, "dport": struct.unpack("!H", body[2:4])[0],
                "hex": body[offset:].hex()}
    return {"proto": proto, "src": src, "dst": dst, "dport": 0, "hex": ""}


def main():
    sock = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(ETH_P_IP))
    sock.bind(("eth0", 0))
    say({"ready": True})
    while True:
        ready, _, _ = select.select([sock, sys.stdin], [], [])
        if sys.stdin in ready and not sys.stdin.readline():
            return
        if sock in ready:
            frame, address = sock.recvfrom(65600)
            if address[2] == socket.PACKET_OUTGOING:
                continue
            packet = describe(frame)
            if packet is not None:
                say(packet)


if __name__ == "__main__":
    main()
