#!/usr/bin/env bash
# The install: `cmake --install` into a temporary prefix gives the layout of
# a Debian program, and the installed k964 and k964-sim find their panels in
# the install's data directory and keep their files in the user's own one.
# Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR
set -euo pipefail
cmake="$1"
build="$2"
source="$3"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "install_test: $*" >&2
    exit 1
}

prefix="$tmp/prefix"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for f in bin/k964 bin/k964-sim; do
    [ -x "$prefix/$f" ] || fail "$f is not installed as a program"
done
cmp "$source/resources/K964_Vx.uir" "$prefix/share/k964/K964_Vx.uir" || fail "panels not in share/k964"
grep -qx 'Exec=k964' "$prefix/share/applications/k964.desktop" || fail "no desktop entry"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/k964.svg" || fail "no icon"
# A manual page per program, of this version, with an entry for every option
# its usage lists (before any display is opened).
version="$("$prefix/bin/k964" --version)"
version="${version#k964 }"
for page in k964 k964-sim; do
    man="$(gzip -dc "$prefix/share/man/man1/$page.1.gz")"
    grep -q "^\.TH ${page^^} 1 [0-9-]* \"k964 $version\"" <<<"$man" || fail "no manual page $page $version"
    usage="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$page" --help)" ||
        fail "$page --help failed"
    for option in $(grep -oE '^  --[a-z0-9-]+' <<<"$usage"); do
        grep -qE "^\.B[IR]? (.* )?${option//-/\\\\-}( |\$)" <<<"$man" || fail "$page(1) lacks $option"
    done
done
# The AppStream metainfo with this release, the changelog from this version
# on, and the copyright with the licence of LICENSE.
metainfo="$prefix/share/metainfo/invalid.example.k964.metainfo.xml"
grep -q "<release version=\"$version\"" "$metainfo" || fail "no metainfo of release $version"
[[ "$(gzip -dc "$prefix/share/doc/k964/changelog.gz")" == "k964 ($version) "* ]] ||
    fail "the changelog does not begin with $version"
diff <(sed -n '/^Permission/,$p' "$source/LICENSE") \
    <(sed -n '/^ Permission/,$p' "$prefix/share/doc/k964/copyright" | sed 's/^ //; s/^\.$//') ||
    fail "the copyright's licence is not the one of LICENSE"
[ ! -e "$prefix/bin/K964_Vx.uir" ] || fail "the panels must not lie beside an installed program"

mkdir -m 700 "$tmp/runtime" "$tmp/home"
# Starts an installed program in the background as a user with this home
# and XDG_CONFIG_HOME (unset when empty); what it prints goes to $tmp/out.
start() {
    local config="$1"
    shift
    (cd / && exec env -u XDG_CONFIG_HOME HOME="$tmp/home" ${config:+XDG_CONFIG_HOME="$config"} \
        XDG_RUNTIME_DIR="$tmp/runtime" QT_QPA_PLATFORM=offscreen "$@" </dev/null >"$tmp/out" 2>&1) &
    pid=$!
}
# Waits up to 60 s for a line matching $1 in what the program printed.
printed() {
    for _ in $(seq 600); do
        grep -q "$1" "$tmp/out" && return 0
        sleep 0.1
    done
    fail "no \"$1\" in: $(cat "$tmp/out")"
}
stop() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# Still running after a few seconds, and no word of missing panels (which
# would wait in a message box): the panels were loaded.
start "" "$prefix/bin/k964"
sleep 3
kill -0 "$pid" 2>/dev/null || fail "installed k964 ended: $(cat "$tmp/out")"
! grep -q "missing or damaged" "$tmp/out" || fail "$(cat "$tmp/out")"
stop
[ -d "$tmp/home/.config/k964" ] || fail "installed k964 made no ~/.config/k964"

# The simulator links its COM1 where the installed program looks.
for config in "" "relative/dir" "$tmp/config"; do
    want="$tmp/home/.config/k964/COM1"
    [ "$config" = "$tmp/config" ] && want="$tmp/config/k964/COM1"
    start "$config" "$prefix/bin/k964-sim"
    printed "^k964-sim: listening on /dev/pts/[0-9]* as $want\$"
    stop
done

# A copy with its panels beside it keeps its links beside itself.
mkdir "$tmp/copy"
cp "$prefix/bin/k964-sim" "$prefix/share/k964/K964_Vx.uir" "$tmp/copy/"
start "$tmp/config" "$tmp/copy/k964-sim"
printed " as $tmp/copy/COM1\$"
stop

# Without its panels the installed program names the file it looked for.
rm "$prefix/share/k964/K964_Vx.uir"
start "" "$prefix/bin/k964"
printed "\"$prefix/share/k964/K964_Vx.uir\" is missing"
stop
echo "install_test: ok"
