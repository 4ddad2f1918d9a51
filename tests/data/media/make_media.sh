#!/bin/sh
# Regenerates the media test clips in this folder (needs ffmpeg and python3; the outputs are
# committed, so neither is needed to run the tests). Every clip lasts 2-3 s (blip.wav 0.8 s), pictures are
# 160x120, and each file stays within a few tens of KB.
set -eu
cd "$(dirname "$0")"

ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

tone="sine=frequency=440:duration=2.5:sample_rate=8000"
video="testsrc=size=160x120:rate=12:duration=2.5"

# Sound
ff -f lavfi -i "$tone" -ac 1 -c:a pcm_u8 tone.wav
# A short sound, played to its very end in real time.
ff -f lavfi -i "sine=frequency=660:duration=0.8:sample_rate=8000" -ac 1 -c:a pcm_u8 blip.wav
ff -f lavfi -i "$tone" -ac 1 -ar 22050 -c:a wmav2 -b:a 32k tone.wma
python3 make_midi.py tune.mid tune.rmi

# Video in MPEG program streams
ff -f lavfi -i "$video" -c:v mpeg1video -q:v 12 -r 24 -f mpeg clip.mpg
ff -f lavfi -i "$video" -c:v mpeg2video -q:v 12 -r 24 -f vob clip.mpeg

# Video in AVI, several codecs
ff -f lavfi -i "$video" -r 6 -c:v mjpeg -q:v 31 clip_mjpeg.avi
ff -f lavfi -i "$video" -c:v mpeg4 -q:v 15 clip_mpeg4.avi
ff -f lavfi -i "$video" -c:v msmpeg4v2 -q:v 15 clip_msmpeg4v2.avi
ff -f lavfi -i "testsrc=size=32x24:rate=5:duration=2.5" -vf "setsar=sar=0/1" -c:v rawvideo -pix_fmt bgr24 clip_raw.avi

# Files that must fail to open. The engine has no decoder for 16-bit raw AVI video, which
# makes a missing plug-in that names itself.
ff -f lavfi -i "testsrc=size=32x24:rate=5:duration=1" -c:v rawvideo -pix_fmt rgb555le bad_no_decoder.avi
: > bad_empty.wav
head -c 4096 /dev/urandom > bad_random.avi
printf 'This is plain text, not a MIDI file.\n' > bad_text.mid
head -c 200 clip.mpg > bad_truncated.mpg
head -c 40 tune.mid > bad_truncated.mid
head -c 30 tone.wav > bad_truncated.wav

ls -l
