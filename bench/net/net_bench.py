#!/usr/bin/python3
"""The public chat's real receive path, measured end to end.

The staged program runs in a network namespace of its own on a shared bridge, on a real X
display (Xvfb), its window shown; a paced peer (net_flood) in another namespace sends public
datagrams to it at 5,000, 10,000, 20,000 and 40,000 a second for 10 s each. Every line the
program shows is answered with one empty datagram, so the replies the peer counts are the
lines that reached the view. Reported per rate: lines shown, loss, lines handled per second
while sending, CPU time per handled datagram of the program and of the X server, and how
long the program took to answer a call over AT-SPI (a screen reader's round trip through
its UI thread, every 50 ms during the flood; accessibility is on for this copy). This machine
is a virtual one: now and then the hypervisor stops it for tens of milliseconds (steal time in
/proc/stat), which no program inside can help, so each call notes whether steal time grew
meanwhile and the slowest call is given twice, of all calls and of those not paused, beside
the steal time of the whole flood; the same calls for 10 s with nothing sent come first, as
what the machine adds by itself. The same floods then go to a second copy with
accessibility off, as most users run it: lines, loss and CPU without a screen reader's
events. Before the floods: the resident memory of an idle copy 10 s after its start,
accessibility off as for a user without a screen reader, with its largest parts.

Reports figures, never fails on them. Needs root and what the whole-program tests need
(tests/e2e/README.md); builds nothing. Everything it starts (namespaces, Xvfb, buses, the
program, the peer) is removed however it ends.
"""
import argparse
import json
import os
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "e2e"))
import e2e_support as E  # noqa: E402

# Names of its own, so that whole-program tests running meanwhile take nothing of this
# world for an earlier run's leftovers, nor this benchmark theirs.
E.NS_PREFIX = "pvxnetb-"
E.WORK_BASE = Path("/tmp/pvx-netbench")

RATES = (5000, 10000, 20000, 40000)
SECONDS = 10.0
PROBE_PERIOD = 0.05
IDLE_AFTER = 10.0
PLAIN_STARTUP = 5.0
PUBLIC_PORT = 555


