#!/usr/bin/python3
"""Presence across three copies in three namespaces.

Each copy lists all three nicks, sorted, each in bold in its owner's colour, and counts 3 in
its status bar within one refresh period and one announcement; the wire carries the entry
notice and the presence announcements byte for byte; a handled announcement is answered by
exactly one empty datagram and a malformed one by none; a foreign peer's announcement lists
it; a copy that stops drops out of the others' lists by the second refresh.
"""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

COLORS = {"Ivan": 12, "Olga": 9, "Petr": 2}
SLACK = 8.0  # start-up of sanitizer builds and scheduling on a loaded machine


def list_of(ui):
    view = ui.user_list()
    return ui.lines(view) if view is not None else []


def texts(lines):
    return [line.text for line in lines]


def test(h):
    h.build_network(["Ivan", "Olga", "Petr", "observer"])
    h.start_desktop()
    wire = h.start_observer()
    # Started in the reverse of the sorted order, so the lists are sorted, not just heard.
    copies = {nick: h.start_copy(nick, config={"FontColor": str(COLORS[nick])})
              for nick in ("Petr", "Olga", "Ivan")}
    uis = {nick: copy.ui() for nick, copy in copies.items()}
    online = time.monotonic()

    everyone = ["Ivan", "Olga", "Petr"]
    for nick, ui in uis.items():
        got = E.wait_until(lambda: texts(list_of(ui)) == everyone and list_of(ui),
                           E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK - (time.monotonic() - online))
        h.expect(got and texts(got) == everyone,
                 "%s lists %s (got %s)" % (nick, everyone, list_of(ui)))
        for line in got or []:
            want = E.color_text(COLORS[line.text])
            h.expect(line.color == want and line.bold and line.uniform,
                     "%s shows %s in bold %s (got %r)" % (nick, line.text, want, line))
        count = E.wait_until(lambda: ui.user_count_text() == "Пользователей в чате: 3", 2.5)
        h.expect(count, "%s's status bar reads 'Пользователей в чате: 3' (got %r)"
                 % (nick, ui.user_count_text()))
    h.screenshot("presence-three-copies")

    # The wire: the entry notice once, then the same presence bytes every 4 s.
    for nick, copy in copies.items():
        entry = E.cp1251('@#@19@#@ в чат входит - "%s"...' % nick)
        presence = E.cp1251("@#@%d@#@%s" % (COLORS[nick], nick))
        E.wait_until(lambda: len(wire.datagrams(E.SYSTEM_PORT, copy.addr)) >= 2,
                     E.ANNOUNCE_PERIOD + SLACK)
        public = [d["data"] for d in wire.datagrams(E.PUBLIC_PORT, copy.addr)]
        system = [d["data"] for d in wire.datagrams(E.SYSTEM_PORT, copy.addr)]
        h.expect(public == [entry], "%s sent the entry notice %s once on %d (got %s)"
                 % (nick, E.shown(entry), E.PUBLIC_PORT, E.shown(public)))
        h.expect(len(system) >= 2 and all(d == presence for d in system),
                 "%s announced %s on %d, again after 4 s (got %s)"
                 % (nick, E.shown(presence), E.SYSTEM_PORT, E.shown(system)))
        h.expect(not wire.datagrams(E.PRIVATE_PORT, copy.addr),
                 "%s sent nothing on the private port" % nick)

    # A foreign peer: a malformed announcement gets no answer, a good one exactly one empty
    # datagram from the system port, and the peer is listed at the next refresh.
    ivan = copies["Ivan"]
    wire.send(ivan.addr, E.SYSTEM_PORT, b"@#@x@#@Broken")
    wire.send(ivan.addr, E.SYSTEM_PORT, b"@#@5@#@Watcher")
    replies = lambda: [d for d in wire.datagrams("probe", ivan.addr)]  # noqa: E731
    E.wait_until(replies, 5.0)
    time.sleep(0.5)  # a second, wrong answer would come right behind the first
    got = [(d["sport"], d["data"]) for d in replies()]
    h.expect(got == [(E.SYSTEM_PORT, b"")],
             "Ivan answered the good announcement with one empty datagram from port %d and the "
             "malformed one with none (got %r)" % (E.SYSTEM_PORT, got))
    with_watcher = ["Ivan", "Olga", "Petr", "Watcher"]
    got = E.wait_until(lambda: texts(list_of(uis["Ivan"])) == with_watcher and list_of(uis["Ivan"]),
                       E.REFRESH_PERIOD + SLACK)
    h.expect(got and texts(got) == with_watcher,
             "Ivan lists the foreign peer: %s (got %s)" % (with_watcher, list_of(uis["Ivan"])))
    if got:
        h.expect(got[3].color == E.color_text(5) and got[3].bold,
                 "Ivan shows Watcher in bold Purple (got %r)" % got[3])
    for nick in ("Olga", "Petr"):
        h.expect("Watcher" not in texts(list_of(uis[nick])),
                 "%s, who was not sent the announcement, does not list Watcher" % nick)

    # Petr stops without a word: gone from the others' lists by the second refresh.
    copies["Petr"].kill()
    stopped = time.monotonic()
    for nick in ("Ivan", "Olga"):
        ui = uis[nick]
        got = E.wait_until(lambda: texts(list_of(ui)) == ["Ivan", "Olga"] and list_of(ui),
                           2 * E.REFRESH_PERIOD + SLACK - (time.monotonic() - stopped))
        h.expect(got, "%s drops Petr within two refresh periods: %s (got %s)"
                 % (nick, ["Ivan", "Olga"], list_of(ui)))
        count = E.wait_until(lambda: ui.user_count_text() == "Пользователей в чате: 2", 2.5)
        h.expect(count, "%s's status bar reads 'Пользователей в чате: 2' (got %r)"
                 % (nick, ui.user_count_text()))


if __name__ == "__main__":
    sys.exit(E.run_test("presence", test))
