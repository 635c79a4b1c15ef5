#!/usr/bin/env bash
# Checks that the libraries under src/ include one another only downwards:
# every `#include "X/..."` of a file in src/Y/ must name a folder X that
# stands above Y in the layer list of docs/ARCHITECTURE.md ("Layers"), or Y
# itself. Lists each include that runs upwards and exits 1 when there is one.
#
#   bash scripts/check-layers.sh [CHECKOUT]    (default: this checkout)
set -euo pipefail
root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cd "$root"

# The list: the lines " src/NAME  ..." of the fenced block under "## Layers",
# top first.
mapfile -t layers < <(awk '
  /^## Layers/ { in_section = 1; next }
  in_section && /^## / { exit }
  in_section && /^```/ { fence = !fence; next }
  in_section && fence && match($0, /^ *src\/[a-z_]+/) { s = substr($0, RSTART, RLENGTH); sub(/^ *src\//, "", s); print s }
' docs/ARCHITECTURE.md)
if [ "${#layers[@]}" -eq 0 ]; then
  echo "check-layers: no layer list found in docs/ARCHITECTURE.md" >&2
  exit 2
fi

declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

upward=0
while IFS= read -r hit; do
  file="${hit%%:*}"
  rest="${hit#*:}"
  line="${rest%%:*}"
  from="${file#src/}"
  from="${from%%/*}"
  to="$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z_]*\)\/.*/\1/p' <<<"${rest#*:}")"
  [ -n "$to" ] && [ "$to" != "$from" ] || continue
  # Folders that are no layer (a generated header's folder) are not checked.
  [ -n "${rank[$from]+x}" ] && [ -n "${rank[$to]+x}" ] || continue
  if [ "${rank[$to]}" -gt "${rank[$from]}" ]; then
    echo "$file:$line: $from -> $to"
    upward=$((upward + 1))
  fi
done < <(grep -rn --include='*.h' --include='*.cpp' --include='*.c' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]*/' src)

if [ "$upward" -gt 0 ]; then
  echo "check-layers: $upward includes run upwards" >&2
  exit 1
fi
echo "check-layers: every include runs downwards (${#layers[@]} layers)"
