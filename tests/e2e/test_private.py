#!/usr/bin/python3
"""A private message between two of three copies in three namespaces.

Ivan opens the private window, finds Olga and Petr (and not himself) in the recipient box,
chooses "Olga - <her address>" and sends "Hello": his window echoes the bold header
"Ivan --> Olga:" and the body "Hello" in his colour, Olga's window opens by itself and shows
the same two lines, Petr sees nothing of it, and nothing of it is broadcast. After the copies
have ended, Ivan's history file holds the record with mIncoming 0, Olga's with mIncoming 1,
and Petr's none.
"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

COLORS = {"Ivan": 12, "Olga": 9, "Petr": 2}
SLACK = 8.0


def texts(lines):
    return [line.text for line in lines]


def test(h):
    h.build_network(["Ivan", "Olga", "Petr", "observer"])
    h.start_desktop()
    wire = h.start_observer()
    copies = {nick: h.start_copy(nick, config={"FontColor": str(COLORS[nick]),
                                               "ShowPrivateWND": "1"})
              for nick in ("Ivan", "Olga", "Petr")}
    uis = {nick: copy.ui() for nick, copy in copies.items()}
    E.wait_all_listed(h, uis, ["Ivan", "Olga", "Petr"],
                      E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)
    ivan, olga, petr = uis["Ivan"], uis["Olga"], uis["Petr"]
    olga_item = "Olga - %s" % copies["Olga"].addr
    petr_item = "Petr - %s" % copies["Petr"].addr

    # The recipient box offers the others, not Ivan himself.
    window = ivan.open_private_window()
    main_x, main_y, main_w, main_h = ivan.extents(ivan.main_window())
    x, y, w, hgt = ivan.extents(window)
    h.expect(abs((x + w / 2) - (main_x + main_w / 2)) <= 3
             and abs((y + hgt / 2) - (main_y + main_h / 2)) <= 3,
             "Ivan's private window opens centred on the main window (main window at %d,%d "
             "%dx%d, private window at %d,%d %dx%d)" % (main_x, main_y, main_w, main_h,
                                                       x, y, w, hgt))
    items = E.wait_until(lambda: ivan.recipient_items() == [olga_item, petr_item]
                         and ivan.recipient_items(), E.REFRESH_PERIOD + SLACK)
    h.require(items == [olga_item, petr_item], "Ivan's recipient box offers %s (got %r)"
              % ([olga_item, petr_item], ivan.recipient_items()))

    # Ivan chooses Olga's item and sends Hello.
    box = ivan.recipient_box()
    editor = ivan.find(box, role="text", want=lambda a: "editable" in ivan.states(a))
    h.require(editor is not None, "the recipient box can be typed into")
    ivan.set_text(editor, olga_item)
    ivan.set_text(ivan.input_box(window), "Hello")
    ivan.press(ivan.button(window, "Отправить"))

    expected = ["Ivan --> Olga:", "Hello"]
    blue = E.color_text(12)
    echo = E.wait_until(lambda: texts(ivan.lines(ivan.private_view())) == expected
                        and ivan.lines(ivan.private_view()), 5.0) or \
        ivan.lines(ivan.private_view())
    h.expect(texts(echo) == expected, "Ivan's private window echoes %s (got %r)"
             % (expected, echo))
    if len(echo) == 2:
        h.expect(echo[0].color == blue and echo[0].bold and echo[0].uniform,
                 "Ivan's echo header is bold Blue (got %r)" % echo[0])
        h.expect(echo[1].color == blue and echo[1].bold and echo[1].uniform,
                 "Ivan's echo body is Blue, still bold (got %r)" % echo[1])
    h.expect(ivan.text(ivan.input_box(window)) == "", "Ivan's private input is empty after "
             "the send (got %r)" % ivan.text(ivan.input_box(window)))

    E.wait_until(olga.private_window, 8.0)
    h.expect(olga.private_window() is not None,
             "Olga's private window opened by itself (ShowPrivateWND on)")
    got = E.wait_until(lambda: texts(olga.lines(olga.private_view())) == expected
                       and olga.lines(olga.private_view()), 5.0) if olga.private_window() else []
    got = got or (olga.lines(olga.private_view()) if olga.private_window() else [])
    h.expect(texts(got) == expected, "Olga's private window shows %s (got %r)" % (expected, got))
    if len(got) == 2:
        h.expect(got[0].color == blue and got[0].bold and got[0].uniform,
                 "Olga shows the header in bold Blue, Ivan's colour (got %r)" % got[0])
        h.expect(got[1].color == blue and got[1].uniform,
                 "Olga shows the body in Blue (got %r)" % got[1])
    h.screenshot("private-hello")

    # Petr: no window opened, nothing in it, nothing in his conversation.
    h.expect(petr.private_window() is None, "Petr's private window stayed closed")
    petr.open_private_window()
    h.expect(petr.lines(petr.private_view()) == [],
             "Petr's private window is empty (got %r)" % petr.lines(petr.private_view()))
    h.expect(all("Hello" not in line.text for line in petr.lines(petr.public_view())),
             "Petr's conversation shows nothing of it")
    broadcast = [d for d in wire.datagrams() if d["sock"] != "556"
                 and b"Hello" in d["data"]]
    h.expect(not broadcast, "nothing of the private message reached the observer (got %r)"
             % broadcast)

    for nick in ("Ivan", "Olga", "Petr"):
        _question, code = uis[nick].quit()
        h.expect(code == 0, "%s ended with exit code 0 (got %d)" % (nick, code))

    # The stores, read after the copies have ended.
    # Each store is named after its nick's code page 1251 byte values, beside the program:
    # Ivan 7311897110.dat, Olga 7910810397.dat, Petr 80101116114.dat.
    stored = {}
    for nick, copy in copies.items():
        path = copy.history_path()
        if h.expect(path.exists(), "%s's history file %s is beside the program" % (nick, path.name)):
            stored[nick] = E.history_rows(path)
    for nick, incoming in (("Ivan", 0), ("Olga", 1)):
        rows = stored.get(nick, [])
        h.expect([r[2:] for r in rows] == [("Ivan", "Olga", "Hello", "Hello", incoming)],
                 "%s's history holds (Ivan, Olga, Hello, Hello, mIncoming %d) (got %r)"
                 % (nick, incoming, rows))
        for row in rows:
            h.expect(0 < len(row[0]) <= 10 and 0 < len(row[1]) <= 8,
                     "%s's record has a date of at most 10 and a time of at most 8 characters "
                     "(got %r, %r)" % (nick, row[0], row[1]))
    h.expect(stored.get("Petr") == [], "Petr's history is empty (got %r)" % stored.get("Petr"))


if __name__ == "__main__":
    sys.exit(E.run_test("private", test))
