#!/bin/bash
# The viewer as a whole under Xvfb, with the screen-timing probe of ../shared/tools/showtime:
# libjpeg-turbo's djpeg as the decode floor, start-up side by side with the bare Qt reference
# viewer and the other viewers (bench/startup_timing.py, one interleaved run), and the step
# to the next picture in a folder of 12 MP pictures.
#   bench/viewer_timing.sh [BUILD_DIR]
# Needs the probe built and the test pictures made (../shared/tools/showtime/README.md and
# bench/make_startup_data.sh). RUNS rounds (5); BEFORE=another zarovia binary measured beside
# this one; PEERS (gpicview,feh,nsxiv,qimgv: those installed); STEP_FOLDER (the showtime
# folder, else the one bench/make_startup_data.sh makes).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
S=$top/../shared/tools/showtime
data=${BENCH_DATA:-/var/tmp/showtime-data}
more=${STARTUP_DATA:-/var/tmp/startup-data}
viewer="$build/src/zarovia"
runs=${RUNS:-5}
display=${BENCH_DISPLAY:-:97}

echo "== djpeg decode floor (ms, min of $runs)"
for f in photo12.jpg photo24.jpg; do
    best=
    for _ in $(seq "$runs"); do
        t0=$(date +%s%N); djpeg -scale 1/8 -bmp "$data/$f" >/dev/null; t1=$(date +%s%N)
        t=$(( (t1 - t0) / 1000000 )); [ -z "$best" ] || [ "$t" -lt "$best" ] && best=$t
    done
    echo "$f djpeg -scale 1/8: $best ms"
done

echo "== exec to picture on screen, interleaved with the reference and the peers"
BENCH_DISPLAY=$display "$S/benchenv.sh" "$top/bench/startup_timing.py" --build "$build" \
    -r "$runs" --peers "${PEERS:-gpicview,feh,nsxiv,qimgv}" ${BEFORE:+--before "$BEFORE"}

echo "== next picture in a folder of 12 MP pictures (the Right arrow steps like Ctrl+N)"
folder=${STEP_FOLDER:-$data/folder}
ls "$folder"/*.jpg >/dev/null 2>&1 || folder=$more/folder12
BENCH_DISPLAY=$display "$S/benchenv.sh" "$S/timeshow.py" -n 8 -k Right "$viewer {first}" "$folder"
