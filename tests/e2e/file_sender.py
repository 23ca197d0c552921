#!/usr/bin/python3
"""A file sender made by hand, speaking the file port's protocol byte by byte, for what our own
copies never do: names with folders, connections with a wrong token or from a stranger.

Runs inside a namespace (through `ip netns exec`). One JSON object a line on stdout.

  file_sender.py offer --to A --name NAME --data PATH
      takes part in the chat (a presence announcement to A's system port) and announces its
      file port, then offers one file named NAME with the bytes of PATH; prints {"token": T}, then
      {"accepted": PORT} or {"declined": true}; after a line "go" on stdin it connects to the
      receiver from its own address, sends the token, the bytes and their SHA-256, and prints
      {"result": R, "answer": HEX} (R: "saved", "refused", "failed").
  file_sender.py intrude --to A --port P --token T
      connects and sends the token frame and some data, as a stranger would; prints
      {"result": "refused"} when the receiver closes without a byte, else "answered" or
      "left open".
"""
import argparse
import hashlib
import json
import socket
import struct
import sys
import time

MAGIC = b"PALAVRIX-FILES/1\n"
FILE_PORT = 558
SYSTEM_PORT = 556
WAIT = 20.0


def say(obj):
    sys.stdout.write(json.dumps(obj) + "\n")
    sys.stdout.flush()


def frame(kind, payload=b""):
    return kind + struct.pack(">I", len(payload)) + payload


def answer_of(sock):
    """What the receiver sends back, and whether it closed the connection."""
    sock.settimeout(WAIT)
    got = b""
    try:
        while len(got) < 5:
            chunk = sock.recv(4096)
            if not chunk:
                return got, True
            got += chunk
    except ConnectionResetError:
        return got, True
    except socket.timeout:
        pass
    return got, False


def send_offer(udp, to, nick, name, data):
    """Offers one file from `udp`; gives the offer's token."""
    token = hashlib.sha256(data + name.encode()).hexdigest()[:32]
    message = {"type": "offer", "nick": nick, "token": token,
               "files": [{"name": name, "size": len(data)}]}
    udp.sendto(MAGIC + json.dumps(message, ensure_ascii=False).encode(), (to, FILE_PORT))
    return token


def await_answer(udp, token):
    """The receiver's answer to the offer: its data port once accepted, else None. Says which."""
    udp.settimeout(WAIT)
    while True:
        reply, _sender = udp.recvfrom(65536)
        if not reply.startswith(MAGIC):
            continue
        body = json.loads(reply[len(MAGIC):])
        if body.get("token") != token:
            continue
        if body["type"] != "accept":
            say({"declined": True})
            return None
        say({"accepted": body["port"]})
        return body["port"]


def send_file(to, port, token, data):
    """Connects, sends the token, the bytes and their SHA-256, and says how it was taken."""
    tcp = socket.create_connection((to, port), timeout=WAIT)
    tcp.sendall(frame(b"T", token.encode()) + frame(b"D", data)
                + frame(b"H", hashlib.sha256(data).digest()))
    got, _closed = answer_of(tcp)
    say({"result": "saved" if got == frame(b"K") else "failed" if got else "refused",
         "answer": got.hex()})


def offer(args):
    data = open(args.data, "rb").read()
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    udp.bind(("0.0.0.0", FILE_PORT))
    # A copy takes offers only from a chat user whose copy announced its file port.
    chat = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    chat.sendto(b"@#@5@#@Mallory", (args.to, SYSTEM_PORT))
    time.sleep(0.3)
    announce = {"type": "announce", "port": FILE_PORT, "nick": "Mallory"}
    udp.sendto(MAGIC + json.dumps(announce).encode(), (args.to, FILE_PORT))
    time.sleep(0.3)
    token = send_offer(udp, args.to, "Mallory", args.name, data)
    say({"token": token})
    port = await_answer(udp, token)
    if port is None or sys.stdin.readline().strip() != "go":
        return
    send_file(args.to, port, token, data)


def intrude(args):
    tcp = socket.create_connection((args.to, args.port), timeout=WAIT)
    try:
        tcp.sendall(frame(b"T", args.token.encode()) + frame(b"D", b"intruder"))
    except (BrokenPipeError, ConnectionResetError):
        pass
    got, closed = answer_of(tcp)
    say({"result": "refused" if closed and not got else "answered" if got else "left open",
         "answer": got.hex()})


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=("offer", "intrude"))
    parser.add_argument("--to", required=True)
    parser.add_argument("--name")
    parser.add_argument("--data")
    parser.add_argument("--port", type=int, default=FILE_PORT)
    parser.add_argument("--token")
    args = parser.parse_args()
    (offer if args.mode == "offer" else intrude)(args)


if __name__ == "__main__":
    main()
