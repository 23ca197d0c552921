#!/usr/bin/python3
"""A flood of private messages and the desktop notifications it gives, with the test's
notification service (notify_host.py).

Vera runs with "restore the private window" on and types in her main window's input when Anna's
private messages come: her private window comes up but the keyboard stays in the main window's
input. Closed again, it comes up for the next message while another program's window has the
keyboard, and that window keeps it. Olga runs with that option off, her private window closed. Ivan sends her 200 private
messages in about 12 s, Petr one amid them: each sender has one notification, replaced as the
messages come ("Ivan: 200 новых сообщений" over the newest text at the end), changed about
once a second at most. A click on Ivan's brings the private window to the front and takes
Petr's off the screen; a message while the private window is active shows nothing and counts
for nothing. The notification service restarts: the new one is asked what it can do at once,
and the next message is a new notification on it.
"""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402
from test_notify import NotifyHost  # noqa: E402
from test_offer_flood import close_window  # noqa: E402
from test_tray import Screen  # noqa: E402
from Xlib import X  # noqa: E402

SLACK = 8.0
FLOOD = 200
SPACING = 0.06   # 200 messages in 12 s
INTERVAL = 1.0   # the program's shortest time between two changes of a notification


def test(h):
    h.build_network(["Olga", "Vera", "observer"])
    h.start_desktop()
    screen = Screen(h)
    notes = NotifyHost(h)
    observer = h.start_observer()
    vera_copy = h.start_copy("Vera", config={"ShowPrivateWND": "1"})
    olga_copy = h.start_copy("Olga", config={"ShowPrivateWND": "0"})
    vera, olga = vera_copy.ui(), olga_copy.ui()
    for copy in (vera_copy, olga_copy):
        E.wait_until(copy.history_path().exists, E.START_TIMEOUT, what="%s to log in" % copy.nick)

    def send(sender, text, to=olga_copy):
        observer.send(to.addr, E.PRIVATE_PORT,
                      E.cp1251("@#@4@#@%s --> %s: %s" % (sender, to.nick, text)))

    def type_in_main_window(ui, copy):
        """The keyboard to the main window's input, as a click on it would give it (Xvfb runs
        no window manager)."""
        box = ui.input_box(ui.main_window())
        h.require(box is not None, "%s's main window has its input box" % copy.nick)
        screen.main_window(copy.proc.pid).set_input_focus(X.RevertToParent, X.CurrentTime)
        screen.d.flush()
        box.grab_focus()
        h.require(E.wait_until(lambda: "focused" in ui.states(box), SLACK, 0.1),
                  "%s's main window's input has the keyboard" % copy.nick)
        return box

    def of(sender):
        return [n for n in notes.shown if n["summary"].split(":")[0] == sender]

    # Vera types while Anna's messages come.
    box = type_in_main_window(vera, vera_copy)
    for i in range(3):
        send("Anna", "hello %d" % i, to=vera_copy)
        time.sleep(0.3)
    window = E.wait_until(vera.private_window, SLACK, 0.1)
    h.expect(window is not None, "Vera's private window came up (ShowPrivateWND on)")
    E.wait_until(lambda: "hello 2" in [l.text for l in vera.lines(vera.private_view())], SLACK)
    h.expect("focused" in vera.states(box) and
             (window is None or "active" not in vera.states(window)),
             "the keyboard stayed in Vera's main window's input (private window states %r)"
             % (vera.states(window) if window is not None else None))
    h.screenshot("notify-keyboard-stays")

    # Another program's window has the keyboard when her closed private window comes up.
    closed = close_window(h, vera_copy, E.CopyUi.PRIVATE_TITLE)
    h.require(closed == 1 and E.wait_until(lambda: vera.private_window() is None, SLACK, 0.1),
              "the harness closes Vera's private window")
    other = screen.d.screen().root.create_window(0, 0, 200, 100, 0, X.CopyFromParent)
    other.map()
    screen.d.sync()
    other.set_input_focus(X.RevertToParent, X.CurrentTime)
    screen.d.sync()
    send("Anna", "hello again", to=vera_copy)
    h.expect(E.wait_until(vera.private_window, SLACK, 0.1) is not None,
             "Vera's private window comes up again")
    E.wait_until(lambda: "hello again" in [l.text for l in vera.lines(vera.private_view())],
                 SLACK)
    focus = screen.d.get_input_focus().focus
    h.expect(focus == other, "the other program's window kept the keyboard (focus on %r)"
             % focus)
    other.destroy()
    screen.d.sync()

    # The flood to Olga.
    type_in_main_window(olga, olga_copy)
    started = time.monotonic()
    for i in range(1, FLOOD + 1):
        send("Ivan", "message %d" % i)
        if i == FLOOD // 2:
            send("Petr", "me too")
        time.sleep(SPACING)
    flood = time.monotonic() - started
    # The checks below say what is wrong if it never comes.
    E.wait_until(lambda: of("Ivan") and of("Ivan")[-1]["body"] == "message %d" % FLOOD,
                 SLACK, 0.1)
    time.sleep(2 * INTERVAL)  # nothing comes after the last
    h.expect(olga.private_window() is None, "Olga's private window stayed closed")

    ivan = of("Ivan")
    h.require(ivan, "Ivan's messages were notified")
    first = ivan[0]
    h.expect(first["replaces"] == 0 and all(n["replaces"] == first["id"] for n in ivan[1:]),
             "Ivan has one notification, replaced as his messages came (ids %r)"
             % sorted({(n["id"], n["replaces"]) for n in ivan}))
    h.expect((ivan[-1]["summary"], ivan[-1]["body"]) ==
             ("Ivan: %d новых сообщений" % FLOOD, "message %d" % FLOOD),
             "its last update counts every message and shows the newest (got %r / %r)"
             % (ivan[-1]["summary"], ivan[-1]["body"]))
    bound = int(flood / INTERVAL) + 5  # the program may lag the sender on a busy machine
    h.expect(len(ivan) <= bound, "%d messages in %.1f s changed it %d times (at most %d)"
             % (FLOOD, flood, len(ivan), bound))
    petr = of("Petr")
    h.expect([(n["summary"], n["body"], n["replaces"]) for n in petr] ==
             [("Petr", "me too", 0)] and petr[0]["id"] != first["id"],
             "Petr has a notification of his own (got %r)" % petr)

    # A click on Ivan's: the private window comes to the front, the user sees every message.
    notes.click(ivan[-1])
    h.require(E.wait_until(lambda: olga.private_window() is not None and
                           "active" in olga.states(olga.private_window()), SLACK, 0.1),
              "a click on the notification brings the private window to the front")
    if petr:
        h.expect(E.wait_until(lambda: petr[0]["id"] in notes.closed, SLACK, 0.1),
                 "Petr's notification went off the screen with it (closed %r)" % notes.closed)
    shown = len(notes.shown)
    send("Ivan", "read at once")
    h.require(E.wait_until(lambda: "read at once" in [l.text for l in
                                                      olga.lines(olga.private_view())], SLACK),
              "the private window shows the message")

    # Back in the main window: the next message is notified, counted from one.
    type_in_main_window(olga, olga_copy)
    send("Ivan", "after")
    after = notes.wait_count(shown + 1, "a notification of the message after")
    h.expect((after["summary"], after["body"], after["replaces"]) == ("Ivan", "after", 0),
             "nothing was shown while the private window was active, and the count began "
             "again (the next notification is %r / %r, replacing %r)"
             % (after["summary"], after["body"], after["replaces"]))

    # The notification service restarts.
    notes.stop()
    notes = NotifyHost(h)
    h.expect(E.wait_until(lambda: notes.asked >= 1, SLACK, 0.1),
             "the restarted service is asked what it can do")
    send("Ivan", "again")
    again = notes.wait_count(1, "a notification on the restarted service")
    h.expect((again["summary"], again["body"], again["replaces"]) ==
             ("Ivan: 2 новых сообщения", "again", 0),
             "the next message is a new notification there, still counted (got %r / %r, "
             "replacing %r)" % (again["summary"], again["body"], again["replaces"]))
    olga.quit()
    vera.quit()


if __name__ == "__main__":
    sys.exit(E.run_test("notify_flood", test))
