#!/usr/bin/env bash
# Installs what is missing, checks that the sources are formatted, builds
# both targets (the Linux one with AddressSanitizer and
# UndefinedBehaviorSanitizer; a compiler warning fails the build), then runs
# every test:
# natively, and the Windows build under Wine in one fresh prefix per run,
# with an X server (Xvfb) for the windows that the Windows tests open; and
# each fuzz target for a few seconds (scripts/fuzz.sh runs them longer).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export LIBHAMMER_BUILD_ROOT="${LIBHAMMER_BUILD_ROOT:-$here/build}"

export LH_WERROR=ON

bash "$here/scripts/install-deps.sh"
# A formatting slip fails the run, but the build and the tests still run.
status=0
bash "$here/scripts/check-format.sh" || status=1
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

export WINEPREFIX="$LIBHAMMER_BUILD_ROOT/wineprefix-test"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
echo "test: starting Wine in a fresh prefix"
wineboot -i >/dev/null 2>&1 || true
wineserver -w 2>/dev/null || true

echo "test: Linux build"
ctest --test-dir "$LIBHAMMER_BUILD_ROOT/linux" --output-on-failure || status=1
echo "test: Windows build under Wine"
ctest --test-dir "$LIBHAMMER_BUILD_ROOT/win32" --output-on-failure || status=1
echo "test: fuzz targets, 5 s each"
bash "$here/scripts/fuzz.sh" 5 || status=1
exit $status
