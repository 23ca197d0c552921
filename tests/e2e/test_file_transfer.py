#!/usr/bin/python3
"""Files between headless peers, a hand-made sender, and an older window copy.

Ivan, Olga, Petr and Anna run palavrix-peer: Olga takes files into a folder, Petr into a
tmpfs of 8 MB, Anna into none (she declines). Mallory is a sender made by hand. Old is a
window copy without file transfer, whose namespace records every packet that reaches it.

  * 200 MB from Ivan arrive at Olga with the same SHA-256, and both say so;
  * Anna declines, and Ivan is told;
  * a cancel mid-way, at the receiver and at the sender, ends both sides and leaves no file;
  * 20 MB into Petr's 8 MB tmpfs: both sides name the full disk, and nothing is left there;
  * Mallory's "../../etc/passwd" lands as "passwd" in Olga's folder; a wrong token and the
    right token from another address are refused, the real sender is not;
  * Old is never offered anything and receives nothing but the chat's own datagrams.
"""
import hashlib
import json
import os
import subprocess
import sys
import threading
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

HERE = Path(__file__).resolve().parent
SLACK = 8.0
TRANSFER_WAIT = 120.0
PYTHON = E.SYSTEM_PYTHON if os.path.exists(E.SYSTEM_PYTHON) else sys.executable
FULL_DISK = "Недостаточно места на диске получателя: файл mid.bin удалён"


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as data:
        for chunk in iter(lambda: data.read(1 << 20), b""):
            digest.update(chunk)
    return digest.hexdigest()


def random_file(path, size):
    with open(path, "wb") as out:
        left = size
        while left > 0:
            out.write(os.urandom(min(left, 1 << 24)))
            left -= 1 << 24
    return path


