#!/usr/bin/env bash
# The soak run, on demand and not in CI: the service panel polls k964-sim for
# SECONDS (default 600); prints memory and poll rate every 30 s and fails if
# memory grows after the warm-up or the poll rate drifts.
# Usage: tools/soak.sh [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" "$root/tools/build.sh"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
K964_SOAK_SECONDS="${1:-600}" "$build/bin/k964_e2e_tests" --gtest_filter='E2eSoak.*'
