#!/bin/bash
# The viewer on a real desktop: under Xvfb with the openbox window manager, driven by real key
# presses and read back from the X server. First a pass with the keyboard alone: Tab reaches the
# interval field, typed digits set the slide show's interval, Return hands the keys back to the
# pane. Then full screen: every round must bring the mode, the window manager's full-screen
# state and the client area's size and place back exactly.
#   fullscreen_desktop.sh VIEWER TEST_DATA_DIR [ROUNDS] [DOCUMENT_ROUNDS]
set -uo pipefail
viewer=$1
data=$2
rounds=${3:-20}
documentRounds=${4:-5}

missing=""
for tool in Xvfb openbox xdotool xwininfo xprop; do
    command -v "$tool" >/dev/null || missing+=" $tool"
done
if [ -n "$missing" ]; then
    echo "missing:$missing (packages xvfb openbox xdotool x11-utils)"
    [ "${CI:-}" = "true" ] && exit 1
    exit 77
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# A display of our own, whatever else runs on this machine.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.05
done

mkdir -p "$work/pictures"
cp "$data/jpeg/cjpeg_baseline_422.jpg" "$work/pictures/a.jpg" || fail "test picture missing"
cp "$data/jpeg/cjpeg_baseline_422.jpg" "$work/pictures/b.jpg"
printf 'a document\n' >"$work/notes.txt"

QT_QPA_PLATFORM=xcb "$viewer" "$work/pictures/a.jpg" >"$work/viewer.log" 2>&1 &
pids+=($!)
wid=""
for _ in $(seq 200); do
    wid=$(xdotool search --name "manu +a\.jpg" 2>/dev/null | head -1)
    [ -n "$wid" ] && xwininfo -id "$wid" 2>/dev/null | grep -q IsViewable && break
    sleep 0.05
done
[ -n "$wid" ] || fail "the viewer's window did not appear"

# "x y width height fullscreen|normal" of the client area, from the X server.
state() {
    local info
    info=$(xwininfo -id "$wid" 2>/dev/null) || return 1
    local x y w h mode=normal
    x=$(awk '/Absolute upper-left X/{print $NF}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/{print $NF}' <<<"$info")
    w=$(awk '/Width:/{print $NF}' <<<"$info")
    h=$(awk '/Height:/{print $NF}' <<<"$info")
    xprop -id "$wid" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_FULLSCREEN && mode=fullscreen
    echo "$x $y $w $h $mode"
}
# Waits until the state is exactly $1; the last state seen is in $seen.
waitFor() {
    seen=""
    for _ in $(seq 500); do
        seen=$(state)
        [ "$seen" = "$1" ] && return 0
        sleep 0.01
    done
    return 1
}
title() { xdotool getwindowname "$wid" 2>/dev/null; }
# A key press to the viewer. Activating an active window costs tens of milliseconds: only when needed.
press() {
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$wid" ] || xdotool windowactivate --sync "$wid" 2>/dev/null
    xdotool key --clearmodifiers --delay 0 "$1" 2>/dev/null
}
# Opens a file through the Open dialog, typing its full path.
openFile() {
    press ctrl+o
    for _ in $(seq 300); do
        [ "$(xdotool getactivewindow 2>/dev/null)" != "$wid" ] && break
        sleep 0.01
    done
    # Keys typed while the dialog is still setting itself up may go astray: a short pause first.
    sleep 0.05
    xdotool key --clearmodifiers --delay 0 ctrl+a
    xdotool type --delay 1 "$1"
    xdotool key --delay 0 Return
    for _ in $(seq 150); do
        title | grep -q "$(basename "$1")\$" && return 0
        sleep 0.02
    done
    return 1
}

# Waits until the caption ends in $1; false after $2 hundredths of a second (default 300).
waitTitle() {
    for _ in $(seq "${2:-300}"); do
        title | grep -q "$1\$" && return 0
        sleep 0.01
    done
    return 1
}

# The keyboard alone. The pane has the keys at start: Tab goes to the interval field, where an
# arrow key moves in the field instead of stepping pictures; Backspace and a typed 1 replace the
# field's 3, Up and Down step it (to 2 and back); Return hands the keys back, and the arrow steps
# pictures again.
waitTitle "a.jpg" || fail "the first picture is not a.jpg: $(title)"
press Tab
press Right
sleep 0.3
waitTitle "a.jpg" 1 || fail "Right stepped the pictures while the interval field had the keys"
press BackSpace
press 1
press Up
press Down
press Return
press Right
waitTitle "b.jpg" || fail "Return did not hand the keys back to the pane: $(title)"
# A slide show with the interval typed: three steps in about three seconds, where the field's
# own 3 seconds would take seven.
started=$(date +%s%N)
press ctrl+s
for step in a.jpg b.jpg a.jpg; do
    waitTitle "$step" 800 || fail "the slide show did not step to $step"
done
elapsed=$((($(date +%s%N) - started) / 1000000))
press ctrl+p
[ "$elapsed" -lt 5500 ] || fail "three steps of the slide show took $elapsed ms: the typed interval was not taken"
echo "keyboard: Tab, typed interval and Return work; three slide-show steps in $elapsed ms"

full="0 0 1280 1024 fullscreen"
# The window's place as the window manager first gives it; at once after start the frame may not
# have arrived yet, and leaving full screen must still come back here.
waitFor "$(state)" || true
for _ in $(seq 50); do
    start=$(state)
    [ "${start%% *}" != "0" ] && break
    sleep 0.02
done
normal="${start% *} normal"
[ "${normal#* * }" = "640 480 normal" ] || fail "start state is $start"
echo "start: $normal"

for round in $(seq "$rounds"); do
    press ctrl+f
    waitFor "$full" || fail "round $round: full screen not reached, seen $seen"
    press ctrl+f
    waitFor "$normal" || fail "round $round: not back to $normal, seen $seen"
done
echo "$rounds full-screen round trips: back to $normal every time"

for round in $(seq "$documentRounds"); do
    press ctrl+f
    waitFor "$full" || fail "document round $round: full screen not reached, seen $seen"
    openFile "$work/notes.txt" || fail "document round $round: the document did not open"
    waitFor "$normal" || fail "document round $round: not back to $normal, seen $seen"
    # Ctrl+F now shows the document full screen: the mode followed the window.
    press ctrl+f
    waitFor "$full" || fail "document round $round: document not full screen, seen $seen"
    press ctrl+f
    waitFor "$normal" || fail "document round $round: not back again, seen $seen"
    openFile "$work/pictures/a.jpg" || fail "document round $round: the picture did not open"
done
echo "$documentRounds rounds of full screen then a document: back to $normal every time"
