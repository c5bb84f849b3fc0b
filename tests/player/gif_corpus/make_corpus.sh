#!/bin/sh
# Writes the GIF files that the player's decoder is compared with giflib on, and
# giflib's decoding of each beside it (NAME.idx), then the list of names last.
# ImageMagick and giflib encode differently (clear codes, sub-block sizes, code
# sizes), and both are used for that reason.
# usage: make_corpus.sh OUT_DIR DUMP_PROGRAM
set -eu
out=$1
dump=$2
# Debian's ImageMagick by its full path: PATH may hold other programs of that name.
im=/usr/bin/convert
export MAGICK_THREAD_LIMIT=1

rm -rf "$out"
mkdir -p "$out"
cd "$out"

# Stills from 1x1 to 1000x800 with palettes of 2 to 256 colours (minimum code
# sizes 2 to 8), plain and interlaced. Random noise in 256 colours fills the
# string table many times over.
"$im" \
  \( -size 1x1 xc:red -write one_pixel.gif +delete \) \
  \( -seed 11 -size 3x2 plasma: -colors 2 -write still_3x2_c2.gif +delete \) \
  \( -seed 12 -size 17x9 plasma: -colors 4 -interlace GIF -write still_17x9_c4_i.gif +delete \) \
  \( -seed 13 -size 64x48 plasma: -colors 8 -interlace none -write still_64x48_c8.gif +delete \) \
  \( -seed 14 -size 101x77 plasma: -colors 16 -interlace GIF -write still_101x77_c16_i.gif +delete \) \
  \( -seed 15 -size 160x120 plasma: -colors 32 -interlace none -write still_160x120_c32.gif +delete \) \
  \( -seed 16 -size 250x190 plasma: -colors 64 -interlace GIF -write still_250x190_c64_i.gif +delete \) \
  \( -seed 17 -size 333x211 plasma: -colors 128 -interlace none -write still_333x211_c128.gif +delete \) \
  \( -seed 19 -size 640x9 plasma: -colors 256 -interlace GIF -write still_640x9_c256_i.gif +delete \) \
  -seed 18 -size 1000x800 xc: +noise Random -colors 256 -interlace none still_1000x800_c256.gif

# The same noise re-encoded by giflib, interlaced.
giftool -i on <still_1000x800_c256.gif >still_1000x800_c256_i_giflib.gif

# Animations: many frames of one size; a moving box that layer optimisation cuts
# down to small offset frames; frames placed inside a larger screen, each with a
# palette of its own (local colour tables).
# (Quantising one picture and rolling it keeps this fast: quantising 40 separate
# pictures together takes ImageMagick many seconds.)
set --
i=0
while [ $i -lt 40 ]; do
  set -- "$@" \( -clone 0 -roll +$((i * 3))+$((i * 2)) \)
  i=$((i + 1))
done
"$im" -seed 21 -size 48x36 plasma: -colors 16 "$@" -delete 0 -delay 7 -loop 0 anim_40_frames.gif

set --
i=0
while [ $i -lt 24 ]; do
  x=$((i * 4))
  y=$((i * 3))
  set -- "$@" \( -clone 0 -fill "rgb($((i * 10)),40,200)" -draw "rectangle $x,$y $((x + 20)),$((y + 14))" \)
  i=$((i + 1))
done
"$im" -delay 12 -size 120x90 xc:white "$@" -delete 0 -loop 0 -layers optimize anim_moving_box.gif

"$im" -delay 20 -page 200x150+0+0 -size 200x150 xc:navy \
  -page +30+20 -size 60x40 -seed 5 plasma: -colors 32 \
  -page +140+95 -size 60x55 gradient:red-blue -colors 16 \
  -page +0+149 -size 200x1 xc:yellow \
  -page +199+0 -size 1x150 gradient:green-black -colors 8 \
  -loop 0 anim_offsets.gif

# Written by giflib from text: interlaced frames of the heights where the passes
# are easiest to get wrong, offset frames, a local colour table, a raw 256-colour
# frame, graphic control, comment and looping blocks.
awk 'BEGIN {
  keys = "abcdefgh"
  print "screen width 64"
  print "screen height 48"
  print "screen map"
  for (i = 0; i < 8; i++) printf "\trgb %d %d %d is %s\n", i * 32, 255 - i * 32, (i * 97) % 256, substr(keys, i + 1, 1)
  print "end"
  print "netscape loop 0"
  split("1 2 3 4 5 8 9 16 17", heights, " ")
  for (n = 1; n <= 9; n++) {
    h = heights[n]
    print ""
    print "image"
    printf "image left %d\nimage top %d\n", n * 5, n * 2
    print "image interlaced"
    printf "image bits 7 by %d\n", h
    for (y = 0; y < h; y++) {
      line = ""
      for (x = 0; x < 7; x++) line = line substr(keys, (x * 3 + y * 5 + n) % 8 + 1, 1)
      print line
    }
    print "graphics control"
    printf "\tdelay %d\n", n * 10
    print "end"
  }
  print ""
  print "comment"
  print "a comment between frames"
  print "end"
  print ""
  print "image"
  print "image left 3"
  print "image top 4"
  print "image map"
  lkeys = "ABCDEFGHIJKLMNOP"
  for (i = 0; i < 16; i++) printf "\trgb %d %d %d is %s\n", i * 16, i * 8, 255 - i * 16, substr(lkeys, i + 1, 1)
  print "end"
  print "image bits 30 by 20"
  for (y = 0; y < 20; y++) {
    line = ""
    for (x = 0; x < 30; x++) line = line substr(lkeys, (x * y + x + 2 * y) % 16 + 1, 1)
    print line
  }
}' | gifbuild >giflib_interlace_heights.gif

awk 'BEGIN {
  print "screen width 97"
  print "screen height 61"
  print "screen map"
  for (i = 0; i < 256; i++) printf "\trgb %d %d %d\n", i, (i * 7) % 256, 255 - i
  print "end"
  print "image"
  print "image bits 97 by 61 hex"
  seed = 7
  for (y = 0; y < 61; y++) {
    line = ""
    for (x = 0; x < 97; x++) {
      seed = (seed * 1103515245 + 12345) % 2147483648
      line = line sprintf("%02x", (x < 40 ? int(seed / 65536) % 256 : (x + y) % 4))
    }
    print line
  }
}' | gifbuild >giflib_256_colours.gif

"$dump" ./*.gif
ls ./*.gif | sed 's|^\./||; s|\.gif$||' >names.txt
