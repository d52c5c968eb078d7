#!/usr/bin/env bash
# Sets up everything, builds, and runs k964 against the simulated
# transmitter k964-sim on COM1 (a link beside the program). Extra arguments
# go to k964-sim (see build/bin/k964-sim --help). Confirm port 1 in the
# program's COM port panel to connect.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" "$root/tools/build.sh"
bin="$build/bin"

"$bin/k964-sim" --dir "$bin" --port 1 "$@" </dev/null &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [ -e "$bin/COM1" ] && break
    sleep 0.05
done
"$bin/k964"
