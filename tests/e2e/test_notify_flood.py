#!/usr/bin/python3
"""A flood of private messages and the desktop notifications it gives, with the test's
notification service (notify_host.py).

Olga runs with "restore the private window" on and her private window closed, typing in her
main window's input. Ivan sends her 200 private messages in about 12 s, Petr one amid them: her
private window comes up but the keyboard stays in the main window's input, and each sender has
one notification, replaced as the messages come ("Ivan: 200 новых сообщений" over the newest
text at the end), changed about once a second at most. A click on Ivan's brings the private
window to the front and takes Petr's off the screen; a message while the private window is
active shows nothing and counts for nothing. The notification service restarts: the new one is
asked what it can do at once, and the next message is a new notification on it.
"""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402
from test_notify import NotifyHost  # noqa: E402
from test_tray import Screen  # noqa: E402
from Xlib import X  # noqa: E402

SLACK = 8.0
FLOOD = 200
SPACING = 0.06   # 200 messages in 12 s
INTERVAL = 1.0   # the program's shortest time between two changes of a notification


def test(h):
    h.build_network(["Olga", "observer"])
    h.start_desktop()
    screen = Screen(h)
    notes = NotifyHost(h)
    observer = h.start_observer()
    olga_copy = h.start_copy("Olga", config={"ShowPrivateWND": "1"})
    olga = olga_copy.ui()
    E.wait_until(olga_copy.history_path().exists, E.START_TIMEOUT, what="Olga to log in")

    def send(sender, text):
        observer.send(olga_copy.addr, E.PRIVATE_PORT,
                      E.cp1251("@#@4@#@%s --> Olga: %s" % (sender, text)))

    def type_in_main_window():
        """The keyboard to the main window's input, as a click on it would give it (Xvfb runs
        no window manager)."""
        box = olga.input_box(olga.main_window())
        h.require(box is not None, "Olga's main window has its input box")
        screen.main_window(olga_copy.proc.pid).set_input_focus(X.RevertToParent, X.CurrentTime)
        screen.d.flush()
        box.grab_focus()
        h.require(E.wait_until(lambda: "focused" in olga.states(box), SLACK, 0.1),
                  "Olga's main window's input has the keyboard")
        return box

    def of(sender):
        return [n for n in notes.shown if n["summary"].split(":")[0] == sender]

    box = type_in_main_window()
    started = time.monotonic()
    for i in range(1, FLOOD + 1):
        send("Ivan", "message %d" % i)
        if i == FLOOD // 2:
            send("Petr", "me too")
        time.sleep(SPACING)
    flood = time.monotonic() - started
    E.wait_until(lambda: of("Ivan") and of("Ivan")[-1]["body"] == "message %d" % FLOOD,
                 SLACK, 0.1, what="the notification of Ivan's last message")
    time.sleep(2 * INTERVAL)  # nothing comes after the last

    window = olga.private_window()
    h.expect(window is not None, "Olga's private window came up (ShowPrivateWND on)")
    h.expect("focused" in olga.states(box) and
             (window is None or "active" not in olga.states(window)),
             "the keyboard stayed in the main window's input (private window states %r)"
             % (olga.states(window) if window is not None else None))
    h.screenshot("notify-flood")

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
    bound = int(flood / INTERVAL) + 3
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
    type_in_main_window()
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


if __name__ == "__main__":
    sys.exit(E.run_test("notify_flood", test))