class Script:
    """A helper script in a namespace, speaking JSON lines."""

    def __init__(self, h, node, args, label):
        self.h = h
        self.label = label
        self.items = []
        self._lock = threading.Condition()
        self.proc = subprocess.Popen(
            ["ip", "netns", "exec", h.net.ns(node), PYTHON] + [str(a) for a in args],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=open(h.logdir / ("%s.stderr" % label), "wb"),
            start_new_session=True, preexec_fn=E._die_with_harness)
        h.record_process(self.proc.pid)
        h.on_cleanup(label, lambda: E._stop_group(self.proc))
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            item = json.loads(line)
            with self._lock:
                self.items.append(item)

    def wait(self, key, timeout=30.0):
        found = E.wait_until(lambda: [i for i in self.items if key in i], timeout, 0.05)
        if not found:
            raise E.TestFailure("%s said nothing with %r (said %r)" % (self.label, key, self.items))
        return found[0][key]

    def say(self, line):
        self.proc.stdin.write((line + "\n").encode())
        self.proc.stdin.flush()

    def close(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        self.proc.wait(10)


def files_in(folder):
    return sorted(p.name for p in Path(folder).iterdir())


def send_and_wait(h, sender, receiver, command, sender_says, receiver_says, what):
    sender.type(command)
    h.expect(sender.wait_line(sender_says, TRANSFER_WAIT),
             "%s: %s said %r (got %r)" % (what, sender.nick, sender_says, sender.lines()[-5:]))
    h.expect(receiver.wait_line(receiver_says, TRANSFER_WAIT),
             "%s: %s said %r (got %r)" % (what, receiver.nick, receiver_says,
                                          receiver.lines()[-5:]))


def wait_listed(h, peer, nicks):
    def listed():
        peer.type("/users")
        return all(peer.wait_line(lambda l, n=n: l.startswith(n + " - "), 0.5) for n in nicks)
    h.require(E.wait_until(listed, E.REFRESH_PERIOD + E.ANNOUNCE_PERIOD + SLACK, 0.5),
              "%s lists %s (printed %r)" % (peer.nick, nicks, peer.lines()[-8:]))


def cancel_mid_way(h, ivan, olga, inbox, huge, canceller):
    other = olga if canceller is ivan else ivan
    ivan.type("/send Olga %s" % huge)
    part = inbox / "huge.bin.part"
    started = E.wait_until(lambda: part.exists() and part.stat().st_size > 0, 30.0, 0.02)
    h.require(started, "the transfer to Olga began (files: %r)" % files_in(inbox))
    canceller.type("/cancel")
    h.expect(canceller.wait_line("Передача отменена", 20.0),
             "%s said the transfer was cancelled (got %r)" % (canceller.nick,
                                                              canceller.lines()[-4:]))
    h.expect(other.wait_line("Передача отменена собеседником", 20.0),
             "%s was told of the cancel (got %r)" % (other.nick, other.lines()[-4:]))
    h.expect(E.wait_until(lambda: not any(n.startswith("huge") for n in files_in(inbox)), 5.0),
             "no part of huge.bin is left in Olga's folder (%r)" % files_in(inbox))


def hand_sender(h, olga, inbox):
    payload = h.workdir / "passwd.txt"
    payload.write_bytes(b"root:x:0:0:mallory was here\n")
    mallory = Script(h, "Mallory", [HERE / "file_sender.py", "offer", "--to", olga.addr,
                                    "--name", "../../etc/passwd", "--data", payload],
                     "mallory")
    token = mallory.wait("token")
    port = mallory.wait("accepted")
    for node, token_sent, what in (("Mallory", "0" * 32, "a wrong token"),
                                   ("Petr", token, "the right token from another address")):
        intruder = Script(h, node, [HERE / "file_sender.py", "intrude", "--to", olga.addr,
                                    "--port", port, "--token", token_sent], "intruder")
        result = intruder.wait("result")
        h.expect(result == "refused", "a connection with %s was refused (got %r)"
                 % (what, intruder.items))
        intruder.close()
    mallory.say("go")
    h.expect(mallory.wait("result") == "saved", "the real sender's file was saved (%r)"
             % mallory.items)
    mallory.close()
    landed = inbox / "passwd"
    h.expect(landed.exists() and landed.read_bytes() == payload.read_bytes(),
             "\"../../etc/passwd\" landed as passwd in Olga's folder (%r)" % files_in(inbox))
    h.expect(not (inbox.parent.parent / "etc").exists(), "nothing was written outside it")


def old_copy_saw(h, watch, old_addr):
    """What reached Old that an older copy does not know: any TCP, and any UDP datagram to it
    other than the chat's (framed by "@#@" on its ports) and the empty replies to its senders.
    The file port's broadcast announcements reach its host, but no socket of its program."""
    strange = []
    for item in watch.items:
        if item.get("dst") != old_addr and not item.get("dst", "").endswith(".255"):
            continue
        payload = bytes.fromhex(item["hex"])
        if item["proto"] == "tcp":
            strange.append(item)
        elif item["proto"] != "udp" or not payload:
            continue
        elif item["dport"] in (555, 556, 557):
            if not payload.startswith(b"@#@"):
                strange.append(item)
        elif item["dst"] == old_addr:
            strange.append(item)
    return strange


def test(h):
    h.build_network(["Ivan", "Olga", "Petr", "Anna", "Mallory", "Old"])
    h.start_desktop()
    work = h.workdir / "files"
    inbox, small, outbox = work / "olga", work / "petr", work / "ivan"
    for folder in (inbox, small, outbox):
        folder.mkdir(parents=True)
    E._run(["mount", "-t", "tmpfs", "-o", "size=8m", "pvxe2e-small", str(small)])
    h.on_cleanup("tmpfs", lambda: E._run(["umount", "-l", str(small)], check=False))

    watch = Script(h, "Old", [HERE / "packet_watch.py"], "old-watch")
    watch.wait("ready")
    h.start_copy("Old")
    ivan = h.start_peer("Ivan")
    olga = h.start_peer("Olga", args=["--accept-files", str(inbox)])
    petr = h.start_peer("Petr", args=["--accept-files", str(small)])
    anna = h.start_peer("Anna")
    wait_listed(h, ivan, ["Olga", "Petr", "Anna", "Old"])

    big = random_file(outbox / "big.bin", 200 * 1024 * 1024)
    send_and_wait(h, ivan, olga, "/send Olga %s" % big, "Файлы отправлены", "Файлы получены",
                  "200 MB")
    h.expect(olga.wait_line("Файл big.bin (200,0 МБ) получен", 1.0),
             "Olga named the file she got (got %r)" % olga.lines()[-4:])
    h.expect((inbox / "big.bin").exists() and sha256(inbox / "big.bin") == sha256(big),
             "big.bin arrived with the same SHA-256 (%r)" % files_in(inbox))

    small_file = outbox / "note.txt"
    small_file.write_text("a note\n")
    send_and_wait(h, ivan, anna, "/send Anna %s" % small_file, "Получатель отказался от файлов",
                  "Вы отказались от файлов", "decline")

    huge = outbox / "huge.bin"
    with open(huge, "wb") as f:
        f.truncate(4 * 1024 * 1024 * 1024)
    # Each side cancels once: each line below is said once by each peer.
    cancel_mid_way(h, ivan, olga, inbox, huge, canceller=olga)
    cancel_mid_way(h, ivan, olga, inbox, huge, canceller=ivan)

    mid = random_file(outbox / "mid.bin", 20 * 1024 * 1024)
    send_and_wait(h, ivan, petr, "/send Petr %s" % mid, FULL_DISK, FULL_DISK, "full disk")
    h.expect(files_in(small) == [], "nothing is left in Petr's full tmpfs (%r)" % files_in(small))

    hand_sender(h, olga, inbox)

    ivan.type("/send Old %s" % small_file)
    h.expect(ivan.wait_line("Old не принимает файлы", 5.0),
             "Ivan was told Old takes no files (got %r)" % ivan.lines()[-3:])
    watch.close()
    strange = old_copy_saw(h, watch, h.net.addr("Old"))
    h.expect(not strange, "Old received only the chat's own datagrams (also: %r)" % strange[:5])
    h.log("Old's namespace saw %d packets" % len(watch.items))


if __name__ == "__main__":
    sys.exit(E.run_test("file_transfer", test))
