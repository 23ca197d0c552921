#!/usr/bin/python3
"""The unseen-private-message alert, between two copies in two namespaces.

Olga runs with ShowPrivateWND off and her private window closed. Ivan sends her a private
"Hello": her private window stays closed and her "Приват" tool button starts blinking (its
picture goes and comes back every 500 ms). Opening her private window shows the message and
stops the blinking with the picture shown.

The button's picture is not exposed over AT-SPI, so the test finds the button there, takes
its place on the screen from AT-SPI and watches those pixels on the Xvfb screen.
"""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

SLACK = 8.0
BLINK = 0.5  # the alert's half period


def overlaps(a, b):
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    return ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah


def samples(h, rect, duration, interval=0.1):
    """Pictures of a screen rectangle over a while."""
    taken = []
    end = time.monotonic() + duration
    while time.monotonic() < end:
        taken.append(h.grab(*rect))
        time.sleep(interval)
    return taken


def test(h):
    h.build_network(["Ivan", "Olga", "observer"])
    h.start_desktop()
    ivan_copy = h.start_copy("Ivan", config={"FontColor": "12"})
    ivan = ivan_copy.ui()
    ivan_private = ivan.open_private_window()
    # Olga's main window comes up last, so nothing covers it.
    olga_copy = h.start_copy("Olga", config={"ShowPrivateWND": "0"})
    olga = olga_copy.ui()
    E.wait_all_listed(h, {"Ivan": ivan, "Olga": olga}, ["Ivan", "Olga"],
                      E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)

    toolbar = olga.find(olga.main_window(), role="tool bar")
    button = olga.find(toolbar, role="push button", name="Приват") if toolbar else None
    h.require(button is not None, "Olga's tool bar has the 'Приват' button")
    rect = olga.extents(button)
    h.require(rect[2] > 0 and rect[3] > 0 and not overlaps(rect, ivan.extents(ivan_private)),
              "Olga's 'Приват' button is on screen and uncovered at %r" % (rect,))
    shown = h.grab(*rect)
    h.require(len(set(samples(h, rect, 1.2))) == 1 and samples(h, rect, 0.1)[0] == shown,
              "Olga's 'Приват' button keeps its picture while no message is waiting")

    # Ivan sends Olga a private Hello.
    olga_item = "Olga - %s" % olga_copy.addr
    E.wait_until(lambda: ivan.recipient_items() == [olga_item], E.REFRESH_PERIOD + SLACK,
                 what="Ivan's recipient box to offer %r" % olga_item)
    editor = ivan.find(ivan.recipient_box(), role="text",
                       want=lambda a: "editable" in ivan.states(a))
    ivan.set_text(editor, olga_item)
    ivan.set_text(ivan.input_box(ivan_private), "Hello")
    ivan.press(ivan.button(ivan_private, "Отправить"))
    E.wait_until(lambda: len(ivan.lines(ivan.private_view())) == 2, 5.0,
                 what="Ivan's echo of the private message")

    # The button blinks: its picture goes, then comes back.
    pictures = samples(h, rect, 6 * BLINK)
    gone = [i for i, p in enumerate(pictures) if p != shown]
    back = [i for i in range(gone[0] + 1, len(pictures)) if pictures[i] == shown] if gone else []
    h.expect(gone and back, "Olga's 'Приват' button blinks after the message arrived "
             "(%d of %d pictures differ from the shown one, %d came back after)"
             % (len(gone), len(pictures), len(back)))
    h.screenshot("alert-blinking")
    h.expect(olga.private_window() is None,
             "Olga's private window stayed closed (ShowPrivateWND off)")

    # Olga opens her private window: the message is there, the blinking stops.
    window = olga.open_private_window()
    got = E.wait_until(lambda: [l.text for l in olga.lines(olga.private_view())]
                       == ["Ivan --> Olga:", "Hello"], 5.0)
    h.expect(got, "Olga's private window shows the message that arrived while it was closed "
             "(got %r)" % olga.lines(olga.private_view()))
    if h.expect(not overlaps(rect, olga.extents(window)),
                "Olga's private window leaves the 'Приват' button uncovered"):
        time.sleep(BLINK)  # let the last change reach the screen
        after = samples(h, rect, 4 * BLINK)
        h.expect(all(p == shown for p in after),
                 "opening the private window stops the blinking with the picture shown "
                 "(%d of %d pictures differ)" % (sum(p != shown for p in after), len(after)))


if __name__ == "__main__":
    sys.exit(E.run_test("alert", test))
