#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the project's sources
# as the Linux build compiles them (its compile_commands.json; run
# scripts/build.sh first). Fails when a check finds something.
#
#   bash scripts/tidy.sh [PATH...]   (default: src, tests and bench)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${LIBHAMMER_BUILD_ROOT:-$here/build}/linux"
if [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy: $build/compile_commands.json is missing; run scripts/build.sh first" >&2
  exit 1
fi
tidy="$(command -v run-clang-tidy-14 || command -v run-clang-tidy || true)"
if [ -z "$tidy" ]; then
  echo "tidy: run-clang-tidy not found (scripts/install-deps.sh installs clang-tidy)" >&2
  exit 1
fi

# run-clang-tidy takes regular expressions over the compiled files' paths:
# the project's own, not the GoogleTest sources or generated files.
patterns=()
if [ "$#" -gt 0 ]; then
  for p in "$@"; do patterns+=("^$(realpath "$p")"); done
else
  patterns=("^$here/(src|tests|bench)/")
fi
# The build is GCC's: clang does not know every warning option it is given.
"$tidy" -quiet -p "$build" -j "$(nproc)" -extra-arg=-Wno-unknown-warning-option "${patterns[@]}"
