#!/bin/bash
# Cross-builds the core, kerfmax-cli.exe and the test programs for 64-bit
# Windows with MinGW-w64 (Debian 12, run as root). The tests then run under
# Wine with scripts/test-windows.sh.
#   scripts/build-windows.sh [BUILD_DIR]     (default: build-win)
set -euo pipefail

cd "$(dirname "$0")/.."
SOURCE_DIR=$(pwd)
BUILD_DIR=${1:-build-win}

PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine wine64 googletest cmake ninja-build)
missing=()
for package in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "== installing ${missing[*]}"
  start=$(date +%s)
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  echo "== installed in $(($(date +%s) - start)) s"
fi

echo "== cross build in $BUILD_DIR"
start=$(date +%s)
cmake -S "$SOURCE_DIR" -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$SOURCE_DIR/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DKERFMAX_GUI=OFF -DKERFMAX_TESTS=ON \
  -DKERFMAX_GTEST_SOURCE=/usr/src/googletest
cmake --build "$BUILD_DIR" -j "${KERFMAX_JOBS:-2}"
echo "== built in $(($(date +%s) - start)) s"
