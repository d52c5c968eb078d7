#!/usr/bin/env bash
# Builds the Debian package build/k964_<version>_amd64.deb: k964 and k964-sim,
# the panels, the desktop entry, the icon and the manual pages, with the
# dependencies dpkg-shlibdeps finds. Install it with
#   sudo apt install ./build/k964_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
"$root/tools/deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target k964 k964-sim k964_resources k964_man_pages
cd "$build"
cpack -G DEB -B "$build"
ls "$build"/k964_*.deb
