#!/usr/bin/env bash
# Installs what is missing, checks that the sources are formatted and that
# the libraries include one another only downwards, builds
# both targets (the Linux one with AddressSanitizer and
# UndefinedBehaviorSanitizer; a compiler warning fails the build), then runs
# every test:
# natively, and the Windows build under Wine in one fresh prefix per run,
# with an X server (Xvfb) for the windows that the Windows tests open; and
# each fuzz target for a few seconds (scripts/fuzz.sh runs them longer).
#
# The Windows tests run on the 32-bit tree under 32-bit Wine where the
# machine starts 32-bit programs, else on the 64-bit tree under 64-bit Wine;
# both trees are always built. LH_WINDOWS_TESTS=32|64|both forces the choice.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export LIBHAMMER_BUILD_ROOT="${LIBHAMMER_BUILD_ROOT:-$here/build}"

export LH_WERROR=ON

bash "$here/scripts/install-deps.sh"
# A formatting slip fails the run, but the build and the tests still run.
status=0
bash "$here/scripts/check-format.sh" || status=1
bash "$here/scripts/check-layers.sh" || status=1
bash "$here/scripts/build.sh" --sanitize

cleanup() {
  if [ -n "${xvfb_pid:-}" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  WINEPREFIX="${WINEPREFIX:-}" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  sleep 1
fi

# Which Windows tree's tests run: the probe starts 32-bit Wine's own loader,
# a 32-bit program, and takes what happens as the answer (some kernels are
# built or booted without 32-bit support, which no script can change).
probe="${LH_32BIT_PROBE:-/usr/lib/wine/wine}"
case "${LH_WINDOWS_TESTS:-auto}" in
  32) trees=(32) ;;
  64) trees=(64) ;;
  both) trees=(32 64) ;;
  auto)
    if why=$("$probe" --version 2>&1); then
      trees=(32)
    else
      trees=(64)
      echo "test: this machine cannot start a 32-bit program ($probe: ${why##*: }), so the Windows tests run on the 64-bit tree under 64-bit Wine"
    fi ;;
  *) echo "test: LH_WINDOWS_TESTS must be 32, 64 or both" >&2; exit 2 ;;
esac

export WINEPREFIX="$LIBHAMMER_BUILD_ROOT/wineprefix-test"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
echo "test: starting Wine in a fresh prefix"
# The prefix is made by the loader of the first tree to run; 64-bit Wine's
# prefix serves 32-bit programs too where the machine can run them.
if [ "${trees[0]}" = 64 ]; then loader=/usr/lib/wine/wine64; else loader=wine; fi
"$loader" wineboot -i >/dev/null 2>&1 || true
wineserver -w 2>/dev/null || true

echo "test: Linux build"
ctest --test-dir "$LIBHAMMER_BUILD_ROOT/linux" --output-on-failure || status=1
for bits in "${trees[@]}"; do
  echo "test: Windows build ($bits-bit) under $bits-bit Wine"
  ctest --test-dir "$LIBHAMMER_BUILD_ROOT/win$bits" --output-on-failure || status=1
done
echo "test: fuzz targets, 5 s each"
bash "$here/scripts/fuzz.sh" 5 || status=1
exit $status
