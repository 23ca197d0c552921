#!/usr/bin/python3
"""The public conversation across three copies in three namespaces.

Ivan's "Hello", typed into the input box and sent with "Отправить", goes out as exactly the
21 bytes "@#@12@#@Ivan -->Hello" and comes back to every view, his own included, as the line
"Ivan -->Hello" in his colour; Olga's Cyrillic line travels in code page 1251 and shows in her
colour; entry notices show time-stamped in the notice colour; a foreign peer's line sent to
one copy shows there alone and is answered by one empty datagram; an empty input sends
nothing and says so.
"""
import re
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

COLORS = {"Ivan": 12, "Olga": 9, "Petr": 2}
NOTICE = re.compile(r'^\[[0-9:]+\]  в чат входит - "(Ivan|Olga|Petr)"\.\.\.$')
SLACK = 8.0


def chat_lines(ui):
    """The conversation without the entry notices."""
    return [line for line in ui.lines(ui.public_view()) if not NOTICE.match(line.text)]


def wait_chat(ui, expected, timeout=8.0):
    return E.wait_until(lambda: [l.text for l in chat_lines(ui)] == expected and chat_lines(ui),
                        timeout) or chat_lines(ui)


def test(h):
    h.build_network(["Ivan", "Olga", "Petr", "observer"])
    h.start_desktop()
    wire = h.start_observer()
    copies = {nick: h.start_copy(nick, config={"FontColor": str(COLORS[nick])})
              for nick in ("Ivan", "Olga", "Petr")}
    uis = {nick: copy.ui() for nick, copy in copies.items()}
    E.wait_all_listed(h, uis, ["Ivan", "Olga", "Petr"],
                      E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)

    # Entry notices: time-stamped, two blanks after the stamp, in the notice colour.
    for nick, ui in uis.items():
        notices = [l for l in ui.lines(ui.public_view()) if NOTICE.match(l.text)]
        h.expect(any(('"%s"' % nick) in l.text for l in notices),
                 "%s shows its own entry notice (got %r)" % (nick, notices))
        h.expect(all(l.color == E.color_text(19) and l.uniform for l in notices),
                 "%s shows entry notices in Med Gray (got %r)" % (nick, notices))

    # Ivan types Hello and presses "Отправить".
    ivan = uis["Ivan"]
    window = ivan.main_window()
    box = ivan.input_box(window)
    h.require(box is not None, "Ivan's main window has the message input box")
    ivan.set_text(box, "Hello")
    ivan.press(ivan.button(window, "Отправить"))
    for nick, ui in uis.items():
        got = wait_chat(ui, ["Ivan -->Hello"])
        h.expect([l.text for l in got] == ["Ivan -->Hello"],
                 "%s shows the line 'Ivan -->Hello' once (got %r)" % (nick, got))
        if got:
            h.expect(got[0].color == E.color_text(12) and got[0].uniform,
                     "%s shows Ivan's line in Blue (got %r)" % (nick, got[0]))
    h.expect(ivan.text(box) == "", "Ivan's input box is empty after the send (got %r)"
             % ivan.text(box))
    hello = [d["data"] for d in wire.datagrams(E.PUBLIC_PORT, copies["Ivan"].addr)][1:]
    h.expect(hello == [b"@#@12@#@Ivan -->Hello"] and len(hello[0]) == 21,
             "the wire carried exactly the 21 bytes '@#@12@#@Ivan -->Hello' (got %s)"
             % E.shown(hello))
    h.screenshot("public-hello")

    # Olga's Cyrillic line: code page 1251 on the wire, her colour on every view.
    olga = uis["Olga"]
    olga.set_text(olga.input_box(olga.main_window()), "Привет всем")
    olga.press(olga.button(olga.main_window(), "Отправить"))
    for nick, ui in uis.items():
        got = wait_chat(ui, ["Ivan -->Hello", "Olga -->Привет всем"])
        h.expect([l.text for l in got] == ["Ivan -->Hello", "Olga -->Привет всем"],
                 "%s shows Olga's line after Ivan's (got %r)" % (nick, got))
        if len(got) == 2:
            h.expect(got[1].color == E.color_text(9),
                     "%s shows Olga's line in Red (got %r)" % (nick, got[1]))
    sent = [d["data"] for d in wire.datagrams(E.PUBLIC_PORT, copies["Olga"].addr)][1:]
    h.expect(sent == [E.cp1251("@#@9@#@Olga -->Привет всем")],
             "Olga's line went out in code page 1251 (got %s)" % E.shown(sent))

    # A foreign peer talks to Petr alone: Petr shows it in its colour and answers once.
    petr = copies["Petr"]
    wire.send(petr.addr, E.PUBLIC_PORT, b"@#@5@#@Watcher -->ping")
    got = wait_chat(uis["Petr"], ["Ivan -->Hello", "Olga -->Привет всем", "Watcher -->ping"])
    h.expect([l.text for l in got][-1:] == ["Watcher -->ping"],
             "Petr shows the foreign line 'Watcher -->ping' (got %r)" % got)
    if got:
        h.expect(got[-1].color == E.color_text(5), "Petr shows it in Purple (got %r)" % got[-1])
    E.wait_until(lambda: wire.datagrams("probe", petr.addr), 5.0)
    time.sleep(0.5)  # a second, wrong answer would come right behind the first
    replies = wire.datagrams("probe", petr.addr)
    h.expect([(d["sport"], d["data"]) for d in replies] == [(E.PUBLIC_PORT, b"")],
             "Petr answered with one empty datagram from port %d (got %r)"
             % (E.PUBLIC_PORT, [(d["sport"], d["data"]) for d in replies]))
    for nick in ("Ivan", "Olga"):
        h.expect(all("ping" not in l.text for l in chat_lines(uis[nick])),
                 "%s, who was not sent the foreign line, does not show it" % nick)

    # An empty input: the notice, and nothing on the wire.
    before = len(wire.datagrams(E.PUBLIC_PORT, copies["Ivan"].addr))
    ivan.fire(ivan.button(window, "Отправить"))
    caption, text, dialog = ivan.wait_dialog("Введите текст")
    h.expect((caption, text) == ("Palavrix", "Введите текст сообщения для отправки!"),
             "an empty send says 'Введите текст сообщения для отправки!' in a 'Palavrix' box "
             "(got %r, %r)" % (caption, text))
    h.screenshot("public-empty-input")
    ivan.answer(dialog, "OK")
    E.wait_until(lambda: not ivan.dialogs(), 5.0)
    after = [d["data"] for d in wire.datagrams(E.PUBLIC_PORT, copies["Ivan"].addr)][before:]
    h.expect(after == [], "an empty input sends nothing (got %r)" % after)


if __name__ == "__main__":
    sys.exit(E.run_test("public", test))
