#!/usr/bin/python3
"""The program finds its files beside itself, wherever it is started from.

Ivan's copy is started from a working folder of its own (as a menu, an autostart entry or a
terminal elsewhere would start it), with AutoRun=1 in its Chat.cfg. It logs in with the saved
nick without asking (so it read the Chat.cfg beside it), shows no error, opens the history
file beside the program, and writes the autostart entry naming the program and its folder.
At exit Chat.cfg is written beside the program. The working folder stays empty.
"""
import os
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

SLACK = 8.0


def test(h):
    h.build_network(["Ivan"])
    h.start_desktop()
    elsewhere = h.workdir / "elsewhere"
    elsewhere.mkdir()
    copy = h.start_copy("Ivan", config={"AutoRun": "1", "FontColor": "12"}, cwd=elsewhere)
    ui = copy.ui()
    E.wait_all_listed(h, {"Ivan": ui}, ["Ivan"], E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)
    h.expect(not ui.dialogs(), "no message box is open (got %r)" % [
        (caption, labels) for caption, labels, _ in ui.dialogs()])
    history = copy.history_path()
    h.expect(E.wait_until(history.exists, 5.0), "the history file %s is beside the program"
             % history.name)

    entry = copy.home / ".config" / "autostart" / "Palavrix.desktop"
    lines = entry.read_text().splitlines() if entry.exists() else []
    h.expect("Exec=%s" % (copy.folder / "Palavrix") in lines,
             "the autostart entry starts the program by its full path (got %r)" % lines)
    h.expect("Path=%s" % copy.folder in lines,
             "the autostart entry names the program's folder (got %r)" % lines)

    config = copy.folder / "Chat.cfg"
    os.utime(config, (0, 0))  # so the write at exit shows even when the bytes are the same
    _text, code = ui.quit()
    h.expect(code == 0, "Ivan ends with exit code 0 (got %s)" % code)
    saved = copy.config_file()
    h.expect(config.stat().st_mtime > 0 and b"FontColor=12\r\n" in saved
             and saved.count(b"\r\n") == 28,
             "Chat.cfg beside the program was written at exit (%d bytes)" % len(saved))
    left = sorted(p.name for p in elsewhere.iterdir())
    h.expect(left == [], "nothing was written to the working folder (found %r)" % left)
    stray = copy.home / "Chat.cfg"
    h.expect(not stray.exists(), "no Chat.cfg appeared in the home folder")


if __name__ == "__main__":
    sys.exit(E.run_test("files", test))
