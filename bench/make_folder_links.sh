#!/bin/bash
# Makes the folders of the picture-list cases of bench/startup_timing.py: the 640 x 480 showtime
# picture (about 70 KB) alone in a folder, and as the first of folders of 10,000 and 100,000
# hard links (IMG_000000.jpg, IMG_000001.jpg, ...): the even ones to it, the odd ones to its
# mirror image, so that each step changes the screen (a file system allows about 65,000 links to
# one file: each is copied anew for every 50,000). Hard links cost no space; delete the folders
# when done:
#   bench/make_folder_links.sh [OUTDIR]        (default /tmp/zarovia-folders)
#   bench/make_folder_links.sh --remove [OUTDIR]
set -euo pipefail
if [ "${1:-}" = "--remove" ]; then
    rm -rf "${2:-/tmp/zarovia-folders}"
    exit 0
fi
out=${1:-/tmp/zarovia-folders}
src=${BENCH_DATA:-/var/tmp/showtime-data}/small.jpg
[ -f "$src" ] || { echo "missing $src: run ../shared/tools/showtime/make_images.py" >&2; exit 2; }
mkdir -p "$out"
[ -f "$out/mirror.jpg" ] || convert "$src" -flop -quality 92 "$out/mirror.jpg"
for n in 1 10000 100000; do
    dir=$out/links$n
    [ -d "$dir" ] && [ "$(find "$dir" -maxdepth 1 -type f | wc -l)" = "$n" ] && continue
    rm -rf "$dir"
    mkdir -p "$dir"
    python3 - "$src" "$out/mirror.jpg" "$dir" "$n" <<'PY'
import os, shutil, sys
sources, folder, n = sys.argv[1:3], sys.argv[3], int(sys.argv[4])
first = [None, None]
for i in range(n):
    name = os.path.join(folder, "IMG_%06d.jpg" % i)
    if i % 100000 < 2:
        shutil.copyfile(sources[i % 2], name)
        first[i % 2] = name
    else:
        os.link(first[i % 2], name)
PY
    echo "made $dir ($n names)"
done
