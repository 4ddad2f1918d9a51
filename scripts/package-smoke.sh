#!/bin/bash
# The installed program, run as a user runs it (from PATH, its media engine module from its
# packaged folder), prints its version and shows a picture, plays a sound and shows a rich-text
# document without an error box. Runs without a display (offscreen); the program reports what it
# showed through its start-up profile (ZAROVIA_STARTUP_PROFILE) on standard error.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=$(command -v zarovia) || { echo "zarovia is not on PATH"; exit 1; }
echo "program: $program"
zarovia --version | tee /dev/stderr | grep -q '^FileVersion: ' ||
    { echo "zarovia --version printed no version record"; exit 1; }

# show FILE MARK: starts the program on FILE and waits for MARK in its profile.
show() {
    local file=$1 mark=$2 log pid waited=0
    log=$(mktemp)
    QT_QPA_PLATFORM=offscreen ZAROVIA_AUDIO_SINK=fakesink ZAROVIA_STARTUP_PROFILE=1 \
        zarovia "$file" 2>"$log" &
    pid=$!
    until grep -q -e "$mark" -e "error box" "$log" || [ $waited -ge 300 ] || ! kill -0 $pid 2>/dev/null; do
        sleep 0.1
        waited=$((waited + 1))
    done
    local engine=""
    engine=$(grep -o '/[^ ]*libzarovia_media_engine.so' "/proc/$pid/maps" 2>/dev/null | head -1 || true)
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    if grep -q "error box" "$log" || ! grep -q -e "$mark" "$log"; then
        echo "$(basename "$file"): no '$mark' within 30 s"
        cat "$log"
        rm -f "$log"
        exit 1
    fi
    rm -f "$log"
    echo "$(basename "$file"): $mark${engine:+ (engine: $engine)}"
    if [ "$mark" = "media playing" ]; then
        case "$engine" in
        /usr/lib/*/zarovia/libzarovia_media_engine.so) ;;
        *) echo "the media engine was not loaded from its packaged folder: '$engine'"; exit 1 ;;
        esac
    fi
}

show "$top/tests/data/jpeg/cjpeg_baseline_422.jpg" "picture shown"
show "$top/tests/data/media/tone.wav" "media playing"
show "$top/tests/data/document/lo_writer_japanese_table_picture.rtf" "document shown"
