#!/usr/bin/python3
"""The Debian package, installed as the system would, run by an ordinary user.

The package made by scripts/package.sh is unpacked into a temporary root. Its layout is
checked: the program under usr/lib/palavrix with the command usr/bin/palavrix, the shipped
files under usr/share/palavrix, the desktop entry, the icons, the AppStream metainfo and the
manual pages. Then the user "nobody" runs it from another folder, under Xvfb, with the
program's folder read-only and the capability the package's postinst gives it:
  * first start: Chat.cfg is seeded into ~/.config/palavrix from the shipped default (which
    asks for the nick);
  * with fast entry in that Chat.cfg: the history file lands in ~/.local/share/palavrix, the
    main window comes up and the copy announces itself on the chat's ports;
  * ended by a termination signal, it writes Chat.cfg (28 lines) and Options.cfg (its defaults) into
    ~/.config/palavrix;
  * nothing is written into the installed folders or the working folder.
Before that the package is checked as Debian's tools check it (scripts/check-package.sh:
lintian with no error or warning, the desktop entry, the metainfo), its programs for the
hardening flags (fortified functions, stack protector, PIE, full RELRO), and its postinst for
what it says when setcap is missing.
Without a package (run scripts/package.sh first) or without lintian, desktop-file-validate and
appstreamcli the test reports SKIPPED.
"""
import os
import pwd
import re
import shutil
import signal
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

from Xlib import X, display as xdisplay  # noqa: E402

USER = "nobody"
NICK = "Гость"


def package_dir():
    for i, arg in enumerate(sys.argv):
        if arg == "--package-dir":
            value = sys.argv[i + 1]
            del sys.argv[i:i + 2]
            return Path(value)
    return None


PACKAGE_DIR = package_dir()


def files_under(root):
    return sorted(str(p.relative_to(root)) for p in root.rglob("*"))


def top_windows(disp):
    """The titles (UTF-8 _NET_WM_NAME) of the shown top-level windows."""
    net_name = disp.intern_atom("_NET_WM_NAME")
    names = []
    for win in disp.screen().root.query_tree().children:
        try:
            if win.get_attributes().map_state != X.IsViewable:
                continue
            prop = win.get_full_property(net_name, X.AnyPropertyType)
        except Exception:
            continue
        if prop is not None and prop.value:
            value = prop.value
            names.append(value.decode("utf-8") if isinstance(value, bytes) else str(value))
    return names


ROOT = Path(__file__).resolve().parents[2]
CHECK_TOOLS = ["lintian", "desktop-file-validate", "appstreamcli"]


def hardening_faults(elf, executable, fortified):
    """What the Debian hardening flags would have put into an ELF file and it lacks. Fortified
    calls show only where the compiler cannot prove a buffer's bounds, so `fortified` asks for
    them only in a program known to make such calls (lintian, too, only notes their absence)."""
    def readelf(*args):
        return subprocess.run(["readelf", "-W"] + list(args) + [str(elf)], check=True,
                              stdout=subprocess.PIPE, text=True).stdout
    dynamic = readelf("--dynamic")
    faults = []
    if "GNU_RELRO" not in readelf("--program-headers"):
        faults.append("no RELRO")
    if not re.search(r"\(FLAGS\).*\bBIND_NOW\b|\(FLAGS_1\).*\bNOW\b", dynamic):
        faults.append("no BIND_NOW")
    if executable:
        if not re.search(r"\(FLAGS_1\).*\bPIE\b", dynamic):
            faults.append("not PIE")
        symbols = readelf("--dyn-syms")
        if "__stack_chk_fail" not in symbols:
            faults.append("no stack protector")
        if fortified and not re.search(r"__\w+_chk@", symbols):
            faults.append("no fortified functions")
    return faults


