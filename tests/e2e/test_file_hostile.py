#!/usr/bin/python3
"""A hostile host against the file port: no amplification, no reflection, no forged sender, no
held slots.

Ivan, Olga and Petr run palavrix-peer (Olga takes files into a folder). Mallory is a hostile
host with raw sockets; Stranger is an address on the network that runs nothing and takes no
part in the chat.

  * Mallory sends datagrams to each of Olga's ports 555, 556, 557 and 558 with the source
    forged as Ivan (a listed user) and as Stranger; a sniffer in Olga's namespace counts the
    bytes she sends back to the forged source: at most one byte out per byte in on each port,
    and nothing ever leaves her file port for one of the chat's ports. One forged broadcast
    announcement is not answered by any copy. The figures go to the log.
  * Mallory offers files under Ivan's nick from her own address: Olga shows nothing.
  * Mallory holds 20 idle connections to Olga's port 558, reopening each as it drops, while
    Ivan sends Olga a file: it arrives whole.
"""
import hashlib
import json
import os
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

HERE = Path(__file__).resolve().parent
TOOL = str(HERE / "udp_packets.py")
WATCH = 1.5
REPEAT = 1  # each datagram on its own: the bytes back are what that one datagram caused
FILE_PORT = 558
MAGIC = b"PALAVRIX-FILES/1\n"
CHAT_PORTS = (E.PUBLIC_PORT, E.SYSTEM_PORT, E.PRIVATE_PORT)


def file_datagram(**fields):
    return MAGIC + json.dumps(fields, ensure_ascii=False, separators=(",", ":")).encode()


def start_sniffer(h, ns, seconds):
    proc = subprocess.Popen(["ip", "netns", "exec", ns, E.helper_python(), TOOL, "sniff",
                             "eth0", str(seconds)], stdout=subprocess.PIPE, start_new_session=True)
    h.record_process(proc.pid)
    h.on_cleanup("sniffer", lambda: E._stop_group(proc))
    h.require(json.loads(proc.stdout.readline() or "{}").get("ready"), "the sniffer listens")
    return proc


def spoof(ns, src, sport, dst, dport, data):
    subprocess.run(["ip", "netns", "exec", ns, E.helper_python(), TOOL, "spoof", src, str(sport),
                    dst, str(dport), data.hex()], check=True)


def probes(port):
    """The datagrams forged to one of Olga's ports: what each is, its source port, its bytes."""
    if port != FILE_PORT:
        line = E.cp1251("@#@5@#@Ivan" if port == E.SYSTEM_PORT else "@#@5@#@Ivan -->ping")
        return [("a chat datagram", port, line)]
    token = os.urandom(16).hex()
    return [
        ("an announcement naming a chat port, from it", E.PUBLIC_PORT,
         file_datagram(type="announce", port=E.PUBLIC_PORT, nick="Ivan")),
        ("an announcement of another file port", 4558,
         file_datagram(type="announce", port=4558, nick="Ivan")),
        ("a short announcement", FILE_PORT, file_datagram(type="announce", port=FILE_PORT,
                                                          nick="I")),
        ("an offer", FILE_PORT, file_datagram(type="offer", nick="Ivan", token=token,
                                              files=[{"name": "x", "size": 1}])),
        ("a cancel", FILE_PORT, file_datagram(type="cancel", token=token)),
        ("a decline of no offer", FILE_PORT,
         file_datagram(type="decline", token=os.urandom(16).hex())),
        ("an accept naming a chat port", FILE_PORT,
         file_datagram(type="accept", port=E.PUBLIC_PORT, token=os.urandom(16).hex())),
    ]


def forge(h, mallory_ns, olga, port, label, source, what, sport, data):
    """Forges one datagram REPEAT times; the bytes sent and the bytes Olga sent back."""
    sniffer = start_sniffer(h, h.net.ns("Olga"), WATCH + 0.15 * REPEAT)
    for _ in range(REPEAT):
        spoof(mallory_ns, source, sport, olga.addr, port, data)
    out, _ = sniffer.communicate(timeout=WATCH + 30)
    seen = [json.loads(line) for line in out.decode().splitlines()]
    back = [p for p in seen if p["src"] == olga.addr and p["dst"] == source
            and p["sport"] == port and p["dport"] == sport]
    to_chat = [p for p in seen if p["src"] == olga.addr and p["sport"] == FILE_PORT
               and p["dport"] in CHAT_PORTS]
    sent, returned = REPEAT * len(data), sum(p["len"] for p in back)
    name = "port %d, %s forged as %s" % (port, what, label)
    h.log("%s: %d bytes in, %d bytes in %d datagrams back, %.3f out per byte in"
          % (name, sent, returned, len(back), returned / sent))
    h.expect(returned <= sent, "%s: no more bytes back than in (%d in, %d out)"
             % (name, sent, returned))
    h.expect(not to_chat, "%s: nothing from the file port to a chat port (%r)"
             % (name, to_chat[:3]))
    return sent, returned


def amplification(h, mallory_ns, olga, sources):
    """Forges every probe to each of Olga's ports from each source; the figures by port."""
    figures = {}
    # The file port first: a forged presence on port 556 makes any address a chat user.
    for port in (FILE_PORT,) + CHAT_PORTS:
        for label, source in sources:
            for what, sport, data in probes(port):
                sent, returned = forge(h, mallory_ns, olga, port, label, source, what, sport,
                                       data)
                total = figures.setdefault(port, [0, 0, 0.0])
                total[0] += sent
                total[1] += returned
                total[2] = max(total[2], returned / sent)
    for port, (sent, returned, worst) in figures.items():
        h.log("port %d: %d bytes in, %d bytes back, %.3f out per byte in (worst datagram "
              "%.3f)" % (port, sent, returned, returned / sent, worst))
    return figures


