#!/usr/bin/env bash
# Remakes the fuzzers' seed corpora in seeds/: small GIFs from ImageMagick that
# reach the parser's and the decoder's paths (colour tables, extensions, frame
# offsets, interlacing, code growth up to 12 bits and table resets), and payload
# files laid out the way the packer lays them out, plus near misses.
# Reproducible: the same ImageMagick version writes the same bytes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# /usr/local/bin may hold a stand-in; the seeds need the real thing.
convert=/usr/bin/convert
gifs="$here/seeds/gif_parser_fuzzer"
payloads="$here/seeds/payload_locator_fuzzer"
flatten="$here/seeds/gif_flatten_fuzzer"
lzw="$here/seeds/lzw_differential_fuzzer"
rm -rf "$gifs" "$payloads" "$flatten" "$lzw"
mkdir -p "$gifs" "$payloads" "$flatten" "$lzw"

im() { "$convert" "$@"; }

im -size 1x1 xc:red "$gifs/one_pixel.gif"
im -size 8x8 pattern:checkerboard -colors 2 "$gifs/checkerboard.gif"
im -seed 11 -size 16x16 plasma:fractal -colors 16 -interlace GIF "$gifs/interlaced.gif"
im -delay 7 -size 12x10 xc:navy xc:gold xc:teal -comment "seed" -loop 0 +remap "$gifs/three_frames.gif"
im -delay 20 -page 20x20+5+3 -size 9x6 xc:white -page 20x20+0+14 -size 20x6 xc:black -loop 0 "$gifs/offsets.gif"
im -size 10x10 xc:red -size 10x10 xc:blue "$gifs/local_tables.gif"
# Enough distinct pixels to fill the 4096-entry string table and reset it.
im -seed 5 -size 80x80 xc: +noise Random -colors 256 "$gifs/noise_table_reset.gif"
# Long runs: long strings, deep expansion on the decoder's stack.
im -size 200x40 xc:gray "$gifs/long_runs.gif"
# More frames than the first frame array holds.
im -delay 3 -size 2x2 xc:red -duplicate 104 "$gifs/many_frames.gif"
# The 87a signature, no extensions at all.
im -size 6x4 gradient:black-white -colors 4 "GIF87:$gifs/plain_87a.gif"
# Image data that starts without a clear code: 4 x 1, every pixel index 1.
printf 'GIF89a\x04\x00\x01\x00\xf1\x00\x00\x00\x00\x00\xff\x00\x00\x00\xff\x00\x00\x00\xff' > "$gifs/no_initial_clear.gif"
printf '\x2c\x00\x00\x00\x00\x04\x00\x01\x00\x00\x02\x02\x71\x0a\x00\x3b' >> "$gifs/no_initial_clear.gif"

