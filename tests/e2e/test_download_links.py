#!/usr/bin/python3
"""Symbolic links in the download folder never take a received file out of it.

Olga runs palavrix-peer taking files into a folder where someone has planted a dangling link
notes.txt pointing outside it, and a link "notes (1).txt.part" to a file outside. Mallory, a
host in a namespace of its own that behaves on the wire as a copy (presence, file port, offer
from that port), sends notes.txt:

  * the file arrives whole inside the folder under the next free name, "notes (2).txt";
  * nothing is created where the dangling link points, and the file the other link names is
    untouched;
  * both links are still there, and nothing else is left in the folder.
"""
import os
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402
from test_file_transfer import Script, files_in  # noqa: E402

HERE = Path(__file__).resolve().parent
TRANSFER_WAIT = 30.0


def test(h):
    h.build_network(["Olga", "Mallory"])
    work = h.workdir / "links"
    inbox, outside = work / "inbox", work / "outside"
    inbox.mkdir(parents=True)
    outside.mkdir()
    target = outside / "notes.txt"
    kept = outside / "kept.txt"
    kept.write_bytes(b"untouched\n")
    os.symlink(target, inbox / "notes.txt")
    os.symlink(kept, inbox / "notes (1).txt.part")
    payload = work / "payload.txt"
    payload.write_bytes(b"Mallory's notes, 31 bytes long\n")

    olga = h.start_peer("Olga", args=["--accept-files", str(inbox)])
    mallory = Script(h, "Mallory", [HERE / "copy_sender.py", "--nick", "Mallory",
                                    "--to", h.net.addr("Olga"), "--name", "notes.txt",
                                    "--data", payload], "mallory")
    mallory.wait("ready")
    E.wait_peer_lists(h, olga, ["Mallory"])
    mallory.say("offer")
    mallory.wait("accepted", TRANSFER_WAIT)
    result = mallory.wait("result", TRANSFER_WAIT)
    h.expect(result == "saved", "Mallory's file was taken (%r)" % mallory.items)
    line = "Файл notes (2).txt (31 байт) получен"
    h.expect(olga.wait_line(line, 10.0), "Olga said %r (got %r)" % (line, olga.lines()[-4:]))
    landed = inbox / "notes (2).txt"
    h.expect(landed.is_file() and not landed.is_symlink()
             and landed.read_bytes() == payload.read_bytes(),
             "the file arrived whole as \"notes (2).txt\" inside the folder (%r)"
             % files_in(inbox))
    h.expect(not os.path.lexists(target),
             "nothing was created where the dangling link points (%r)" % files_in(outside))
    h.expect(kept.read_bytes() == b"untouched\n" and files_in(outside) == ["kept.txt"],
             "the file outside named by the other link is untouched (%r)" % files_in(outside))
    h.expect(os.readlink(inbox / "notes.txt") == str(target)
             and os.readlink(inbox / "notes (1).txt.part") == str(kept),
             "both links are still there as they were")
    h.expect(files_in(inbox) == ["notes (1).txt.part", "notes (2).txt", "notes.txt"],
             "nothing else is left in the folder (%r)" % files_in(inbox))
    mallory.close()


if __name__ == "__main__":
    sys.exit(E.run_test("download_links", test))
