#!/usr/bin/env bash
# Makes the decoding benchmark's GIFs in OUTDIR, the same bytes on every run
# with a given ImageMagick version and photo package (mate-backgrounds), and
# OUTDIR/index.txt: one line per file, "NAME<tab>FRAMES<tab>WxH<tab>WHAT", in
# the order the benchmark reads them. DROP_FIRST_CLEAR is the drop-first-clear
# program, which makes the files whose images start without a clear code.
#
# The first three keep the names the README's first figures were measured on:
#   photo.gif  1000 x 800, one frame, 256 colours, dithered fractal noise: codes
#              grow to 12 bits quickly and strings stay short
#   anim.gif   400 frames of 470 x 300 with one global palette of 128 colours,
#              a flat cartoon scene turning: long strings, few codes per pixel
#   icon.gif   48 x 48, 16 colours: per-image set-up dominates
# The rest are shaped like GIFs found in the world, not like our encoder's: a
# photograph dithered by error diffusion, a screen recording whose frames are
# the rectangles that changed, a bilevel scanned page, an interlaced photo,
# the one-pixel strips pages tile as backgrounds, a sprite animation of
# hundreds of small frames, and copies of two of them without leading clears.
# --quick gives anim.gif 40 frames instead of 400: the same kind of file in a
# tenth of the time, for the tests.
# usage: make-bench-gifs.sh [--quick] OUTDIR DROP_FIRST_CLEAR
set -euo pipefail
anim_frames=400
if [ "${1:-}" = --quick ]; then
  anim_frames=40
  shift
