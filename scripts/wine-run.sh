#!/usr/bin/env bash
# wine-run.sh [--win64] PROGRAM [ARGS...]
# Runs a Windows program under Wine in the test run's shared prefix: 32-bit
# Wine by default, 64-bit Wine with --win64 (the 64-bit tree's tests). The
# 64-bit loader is started by its own path: /usr/bin/wine always picks the
# 32-bit one when it is installed, even where the kernel cannot run it. The
# prefix is made (wineboot) once by scripts/test.sh; a lone run makes its own.
loader=wine
if [ "${1:-}" = --win64 ]; then
  shift
  loader=/usr/lib/wine/wine64
fi
export WINEPREFIX="${WINEPREFIX:-${LIBHAMMER_BUILD_ROOT:-$(cd "$(dirname "$0")/.." && pwd)/build}/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$loader" wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi
exec "$loader" "$@"
