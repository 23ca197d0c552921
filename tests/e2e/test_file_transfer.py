#!/usr/bin/python3
"""Files between headless peers, a hand-made sender, and an older window copy.

Ivan, Olga, Petr and Anna run palavrix-peer: Olga takes files into a folder, Petr into a
tmpfs of 8 MB, Anna into none (she declines). Mallory is a sender made by hand. Vera is a
window copy, used as a user would, over AT-SPI. Old is a window copy with file transfer
switched off (FilePort=0 in its Options.cfg), whose namespace records every packet that
reaches it.

  * 200 MB from Ivan arrive at Olga with the same SHA-256, and both say so;
  * Anna declines, and Ivan is told;
  * a cancel mid-way, at the receiver and at the sender, ends both sides and leaves no file;
  * 20 MB into Petr's 8 MB tmpfs: both sides name the full disk, and nothing is left there;
  * Mallory's "../../etc/passwd" lands as "passwd" in Olga's folder; a wrong token and the
    right token from another address are refused, the real sender is not;
  * Vera's private window shows Ivan's offer with accept and decline; she accepts into a
    folder of her choice and then cancels a big one mid-way; she sends a file to Olga with
    "Отправить файл..."; each file leaves a line in her view and in her history; for Old the
    command is disabled and its tooltip says why;
  * Old is never offered anything and receives nothing but the chat's own datagrams.
"""
import hashlib
import json
import os
import subprocess
import sys
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

HERE = Path(__file__).resolve().parent
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


# Vera's window, as a screen reader and a user's clicks reach it.

SEND_FILE = "Отправить файл..."
OPEN_CAPTIONS = ("Open", "&Open", "Открыть", "Choose", "&Choose", "Выбрать")


def file_dialog(ui, caption):
    return E.wait_until(lambda: ui.window(caption, roles=("dialog", "frame", "window")), 10.0,
                        0.1, what="%s's dialog %r" % (ui.copy.nick, caption))


def answer_file_dialog(h, ui, caption, path):
    """Types a path into the file dialog's name box and presses its open button."""
    dialog = file_dialog(ui, caption)
    boxes = [a for a in ui.find_all(dialog, "text") if "editable" in ui.states(a)
             and ui.role(a.get_parent()) != "combo box"]
    h.require(len(boxes) == 1, "the dialog %r has one name box (%r)"
              % (caption, [(ui.name(a), ui.role(a.get_parent()), sorted(ui.states(a)))
                           for a in ui.find_all(dialog, "text")]))
    name_box = boxes[0]
    ui.set_text(name_box, str(path))
    button = ui.find(dialog, role="push button", want=lambda a: ui.name(a) in OPEN_CAPTIONS
                     and "enabled" in ui.states(a))
    h.require(button is not None, "the dialog %r has an enabled open button (buttons %r)"
              % (caption, [ui.name(b) for b in ui.find_all(dialog, "push button")]))
    ui.press(button)
    h.require(E.wait_until(lambda: ui.window(caption, roles=("dialog", "frame", "window"))
                           is None, 10.0, 0.1), "the dialog %r closed" % caption)


def row_button(ui, caption):
    window = ui.private_window()
    return ui.find(window, role="push button", name=caption) if window is not None else None


def labels(ui):
    window = ui.private_window()
    return [ui.name(a) for a in ui.find_all(window, "label")] if window is not None else []


def choose_recipient(h, ui, item):
    box = ui.recipient_box()
    editor = ui.find(box, role="text", want=lambda a: "editable" in ui.states(a))
    h.require(editor is not None, "Vera's recipient box can be typed into")
    ui.set_text(editor, item)


def said_once_more(peer, line):
    """A probe for `line` printed once more than it is now."""
    before = peer.lines().count(line)
    return lambda: peer.lines().count(line) > before


def vera_takes_files(h, vera, ivan, outbox, folder):
    note = outbox / "note.txt"
    sent = said_once_more(ivan, "Файлы отправлены")
    ivan.type("/send Vera %s" % note)
    accept = E.wait_until(lambda: row_button(vera, "Принять..."), 15.0, 0.1)
    h.require(accept is not None and row_button(vera, "Отклонить") is not None,
              "Vera's private window shows Ivan's offer with accept and decline (labels %r)"
              % labels(vera))
    offered = "Ivan (%s) предлагает файлы: note.txt (7 байт)" % h.net.addr("Ivan")
    h.expect(offered in labels(vera),
             "the offer names Ivan, his address, the file and its size (labels %r)"
             % labels(vera))
    h.screenshot("vera-offer")
    vera.fire(accept)
    answer_file_dialog(h, vera, "Куда сохранить файлы?", folder)
    h.expect(E.wait_until(sent, TRANSFER_WAIT),
             "Ivan was told the note arrived (got %r)" % ivan.lines()[-4:])
    h.expect(E.wait_until(lambda: (folder / "note.txt").exists(), 10.0)
             and (folder / "note.txt").read_bytes() == note.read_bytes(),
             "note.txt arrived whole in the folder Vera chose (%r)" % files_in(folder))
    line = "Файл note.txt (7 байт) получен"
    h.expect(E.wait_until(lambda: line in [l.text for l in vera.lines(vera.private_view())], 5.0),
             "Vera's view says %r" % line)
    h.expect(E.wait_until(lambda: "Файлы получены" in labels(vera), 5.0),
             "Vera's row says the files arrived (labels %r)" % labels(vera))


