"""Whole-program test support for Palavrix.

A test builds, for itself alone:
  * a private network: a hub namespace holding a bridge, and one namespace per copy of the
    program plus one for the observer, each joined to the bridge by a veth pair and given an
    address in 10.213.0.0/24, which exists only inside these namespaces;
  * a desktop: Xvfb, a private D-Bus session bus on a filesystem socket and the AT-SPI bus
    launcher, so the copies' widgets can be read the way a screen reader reads them;
  * the copies: each runs in its namespace from its own copy of the portable folder, with its
    own HOME, XDG_RUNTIME_DIR and Chat.cfg;
  * an observer: plain UDP sockets on the chat's ports that record the exact bytes on the wire.

Everything is removed again when the test ends, however it ends: processes, namespaces and
temporary folders. What is worth keeping for a diagnosis (each copy's stderr, the wire log,
screenshots, the Chat.cfg files at the end) goes to the log folder in the build tree.
Leftovers of an earlier run that died without cleaning up are removed at the next start.
"""
import argparse
import ctypes
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import threading
import time
import traceback
from pathlib import Path

SKIP_CODE = 77
NS_PREFIX = "pvxe2e-"
WORK_BASE = Path("/tmp/pvx-e2e")
SUBNET = "10.213.0"
SYSTEM_PYTHON = "/usr/bin/python3"
HERE = Path(__file__).resolve().parent

PUBLIC_PORT, SYSTEM_PORT, PRIVATE_PORT = 555, 556, 557

# The 20 colours every colour box offers, by colour number.
COLOR_LIST = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0x80, 0x80, 0x80),
    (0xC0, 0xC0, 0xC0), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
    (0xC0, 0xDC, 0xC0), (0xA6, 0xCA, 0xF0), (0xFF, 0xFB, 0xF0), (0xA0, 0xA0, 0xA4),
]

# Chat.cfg: 28 lines in this order.
CONFIG_KEYS = [
    "FontColor", "BGColor", "AlphaBlend", "AlphaBlendValue", "ShowMainWND", "PlaySndOnRcv",
    "ShowMsgTime", "ShowIP", "RedrawUsrWnd", "ShowPrivateWND", "PlaySndOnPrivateRcv",
    "AutoLogon", "SavedNick", "StartMinimized", "Skin", "IgnUsrClr", "IncommingMsgClr",
    "SelectHistoryClr", "IncClr", "OutClr", "SysClr", "AutoRun", "ChangeIP", "BroadcastIP",
    "ChangePort", "MainPort", "PrivatePort", "SystemPort",
]

# What the tests run with unless they say otherwise: fast entry with the nick, no sounds,
# no window raised by a public message, plain lines (no time, no address), the user list
# refreshed every 5 s.
TEST_CONFIG = {
    "FontColor": "0", "BGColor": "15", "AlphaBlend": "0", "AlphaBlendValue": "17",
    "ShowMainWND": "0", "PlaySndOnRcv": "0", "ShowMsgTime": "0", "ShowIP": "0",
    "RedrawUsrWnd": "1", "ShowPrivateWND": "1", "PlaySndOnPrivateRcv": "0", "AutoLogon": "1",
    "SavedNick": "", "StartMinimized": "0", "Skin": "", "IgnUsrClr": "0",
    "IncommingMsgClr": "0", "SelectHistoryClr": "0", "IncClr": "9", "OutClr": "4",
    "SysClr": "19", "AutoRun": "0", "ChangeIP": "0", "BroadcastIP": "127.0.0.1",
    "ChangePort": "0", "MainPort": "", "PrivatePort": "", "SystemPort": "",
}

REFRESH_PERIOD = 5.0   # user-list refresh at RedrawUsrWnd=1
ANNOUNCE_PERIOD = 4.0  # presence announcement
START_TIMEOUT = 60.0   # a copy under the sanitizers on a busy machine starts slowly


class Skip(Exception):
    """The test cannot run here (not root, a tool missing); counted as skipped."""


class TestFailure(AssertionError):
    """What the program did is not what it must do."""


class Interrupted(BaseException):
    """A signal or the harness's own time limit ended the test; cleanup still runs."""


def helper_python():
    """The interpreter for the helper scripts run inside the namespaces."""
    return SYSTEM_PYTHON if os.path.exists(SYSTEM_PYTHON) else sys.executable


def cp1251(text):
    return text.encode("cp1251")


def history_rows(path, fields="mDate, mTime, mSender, mReceiver, mCutText, mFullText, mIncoming"):
    """The records of a history file, read-only, in the order they were stored."""
    import sqlite3
    db = sqlite3.connect("file:%s?mode=ro" % path, uri=True)
    try:
        return db.execute("SELECT %s FROM mHistory ORDER BY rowid" % fields).fetchall()
    finally:
        db.close()


def history_file_name(nick):
    """The history file of a nick: the decimal code-page-1251 byte values, then ".dat"."""
    return "".join(str(b) for b in cp1251(nick)) + ".dat"


def shown(data):
    """A datagram for a message: its text as code page 1251 and its length."""
    if isinstance(data, (list, tuple)):
        return "[%s]" % ", ".join(shown(d) for d in data)
    return "%r (%d bytes)" % (data.decode("cp1251", errors="replace"), len(data))


def color_text(index):
    return "%d,%d,%d" % COLOR_LIST[index]


def config_bytes(values, raw_lines=None):
    """Chat.cfg as the program reads it: 28 lines of key=value, code page 1251, CR LF.
    raw_lines maps a line number (1-based) to a text written instead of key=value."""
    lines = []
    for number, key in enumerate(CONFIG_KEYS, start=1):
        if raw_lines and number in raw_lines:
            lines.append(raw_lines[number])
        else:
            lines.append("%s=%s" % (key, values[key]))
    return b"".join(cp1251(line) + b"\r\n" for line in lines)


