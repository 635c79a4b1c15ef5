#!/usr/bin/env bash
# Snapshot of everything a headless build writes, to prove that a change of
# the code left every output byte-identical:
#
#   scripts/snapshot_outputs.sh [--win32|--win64] BUILD_ROOT OUT_DIR
#   diff -r OUT_DIR_BEFORE OUT_DIR_AFTER
#
# A one-off check, not part of CI. It uses the program and stand-ins already
# built in BUILD_ROOT (scripts/build.sh): the Linux ones, or with --win32 the
# 32-bit Windows ones under Wine, with --win64 the 64-bit ones under 64-bit
# Wine (the two Windows snapshots compare equal but for the installer). It builds the small generator write_library_source
# in BUILD_ROOT/linux when missing, and needs libfaketime (apt-get install -y
# faketime), 7za, and for --win32|64 Wine and 7z; strace, when present, adds the
# command line of every program the Linux build started (7za included).
#
# For each case, OUT_DIR/<case>/ gets:
#   work/          the work folder (TMPDIR/LibHammer/), file by file
#   source/        the library's folder after the build: source, include
#                  folder, installer (raw); the .7z as its listing without
#                  times (<name>.7z.list) and its extracted files (<name>.7z.d/)
#   purebasic/     what the build wrote into the stand-in PureBasic folder
#   output.log     the program's stdout and stderr, and its exit status
#   stand-ins.log  every start of a stand-in with its command line
#   exec.log       every program started (strace; Linux only), without pids
# The run's private root is replaced by @ROOT@ in the logs, and the process
# id in a temporary file's name (NAME.lhtmpPID) by PID, so two runs compare
# equal.
#
# Determinism: the clock is frozen for the program and everything it starts
# (libfaketime, starting at a fixed date and running from there, TZ=UTC),
# since the notes carry the local date and time and the manual and installer
# carry the notes. 7za stores file times in the .7z, so the archive is
# compared by listing and contents only.
#
# libfaketime cannot be preloaded into Wine (Wine hangs), so --win32|64 runs on
# the real clock and masks instead: the date in text files becomes @DATE@;
# every .chm is compared by its extracted files (7z) without the full-text
# index $FIftiMain, which holds the date's words; the installer .exe, which
# holds the manual and its checksum, is left out (the Linux snapshot holds
# it raw), and so are the sizes and CRCs of the .chm in the .7z listing.
set -euo pipefail

windows=0 bits=""
case "${1:-}" in
  --win32) windows=1 bits=32 && shift ;;
  --win64) windows=1 bits=64 && shift ;;
