#!/usr/bin/env bash
# Takes the README's screenshots of k964 under a virtual X server, against
# k964-sim on COM1, on a screen of 1280x800 at scale 1:
#   docs/img/main.png            the main panel with the COM port panel inside
#   docs/img/main-connected.png  the main panel after port 1 is confirmed
#   docs/img/service.png         the service panel with live values, the trend
#                                stable after half a minute
#   docs/img/trend.png           the trend over the last minute: a zero
#                                calibration, the line silent for a while,
#                                the mode changed to mV and saved
#   docs/img/trace.png           Service -> Line trace after a u9 reply came
#                                late: the time-out, the probe that got the
#                                line back in step, found with Ctrl+F
#   docs/img/record.png          a service record, saved with Service -> Save
#                                service record after a zero calibration
#   docs/img/assistant-*.png     Service -> Calibrate... through a zero of a
#                                transmitter whose offset drifted: the gas
#                                entered (1-instruct), the reading settling
#                                (2-settle) and stable (3-stable), the
#                                panel's button (4-command) and its question
#                                (5-confirm), the reading after (6-after),
#                                the verdict (7-verdict), its second
#                                confirmation (8-beyond) and the record
#                                (9-done)
# and on a screen of 1280x1024 at QT_SCALE_FACTOR=2:
#   docs/img/service-scale2.png  the service panel, fitted to the screen
# Usage: tools/screenshots.sh [BIN_DIR]   (default: build/bin)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

# The id of the first top-level window whose title starts with $1, waiting
# up to 10 s for it to appear.
find_window() {
    local window=""
    for _ in $(seq 100); do
        window="$(xwininfo -root -tree | awk -v title="\"$1" 'index($0, title) { print $1; exit }')"
        [ -n "$window" ] && break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        echo "screenshots: no window \"$1\"" >&2
        return 1
    fi
    echo "$window"
}

sim_options=()

# k964-sim with its console on a pipe (fd 3), k964 against it, the main
# panel's window id in $main; $pids ends with them.
start_both() {
    pids=()
    trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
    rm -f "$work/sim.in" "$work/COM1"
    mkfifo "$work/sim.in"
    "$work/k964-sim" --dir "$work" --port 1 --noise 0.002 "${sim_options[@]}" <"$work/sim.in" \
        >"$work/sim.log" &
    pids+=($!)
    exec 3>"$work/sim.in"
    for _ in $(seq 100); do
        [ -e "$work/COM1" ] && break
        sleep 0.05
    done
    "$work/k964" &
    pids+=($!)
    main="$(find_window "K964 V3")"
    sleep 1 # the first paint
}

# The COM port field has the keys: Enter confirms port 1 and reads the
# settings. Then menu "Service", item "Service panel", by their mnemonics;
# the panel's window id in $service.
connect_and_open_service() {
    xdotool windowfocus --sync "$main"
    xdotool key --window "$main" Return
    sleep 2
    [ -z "${1:-}" ] || import -window "$main" "$1"
    xdotool key alt+e
    sleep 0.5
    xdotool key p
    service="$(find_window "K964 Service")"
}

if [ "${1:-}" = --inside-x-scale2 ]; then
    work="$2"
    out="$3"
    start_both
    connect_and_open_service
    sleep 32
    import -window "$service" "$out/service-scale2.png"
    exit 0
fi

if [ "${1:-}" = --inside-x-assistant ]; then
    work="$2"
    out="$3"
    printf 'k964 saved state\nparam 0 1.45\n' >"$work/state.txt"
    sim_options=(--gas 0 --state "$work/state.txt")
    start_both
    connect_and_open_service
    xdotool windowfocus --sync "$main"
    xdotool key alt+e
    sleep 0.5
    xdotool key c
    assistant="$(find_window "Calibration assistant")"
    sleep 1
    xdotool windowfocus --sync "$assistant"
    xdotool key alt+h
    xdotool type "A. Meier"
    xdotool key alt+g
    xdotool type "Boiler 3 / O2-17"
    xdotool key alt+z
    sleep 0.5
    xdotool key alt+c
    xdotool type "0"
    xdotool key alt+l
    xdotool type "N2-2291"
    xdotool key alt+x
    xdotool type "2027-06-30"
    sleep 1
    import -window "$assistant" "$out/assistant-1-instruct.png"
    xdotool key alt+n
    sleep 4
    import -window "$assistant" "$out/assistant-2-settle.png"
    sleep 60 # the cell settled, then stable on half a minute of polls
    import -window "$assistant" "$out/assistant-3-stable.png"
    xdotool key alt+t
    sleep 1
    import -window "$assistant" "$out/assistant-4-command.png"
    xdotool key alt+z
    confirm="$(find_window "CALIBRATION")"
    sleep 1
    import -window "$confirm" "$out/assistant-5-confirm.png"
    xdotool key alt+y
    sleep 4
    import -window "$assistant" "$out/assistant-6-after.png"
    sleep 32
    xdotool windowfocus --sync "$assistant"
    xdotool key alt+t
    sleep 1
    import -window "$assistant" "$out/assistant-7-verdict.png"
    xdotool key alt+a
    sleep 1
    import -window "$assistant" "$out/assistant-8-beyond.png"
    xdotool key alt+k
    sleep 1
    import -window "$assistant" "$out/assistant-9-done.png"
    exit 0
