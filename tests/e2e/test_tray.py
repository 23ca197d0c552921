#!/usr/bin/python3
"""The main window with and without a notification area, and a tray that comes and goes.

The desktop's tray is a test-only StatusNotifierWatcher on the session bus (tray_host.py).
  * Olga starts minimised on a desktop without a tray: her window stays on screen (it is
    minimised, not hidden, where nothing could bring it back); the window system's close
    command does not hide it either.
  * Ivan starts minimised while the tray is there: his window goes to the tray (unmapped).
    The tray goes away: his window comes back by itself, minimised. The tray comes back: the
    window system's close command hides his window to the tray again.
Xvfb runs no window manager, so a minimised window stays mapped: mapped means reachable.
"""
import json
import subprocess
import sys
import threading
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

from Xlib import X, display as xdisplay, protocol  # noqa: E402

SLACK = 8.0
FOLLOW = 2.0 + SLACK  # the program looks at the tray every 2 s


class TrayHost:
    """The test's notification area; start() and stop() make it come and go."""

    def __init__(self, h):
        self.h = h
        self.proc = None
        self.items = []

    def start(self):
        self.proc = subprocess.Popen(
            [E.SYSTEM_PYTHON, str(E.HERE / "tray_host.py")], stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=open(self.h.logdir / "tray_host.stderr", "ab"),
            env=dict(self.h.desktop.env), start_new_session=True,
            preexec_fn=E._die_with_harness)
        self.h.record_process(self.proc.pid)
        self.h.on_cleanup("tray host", self.stop)
        first = json.loads(self.proc.stdout.readline() or "{}")
        if not first.get("owned"):
            raise E.TestFailure("the test tray did not get its bus name (tray_host.stderr)")
        threading.Thread(target=self._read, args=(self.proc,), daemon=True).start()
        self.h.log("the tray is there")

    def _read(self, proc):
        for line in proc.stdout:
            self.items.append(json.loads(line).get("item"))
            self.h.log("an icon registered with the tray: %s" % self.items[-1])

    def stop(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                E._stop_group(self.proc)
            self.h.log("the tray went away")


class Screen:
    """The X side: a copy's main window, whether it is mapped, and the close command."""

    def __init__(self, h):
        self.d = xdisplay.Display(h.desktop.display)
        self.h = h

    def main_window(self, pid):
        pid_atom = self.d.intern_atom("_NET_WM_PID")
        for win in self.d.screen().root.query_tree().children:
            try:
                if win.get_wm_name() != E.CopyUi.MAIN_TITLE:
                    continue
                owner = win.get_full_property(pid_atom, X.AnyPropertyType)
            except Exception:
                continue
            if owner is not None and owner.value[0] == pid:
                return win
        return None

    def mapped(self, pid):
        win = self.main_window(pid)
        return win is not None and win.get_attributes().map_state == X.IsViewable

    def close(self, pid):
        """The window system's close command: WM_DELETE_WINDOW."""
        win = self.main_window(pid)
        protocols = self.d.intern_atom("WM_PROTOCOLS")
        delete = self.d.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=win, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        win.send_event(event)
        self.d.flush()


def started(h, screen, copy):
    """Waits until a copy has logged in (its history file is opened at the end of the
    start-up) and its minimise request has been handled."""
    E.wait_until(lambda: screen.main_window(copy.proc.pid) is not None, E.START_TIMEOUT,
                 what="%s's main window to exist" % copy.nick)
    E.wait_until(copy.history_path().exists, E.START_TIMEOUT,
                 what="%s to log in" % copy.nick)
    E.wait_until(lambda: False, 1.0)


def test(h):
    h.build_network(["Olga", "Ivan"])
    h.start_desktop()
    screen = Screen(h)
    tray = TrayHost(h)

    olga = h.start_copy("Olga", config={"StartMinimized": "1"})
    started(h, screen, olga)
    h.expect(screen.mapped(olga.proc.pid),
             "without a tray Olga's window started minimised stays reachable (mapped)")
    screen.close(olga.proc.pid)
    E.wait_until(lambda: False, 1.0)
    h.expect(screen.mapped(olga.proc.pid) and olga.running(),
             "without a tray the window system's close leaves Olga's window reachable")

    tray.start()
    ivan = h.start_copy("Ivan", config={"StartMinimized": "1"})
    started(h, screen, ivan)
    gone = E.wait_until(lambda: not screen.mapped(ivan.proc.pid), SLACK)
    h.expect(gone, "with a tray Ivan's window started minimised goes to the tray (unmapped)")
    h.expect(E.wait_until(lambda: tray.items, SLACK), "Ivan's icon registered with the tray")
    h.screenshot("tray-ivan-in-tray")

    tray.stop()
    back = E.wait_until(lambda: screen.mapped(ivan.proc.pid), FOLLOW)
    h.expect(back, "when the tray goes away Ivan's window comes back by itself")
    h.screenshot("tray-gone-ivan-back")

    tray.start()
    E.wait_until(lambda: False, FOLLOW - SLACK + 0.5)  # one look at the tray by the program
    screen.close(ivan.proc.pid)
    hidden = E.wait_until(lambda: not screen.mapped(ivan.proc.pid), FOLLOW)
    h.expect(hidden, "with the tray back the window system's close hides Ivan's window again")
    h.expect(ivan.running() and olga.running(), "both copies keep running")


if __name__ == "__main__":
    sys.exit(E.run_test("tray", test))
