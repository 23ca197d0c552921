#!/usr/bin/python3
"""Partial files of transfers that cannot finish: a receiver killed, a link gone quiet.

Ivan and Olga run palavrix-peer; Olga takes files into a folder. Ivan sends a large file and
Olga is killed with SIGKILL as soon as its partial ("huge.bin.part") appears:

  * Ivan is told the file was not delivered (not that it was removed);
  * the partial stays on disk after the kill, listed in Olga's journal beside her folder;
  * Olga started again removes it at once, and the journal with it;
  * a file lying in the folder under a ".part" name the journal does not list, and a link
    the journal does list, are left alone.

Then Ivan sends to the restarted Olga and her link goes down mid-way (no reset, no error on
either side): both print the stall after the stall time (15 s), and after the longer silence
(60 s) both fail: Ivan's file was not delivered, Olga's partial is removed and her journal
empty.
"""
import os
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

SLACK = 8.0
HUGE = 4 * 1024 * 1024 * 1024
STALL_S = 15.0
STALL_FAIL_S = 60.0
STALLED = "Передача остановилась: нет данных, ждём связи"


def files_in(folder):
    return sorted(os.listdir(folder)) if folder.exists() else []


def test(h):
    h.build_network(["Ivan", "Olga"])
    work = h.workdir / "files"
    inbox, outbox = work / "olga", work / "ivan"
    for folder in (inbox, outbox):
        folder.mkdir(parents=True)
    journal = work / "olga.partials"
    # Zeros in a sparse file: read fast, sent for long enough to kill the receiver mid-way.
    huge = outbox / "huge.bin"
    with open(huge, "wb") as out:
        out.truncate(HUGE)
    ivan = h.start_peer("Ivan")
    olga = h.start_peer("Olga", args=["--accept-files", str(inbox)])
    E.wait_peer_lists(h, ivan, ["Olga"])

    ivan.type("/send Olga %s" % huge)
    part = inbox / "huge.bin.part"
    started = E.wait_until(lambda: part.exists() and part.stat().st_size > 0, 30.0, 0.01)
    h.require(started, "the transfer to Olga began (files: %r)" % files_in(inbox))
    olga.proc.kill()
    olga.proc.wait(10)
    h.log("killed Olga")
    lost = "Соединение прервано: файл huge.bin не доставлен"
    h.expect(ivan.wait_line(lost, 20.0),
             "Ivan said %r (got %r)" % (lost, ivan.lines()[-4:]))
    h.expect(part.exists(), "the partial is left after the kill (files: %r)" % files_in(inbox))
    listed = journal.read_bytes() if journal.exists() else b""
    h.expect(listed == (str(part) + "\n").encode(),
             "the journal lists the partial (got %r)" % listed)

    # What the sweep must leave alone: a partial nobody listed, and a listed link.
    stranger = inbox / "stranger.bin.part"
    stranger.write_bytes(b"not ours")
    target = work / "target.part"
    target.write_bytes(b"elsewhere")
    link = inbox / "link.bin.part"
    link.symlink_to(target)
    journal.write_bytes(listed + (str(link) + "\n").encode())

    olga = h.start_peer("Olga", args=["--accept-files", str(inbox)])
    gone = E.wait_until(lambda: not part.exists(), 10.0, 0.1)
    h.expect(gone, "Olga started again removed the partial (files: %r)" % files_in(inbox))
    h.expect(not journal.exists(), "the journal is gone with what it listed")
    h.expect(stranger.read_bytes() == b"not ours" and link.is_symlink()
             and target.read_bytes() == b"elsewhere",
             "an unlisted partial and a listed link are left (files: %r)" % files_in(inbox))
    link_goes_quiet(h, ivan, olga, huge, inbox, journal)
    h.expect(olga.terminate() == 0, "Olga ends with exit code 0 on SIGTERM")


def link_goes_quiet(h, ivan, olga, huge, inbox, journal):
    for leftover in ("stranger.bin.part", "link.bin.part"):
        (inbox / leftover).unlink()
    ns = h.net.ns("Olga")
    # Started again, Olga takes offers from Ivan once she lists him and has heard his copy
    # announce its file port, within one announcement period of the listing.
    E.wait_peer_lists(h, olga, ["Ivan"])
    time.sleep(E.ANNOUNCE_PERIOD + 1.0)
    ivan.type("/send Olga %s" % huge)
    part = inbox / "huge.bin.part"
    started = E.wait_until(lambda: part.exists() and part.stat().st_size > 0, 30.0, 0.01)
    h.require(started, "the second transfer to Olga began (files: %r)" % files_in(inbox))
    E._run(["ip", "-n", ns, "link", "set", "eth0", "down"])
    h.on_cleanup("Olga's link", lambda: E._run(["ip", "-n", ns, "link", "set", "eth0", "up"],
                                               check=False))
    h.log("Olga's link is down")
    for peer in (ivan, olga):
        h.expect(peer.wait_line(STALLED, STALL_S + SLACK),
                 "%s printed the stall (got %r)" % (peer.nick, peer.lines()[-4:]))
    failed = {
        ivan: "Получатель долго не отвечал: файл huge.bin не доставлен",
        olga: "Отправитель долго не присылал данных: недополученный файл huge.bin удалён",
    }
    for peer, line in failed.items():
        h.expect(peer.wait_line(line, STALL_FAIL_S - STALL_S + SLACK),
                 "%s printed %r (got %r)" % (peer.nick, line, peer.lines()[-4:]))
    h.expect(files_in(inbox) == [], "nothing is left in Olga's folder (%r)" % files_in(inbox))
    h.expect(not journal.exists(), "Olga's journal is gone again")
    E._run(["ip", "-n", ns, "link", "set", "eth0", "up"])


if __name__ == "__main__":
    sys.exit(E.run_test("partials", test))
