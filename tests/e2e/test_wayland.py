#!/usr/bin/python3
"""The program on a Wayland desktop: weston's headless back end, no X display at all.

Ivan and Olga start with WAYLAND_DISPLAY set and neither DISPLAY nor QT_QPA_PLATFORM, so they
run only if they pick Qt's Wayland platform by themselves (their memory maps show the plugin).
They list each other; Ivan's public line shows in Olga's window. Olga started minimised on a
desktop without a tray: her main window stays reachable (minimised, not hidden), and weston's
protocol log shows one request to minimise it, made once the window was drawn (weston leaves a
window on screen that asked before it was shown; a copy that asked again whenever Qt reported
the window as not minimised flooded the connection until weston dropped it). A private
message from Ivan's private window to Olga, whose private window stays closed, is a
notification on the test notification service. The Caps Lock panel shows what the keyboards'
lights say, "Caps : ?" where there is none. A second start for Ivan's user and Wayland display,
with an X display named beside it, is refused with the warning and ends. Once a tray (a
StatusNotifier host) is there, Petr, started minimised, goes into it. Screenshots of the
screen are taken with weston-screenshooter.
"""
import glob
import re
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402
from test_instance import WARNING, accessible_app, start_second, wait_for_warning  # noqa: E402,E501
from test_notify import NotifyHost  # noqa: E402
from test_tray import TrayHost  # noqa: E402

SLACK = 8.0


def texts(lines):
    return [line.text for line in lines]


def wayland_plugin_loaded(copy):
    maps = Path("/proc/%d/maps" % copy.proc.pid).read_text()
    return "libqwayland" in maps and "libqxcb" not in maps


def expected_caps():
    """What the panel must say here: the keyboards' Caps Lock lights, if any."""
    lights = glob.glob("/sys/class/leds/*::capslock/brightness")
    if not lights:
        return "Caps : ?"
    lit = any(int(Path(p).read_text().strip() or "0") > 0 for p in lights)
    return "Caps : ON" if lit else "Caps : OFF"


def caps_panel(ui):
    label = ui.find(ui.main_window(), role="label", name_prefix="Caps : ")
    return ui.name(label) if label is not None else None


def second_copy_refused(h, copy):
    env = copy.environment()
    env["DISPLAY"] = ":7"  # XWayland's display beside it does not make it another desktop
    second = start_second(h, copy, env)
    h.log("started a second Ivan (pid %d) on %s with DISPLAY=:7" % (second.pid,
                                                                   env["WAYLAND_DISPLAY"]))

    ui, _caption, box = wait_for_warning(h, copy, second)
    h.log("the second copy shows %r" % WARNING)
    ui.answer(box, "OK")
    try:
        code = second.wait(15)
    except subprocess.TimeoutExpired:
        code = None
    h.expect(code == 0, "the second copy for the same user and Wayland display is refused and "
             "ends (exit code %s)" % code)


def minimise_requests(h):
    """The set_minimized requests in weston's protocol log: (client, whether that client
    had drawn a buffer before)."""
    drawn, asked = set(), []
    for line in (h.logdir / "weston.log").read_text(errors="replace").splitlines():
        m = re.search(r"client (\S+) rq (wl_surface@\d+\.attach|xdg_toplevel@\d+\.set_minimized)",
                      line)
        if m and "attach" in m.group(2):
            drawn.add(m.group(1))
        elif m:
            asked.append((m.group(1), m.group(1) in drawn))
    return asked


def png_size(path):
    data = Path(path).read_bytes()[:24]
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")


