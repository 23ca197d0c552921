#!/usr/bin/env bash
# A subnet full of peers against one window copy: 254 peers announcing every 4 s and 20 public
# lines a second among them, sent by one process from 254 addresses in a namespace of its own,
# against the real program on a real X display (Xvfb) in another namespace on the same bridge.
# Reports the window copy's CPU share (utime + stime from /proc/<pid>/stat over the measured
# time) and its resident memory (VmRSS, sampled every 5 s); never fails on the figures.
#
#   sudo bench/subnet/run.sh [BUILD] [SECONDS]        # BUILD defaults to build/release, 60 s
#
# Build first: cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DPALAVRIX_TESTS=OFF
#              cmake --build build/release
# Needs root (ip netns), iproute2, Xvfb, python3; imagemagick's import for the screenshot.
# The copy runs from its own copy of BUILD/Palavrix with the shipped Chat.cfg, changed only to
# log on at once as "Bench" (AutoLogon=1, SavedNick) and to use the subnet's broadcast address
# (ChangeIP=1); the user list is refreshed every 5 s (RedrawUsrWnd=1), so each refresh lists all
# 255 users (the peers and the copy itself). Addresses 10.215.0.0/23 exist only in the
# namespaces. The namespaces, processes and work folder go away however the run ends; the
# sender's counts, the copy's stderr and a screenshot stay in BUILD/bench/subnet/.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:-build/release}" && pwd)
MEASURE=${2:-60}
STAGE=$BUILD/Palavrix
OUT=$BUILD/bench/subnet
WARMUP=12  # the copy up, the table full, two refreshes done
SAMPLE=5

[[ $(id -u) == 0 ]] || { echo "run as root (network namespaces)" >&2; exit 1; }
[[ -x $STAGE/Palavrix ]] || { echo "no $STAGE/Palavrix: build first" >&2; exit 1; }

TAG=pvxsub$$
HUB=$TAG-hub WIN=$TAG-win PEERS=$TAG-peers
WIN_ADDR=10.215.0.1 FIRST_PEER=10.215.1.1 BROADCAST=10.215.1.255 PEER_COUNT=254
WORK=$(mktemp -d /tmp/pvx-subnet.XXXXXX)
PIDS=()

