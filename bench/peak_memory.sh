#!/usr/bin/env bash
# Peak memory of whole headless builds of generated libraries whose pages
# carry as much text as real manuals (write_library_source --full-pages):
# the program's own peak resident memory (VmHWM; the programs it starts,
# 7-Zip included, not counted), against 10 times the source plus 64 MB.
#
#   bench/peak_memory.sh BUILD_ROOT [FOLDER] [COMMANDS...]
#
# BUILD_ROOT is a plain tree (scripts/build.sh without --sanitize: a
# sanitizer build cannot take the preload); FOLDER defaults to
# /dev/shm/lh-bench-memory, COMMANDS to 5000 10000 20000. The stand-in
# PureBasic of tests/fakes stands in for the compilers; the CHM compiler and
# 7-Zip are real. Prints one line per size and the growth between the last
# two sizes.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
[ $# -ge 1 ] || { echo "usage: $0 BUILD_ROOT [FOLDER] [COMMANDS...]" >&2; exit 2; }
linux="$(cd "$1" && pwd)/linux"
folder="${2:-/dev/shm/lh-bench-memory}"
shift $(($# >= 2 ? 2 : 1))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(5000 10000 20000)

# LH_PROGRAM measures another build's program (say, one from before a change)
# with this tree's generator and preload.
program="${LH_PROGRAM:-$linux/src/app/libhammer}"
[ -x "$program" ] || { echo "no $program: run scripts/build.sh" >&2; exit 1; }
if nm -D "$program" 2>/dev/null | grep -q __asan_init; then
  echo "$program is a sanitizer build; measure a plain one" >&2
  exit 1
fi
cmake --build "$linux" --target write_library_source lh_peak_memory lh_fakes >/dev/null
preload="$linux/bench/liblh_peak_memory.so"

rm -rf "$folder"
mkdir -p "$folder"
printf '%8s %10s %10s %10s %8s %7s %s\n' commands source_MB peak_MB limit_MB x_source seconds status
previous=""
for n in "${sizes[@]}"; do
  run="$folder/gen$n"
  mkdir -p "$run/lib" "$run/tmp"
  cmake -DFAKES="$linux/tests/fakes" -DDIR="$run/PureBasic/" -P "$here/tests/fakes/lay_out_purebasic.cmake"
  "$linux/bench/write_library_source" --full-pages "$n" 21 "$run/lib/Gen$n.pb"
  source_bytes=$(stat -c %s "$run/lib/Gen$n.pb")
  start=$(date +%s.%N)
  set +e
  (cd "$run/lib" && env TMPDIR="$run/tmp" LD_PRELOAD="$preload" LH_PEAK_FILE="$run/peak" \
    "$program" build "Gen$n.pb" --purebasic "$run/PureBasic/" </dev/null >"$run/output.log" 2>&1)
  status=$?
  set -e
  seconds=$(echo "$(date +%s.%N) - $start" | bc)
  peak_kb=$(tail -n 1 "$run/peak")
  awk -v n="$n" -v s="$source_bytes" -v p="$peak_kb" -v t="$seconds" -v st="$status" 'BEGIN {
    mb = 1048576; limit = 10 * s / mb + 64
    printf "%8d %10.1f %10.1f %10.1f %8.2f %7.1f %s\n", n, s / mb, p / 1024, limit, p * 1024 / s, t,
      (p / 1024 <= limit ? "within" : "OVER") (st == 0 ? "" : " (exit " st ")")
  }'
  [ -n "$previous" ] && growth="$(awk -v a="$previous" -v b="$peak_kb" 'BEGIN { printf "%.2f", b / a }')"
  previous="$peak_kb"
  rm -rf "$run/tmp" "$run/PureBasic"
done
[ -n "${growth:-}" ] && echo "growth of the peak over the last doubling: $growth"
exit 0
