#!/usr/bin/env bash
# Configures and builds both targets: the 32-bit Windows programs (MinGW-w64)
# first, since the Linux program embeds the Windows installer program, then
# the Linux program and tests. Pass --sanitize for an ASan/UBSan Linux build.
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

cmake -S "$here" -B "$build_root/win32" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw32.cmake" \
  -DLH_7ZIP_DIR="$build_root/deps/7zip-bin" -DLH_WERROR="$werror" "${launcher[@]}" >/dev/null
cmake --build "$build_root/win32" -j "$jobs"

cmake -S "$here" -B "$build_root/linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLH_SANITIZE="$sanitize" -DLH_WERROR="$werror" -DLH_7ZIP_DIR="$build_root/deps/7zip-bin" \
  -DLH_INSTALLER_IMAGE="$build_root/win32/src/installer/installer.exe" "${launcher[@]}" >/dev/null
cmake --build "$build_root/linux" -j "$jobs"
