#!/usr/bin/env bash
# The real k964 process under a virtual X server, against k964-sim on COM1:
# the time from its start until its main window is viewable (RUNS starts,
# each figure and the median), and its resident set after start-up, after
# confirming port 1, and after POLL seconds of the service panel's poll.
# Usage: tests/bench/process_bench.sh [BIN_DIR] [RUNS] [POLL]
#        (defaults: build/bin, 10, 60)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"

rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

# The simulator's command counter, asked through its standard input (fd 3).
sim_commands() {
    local before
    before=$(grep -c . "$work/sim.log")
    echo status >&3
    for _ in $(seq 100); do
        [ "$(grep -c . "$work/sim.log")" -gt "$before" ] && break
        sleep 0.05
    done
    tail -1 "$work/sim.log" | sed -n 's/.* commands=\([0-9]*\).*/\1/p'
}

if [ "${1:-}" = --inside-x ]; then
    work="$2"
    runs="$3"
    poll="$4"
    pids=()
    trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
    mkfifo "$work/sim.in"
    "$work/k964-sim" --dir "$work" --port 1 <"$work/sim.in" >"$work/sim.log" &
    pids+=($!)
    exec 3>"$work/sim.in"
    for _ in $(seq 100); do
        [ -e "$work/COM1" ] && break
        sleep 0.05
    done

    times=()
    for run in $(seq "$runs"); do
        start=$(date +%s%N)
        "$work/k964" 2>/dev/null &
        pid=$!
        window=""
        until window="$(xdotool search --onlyvisible --name '^K964 V3' 2>/dev/null)"; do
            if [ $(($(date +%s%N) - start)) -gt 10000000000 ]; then
                echo "process_bench: no main window after 10 s" >&2
                exit 1
            fi
        done
        ms=$((($(date +%s%N) - start) / 1000000))
        times+=("$ms")
        echo "start-up $run: $ms ms to the main window"
        if [ "$run" -lt "$runs" ]; then
            kill "$pid"
            wait "$pid" 2>/dev/null || true
        fi
    done
    pids+=("$pid")
    median="$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')"
    echo "start-up: median $median ms over $runs starts"

    sleep 2
    echo "RSS after start-up:      $(rss_kib "$pid") KiB"
    xdotool windowfocus --sync "$window"
    xdotool key --window "$window" Return # confirms port 1
    sleep 2
    connected=$(sim_commands)
    echo "RSS after connecting:    $(rss_kib "$pid") KiB ($connected commands served)"
    xdotool key alt+e
    sleep 0.5
    xdotool key p # Service > Service panel; reads the constants
    sleep 1
    opened=$(sim_commands)
    sleep "$poll"
    polls=$((($(sim_commands) - opened) / 4)) # u1, u5, u9, m2
    echo "RSS after ${poll} s of polling: $(rss_kib "$pid") KiB ($polls polls)"
    exit 0
fi

"$root/tools/deps.sh" xvfb xauth x11-utils xdotool

bin="$(cd "${1:-$root/build/bin}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$bin/k964" "$bin/k964-sim" "$bin/K964_Vx.uir" "$work/"
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" --inside-x "$work" "${2:-10}" "${3:-60}"
