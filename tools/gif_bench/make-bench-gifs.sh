#!/usr/bin/env bash
# Makes the benchmark's GIFs in OUTDIR, the same bytes on every run with a given
# ImageMagick version:
#   photo.gif  1000 x 800, one frame, 256 colours, dithered fractal noise: codes
#              grow to 12 bits quickly and strings stay short
#   anim.gif   400 frames of 470 x 300 with one global palette of 128 colours,
#              a flat cartoon scene turning: long strings, few codes per pixel
#   icon.gif   48 x 48, 16 colours: per-image set-up dominates
# usage: make-bench-gifs.sh OUTDIR
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
out=$1
mkdir -p "$out"
# /usr/local/bin may hold a stand-in; the benchmark needs real images.
convert=/usr/bin/convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$convert" -seed 42 -size 1000x800 plasma:fractal -colors 256 "$out/photo.gif"

"$convert" -size 470x300 gradient:'#102060-#90c0f0' \
  -fill '#f0d020' -draw 'circle 120,110 120,50' \
  -fill '#30a040' -draw 'rectangle 0,230 470,300' \
  -fill '#c03030' -draw 'roundrectangle 260,120 420,220 20,20' \
  -fill white -draw 'ellipse 330,60 70,25 0,360' "$tmp/scene.png"
# One palette for every frame, so the file has a global table and no local ones.
"$convert" "$tmp/scene.png" +dither -colors 128 -unique-colors "$tmp/palette.gif"
"$convert" "$tmp/scene.png" -duplicate 399 -virtual-pixel edge -distort SRT '%[fx:t*0.9]' \
  +dither -remap "$tmp/palette.gif" -delay 4 -loop 0 "$out/anim.gif"

"$convert" -size 48x48 radial-gradient:'#ffe080-#a02060' \
  -fill '#2040a0' -draw 'circle 24,24 24,10' -colors 16 "$out/icon.gif"
