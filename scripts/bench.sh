#!/usr/bin/env bash
# Builds everything and prints the figures the README quotes: decoding speed
# against giflib, the player's start-up, memory, CPU and frame timing, the
# peeker's paint and peek costs, and the sizes of the programs. Takes several
# minutes (the frame timing alone watches 100 frames of 0.5 s and 1 s). CPU
# times are those of the Linux process that runs the program under Wine (with
# the user-mode emulator where the kernel runs no 32-bit code).
# The flatten part compares the packer's --flatten output with ImageMagick's.
#   scripts/bench.sh [decode|player|peeker|sizes|flatten]...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(decode player peeker sizes)

"$root/scripts/setup.sh" >/dev/null
"$root/scripts/build.sh" >/dev/null
bin="$root/build/win/bin"
work="$root/build/bench"
mkdir -p "$work"
source "$root/scripts/display.sh"
quiet_without_sound

# The GIFs are made again when their script has changed since.
make_gifs="$root/bench/make-bench-gifs.sh"
[ "$work/index.txt" -nt "$make_gifs" ] || "$make_gifs" "$work" "$root/build/host/bin/drop-first-clear" >/dev/null
pack() { "$root/build/host/bin/loopvue-pack" --player "$bin/loopvue.exe" "$@" 2>/dev/null; }
# CPU time (in seconds) used so far by the Linux process that runs a Windows program.
minus() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a - b}'; }
# The process running a program the shell started with `wine /path/NAME`.
pid_of() { ps -eo pid=,args= | awk -v name="/$1" 'substr($NF, length($NF) - length(name) + 1) == name {print $1; exit}'; }
cpu_of() { awk -v hz="$(getconf CLK_TCK)" '{printf "%.2f", ($14 + $15) / hz}' "/proc/$(pid_of "$1")/stat"; }

