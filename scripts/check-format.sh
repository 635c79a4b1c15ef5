#!/usr/bin/env bash
# Checks that every C++ source and header of the checkout is formatted as
# .clang-format says, and lists those that are not. With --fix it
# reformats them in place instead.
#
#   bash scripts/check-format.sh [--fix]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

format="$(command -v clang-format-14 || command -v clang-format || true)"
if [ -z "$format" ]; then
  echo "check-format: clang-format not found (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

# The files git knows, so that build trees and fetched packages stay out.
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.c')

if [ "${1:-}" = "--fix" ]; then
  "$format" -i --style=file "${files[@]}"
  exit 0
fi

# One clang-format run over all files; it names each place that differs.
mapfile -t unformatted < <("$format" --style=file --dry-run "${files[@]}" 2>&1 |
  sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ "${#unformatted[@]}" -gt 0 ]; then
  echo "check-format: ${#unformatted[@]} files differ from clang-format's output (bash scripts/check-format.sh --fix):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