fi

if [ "${1:-}" = --inside-x ]; then
    work="$2"
    out="$3"
    start_both
    import -window "$main" "$out/main.png"
    connect_and_open_service "$out/main-connected.png"
    sleep 32 # the trend becomes stable after 25 s of good polls
    import -window "$service" "$out/service.png"

    # Zero calibration, confirmed with Yes; the line silent for a few polls;
    # the mode set to sensor voltage and saved, read back in mV; the trend
    # over the last minute.
    xdotool windowfocus --sync "$service"
    xdotool key alt+z
    sleep 1
    xdotool key alt+y
    sleep 4
    echo "silent on" >&3
    sleep 4
    echo "silent off" >&3
    sleep 4
    xdotool windowfocus --sync "$main"
    xdotool key alt+m End
    sleep 0.5
    xdotool key alt+s
    sleep 3
    xdotool windowfocus --sync "$service"
    xdotool key alt+i Up
    sleep 14
    import -window "$service" "$out/trend.png"

    # The record saved into the folder k964.conf remembers: the folder
    # dialog opens there, Enter takes it.
    xdotool windowfocus --sync "$main"
    xdotool key alt+e
    sleep 0.5
    xdotool key r
    sleep 2
    xdotool key Return
    sleep 1
    xdotool key Return
    sleep 0.5
    record="$(ls "$work/records"/k964-record-*.txt | head -n 1)"
    # A line at a time: ImageMagick refuses one label of many lines. Its
    # escapes (backslash, percent) doubled, blanks as no-break spaces so that
    # none is trimmed.
    lines=()
    while IFS= read -r line; do
        lines+=("label:$(printf '%s\n' "${line:- }" | sed -e 's/\\/\\\\/g' -e 's/%/%%/g' \
            -e 's/ /\xc2\xa0/g')")
    done <"$record"
    convert -background white -fill black -font DejaVu-Sans-Mono -pointsize 12 "${lines[@]}" \
        -gravity west -append -bordercolor white -border 10 "$out/record.png"

    # One u9 reply too late for its time-out: the poll fails, the next
    # exchange gets the line back in step. Find "probe" twice: the exchange
    # that sent it, then the probe among its steps.
    echo "latency u9 800" >&3
    sleep 2.5
    echo "latency u9 0" >&3
    sleep 2
    xdotool windowfocus --sync "$main"
    xdotool key alt+e
    sleep 0.5
    xdotool key l
    trace="$(find_window "K964 Line trace")"
    sleep 1
    xdotool key ctrl+f
    xdotool type probe
    xdotool key Return Return
    sleep 1
    import -window "$trace" "$out/trace.png"
    exit 0
fi

"$root/tools/deps.sh" xvfb xauth imagemagick x11-utils xdotool fonts-dejavu-core

bin="$(cd "${1:-$root/build/bin}" && pwd)"
out="$root/docs/img"
mkdir -p "$out"
# A copy of its own, so that no K960.ini or COM1 of a build or a user is
# read or written.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$bin/k964" "$bin/k964-sim" "$bin/K964_Vx.uir" "$work/"
mkdir -m 700 "$work/runtime"
mkdir "$work/records"
echo "record-folder=$work/records" >"$work/k964.conf"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x800x24 -noreset" "$0" --inside-x "$work" "$out"
rm -f "$work/K960.ini"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb XDG_DATA_HOME="$work/data" \
    xvfb-run -a -s "-screen 0 1280x800x24 -noreset" "$0" --inside-x-assistant "$work" "$out"
rm -f "$work/K960.ini"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 \
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" --inside-x-scale2 "$work" "$out"
echo "screenshots: $out/main.png $out/main-connected.png $out/service.png $out/trend.png" \
    "$out/trace.png $out/record.png $out/assistant-*.png $out/service-scale2.png"
