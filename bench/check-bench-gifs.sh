#!/usr/bin/env bash
# Checks a set made by make-bench-gifs.sh, and drop-first-clear on it. Every
# file its index lists, and every one of them rewritten without leading clear
# codes, decodes to the same palette indices in the player's decoder and in
# giflib. Each rewritten file has the pixels ImageMagick decodes from the file
# it came from, and drop-first-clear refuses it; the set's own copies without
# clears (NAME-noclear.gif) are such rewrites of NAME.gif.
# usage: check-bench-gifs.sh GIF_BENCH DROP_FIRST_CLEAR DIR
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 GIF_BENCH DROP_FIRST_CLEAR DIR" >&2
  exit 2
fi
gif_bench=$1
drop_first_clear=$2
dir=$3
convert=/usr/bin/convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mapfile -t names < <(cut -f1 "$dir/index.txt")
if [ ${#names[@]} -eq 0 ]; then
  echo "$dir/index.txt lists no files" >&2
  exit 1
fi
status=0
rewritten=()
for name in "${names[@]}"; do
  [[ $name != *-noclear.gif ]] || continue
  if ! "$drop_first_clear" "$dir/$name" "$tmp/$name"; then
    status=1
    continue
  fi
  rewritten+=("$tmp/$name")
  # Raw RGBA of every frame in turn, as stored (not composed).
  if ! cmp -s <("$convert" "$dir/$name" rgba:-) <("$convert" "$tmp/$name" rgba:-); then
    echo "$name: ImageMagick decodes other pixels once its leading clear codes are gone" >&2
    status=1
  fi
  said=$("$drop_first_clear" "$tmp/$name" /dev/null 2>&1 || true)
  if [[ $said != *"image 1 does not start with a clear code"* ]]; then
    echo "$name: rewritten, its first image still starts with a clear code or cannot be read: $said" >&2
    status=1
  fi
  copy=${name%.gif}-noclear.gif
  if [ -f "$dir/$copy" ] && ! cmp -s "$dir/$copy" "$tmp/$name"; then
    echo "$copy: not what drop-first-clear makes of $name" >&2
    status=1
  fi
done
"$gif_bench" --check "${names[@]/#/$dir/}" "${rewritten[@]}" || status=1
exit $status