def vera_cancels(h, vera, ivan, huge, folder):
    told = said_once_more(ivan, "Передача отменена собеседником")
    ivan.type("/send Vera %s" % huge)
    accept = E.wait_until(lambda: row_button(vera, "Принять..."), 15.0, 0.1)
    h.require(accept is not None, "Vera is offered huge.bin")
    vera.fire(accept)
    answer_file_dialog(h, vera, "Куда сохранить файлы?", folder)
    part = folder / "huge.bin.part"
    h.require(E.wait_until(lambda: part.exists() and part.stat().st_size > 0, 30.0, 0.02),
              "huge.bin began to arrive at Vera (%r)" % files_in(folder))
    cancel = row_button(vera, "Отменить")
    h.require(cancel is not None, "Vera's row has a cancel button while it runs")
    progress = [t for t in labels(vera) if " из 4,0 ГБ" in t]
    h.expect(progress, "Vera's row shows the bytes so far of 4,0 ГБ (labels %r)" % labels(vera))
    h.screenshot("vera-progress")
    vera.press(cancel)
    h.expect(E.wait_until(told, 20.0),
             "Ivan was told Vera cancelled (got %r)" % ivan.lines()[-4:])
    h.expect(E.wait_until(lambda: "Передача отменена" in labels(vera), 5.0),
             "Vera's row says the transfer was cancelled (labels %r)" % labels(vera))
    h.expect(E.wait_until(lambda: not any(n.startswith("huge") for n in files_in(folder)), 5.0),
             "no part of huge.bin is left in Vera's folder (%r)" % files_in(folder))


def vera_sends(h, vera, vera_copy, olga, old_addr, inbox, outbox):
    choose_recipient(h, vera, "Old - %s" % old_addr)
    window = vera.private_window()
    button = vera.button(window, SEND_FILE)
    why = "Old не может принять файлы"
    h.expect(E.wait_until(lambda: "enabled" not in vera.states(button)
                          and vera.description(button).startswith(why), 5.0),
             "for Old, %r is disabled with a tooltip saying why (states %r, tooltip %r)"
             % (SEND_FILE, sorted(vera.states(button)), vera.description(button)))
    h.expect("не принимает файлы" in labels(vera), "the recipient shows Old takes no files")

    choose_recipient(h, vera, "Olga - %s" % olga.addr)
    h.require(E.wait_until(lambda: "enabled" in vera.states(button), 10.0),
              "for Olga, %r is enabled (tooltip %r)" % (SEND_FILE, vera.description(button)))
    h.expect("принимает файлы" in labels(vera), "the recipient shows Olga takes files")
    letter = outbox / "letter.txt"
    letter.write_text("from Vera\n")
    vera.fire(button)
    answer_file_dialog(h, vera, "Отправить файлы", letter)
    h.expect(olga.wait_line("Файл letter.txt (10 байт) получен", TRANSFER_WAIT),
             "Olga got Vera's letter (got %r)" % olga.lines()[-4:])
    h.expect(E.wait_until(lambda: "Файлы отправлены" in labels(vera), 10.0),
             "Vera's row says the files went (labels %r)" % labels(vera))
    h.expect((inbox / "letter.txt").read_bytes() == letter.read_bytes(),
             "letter.txt arrived whole at Olga")
    h.screenshot("vera-sent")

    _question, code = vera.quit()
    h.expect(code == 0, "Vera ended with exit code 0 (got %d)" % code)
    rows = [r[2:5] for r in E.history_rows(vera_copy.history_path())]
    wanted = [("Ivan", "Vera", "Файл note.txt (7 байт) получен"),
              ("Vera", "Olga", "Файл letter.txt (10 байт) отправлен")]
    h.expect(rows == wanted, "Vera's history holds %r (got %r)" % (wanted, rows))


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
    h.build_network(["Ivan", "Olga", "Petr", "Anna", "Mallory", "Old", "Vera"])
    h.start_desktop()
    work = h.workdir / "files"
    inbox, small, outbox = work / "olga", work / "petr", work / "ivan"
    vera_folder = work / "vera"
    for folder in (inbox, small, outbox, vera_folder):
        folder.mkdir(parents=True)
    E._run(["mount", "-t", "tmpfs", "-o", "size=8m", "pvxe2e-small", str(small)])
    h.on_cleanup("tmpfs", lambda: E._run(["umount", "-l", str(small)], check=False))

    watch = Script(h, "Old", [HERE / "packet_watch.py"], "old-watch")
    watch.wait("ready")
    h.start_copy("Old", options={"FilePort": "0"})
    vera_copy = h.start_copy("Vera", config={"ShowPrivateWND": "1"})
    ivan = h.start_peer("Ivan")
    olga = h.start_peer("Olga", args=["--accept-files", str(inbox)])
    petr = h.start_peer("Petr", args=["--accept-files", str(small)])
    anna = h.start_peer("Anna")
    E.wait_peer_lists(h, ivan, ["Olga", "Petr", "Anna", "Old", "Vera"])
    # File ports are taken from chat users only: the first announcements may precede the
    # listing, the next come within one announcement period.
    time.sleep(E.ANNOUNCE_PERIOD + 1.0)
    vera = vera_copy.ui()

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

    vera_takes_files(h, vera, ivan, outbox, vera_folder)
    vera_cancels(h, vera, ivan, huge, vera_folder)
    vera_sends(h, vera, vera_copy, olga, h.net.addr("Old"), inbox, outbox)

    ivan.type("/send Old %s" % small_file)
    refused = "palavrix-peer: Old не принимает файлы"
    h.expect(E.wait_until(lambda: refused in ivan.stderr_lines(), 5.0),
             "Ivan was told on stderr Old takes no files (got %r)" % ivan.stderr_lines()[-3:])
    watch.close()
    strange = old_copy_saw(h, watch, h.net.addr("Old"))
    h.expect(not strange, "Old received only the chat's own datagrams (also: %r)" % strange[:5])
    h.log("Old's namespace saw %d packets" % len(watch.items))


if __name__ == "__main__":
    sys.exit(E.run_test("file_transfer", test))