fi
if [ $# -ne 2 ]; then
  echo "usage: $0 [--quick] OUTDIR DROP_FIRST_CLEAR" >&2
  exit 2
fi
out=$1
drop_first_clear=$2
mkdir -p "$out"
# The index comes last, so that its presence means a whole set.
rm -f "$out/index.txt"
# /usr/local/bin may hold a stand-in; the benchmark needs real images.
convert=/usr/bin/convert
identify=/usr/bin/identify
photos=/usr/share/backgrounds/mate/nature
if [ ! -f "$photos/Dune.jpg" ]; then
  echo "$0: $photos/Dune.jpg is missing; install mate-backgrounds (scripts/setup.sh does)" >&2
  exit 1
fi
ui=DejaVu-Sans
mono=DejaVu-Sans-Mono
serif=DejaVu-Serif
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

index=()
# Records NAME with WHAT for index.txt; frames and size are read back.
describe() {
  local frames size
  read -r frames size < <("$identify" -ping -format '%n %Wx%H\n' "$out/$1" | head -1)
  index+=("$1"$'\t'"$frames"$'\t'"$size"$'\t'"$2")
}

# A palette of at most 256 colours for every frame of a sequence. Written
# without one, each frame would get a local table of its own, and ImageMagick
# would quantize every frame again (slowly).
shared_palette() {  # FRAMES PALETTE
  "$convert" "$1" +repage -unique-colors -append +dither -colors 256 -unique-colors "$2"
}

"$convert" -seed 42 -size 1000x800 plasma:fractal -colors 256 "$out/photo.gif"
describe photo.gif "fractal noise, 256 colours"

"$convert" -size 470x300 gradient:'#102060-#90c0f0' \
  -fill '#f0d020' -draw 'circle 120,110 120,50' \
  -fill '#30a040' -draw 'rectangle 0,230 470,300' \
  -fill '#c03030' -draw 'roundrectangle 260,120 420,220 20,20' \
  -fill white -draw 'ellipse 330,60 70,25 0,360' "$tmp/scene.png"
# One palette for every frame, so the file has a global table and no local ones.
"$convert" "$tmp/scene.png" +dither -colors 128 -unique-colors "$tmp/palette.gif"
"$convert" "$tmp/scene.png" -duplicate $((anim_frames - 1)) -virtual-pixel edge -distort SRT '%[fx:t*0.9]' \
  +dither -remap "$tmp/palette.gif" -delay 4 -loop 0 "$out/anim.gif"
describe anim.gif "flat cartoon turning, full frames, 128 colours"

"$convert" -size 48x48 radial-gradient:'#ffe080-#a02060' \
  -fill '#2040a0' -draw 'circle 24,24 24,10' -colors 16 "$out/icon.gif"
describe icon.gif "icon, 16 colours"

# ImageMagick 6 diffuses by Riemersma's curve unless told otherwise.
"$convert" "$photos/Dune.jpg" -resize 1024x640 -dither FloydSteinberg -colors 256 "$out/photo-dithered.gif"
describe photo-dithered.gif "photograph, 256 colours, Floyd-Steinberg"

# A screen recording of an editor being typed into, made as recorders make
# them: the first frame is the whole screen, each later one the rectangle that
# changed since the one before, all on one palette. The screen is kept in
# mpr:clean, without the pointer, and only the cut-out frames stay in memory.
"$convert" -size 800x600 xc:'#3a6ea5' \
  -fill '#c0c0c0' -draw 'rectangle 0,572 799,599' -fill white -draw 'line 0,572 799,572' \
  -fill '#c0c0c0' -stroke '#808080' -draw 'rectangle 3,575 62,596' -stroke none \
  -font "$ui" -pointsize 12 -fill black -annotate +14+590 'Start' -annotate +742+590 '10:42' \
  -fill '#f0e68c' -draw 'rectangle 20,20 52,52' -fill '#e0e0e0' -draw 'rectangle 20,90 52,122' \
  -fill '#90ee90' -draw 'rectangle 20,160 52,192' -fill white -pointsize 11 \
  -annotate +22+66 'Files' -annotate +20+136 'Trash' -annotate +18+206 'Games' \
  -fill '#c0c0c0' -draw 'rectangle 100,40 699,519' -fill '#000080' -draw 'rectangle 103,43 696,62' \
  -fill white -pointsize 12 -annotate +110+57 'notes.txt - Editor' \
  -fill '#c0c0c0' -stroke black -draw 'rectangle 676,46 691,59' -stroke none \
  -fill black -annotate +110+78 'File    Edit    Format    View    Help' \
  -fill white -stroke '#808080' -draw 'rectangle 105,84 694,514' -stroke none \
  "$tmp/desktop.png"
notes=(
  "Meeting notes, Tuesday"
  ""
  "- release candidate builds on all three targets"
  "- the installer still asks for the folder twice"
  "- animation timing: frames of 0.5 s and 1 s land"
  "  within 5 ms of their mark on the test machine"
  "- next week: icons, the about box, the manual"
  ""
  "Questions for the review:"
  "1. keep the old file format readable?"
  "2. which palette for the small icons?"
  "3. who signs off the translations?"
  ""
  "Action items"
  "* write up the decoder figures"
  "* send the screenshots to the designers"
  "* book the room for Thursday"
  "* archive last month's logs"
  "* check the printer driver on the old laptop"
  "* order two more test machines"
  "* update the wiki page"
  "* move the build machine to the new rack"
  "* renew the certificates before the 30th"
  "* answer the mail about the German manual"
)
frames=()
edits=()
px=620 py=420  # the pointer's tip
x0=800 y0=600 x1=0 y1=0  # what changed in the frame being made
changed() {  # X0 Y0 X1 Y1
  x0=$(($1 < x0 ? $1 : x0)) y0=$(($2 < y0 ? $2 : y0)) x1=$(($3 > x1 ? $3 : x1)) y1=$(($4 > y1 ? $4 : y1))
}
frame() {
  changed $((px - 1)) $((py - 1)) $((px + 15)) $((py + 23))
  local arrow="polygon $px,$py $px,$((py + 17)) $((px + 4)),$((py + 13)) $((px + 8)),$((py + 21))"
  arrow+=" $((px + 11)),$((py + 20)) $((px + 7)),$((py + 12)) $((px + 12)),$((py + 12))"
  frames+=(\( mpr:clean "${edits[@]}" -write mpr:clean -fill white -stroke black -draw "$arrow" -stroke none
           -crop $((x1 - x0))x$((y1 - y0))+$x0+$y0 \))
  edits=()
  x0=800 y0=600 x1=0 y1=0
}
move_pointer() {  # X Y FRAMES
  local sx=$px sy=$py i
  for ((i = 1; i <= $3; i++)); do
    changed $((px - 1)) $((py - 1)) $((px + 15)) $((py + 23))
    px=$((sx + ($1 - sx) * i / $3)) py=$((sy + ($2 - sy) * i / $3))
    frame
  done
}
# The editor's monospaced grid: 8 pixels a column, 20 a row.
column_x() { echo $((112 + $1 * 8)); }
row_y() { echo $((88 + $1 * 20)); }
rows=21
# Redraws a row of the editor with the first COLUMNS characters of TEXT, and
# the caret after them unless CARET is "hidden".
show_line() {  # TEXT COLUMNS ROW CARET
  local y indent shown x
  y=$(row_y "$3")
  # Leading spaces as an offset: ImageMagick drops them from the text.
  indent=${1%%[! ]*}
  shown=$(($2 - ${#indent}))
  edits+=(-fill white -draw "rectangle 106,$y 693,$((y + 17))" -font "$mono" -pointsize 13 -fill black
          -annotate +"$(column_x ${#indent})"+$((y + 13)) "${1:${#indent}:$((shown > 0 ? shown : 0))}")
  if [ "$4" != hidden ]; then
    x=$(column_x "$2")
    edits+=(-stroke black -draw "line $x.5,$y $x.5,$((y + 16))" -stroke none)
  fi
}

changed 0 0 800 600
frame
move_pointer 300 300 24
top=0
for ((line = 0; line < ${#notes[@]}; line++)); do
  text=${notes[$line]}
  if [ $((line - top)) -ge $rows ]; then
    # Scrolls the text up by a line.
    edits+=(\( +clone -crop 588x$(((rows - 1) * 20))+106+106 \) -geometry +106+86 -composite
            -fill white -draw "rectangle 106,$((86 + (rows - 1) * 20)) 693,$((86 + rows * 20))")
    changed 106 86 694 $((86 + rows * 20))
    top=$((top + 1))
    frame
  fi
  row=$((line - top))
  y=$(row_y $row)
  col=0 typed=0
  while [ $col -lt ${#text} ] || [ $typed -eq 0 ]; do
    from=$col
    col=$((col + 2 + typed % 2)) typed=$((typed + 1))
    [ $col -le ${#text} ] || col=${#text}
    # The caret is hidden on one frame in five while typing.
    show_line "$text" $col $row $([ $((typed % 5)) -eq 4 ] && echo hidden || echo shown)
    changed $(($(column_x $from) - 2)) "$y" $(($(column_x $col) + 3)) $((y + 18))
    frame
  done
  show_line "$text" $col $row hidden
  changed $(($(column_x $col) - 2)) "$y" $(($(column_x $col) + 3)) $((y + 18))
done
# File, Save: the menu opens, the pointer runs down it, a dialog shows progress.
move_pointer 114 70 20
menu_items=("New" "Open..." "Save" "Save As..." "Print..." "Exit")
edits+=(-write mpr:under -fill '#c0c0c0' -stroke '#808080' -draw 'rectangle 104,82 230,208' -stroke none
        -font "$ui" -pointsize 12 -fill black)
for i in "${!menu_items[@]}"; do edits+=(-annotate +116+$((100 + i * 20)) "${menu_items[$i]}"); done
changed 104 82 231 209
frame
for i in 0 1 2; do
  [ $i -eq 0 ] || edits+=(-fill '#c0c0c0' -draw "rectangle 106,$((86 + (i - 1) * 20)) 228,$((103 + (i - 1) * 20))"
                          -fill black -annotate +116+$((100 + (i - 1) * 20)) "${menu_items[$((i - 1))]}")
  edits+=(-fill '#000080' -draw "rectangle 106,$((86 + i * 20)) 228,$((103 + i * 20))"
          -fill white -annotate +116+$((100 + i * 20)) "${menu_items[$i]}")
  changed 106 $((66 + i * 20)) 229 $((104 + i * 20))
  move_pointer 150 $((94 + i * 20)) 3
done
edits+=(+delete mpr:under -write mpr:under -fill '#c0c0c0' -stroke black -draw 'rectangle 250,220 550,330'
        -stroke none -fill '#000080' -draw 'rectangle 253,223 547,240' -font "$ui" -pointsize 12
        -fill white -annotate +260+236 'Saving' -fill black -annotate +270+266 'Writing notes.txt ...'
        -fill white -stroke '#808080' -draw 'rectangle 270,285 530,305' -stroke none)
changed 104 82 551 331
frame
for ((i = 1; i <= 26; i++)); do
  edits+=(-fill '#000080' -draw "rectangle $((262 + i * 10)),287 $((270 + i * 10)),303")
  changed $((262 + i * 10)) 287 $((271 + i * 10)) 304
  frame
done
edits+=(+delete mpr:under)
changed 250 220 551 331
frame
move_pointer 640 460 30
"$convert" "$tmp/desktop.png" -write mpr:clean +delete "${frames[@]}" "$tmp/screencast.miff"
shared_palette "$tmp/screencast.miff" "$tmp/screencast-palette.gif"
"$convert" "$tmp/screencast.miff" +dither -remap "$tmp/screencast-palette.gif" -delay 10 -loop 0 "$out/screencast.gif"
describe screencast.gif "screen recording, changed rectangles"

# A page scanned to black and white at 150 dots an inch: slightly skewed,
# blurred by the optics, grainy, then thresholded.
page=()
y=150
while IFS= read -r text; do
  text=${text//%/%%}
  [ -z "${text// /}" ] || page+=(-annotate +150+$y "$text")
  y=$((y + 25))
done < <(sed -n '1,56p' /usr/share/common-licenses/GPL-2)
"$convert" -size 1275x1650 xc:white -font "$serif" -pointsize 19 -fill black "${page[@]}" \
  -background white -rotate 0.4 -gravity center -extent 1275x1650 -blur 0x0.7 \
  -seed 5 -attenuate 0.25 +noise Gaussian -colorspace gray -threshold 55% -type bilevel "$out/scan-bilevel.gif"
describe scan-bilevel.gif "scanned page, 2 colours"

"$convert" "$photos/Storm.jpg" -resize 960x640 -colors 128 -interlace GIF "$out/interlaced.gif"
describe interlaced.gif "photograph, interlaced, 128 colours"

"$convert" -size 1x600 gradient:'#ffffff-#6a8fc4' "$out/strip-1x600.gif"
describe strip-1x600.gif "background strip, gradient"
"$convert" -size 2000x1 -define gradient:direction=east gradient:'#1c3d6e-#f2f6fb' "$out/strip-2000x1.gif"
describe strip-2000x1.gif "background strip, gradient"

# A ball bouncing over a still stage, each frame the rectangle around where the
# ball was and is, as optimisers leave such animations; it grows twice.
"$convert" -size 640x480 gradient:'#8ec5ff-#e8f4ff' \
  -fill '#5a9a3c' -draw 'ellipse 150,470 260,120 180,360' -fill '#4b8a30' -draw 'ellipse 500,480 300,150 180,360' \
  -fill '#a0703c' -draw 'rectangle 0,440 639,479' -fill '#8a5c2c' -draw 'rectangle 0,440 639,443' \
  "$tmp/stage.png"
ball() {  # X Y RX RY, in the frame's own coordinates
  ball=(-fill '#c82828' -draw "ellipse $1,$2 $3,$4 0,360"
        -fill '#f08080' -draw "ellipse $(($1 - $3 / 3)),$(($2 - $4 / 3)) $(($3 / 3)),$(($4 / 3)) 0,360")
}
x=60 y=300 vx=4 vy=-6 rx=10 ry=10
ball $x $y $rx $ry
frames=(\( mpr:stage "${ball[@]}" \))
for ((i = 1; i < 360; i++)); do
  ox=$x oy=$y orx=$rx ory=$ry
  r=$((10 + i / 120 * 5))
  floor=$((440 - r))
  vy=$((vy + 1)) x=$((x + vx)) y=$((y + vy))
  if [ $y -ge $floor ]; then y=$floor vy=$((vy > 8 ? -vy + 1 : -15)); fi
  if [ $x -gt $((632 - r)) ] || [ $x -lt $((8 + r)) ]; then vx=$((-vx)) x=$((x - 2 * vx)); fi
  rx=$r ry=$r
  # Squashed where it lands.
  if [ $y -ge $((floor - 2)) ]; then rx=$((r + r / 3)) ry=$((r - r / 4)) y=$((440 - ry)); fi
  fx=$(((x - rx < ox - orx ? x - rx : ox - orx) - 1))
  fy=$(((y - ry < oy - ory ? y - ry : oy - ory) - 1))
  fw=$(((x + rx > ox + orx ? x + rx : ox + orx) + 2 - fx))
  fh=$(((y + ry > oy + ory ? y + ry : oy + ory) + 2 - fy))
  ball $((x - fx)) $((y - fy)) $rx $ry
  frames+=(\( mpr:stage -crop ${fw}x$fh+$fx+$fy "${ball[@]}" \))
done
"$convert" "$tmp/stage.png" -write mpr:stage +delete "${frames[@]}" "$tmp/sprites.miff"
shared_palette "$tmp/sprites.miff" "$tmp/sprites-palette.gif"
"$convert" "$tmp/sprites.miff" +dither -remap "$tmp/sprites-palette.gif" -delay 3 -loop 0 "$out/sprites.gif"
describe sprites.gif "bouncing ball, small changed rectangles"

"$drop_first_clear" "$out/photo-dithered.gif" "$out/photo-dithered-noclear.gif"
describe photo-dithered-noclear.gif "photo-dithered.gif, no leading clear codes"
"$drop_first_clear" "$out/screencast.gif" "$out/screencast-noclear.gif"
describe screencast-noclear.gif "screencast.gif, no leading clear codes"

printf '%s\n' "${index[@]}" > "$out/index.txt"
