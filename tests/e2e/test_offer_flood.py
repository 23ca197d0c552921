#!/usr/bin/python3
"""A chat user flooding offers of files, each withdrawn at once, leaves the window calm.

Mallory, in a namespace of his own, behaves as a chat user: he announces his presence and his
file port, so Olga lists him. Then he sends 1,000 offers over 5 s, each followed by its cancel.
Olga's copy opens the private window for a private message (ShowPrivateWND=1): the first offer
opens it, the harness closes it as a window manager's close button does (WM_DELETE_WINDOW),
and the rest of the flood must not open it again. All along, a screen reader's call to the
main window is answered within a bound only a frozen window breaks (seconds). Afterwards the
transfer panel holds a bounded number of rows (at most 20 ended ones), the withdrawn offers
in one row naming Mallory with his address, and "Убрать завершённые" clears them.
"""
import json
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

OFFERS = 1000
SECONDS = 5.0
MAX_ENDED_ROWS = 20
ANSWER_WITHIN_S = 2.0
SLACK = 8.0
TOOL = str(Path(__file__).resolve().parent / "offer_flooder.py")


def start_flooder(h, node, to, count, seconds, nick="Mallory"):
    """The hostile chat user, announcing until go() starts its offers."""
    proc = subprocess.Popen(["ip", "netns", "exec", h.net.ns(node), E.helper_python(), TOOL,
                             "--to", to, "--count", str(count), "--seconds", str(seconds),
                             "--nick", nick],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                            start_new_session=True, preexec_fn=E._die_with_harness)
    h.record_process(proc.pid)
    h.on_cleanup("offer flooder", lambda: E._stop_group(proc))
    h.require(json.loads(proc.stdout.readline() or "{}").get("ready"), "the flooder runs")
    return proc


def go(proc):
    proc.stdin.write("go\n")
    proc.stdin.flush()


def flooder_result(proc):
    line = proc.stdout.readline()
    proc.wait(10)
    return json.loads(line or "{}")


def close_window(h, copy, title):
    """Closes the copy's top-level window of that title as a window manager's close button
    does (Xvfb runs no window manager)."""
    from Xlib import X, display as xdisplay, protocol
    disp = xdisplay.Display(h.desktop.display)
    pid_atom = disp.intern_atom("_NET_WM_PID")
    name_atom = disp.intern_atom("_NET_WM_NAME")
    protocols = disp.intern_atom("WM_PROTOCOLS")
    delete = disp.intern_atom("WM_DELETE_WINDOW")
    closed = 0
    for win in disp.screen().root.query_tree().children:
        try:
            owner = win.get_full_property(pid_atom, X.AnyPropertyType)
            name = win.get_full_property(name_atom, X.AnyPropertyType)
        except Exception:
            continue
        if owner is None or owner.value[0] != copy.proc.pid or name is None:
            continue
        value = name.value.decode("utf-8") if isinstance(name.value, bytes) else str(name.value)
        if value != title:
            continue
        event = protocol.event.ClientMessage(window=win, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        win.send_event(event)
        closed += 1
    disp.sync()
    disp.close()
    return closed


def transfer_rows(ui):
    """The rows of the transfer panel: the children of the list holding the first row, found
    without walking every row (a panel of thousands would take minutes over AT-SPI)."""
    window = ui.private_window()
    if window is None:
        return None

    def first_title(acc, depth):
        if ui.role(acc) == "label" and is_title(ui.name(acc)):
            return acc
        for child in ui._children(acc) if depth > 0 else ():
            found = first_title(child, depth - 1)
            if found is not None:
                return found
        return None

    title = first_title(window, 14)
    return 0 if title is None else title.get_parent().get_parent().get_child_count()


def is_title(text):
    return "предлагает файлы" in text or text.startswith("Предложения файлов")


def panel_titles(ui):
    window = ui.private_window()
    return [ui.name(a) for a in ui.find_all(window, "label") if is_title(ui.name(a))]


def answer_ms(ui):
    """One screen reader's call to the main window, in ms."""
    started = time.monotonic()
    ui.name(ui.main_window())
    return (time.monotonic() - started) * 1000.0


def test(h):
    h.build_network(["Olga", "Mallory"])
    h.start_desktop()
    olga_copy = h.start_copy("Olga", config={"ShowPrivateWND": "1"})
    olga = olga_copy.ui()
    mallory_addr = h.net.addr("Mallory")
    flooder = start_flooder(h, "Mallory", olga_copy.addr, OFFERS, SECONDS)
    h.require(E.wait_until(lambda: any("Mallory" in line for line in olga.listed()),
                           E.REFRESH_PERIOD + SLACK, 0.2),
              "Olga lists Mallory, who behaves as a chat user (list %r)" % olga.listed())
    h.expect(olga.private_window() is None, "Olga's private window is closed before the flood")

    go(flooder)
    window = E.wait_until(olga.private_window, SLACK, 0.05)
    h.require(window is not None, "the first offer opens Olga's private window")
    h.require(close_window(h, olga_copy, olga.PRIVATE_TITLE) == 1,
              "the harness closes the private window")
    reopened = not E.wait_until(lambda: olga.private_window() is None, 2.0, 0.02)

    answers = []
    while flooder.poll() is None:
        answers.append(answer_ms(olga))
        reopened = reopened or olga.private_window() is not None
        time.sleep(0.05)
    result = flooder_result(flooder)
    h.log("flooder: %s; %d calls, slowest answer %.1f ms" % (result, len(answers),
                                                             max(answers, default=0.0)))
    h.require(result.get("offers") == OFFERS, "Mallory sent his offers (%s)" % result)
    h.expect(max(answers, default=0.0) < ANSWER_WITHIN_S * 1000.0,
             "the main window answers every call during the flood within %.0f s (slowest "
             "%.1f ms)" % (ANSWER_WITHIN_S, max(answers, default=0.0)))
    time.sleep(1.0)
    h.expect(not reopened and olga.private_window() is None,
             "the flood did not open the private window again")

    if olga.private_window() is None:
        olga.open_private_window()
    h.require(olga.private_window() is not None, "Olga opens her private window")
    h.screenshot("after-flood")
    rows = transfer_rows(olga)
    h.expect(rows is not None and rows <= MAX_ENDED_ROWS,
             "the transfer panel holds at most %d rows (%r)" % (MAX_ENDED_ROWS, rows))
    h.require(rows is not None and rows <= 100, "a panel that can be read over AT-SPI")
    h.expect(E.wait_until(lambda: olga.find(olga.private_window(), role="push button",
                                            name="Принять...") is None, SLACK, 0.5),
             "no offer waits for an answer")
    titles = panel_titles(olga)
    sender = "Mallory (%s)" % mallory_addr
    h.expect(titles and all(sender in title for title in titles),
             "the rows name Mallory with his address (%r)" % titles[:3])
    clear = olga.find(olga.private_window(), role="push button", name="Убрать завершённые")
    h.require(clear is not None, "the panel has 'Убрать завершённые'")
    olga.press(clear)
    h.expect(E.wait_until(lambda: olga.private_window() is not None and
                          transfer_rows(olga) == 0, SLACK, 0.2),
             "'Убрать завершённые' clears the rows (%r left)" % transfer_rows(olga))
    h.expect(olga_copy.running(), "Olga runs on")


if __name__ == "__main__":
    sys.exit(E.run_test("offer_flood", test))
