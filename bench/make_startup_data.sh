#!/bin/bash
# Makes the inputs of bench/startup_timing.py that ../shared/tools/showtime/make_images.py does
# not: a folder of 24 MP pictures and a folder of 12 MP pictures (variants of photo24.jpg:
# flipped, hue-shifted, fresh noise; quality 92, 4:2:0 like a camera), the 640 x 480 picture
# alone in a folder, a 1 KB text file, and photo24.jpg written again with a restart marker at
# every MCU row (alone in a folder), which the viewer decodes in bands on several threads.
#   bench/make_startup_data.sh [OUTDIR]      (default /var/tmp/startup-data; N files each: N=6)
# Needs ImageMagick, libjpeg-turbo-progs (djpeg, cjpeg) and the showtime pictures ($BENCH_DATA,
# default /var/tmp/showtime-data). N=0 makes only the single files, not the folders.
# Never commit the pictures.
set -euo pipefail
out=${1:-/var/tmp/startup-data}
src=${BENCH_DATA:-/var/tmp/showtime-data}/photo24.jpg
n=${N:-6}
[ -f "$src" ] || { echo "missing $src: run ../shared/tools/showtime/make_images.py" >&2; exit 2; }
mkdir -p "$out/folder24" "$out/folder12"
export MAGICK_THREAD_LIMIT=1
flips=("" "-flop" "-flip" "-flip -flop")
for i in $(seq 1 "$n"); do
    # shellcheck disable=SC2206
    flip=(${flips[$((i % 4))]})
    for kind in 24 12; do
        f=$out/folder$kind/photo_$(printf %03d "$i").jpg
        [ -f "$f" ] && continue
        crop=()
        [ "$kind" = 12 ] && crop=(-crop "4000x3000+$((i * 300))+$((i * 150))" +repage)
        nice convert "$src" "${crop[@]}" "${flip[@]}" -modulate "100,$((90 + i * 3)),$((i * 37 % 200))" \
            -attenuate 0.25 +noise Gaussian -strip -sampling-factor 2x2,1x1,1x1 -quality 92 "$f.tmp.jpg"
        mv "$f.tmp.jpg" "$f"
        echo "made $f"
    done
done
# The 640 x 480 picture alone in its folder (nothing to read ahead).
mkdir -p "$out/alone"
cp -n "$(dirname "$src")/small.jpg" "$out/alone/small.jpg"
# The 24 MP photo with a restart marker every MCU row (cjpeg -restart 1), 4:2:0, quality 92.
restart=$out/restart24/photo24_restart.jpg
mkdir -p "$out/restart24"
if [ ! -f "$restart" ]; then
    djpeg -pnm "$src" | nice cjpeg -quality 92 -sample 2x2 -restart 1 -outfile "$restart.tmp"
    mv "$restart.tmp" "$restart"
    echo "made $restart"
fi
# A short plain text: Japanese and ASCII lines, UTF-8, about 1 KB.
text=$out/text/short.txt
mkdir -p "$out/text"
if [ ! -f "$text" ]; then
    for i in $(seq 1 16); do
        printf '%02d 画像と文書の閲覧 viewer line with some ASCII text\n' "$i"
    done >"$text"
fi
echo "made $text ($(stat -c %s "$text") bytes)"