def wait_until(probe, timeout, interval=0.2, what=None):
    """Calls probe until it returns something true or the time is up; returns the last value.
    With `what`, running out of time is a failure that says what was waited for."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            if what is not None:
                raise TestFailure("gave up after %.1f s waiting for %s" % (timeout, what))
            return value
        time.sleep(interval)


def wait_peer_lists(h, peer, nicks, slack=8.0):
    """Asks a headless peer for its users until it lists every one of `nicks`; a failure when
    two refreshes and an announcement (plus `slack`) go by without."""
    def listed():
        peer.type("/users")
        return all(peer.wait_line(lambda l, n=n: l.startswith(n + " - "), 0.5) for n in nicks)
    h.require(wait_until(listed, REFRESH_PERIOD + ANNOUNCE_PERIOD + slack, 0.5),
              "%s lists %s (printed %r)" % (peer.nick, nicks, peer.lines()[-8:]))


def _run(cmd, check=True, quiet=False):
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if check and result.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(cmd), result.returncode,
                                                  result.stderr.strip()))
    if not quiet and result.returncode != 0:
        print("note: %s: %s" % (" ".join(cmd), result.stderr.strip()), file=sys.stderr)
    return result


_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def _die_with_harness():
    """Child set-up: the child is told to end if the harness dies without cleaning up
    (what survives is removed by the next run's sweep)."""
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)


def _start_time(pid):
    """The kernel's start time of a process, which tells a process from a later one that
    reuses its id."""
    try:
        stat = Path("/proc/%d/stat" % pid).read_text()
    except OSError:
        return None
    return stat[stat.rindex(")") + 2:].split()[19]


def _harness_alive(pid):
    try:
        cmdline = Path("/proc/%d/cmdline" % pid).read_bytes()
    except OSError:
        return False
    return b"e2e" in cmdline


def _session_members(leader, started):
    """The processes of the session a process we started with start_new_session leads,
    including those it started itself, even after the leader has gone."""
    members = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            stat = (entry / "stat").read_text()
        except OSError:
            continue
        fields = stat[stat.rindex(")") + 2:].split()
        # fields[3] is the session id, fields[19] the start time.
        if int(fields[3]) == leader and int(fields[19]) >= int(started):
            members.append(int(entry.name))
    return members


def sweep_leftovers():
    """Removes what earlier runs that died without cleanup left behind: the processes they
    started (by the ids and start times they recorded, with the sessions those lead), their
    namespaces and their folders."""
    if WORK_BASE.is_dir():
        for folder in WORK_BASE.iterdir():
            m = re.match(r"(\d+)-", folder.name)
            if not m or _harness_alive(int(m.group(1))):
                continue
            record = folder / "pids"
            if record.exists():
                for line in record.read_text().splitlines():
                    parts = line.split()
                    if len(parts) != 2 or parts[1] == "None":
                        continue
                    for pid in _session_members(int(parts[0]), parts[1]):
                        try:
                            os.kill(pid, signal.SIGKILL)
                        except OSError:
                            pass
            shutil.rmtree(folder, ignore_errors=True)
    result = _run(["ip", "netns", "list"], check=False, quiet=True)
    for line in result.stdout.splitlines():
        name = line.split()[0] if line.split() else ""
        m = re.match(re.escape(NS_PREFIX) + r"(\d+)-", name)
        if not m or _harness_alive(int(m.group(1))):
            continue
        for pid in _run(["ip", "netns", "pids", name], check=False, quiet=True).stdout.split():
            try:
                os.kill(int(pid), signal.SIGKILL)
            except (OSError, ValueError):
                pass
        _run(["ip", "netns", "del", name], check=False, quiet=True)


def check_environment(stage):
    if os.geteuid() != 0:
        raise Skip("whole-program network tests need root (network namespaces); run as root")
    missing = [tool for tool in ("ip", "Xvfb", "dbus-daemon", "import")
               if shutil.which(tool) is None]
    if not Path("/usr/libexec/at-spi-bus-launcher").exists():
        missing.append("/usr/libexec/at-spi-bus-launcher (at-spi2-core)")
    try:
        import gi  # noqa: F401
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi  # noqa: F401
    except (ImportError, ValueError):
        missing.append("python3-gi with gir1.2-atspi-2.0 (python3-pyatspi)")
    if missing:
        raise Skip("missing: " + ", ".join(missing))
    exe = Path(stage) / "Palavrix"
    if not exe.is_file():
        raise TestFailure("the staged program %s does not exist: build it first" % exe)


