#!/usr/bin/env bash
# Builds the Debian package build/k964_<version>_amd64.deb: k964 and k964-sim,
# the panels, the desktop entry, the icon and the manual pages, with the
# dependencies dpkg-shlibdeps finds. Install it with
#   sudo apt install ./build/k964_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" "$root/tools/build.sh"
cd "$build"
cpack -G DEB -B "$build"
