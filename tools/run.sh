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
# Ready when COM1 is its pseudo-terminal. A COM1 of the technician's, linked
# to a real adapter, stops the simulator (it never replaces one), and us.
for _ in $(seq 100); do
    if ! kill -0 "$sim" 2>/dev/null; then
        echo "run.sh: k964-sim did not start" >&2
        exit 1
    fi
    case "$(readlink "$bin/COM1" 2>/dev/null)" in /dev/pts/*) break ;; esac
    sleep 0.05
done
"$bin/k964"
