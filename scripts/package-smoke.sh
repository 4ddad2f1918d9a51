#!/bin/bash
# The program, run as a user runs it, prints its version and shows a picture, plays a sound and
# shows a rich-text document without an error box, and shows the error box for a broken picture.
# Runs without a display (offscreen); the program reports what it showed through its start-up
# profile (ZAROVIA_STARTUP_PROFILE) on standard error: "picture shown", "media playing",
# "document shown", "error box".
#
#   package-smoke.sh                      the installed program (zarovia on PATH), whose media
#                                         engine must come from its packaged folder
#                                         /usr/lib/<multiarch>/zarovia
#   package-smoke.sh PROGRAM ENGINE_DIR   a program elsewhere (a build tree), its engine from
#                                         ENGINE_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
data="$top/tests/data"
if [ $# -ge 1 ]; then
    program=$1
    engine_dir=${2:?usage: $0 [PROGRAM ENGINE_DIR]}
else
    program=$(command -v zarovia) || { echo "zarovia is not on PATH"; exit 1; }
    engine_dir="/usr/lib/*/zarovia"
fi
echo "program: $program"
version=$("$program" --version)
echo "$version"
grep -q '^FileVersion: [0-9]' <<<"$version" ||
    { echo "$program --version printed no version record"; exit 1; }

# show FILE MARK: starts the program on FILE and waits for MARK in its profile; "error box" ends
# the wait too, and fails unless it is the MARK awaited.
show() {
    local file=$1 mark=$2 log pid waited=0 engine=""
    log=$(mktemp)
    QT_QPA_PLATFORM=offscreen ZAROVIA_AUDIO_SINK=fakesink ZAROVIA_STARTUP_PROFILE=1 \
        "$program" "$file" 2>"$log" &
    pid=$!
    until grep -q -e "  $mark\$" -e "  error box\$" "$log"; do
        if [ $waited -ge 600 ] || ! kill -0 $pid 2>/dev/null; then break; fi
        sleep 0.1
        waited=$((waited + 1))
    done
    # The module is mapped while the program runs: look before ending it.
    engine=$(grep -o '/[^ ]*libzarovia_media_engine\.so$' "/proc/$pid/maps" 2>/dev/null | head -1 || true)
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    local got=""
    grep -q "  error box\$" "$log" && got="error box"
    [ "$mark" != "error box" ] && grep -q "  $mark\$" "$log" && [ -z "$got" ] && got=$mark
    if [ "$got" != "$mark" ]; then
        echo "$(basename "$file"): expected '$mark' within 60 s, got '${got:-nothing}'"
        cat "$log"
        rm -f "$log"
        exit 1
    fi
    rm -f "$log"
    echo "$(basename "$file"): $mark${engine:+ (media engine: $engine)}"
    if [ "$mark" = "media playing" ]; then
        # shellcheck disable=SC2053 # engine_dir may be a pattern
        [[ "$(dirname "$engine")" == $engine_dir ]] ||
            { echo "the media engine was not loaded from $engine_dir: '$engine'"; exit 1; }
    fi
}

show "$data/jpeg/cjpeg_baseline_422.jpg" "picture shown"
show "$data/media/tone.wav" "media playing"
show "$data/document/lo_writer_japanese_table_picture.rtf" "document shown"
show "$data/bmp/derived_rgb24_bad_magic_XX.bmp" "error box"