esac
if [ $# -ne 2 ]; then
  echo "usage: $0 [--win32|--win64] BUILD_ROOT OUT_DIR" >&2
  exit 2
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_root="$(cd "$1" && pwd)"
out="$2"
linux="$build_root/linux"
tree="$linux" exe=""
[ $windows = 1 ] && tree="$build_root/win$bits" exe=".exe"

# The program moved from src/shell/app to src/app; take whichever exists.
program=""
for p in "$tree/src/app/libhammer" "$tree/src/shell/app/libhammer" \
  "$tree/src/app/LibHammer.exe" "$tree/src/shell/app/LibHammer.exe"; do
  [ -f "$p" ] && [[ "$p" == *"$exe" ]] && program="$p" && break
done
[ -n "$program" ] || { echo "no libhammer$exe under $tree/src/{app,shell/app}: run scripts/build.sh" >&2; exit 1; }
fakes="$tree/tests/fakes"
[ -f "$fakes/pbcompiler$exe" ] || { echo "no stand-ins in $fakes: build the lh_fakes target" >&2; exit 1; }
# The generator of library sources; LH_GENERATOR may name one built in another
# tree (the sources are the same bytes whichever tree made them).
generator="${LH_GENERATOR:-$linux/bench/write_library_source}"
[ -x "$generator" ] || cmake --build "$linux" --target write_library_source >/dev/null
command -v 7za >/dev/null || { echo "7za is missing (apt-get install -y p7zip-full)" >&2; exit 1; }

faketime_lib=""
for l in /usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 /usr/lib/faketime/libfaketime.so.1; do
  [ -f "$l" ] && faketime_lib="$l" && break
done
if [ -z "$faketime_lib" ]; then
  echo "libfaketime is missing: apt-get install -y faketime (the build notes carry the date and time," >&2
  echo "so without a frozen clock two snapshots would differ)" >&2
  exit 1
fi
if nm -D "$program" 2>/dev/null | grep -q __asan_init; then
  echo "$program is a sanitizer build; LD_PRELOAD of libfaketime clashes with ASan." >&2
  echo "Build a plain tree: LIBHAMMER_BUILD_ROOT=<folder> bash scripts/build.sh" >&2
  exit 1
fi
tracer=()
[ $windows = 0 ] && command -v strace >/dev/null &&
  tracer=(strace -f -qq -s 4096 -e trace=execve -e signal=none -o)

rm -rf "$out"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# Windows: a Wine prefix of this run's own, its server kept up between cases.
if [ $windows = 1 ]; then
  export WINEPREFIX="$scratch/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine=wine
  [ "$bits" = 64 ] && wine=/usr/lib/wine/wine64
  "$wine" wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  wineserver -p
  trap 'wineserver -k 2>/dev/null; rm -rf "$scratch"' EXIT
fi

# A folder's name as the Windows program sees it (Wine's drive Z:).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Replaces the private root (in both spellings) by a fixed token.
mask() {
  local w
  w="$(winpath "$root")"
  sed -e "s|$root|@ROOT@|g" -e "s|${w//\\/\\\\}|@ROOT@|g" -e 's/\.lhtmp[0-9][0-9]*/.lhtmpPID/g'
}

date_re='[0-9]{2}/[0-9]{2}/[0-9]{2} [0-9]{2}h[0-9]{2}'

# Masks the build's date in the text files under $1 and turns every manual
# into its extracted files without the full-text index (see above).
mask_date() {
  local f
  while IFS= read -r -d '' f; do
    mkdir -p "$f.d"
    (cd "$f.d" && 7z x -y -- "$f" >/dev/null && rm -f '$FIftiMain')
    rm -f "$f"
  done < <(find "$1" -name '*.chm' -type f -print0)
  grep -rlEZ -- "$date_re" "$1" | xargs -0 -r sed -i -E "s#$date_re#@DATE@#g"
}

# Copies the files of folder $1 (when it exists) into $2.
copy_tree() {
  [ -d "$1" ] || return 0
  mkdir -p "$2"
  cp -R "$1/." "$2/"
}

# run_case NAME SOURCE_FOLDER SOURCE_FILE [INCLUDE_FOLDER]: builds a copy of
# the library's folder with a fresh stand-in PureBasic and work folder.
run_case() {
  local name="$1" src="$2" file="$3" include="${4:-}"
  root="$scratch/$name"
  local dest="$out/$name"
  mkdir -p "$root/tmp" "$root/lib" "$dest"
  cmake -DFAKES="$fakes" -DDIR="$root/PureBasic/" -P "$here/tests/fakes/lay_out_purebasic.cmake"
  cp -R "$src/." "$root/lib/"
  local args=(build "$file")
  [ -n "$include" ] && args+=(--include "$include")

  set +e
  if [ $windows = 1 ]; then
    # Wine's temporary folder is the prefix's own, whatever TMPDIR says.
    work="$(echo "$WINEPREFIX"/drive_c/users/*/Temp)/LibHammer"
    rm -rf "$work"
    (cd "$root/lib" &&
      env TZ=UTC LH_FAKE_LOG="$(winpath "$root/stand-ins.log")" \
        "$wine" "$program" "${args[@]}" --purebasic "$(winpath "$root/PureBasic/")" </dev/null >"$root/output.raw" 2>&1)
  else
    work="$root/tmp/LibHammer"
    (cd "$root/lib" &&
      env TZ=UTC TMPDIR="$root/tmp" LH_FAKE_LOG="$root/stand-ins.log" \
        LD_PRELOAD="$faketime_lib" FAKETIME="@2026-01-02 03:04:05" FAKETIME_DONT_FAKE_MONOTONIC=1 \
        ${tracer[@]+"${tracer[@]}" "$root/exec.raw"} "$program" "${args[@]}" --purebasic "$root/PureBasic/" \
        </dev/null >"$root/output.raw" 2>&1)
  fi
  local status=$?
  set -e
  echo "exit status $status" >>"$root/output.raw"
  echo "$name: exit status $status"

  mask <"$root/output.raw" >"$dest/output.log"
  [ -f "$root/stand-ins.log" ] && mask <"$root/stand-ins.log" >"$dest/stand-ins.log"
  # strace lines: "PID execve(path, [argv...], 0x... /* N vars */) = 0";
  # the pid, the environment (the caller's shell) and the program's own path
  # (the build tree) change from run to run.
  [ -f "$root/exec.raw" ] &&
    sed -E -e 's/^[0-9]+ +//' -e 's/, 0x[0-9a-f]+ \/\* [0-9]+ vars \*\/\)/)/' -e "s|$program|@PROGRAM@|g" \
      "$root/exec.raw" | mask >"$dest/exec.log"

  copy_tree "$work" "$dest/work"
  for d in help Library_Source Residents PureLibraries/UserLibraries; do
    copy_tree "$root/PureBasic/$d" "$dest/purebasic/$d"
  done
  # The library's folder: the archive by listing and contents, the rest raw.
  mkdir -p "$dest/source"
  local f base
  for f in "$root/lib"/* "$root/lib"/.[!.]*; do
    [ -e "$f" ] || continue
    base="$(basename "$f")"
    if [[ "$base" == *.7z ]]; then
      # Only the entries (after the "----------" line), without their times.
      (cd "$root/lib" && 7za l -slt -- "$base") |
        sed -n '/^----------$/,$p' | grep -Ev '^(Modified|Created|Accessed) = ' |
        if [ $windows = 1 ]; then awk '/^Path = /{chm = /\.chm$/} !(chm && /^(Size|Packed Size|CRC) = /)'; else cat; fi \
          >"$dest/source/$base.list"
      mkdir -p "$dest/source/$base.d"
      (cd "$dest/source/$base.d" && 7za x -y -- "$root/lib/$base" >/dev/null)
    elif [ $windows = 0 ] || [[ "$base" != *.exe ]]; then
      cp -R "$f" "$dest/source/"
    fi
  done
  [ $windows = 1 ] && mask_date "$dest"
  # A file that still names the private root cannot compare equal.
  local spelled
  for spelled in "$root" "$(winpath "$root")"; do
    if grep -rlF -- "$spelled" "$dest" >/dev/null; then
      echo "warning: $name: these files name the run's folder $spelled:" >&2
      grep -rlF -- "$spelled" "$dest" >&2
    fi
  done
}

# A generated library source of N commands from SEED, as NAME.pb in FOLDER.
generate() {
  mkdir -p "$4"
  "$generator" "$1" "$2" "$4/$3.pb"
}

cases="$scratch/cases"
mkdir -p "$cases"

# 1. The bundled example with its include folder.
run_case StringTools "$here/examples/StringTools" StringTools.pb include/

# 2. Generated libraries of growing size.
generate 40 1 Gen40 "$cases/gen40" && run_case gen40 "$cases/gen40" Gen40.pb
generate 300 7 Gen300 "$cases/gen300" && run_case gen300 "$cases/gen300" Gen300.pb
generate 2000 11 Gen2000 "$cases/gen2000" && run_case gen2000 "$cases/gen2000" Gen2000.pb

# 3. Files brought by the include folder that the split then appends to or
#    goes on from: the contents register, a command's text and information
#    table, an example, and the resident declarations.
g="$cases/geninclude"
generate 60 3 GenInclude "$g"
command="$(grep -m1 -oE '^ProcedureDLL(\.[a-z])? +[A-Za-z0-9_]+' "$g/GenInclude.pb" | awk '{print $2}')"
mkdir -p "$g/include"
printf '%s\r\n' "Brought = 1" "[Index]" "Handmade = 1" "[Category0]" "${command,,} = 1" "a line without a key" \
  "[Brought group]" "Extra = 1" >"$g/include/chm.ini"
printf '%s\r\n' "$command: information" "  Brought by the include folder." >"$g/include/$command.nfo"
printf '%s\r\n' ";// A line brought by the include folder, before the source's lines." >"$g/include/$command.txt"
printf '%s\r\n' "Debug \"brought example\"" >"$g/include/$command.ex"
printf '%s\r\n' "#BROUGHT_CONSTANT = 1 ;//resident" >"$g/include/Resident.pb"
run_case geninclude "$g" GenInclude.pb include/

# 4. An author's page named like the compilation notes.
g="$cases/gennotespage"
generate 25 5 GenNotesPage "$g"
printf '%s\r\n' ";{//Compilation" ";// The author's own page named like the notes." ";}" >>"$g/GenNotesPage.pb"
run_case gennotespage "$g" GenNotesPage.pb

for d in "$out"/*/; do
  echo "$(basename "$d"): $(find "$d" -type f | wc -l) files"
done
