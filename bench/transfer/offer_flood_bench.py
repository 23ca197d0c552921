#!/usr/bin/python3
"""An offer flood: what a hostile chat user's offers of files do to the window.

The staged program runs on a real X display (Xvfb) in a network namespace of its own, with
accessibility on and the option to open the private window for a private message. From
another namespace a hostile chat user (tests/e2e/offer_flooder.py) announces its presence on
the system port and its file port from a socket bound to 558, as a copy does, and once it is
listed sends offers of files from that socket, each followed by its cancel: 10,000 over 10 s,
then, to a fresh copy, 6,000 over 30 s. Reported for each flood:

  * input delay: the copy's answer to a screen reader's calls (AT-SPI round trips through its
    UI thread, as bench/net/net_bench.py measures them): every 50 ms, the main window's name
    and a look for the private window, slowest and median, with the calls the hypervisor
    paused set apart;
  * how often the private window was opened: whenever a look finds it shown, the harness
    closes it as a window manager's close button does; an opening counts when it was seen
    closed in between, or when it is still (again) shown 1 s after the close;
  * rows left in the transfer panel once the flood is over (the private window opened from
    the menu): the children of the panel's list;
  * resident memory of the copy before the flood (listed, settled) and after it (2 s later),
    and the CPU time it spent.

Reports figures, never fails on them. Needs root and what the whole-program tests need
(tests/e2e/README.md); builds nothing. Everything it starts is removed however it ends.
"""
import argparse
import json
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
sys.path.insert(0, str(ROOT / "bench" / "net"))
import e2e_support as E  # noqa: E402
import net_bench as N  # noqa: E402
import test_offer_flood as T  # noqa: E402

# Names of its own, apart from the tests' and the other benchmarks'.
E.NS_PREFIX = "pvxofferb-"
E.WORK_BASE = Path("/tmp/pvx-offerbench")

FLOODS = ((10000, 10.0), (6000, 30.0))
PROBE_PERIOD = 0.05
SETTLE = 2.0
REOPEN_AFTER = 1.0


def timed(call):
    """An AT-SPI call's answer in ms, with the steal time meanwhile, as net_bench.probe gives
    them, and its result."""
    stolen = N.steal_ms()
    started = time.monotonic()
    result = call()
    return ((time.monotonic() - started) * 1000.0, N.steal_ms() - stolen), result


def main_window_name(ui):
    window = ui.main_window()
    return ui.name(window) if window is not None else None


def probe_round(h, copy, ui, state):
    """net_bench's call to the main window, then a look for the private window (itself a call
    through the UI thread), which the harness closes when it finds it shown: an opening counts
    when the window was seen closed before."""
    first, _ = timed(lambda: main_window_name(ui))
    second, shown = timed(lambda: ui.private_window() is not None)
    now = time.monotonic()
    if shown and (not state["closing"] or now - state["closed_at"] > REOPEN_AFTER):
        # Shown again well after the harness closed it: opened again, as far as looks tell.
        state["openings"] += 1
        state["reopened"] = state["reopened"] or state["closing"]
        state["closing"], state["closed_at"] = True, now
        T.close_window(h, copy, ui.PRIVATE_TITLE)
    elif not shown:
        state["closing"] = False
    return [first, second]


def flood(h, nick, node, count, seconds):
    copy = h.start_copy(nick, node=node, config={"ShowPrivateWND": "1"})
    ui = copy.ui()
    flooder = T.start_flooder(h, "hostile", copy.addr, count, seconds)
    h.require(E.wait_until(lambda: "Mallory" in ui.listed(), E.REFRESH_PERIOD + 8.0, 0.2),
              "the copy lists Mallory")
    time.sleep(SETTLE)
    before = N.memory(copy.proc.pid)
    cpu = N.cpu_seconds(copy.proc.pid)
    steal_before = N.steal_ms()
    T.go(flooder)
    probes, state = [], {"openings": 0, "closing": False, "closed_at": 0.0, "reopened": False}
    while flooder.poll() is None:
        probes += probe_round(h, copy, ui, state)
        time.sleep(PROBE_PERIOD)
    sent = T.flooder_result(flooder)
    result = {"offers": count, "seconds": seconds, "sent": sent, "openings": state["openings"],
              "reopened": state["reopened"], "memory_before": before}
    result.update(N.probe_summary(probes, steal_before))
    time.sleep(SETTLE)
    result["memory_after"] = N.memory(copy.proc.pid)
    result["cpu_s"] = N.cpu_seconds(copy.proc.pid) - cpu
    if ui.private_window() is None:
        ui.open_private_window()
    result["rows"] = T.transfer_rows(ui)
    h.screenshot("after-%d-in-%.0fs" % (count, seconds))
    h.log("flood %d in %.0f s: %s" % (count, seconds, json.dumps(result)))
    E._stop_group(copy.proc)
    return result


def report(results):
    print()
    print("offer_flood_bench: a hostile chat user's offers, each withdrawn at once, to the "
          "real program under Xvfb, accessibility on, across namespaces")
    print("%14s %8s %9s %9s %10s %10s %8s  %s" % (
        "flood", "rows", "openings", "prog CPU s", "RSS before", "RSS after", "stolen",
        "AT-SPI worst: any call / calls the hypervisor did not pause"))
    for r in results:
        print("%6d in %3.0f s %8s %9d %9.1f %7.1f MB %7.1f MB %5.0f ms  %s" % (
            r["offers"], r["seconds"], r["rows"], r["openings"], r["cpu_s"],
            r["memory_before"].get("VmRSS", 0), r["memory_after"].get("VmRSS", 0),
            r["steal_ms"], N.probe_text(r)))
    sys.stdout.flush()


def main():
    E.ensure_system_python()
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--stage", required=True, help="the staged portable program folder")
    parser.add_argument("--logs", default="/tmp/palavrix-offer-bench", help="logs go here")
    parser.add_argument("--floods", default=",".join("%d/%g" % f for f in FLOODS),
                        help="offers/seconds, comma-separated")
    args = parser.parse_args()
    floods = [(int(c), float(s)) for c, s in (f.split("/") for f in args.floods.split(",") if f)]
    limit = 60 + sum(seconds + 120 for _, seconds in floods)
    try:
        with E.Harness("offer_flood_bench", args.stage, args.logs, limit) as h:
            h.build_network(["hostile"] + ["chat%d" % i for i in range(len(floods))])
            h.start_desktop()
            results = [flood(h, "Olga%d" % i, "chat%d" % i, count, seconds)
                       for i, (count, seconds) in enumerate(floods)]
            report(results)
    except E.Skip as why:
        print("SKIPPED: %s" % why)
    except (E.TestFailure, E.Interrupted, RuntimeError) as why:
        print("offer_flood_bench could not measure: %s" % why)
    return 0


if __name__ == "__main__":
    sys.exit(main())
