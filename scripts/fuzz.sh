#!/usr/bin/env bash
# A fuzzing campaign over the player's core and the packer's --flatten: the
# fuzzers side by side under nice -n 19, each for SECONDS (default 1800) of
# wall time, or of CPU time with "cpu": on a busy machine a niced fuzzer gets
# far less than a core, and the campaign then runs until each fuzzer has had its
# share. Corpora live in OUT/<fuzzer>/corpus, start from the committed seeds and
# keep growing from one campaign to the next; reproducers land in
# OUT/<fuzzer>/artifacts. A fuzzer stops at its first finding, so it is
# restarted on the grown corpus until its time is up. At the end prints, per
# fuzzer: CPU time, executions, exec/s, coverage (cov and ft as libFuzzer counts
# them at the end), corpus size and findings.
#
# usage: scripts/fuzz.sh [SECONDS [wall|cpu]]
#   BUILD_DIR  native build tree (default build/host; configured if missing)
#   OUT        campaign folder (default BUILD_DIR/fuzz-campaign)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-1800}
clock=${2:-wall}
build=${BUILD_DIR:-$root/build/host}
out=${OUT:-$build/fuzz-campaign}
fuzz_src=$root/tests/fuzz

if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ] || ! [[ $clock =~ ^(wall|cpu)$ ]]; then
  echo "usage: $0 [SECONDS [wall|cpu]]" >&2
  exit 2
fi

# The fuzzers and their flags, as the tests run them.
declare -A flags=()
fuzzers=()
while read -r name rest; do
  [[ $name =~ ^[a-z] ]] || continue
  fuzzers+=("$name")
  flags[$name]=$(sed -E "s|-dict=([^ ]+)|-dict=$fuzz_src/\\1|g" <<< "$rest")
done < "$fuzz_src/fuzzers.txt"

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j 2 --target "${fuzzers[@]}" >/dev/null

# cpu_seconds DIR: CPU seconds (user+sys) of the sessions so far.
cpu_seconds() { { cat "$1"/sessions/*.cpu 2>/dev/null || true; } | awk '{ s += $1 + $2 } END { printf "%d", s }'; }

# campaign NAME: runs sessions until the time is up; leaves per session a log and
# its CPU seconds (user and sys) in OUT/NAME/sessions/.
campaign() {
  local name=$1 dir=$out/$1
  mkdir -p "$dir/corpus" "$dir/artifacts"
  rm -rf "$dir/sessions"
  mkdir -p "$dir/sessions"
  cp -n "$fuzz_src/seeds/$name"/* "$dir/corpus/"
  local deadline=$(( $(date +%s) + seconds )) session=0 left status
  for (( ; ; session++ )); do
    if [ "$clock" = wall ]; then
      left=$(( deadline - $(date +%s) ))
    else
      left=$(( seconds - $(cpu_seconds "$dir") ))
    fi
    [ "$left" -gt 0 ] || break
    # A fuzzer that keeps failing at once (an input that crashes while the corpus
    # loads) would otherwise be restarted for ever.
    if [ "$session" -ge 50 ]; then
      echo "$name: stopped after $session sessions; see $dir/sessions" >&2
      break
    fi
    local TIMEFORMAT='%U %S'
    status=0
    # shellcheck disable=SC2086
    { time nice -n 19 "$build/bin/$name" "$dir/corpus" -max_total_time="$left" -timeout=20 \
        -print_final_stats=1 -artifact_prefix="$dir/artifacts/" ${flags[$name]} \
        >"$dir/sessions/$session.log" 2>&1; } 2>"$dir/sessions/$session.cpu" || status=$?
    # Wall time is used up by a session that ends normally; CPU time may not be.
    [ "$status" -eq 0 ] && [ "$clock" = wall ] && break
  done
}

start=$(date +%s)
for name in "${fuzzers[@]}"; do campaign "$name" & done
wait
elapsed=$(( $(date +%s) - start ))

# exec/s per second of wall time, as libFuzzer counts it, and per CPU second.
printf '%-24s %8s %12s %8s %10s %6s %7s %24s %9s\n' fuzzer cpu-min executions exec/s exec/cpu-s cov ft corpus findings
for name in "${fuzzers[@]}"; do
  dir=$out/$name
  cpu_s=$(cpu_seconds "$dir")
  cpu=$(awk "BEGIN { printf \"%.1f\", $cpu_s / 60 }")
  execs=$(cat "$dir"/sessions/*.log | awk '/^stat::number_of_executed_units:/ { s += $2 } END { print s + 0 }')
  # The last status line of the last session: "#N DONE cov: C ft: F corp: ..."
  last=$(ls "$dir"/sessions/*.log | sort -V | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$last" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$last" | tail -1 | cut -d' ' -f2)
  # libFuzzer's own count (inputs that add features) and the folder, which also
  # keeps inputs that were later replaced by smaller ones.
  corp=$(grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' "$last" | tail -1 | cut -d' ' -f2)
  files=$(find "$dir/corpus" -type f | wc -l)
  findings=$(find "$dir/artifacts" -type f | wc -l)
  printf '%-24s %8s %12s %8s %10s %6s %7s %24s %9s\n' "$name" "$cpu" "$execs" \
    $(( execs / (elapsed > 0 ? elapsed : 1) )) $(( execs / (cpu_s > 0 ? cpu_s : 1) )) \
    "${cov:-?}" "${ft:-?}" "${corp:-?} (${files} files)" "$findings"
done
echo "wall time ${elapsed} s; logs and corpora in $out"
for name in "${fuzzers[@]}"; do
  for artifact in "$out/$name"/artifacts/*; do
    [ -e "$artifact" ] || continue
    echo "finding: $artifact (reproduce: $build/bin/$name $artifact; minimise: -minimize_crash=1 -runs=100000)"
  done
done
