#!/usr/bin/python3
"""The exit path, with a second copy and the observer watching.

"Выход..." asks "Время проведенное в программе: ... Завершить работу программы Palavrix?".
Cancel keeps everything as it was: the copy stays, its listeners answer, nothing is sent and
Chat.cfg is untouched. OK sends the leave notice '@#@19@#@"Ivan" покидает чат...' once, which
the other copy shows as a time-stamped notice, ends the program with exit code 0 and writes
Chat.cfg: 28 lines, code page 1251, CR LF, every key in its place, the values read from the
controls (odd forms in the file as it was read come back in their proper form).
"""
import re
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

SLACK = 8.0
# The two carriage returns of the question are two line breaks on the screen: a Qt label
# breaks lines at LF, so the box may show them as LF.
QUESTION = re.compile(r"^Время проведенное в программе: (\d+) дн\.  (\d+) ч\. (\d+) мин\. "
                      r"(\d+) сек\.(?:\r\r|\n\n)Завершить работу программы Palavrix\?$")
LEAVE = re.compile(r'^\[[0-9:]+\] "Ivan" покидает чат\.\.\.$')

# Lines of Ivan's Chat.cfg that the program reads in a form other than the one it writes.
ODD_LINES = {
    1: "x=12",                     # only the position of a line counts, not its key
    8: "ShowIP=yes",               # anything but "1" is off
    9: "RedrawUsrWnd=0",           # held to the track bar's range 1 to 24
    17: "IncommingMsgClr=abc",     # never read while IgnUsrClr is off: written back as it was
    26: "MainPort=abc",            # never read while ChangePort is off
}


def expected_config(ivan_addr):
    broadcast = ivan_addr.rsplit(".", 1)[0] + ".255"
    return [
        "FontColor=12", "BGColor=15", "AlphaBlend=0", "AlphaBlendValue=17", "ShowMainWND=0",
        "PlaySndOnRcv=0", "ShowMsgTime=0", "ShowIP=0", "RedrawUsrWnd=1", "ShowPrivateWND=1",
        "PlaySndOnPrivateRcv=0", "AutoLogon=1", "SavedNick=Ivan", "StartMinimized=0",
        None,  # Skin: no skin was chosen; what is written then is the program's choice
        "IgnUsrClr=0", "IncommingMsgClr=abc", "SelectHistoryClr=0", "IncClr=9", "OutClr=4",
        "SysClr=19", "AutoRun=0", "ChangeIP=0", "BroadcastIP=" + broadcast, "ChangePort=0",
        "MainPort=555", "PrivatePort=557", "SystemPort=556",
    ]


def seconds(match):
    d, hours, m, s = (int(g) for g in match.groups())
    return d * 86400 + hours * 3600 + m * 60 + s


def test(h):
    h.build_network(["Ivan", "Olga", "observer"])
    h.start_desktop()
    wire = h.start_observer()
    ivan_copy = h.start_copy("Ivan", raw_lines=ODD_LINES)
    olga_copy = h.start_copy("Olga")
    ivan, olga = ivan_copy.ui(), olga_copy.ui()
    E.wait_all_listed(h, {"Ivan": ivan, "Olga": olga}, ["Ivan", "Olga"],
                      E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK)
    leave = E.cp1251('@#@19@#@"Ivan" покидает чат...')

    # The question, answered with Cancel.
    ivan.fire(ivan.menu_item("Файл", "Выход..."))
    caption, text, dialog = ivan.wait_dialog("Время проведенное в программе: ")
    h.screenshot("exit-question")
    first = QUESTION.match(text)
    h.expect(caption == "Palavrix" and first is not None,
             "the exit question reads 'Время проведенное в программе: D дн.  H ч. M мин. "
             "S сек.', two line breaks, 'Завершить работу программы Palavrix?' in a 'Palavrix' "
             "box (got %r, %r)" % (caption, text))
    lived = time.monotonic() - ivan_copy.started_at
    if first:
        h.expect(seconds(first) <= lived + 1,
                 "the time in the question (%d s) is not more than Ivan has run (%.1f s)"
                 % (seconds(first), lived))
    for answer in ("OK", "Cancel"):
        h.expect(ivan.find(dialog, role="push button", name=answer) is not None,
                 "the exit question offers %r" % answer)
    ivan.answer(dialog, "Cancel")
    E.wait_until(lambda: not ivan.dialogs(), 5.0)
    h.expect(not ivan.dialogs(), "Cancel closes the question")
    time.sleep(0.5)
    h.expect(ivan_copy.running(), "Ivan goes on after Cancel")
    h.expect(ivan_copy.config_file() == ivan_copy.config_written,
             "Cancel leaves Chat.cfg untouched")
    wire.send(ivan_copy.addr, E.SYSTEM_PORT, b"@#@5@#@Watcher")
    answered = E.wait_until(lambda: wire.datagrams("probe", ivan_copy.addr), 5.0)
    h.expect(answered, "Ivan's listeners still answer after Cancel")
    h.expect(leave not in [d["data"] for d in wire.datagrams(E.PUBLIC_PORT, ivan_copy.addr)],
             "Cancel sends no leave notice")

    # The question again, answered with OK.
    text, code = ivan.quit()
    second = QUESTION.match(text)
    h.expect(second is not None and first is not None and seconds(second) >= seconds(first),
             "the second question counts on from the first (got %r)" % text)
    h.expect(code == 0, "Ivan ended with exit code 0 (got %d)" % code)

    sent = [d["data"] for d in wire.datagrams(E.PUBLIC_PORT, ivan_copy.addr)]
    h.expect(sent.count(leave) == 1 and sent[-1] == leave,
             "Ivan's last public datagram is the leave notice %s, sent once (got %s)"
             % (E.shown(leave), E.shown(sent)))
    notice = E.wait_until(lambda: [l for l in olga.lines(olga.public_view())
                                   if LEAVE.match(l.text)], 5.0)
    h.expect(notice and notice[0].color == E.color_text(19) and len(notice) == 1,
             "Olga shows '[time] \"Ivan\" покидает чат...' once in Med Gray (got %r)"
             % olga.lines(olga.public_view()))

    # Chat.cfg as the close wrote it.
    raw = ivan_copy.config_file()
    h.expect(raw.endswith(b"\r\n") and raw.count(b"\r\n") == 28
             and raw.count(b"\n") == 28 and raw.count(b"\r") == 28,
             "Chat.cfg has 28 lines, each ended by CR LF (got %d CR LF)" % raw.count(b"\r\n"))
    lines = raw.decode("cp1251").split("\r\n")[:-1]
    want = expected_config(ivan_copy.addr)
    for number, (got, expected) in enumerate(zip(lines, want), start=1):
        if expected is None:
            h.expect(got.startswith("Skin="), "Chat.cfg line %d starts 'Skin=' (got %r)"
                     % (number, got))
        else:
            h.expect(got == expected, "Chat.cfg line %d is %r (got %r)" % (number, expected, got))


if __name__ == "__main__":
    sys.exit(E.run_test("exit", test))