class Harness:
    """One test's world. Use as a context manager; everything it made is gone afterwards."""

    def __init__(self, name, stage, logs, time_limit):
        self.name = name
        self.stage = Path(stage).resolve()
        self.logdir = Path(logs).resolve() / name
        self.time_limit = time_limit
        self.run_id = "%d-%s" % (os.getpid(), os.urandom(3).hex())
        self.prefix = NS_PREFIX + self.run_id
        self.workdir = WORK_BASE / self.run_id
        self._cleanups = []
        self._failures = []
        self._old_handlers = {}
        self.started = time.monotonic()
        self.net = None
        self.desktop = None
        self.reader = None
        self.copies = []
        self.observer = None

    # Life cycle.

    def __enter__(self):
        check_environment(self.stage)
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP, signal.SIGALRM):
            self._old_handlers[sig] = signal.signal(sig, self._on_signal)
        signal.alarm(int(self.time_limit))
        sweep_leftovers()
        if self.logdir.exists():
            shutil.rmtree(self.logdir)
        self.logdir.mkdir(parents=True)
        self.workdir.mkdir(parents=True)
        self.on_cleanup("work folder", lambda: shutil.rmtree(self.workdir, ignore_errors=True))
        (self.workdir / "pids").touch()
        self.log("run %s, work folder %s, logs %s" % (self.run_id, self.workdir, self.logdir))
        return self

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None and not issubclass(exc_type, (Skip,)):
            self.log("ending after: %s" % "".join(
                traceback.format_exception_only(exc_type, exc)).strip())
        if (exc_type is not None and not issubclass(exc_type, Skip)) or self._failures:
            if self.desktop is not None:
                self.screenshot("at-failure")
        signal.alarm(0)
        self._cleanup()
        for sig, handler in self._old_handlers.items():
            signal.signal(sig, handler)
        return False

    def _on_signal(self, signum, _frame):
        signal.signal(signum, signal.SIG_IGN)
        if signum == signal.SIGALRM:
            raise Interrupted("the harness's time limit of %d s ran out" % self.time_limit)
        raise Interrupted("signal %d" % signum)

    def on_cleanup(self, label, action):
        self._cleanups.append((label, action))

    def _cleanup(self):
        # Cleanup must finish even when another signal arrives meanwhile.
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(sig, signal.SIG_IGN)
        while self._cleanups:
            label, action = self._cleanups.pop()
            try:
                action()
            except Exception as error:  # keep cleaning whatever failed
                print("cleanup of %s failed: %s" % (label, error), file=sys.stderr)

    def record_process(self, pid):
        with open(self.workdir / "pids", "a") as f:
            f.write("%d %s\n" % (pid, _start_time(pid)))

    def log(self, text):
        stamp = time.monotonic() - self.started
        line = "[%7.2f] %s" % (stamp, text)
        print(line, flush=True)
        with open(self.logdir / "harness.log", "a") as f:
            f.write(line + "\n")

    # Verdicts.

    def expect(self, condition, message):
        """A check that lets the test go on, so one run reports every difference."""
        if condition:
            self.log("ok: " + message.split("\n")[0])
        else:
            self.log("FAILED: " + message)
            self._failures.append(message)
        return condition

    def require(self, condition, message):
        """A check the rest of the test depends on."""
        if not condition:
            self.log("FAILED: " + message)
            self._failures.append(message)
            raise TestFailure(message)
        self.log("ok: " + message.split("\n")[0])

    def failures(self):
        return list(self._failures)

    # The world.

    def build_network(self, names):
        self.net = Network(self, names)
        return self.net

    def start_desktop(self, wayland=False):
        """The desktop the copies run on: Xvfb, or with wayland=True weston's headless back
        end, on which the copies pick Qt's Wayland platform by themselves."""
        self.desktop = Desktop(self, wayland)
        self.reader = Reader(self)
        return self.desktop

    def start_observer(self, node="observer"):
        self.observer = Observer(self, self.net.ns(node), self.net.addr(node))
        return self.observer

    def start_peer(self, nick, node=None, args=(), lang="C.UTF-8"):
        """A headless peer (palavrix-peer) on its own node, fed through its standard input."""
        peer = Peer(self, nick, node or nick, list(args))
        peer.lang = lang
        peer.start()
        return peer

    def start_copy(self, nick, node=None, config=None, raw_lines=None, cwd=None, lang=None,
                   options=None, env=None):
        """Starts a copy from its portable folder; cwd is the working folder it is started
        from (the portable folder unless given), lang its LANG (the desktop's unless given),
        options the lines of its Options.cfg, env more variables of its environment."""
        copy = Copy(self, nick, node or nick, config or {}, raw_lines)
        copy.lang = lang
        copy.options = options
        copy.extra_env = env or {}
        self.copies.append(copy)
        copy.start(cwd)
        return copy

    def screenshot(self, label):
        if self.desktop is None:
            return None
        path = self.logdir / ("%s.png" % label)
        error = self.desktop.screenshot(path)
        if error is None:
            self.log("screenshot %s" % path)
            return path
        self.log("screenshot failed: %s" % error)
        return None

    def grab(self, x, y, width, height):
        """The raw RGB bytes of a screen rectangle."""
        result = subprocess.run(
            ["import", "-display", self.desktop.display, "-window", "root", "-crop",
             "%dx%d+%d+%d" % (width, height, x, y), "-depth", "8", "rgb:-"],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if result.returncode != 0:
            raise RuntimeError("screen grab failed: %s" % result.stderr.decode(errors="replace"))
        return result.stdout

    def sanitizer_reports(self):
        """Sanitizer and crash reports the copies wrote to their stderr."""
        found = []
        for copy in self.copies:
            text = copy.stderr_text()
            for marker in ("ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer",
                           "AddressSanitizer:DEADLYSIGNAL", "QFATAL", "Segmentation fault"):
                if marker.lower() in text.lower():
                    found.append("%s: %s (see %s)" % (copy.nick, marker, copy.stderr_path))
        return found


class Network:
    """A hub namespace with a bridge and one namespace per node, each on the bridge."""

    def __init__(self, harness, names):
        self.h = harness
        self.hub = harness.prefix + "-hub"
        self._nodes = {}
        self._add_ns(self.hub)
        _run(["ip", "-n", self.hub, "link", "set", "lo", "up"])
        bridge = _run(["ip", "-n", self.hub, "link", "add", "br0", "type", "bridge"],
                      check=False, quiet=True)
        if bridge.returncode != 0:
            raise Skip("cannot make a bridge here: %s" % bridge.stderr.strip())
        _run(["ip", "-n", self.hub, "link", "set", "br0", "up"])
        for index, name in enumerate(names):
            self.add_node(name, "%s.%d" % (SUBNET, 11 + index if name != "observer" else 200))

    def _add_ns(self, ns):
        result = _run(["ip", "netns", "add", ns], check=False, quiet=True)
        if result.returncode != 0:
            raise Skip("cannot create network namespaces here: %s" % result.stderr.strip())
        self.h.on_cleanup("namespace " + ns, lambda: self._del_ns(ns))

    def _del_ns(self, ns):
        for pid in _run(["ip", "netns", "pids", ns], check=False, quiet=True).stdout.split():
            # Only our own children live in our namespaces; a survivor is stopped here.
            try:
                os.kill(int(pid), signal.SIGKILL)
            except OSError:
                pass
        _run(["ip", "netns", "del", ns], check=False)

    def add_node(self, name, addr, prefix=24, before=None, after=None):
        """A namespace joined to the bridge by its eth0 with addr/prefix. before(ns) runs
        before eth0 exists (so what it makes is listed ahead of it), after(ns) once eth0 is
        up."""
        ns = "%s-%s" % (self.h.prefix, name.lower())
        port = "p%d" % len(self._nodes)
        self._add_ns(ns)
        if before is not None:
            before(ns)
        veth = _run(["ip", "-n", self.hub, "link", "add", port, "type", "veth", "peer", "name",
                     "eth0", "netns", ns], check=False, quiet=True)
        if veth.returncode != 0:
            raise Skip("cannot make veth pairs here: %s" % veth.stderr.strip())
        _run(["ip", "-n", self.hub, "link", "set", port, "master", "br0"])
        _run(["ip", "-n", self.hub, "link", "set", port, "up"])
        _run(["ip", "-n", ns, "link", "set", "lo", "up"])
        _run(["ip", "-n", ns, "addr", "add", "%s/%d" % (addr, prefix), "brd", "+", "dev",
              "eth0"])
        _run(["ip", "-n", ns, "link", "set", "eth0", "up"])
        if after is not None:
            after(ns)
        self._nodes[name] = (ns, addr)
        self.h.log("node %s: namespace %s, address %s" % (name, ns, addr))

    def ns(self, name):
        return self._nodes[name][0]

    def addr(self, name):
        return self._nodes[name][1]


def wayland_missing():
    """What running on weston needs and this machine lacks, as a list of texts."""
    missing = [tool for tool in ("weston", "weston-screenshooter") if shutil.which(tool) is None]
    import glob
    if not glob.glob("/usr/lib/*/qt6/plugins/platforms/libqwayland-*.so"):
        missing.append("Qt's Wayland platform plugin (qt6-wayland)")
    return missing


class Desktop:
    """Xvfb (or weston's headless back end), a private session bus on a filesystem socket and
    the AT-SPI bus launcher."""

    WAYLAND_SOCKET = "wayland-e2e"

    def __init__(self, harness, wayland=False):
        self.h = harness
        root = harness.workdir / "desktop"
        self.runtime = root / "runtime"
        self.home = root / "home"
        for folder in (self.runtime, self.home):
            folder.mkdir(parents=True)
        os.chmod(self.runtime, 0o700)
        self.bus_path = root / "bus"
        self.bus_address = "unix:path=%s" % self.bus_path
        self.display = None
        self.wayland_display = None

        self.env = {
            "PATH": "/usr/sbin:/usr/bin:/sbin:/bin",
            "DBUS_SESSION_BUS_ADDRESS": self.bus_address,
            "XDG_RUNTIME_DIR": str(self.runtime),
            "HOME": str(self.home),
            "LANG": "C.UTF-8",
        }
        if wayland:
            self._start_weston()
        else:
            self._start_xvfb()

        self.dbus = self._spawn(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile",
             "--address=" + self.bus_address], "dbus")
        wait_until(self.bus_path.exists, 20, 0.05, what="the session bus socket")

        self.launcher = self._spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                    "at-spi", env=self.env)
        # The harness reads the copies through the same buses.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        if self.display is not None:
            os.environ["DISPLAY"] = self.display
        else:
            os.environ.pop("DISPLAY", None)

    def _start_xvfb(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = self._spawn(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten",
             "tcp", "-noreset"], "xvfb", pass_fds=(write_fd,))
        os.close(write_fd)
        number = self._read_line(read_fd, 20, "Xvfb to report its display")
        self.display = ":" + number
        self.env["DISPLAY"] = self.display
        self.h.log("Xvfb on display %s" % self.display)

    def _start_weston(self):
        """weston's headless back end with its desktop shell; the pixman renderer draws into
        memory, so weston-screenshooter (allowed by --debug) can take screenshots."""
        missing = wayland_missing()
        if missing:
            raise Skip("missing: " + ", ".join(missing))
        socket = self.runtime / self.WAYLAND_SOCKET
        self.weston = self._spawn(
            ["weston", "--backend=headless-backend.so", "--socket=" + self.WAYLAND_SOCKET,
             "--idle-time=0", "--use-pixman", "--debug", "--width=1280", "--height=1024",
             "--logger-scopes=log,proto"],
            "weston", env=dict(self.env))
        wait_until(socket.exists, 20, 0.05, what="weston's socket")
        # Named by its full path, since every copy has a runtime folder of its own.
        self.wayland_display = str(socket)
        self.env["WAYLAND_DISPLAY"] = self.wayland_display
        self.h.log("weston headless on %s" % self.wayland_display)

    def screenshot(self, path):
        """Saves the whole screen as a PNG; None, or what went wrong."""
        if self.display is not None:
            result = _run(["import", "-display", self.display, "-window", "root", str(path)],
                          check=False, quiet=True)
            return None if result.returncode == 0 else result.stderr.strip()
        # weston-screenshooter writes wayland-screenshot-<time>.png into its working folder.
        folder = self.h.workdir / "screenshots"
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir()
        result = subprocess.run(["weston-screenshooter"], cwd=folder, env=dict(self.env),
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                timeout=20)
        shots = sorted(folder.glob("*.png"))
        if result.returncode != 0 or not shots:
            return "weston-screenshooter (%d): %s" % (result.returncode, result.stdout.strip())
        shutil.move(str(shots[-1]), str(path))
        return None

    def _spawn(self, cmd, label, env=None, pass_fds=()):
        log = open(self.h.logdir / ("%s.log" % label), "wb")
        proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                env=env if env is not None else dict(os.environ),
                                pass_fds=pass_fds, start_new_session=True,
                                preexec_fn=_die_with_harness)
        log.close()
        self.h.record_process(proc.pid)
        self.h.on_cleanup(label, lambda: _stop_group(proc))
        return proc

    @staticmethod
    def _read_line(fd, timeout, what):
        data = b""
        deadline = time.monotonic() + timeout
        try:
            while b"\n" not in data:
                left = deadline - time.monotonic()
                if left <= 0:
                    raise RuntimeError("gave up waiting for " + what)
                ready, _, _ = select.select([fd], [], [], left)
                if ready:
                    chunk = os.read(fd, 64)
                    if not chunk:
                        break
                    data += chunk
        finally:
            os.close(fd)
        text = data.decode().strip()
        if not text:
            raise RuntimeError("no answer from " + what)
        return text


