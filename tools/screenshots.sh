#!/usr/bin/env bash
# Takes the README's screenshots of k964 under a virtual X server.
# Usage: tools/screenshots.sh [BIN_DIR]   (default: build/bin)
# Writes docs/img/main.png: the main panel with the COM port panel inside.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

if [ "${1:-}" = --inside-x ]; then
    work="$2"
    out="$3"
    "$work/k964" &
    pid=$!
    trap 'kill "$pid" 2>/dev/null || true' EXIT
    window=""
    for _ in $(seq 100); do
        window="$(xwininfo -root -tree | awk '/"K964 V3/ { print $1; exit }')"
        [ -n "$window" ] && break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        echo "screenshots: k964 did not show its main panel" >&2
        exit 1
    fi
    sleep 1 # the first paint
    import -window "$window" "$out/main.png"
    exit 0
fi

bin="$(cd "${1:-$root/build/bin}" && pwd)"
out="$root/docs/img"
mkdir -p "$out"
# A copy of its own, so that no K960.ini of a build or a user is read or written.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$bin/k964" "$bin/K964_Vx.uir" "$work/"
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" --inside-x "$work" "$out"
echo "screenshots: $out/main.png"
