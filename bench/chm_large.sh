#!/usr/bin/env bash
# `libhammer chm` on a generated help project far larger than a library's
# manual (write_help_project: half pages of text, half images that do not
# compress): the program's own peak memory (VmHWM) against a limit, and the
# manual read back through chmlib (extract_chmLib) and 7-Zip (7z x), every
# file of the project compared byte for byte with what each reader gives.
#
#   bench/chm_large.sh BUILD_ROOT [FOLDER] [MEGABYTES] [LIMIT_MB] [--search]
#
# BUILD_ROOT is a plain tree (no sanitizer); FOLDER defaults to
# /tmp/lh-bench-chm-large (it needs about four times MEGABYTES), MEGABYTES
# to 1024, LIMIT_MB to 256. Exits 1 when the limit is passed or a file
# differs.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_ROOT [FOLDER] [MEGABYTES] [LIMIT_MB] [--search]" >&2; exit 2; }
linux="$(cd "$1" && pwd)/linux"
folder="${2:-/tmp/lh-bench-chm-large}"
megabytes="${3:-1024}"
limit_mb="${4:-256}"
search="${5:-}"
program="${LH_PROGRAM:-$linux/src/app/libhammer}"
[ -x "$program" ] || { echo "no $program: run scripts/build.sh" >&2; exit 1; }
command -v extract_chmLib >/dev/null || { echo "extract_chmLib is missing (apt-get install -y libchm-bin)" >&2; exit 1; }
cmake --build "$linux" --target write_help_project lh_peak_memory >/dev/null

rm -rf "$folder"
mkdir -p "$folder/project"
"$linux/bench/write_help_project" "$megabytes" "$folder/project" $search
echo "project: $(du -sm "$folder/project" | cut -f1) MB in $(find "$folder/project" -type f | wc -l) files"
start=$(date +%s.%N)
env LD_PRELOAD="$linux/bench/liblh_peak_memory.so" LH_PEAK_FILE="$folder/peak" \
  "$program" chm "$folder/project/Large.hhp"
seconds=$(echo "$(date +%s.%N) - $start" | bc)
peak_mb=$(( $(tail -n 1 "$folder/peak") / 1024 ))
mv "$folder/project/Large.chm" "$folder/Large.chm"
echo "manual: $(du -sm "$folder/Large.chm" | cut -f1) MB in $seconds s; peak memory $peak_mb MB (limit $limit_mb MB)"
status=0
[ "$peak_mb" -le "$limit_mb" ] || { echo "OVER the limit"; status=1; }

# Each reader's files against the project's; the readers also give the
# format's own files (#SYSTEM, ...), which the project does not have.
compare() {
  local differences
  differences="$(diff -rq "$folder/project" "$2" | grep -v -e "^Only in $2" -e "Large.hhp$" || true)"
  if [ -n "$differences" ]; then
    echo "$1: files differ or are missing:"
    echo "$differences" | head -20
    status=1
  else
    echo "$1: every file byte-identical"
  fi
  rm -rf "$2"
}
extract_chmLib "$folder/Large.chm" "$folder/chmlib" >/dev/null
compare chmlib "$folder/chmlib"
mkdir -p "$folder/7zip"
(cd "$folder/7zip" && 7z x -y "$folder/Large.chm" >/dev/null)
compare 7-Zip "$folder/7zip"
exit $status
