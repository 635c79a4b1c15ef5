#!/usr/bin/env bash
# Configures and builds both targets: the Windows programs (MinGW-w64) first,
# since the Linux program embeds the Windows installer program, then the
# Linux program and tests. The Windows sources are built twice: 32-bit into
# build/win32 (the shipped program) and 64-bit into build/win64, whose tests
# run on machines that cannot start a 32-bit program. Pass --sanitize for an
# ASan/UBSan Linux build.
# With LH_WERROR=ON in the environment (scripts/test.sh sets it) a compiler
# warning fails the build; a plain build only shows it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_root="${LIBHAMMER_BUILD_ROOT:-$here/build}"
jobs="$(nproc)"
sanitize=OFF
[ "${1:-}" = "--sanitize" ] && sanitize=ON
werror="${LH_WERROR:-OFF}"

# ccache, when the machine has it, keeps rebuilds short; its base folder is
# the checkout's parent so that several checkouts side by side share it.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$here")}" CCACHE_NOHASHDIR=true
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

for bits in 32 64; do
  cmake -S "$here" -B "$build_root/win$bits" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw$bits.cmake" \
    -DLH_7ZIP_DIR="$build_root/deps/7zip-bin" -DLH_WERROR="$werror" "${launcher[@]}" >/dev/null
  cmake --build "$build_root/win$bits" -j "$jobs"
done

cmake -S "$here" -B "$build_root/linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLH_SANITIZE="$sanitize" -DLH_WERROR="$werror" -DLH_7ZIP_DIR="$build_root/deps/7zip-bin" \
  -DLH_INSTALLER_IMAGE="$build_root/win32/src/installer/installer.exe" \
  -DLH_INSTALLER_IMAGE64="$build_root/win64/src/installer/installer.exe" "${launcher[@]}" >/dev/null
cmake --build "$build_root/linux" -j "$jobs"
