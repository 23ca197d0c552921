#!/usr/bin/python3
"""An English copy beside a Russian one.

Ann runs with LANG=en_US.UTF-8, Ivan with LANG=ru_RU.UTF-8. Ann's windows speak English
("Send", "Tools" > "Private", "Users in the chat: 2"), Ivan's Russian. What goes between them
is the same protocol byte for byte: Ann's entry notice is Ivan's with the nick changed, her
public line and her leave notice are exactly the code page 1251 bytes a Russian copy sends,
and the notices each copy receives show as they came, in Russian. Private messages
go both ways between the two languages.

Ann's clock is set to a morning hour (her own time zone), when an English regional time would
drop the leading zero: her lines are time-stamped [hh:mm:ss] all the same. An offer of files
made to her gives the size the English way, "report.pdf (1.2 KB)".
"""
import re
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402
from test_file_transfer import Script  # noqa: E402

COLORS = {"Ann": 12, "Ivan": 9}
SLACK = 8.0
NOTICE = re.compile(r'^\[\d\d:\d\d:\d\d\]  в чат входит - "(Ann|Ivan)"\.\.\.$')
LEAVE = re.compile(r'^\[\d\d:\d\d:\d\d\] "Ann" покидает чат\.\.\.$')


class EnglishUi(E.CopyUi):
    """Ann's windows, found by their English names."""

    PRIVATE_TITLE = "Palavrix - private"
    INPUT_HINT = "Type the message"

    def open_private_window(self):
        self.press(self.menu_item("Tools", "Private"))
        return E.wait_until(self.private_window, 10.0, 0.1, what="Ann's private window to open")


def texts(lines):
    return [line.text for line in lines]


def morning_zone():
    """A time zone (POSIX TZ) in which it is now 5 in the morning."""
    offset = (41 - time.gmtime().tm_hour) % 24 - 12
    return "<%+03d>%d" % (offset, -offset)


def labels(ui):
    window = ui.private_window()
    return [ui.name(a) for a in ui.find_all(window, "label")] if window is not None else []


def offer_shows_english_size(h, ann, ann_copy):
    report = h.workdir / "report.pdf"
    report.write_bytes(b"%PDF" * 300)
    sender = Script(h, "observer", [E.HERE / "file_sender.py", "offer", "--to", ann_copy.addr,
                                    "--name", "report.pdf", "--data", report], "sender")
    offered = "Mallory (%s) offers files: report.pdf (1.2 KB)" % h.net.addr("observer")
    shown = E.wait_until(lambda: offered in labels(ann), 15.0, 0.1)
    h.expect(shown, "Ann's offer row writes the size the English way: %r (labels %r)"
             % (offered, labels(ann)))
    decline = ann.find(ann.private_window(), role="push button", name="Decline")
    if decline is not None:
        ann.fire(decline)
        sender.wait("declined", 10.0)
    sender.proc.kill()