section() {  # section NAME FILE: '*' NAME ':' length (LE32) data
  local size
  size=$(stat -c %s "$2")
  printf '*%s:' "$1"
  printf "\\x$(printf %02x $((size & 255)))\\x$(printf %02x $((size >> 8 & 255)))"
  printf "\\x$(printf %02x $((size >> 16 & 255)))\\x$(printf %02x $((size >> 24 & 255)))"
  cat "$2"
}
stub() { printf 'MZ\x90\x00\x03\x00\x00\x00 stand-in image * with : stray bytes *GIF_BEGINS_HER\n'; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk\x00\x00\x00\x04\x00\xff\x2f\x00' > "$tmp/song.mid"
gif="$gifs/three_frames.gif"

{ stub; section GIF_BEGINS_HERE "$gif"; section MIDI_BEGINS_HERE "$tmp/song.mid"; } > "$payloads/gif_then_midi.bin"
{ stub; section MIDI_BEGINS_HERE "$tmp/song.mid"; echo between; section GIF_BEGINS_HERE "$gif"; } > "$payloads/midi_then_gif.bin"
# A marker whose match is broken by a second asterisk, then the real one.
{ stub; printf '**GIF_BEGINS_HERE:'; section GIF_BEGINS_HERE "$gif"; } > "$payloads/broken_match.bin"
# The marker straddles the end of the scan's first 4096-byte read.
{ head -c 4090 /dev/zero | tr '\0' 'x'; section GIF_BEGINS_HERE "$gif"; section MIDI_BEGINS_HERE "$tmp/song.mid"; } \
  > "$payloads/across_read_boundary.bin"
# Lengths the file cannot hold: cut short, and 2^31.
{ stub; printf '*MIDI_BEGINS_HERE:\x40\x00\x00\x00MThd'; } > "$payloads/length_beyond_end.bin"
{ stub; printf '*GIF_BEGINS_HERE:\x00\x00\x00\x80GIF89a'; } > "$payloads/length_too_large.bin"
{ stub; printf '*GIF_BEGINS_HERE:\x10\x00'; } > "$payloads/length_cut_short.bin"

# The flattener: the parser's small seeds, and what it adds to them: transparency,
# every disposal method, a frame partly off the screen, more than 256 colours.
for f in one_pixel checkerboard interlaced three_frames offsets local_tables plain_87a; do
  cp "$gifs/$f.gif" "$flatten/"
done
im -delay 5 -size 16x12 xc:white \( -clone 0 -fill red -draw 'rectangle 2,2 6,6' \) \
  \( -clone 1 -fill blue -draw 'rectangle 8,3 12,9' \) -loop 0 -layers optimize "$flatten/optimized.gif"
im -size 12x12 xc:none -fill green -draw 'circle 6,6 9,6' -set dispose Background \
  \( -size 12x12 xc:none -fill orange -draw 'rectangle 1,1 5,5' -set dispose Previous \) \
  \( -size 12x12 xc:none -fill purple -draw 'rectangle 6,6 11,11' -set dispose None \) \
  -loop 0 "$flatten/disposals.gif"
im -delay 4 -page 16x16+10+10 -size 12x12 xc:teal -page 16x16+0+0 -size 8x8 xc:yellow "$flatten/off_screen.gif"
im -seed 3 -size 24x24 plasma:fractal -size 24x24 gradient:red-blue "$flatten/many_colours.gif"
# Large screens and many frames that change little: a frame must cost what it
# changes, not the screen. Frames 0 x 0 after a pixel; 1 x 1 frames in opposite
# corners, each cleared after it is shown (disposal 2).
control() { printf "\\x21\\xf9\\x04\\x$1\\x07\\x00\\x00\\x00"; }  # packed byte $1, delay 7
pixel='\x01\x00\x01\x00\x00\x02\x02\x4c\x01\x00'  # 1 x 1, index 1
{
  printf 'GIF89a\x00\x08\x00\x08\x80\x00\x00\x00\x00\x00\xff\xff\xff'
  control 04; printf "\\x2c\\x05\\x00\\x05\\x00$pixel"
  for _ in $(seq 100); do control 04; printf '\x2c\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00'; done
  printf '\x3b'
} > "$flatten/large_screen.gif"
{
  printf 'GIF89a\x00\x08\x00\x08\x80\x00\x00\x00\x00\x00\xff\xff\xff'
  for _ in $(seq 30); do
    control 08; printf "\\x2c\\x00\\x00\\x00\\x00$pixel"
    control 08; printf "\\x2c\\xff\\x07\\xff\\x07$pixel"
  done
  printf '\x3b'
} > "$flatten/far_corners.gif"

# The two LZW decoders: each frame's image data from the parser's seeds, behind
# the three bytes that give the harness the frame's width, height and interlace
# flag.
for gif in "$gifs"/*.gif; do
  python3 - "$gif" "$lzw/$(basename "$gif" .gif)" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
pos, n = 13, 0
if data[10] & 0x80:
    pos += 3 << ((data[10] & 7) + 1)
while pos < len(data) and data[pos] != 0x3B:
    if data[pos] == 0x21:
        pos += 2
        while data[pos]:
            pos += data[pos] + 1
        pos += 1
        continue
    width, height = data[pos + 5] | data[pos + 6] << 8, data[pos + 7] | data[pos + 8] << 8
    packed = data[pos + 9]
    pos += 10 + (3 << ((packed & 7) + 1) if packed & 0x80 else 0)
    start = pos
    pos += 1
    while data[pos]:
        pos += data[pos] + 1
    pos += 1
    w, h = min(width, 2048) - 1, min(height, 256) - 1
    header = bytes([w & 255, (w >> 8) | (8 if packed & 0x40 else 0), h])
    open('%s-%d.bin' % (sys.argv[2], n), 'wb').write(header + data[start:pos])
    n += 1
    if n == 3:
        break
PY
done

du -cb "$gifs" "$payloads" "$flatten" "$lzw" | tail -1
