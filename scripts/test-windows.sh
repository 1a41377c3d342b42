#!/bin/bash
# Runs the cross-built Windows test programs under Wine through ctest.
#   scripts/test-windows.sh [BUILD_DIR] [LINUX_BUILD_DIR]   (defaults: build-win, build)
# With a Linux build beside it, convert's output is also compared byte for byte.
# The Wine prefix lives in the build folder; one wineserver is kept running
# for the whole run, so each test program starts quickly, and is stopped at
# the end. No display is needed.
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD_DIR=$(realpath "${1:-build-win}")
LINUX_BUILD_DIR=${2:-build}
[ -f "$BUILD_DIR/CTestTestfile.cmake" ] || { echo "no cross build in $BUILD_DIR: run scripts/build-windows.sh" >&2; exit 1; }

export WINEPREFIX="$BUILD_DIR/wine-prefix"
# Wine links the user's Documents to HOME: the tests get one of their own.
export HOME="$BUILD_DIR/wine-home"
mkdir -p "$HOME"
export WINEDEBUG=-all
# Wine turns non-ASCII file names into garbage under the C locale.
export LC_ALL=C.UTF-8
export WINEARCH=win64
# No Mono or Gecko installer prompts when the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
mkdir -p "$WINEPREFIX"
"$WINESERVER" -p -f </dev/null >/dev/null 2>&1 &
server_pid=$!
stop_server() {
  "$WINESERVER" -k 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
}
trap stop_server EXIT

start=$(date +%s)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== making the Wine prefix $WINEPREFIX"
  wine wineboot --init </dev/null >"$BUILD_DIR/wineboot.log" 2>&1
fi
wine cmd /c exit 0 >/dev/null 2>&1 || true
echo "== Wine ready in $(($(date +%s) - start)) s"

# The window's tests take Qt's DLLs from its cache (Qt finds its plugins there itself).
QT_WINDOWS_DIR=${KERFMAX_QT_WINDOWS_DIR:-${KERFMAX_CACHE_DIR:-/var/cache/kerfmax}/qt6-6.4.2-mingw64}
window_built=false
if [ -f "$BUILD_DIR/Kerfmax.exe" ]; then
  window_built=true
  mingw_runtime=/usr/lib/gcc/x86_64-w64-mingw32/$(x86_64-w64-mingw32-gcc-posix -dumpversion)
  WINEPATH="$(winepath -w "$QT_WINDOWS_DIR/bin");$(winepath -w "$mingw_runtime");$(winepath -w /usr/x86_64-w64-mingw32/lib)"
  export WINEPATH
fi

start=$(date +%s)
status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 600 || status=$?
$window_built || echo "== window tests skipped: Kerfmax.exe was not built (no Qt for Windows in its cache)"
if [ -x "$LINUX_BUILD_DIR/kerfmax-cli" ]; then
  bash scripts/compare-windows-convert.sh "$BUILD_DIR" "$LINUX_BUILD_DIR" || status=1
else
  echo "== convert comparison skipped: no Linux build in $LINUX_BUILD_DIR"
fi
echo "== tests ran in $(($(date +%s) - start)) s"
exit $status
