#!/usr/bin/python3
"""An empty datagram is only ever a reply: no copy answers or shows one, on any port.

Ivan and Olga both ignore incoming colours, so neither reads the colour field that an empty
datagram lacks. One datagram is spoofed from Olga's public port to Ivan's: Ivan shows it once
and answers it with one empty datagram, which Olga neither shows nor answers, so in 5 s
exactly one datagram passes between their public ports. Then a UDP echo service (the
observer's echo socket) sends to Ivan's public and system ports: Ivan answers each once, the
echo sends the empty answer back, and Ivan sends nothing more.
"""
import json
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

SLACK = 8.0
WATCH = 5.0
TOOL = str(Path(__file__).resolve().parent / "udp_packets.py")


def start_sniffer(h, ns, seconds):
    """Every UDP datagram on the namespace's eth0, both ways, for `seconds`."""
    proc = subprocess.Popen(["ip", "netns", "exec", ns, E.helper_python(), TOOL, "sniff",
                             "eth0", str(seconds)], stdout=subprocess.PIPE, start_new_session=True)
    h.record_process(proc.pid)
    h.require(json.loads(proc.stdout.readline() or "{}").get("ready"), "the sniffer listens")
    return proc


def spoof(h, ns, src, sport, dst, dport, data):
    subprocess.run(["ip", "netns", "exec", ns, E.helper_python(), TOOL, "spoof", src, str(sport),
                    dst, str(dport), data.hex()], check=True)
    h.log("spoofed %d bytes from %s:%d to %s:%d: %r" % (len(data), src, sport, dst, dport,
                                                         data.decode("cp1251", "replace")))


def test(h):
    h.build_network(["Ivan", "Olga", "observer"])
    h.start_desktop()
    wire = h.start_observer()
    colours_ignored = {"IgnUsrClr": "1", "IncommingMsgClr": "7"}
    ivan_copy = h.start_copy("Ivan", config=colours_ignored)
    olga_copy = h.start_copy("Olga", config=colours_ignored)
    ivan, olga = ivan_copy.ui(), olga_copy.ui()
    E.wait_all_listed(h, {"Ivan": ivan, "Olga": olga}, ["Ivan", "Olga"],
                      E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)

    def line_count(ui):
        # Every line, empty ones at the end included.
        return len(ui.text(ui.public_view()).split("\n"))

    before = {"Ivan": line_count(ivan), "Olga": line_count(olga)}
    # One datagram from Olga's public port, as a hostile peer would forge it.
    sniffer = start_sniffer(h, h.net.ns("Olga"), WATCH + 0.5)
    spoof(h, h.net.ns("observer"), olga_copy.addr, E.PUBLIC_PORT, ivan_copy.addr, E.PUBLIC_PORT,
          E.cp1251("@#@5@#@Mallory -->ping"))
    out, _ = sniffer.communicate(timeout=WATCH + 10)
    seen = [json.loads(line) for line in out.decode().splitlines()]
    between = [p for p in seen if {p["src"], p["dst"]} == {ivan_copy.addr, olga_copy.addr}
               and p["sport"] == E.PUBLIC_PORT and p["dport"] == E.PUBLIC_PORT]
    h.log("between the public ports in %.0f s: %s" % (WATCH, between[:10]))
    h.expect(len(between) == 1 and between[0]["src"] == ivan_copy.addr and between[0]["len"] == 0,
             "in %.0f s exactly one datagram passes between the public ports: Ivan's empty "
             "reply (got %d, the first %s)" % (WATCH, len(between), between[:3]))
    shown = [l.text for l in ivan.lines(ivan.public_view()) if l.text == "Mallory -->ping"]
    h.expect(len(shown) == 1, "Ivan shows the forged line once (got %d)" % len(shown))
    for nick, ui, added in (("Ivan", ivan, 1), ("Olga", olga, 0)):
        got = line_count(ui) - before[nick]
        h.expect(got == added, "%s's public view gains %d line(s) (got %d)" % (nick, added, got))

    # A UDP echo service answers everything, the empty replies included.
    for port in (E.PUBLIC_PORT, E.SYSTEM_PORT):
        wire.send(ivan_copy.addr, port, E.cp1251("@#@5@#@Echo -->hi" if port == E.PUBLIC_PORT
                                                 else "@#@5@#@Echo"), from_echo=True)
        time.sleep(WATCH)
        replies = [d for d in wire.datagrams("echo", ivan_copy.addr) if d["sport"] == port]
        h.expect(len(replies) == 1 and replies[0]["data"] == b"",
                 "Ivan answers the echo service on port %d once in %.0f s (got %d)"
                 % (port, WATCH, len(replies)))
    h.expect(ivan_copy.running() and olga_copy.running(), "both copies run on")


if __name__ == "__main__":
    sys.exit(E.run_test("reply_loop", test))