def check_package(h, deb, root):
    checked = subprocess.run(["bash", str(ROOT / "scripts/check-package.sh"), str(deb)],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    (h.logdir / "check-package.log").write_text(checked.stdout)
    h.expect(checked.returncode == 0,
             "lintian, desktop-file-validate and appstreamcli find nothing:\n" + checked.stdout)
    docs = root / "usr/share/doc/palavrix"
    h.expect((docs / "copyright").is_file() and (docs / "changelog.Debian.gz").is_file(),
             "the package holds its copyright and changelog")
    programs = root / "usr/lib/palavrix"
    # The peer's few buffers all have bounds the compiler proves: no call of it needs a check.
    for name, executable, fortified in [("Palavrix", True, True),
                                        ("palavrix-peer", True, False),
                                        ("palavrix_sound.so", False, False)]:
        faults = hardening_faults(programs / name, executable, fortified)
        h.expect(not faults, "%s is built with the hardening flags (lacks: %s)"
                 % (name, ", ".join(faults) or "nothing"))

    # Installed without setcap (forced past the dependency): the install says why the ports
    # stay closed and what to run.
    control = h.workdir / "control"
    subprocess.run(["dpkg-deb", "-e", str(deb), str(control)], check=True)
    h.expect(not (control / "postrm").exists(),
             "no postrm: nothing to undo, and no ldconfig for the private plug-in")
    said = subprocess.run(["/bin/sh", str(control / "postinst"), "configure"],
                          env={"PATH": "/nonexistent"},
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    h.expect(said.returncode == 0 and "libcap2-bin" in said.stderr
             and "setcap cap_net_bind_service=+ep /usr/lib/palavrix/Palavrix" in said.stderr
             and "555-558" in said.stderr,
             "without setcap the postinst says why and what to run (exit %d):\n%s"
             % (said.returncode, said.stderr))


def test(h):
    debs = sorted(PACKAGE_DIR.glob("palavrix_*.deb")) if PACKAGE_DIR else []
    if not debs:
        raise E.Skip("no package in %s: run scripts/package.sh first" % PACKAGE_DIR)
    missing = [tool for tool in CHECK_TOOLS if shutil.which(tool) is None]
    if missing:
        raise E.Skip("%s not installed (TEST_PACKAGES in scripts/common.sh)" % ", ".join(missing))
    deb = debs[-1]
    root = h.workdir / "root"
    subprocess.run(["dpkg-deb", "-x", str(deb), str(root)], check=True)
    h.log("unpacked %s" % deb.name)
    depends = subprocess.run(["dpkg-deb", "-f", str(deb), "Depends"], check=True,
                             stdout=subprocess.PIPE, text=True).stdout
    h.expect("libqt6widgets6" in depends and "libqt6sql6-sqlite" in depends
             and "libcap2-bin" in depends,
             "the package depends on Qt, the SQLite driver and setcap (%s)" % depends.strip())
    check_package(h, deb, root)

    shared = root / "usr/share/palavrix"
    program = root / "usr/lib/palavrix/Palavrix"
    command = root / "usr/bin/palavrix"
    for path in [program, shared / "tmp.dat", shared / "Chat.cfg", shared / "MsgRcvd.wav",
                 shared / "PrivateMsgRcvd.wav", shared / "Skins/msn.sui",
                 root / "usr/share/applications/io.sourceforge.palavrix.desktop",
                 root / "usr/share/metainfo/io.sourceforge.palavrix.metainfo.xml",
                 root / "usr/share/icons/hicolor/48x48/apps/palavrix.png",
                 root / "usr/share/icons/hicolor/256x256/apps/palavrix.png",
                 root / "usr/share/man/man1/palavrix.1.gz",
                 root / "usr/share/man/man1/palavrix-peer.1.gz"]:
        h.expect(path.is_file(), "the package holds %s" % path.relative_to(root))
    h.require(command.is_symlink() and command.resolve() == program.resolve(),
              "usr/bin/palavrix leads to the program")
    h.expect(sorted(p.name for p in program.parent.iterdir())
             == ["Palavrix", "palavrix-peer", "palavrix_sound.so"],
             "only the program, the peer and the sound back end lie in the program's folder")
    peer = root / "usr/bin/palavrix-peer"
    h.expect(peer.is_symlink() and peer.resolve() == program.parent / "palavrix-peer",
             "usr/bin/palavrix-peer leads to the peer")
    h.expect((shared / "palavrix_en.qm").is_file(), "the English translation is shipped")
    postinst = subprocess.run(["dpkg-deb", "-I", str(deb), "postinst"], check=True,
                              stdout=subprocess.PIPE, text=True).stdout
    h.require("setcap cap_net_bind_service=+ep" in postinst,
              "the postinst gives the program the capability to use the chat's ports")
    # What the postinst does on installation, here on the unpacked program.
    subprocess.run(["setcap", "cap_net_bind_service=+ep", str(program)], check=True)

    user = pwd.getpwnam(USER)
    home = h.workdir / "home"
    runtime = h.workdir / "runtime"
    cwd = h.workdir / "cwd"
    for folder in (home, runtime, cwd):
        folder.mkdir(mode=0o700)
        os.chown(folder, user.pw_uid, user.pw_gid)
    for folder in (h.workdir, h.workdir / "root"):
        os.chmod(folder, 0o755)
    before = files_under(root)

    h.build_network(["pkg", "observer"])
    desktop = h.start_desktop()
    observer = h.start_observer()
    disp = xdisplay.Display(desktop.display)
    env = {"PATH": "/usr/bin:/bin", "DISPLAY": desktop.display, "HOME": str(home),
           "XDG_RUNTIME_DIR": str(runtime), "LANG": "C.UTF-8", "QT_QPA_PLATFORM": "xcb",
           "QT_XCB_GL_INTEGRATION": "none",
           "DBUS_SESSION_BUS_ADDRESS": "unix:path=%s/no-bus" % runtime}

    def run_as_user(label):
        log = open(h.logdir / ("%s.stderr" % label), "wb")
        proc = subprocess.Popen(
            ["ip", "netns", "exec", h.net.ns("pkg"), "setpriv", "--reuid=%d" % user.pw_uid,
             "--regid=%d" % user.pw_gid, "--clear-groups", str(command)],
            cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
            start_new_session=True, preexec_fn=E._die_with_harness)
        log.close()
        h.record_process(proc.pid)
        h.on_cleanup(label, lambda: E._stop_group(proc))
        h.log("started the installed program as %s (pid %d)" % (USER, proc.pid))
        return proc

    config = home / ".config/palavrix/Chat.cfg"
    first = run_as_user("first-start")
    prompt = E.wait_until(lambda: "Вход в чат" in top_windows(disp), E.START_TIMEOUT)
    h.expect(prompt, "the first start asks for the nick (windows: %r)" % top_windows(disp))
    h.expect(config.is_file() and config.read_bytes() == (shared / "Chat.cfg").read_bytes(),
             "Chat.cfg was seeded into ~/.config/palavrix from the shipped default")
    h.expect(config.is_file() and config.stat().st_uid == user.pw_uid,
             "the seeded Chat.cfg belongs to the user")
    h.screenshot("package-first-start")
    E._stop_group(first)

    values = dict(E.TEST_CONFIG, SavedNick=NICK)
    config.write_bytes(E.config_bytes(values))
    second = run_as_user("second-start")
    history = home / ".local/share/palavrix" / E.history_file_name(NICK)
    h.expect(E.wait_until(history.exists, E.START_TIMEOUT),
             "the history file lands in ~/.local/share/palavrix")
    h.expect(E.wait_until(lambda: "Palavrix" in top_windows(disp), 10.0),
             "the main window comes up (windows: %r)" % top_windows(disp))
    own = h.net.addr("pkg")
    announced = observer.wait_for(
        lambda seen: any(d["src"] == own and d["sock"] == str(E.SYSTEM_PORT) for d in seen),
        E.ANNOUNCE_PERIOD + 8.0, "the installed program's presence announcement")
    h.expect(announced, "the installed program, run by %s, announces itself on port %d"
             % (USER, E.SYSTEM_PORT))
    h.screenshot("package-main-window")
    h.expect(second.poll() is None, "the installed program keeps running")
    os.kill(second.pid, signal.SIGTERM)
    h.expect(second.wait(30) == 0, "a termination signal ends it through the exit path")

    config_folder = config.parent
    h.expect(sorted(p.name for p in config_folder.iterdir()) == ["Chat.cfg", "Options.cfg"],
             "the settings are in ~/.config/palavrix: %r" % sorted(config_folder.iterdir()))
    h.expect(config.read_bytes().count(b"\r\n") == 28,
             "Chat.cfg was written back with its 28 lines")
    options = config_folder / "Options.cfg"
    lines = options.read_bytes().splitlines() if options.is_file() else []
    h.expect(sorted(lines) == [b"FilePort=558", b"Notifications=1"]
             and options.stat().st_uid == user.pw_uid,
             "Options.cfg beside it holds the default options and belongs to the user (got %r)"
             % lines)
    # The first start, ended at the nick prompt, prepared the empty nick's history ".dat".
    data = sorted(p.name for p in history.parent.iterdir())
    h.expect(data == sorted([".dat", history.name]),
             "only the history files are in ~/.local/share/palavrix (got %r)" % data)

    h.expect(files_under(root) == before, "nothing was written into the installed folders")
    h.expect(list(cwd.iterdir()) == [], "nothing was written into the working folder")


if __name__ == "__main__":
    sys.exit(E.run_test("package", test))