def broadcast_announcement(h, mallory_ns, stranger, copies):
    """One forged broadcast announcement: no copy answers the stranger."""
    sniffers = {c.nick: start_sniffer(h, h.net.ns(c.nick), WATCH + 1.0) for c in copies}
    data = file_datagram(type="announce", port=FILE_PORT, nick="Stranger with a long nick")
    spoof(mallory_ns, stranger, FILE_PORT, E.SUBNET + ".255", FILE_PORT, data)
    total = 0
    for nick, sniffer in sniffers.items():
        out, _ = sniffer.communicate(timeout=WATCH + 10)
        seen = [json.loads(line) for line in out.decode().splitlines()]
        total += sum(p["len"] for p in seen if p["dst"] == stranger and p["sport"] == FILE_PORT)
    h.log("a forged broadcast announcement of %d bytes: %d bytes answered by %d copies"
          % (len(data), total, len(copies)))
    h.expect(total == 0, "no copy answers a forged broadcast announcement (%d bytes)" % total)


def forged_offer(h, mallory, olga, ivan):
    """An offer under Ivan's nick from Mallory's own address is not shown."""
    data = file_datagram(type="offer", nick="Ivan", token=os.urandom(16).hex(),
                         files=[{"name": "invoice.pdf", "size": 1000}])
    announce = file_datagram(type="announce", port=FILE_PORT, nick="Ivan")
    for _ in range(3):
        spoof(mallory.ns, mallory.addr, FILE_PORT, olga.addr, FILE_PORT, announce)
        spoof(mallory.ns, mallory.addr, FILE_PORT, olga.addr, FILE_PORT, data)
    # Olga handles datagrams in order: Ivan's real offer afterwards comes up alone.
    real = h.workdir / "real.txt"
    real.write_bytes(b"from the real Ivan\n")
    ivan.type("/send Olga %s" % real)
    h.expect(ivan.wait_line("Файлы отправлены", 30.0), "Ivan's real file went (got %r)"
             % ivan.lines()[-3:])
    offers = [l for l in olga.lines() if "предлагает файлы" in l]
    h.expect(len(offers) == 1 and "real.txt" in offers[0],
             "Olga showed only the real offer (got %r)" % offers)


def held_connections(h, ivan, olga, inbox):
    holder = subprocess.Popen(
        ["ip", "netns", "exec", h.net.ns("Mallory"), E.helper_python(),
         str(HERE / "connection_holder.py"), olga.addr, str(FILE_PORT), "20"],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, start_new_session=True)
    h.record_process(holder.pid)
    h.on_cleanup("connection holder", lambda: E._stop_group(holder))
    h.require(json.loads(holder.stdout.readline() or "{}").get("ready"),
              "Mallory holds 20 connections to Olga's port 558")
    time.sleep(1.0)
    data = os.urandom(8 * 1024 * 1024)
    path = h.workdir / "held.bin"
    path.write_bytes(data)
    received = olga.lines().count("Файлы получены")
    ivan.type("/send Olga %s" % path)
    h.expect(E.wait_until(lambda: olga.lines().count("Файлы получены") > received, 60.0),
             "Olga got Ivan's file while Mallory held her port (got %r)" % olga.lines()[-3:])
    got = inbox / "held.bin"
    h.expect(got.exists() and hashlib.sha256(got.read_bytes()).digest()
             == hashlib.sha256(data).digest(), "held.bin arrived whole")
    holder.stdin.close()
    figures = json.loads(holder.stdout.readline() or "{}")
    holder.wait(10)
    h.log("Mallory's connections meanwhile: %r" % figures)
    h.expect(figures.get("dropped", 0) > 0, "Olga dropped Mallory's idle connections (%r)"
             % figures)


def test(h):
    h.build_network(["Ivan", "Olga", "Petr", "Mallory", "Stranger"])
    inbox = h.workdir / "olga"
    inbox.mkdir()
    ivan = h.start_peer("Ivan")
    olga = h.start_peer("Olga", args=["--accept-files", str(inbox)])
    petr = h.start_peer("Petr")
    E.wait_peer_lists(h, olga, ["Ivan", "Petr"])
    E.wait_peer_lists(h, ivan, ["Olga", "Petr"])
    # The file announcements come every 4 s; the first ones may precede the chat's listing.
    time.sleep(E.ANNOUNCE_PERIOD + 1.0)

    class Node:
        def __init__(self, name):
            self.ns, self.addr = h.net.ns(name), h.net.addr(name)

    mallory, stranger = Node("Mallory"), Node("Stranger")
    forged_offer(h, mallory, olga, ivan)
    amplification(h, mallory.ns, olga,
                  [("Ivan, a listed user", ivan.addr), ("a stranger", stranger.addr)])
    broadcast_announcement(h, mallory.ns, stranger.addr, [ivan, olga, petr])
    held_connections(h, ivan, olga, inbox)
    for peer in (ivan, olga, petr):
        h.expect(peer.proc.poll() is None, "%s runs on" % peer.nick)


if __name__ == "__main__":
    sys.exit(E.run_test("file_hostile", test))
