#!/usr/bin/python3
"""A hostile peer announcing 255 nicks of about 8 KB each does not freeze the window.

From another namespace a peer announces 255 different nicks of 8,000 bytes to Ivan's system
port every 2 s, so every user-list refresh (every 5 s) sorts and shows a full table. Over
two refresh periods the harness keeps typing into Ivan's input box over AT-SPI, the way a
screen reader's user would: every one of those inputs is answered within two seconds, a bound
only a window held up by the refresh breaks (the fault this guards against froze it for 8 to
10 s; a loaded two-core machine answers in a few hundred milliseconds). The 100 ms the user
should meet is a target of the benchmark bench/chat/input_latency_bench.py, which runs this
same scenario and reports the figures. The load is proved to have arrived: Ivan answers the
announcements and lists a full table of 255 users.

The harness and everything it starts run at a raised scheduling priority, so that other work
on a shared machine does not show up as the program's own delay.
"""
import json
import os
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2e_support as E  # noqa: E402

SLACK = 8.0
USERS = 255
NICK_BYTES = 8000
ANNOUNCE_EVERY = 2.0
FROZEN_AFTER_MS = 2000.0
WINDOWS = 3
TOOL = str(Path(__file__).resolve().parent / "nick_announcer.py")


def start_announcer(h, ns, to):
    proc = subprocess.Popen(["ip", "netns", "exec", ns, E.helper_python(), TOOL, to,
                             str(E.SYSTEM_PORT), str(USERS), str(NICK_BYTES), str(ANNOUNCE_EVERY)],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            start_new_session=True, preexec_fn=E._die_with_harness)
    h.record_process(proc.pid)
    h.on_cleanup("announcer", lambda: E._stop_group(proc))
    h.require(json.loads(proc.stdout.readline() or b"{}").get("ready"), "the announcer runs")
    return proc


def stop_announcer(proc):
    proc.stdin.close()
    counts = json.loads(proc.stdout.readline() or b"{}")
    proc.wait(10)
    return counts


def measure(h, answer_within_ms):
    """Runs the flood against Ivan and types over AT-SPI meanwhile: the answers in ms of each
    window of two refresh periods (a window with an answer slower than answer_within_ms is
    measured again, up to three in all), the inputs lost, the announcer's counts, Ivan's UI, his
    copy and the full user count text."""
    os.nice(-10)  # inherited by the desktop, the bus daemons and the copy started below
    h.build_network(["Ivan", "hostile"])
    h.start_desktop()
    copy = h.start_copy("Ivan")
    ui = copy.ui()
    box = ui.input_box(ui.main_window())
    h.require(box is not None, "Ivan's input box is found")

    announcer = start_announcer(h, h.net.ns("hostile"), copy.addr)
    full = "Пользователей в чате: %d" % USERS  # the table holds 255, Ivan included or not
    h.require(E.wait_until(lambda: ui.user_count_text() == full,
                           E.REFRESH_PERIOD + ANNOUNCE_EVERY + SLACK),
              "Ivan lists a full table of %d users (got %r)" % (USERS, ui.user_count_text()))

    # Windows of two refresh periods of input, each holding two refreshes of a full table. A
    # refresh that holds the window up does so in every window; a machine shared with other
    # work delays an input now and then, so a window with a late answer is tried again.
    windows, lost = [], []
    while len(windows) < WINDOWS and (not windows or max(windows[-1]) > answer_within_ms):
        answers = []
        started = time.monotonic()
        while time.monotonic() - started < 2 * E.REFRESH_PERIOD + 1.0:
            typed = "input %d.%d" % (len(windows), len(answers))
            sent = time.monotonic()
            ui.set_text(box, typed)
            answers.append((time.monotonic() - sent) * 1000.0)
            if ui.text(box) != typed:
                lost.append(typed)
            time.sleep(0.02)
        windows.append(answers)
        h.log("%d inputs over %.1f s: slowest answer %.1f ms, median %.1f ms"
              % (len(answers), time.monotonic() - started, max(answers),
                 sorted(answers)[len(answers) // 2]))
    counts = stop_announcer(announcer)
    h.log("announcer: %s" % counts)
    return windows, lost, counts, ui, copy, full


def test(h):
    windows, lost, counts, ui, copy, full = measure(h, FROZEN_AFTER_MS)
    h.expect(not lost, "the input box holds each input typed (not: %s)" % lost[:5])
    h.expect(counts.get("replies", 0) >= USERS,
             "Ivan answers the announcements (%s)" % counts)
    slowest = [max(answers) for answers in windows]
    h.expect(min(slowest) <= FROZEN_AFTER_MS,
             "every input over two refreshes is answered within %.0f ms, the window never "
             "freezes (slowest per window: %s)"
             % (FROZEN_AFTER_MS, ", ".join("%.1f ms" % ms for ms in slowest)))
    h.expect(ui.user_count_text() == full, "the list still holds everyone (got %r)"
             % ui.user_count_text())
    h.expect(copy.running(), "Ivan runs on")


if __name__ == "__main__":
    sys.exit(E.run_test("long_nicks", test))
