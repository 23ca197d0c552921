#!/usr/bin/python3
"""A window copy and two headless peers in three namespaces.

Ivan runs the program with its windows; Olga and Petr run palavrix-peer. Each side sees the
others: Ivan lists all three, Olga's "/users" lists Ivan and Petr. Public lines go both ways
(Olga's typed line shows in Ivan's conversation and Ivan's in both peers' output), private
messages go both ways between Ivan and Olga (the record stored on Ivan's side, Petr sees
nothing of it), and SIGTERM makes a peer leave with its leave notice and exit code 0.
"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

SLACK = 8.0


def texts(ui, view):
    return [line.text for line in ui.lines(view)] if view is not None else []


def test(h):
    h.build_network(["Ivan", "Olga", "Petr"])
    h.start_desktop()
    ivan_copy = h.start_copy("Ivan", config={"FontColor": "12", "ShowPrivateWND": "1"})
    olga = h.start_peer("Olga")
    petr = h.start_peer("Petr")
    ivan = ivan_copy.ui()
    listed = E.wait_until(lambda: ivan.listed() == ["Ivan", "Olga", "Petr"],
                          E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)
    h.require(listed, "Ivan lists Ivan, Olga and Petr (got %r)" % ivan.listed())
    h.expect(olga.wait_line(lambda l: l.endswith(' в чат входит - "Ivan"...'), 5.0),
             "Olga printed Ivan's entry notice (got %r)" % olga.lines())

    # Public lines both ways.
    olga.type("Привет из консоли")
    shown = E.wait_until(lambda: "Olga -->Привет из консоли" in texts(ivan, ivan.public_view()),
                         8.0)
    h.expect(shown, "Ivan shows Olga's line (got %r)" % texts(ivan, ivan.public_view()))
    window = ivan.main_window()
    ivan.set_text(ivan.input_box(window), "Hello peers")
    ivan.press(ivan.button(window, "Отправить"))
    for peer in (olga, petr):
        h.expect(peer.wait_line("Ivan -->Hello peers", 8.0),
                 "%s printed Ivan's line (got %r)" % (peer.nick, peer.lines()))
    h.expect(petr.wait_line("Olga -->Привет из консоли", 5.0),
             "Petr printed Olga's line (got %r)" % petr.lines())

    # A private message from the peer to the window copy.
    E.wait_until(lambda: (olga.type("/users") or True) and
                 olga.wait_line("Ivan - %s" % ivan_copy.addr, 1.0), E.REFRESH_PERIOD + SLACK)
    olga.type("/msg Ivan Тайное слово")
    h.expect(olga.wait_line("Olga --> Ivan: Тайное слово", 5.0),
             "Olga printed her own echo (got %r)" % olga.lines())
    E.wait_until(ivan.private_window, 8.0)
    expected = ["Olga --> Ivan:", "Тайное слово"]
    got = E.wait_until(lambda: texts(ivan, ivan.private_view()) == expected, 8.0)
    h.expect(got, "Ivan's private window shows %s (got %r)"
             % (expected, texts(ivan, ivan.private_view())))

    # And back from the window copy to the peer.
    private = ivan.private_window()
    h.require(private is not None, "Ivan's private window is open")
    item = "Olga - %s" % olga.addr
    box = ivan.recipient_box()
    editor = ivan.find(box, role="text", want=lambda a: "editable" in ivan.states(a))
    ivan.set_text(editor, item)
    ivan.set_text(ivan.input_box(private), "Answer")
    ivan.press(ivan.button(private, "Отправить"))
    h.expect(olga.wait_line("Ivan --> Olga: Answer", 8.0),
             "Olga printed Ivan's private answer (got %r)" % olga.lines())
    h.expect(not any("Тайное" in l or "Answer" in l for l in petr.lines()),
             "Petr saw nothing of the private messages (got %r)" % petr.lines())

    # SIGTERM: the leave notice, then exit code 0.
    code = petr.terminate()
    h.expect(code == 0, "Petr's peer ended with exit code 0 on SIGTERM (got %r)" % code)
    left = E.wait_until(lambda: any(t.endswith('"Petr" покидает чат...')
                                    for t in texts(ivan, ivan.public_view())), 5.0)
    h.expect(left, "Ivan shows Petr's leave notice (got %r)" % texts(ivan, ivan.public_view()))
    h.expect(olga.wait_line(lambda l: l.endswith('"Petr" покидает чат...'), 5.0),
             "Olga printed Petr's leave notice (got %r)" % olga.lines())

    _question, code = ivan.quit()
    h.expect(code == 0, "Ivan ended with exit code 0 (got %d)" % code)
    rows = E.history_rows(ivan_copy.history_path(), "mSender, mReceiver, mFullText, mIncoming")
    h.expect(rows == [("Olga", "Ivan", "Тайное слово", 1), ("Ivan", "Olga", "Answer", 0)],
             "Ivan's history holds both private messages (got %r)" % rows)
    olga.proc.stdin.close()
    code = olga.proc.wait(10)
    h.expect(code == 0, "Olga's peer ended with exit code 0 at the end of its input (got %r)"
             % code)


if __name__ == "__main__":
    sys.exit(E.run_test("peer", test))
