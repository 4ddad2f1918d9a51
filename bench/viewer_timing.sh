#!/bin/bash
# Exec-to-picture and next-picture timings of the viewer under Xvfb, side by side with
# libjpeg-turbo's own djpeg, using the screen-timing probe in ../shared/tools/showtime.
#   bench/viewer_timing.sh [BUILD_DIR]
# Needs the probe built and the test pictures made (see ../shared/tools/showtime/README.md).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
S=$top/../shared/tools/showtime
data=${BENCH_DATA:-/var/tmp/showtime-data}
viewer="$build/src/zarovia"
runs=${RUNS:-7}

echo "== djpeg decode floor (ms, min of $runs)"
for f in photo12.jpg photo24.jpg; do
    best=
    for _ in $(seq "$runs"); do
        t0=$(date +%s%N); djpeg -scale 1/8 -bmp "$data/$f" >/dev/null; t1=$(date +%s%N)
        t=$(( (t1 - t0) / 1000000 )); [ -z "$best" ] || [ "$t" -lt "$best" ] && best=$t
    done
    echo "$f djpeg -scale 1/8: $best ms"
done

echo "== exec to picture on screen"
for f in small.jpg photo12.jpg photo24.jpg photo12p.jpg; do
    BENCH_DISPLAY=${BENCH_DISPLAY:-:97} "$S/benchenv.sh" "$S/timeshow.py" -r "$runs" "$viewer {file}" "$data/$f"
done

echo "== next picture in a folder of 12 MP pictures (the Right arrow steps like Ctrl+N)"
BENCH_DISPLAY=${BENCH_DISPLAY:-:97} "$S/benchenv.sh" "$S/timeshow.py" -n 8 -k Right "$viewer {first}" "$data/folder"