def test(h):
    h.build_network(["Ivan", "Olga", "Petr"])
    h.start_desktop(wayland=True)
    notes = NotifyHost(h)
    copies = {"Ivan": h.start_copy("Ivan"),
              "Olga": h.start_copy("Olga", config={"StartMinimized": "1",
                                                   "ShowPrivateWND": "0"})}
    env = copies["Ivan"].environment()
    h.require("DISPLAY" not in env and "QT_QPA_PLATFORM" not in env,
              "the copies get WAYLAND_DISPLAY only (no DISPLAY, no QT_QPA_PLATFORM)")
    ivan, olga = copies["Ivan"].ui(), copies["Olga"].ui()
    for nick, copy in copies.items():
        h.expect(wayland_plugin_loaded(copy), "%s runs on Qt's Wayland platform" % nick)
    E.wait_all_listed(h, {"Ivan": ivan, "Olga": olga}, ["Ivan", "Olga"],
                      E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)

    # Olga's window, minimised without a tray, is still there to be found.
    h.expect(E.wait_until(lambda: olga.main_window() is not None, SLACK),
             "without a tray Olga's window started minimised is not hidden")
    asked = minimise_requests(h)
    h.expect(len(asked) == 1 and asked[0][1],
             "one window asked weston once to minimise it, after it was first drawn (got %r)"
             % asked)

    # A public line across.
    window = ivan.main_window()
    ivan.set_text(ivan.input_box(window), "Hello from Wayland")
    ivan.press(ivan.button(window, "Отправить"))
    wanted = "Ivan -->Hello from Wayland"
    h.expect(E.wait_until(lambda: wanted in texts(olga.lines(olga.public_view())), SLACK),
             "Olga's window shows %r (got %r)" % (wanted, texts(olga.lines(olga.public_view()))))

    # A private message: Olga's private window stays closed, a notification says it.
    private = ivan.open_private_window()
    item = "Olga - %s" % copies["Olga"].addr
    E.wait_until(lambda: item in (ivan.recipient_items() or []), E.REFRESH_PERIOD + SLACK)
    box = ivan.recipient_box()
    editor = ivan.find(box, role="text", want=lambda a: "editable" in ivan.states(a))
    h.require(editor is not None, "Ivan's private window has a recipient box to type into")
    ivan.set_text(editor, item)
    ivan.set_text(ivan.input_box(private), "Привет")
    ivan.press(ivan.button(private, "Отправить"))
    h.expect(E.wait_until(lambda: texts(ivan.lines(ivan.private_view())) ==
                          ["Ivan --> Olga:", "Привет"], SLACK),
             "Ivan's private window echoes the message")
    shown = notes.wait_count(1, "a notification of Ivan's private message")
    h.expect((shown["summary"], shown["body"]) == ("Ivan", "Привет"),
             "Olga gets a notification naming Ivan with the text (got %r)" % shown)
    h.expect(olga.private_window() is None, "Olga's private window stayed closed")

    caps = expected_caps()
    h.expect(E.wait_until(lambda: caps_panel(ivan) == caps, SLACK),
             "the Caps Lock panel says %r (got %r)" % (caps, caps_panel(ivan)))

    shot = h.screenshot("wayland-windows")
    size = png_size(shot) if shot is not None else None
    h.expect(size == (1280, 1024), "weston's screen was saved as a 1280x1024 PNG (got %r)"
             % (size,))

    second_copy_refused(h, copies["Ivan"])
    h.expect(copies["Ivan"].running(), "Ivan's first copy keeps running")

    # With a tray there, a window started minimised goes into it.
    tray = TrayHost(h)
    tray.start()
    petr = h.start_copy("Petr", config={"StartMinimized": "1"})
    E.wait_until(petr.history_path().exists, E.START_TIMEOUT, what="Petr to log in")

    def petr_hidden():
        app = accessible_app(h.reader, petr.proc.pid)
        return app is not None and E.CopyUi(h.reader, petr, app).main_window() is None
    h.expect(E.wait_until(petr_hidden, SLACK), "with a tray Petr's window started minimised "
             "goes there (hidden)")
    h.expect(E.wait_until(lambda: tray.items, SLACK),
             "Petr's icon registered with the tray (got %r)" % tray.items)


if __name__ == "__main__":
    sys.exit(E.run_test("wayland", test))
