#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz in their own tree (build/fuzz:
# clang, -fsanitize=fuzzer,address,undefined) and runs each of them for
# SECONDS (default 300) on its committed seeds (tests/fuzz/corpus/NAME) and
# on what earlier runs found (build/fuzz/corpus/NAME). A crash or a failed
# check leaves its input in build/fuzz/crashes/ and makes the script fail.
# With LH_WERROR=ON in the environment a compiler warning fails the build.
#
#   bash scripts/fuzz.sh [SECONDS] [NAME...]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_root="${LIBHAMMER_BUILD_ROOT:-$here/build}"
tree="$build_root/fuzz"
seconds="${1:-300}"
shift || true

launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$here")}" CCACHE_NOHASHDIR=true
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$tree" -DLH_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DLH_WERROR="${LH_WERROR:-OFF}" \
  -DLH_7ZIP_DIR="$build_root/deps/7zip-bin" "${launcher[@]}" >/dev/null
cmake --build "$tree" --target fuzz_targets -j "$(nproc)"

if [ "$#" -gt 0 ]; then names=("$@"); else mapfile -t names <"$tree/fuzz_targets.txt"; fi
mkdir -p "$tree/crashes"
# Scratch files of the targets, in memory where the machine has it, and
# removed at the end even when a target crashed.
scratch="$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/lh-fuzz.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
status=0
for name in "${names[@]}"; do
  corpus="$tree/corpus/$name"
  mkdir -p "$corpus"
  log="$tree/$name.log"
  # New inputs go to the first folder; the committed seeds stay as they are.
  if TMPDIR="$scratch" "$tree/fuzz/fuzz_$name" "$corpus" "$here/tests/fuzz/corpus/$name" \
      -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=1024 \
      -print_final_stats=1 -artifact_prefix="$tree/crashes/$name-" >"$log" 2>&1; then
    result=ok
  else
    result="FAILED (see $log)"
    status=1
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  echo "fuzz: $name: ${runs:-0} runs in ${seconds} s, $result"
done
exit "$status"
