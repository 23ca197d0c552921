#!/usr/bin/python3
"""Packet-level UDP tools for the tests, run inside a namespace through `ip netns exec`.

  udp_packets.py spoof SRC SPORT DST DPORT HEX
      sends one UDP datagram whose IPv4 source is SRC:SPORT, whatever this namespace's own
      address is (a raw socket writes the headers itself)
  udp_packets.py sniff IFACE SECONDS
      prints {"ready": true} once listening, then one JSON object a line for every IPv4 UDP
      datagram seen on IFACE, both ways, for SECONDS:
      {"t": secs, "src": "a.b.c.d", "sport": N, "dst": "a.b.c.d", "dport": N, "len": N}
"""
import json
import select
import socket
import struct
import sys
import time


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def spoof(src, sport, dst, dport, payload):
    udp_length = 8 + len(payload)
    ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + udp_length, 0x1234, 0, 64,
                     socket.IPPROTO_UDP, 0, socket.inet_aton(src), socket.inet_aton(dst))
    ip = ip[:10] + struct.pack("!H", checksum(ip)) + ip[12:]
    pseudo = socket.inet_aton(src) + socket.inet_aton(dst) + struct.pack(
        "!BBH", 0, socket.IPPROTO_UDP, udp_length)
    udp = struct.pack("!HHHH", sport, dport, udp_length, 0) + payload
    udp = udp[:6] + struct.pack("!H", checksum(pseudo + udp) or 0xFFFF) + udp[8:]
    sock = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_RAW)
    sock.setsockopt(socket.IPPROTO_IP, socket.IP_HDRINCL, 1)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    sock.sendto(ip + udp, (dst, 0))
    return 0


def sniff(iface, seconds):
    sock = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.ntohs(0x0003))
    sock.bind((iface, 0))
    print(json.dumps({"ready": True}), flush=True)
    end = time.monotonic() + seconds
    while True:
        left = end - time.monotonic()
        if left <= 0:
            return 0
        if not select.select([sock], [], [], left)[0]:
            continue
        frame = sock.recv(65536)
        if len(frame) < 14 + 20 + 8 or frame[12:14] != b"\x08\x00":
            continue
        ip = frame[14:]
        header = (ip[0] & 0x0F) * 4
        if ip[9] != socket.IPPROTO_UDP:
            continue
        sport, dport, length = struct.unpack("!HHH", ip[header:header + 6])
        print(json.dumps({"t": time.monotonic(), "src": socket.inet_ntoa(ip[12:16]),
                          "sport": sport, "dst": socket.inet_ntoa(ip[16:20]), "dport": dport,
                          "len": length - 8}), flush=True)


def main(argv):
    if argv[1] == "spoof":
        return spoof(argv[2], int(argv[3]), argv[4], int(argv[5]), bytes.fromhex(argv[6]))
    if argv[1] == "sniff":
        return sniff(argv[2], float(argv[3]))
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
