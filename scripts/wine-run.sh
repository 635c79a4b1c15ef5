#!/usr/bin/env bash
# Runs a Windows program under Wine in the test run's shared prefix. The
# prefix is made (wineboot) once by scripts/test.sh; a lone run makes its own.
export WINEPREFIX="${WINEPREFIX:-${LIBHAMMER_BUILD_ROOT:-$(cd "$(dirname "$0")/.." && pwd)/build}/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi
exec wine "$@"
