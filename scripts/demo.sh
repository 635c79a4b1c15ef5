#!/usr/bin/env bash
# The main job on the bundled example library: installs what is missing,
# builds LibHammer, lays out a stand-in PureBasic installation in the build
# tree (PureBasic and TailBite cannot be installed here) and runs
#
#   libhammer build StringTools.pb --include include/ --purebasic <stand-in>
#
# on a copy of examples/StringTools (the archive and installer are written
# beside the library source, so the checkout stays clean). Then it says where
# every output is and which programs were stand-ins.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export LIBHAMMER_BUILD_ROOT="${LIBHAMMER_BUILD_ROOT:-$here/build}"
build_root="$LIBHAMMER_BUILD_ROOT"

bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh"

linux="$build_root/linux"
program="$linux/src/app/libhammer"
demo="$build_root/demo"
purebasic="$demo/PureBasic/"
rm -rf "$demo"
mkdir -p "$demo/tmp"
cmake -DFAKES="$linux/tests/fakes" -DDIR="$purebasic" -P "$here/tests/fakes/lay_out_purebasic.cmake"
cp -R "$here/examples/StringTools" "$demo/StringTools"

echo
echo "== libhammer build StringTools.pb --include include/ --purebasic $purebasic"
set +e
(cd "$demo/StringTools" &&
  TMPDIR="$demo/tmp" "$program" build StringTools.pb --include include/ --purebasic "$purebasic") 2>&1 |
  tee "$demo/build.log"
status=${PIPESTATUS[0]}
set -e

echo
echo "== Outputs"
grep -E '^(ok|missing) ' "$demo/build.log" | sed 's/^/  /' || true
echo "  archive and installer, beside the library source:      $demo/StringTools/"
echo "  work folder (pages, help project, notes, piece files): $demo/tmp/LibHammer/"
echo "  manual copied into the PureBasic folder:               ${purebasic}help/"
echo "  sources copied into the PureBasic folder:              ${purebasic}Library_Source/"

echo
echo "== Programs"
echo "  stand-ins (tests/fakes): the PureBasic compiler ${purebasic}compilers/pbcompiler,"
echo "             TailBite ${purebasic}TailBite/TailBite and the PureBasic editor ${purebasic}purebasic"
echo "             (the editor is not needed by a headless build)"
echo "  real:      LibHammer's own CHM compiler ($(grep -o 'made by .*' "$demo/build.log" || echo 'no manual')),"
echo "             and 7-Zip's 7za from 7zip-bin"
exit "$status"