cleanup() {
    trap - EXIT INT TERM HUP
    for pid in "${PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
    sleep 0.5
    for pid in "${PIDS[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    for ns in "$WIN" "$PEERS" "$HUB"; do
        for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
        ip netns del "$ns" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

mkdir -p "$OUT"
rm -f "$OUT"/*

# The network: a bridge in a hub namespace, the copy and the peers each on one port of it.
ip netns add "$HUB"
ip -n "$HUB" link add br0 type bridge
ip -n "$HUB" link set br0 up
port=0
for pair in "$WIN:$WIN_ADDR" "$PEERS:$FIRST_PEER"; do
    ns=${pair%%:*} addr=${pair#*:}
    ip netns add "$ns"
    ip -n "$HUB" link add p$port type veth peer name eth0 netns "$ns"
    ip -n "$HUB" link set p$port master br0
    ip -n "$HUB" link set p$port up
    ip -n "$ns" link set lo up
    ip -n "$ns" addr add "$addr/23" brd + dev eth0
    ip -n "$ns" link set eth0 up
    port=$((port + 1))
done
for i in $(seq 2 $PEER_COUNT); do
    echo "addr add 10.215.1.$i/23 brd + dev eth0"
done | ip -n "$PEERS" -batch -

# The display.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$WORK/display" \
    >"$OUT/xvfb.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 100); do grep -q . "$WORK/display" 2>/dev/null && break; sleep 0.1; done
DISPLAY_NAME=:$(head -n1 "$WORK/display")

# The copy's portable folder and settings: the shipped Chat.cfg, four lines changed.
mkdir -p "$WORK/copy" "$WORK/home" "$WORK/runtime"
chmod 700 "$WORK/runtime"
cp -a "$STAGE" "$WORK/copy/"
rm -f "$WORK/copy/Palavrix/Chat.cfg"
find "$WORK/copy/Palavrix" -maxdepth 1 -name '*.dat' ! -name tmp.dat -delete
sed -e 's/^AutoLogon=.*/AutoLogon=1/' -e 's/^SavedNick=.*/SavedNick=Bench/' \
    -e 's/^RedrawUsrWnd=.*/RedrawUsrWnd=1/' -e 's/^ChangeIP=.*/ChangeIP=1/' \
    -e "s/^BroadcastIP=.*/BroadcastIP=$BROADCAST/" \
    "$HERE/../../resources/dist/Chat.cfg" >"$WORK/copy/Palavrix/Chat.cfg"

# The peers first, so the copy meets a busy subnet from its first moment.
RUN_FOR=$((WARMUP + MEASURE + 40))
ip netns exec "$PEERS" python3 "$HERE/subnet_peers.py" --first $FIRST_PEER \
    --count $PEER_COUNT --broadcast $BROADCAST --watch $WIN_ADDR --seconds $RUN_FOR \
    >"$OUT/peers.out" 2>"$OUT/peers.err" &
PEERS_PID=$!
PIDS+=($PEERS_PID)

(cd "$WORK/copy/Palavrix" && exec env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/runtime" DISPLAY="$DISPLAY_NAME" \
    QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none \
    ip netns exec "$WIN" ./Palavrix) >"$OUT/copy.stderr" 2>&1 &
COPY=$!
PIDS+=($COPY)

for _ in $(seq 300); do grep -q '^ready' "$OUT/peers.out" 2>/dev/null && break; sleep 0.1; done
grep -q '^ready' "$OUT/peers.out" || { echo "the copy never announced itself" >&2; exit 1; }
[[ $(cat /proc/$COPY/comm) == Palavrix ]] || { echo "pid $COPY is not the copy" >&2; exit 1; }
echo "copy (pid $COPY) is up and announcing; warming up ${WARMUP} s, then measuring ${MEASURE} s"
sleep "$WARMUP"

TICK=$(getconf CLK_TCK)
cpu_ticks() { awk '{ s = $0; sub(/.*\) /, "", s); split(s, f, " "); print f[12] + f[13] }' \
    "/proc/$COPY/stat"; }
rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$COPY/status"; }

# Each user-list refresh timed from outside by uprobes on the refresh the timer runs:
# TForm1::RefreshUserList when it is a call of its own in this build, else the one call it
# makes, ChatSession::RefreshUsers (the session sorts the table and the window fills the list
# and the recipient box before it returns).
EXE=$(readlink "/proc/$COPY/exe")
REFRESH='TForm1::RefreshUserList()'
objdump -d --no-show-raw-insn -C "$EXE" | grep -q "call.*<$REFRESH>" ||
    REFRESH='ChatSession::RefreshUsers()'
python3 "$HERE/uprobe_timer.py" --pid "$COPY" --binary "$EXE" --symbol "$REFRESH" \
    --seconds $((MEASURE + 2)) >"$OUT/refresh.out" 2>"$OUT/refresh.err" &
PROBE_PID=$!
PIDS+=($PROBE_PID)

t0=$(date +%s.%N) c0=$(cpu_ticks)
rss=()
for ((elapsed = 0; elapsed <= MEASURE; elapsed += SAMPLE)); do
    rss+=("$(rss_kib)")
    ((elapsed < MEASURE)) && sleep "$SAMPLE"
done
t1=$(date +%s.%N) c1=$(cpu_ticks)
import -display "$DISPLAY_NAME" -window root "$OUT/screen.png" 2>/dev/null || true

kill -TERM "$PEERS_PID" "$PROBE_PID" 2>/dev/null || true
wait "$PROBE_PID" 2>/dev/null || true
refresh=$(python3 -c 'import json, statistics, sys
calls = json.loads(sys.stdin.read().splitlines()[-1])["calls_ms"]
print("%d calls: median %.3f ms, max %.3f ms (%s)" % (len(calls), statistics.median(calls),
      max(calls), " ".join("%.3f" % c for c in calls)) if calls else "no calls seen")' \
    <"$OUT/refresh.out" 2>>"$OUT/refresh.err" || echo "not measured (see refresh.err)")
wait "$PEERS_PID" 2>/dev/null || true
counts=$(tail -n1 "$OUT/peers.out")

awk -v c0="$c0" -v c1="$c1" -v t0="$t0" -v t1="$t1" -v tick="$TICK" -v rss="${rss[*]}" \
    -v counts="$counts" -v peers=$PEER_COUNT -v refresh="$refresh" -v probed="$REFRESH" 'BEGIN {
    wall = t1 - t0; cpu = (c1 - c0) / tick
    n = split(rss, r, " "); lo = r[1]; hi = r[1]
    for (i = 2; i <= n; i++) { if (r[i] < lo) lo = r[i]; if (r[i] > hi) hi = r[i] }
    printf "subnet bench: %d peers announcing every 4 s + 20 public lines/s -> one window copy\n", peers
    printf "%-36s %6.2f %% of one core (%.2f s CPU over %.1f s)\n", "window copy CPU", 100 * cpu / wall, cpu, wall
    printf "%-36s %s KiB\n", "resident memory every 5 s", rss
    printf "%-36s %d KiB first, %d KiB last, %d KiB spread\n", "resident memory", r[1], r[n], hi - lo
    printf "%-36s %s\n", "user list refresh, 255 users", refresh
    printf "%-36s %s, by uprobes, the copy on Xvfb\n", "  timed function", probed
    printf "%-36s %s\n", "sender counts (whole run)", counts
}' | tee "$OUT/figures.txt"
