#!/bin/bash
# make-big-folder.sh - the folders of the big-folder benchmark: a camera roll
# of 100,000 small photo-like JPEGs, and a folder of 100,000 subfolders.
#
# usage: make-big-folder.sh [OUTDIR] [COUNT]
#   OUTDIR  default /work/bench-data/big-folder; made if missing
#   COUNT   default 100000
#
# OUTDIR/pictures  IMG_000001.jpg ... : COUNT copies (own files, not links) of
#                  400 distinct pictures cut from the repository's samples:
#                  a window of a sample, resized to 256 x 192 (every 8th
#                  192 x 256, every 16th greyscale), mild Gaussian noise with
#                  a fixed seed so that they compress like photographs
#                  (about 10-14 KB each), quality 80-92, 4:2:0.
# OUTDIR/folders   COUNT empty subfolders d000001 ...
# Both are left as they are when they already hold COUNT entries.
#
# needs: ImageMagick 6 (/usr/bin/convert), python3 or coreutils.
set -euo pipefail

OUT=$(realpath -m "${1:-/work/bench-data/big-folder}")
COUNT=${2:-100000}
SAMPLES=$(cd "$(dirname "$0")/../samples" && pwd)
CONVERT=/usr/bin/convert          # the real ImageMagick (a PATH 'convert' may be a stand-in)
export MAGICK_THREAD_LIMIT=1      # single-threaded: the noise stays deterministic
export LC_ALL=C
command -v "$CONVERT" >/dev/null || { echo "missing tool: $CONVERT" >&2; exit 1; }

PICS=$OUT/pictures
DIRS=$OUT/folders
SEED=$OUT/distinct
mkdir -p "$PICS" "$DIRS" "$SEED"

count() { find "$1" -mindepth 1 -maxdepth 1 | wc -l; }

# 400 distinct pictures, two convert processes at a time.
DISTINCT=400
if [ "$(count "$SEED")" -ne $DISTINCT ]; then
  rm -f "$SEED"/*
  SRC=("$SAMPLES/Meadow.JPG" "$SAMPLES/Lighthouse.Jpg" "$SAMPLES/dunes.jpeg" "$SAMPLES/rose.jpg"
       "$SAMPLES/garden.bmp" "$SAMPLES/tulips.Bmp" "$SAMPLES/misty_lake.jpg")
  JOBS=$OUT/jobs.txt; : > "$JOBS"
  for k in $(seq 0 $((DISTINCT - 1))); do
    src=${SRC[$((k % ${#SRC[@]}))]}
    read -r w h < <(identify -format '%w %h\n' "$src")
    # A window of half to a third of the sample, at a place that moves with k.
    cw=$(( w * (50 - k % 17) / 100 )); ch=$(( cw * 3 / 4 ))
    (( ch > h * 9 / 10 )) && { ch=$(( h * 9 / 10 )); cw=$(( ch * 4 / 3 )); }
    x=$(( (k * 37) % (w - cw + 1) )); y=$(( (k * 53) % (h - ch + 1) ))
    geo=256x192; (( k % 8 == 7 )) && geo=192x256
    grey=""; (( k % 16 == 5 )) && grey="-colorspace Gray -type Grayscale"
    printf '%s\n' "$CONVERT '$src' -crop ${cw}x${ch}+${x}+${y} +repage -resize ${geo}! \
-seed $((3000 + k)) -attenuate 0.4 +noise Gaussian $grey -sampling-factor 2x2 \
-quality $((80 + k % 13)) -strip '$SEED/$(printf 's%03d.jpg' "$k")'" >> "$JOBS"
  done
  tr '\n' '\0' < "$JOBS" | xargs -0 -P 2 -I{} sh -c '{}'
  rm -f "$JOBS"
fi

if [ "$(count "$PICS")" -ne "$COUNT" ]; then
  echo "copying $COUNT pictures into $PICS ..." >&2
  rm -rf "$PICS"; mkdir -p "$PICS"
  if command -v python3 >/dev/null; then
    python3 - "$SEED" "$PICS" "$COUNT" "$DISTINCT" <<'EOF'
import shutil, sys
seed, pics, count, distinct = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
for i in range(count):
    shutil.copyfile(f"{seed}/s{(i * 7) % distinct:03d}.jpg", f"{pics}/IMG_{i + 1:06d}.jpg")
EOF
  else
    for i in $(seq 0 $((COUNT - 1))); do
      cp "$SEED/$(printf 's%03d.jpg' $(( (i * 7) % DISTINCT )))" "$PICS/$(printf 'IMG_%06d.jpg' $((i + 1)))"
    done
  fi
fi

if [ "$(count "$DIRS")" -ne "$COUNT" ]; then
  echo "making $COUNT subfolders in $DIRS ..." >&2
  rm -rf "$DIRS"; mkdir -p "$DIRS"
  (cd "$DIRS" && seq -f 'd%06g' 1 "$COUNT" | xargs mkdir)
fi
du -sh "$PICS" >&2
echo "pictures: $(count "$PICS") in $PICS; folders: $(count "$DIRS") in $DIRS" >&2
