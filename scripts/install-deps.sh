#!/usr/bin/env bash
# Installs what building and testing LibHammer needs, and nothing that is
# already there. Safe to run any number of times.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_root="${LIBHAMMER_BUILD_ROOT:-$here/build}"

# The manual is compiled by LibHammer itself. The tests read manuals back with
# chmlib (libchm-bin, libchm-dev), 7-Zip (p7zip-full) and pychm (python3-chm);
# fp-utils' chmcmd is only the benchmarks' comparison. clang-format and
# clang-tidy check the sources (scripts/check-format.sh, scripts/tidy.sh).
# Both Windows trees: 32-bit (g++-mingw-w64-i686, wine32) and 64-bit
# (g++-mingw-w64-x86-64, wine64); ccache keeps the three builds short.
packages=(cmake g++ googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 ccache xvfb
          imagemagick fp-utils libchm-bin libchm-dev python3-chm p7zip-full xauth file
          clang libclang-rt-dev clang-format clang-tidy)

sudo_cmd=()
if [ "$(id -u)" != 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
fi

# The 7-Zip console archivers that the programs embed come from npm's
# 7zip-bin package; they are fetched into the build tree, never committed.
# The tarball must be the one the programs were built and tested with: its
# SHA-256 is pinned here (npm's integrity value for it is
# sha512-ukTPVhqG4jNzMro2qA9HSCSSVJN3aN7tlb+hfqYCt3ER0yWroeA2VR38MNrOHLQ/cVj+DaIMad0kFCtWWowh/A==).
sevenzip_dir="$build_root/deps/7zip-bin"
sevenzip_sha256=04f9738ee00be8be53f5d06254a9e6e4b5117b17f8b74058477d870e62764a7d
if [ ! -f "$sevenzip_dir/win/ia32/7za.exe" ] || [ ! -f "$sevenzip_dir/win/x64/7za.exe" ] ||
   [ ! -f "$sevenzip_dir/linux/x64/7za" ]; then
  echo "install-deps: fetching 7zip-bin@5.2.0"
  tmp="$(mktemp -d)"
  (cd "$tmp" && npm pack --silent 7zip-bin@5.2.0 >/dev/null)
  actual="$(sha256sum "$tmp"/7zip-bin-5.2.0.tgz | cut -d' ' -f1)"
  if [ "$actual" != "$sevenzip_sha256" ]; then
    echo "install-deps: 7zip-bin-5.2.0.tgz has SHA-256 $actual, expected $sevenzip_sha256; not unpacked" >&2
    rm -rf "$tmp"
    exit 1
  fi
  rm -rf "$sevenzip_dir"
  mkdir -p "$sevenzip_dir"
  tar -xzf "$tmp"/7zip-bin-5.2.0.tgz -C "$sevenzip_dir" --strip-components=1
  rm -rf "$tmp"
fi