def _stop_group(proc, grace=3.0):
    """Stops a process we started and the group it leads: TERM, then KILL after a grace."""
    if proc.poll() is None:
        try:
            os.killpg(proc.pid, signal.SIGTERM)
        except OSError:
            proc.terminate()
        try:
            proc.wait(grace)
        except subprocess.TimeoutExpired:
            pass
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except OSError:
        pass
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        pass


class Observer:
    """Plain UDP sockets on the chat's ports in a namespace of their own: the wire, byte for byte."""

    def __init__(self, harness, ns, addr):
        self.h = harness
        self.addr = addr
        self._lock = threading.Condition()
        self._datagrams = []
        self._log = open(harness.logdir / "wire.log", "w")
        self.proc = subprocess.Popen(
            ["ip", "netns", "exec", ns, helper_python(), str(HERE / "udp_observer.py")],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=open(harness.logdir / "observer.stderr", "wb"),
            start_new_session=True, preexec_fn=_die_with_harness)
        harness.record_process(self.proc.pid)
        harness.on_cleanup("observer", self._stop)
        first = self.proc.stdout.readline()
        if not first:
            raise RuntimeError("the observer did not start (see observer.stderr)")
        ready = json.loads(first)
        self.probe_port, self.echo_port = ready["probe_port"], ready["echo_port"]
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        harness.log("observer at %s, probe port %d" % (addr, self.probe_port))

    def _read(self):
        for line in self.proc.stdout:
            item = json.loads(line)
            item["data"] = bytes.fromhex(item.pop("hex"))
            self._log.write("%.3f %s <- %s:%d %d bytes %r\n" % (
                item["t"], item["sock"], item["src"], item["sport"], len(item["data"]),
                item["data"].decode("cp1251", errors="replace")))
            self._log.flush()
            with self._lock:
                self._datagrams.append(item)
                self._lock.notify_all()

    def _stop(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        try:
            self.proc.wait(3)
        except subprocess.TimeoutExpired:
            _stop_group(self.proc)
        self._log.close()

    def datagrams(self, sock=None, src=None):
        with self._lock:
            return [d for d in self._datagrams
                    if (sock is None or d["sock"] == str(sock)) and (src is None or d["src"] == src)]

    def wait_for(self, predicate, timeout, what):
        """Waits until predicate(list of datagrams) is true; returns the datagrams then."""
        return wait_until(lambda: predicate(self.datagrams()) and self.datagrams(), timeout, 0.1,
                          what=what)

    def send(self, to, port, data, from_echo=False):
        """Sends from the probe socket, or from the echo socket, which answers whatever
        comes back with the same bytes."""
        order = {"to": to, "port": port, "hex": data.hex()}
        if from_echo:
            order["from"] = "echo"
        self.proc.stdin.write((json.dumps(order) + "\n").encode())
        self.proc.stdin.flush()
        self.h.log("observer sent %d bytes from its %s to %s:%d: %r" % (
            len(data), "echo" if from_echo else "probe", to, port,
            data.decode("cp1251", "replace")))


class Peer:
    """palavrix-peer in its own namespace: lines typed into it, lines it printed."""

    def __init__(self, harness, nick, node, args):
        self.h = harness
        self.nick = nick
        self.node = node
        self.ns = harness.net.ns(node)
        self.addr = harness.net.addr(node)
        self.args = args
        self.lang = "C.UTF-8"
        self.proc = None
        self.stderr_path = harness.logdir / ("%s.peer.stderr" % node)
        self._lock = threading.Condition()
        self._lines = []

    def start(self):
        program = self.h.stage / "palavrix-peer"
        if not program.exists():
            raise Skip("no palavrix-peer beside the program in %s" % self.h.stage)
        env = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "LANG": self.lang,
               "ASAN_OPTIONS": "detect_leaks=0:abort_on_error=0",
               "UBSAN_OPTIONS": "print_stacktrace=1"}
        err = open(self.stderr_path, "wb")
        self.proc = subprocess.Popen(
            ["ip", "netns", "exec", self.ns, str(program), "--nick", self.nick,
             "--address", self.addr] + self.args,
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=err, env=env,
            start_new_session=True, preexec_fn=_die_with_harness)
        err.close()
        self.h.record_process(self.proc.pid)
        self.h.on_cleanup("peer " + self.nick, lambda: _stop_group(self.proc))
        threading.Thread(target=self._read, daemon=True).start()
        self.h.log("started peer %s (pid %d) in %s at %s" % (self.nick, self.proc.pid, self.ns,
                                                             self.addr))

    def _read(self):
        for raw in self.proc.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\n")
            self.h.log("peer %s printed: %s" % (self.nick, line))
            with self._lock:
                self._lines.append(line)
                self._lock.notify_all()

    def type(self, line):
        self.proc.stdin.write((line + "\n").encode("utf-8"))
        self.proc.stdin.flush()
        self.h.log("typed into peer %s: %s" % (self.nick, line))

    def lines(self):
        with self._lock:
            return list(self._lines)

    def stderr_lines(self):
        """What the peer wrote to its standard error so far."""
        return self.stderr_path.read_bytes().decode("utf-8", "replace").splitlines()

    def wait_line(self, wanted, timeout):
        """Waits for a printed line equal to `wanted` (or for which `wanted` is true)."""
        test = wanted if callable(wanted) else (lambda line: line == wanted)
        return wait_until(lambda: any(test(line) for line in self.lines()), timeout)

    def terminate(self, timeout=10):
        """SIGTERM; returns the exit code."""
        self.proc.terminate()
        return self.proc.wait(timeout)


