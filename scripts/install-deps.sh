#!/usr/bin/env bash
# Installs what building and testing LibHammer needs, and nothing that is
# already there. Safe to run any number of times.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_root="${LIBHAMMER_BUILD_ROOT:-$here/build}"

packages=(cmake g++ googletest g++-mingw-w64-i686 wine wine32:i386 xvfb
          imagemagick fp-utils libchm-bin p7zip-full xauth file
          clang libclang-rt-dev)

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
sevenzip_dir="$build_root/deps/7zip-bin"
if [ ! -f "$sevenzip_dir/win/ia32/7za.exe" ] || [ ! -f "$sevenzip_dir/linux/x64/7za" ]; then
  echo "install-deps: fetching 7zip-bin@5.2.0"
  tmp="$(mktemp -d)"
  (cd "$tmp" && npm pack --silent 7zip-bin@5.2.0 >/dev/null)
  rm -rf "$sevenzip_dir"
  mkdir -p "$sevenzip_dir"
  tar -xzf "$tmp"/7zip-bin-5.2.0.tgz -C "$sevenzip_dir" --strip-components=1
  rm -rf "$tmp"
fi
