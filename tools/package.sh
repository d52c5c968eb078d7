#!/usr/bin/env bash
# Builds the Debian package build/k964_<version>_amd64.deb: k964 and k964-sim,
# the panels, the desktop entry, the icon, the AppStream metainfo, the manual
# pages, the copyright and the changelog, with the dependencies
# dpkg-shlibdeps finds. Install it with
#   sudo apt install ./build/k964_*.deb
# Then checks the package with lintian, the metainfo with appstreamcli and
# the manual pages with mandoc, each where it is installed (Debian packages
# lintian, appstream, mandoc), and fails on any error or warning.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" "$root/tools/build.sh"
cd "$build"
rm -f "$build"/k964_*.deb
cpack -G DEB -B "$build"
deb="$(ls "$build"/k964_*.deb)"

failed=0
# Runs a check, given the Debian package of its tool, when that is installed.
check() {
    local package="$1" tool="$2"
    shift
    if ! command -v "$tool" >/dev/null; then
        echo "package.sh: $tool not installed (Debian package $package), not checked"
        return
    fi
    echo "package.sh: $*"
    "$@" || { echo "package.sh: $tool found an error or a warning" >&2; failed=1; }
}
check lintian lintian --fail-on error,warning "$deb"
check appstream appstreamcli validate --no-net "$root"/packaging/*.metainfo.xml
check mandoc mandoc -Tlint -Wwarning "$root"/packaging/k964.1 "$root"/packaging/k964-sim.1
exit "$failed"