class Copy:
    """One running copy of the program in its own namespace and its own portable folder."""

    def __init__(self, harness, nick, node, config, raw_lines):
        self.h = harness
        self.nick = nick
        self.node = node
        self.ns = harness.net.ns(node)
        self.addr = harness.net.addr(node)
        self.values = dict(TEST_CONFIG)
        self.values["SavedNick"] = nick
        self.values.update(config)
        self.raw_lines = raw_lines
        self.options = None
        base = harness.workdir / "copies" / node
        self.folder = base / "Palavrix"
        self.home = base / "home"
        self.runtime = base / "runtime"
        self.stderr_path = harness.logdir / ("%s.stderr" % node)
        self.proc = None
        self.app = None
        self.started_at = None
        self.exit_code = None
        self.lang = None
        self.extra_env = {}

    def prepare(self):
        # The program and what it finds beside it; not the histories or settings that a run
        # by hand may have left in the staged folder.
        def leftovers(_folder, names):
            return [n for n in names
                    if (n.endswith(".dat") and n != "tmp.dat") or n in ("Chat.cfg", "Options.cfg")]
        shutil.copytree(self.h.stage, self.folder, symlinks=True, ignore=leftovers)
        for folder in (self.home, self.runtime):
            folder.mkdir(parents=True)
            os.chmod(folder, 0o700)
        self.config_written = config_bytes(self.values, self.raw_lines)
        (self.folder / "Chat.cfg").write_bytes(self.config_written)
        if self.options:
            (self.folder / "Options.cfg").write_text(
                "".join("%s=%s\n" % item for item in self.options.items()), encoding="utf-8")

    def environment(self):
        """What the copy runs with: the desktop, its own HOME and runtime folder."""
        env = dict(self.h.desktop.env)
        env.update({
            "HOME": str(self.home),
            "XDG_RUNTIME_DIR": str(self.runtime),
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "ASAN_OPTIONS": "detect_leaks=0:abort_on_error=0",
            "UBSAN_OPTIONS": "print_stacktrace=1",
        })
        if self.h.desktop.display is not None:
            env.update({"QT_QPA_PLATFORM": "xcb", "QT_XCB_GL_INTEGRATION": "none"})
        if self.lang:
            env["LANG"] = self.lang
        env.update(self.extra_env)
        return env

    def start(self, cwd=None):
        self.prepare()
        env = self.environment()
        with open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(
                ["ip", "netns", "exec", self.ns, str(self.folder / "Palavrix")],
                cwd=cwd or self.folder, env=env, stdin=subprocess.DEVNULL, stdout=err, stderr=err,
                start_new_session=True, preexec_fn=_die_with_harness)
        self.started_at = time.monotonic()
        self.h.record_process(self.proc.pid)
        self.h.on_cleanup("copy " + self.nick, self._stop)
        self.h.log("started %s (pid %d) in %s at %s" % (self.nick, self.proc.pid, self.ns,
                                                        self.addr))

    def _stop(self):
        if self.proc.poll() is None:
            self.h.log("stopping %s (pid %d)" % (self.nick, self.proc.pid))
        _stop_group(self.proc)
        # What the copy wrote, kept for a diagnosis.
        for path in [self.folder / "Chat.cfg"] + sorted(self.folder.glob("*.dat")):
            if path.name != "tmp.dat":
                shutil.copy(path, self.h.logdir / ("%s.%s" % (self.node, path.name)))

    def kill(self):
        """Stops the copy the hard way, as a crash or a power cut would."""
        self.proc.kill()
        self.proc.wait(10)
        self.h.log("killed %s" % self.nick)

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout):
        try:
            self.exit_code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None
        return self.exit_code

    def stderr_text(self):
        try:
            return self.stderr_path.read_text(errors="replace")
        except OSError:
            return ""

    def history_path(self):
        return self.folder / history_file_name(self.nick)

    def config_file(self):
        return (self.folder / "Chat.cfg").read_bytes()

    # Reading it as a screen reader does.

    def ui(self, timeout=START_TIMEOUT):
        """The copy's accessible application, once its main window is up."""
        if self.app is None:
            self.app = self.h.reader.app_for(self, timeout)
        return self.app


