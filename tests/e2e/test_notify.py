#!/usr/bin/python3
"""Desktop notifications, with a test-only notification service on the session bus
(notify_host.py) and a notification area (tray_host.py) to hide the main window in.

Olga's private window is closed when Ivan's private message arrives: a notification names
Ivan and shows the first line, its markup characters escaped for a service that reads markup.
A click on it opens her private window. An offer of files made to her before that is notified
too, with the names and the size. With her main window in the tray a public line that
merely contains "Olga" inside a word shows nothing; the next, naming her, shows a
notification, and a click on it brings the main window back. With the settings window's box
unchecked a private message shows nothing; checked again, the next one shows. At exit the
box's state is in Options.cfg beside Chat.cfg, and Chat.cfg keeps its 28 lines.
"""
import json
import subprocess
import sys
import threading
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402
from test_file_transfer import Script  # noqa: E402
from test_tray import Screen, TrayHost  # noqa: E402

SLACK = 8.0
BOX = "О приватных сообщениях\nи обращениях по нику"


class NotifyHost:
    """The test's notification service: what it was asked to show, and clicks."""

    def __init__(self, h):
        self.h = h
        self.shown = []
        self.asked = 0    # GetCapabilities calls
        self.closed = []  # ids taken off the screen
        self.proc = subprocess.Popen(
            [E.SYSTEM_PYTHON, str(E.HERE / "notify_host.py")], stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=open(h.logdir / "notify_host.stderr", "ab"),
            env=dict(h.desktop.env), start_new_session=True, preexec_fn=E._die_with_harness)
        h.record_process(self.proc.pid)
        h.on_cleanup("notification service", self.stop)
        first = json.loads(self.proc.stdout.readline() or "{}")
        if not first.get("owned"):
            raise E.TestFailure("the test notification service did not get its bus name")
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            event = json.loads(line)
            if "capabilities" in event:
                self.asked += 1
            if "close" in event:
                self.closed.append(event["close"])
            if "notify" not in event:
                continue
            shown = event["notify"]
            self.h.log("notification %d: %r / %r" % (shown["id"], shown["summary"],
                                                      shown["body"]))
            self.shown.append(shown)

    def wait_count(self, count, what):
        E.wait_until(lambda: len(self.shown) >= count, SLACK, 0.1, what=what)
        return self.shown[count - 1]

    def click(self, shown):
        self.proc.stdin.write((json.dumps({"click": shown["id"]}) + "\n").encode())
        self.proc.stdin.flush()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                E._stop_group(self.proc)


def test(h):
    h.build_network(["Olga", "observer"])
    h.start_desktop()
    screen = Screen(h)
    TrayHost(h).start()
    notes = NotifyHost(h)
    observer = h.start_observer()
    olga_copy = h.start_copy("Olga", config={"ShowPrivateWND": "0"})
    olga = olga_copy.ui()
    E.wait_until(olga_copy.history_path().exists, E.START_TIMEOUT, what="Olga to log in")
    pid = olga_copy.proc.pid

    def send(port, text):
        observer.send(olga_copy.addr, port, E.cp1251(text))

    # An offer of files while the private window is closed.
    report = h.workdir / "report.pdf"
    report.write_bytes(b"%PDF" * 300)
    sender = Script(h, "observer", [E.HERE / "file_sender.py", "offer", "--to", olga_copy.addr,
                                    "--name", "report.pdf", "--data", report], "sender")
    offered = notes.wait_count(1, "a notification of Mallory's offer")
    h.expect((offered["summary"], offered["body"]) ==
             ("Mallory (%s) предлагает файлы" % h.net.addr("observer"), "report.pdf (1,2 КБ)"),
             "the notification names the sender and its address, the file and its size "
             "(got %r)" % offered)
    sender.proc.kill()

    # A private message while the private window is closed.
    send(E.PRIVATE_PORT, "@#@4@#@Ivan --> Olga: Hello <b>you</b> & me\r\nsecond line")
    first = notes.wait_count(2, "a notification of Ivan's private message")
    h.expect((first["app"], first["summary"], first["body"]) ==
             ("Palavrix", "Ivan", "Hello &lt;b&gt;you&lt;/b&gt; &amp; me"),
             "the notification names Ivan and shows the first line, markup escaped (got %r)"
             % first)
    h.expect(first["actions"][:1] == ["default"] and olga.private_window() is None,
             "it can be clicked, and the private window stayed closed (ShowPrivateWND off)")
    notes.click(first)
    window = E.wait_until(olga.private_window, SLACK, 0.1)
    h.expect(window is not None, "a click on it opens Olga's private window")
    if window is not None:
        lines = [line.text for line in olga.lines(olga.private_view())]
        h.expect(lines[:2] == ["Ivan --> Olga:", "Hello <b>you</b> & me"],
                 "the private window shows the message (got %r)" % lines)

    # The main window goes to the tray; public lines arrive.
    screen.close(pid)
    h.require(E.wait_until(lambda: not screen.mapped(pid), SLACK),
              "the window system's close hides Olga's main window to the tray")
    send(E.PUBLIC_PORT, "@#@4@#@Ivan -->Olgas cat and Bolga")
    send(E.PUBLIC_PORT, "@#@4@#@Ivan -->where is OLGA?\r\nanyone?")
    second = notes.wait_count(3, "a notification of the public line naming Olga")
    h.expect((second["summary"], second["body"]) == ("Ivan в общем чате", "where is OLGA?"),
             "only the line naming Olga is notified, with its first line (got %r)" % second)
    h.screenshot("notify-in-tray")
    notes.click(second)
    h.expect(E.wait_until(lambda: screen.mapped(pid), SLACK),
             "a click on it brings Olga's main window back from the tray")

    # The settings window's box: off, nothing; on again, the next message is shown.
    settings = olga.open_settings()
    box = olga.find(settings, role="check box", name=BOX)
    h.require(box is not None and "checked" in olga.states(box),
              "the settings window has the notification box, checked by default")
    h.screenshot("notify-settings")
    olga.press(box)
    h.require(E.wait_until(lambda: "checked" not in olga.states(box), 5.0), "the box is off")
    send(E.PRIVATE_PORT, "@#@4@#@Ivan --> Olga: while off")
    h.require(E.wait_until(lambda: "while off" in [line.text for line in
                                                   olga.lines(olga.private_view())], SLACK),
              "Olga's private window shows the message that came while the box was off")
    olga.press(box)
    h.require(E.wait_until(lambda: "checked" in olga.states(box), 5.0), "the box is on again")
    send(E.PRIVATE_PORT, "@#@4@#@Ivan --> Olga: while on")
    third = notes.wait_count(4, "a notification once the box is on again")
    h.expect(third["body"] == "while on",
             "nothing was shown while the box was off (the next notification is %r)"
             % third["body"])

    olga.press(box)
    h.require(E.wait_until(lambda: "checked" not in olga.states(box), 5.0), "the box is off")
    olga.quit()
    options = (olga_copy.folder / "Options.cfg").read_bytes()
    h.expect(b"Notifications=0" in options.split(b"\n"),
             "Options.cfg beside Chat.cfg holds the box's state (got %r)" % options)
    config = olga_copy.config_file()
    h.expect(config.count(b"\r\n") == 28 and b"Notifications" not in config,
             "Chat.cfg keeps its 28 lines and no new key")


if __name__ == "__main__":
    sys.exit(E.run_test("notify", test))
