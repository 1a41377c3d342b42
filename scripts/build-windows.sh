#!/bin/bash
# Cross-builds the core, kerfmax-cli.exe and the test programs for 64-bit
# Windows with MinGW-w64 (Debian 12, run as root), and Kerfmax.exe, the
# window, when Qt for Windows is in its cache (scripts/build-qt-windows.sh
# makes it; it takes long, so it is never built here). The tests then run
# under Wine with scripts/test-windows.sh.
#   scripts/build-windows.sh [BUILD_DIR]     (default: build-win)
set -euo pipefail

cd "$(dirname "$0")/.."
SOURCE_DIR=$(pwd)
BUILD_DIR=${1:-build-win}

PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine wine64 googletest cmake ninja-build)
bash scripts/ensure-packages.sh "${PACKAGES[@]}"

QT_WINDOWS_DIR=${KERFMAX_QT_WINDOWS_DIR:-${KERFMAX_CACHE_DIR:-/var/cache/kerfmax}/qt6-6.4.2-mingw64}
window_options=(-DKERFMAX_GUI=OFF)
if [ -f "$QT_WINDOWS_DIR/.complete" ]; then
  echo "== Qt for Windows: using the cache in $QT_WINDOWS_DIR; Kerfmax.exe is built too"
  # Debian's own Qt of the same release runs moc and rcc.
  window_options=(-DKERFMAX_GUI=ON -DKERFMAX_QT_WINDOWS_DIR="$QT_WINDOWS_DIR"
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
else
  echo "== Qt for Windows is not in $QT_WINDOWS_DIR: Kerfmax.exe and its tests are left out"
  echo "   (bash scripts/build-qt-windows.sh builds that cache, about 40 minutes on two cores)"
fi

echo "== cross build in $BUILD_DIR"
start=$(date +%s)
cmake -S "$SOURCE_DIR" -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$SOURCE_DIR/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  "${window_options[@]}" -DKERFMAX_TESTS=ON \
  -DKERFMAX_GTEST_SOURCE=/usr/src/googletest
cmake --build "$BUILD_DIR" -j "${KERFMAX_JOBS:-2}"
echo "== built in $(($(date +%s) - start)) s"