class PlainCopy(E.Copy):
    """A copy as a user without a screen reader runs it: accessibility stays off."""

    def environment(self):
        env = super().environment()
        for key in ("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "QT_ACCESSIBILITY"):
            env.pop(key, None)
        return env


def start_plain_copy(h, nick, node, settle):
    """A copy without accessibility on `node`, given `settle` seconds to come up."""
    copy = PlainCopy(h, nick, node, {}, None)
    h.copies.append(copy)
    copy.start()
    time.sleep(settle)
    if not copy.running():
        raise RuntimeError("the copy %s ended (see %s)" % (nick, copy.stderr_path))
    return copy


def idle_memory(h):
    """Resident memory of a copy without accessibility, IDLE_AFTER seconds after its start."""
    copy = start_plain_copy(h, "Idle", "idle", IDLE_AFTER)
    idle = memory(copy.proc.pid)
    idle["largest"] = largest_mappings(copy.proc.pid)
    h.log("idle memory: %s" % idle)
    E._stop_group(copy.proc)
    return idle


def cpu_seconds(pid):
    """User and system time of a process, all its threads."""
    stat = Path("/proc/%d/stat" % pid).read_text()
    fields = stat[stat.rindex(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def memory(pid):
    """VmRSS and its parts, in MB."""
    values = {}
    for line in Path("/proc/%d/status" % pid).read_text().splitlines():
        key, _, rest = line.partition(":")
        if key in ("VmRSS", "RssAnon", "RssFile", "RssShmem"):
            values[key] = int(rest.split()[0]) / 1024.0
    return values


def largest_mappings(pid, count=12):
    """Resident kB by mapped file (anonymous memory as "[anon]"), largest first."""
    sizes = {}
    name = None
    for line in Path("/proc/%d/smaps" % pid).read_text().splitlines():
        head = line.split()
        if "-" in head[0] and ":" not in head[0]:
            name = head[5] if len(head) > 5 else "[anon]"
        elif head[0] == "Rss:":
            sizes[name] = sizes.get(name, 0) + int(head[1])
    return sorted(sizes.items(), key=lambda item: -item[1])[:count]


def percentile(samples, share):
    if not samples:
        return 0.0
    ordered = sorted(samples)
    return ordered[min(len(ordered) - 1, int(share * (len(ordered) - 1)))]


def steal_ms():
    """Time the hypervisor has kept this machine's processors from running it, all of them."""
    fields = Path("/proc/stat").read_text().split("\n", 1)[0].split()
    return int(fields[8]) * 1000.0 / os.sysconf("SC_CLK_TCK")


def probe(ui):
    """One AT-SPI round trip to the program's UI thread, in ms, and how much of the machine's
    time the hypervisor took meanwhile (in steps of a clock tick)."""
    stolen = steal_ms()
    started = time.monotonic()
    ui.name(ui.main_window())
    return (time.monotonic() - started) * 1000.0, steal_ms() - stolen


def probe_summary(probes, steal_before):
    """The calls' answers (ms, paused) and the steal time since steal_before, summed up."""
    return {
        "probe_median_ms": percentile([ms for ms, _ in probes], 0.5),
        "probe_worst_ms": max((ms for ms, _ in probes), default=0.0),
        "probe_worst_unstolen_ms": max((ms for ms, stolen in probes if not stolen), default=0.0),
        "probes_stolen": sum(1 for _, stolen in probes if stolen),
        "steal_ms": steal_ms() - steal_before,
        "probes": len(probes),
    }


def probe_text(r):
    return "%.1f ms / %.1f ms  (median %.1f ms, %d calls, %d paused)" % (
        r["probe_worst_ms"], r["probe_worst_unstolen_ms"], r["probe_median_ms"], r["probes"],
        r["probes_stolen"])


def flood(h, copy, ui, flood_exe, rate):
    chat_pid, x_pid = copy.proc.pid, h.desktop.xvfb.pid
    chat_cpu, x_cpu = cpu_seconds(chat_pid), cpu_seconds(x_pid)
    steal_before = steal_ms()
    sender = subprocess.Popen(
        ["ip", "netns", "exec", h.net.ns("flood"), str(flood_exe), copy.addr, str(PUBLIC_PORT),
         str(rate), str(SECONDS)],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, start_new_session=True,
        preexec_fn=E._die_with_harness)
    h.record_process(sender.pid)
    h.on_cleanup("flood sender", lambda: E._stop_group(sender))
    started = time.monotonic()
    probes = []
    while sender.poll() is None:
        if ui is not None and time.monotonic() - started < SECONDS:
            probes.append(probe(ui))
        time.sleep(PROBE_PERIOD)
    out, err = sender.communicate()
    if sender.returncode != 0 or not out.strip():
        raise RuntimeError("net_flood failed (%s): %s" % (sender.returncode, err.strip()))
    result = json.loads(out)
    handled = max(1, result["replies"])
    result.update({
        "rate": rate,
        "loss": result["sent"] - result["replies"],
        "handled_per_s": result["replies_in_window"] / result["seconds"],
        "program_us": (cpu_seconds(chat_pid) - chat_cpu) * 1e6 / handled,
        "x_us": (cpu_seconds(x_pid) - x_cpu) * 1e6 / handled,
    })
    result.update(probe_summary(probes, steal_before))
    h.log("rate %d: %s" % (rate, json.dumps(result)))
    return result


def quiet_probes(h, ui):
    """The same calls for SECONDS with nothing sent: what the machine itself adds."""
    steal_before = steal_ms()
    started = time.monotonic()
    probes = []
    while time.monotonic() - started < SECONDS:
        probes.append(probe(ui))
        time.sleep(PROBE_PERIOD)
    quiet = probe_summary(probes, steal_before)
    h.log("no flood: %s" % json.dumps(quiet))
    return quiet


def plain_floods(h, flood_exe, rates):
    """The same floods at a copy without accessibility, as most users run it: no AT-SPI
    events for each new line, and no probes."""
    copy = start_plain_copy(h, "Plain", "plain", PLAIN_STARTUP)
    return [flood(h, copy, None, flood_exe, rate) for rate in rates]


def print_table(results, probes):
    print("%8s %9s %9s %7s %11s %11s %9s %9s  %s" % (
        "rate/s", "sent", "shown", "lost", "handled/s", "prog us/dg", "X us/dg", "stolen",
        "AT-SPI worst: any call / calls the hypervisor did not pause" if probes else ""))
    for r in results:
        line = "%8d %9d %9d %7d %11.0f %11.1f %9.1f %6.0f ms" % (
            r["rate"], r["sent"], r["replies"], r["loss"], r["handled_per_s"], r["program_us"],
            r["x_us"], r["steal_ms"])
        if probes:
            line += "  " + probe_text(r)
        print(line)


def report(idle, quiet, results, plain):
    print()
    print("net_bench: public datagrams -> listener -> hand-over -> TForm1 -> RichEdit1, "
          "real sockets across namespaces, Xvfb, window shown")
    print("idle resident memory %.0f s after start: %.1f MB (anonymous %.1f, file %.1f, "
          "shared %.1f)" % (IDLE_AFTER, idle.get("VmRSS", 0), idle.get("RssAnon", 0),
                            idle.get("RssFile", 0), idle.get("RssShmem", 0)))
    print("largest parts: " + ", ".join("%s %.1f MB" % (Path(n).name, kb / 1024.0)
                                        for n, kb in idle["largest"]))
    print("accessibility on (a screen reader's calls every %.0f ms):" % (PROBE_PERIOD * 1000))
    print("no flood (%.0f s): stolen %.0f ms, AT-SPI worst (any call / not paused) %s" % (
        SECONDS, quiet["steal_ms"], probe_text(quiet)))
    print_table(results, True)
    print("accessibility off (as a user without a screen reader):")
    print_table(plain, False)
    if not results:
        return
    lossless = [r["rate"] for r in results if r["loss"] == 0]
    print("highest rate without loss: %s" % (max(lossless) if lossless else "none"))
    print("most handled per second: %.0f" % max(r["handled_per_s"] for r in results))
    sys.stdout.flush()


def main():
    E.ensure_system_python()
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--stage", required=True, help="the staged portable program folder")
    parser.add_argument("--flood", required=True, help="the built net_flood")
    parser.add_argument("--logs", default="/tmp/palavrix-net-bench", help="logs go here")
    parser.add_argument("--rates", default=",".join(str(r) for r in RATES))
    args = parser.parse_args()
    rates = [int(r) for r in args.rates.split(",") if r]
    try:
        with E.Harness("net_bench", args.stage, args.logs, 120 + 45 * len(rates)) as h:
            h.build_network(["chat", "flood", "idle", "plain"])
            h.start_desktop()
            idle = idle_memory(h)
            copy = h.start_copy("Bench", node="chat")
            ui = copy.ui()
            quiet = quiet_probes(h, ui)
            results = [flood(h, copy, ui, Path(args.flood).resolve(), rate) for rate in rates]
            h.screenshot("after-flood")
            E._stop_group(copy.proc)
            plain = plain_floods(h, Path(args.flood).resolve(), rates)
            report(idle, quiet, results, plain)
    except E.Skip as why:
        print("SKIPPED: %s" % why)
    except (E.TestFailure, E.Interrupted, RuntimeError) as why:
        print("net_bench could not measure: %s" % why)
    return 0


if __name__ == "__main__":
    sys.exit(main())
