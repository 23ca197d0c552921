#!/usr/bin/python3
"""A headless peer and a window copy on a subnet that is not /24.

Ivan runs the program with its windows at 10.213.1.12 and Olga runs palavrix-peer at
10.213.0.11, both on 10.213.0.0/23: only the subnet's broadcast address 10.213.1.255 reaches
both. The peer starts as the window does, from its interface's netmask, so each lists the
other and a public line from the peer shows in the window.
"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

SLACK = 8.0


def test(h):
    net = h.build_network([])
    net.add_node("Olga", "10.213.0.11", prefix=23)
    net.add_node("Ivan", "10.213.1.12", prefix=23)
    h.start_desktop()
    ivan = h.start_copy("Ivan").ui()
    olga = h.start_peer("Olga")

    listed = E.wait_until(lambda: ivan.listed() == ["Ivan", "Olga"],
                          E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)
    h.expect(listed, "Ivan lists Olga (got %r)" % ivan.listed())
    E.wait_peer_lists(h, olga, ["Ivan"])

    olga.type("Привет через /23")
    shown = E.wait_until(lambda: "Olga -->Привет через /23" in
                         [line.text for line in ivan.lines(ivan.public_view())], 8.0)
    h.expect(shown, "Ivan shows Olga's line")


if __name__ == "__main__":
    sys.exit(E.run_test("peer_subnet", test))
