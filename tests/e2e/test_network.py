#!/usr/bin/python3
"""Choosing the network on hosts with several interfaces and subnets that are not /24.

Anna and Boris share a /23 (10.213.0.0/23): Anna at 10.213.0.11, Boris at 10.213.1.12, so
only the subnet's own broadcast address 10.213.1.255 reaches both. Each namespace lists
another interface ahead of the real one:
  * Anna: an empty bridge with an address, up (some kernels even report a carrier for it),
    and no default route: the first up and running interface is eth0.
  * Boris: a working side link (up, running, broadcast-capable) and the default route over
    eth0: the default route decides.
Both copies list each other, and their settings' network page names eth0, their address on it
and the broadcast address 10.213.1.255.
"""
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

SLACK = 8.0
BROADCAST = "10.213.1.255"


def ip(ns, *args):
    subprocess.run(["ip", "-n", ns] + list(args), check=True)


def empty_bridge(ns):
    ip(ns, "link", "add", "brempty", "type", "bridge")
    ip(ns, "addr", "add", "10.99.0.1/24", "dev", "brempty")
    ip(ns, "link", "set", "brempty", "up")


def side_link(ns):
    """A working link of its own (a veth pair with both ends here): up, running and able to
    broadcast, but not where the default route goes."""
    ip(ns, "link", "add", "side0", "type", "veth", "peer", "name", "side1")
    ip(ns, "addr", "add", "10.98.0.1/24", "dev", "side0")
    ip(ns, "link", "set", "side1", "up")
    ip(ns, "link", "set", "side0", "up")


def default_route(ns):
    ip(ns, "route", "add", "default", "via", "10.213.0.1", "dev", "eth0")


def addresses(ns):
    """The IPv4 addresses in the order the system lists them: (interface, address, carrier)."""
    out = subprocess.run(["ip", "-n", ns, "-o", "-4", "addr", "show"], check=True,
                         stdout=subprocess.PIPE, text=True).stdout
    links = subprocess.run(["ip", "-n", ns, "-o", "link", "show"], check=True,
                           stdout=subprocess.PIPE, text=True).stdout
    no_carrier = {line.split(":")[1].strip().split("@")[0] for line in links.splitlines()
                  if "NO-CARRIER" in line}
    found = []
    for line in out.splitlines():
        fields = line.split()
        found.append((fields[1], fields[3], fields[1] not in no_carrier))
    return found


def test(h):
    net = h.build_network([])
    net.add_node("Anna", "10.213.0.11", prefix=23, before=empty_bridge)
    net.add_node("Boris", "10.213.1.12", prefix=23, before=side_link, after=default_route)
    anna_list = addresses(net.ns("Anna"))
    boris_list = addresses(net.ns("Boris"))
    h.log("Anna's addresses: %r; Boris's: %r" % (anna_list, boris_list))
    h.require([a[0] for a in anna_list if a[0] != "lo"] == ["brempty", "eth0"],
              "Anna's empty bridge is listed ahead of eth0")
    for nick in ("Anna", "Boris"):
        E.wait_until(lambda: dict((a[0], a[2]) for a in addresses(net.ns(nick)))["eth0"], 10.0,
                     what="%s's eth0 to have a carrier" % nick)
    h.require([a[0] for a in boris_list if a[0] != "lo"] == ["side0", "eth0"],
              "Boris's working side link is listed ahead of eth0")

    h.start_desktop()
    uis = {}
    for nick in ("Anna", "Boris"):
        uis[nick] = h.start_copy(nick).ui()
    E.wait_all_listed(h, uis, ["Anna", "Boris"], E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)

    for nick, ui in uis.items():
        window = ui.open_settings()
        label = ui.find(window, role="label", name_prefix="Адрес этого компьютера: ")
        text = ui.name(label) if label is not None else None
        want = "Адрес этого компьютера: %s (интерфейс eth0)\nШироковещательный адрес: %s" % (
            net.addr(nick), BROADCAST)
        h.expect(text == want, "%s's settings show %r (got %r)" % (nick, want, text))
        edit = ui.find(window, role="text", want=lambda a: ui.text(a) == BROADCAST)
        h.expect(edit is not None, "%s's broadcast address box holds %s" % (nick, BROADCAST))
        network_tab = ui.find(window, role="page tab", name="Сеть")
        if network_tab is not None and nick == "Anna":
            ui.press(network_tab) if network_tab.get_n_actions() else None
            h.screenshot("network-settings")


if __name__ == "__main__":
    sys.exit(E.run_test("network", test))