for part in "${parts[@]}"; do
  case "$part" in
    decode)
      echo "== GIF decoding, this decoder against giflib (MB/s of frame pixels; native, -O2)"
      mapfile -t gifs < <(cut -f1 "$work/index.txt")
      # Each measurement's details, and any disagreement with giflib, go to the log.
      decoded=0
      (cd "$work" && "$root/build/host/bin/gif-bench" "${gifs[@]}") >"$work/decode.txt" 2>"$work/decode.log" || decoded=$?
      awk -F '\t' '
        FNR == NR { frames[$1] = $2; size[$1] = $3; what[$1] = $4; order[++n] = $1; next }
        { ours[$1] = $2; theirs[$1] = $3; ratio[$1] = $4 }
        function shown(table, key) { return key in table ? table[key] : "-" }
        END {
          row = "%-27s %-47s %6s %-10s %8s %8s %6s\n"
          printf row, "file", "what", "frames", "size", "this", "giflib", "ratio"
          for (i = 1; i <= n; i++) {
            g = order[i]
            printf row, g, what[g], frames[g], size[g], shown(ours, g), shown(theirs, g), shown(ratio, g)
          }
          printf row, "TOTAL", "", "", "", shown(ours, "TOTAL"), shown(theirs, "TOTAL"), shown(ratio, "TOTAL")
        }' "$work/index.txt" FS=' ' "$work/decode.txt"
      if [ $decoded -ne 0 ]; then
        grep -v ' pixels here, ' "$work/decode.log" >&2
        exit 1
      fi
      ;;
    player)
      echo "== Player (under Wine)"
      pack --midi "$root/samples/greeting.mid" "$root/samples/greeting.gif" -o "$work/greeting.exe"
      pack "$work/anim.gif" -o "$work/anim.exe"
      echo -n "sample greeting: "; wine "$bin/player-bench.exe" start "$work/greeting.exe"
      echo -n "400 frames of 470 x 300: "; wine "$bin/player-bench.exe" start "$work/anim.exe"
      wine "$work/greeting.exe" >/dev/null 2>&1 &
      sleep 5
      before=$(cpu_of greeting.exe); sleep 60; after=$(cpu_of greeting.exe)
      echo "sample greeting: $(minus "$after" "$before") CPU-seconds over a minute of playback"
      kill "$(pid_of greeting.exe)" 2>/dev/null || true
      wine "$bin/player-bench.exe" make-timing "$bin/loopvue.exe" "$work/timing.exe"
      echo -n "frames of 50 and 100 hundredths: "; wine "$bin/player-bench.exe" timing "$work/timing.exe" 100
      ;;
    peeker)
      echo "== Peeker (under Wine)"
      wine "$bin/peeker-bench.exe" paint 1000
      wine "$bin/glimmer.exe" >/dev/null 2>&1 &
      # Read the marks as they come (a filter in between would hold them back).
      wine "$bin/peeker-bench.exe" watch | while read -r mark when; do
        declare "cpu_$mark=$(cpu_of glimmer.exe)" "at_$mark=${when%$'\r'}"
        if [ "$mark" = hidden ]; then
          echo "one peek: $(minus "$at_hidden" "$at_shown") s on screen, $(minus "$cpu_hidden" "$cpu_shown") CPU-seconds"
        elif [ "$mark" = idle_end ]; then
          echo "a minute of the pause: $(minus "$cpu_idle_end" "$cpu_idle_start") CPU-seconds"
        fi
      done
      ;;
    sizes)
      echo "== Sizes (bytes)"
      pack --midi "$root/samples/greeting.mid" "$root/samples/greeting.gif" -o "$work/greeting.exe"
      for f in "$bin/loopvue.exe" "$bin/glimmer.exe" "$bin/loopvue-maker.exe" "$bin/loopvue-pack.exe" "$work/greeting.exe"; do
        printf '%-18s %8d\n' "$(basename "$f")" "$(stat -c %s "$f")"
      done
      ;;
    flatten)
      echo "== Flatten (bytes; time of loopvue-pack --flatten, native, -O2)"
      convert=/usr/bin/convert
      anims="$work/flatten"
      mkdir -p "$anims"
      if [ ! -f "$anims/cartoon.gif" ]; then
        # A screen recording: a window whose text lines appear one by one under
        # a moving pointer, optimised as recorders do (transparency, disposal).
        args=()
        for i in $(seq 0 39); do
          text=""
          for j in $(seq 0 $((i / 2))); do
            y=$((50 + (j % 20) * 12)); text+=" rectangle 30,$y $((60 + (j * 37) % 300)),$((y + 6))"
          done
          x=$((100 + i * 8)); y=$((200 - i * 3))
          args+=(\( -size 480x320 xc:'#d8d8d8' -fill '#3060a0' -draw "rectangle 0,0 479,23"
                 -fill white -draw "rectangle 20,40 459,300" -fill '#202020' -draw "$text"
                 -fill black -draw "polygon $x,$y $x,$((y + 16)) $((x + 11)),$((y + 11))" \))
        done
        "$convert" -delay 10 -loop 0 "${args[@]}" -layers optimize "$anims/screen.gif"
        # A photo: a fractal panned and turned, every frame its own 256 colours.
        "$convert" -seed 7 -size 400x300 plasma:fractal -blur 0x1 "$anims/photo.png"
        "$convert" -delay 8 -loop 0 "$anims/photo.png" -duplicate 23 -virtual-pixel mirror \
          -distort SRT '%[fx:200+t*4],150 1.2 %[fx:t*1.5]' "$anims/photo.gif"
        # A cartoon on a transparent background, each frame cleared before the next.
        args=()
        for i in $(seq 0 29); do
          x=$((40 + i * 4)); y=$((150 - (i % 10) * (10 - i % 10) * 3))
          args+=(\( -size 240x200 xc:none -fill '#f0c020' -stroke '#302000' -strokewidth 3
                 -draw "circle $x,$y $((x + 24)),$y" -fill '#302000' -draw "circle $((x + 8)),$((y - 6)) $((x + 11)),$((y - 6))"
                 -fill '#40a040' -stroke none -draw "rectangle 0,185 239,199" \))
        done
        "$convert" -delay 6 -loop 0 -dispose background "${args[@]}" "$anims/cartoon.gif"
      fi
      player=$(stat -c %s "$bin/loopvue.exe")
      printf '%-16s %10s %10s %12s %9s  %s\n' animation original flattened "IM coalesce" time "what --flatten did"
      for run in screen photo photo:--dither cartoon; do
        name=${run%%:*}
        flags=(--flatten)
        [ "$run" = "$name" ] || flags+=("${run#*:}")
        gif="$anims/$name.gif"
        start=$(date +%s.%N)
        said=$("$root/build/host/bin/loopvue-pack" --player "$bin/loopvue.exe" "${flags[@]}" "$gif" -o "$anims/$name.exe" 2>/dev/null)
        end=$(date +%s.%N)
        "$convert" "$gif" -coalesce -layers optimize "$anims/$name-im.gif"
        printf '%-16s %10d %10d %12d %8.2fs  %s\n' "${run/:/ }" "$(stat -c %s "$gif")" \
          $(($(stat -c %s "$anims/$name.exe") - player - 21)) "$(stat -c %s "$anims/$name-im.gif")" \
          "$(minus "$end" "$start")" "${said#*: }"
      done
      # 65,535 frames that change nothing on a screen of 2^24 pixels (ImageMagick
      # refuses their 0 x 0 frames): --flatten costs what the frames change.
      still="$anims/still.gif"
      if [ ! -f "$still" ]; then
        { printf 'GIF89a\x00\x10\x00\x10\x80\x00\x00\x00\x00\x00\xff\xff\xff'
          printf '\x21\xf9\x04\x04\x07\x00\x00\x00\x2c\x05\x00\x05\x00\x01\x00\x01\x00\x00\x02\x02\x4c\x01\x00'
          printf '%.0s\x21\xf9\x04\x04\x07\x00\x00\x00\x2c\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00' $(seq 65534)
          printf '\x3b'; } > "$still"
      fi
      start=$(date +%s.%N)
      said=$("$root/build/host/bin/loopvue-pack" --player "$bin/loopvue.exe" --flatten "$still" -o "$anims/still.exe" 2>/dev/null)
      end=$(date +%s.%N)
      printf '%-16s %10d %10d %12s %8.2fs  %s\n' still "$(stat -c %s "$still")" \
        $(($(stat -c %s "$anims/still.exe") - player - 21)) - "$(minus "$end" "$start")" "${said#*: }"
      ;;
    *) echo "unknown part $part" >&2; exit 2 ;;
  esac
done