def test(h):
    h.build_network(["Ann", "Ivan", "observer"])
    h.start_desktop()
    wire = h.start_observer()
    ann_copy = h.start_copy("Ann", config={"FontColor": "12", "ShowPrivateWND": "1"},
                            lang="en_US.UTF-8", env={"TZ": morning_zone()})
    # Ivan starts once Ann has logged on (her entry notice follows her listeners' opening),
    # so that she hears his entry notice.
    E.wait_until(lambda: wire.datagrams(E.PUBLIC_PORT, ann_copy.addr), 10.0,
                 what="Ann's entry notice")
    ivan_copy = h.start_copy("Ivan", config={"FontColor": "9", "ShowPrivateWND": "1"},
                             lang="ru_RU.UTF-8")
    ann_ru = ann_copy.ui()
    ann = EnglishUi(ann_ru.r, ann_copy, ann_ru.app)
    ivan = ivan_copy.ui()
    E.wait_all_listed(h, {"Ann": ann, "Ivan": ivan}, ["Ann", "Ivan"],
                      E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)

    # The English windows.
    window = ann.main_window()
    h.require(ann.button(window, "Send") is not None, "Ann's main window has a 'Send' button")
    h.expect(ann.button(window, "Отправить") is None, "Ann's main window has no 'Отправить'")
    h.expect(ivan.button(ivan.main_window(), "Отправить") is not None,
             "Ivan's main window still has 'Отправить'")
    count = E.wait_until(lambda: ann.find(window, role="label",
                                          name="Users in the chat: 2"), E.REFRESH_PERIOD + SLACK)
    h.expect(count is not None, "Ann's status bar says 'Users in the chat: 2'")

    # Entry notices: the same bytes whatever the language, shown as they came on both sides.
    entries = {nick: [d["data"] for d in wire.datagrams(E.PUBLIC_PORT, copy.addr)][:1]
               for nick, copy in (("Ann", ann_copy), ("Ivan", ivan_copy))}
    h.expect(entries["Ann"] and entries["Ivan"] and
             entries["Ann"][0] == entries["Ivan"][0].replace(b'"Ivan"', b'"Ann"') and
             E.cp1251(" в чат входит - ") in entries["Ann"][0],
             "Ann's entry notice is Ivan's with the nick changed (got %s and %s)"
             % (E.shown(entries["Ann"]), E.shown(entries["Ivan"])))
    # Ivan started second: Ann heard his entry, he heard only his own.
    notices = [l.text for l in ann.lines(ann.public_view()) if NOTICE.match(l.text)]
    h.expect(any('"Ann"' in t for t in notices) and any('"Ivan"' in t for t in notices),
             "Ann shows her own and Ivan's entry notices in Russian, time-stamped [hh:mm:ss] "
             "at her morning hour (got %r)" % texts(ann.lines(ann.public_view())))

    # Ann's public line: the Russian copy's bytes, shown by Ivan.
    ann.set_text(ann.input_box(window), "Hello")
    ann.press(ann.button(window, "Send"))
    got = E.wait_until(lambda: "Ann -->Hello" in texts(ivan.lines(ivan.public_view())), 8.0)
    h.expect(got, "Ivan shows Ann's line 'Ann -->Hello'")
    hello = [d["data"] for d in wire.datagrams(E.PUBLIC_PORT, ann_copy.addr)][1:]
    h.expect(hello == [b"@#@12@#@Ann -->Hello"],
             "the wire carried exactly '@#@12@#@Ann -->Hello' (got %s)" % E.shown(hello))

    # Private messages from Russian to English and back.
    ivan_window = ivan.open_private_window()
    ann_item = "Ann - %s" % ann_copy.addr
    E.wait_until(lambda: ann_item in (ivan.recipient_items() or []), E.REFRESH_PERIOD + SLACK)
    editor = ivan.find(ivan.recipient_box(), role="text",
                       want=lambda a: "editable" in ivan.states(a))
    ivan.set_text(editor, ann_item)
    ivan.set_text(ivan.input_box(ivan_window), "Привет")
    ivan.press(ivan.button(ivan_window, "Отправить"))
    expected = ["Ivan --> Ann:", "Привет"]
    E.wait_until(ann.private_window, 8.0)
    shown = E.wait_until(lambda: ann.private_window() and
                         texts(ann.lines(ann.private_view())) == expected, 5.0)
    h.expect(shown, "Ann's English private window shows %r (got %r)"
             % (expected, texts(ann.lines(ann.private_view())) if ann.private_window() else None))
    h.screenshot("language-private")

    ann_window = ann.private_window()
    h.require(ann_window is not None, "Ann's private window is open")
    ivan_item = "Ivan - %s" % ivan_copy.addr
    editor = ann.find(ann.recipient_box(), role="text",
                      want=lambda a: "editable" in ann.states(a))
    ann.set_text(editor, ivan_item)
    ann.set_text(ann.input_box(ann_window), "Hi")
    ann.press(ann.button(ann_window, "Send"))
    back = ["Ivan --> Ann:", "Привет", "Ann --> Ivan:", "Hi"]
    got = E.wait_until(lambda: texts(ivan.lines(ivan.private_view())) == back, 8.0)
    h.expect(got, "Ivan's private window shows Ann's answer (got %r)"
             % texts(ivan.lines(ivan.private_view())))

    offer_shows_english_size(h, ann, ann_copy)

    # Ann leaves through the English exit question; the leave notice is the Russian one.
    ann.fire(ann.menu_item("File", "Exit..."))
    _caption, text, dialog = ann.wait_dialog("Time spent in the program: ")
    h.expect(text.endswith("Quit Palavrix?"), "Ann is asked in English (got %r)" % text)
    h.screenshot("language-exit")
    ann.answer(dialog, "OK")
    h.expect(ann_copy.wait_exit(30.0) == 0, "Ann ended cleanly")
    leave = E.cp1251('@#@19@#@"Ann" покидает чат...')
    sent = [d["data"] for d in wire.datagrams(E.PUBLIC_PORT, ann_copy.addr)]
    h.expect(sent.count(leave) == 1, "Ann's leave notice went out once as %s (got %s)"
             % (E.shown([leave]), E.shown(sent)))
    left = E.wait_until(lambda: [t for t in texts(ivan.lines(ivan.public_view()))
                                 if LEAVE.match(t)], 8.0)
    h.expect(left, "Ivan shows Ann's leave notice in Russian")
    h.screenshot("language-after")


if __name__ == "__main__":
    sys.exit(E.run_test("language", test))
