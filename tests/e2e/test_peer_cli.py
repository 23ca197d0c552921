#!/usr/bin/python3
"""palavrix-peer as a command-line tool, beside a listening peer (Olga) in another namespace.

--version prints the project's version and exits 0; an unknown option or a bad value exits 2;
a chat port held by another program in the peer's namespace makes it exit 3 naming only that
port, and a missing --accept-files folder exits 4, both before the entry notice (Olga hears
nothing of Bot); errors of the start and of the commands go to standard error, in English under
LANG=en_US.UTF-8 and in Russian under LANG=ru_RU.UTF-8; with --send-only the busy port does not
matter and the peer's line reaches Olga.
"""
import re
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

CYRILLIC = re.compile("[\u0400-\u04ff]")
BUSY_PORT = E.SYSTEM_PORT
LANGUAGES = {"en": "en_US.UTF-8", "ru": "ru_RU.UTF-8"}


def project_version():
    text = (E.HERE.parents[1] / "CMakeLists.txt").read_text()
    return re.search(r"project\(Palavrix VERSION ([0-9.]+)", text).group(1)


def run_peer(h, args, lang="C.UTF-8", stdin=b"", node="Bot"):
    """Runs palavrix-peer to its end in the node's namespace: (exit code, stdout, stderr)."""
    env = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "LANG": lang,
           "ASAN_OPTIONS": "detect_leaks=0:abort_on_error=0"}
    cmd = ["ip", "netns", "exec", h.net.ns(node), str(h.stage / "palavrix-peer")] + args
    done = subprocess.run(cmd, input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          env=env, timeout=30)
    out = done.stdout.decode("utf-8", "replace")
    err = done.stderr.decode("utf-8", "replace")
    h.log("palavrix-peer %s (LANG=%s): exit %d\n  stdout: %r\n  stderr: %r"
          % (" ".join(args), lang, done.returncode, out, err))
    return done.returncode, out, err


def hold_port(h, node, port):
    """A UDP socket on the port in the node's namespace, held until the test ends."""
    code = ("import socket, time\n"
            "s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)\n"
            "s.bind(('0.0.0.0', %d))\n"
            "print('bound', flush=True)\n"
            "time.sleep(600)\n" % port)
    proc = subprocess.Popen(["ip", "netns", "exec", h.net.ns(node), E.SYSTEM_PYTHON, "-c", code],
                            stdout=subprocess.PIPE, start_new_session=True)
    h.record_process(proc.pid)
    h.on_cleanup("port holder", lambda: E._stop_group(proc))
    h.require(proc.stdout.readline().strip() == b"bound", "port %d held in %s" % (port, node))


def in_language(text, language):
    return bool(text.strip()) and bool(CYRILLIC.search(text)) == (language == "ru")


def check_usage(h):
    code, out, err = run_peer(h, ["--version"])
    wanted = "palavrix-peer %s\n" % project_version()
    h.expect(code == 0 and out == wanted and err == "",
             "--version prints %r and exits 0 (got %d, %r, %r)" % (wanted, code, out, err))
    for args in (["--nick", "Bot", "--bogus"], ["--nick", "Bot", "--ports", "555,556"],
                 ["--nick", "Bot", "--color", "20"], ["--nick"]):
        code, out, err = run_peer(h, args)
        h.expect(code == 2 and err.startswith("palavrix-peer: ") and out == "",
                 "%s exits 2 with its error on stderr (got %d, %r)" % (args, code, err))


def check_start_failures(h, folder):
    for language, lang in LANGUAGES.items():
        code, out, err = run_peer(h, ["--nick", "Bot", "--bogus"], lang)
        h.expect(code == 2 and "--bogus" in err and in_language(err, language),
                 "LANG=%s: an unknown option is named in %s (got %d, %r)"
                 % (lang, language, code, err))
        code, out, err = run_peer(h, ["--nick", "Bot"], lang)
        others = [str(p) for p in (E.PUBLIC_PORT, E.PRIVATE_PORT, 558) if str(p) in err]
        h.expect(code == 3 and str(BUSY_PORT) in err and not others and out == "",
                 "LANG=%s: a busy port %d exits 3 naming only it (got %d, %r)"
                 % (lang, BUSY_PORT, code, err))
        h.expect(in_language(err, language),
                 "LANG=%s: the busy port is said in %s (got %r)" % (lang, language, err))
        missing = str(folder / "missing")
        code, out, err = run_peer(h, ["--nick", "Bot", "--accept-files", missing], lang)
        h.expect(code == 4 and missing in err and in_language(err, language) and out == "",
                 "LANG=%s: a missing --accept-files folder exits 4, said in %s (got %d, %r)"
                 % (lang, language, code, err))


def check_command_errors(h, inbox):
    typed = b"/send Nobody /etc/hostname\n/msg Nobody hello\n/send Nobody\n"
    for language, lang in LANGUAGES.items():
        code, out, err = run_peer(h, ["--nick", "Bot", "--ports", "1555,1556,1557",
                                      "--file-port", "1558", "--accept-files", str(inbox)],
                                  lang, typed)
        lines = err.splitlines()
        h.expect(code == 0 and len(lines) == 3 and all(in_language(l, language) for l in lines),
                 "LANG=%s: three command errors on stderr in %s, exit 0 at the end of input "
                 "(got %d, %r)" % (lang, language, code, err))
        h.expect("Nobody" not in out, "LANG=%s: no error on stdout (got %r)" % (lang, out))


def test(h):
    h.build_network(["Olga", "Bot"])
    olga = h.start_peer("Olga")
    E.wait_until(lambda: any('"Olga"' in l for l in olga.lines()), 5.0)
    folder = h.workdir / "bot"
    inbox = folder / "inbox"
    inbox.mkdir(parents=True)
    hold_port(h, "Bot", BUSY_PORT)

    check_usage(h)
    check_start_failures(h, folder)
    h.expect(not E.wait_until(lambda: any('"Bot"' in l for l in olga.lines()), 2.0),
             "Olga heard nothing of Bot's failed starts (got %r)" % olga.lines())
    check_command_errors(h, inbox)

    code, _out, err = run_peer(h, ["--nick", "Bot", "--send-only"], stdin=b"hello from Bot\n")
    h.expect(code == 0 and err == "",
             "--send-only runs beside the busy port and exits 0 (got %d, %r)" % (code, err))
    h.expect(olga.wait_line("Bot -->hello from Bot", 5.0),
             "Olga printed the send-only peer's line (got %r)" % olga.lines())


if __name__ == "__main__":
    sys.exit(E.run_test("peer_cli", test))