class Reader:
    """Reads the copies over AT-SPI."""

    def __init__(self, harness):
        self.h = harness
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi, Gio, GLib
        self.Atspi, self.Gio, self.GLib = Atspi, Gio, GLib
        Atspi.init()
        Atspi.set_timeout(10000, 15000)
        self._conn = None

    def app_for(self, copy, timeout):
        Atspi = self.Atspi

        def find():
            if not copy.running():
                raise TestFailure("%s ended before its window came up (exit code %s, see %s)"
                                  % (copy.nick, copy.proc.returncode, copy.stderr_path))
            desktop = Atspi.get_desktop(0)
            for i in range(desktop.get_child_count()):
                app = desktop.get_child_at_index(i)
                try:
                    if app is not None and app.get_process_id() == copy.proc.pid:
                        app.set_cache_mask(Atspi.Cache.NONE)
                        ui = CopyUi(self, copy, app)
                        if ui.main_window() is not None:
                            return ui
                except self.GLib.Error:
                    continue
            return None

        ui = wait_until(find, timeout, 0.3,
                        what="%s's main window to appear over AT-SPI" % copy.nick)
        self.h.log("%s is up after %.1f s" % (copy.nick, time.monotonic() - copy.started_at))
        return ui

    def connection(self):
        """A connection of our own to the accessibility bus, for calls we do not wait on."""
        if self._conn is None:
            Gio, GLib = self.Gio, self.GLib
            session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
            reply = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                      "GetAddress", None, GLib.VariantType("(s)"),
                                      Gio.DBusCallFlags.NONE, 10000, None)
            self._conn = Gio.DBusConnection.new_for_address_sync(
                reply.unpack()[0],
                Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
                | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
        return self._conn

    def fire_action(self, acc, index=0):
        """Runs an action without waiting for its answer: an action that opens a modal dialog
        answers only when the dialog closes."""
        Gio, GLib = self.Gio, self.GLib
        msg = Gio.DBusMessage.new_method_call(acc.app.bus_name, acc.path,
                                              "org.a11y.atspi.Action", "DoAction")
        msg.set_body(GLib.Variant("(i)", (index,)))
        msg.set_flags(Gio.DBusMessageFlags.NO_REPLY_EXPECTED)
        conn = self.connection()
        conn.send_message(msg, Gio.DBusSendMessageFlags.NONE)
        conn.flush_sync(None)


class Line:
    """One line of a text view: its text, and the colour and weight its characters have."""

    def __init__(self, text, color, bold, uniform):
        self.text = text
        self.color = color      # "r,g,b" as AT-SPI reports it, None when not set
        self.bold = bold
        self.uniform = uniform  # the whole line has one colour and weight

    def __repr__(self):
        return "%r(fg %s%s%s)" % (self.text, self.color, ", bold" if self.bold else "",
                                  "" if self.uniform else ", mixed")


class CopyUi:
    """The windows and controls of one copy, found as a screen reader finds them: by role,
    name, description and place (Qt 6.4 does not expose object names over AT-SPI)."""

    MAIN_TITLE = "Palavrix"
    PRIVATE_TITLE = "Palavrix - приват"
    INPUT_HINT = "Введите текст сообщения"

    def __init__(self, reader, copy, app):
        self.r = reader
        self.Atspi = reader.Atspi
        self.copy = copy
        self.app = app

    # Walking.

    def _children(self, acc):
        try:
            count = acc.get_child_count()
        except self.r.GLib.Error:
            return []
        kids = []
        for i in range(count):
            try:
                child = acc.get_child_at_index(i)
            except self.r.GLib.Error:
                continue
            if child is not None:
                kids.append(child)
        return kids

    def walk(self, acc, depth=14):
        yield acc
        if depth > 0:
            for child in self._children(acc):
                yield from self.walk(child, depth - 1)

    def role(self, acc):
        try:
            return acc.get_role_name()
        except self.r.GLib.Error:
            return ""

    def name(self, acc):
        try:
            return acc.get_name() or ""
        except self.r.GLib.Error:
            return ""

    def description(self, acc):
        try:
            return acc.get_description() or ""
        except self.r.GLib.Error:
            return ""

    def states(self, acc):
        try:
            return {s.value_nick for s in acc.get_state_set().get_states()}
        except self.r.GLib.Error:
            return set()

    def find(self, root, role=None, name=None, name_prefix=None, desc_prefix=None,
             want=None, showing=False):
        for acc in self.walk(root):
            if role is not None and self.role(acc) != role:
                continue
            if name is not None and self.name(acc) != name:
                continue
            if name_prefix is not None and not self.name(acc).startswith(name_prefix):
                continue
            if desc_prefix is not None and not self.description(acc).startswith(desc_prefix):
                continue
            if showing and "showing" not in self.states(acc):
                continue
            if want is not None and not want(acc):
                continue
            return acc
        return None

    def find_all(self, root, role):
        return [acc for acc in self.walk(root) if self.role(acc) == role]

    # Windows.

    def windows(self):
        """The copy's shown top-level windows as (role, name, accessible)."""
        found = []
        for acc in self._children(self.app):
            if "visible" in self.states(acc) or "showing" in self.states(acc):
                found.append((self.role(acc), self.name(acc), acc))
        return found

    def window(self, title, roles=("frame", "window", "dialog", "filler")):
        # A top-level plain widget (the private window) shows as a filler.
        for role, name, acc in self.windows():
            if role in roles and name == title:
                return acc
        return None

    def main_window(self):
        return self.window(self.MAIN_TITLE)

    def private_window(self):
        return self.window(self.PRIVATE_TITLE)

    def dialogs(self):
        """Open message boxes: (caption, the texts of their labels, accessible)."""
        found = []
        for role, name, acc in self.windows():
            if role in ("alert", "dialog"):
                labels = [self.name(a) for a in self.walk(acc, 4) if self.role(a) == "label"]
                found.append((name, [l for l in labels if l], acc))
        return found

    # Controls of a window.

    def text_views(self, window):
        """The read-only multi-line text views of a window, left to right, top to bottom."""
        views = [acc for acc in self.find_all(window, "text")
                 if "read-only" in self.states(acc) and "multi-line" in self.states(acc)]
        return sorted(views, key=lambda acc: (self.extents(acc)[0], self.extents(acc)[1]))

    def public_view(self):
        """The conversation: the view left of the splitter."""
        views = self.text_views(self.main_window())
        return views[0] if views else None

    def user_list(self):
        """The user list: the view right of the splitter."""
        views = self.text_views(self.main_window())
        return views[1] if len(views) > 1 else None

    def input_box(self, window):
        return self.find(window, role="text", desc_prefix=self.INPUT_HINT,
                         want=lambda a: "editable" in self.states(a))

    def button(self, window, caption):
        return self.find(window, role="push button", name=caption)

    def menu_item(self, *path):
        node = self.main_window()
        for caption in path:
            node = self.find(node, role="menu item", name=caption)
            if node is None:
                return None
        return node

    def user_count_text(self):
        label = self.find(self.main_window(), role="label", name_prefix="Пользователей в чате: ")
        return self.name(label) if label is not None else None

    def private_view(self):
        window = self.private_window()
        if window is None:
            return None
        views = self.text_views(window)
        return views[0] if views else None

    def recipient_box(self):
        window = self.private_window()
        return self.find(window, role="combo box") if window is not None else None

    def recipient_items(self):
        box = self.recipient_box()
        if box is None:
            return None
        listing = self.find(box, role="list")
        return [self.name(a) for a in self._children(listing)
                if self.role(a) == "list item"] if listing is not None else []

    # Reading and acting.

    def text(self, acc):
        return acc.get_text(0, -1)

    def lines(self, acc):
        """The lines of a text view with their colours and weights."""
        Text = self.Atspi.Text
        whole = acc.get_text(0, -1)
        result = []
        offset = 0
        for line in re.split("\n|\u2029", whole):
            color, bold, uniform = None, False, True
            if line:
                attrs, _start, end = Text.get_attribute_run(acc, offset, False)
                color = attrs.get("fg-color")
                bold = attrs.get("weight") in ("bold", "700", "800", "900")
                uniform = end >= offset + len(line)
            result.append(Line(line, color, bold, uniform))
            offset += len(line) + 1
        while result and result[-1].text == "" and len(result) > 1:
            result.pop()
        if len(result) == 1 and result[0].text == "":
            return []
        return result

    def set_text(self, acc, text):
        if not acc.set_text_contents(text):
            raise TestFailure("%s: the text box refused the text %r" % (self.copy.nick, text))

    def press(self, acc):
        """Runs the first action (a click) and waits for it: for actions that open no dialog."""
        if not acc.do_action(0):
            raise TestFailure("%s: the action of %r failed" % (self.copy.nick, self.name(acc)))

    def fire(self, acc):
        """Runs the first action without waiting: for actions that open a modal dialog."""
        self.r.fire_action(acc)

    def extents(self, acc):
        rect = acc.get_extents(self.Atspi.CoordType.SCREEN)
        return rect.x, rect.y, rect.width, rect.height

    # Steps several tests take.

    def listed(self):
        view = self.user_list()
        return [line.text for line in self.lines(view)] if view is not None else []

    def wait_dialog(self, text_prefix, timeout=10.0):
        """Waits for a message box whose text starts with text_prefix; returns
        (caption, text, accessible)."""
        def probe():
            for caption, labels, acc in self.dialogs():
                for label in labels:
                    if label.startswith(text_prefix):
                        return caption, label, acc
            return None
        return wait_until(probe, timeout, 0.1,
                          what="%s to show a dialog starting %r" % (self.copy.nick, text_prefix))

    def answer(self, dialog, caption):
        """Presses a button of an open dialog."""
        button = self.find(dialog, role="push button", name=caption)
        if button is None:
            raise TestFailure("%s: the dialog has no button %r" % (self.copy.nick, caption))
        self.press(button)

    def open_private_window(self):
        self.press(self.menu_item("Сервис", "Приват"))
        return wait_until(self.private_window, 10.0, 0.1,
                          what="%s's private window to open" % self.copy.nick)

    SETTINGS_TITLE = "Настройки"

    def settings_window(self):
        return self.window(self.SETTINGS_TITLE)

    def open_settings(self):
        self.press(self.menu_item("Сервис", "Настройки"))
        return wait_until(self.settings_window, 10.0, 0.1,
                          what="%s's settings window to open" % self.copy.nick)

    def quit(self, timeout=30.0):
        """The exit path: "Выход...", then OK at the question; returns the question's text
        and the exit code."""
        self.fire(self.menu_item("Файл", "Выход..."))
        _caption, text, dialog = self.wait_dialog("Время проведенное в программе: ")
        self.answer(dialog, "OK")
        code = self.copy.wait_exit(timeout)
        if code is None:
            raise TestFailure("%s did not end within %.0f s of OK at the exit question"
                              % (self.copy.nick, timeout))
        self.copy.h.log("%s ended with exit code %d" % (self.copy.nick, code))
        return text, code


def wait_all_listed(harness, uis, nicks, timeout):
    """Waits until every copy lists exactly these nicks; a failure names who lists what."""
    deadline = time.monotonic() + timeout
    for nick, ui in uis.items():
        wait_until(lambda: ui.listed() == nicks, max(0.0, deadline - time.monotonic()))
    wrong = {nick: ui.listed() for nick, ui in uis.items() if ui.listed() != nicks}
    harness.require(not wrong, "every copy lists %s (wrong: %s)" % (nicks, wrong))


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--stage", required=True, help="the staged portable program folder")
    parser.add_argument("--logs", required=True, help="where logs and screenshots go")
    parser.add_argument("--time-limit", type=int, default=240,
                        help="the harness ends the test itself after this many seconds")
    return parser.parse_args()


def ensure_system_python():
    """The AT-SPI bindings are Debian packages for the system interpreter: run under it."""
    try:
        import gi  # noqa: F401
        return
    except ImportError:
        pass
    if os.path.exists(SYSTEM_PYTHON) and os.path.realpath(sys.executable) != os.path.realpath(
            SYSTEM_PYTHON):
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)


def run_test(name, body):
    """Runs one test: 0 passed, 1 failed, SKIP_CODE skipped."""
    ensure_system_python()
    args = parse_args()
    harness = None
    ended = None
    try:
        with Harness(name, args.stage, args.logs, args.time_limit) as harness:
            try:
                body(harness)
            finally:
                for report in harness.sanitizer_reports():
                    harness.expect(False, "sanitizer or crash report: " + report)
    except Skip as why:
        print("SKIPPED: %s" % why)
        return SKIP_CODE
    except TestFailure as failure:
        ended = "stopped at: %s" % failure
    except Interrupted as why:
        ended = "interrupted: %s" % why
    except Exception:  # a fault of the harness or of the environment, not a verdict
        traceback.print_exc()
        ended = "harness error: %s" % traceback.format_exc().strip().splitlines()[-1]
    failures = harness.failures() if harness is not None else []
    if ended is not None and (not failures or failures[-1] not in ended):
        failures.append(ended)
    if failures:
        print("FAILED: %d check(s):\n  %s" % (len(failures), "\n  ".join(failures)))
        return 1
    print("PASSED")
    return 0
