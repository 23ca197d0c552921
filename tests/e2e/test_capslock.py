#!/usr/bin/python3
"""The Caps Lock panel of the status bar follows the keyboard.

One copy runs on the Xvfb display; the test toggles Caps Lock through the X server's test
extension, as a key press on the keyboard would. The panel reads "Caps : OFF", then "Caps : ON" after one press, then "Caps : OFF"
again after the next.
"""
import ctypes
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

CAPS_LOCK_KEYSYM = 0xFFE5
FOLLOW = 3.0  # the panel is told of the change at once; this only bounds the wait


class Keyboard:
    """Key presses through XTest on the test's display."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError("cannot open the display %s" % display)

    def tap(self, keysym):
        code = self.x11.XKeysymToKeycode(self.display, keysym)
        self.xtst.XTestFakeKeyEvent(self.display, code, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.display, code, 0, 0)
        self.x11.XSync(self.display, 0)

    def close(self):
        self.x11.XCloseDisplay(self.display)


def test(h):
    h.build_network(["Ivan"])
    h.start_desktop()
    ui = h.start_copy("Ivan").ui()
    keyboard = Keyboard(h.desktop.display)
    h.on_cleanup("keyboard", keyboard.close)

    def panel():
        label = ui.find(ui.main_window(), role="label", name_prefix="Caps : ")
        return ui.name(label) if label is not None else None

    def expect_panel(expected):
        got = E.wait_until(lambda: panel() == expected, FOLLOW, 0.05)
        h.expect(got, "the Caps Lock panel reads %r (got %r)" % (expected, panel()))

    expect_panel("Caps : OFF")
    keyboard.tap(CAPS_LOCK_KEYSYM)
    expect_panel("Caps : ON")
    keyboard.tap(CAPS_LOCK_KEYSYM)
    expect_panel("Caps : OFF")

if __name__ == "__main__":
    sys.exit(E.run_test("capslock", test))
