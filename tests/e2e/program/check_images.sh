#!/usr/bin/env bash
# check_images.sh 32|64 LibHammer.exe installer.exe SyntaxHilighting.dll
# Fails when an image is not an x86 PE of the given width (PE32 for Intel
# 80386, PE32+ for x86-64) and of the expected kind, or imports a DLL that a
# plain Windows installation does not have.
set -u
case "$1" in
  32) format="PE32" machine="Intel 80386" objdump=i686-w64-mingw32-objdump ;;
  64) format="PE32+" machine="x86-64" objdump=x86_64-w64-mingw32-objdump ;;
  *) echo "usage: check_images.sh 32|64 LibHammer.exe installer.exe SyntaxHilighting.dll" >&2; exit 2 ;;
esac
shift
system_dlls=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll shlwapi.dll "
status=0

check() {  # image, expected description from file(1)
  local image=$1 kind=$2
  local what
  what=$(file -b "$image")
  case "$what" in
    "$format executable ($kind) $machine"*) ;;
    *) echo "FAIL $image: $what (expected $format $kind $machine)"; status=1 ;;
  esac
  while read -r dll; do
    local lower=${dll,,}
    if [[ "$system_dlls" != *" $lower "* ]]; then
      echo "FAIL $image imports $dll"
      status=1
    fi
  done < <("$objdump" -p "$image" | sed -n 's/^[[:space:]]*DLL Name: //p')
  [ $status = 0 ] && echo "ok $image: $what"
}

check "$1" GUI
check "$2" GUI
check "$3" "DLL) (console"
if ! "$objdump" -p "$3" | grep -q '\] SyntaxHighlight$'; then
  echo "FAIL $3 does not export SyntaxHighlight by that exact name"
  status=1
fi
exit $status
