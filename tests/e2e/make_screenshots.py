#!/usr/bin/python3
"""Makes the pictures of docs/images from the program's own rendering (scripts/screenshots.sh).

Two copies on a private network under Xvfb, Anna in the default style and Boris in the
OrangeGlass theme, talk in public and in private; their windows are photographed as they are on
the screen: Anna's main window, her private window, Boris's main window (the second theme) and
his history browser, and Anna's settings on the network page.

  make_screenshots.py --stage <build>/Palavrix --logs <folder> [--out docs/images]
"""
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

from Xlib import X, display as xdisplay  # noqa: E402

SLACK = 10.0


def out_dir():
    for i, arg in enumerate(sys.argv):
        if arg == "--out":
            value = sys.argv[i + 1]
            del sys.argv[i:i + 2]
            return Path(value).resolve()
    return (E.HERE.parent.parent / "docs/images").resolve()


OUT = out_dir()


def settled(h, rect):
    """Waits until two pictures of the rectangle in a row are the same: drawn to the end."""
    last = h.grab(*rect)
    deadline = time.monotonic() + 5.0
    while time.monotonic() < deadline:
        time.sleep(0.15)
        now = h.grab(*rect)
        if now == last:
            return
        last = now


def raise_window(h, ui, title):
    """Puts the copy's window of that title on top (Xvfb runs no window manager)."""
    disp = xdisplay.Display(h.desktop.display)
    pid_atom = disp.intern_atom("_NET_WM_PID")
    name_atom = disp.intern_atom("_NET_WM_NAME")
    for win in disp.screen().root.query_tree().children:
        try:
            owner = win.get_full_property(pid_atom, X.AnyPropertyType)
            name = win.get_full_property(name_atom, X.AnyPropertyType)
        except Exception:
            continue
        if owner is None or owner.value[0] != ui.copy.proc.pid or name is None:
            continue
        value = name.value.decode("utf-8") if isinstance(name.value, bytes) else str(name.value)
        if value == title:
            win.configure(stack_mode=X.Above)
    disp.sync()
    disp.close()


def shoot(h, ui, window, name):
    raise_window(h, ui, ui.name(window))
    rect = ui.extents(window)
    h.require(rect[2] > 0 and rect[3] > 0, "%s is on screen" % name)
    settled(h, rect)
    path = OUT / ("%s.png" % name)
    subprocess.run(["import", "-display", h.desktop.display, "-window", "root", "-crop",
                    "%dx%d+%d+%d" % (rect[2], rect[3], rect[0], rect[1]), "+repage", "-strip",
                    "-define", "png:compression-level=9", str(path)], check=True)
    h.log("wrote %s (%d bytes)" % (path, path.stat().st_size))


def texts(ui, view):
    return [line.text for line in ui.lines(view)]


def say(h, ui, text):
    """A public message, typed and sent; waits until the sender's own view shows it."""
    ui.set_text(ui.input_box(ui.main_window()), text)
    ui.press(ui.button(ui.main_window(), "Отправить"))
    E.wait_until(lambda: any(line.endswith(text) for line in texts(ui, ui.public_view())),
                 SLACK, 0.1, what="%r in %s's conversation" % (text, ui.copy.nick))


def choose_recipient(ui, item):
    E.wait_until(lambda: item in (ui.recipient_items() or []), E.REFRESH_PERIOD + SLACK, 0.2,
                 what="%s's recipient box to offer %r" % (ui.copy.nick, item))
    editor = ui.find(ui.recipient_box(), role="text", want=lambda a: "editable" in ui.states(a))
    ui.set_text(editor, item)


def tell(ui, window, text):
    """A private message to the chosen recipient; waits for its echo."""
    before = len(texts(ui, ui.private_view()))
    ui.set_text(ui.input_box(window), text)
    ui.press(ui.button(window, "Отправить"))
    E.wait_until(lambda: len(texts(ui, ui.private_view())) >= before + 2, SLACK, 0.1,
                 what="the echo of %r" % text)


def body(h):
    OUT.mkdir(parents=True, exist_ok=True)
    h.build_network(["Anna", "Boris"])
    h.start_desktop()
    shown = {"FontColor": "12", "ShowMsgTime": "1", "ShowPrivateWND": "1"}
    anna_copy = h.start_copy("Anna", config=shown)
    anna = anna_copy.ui()
    boris_copy = h.start_copy("Boris", config=dict(shown, FontColor="9", Skin="OrangeGlass"))
    boris = boris_copy.ui()
    E.wait_all_listed(h, {"Anna": anna, "Boris": boris}, ["Anna", "Boris"],
                      E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)

    say(h, anna, "Всем привет! Обед сегодня в час?")
    say(h, boris, "Привет, Anna! Да, в час у входа.")
    say(h, anna, "Отлично, до встречи.")
    E.wait_until(lambda: len(texts(anna, anna.public_view())) >= 5, SLACK, 0.1,
                 what="Anna's conversation to show every line")
    shoot(h, anna, anna.main_window(), "main-window")
    shoot(h, boris, boris.main_window(), "theme-orangeglass")

    private = anna.open_private_window()
    choose_recipient(anna, "Boris - %s" % boris_copy.addr)
    tell(anna, private, "Boris, захвати, пожалуйста, отчёт.")
    tell(anna, private, "И флешку с презентацией.")
    boris_private = E.wait_until(boris.private_window, SLACK, 0.1,
                                 what="Boris's private window to open")
    choose_recipient(boris, "Anna - %s" % anna_copy.addr)
    tell(boris, boris_private, "Конечно, возьму.")
    E.wait_until(lambda: len(texts(anna, anna.private_view())) >= 6, SLACK, 0.1,
                 what="Boris's answer in Anna's private window")
    shoot(h, anna, private, "private-window")

    boris.press(boris.menu_item("Сервис", "История сообщений"))
    history = E.wait_until(lambda: boris.window("Palavrix - история"), SLACK, 0.1,
                           what="Boris's history browser")
    shoot(h, boris, history, "history")

    settings = anna.open_settings()
    anna.press(anna.find(settings, role="page tab", name="Сеть"))
    shoot(h, anna, settings, "settings-network")


if __name__ == "__main__":
    sys.exit(E.run_test("screenshots", body))
