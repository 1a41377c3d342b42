#!/bin/bash
# Cross-builds the console 7-Zip (7z.exe) and its format library (7z.dll)
# for 64-bit Windows with MinGW-w64 from Debian's own 7zip source package,
# once, into a cache outside the source tree (Debian 12, run as root). The
# Windows packaging passes unpack and repack .zip workspace packages with it.
#   scripts/build-7zip-windows.sh [CACHE_DIR]
#     (default: ${KERFMAX_CACHE_DIR:-/var/cache/kerfmax}/7zip-mingw64)
#   scripts/build-7zip-windows.sh --packages-only   (installs what it needs, builds nothing)
# A finished cache is checked under Wine (zip out and back) and marked with
# .complete; from then on it is used as it is.
set -euo pipefail

cd "$(dirname "$0")/.."
SCRIPTS_DIR=$(pwd)/scripts
CACHE_ROOT=${KERFMAX_CACHE_DIR:-/var/cache/kerfmax}
CACHE_DIR=${1:-$CACHE_ROOT/7zip-mingw64}
WORK_DIR=$CACHE_ROOT/work
JOBS=${KERFMAX_JOBS:-2}

PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix make dpkg-dev xz-utils wine wine64)
if [ "${1:-}" = --packages-only ]; then
  exec bash scripts/ensure-packages.sh "${PACKAGES[@]}"
fi
if [ -f "$CACHE_DIR/.complete" ]; then
  echo "7-Zip for Windows: using the cache in $CACHE_DIR"
  exit 0
fi
echo "7-Zip for Windows: no cache in $CACHE_DIR, building it"
total_start=$(date +%s)
bash scripts/ensure-packages.sh "${PACKAGES[@]}"

start=$(date +%s)
SOURCE_DIR=$("$SCRIPTS_DIR/private-apt-source.sh" "$WORK_DIR/apt" "$WORK_DIR/src" 7zip)
fetch_seconds=$(($(date +%s) - start))
echo "== 7-Zip source fetched and unpacked in $fetch_seconds s: $SOURCE_DIR"
package_version=$(basename "$SOURCE_DIR")
package_version=${package_version#7zip_}
upstream_version=$(sed -n 's/^#define MY_VERSION_NUMBERS "\(.*\)"/\1/p' "$SOURCE_DIR/C/7zVersion.h")

# The makefiles' MinGW branch (static run-time, .exe/.dll names, windres)
# is chosen with IS_MINGW; the shell commands are given as the Unix ones,
# the Windows defaults there are for building on Windows. No assembler
# (asmc) on Debian, so the C versions of the optimised routines are used.
# Debian's source has no RAR code, so RAR support is left out.
MAKE_ARGS=(
  IS_MINGW=1
  CC=x86_64-w64-mingw32-gcc-posix
  CXX=x86_64-w64-mingw32-g++-posix
  RC=x86_64-w64-mingw32-windres
  "MY_MKDIR=mkdir -p"
  "RM=rm -f"
  LFLAGS_STRIP=-s
  DISABLE_RAR=1
)
BUILD_DIR=$WORK_DIR/7zip-build
rm -rf "$BUILD_DIR"
start=$(date +%s)
echo "== building 7z.exe and 7z.dll with $JOBS jobs (nice 10) in $BUILD_DIR"
nice -n 10 make -C "$SOURCE_DIR/CPP/7zip/UI/Console" -f ../../cmpl_gcc.mak -j "$JOBS" \
  "${MAKE_ARGS[@]}" O="$BUILD_DIR/console"
nice -n 10 make -C "$SOURCE_DIR/CPP/7zip/Bundles/Format7zF" -f ../../cmpl_gcc.mak -j "$JOBS" \
  "${MAKE_ARGS[@]}" O="$BUILD_DIR/format"
build_seconds=$(($(date +%s) - start))
echo "== built in $((build_seconds / 60)) min $((build_seconds % 60)) s"

# A failed or killed run leaves .building, never .complete, so it is not
# taken for a cache; only such a folder (or an empty one) is cleared.
if [ -d "$CACHE_DIR" ] && [ -n "$(ls -A "$CACHE_DIR")" ] && [ ! -f "$CACHE_DIR/.building" ]; then
  echo "$CACHE_DIR is not empty and not an unfinished 7-Zip cache: not clearing it" >&2
  exit 1
fi
rm -rf "$CACHE_DIR"
mkdir -p "$CACHE_DIR"
touch "$CACHE_DIR/.building"
cp "$BUILD_DIR/console/7z.exe" "$BUILD_DIR/format/7z.dll" "$CACHE_DIR/"
# 7-Zip is LGPL: its licence goes with the binaries.
cp "$SOURCE_DIR/DOC/License.txt" "$SOURCE_DIR/DOC/copying.txt" "$CACHE_DIR/"
for file in 7z.exe 7z.dll; do
  [[ "$(x86_64-w64-mingw32-objdump -f "$CACHE_DIR/$file")" == *pei-x86-64* ]] ||
    { echo "$CACHE_DIR/$file is not a 64-bit Windows binary" >&2; exit 1; }
done

# The check: a folder like a workspace package goes into a .zip and comes
# back out, the way the packaging passes call it, and must come back the same.
echo "== checking under Wine"
export WINEPREFIX=$WORK_DIR/wine-prefix
export WINEDEBUG=-all
export WINEARCH=win64
# Wine reads Unix file names in the locale's character set.
export LC_ALL=C.UTF-8
# No Mono or Gecko installer prompts when the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
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
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot --init </dev/null >"$WORK_DIR/wineboot.log" 2>&1
fi
# Wine's own services start here, away from the pipe of the $(...) below.
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true

CHECK_DIR=$WORK_DIR/7zip-check
rm -rf "$CHECK_DIR"
# Names with spaces and non-ASCII letters, as users name their jobs.
mkdir -p "$CHECK_DIR/package/sub folder ä" "$CHECK_DIR/out"
echo "job settings" >"$CHECK_DIR/package/job.xml"
head -c 300000 /dev/urandom >"$CHECK_DIR/package/sub folder ä/cut.bin"
seq 1 20000 >"$CHECK_DIR/package/sub folder ä/标签.txt"
: >"$CHECK_DIR/package/empty.txt"
out_dir=$(wine winepath -w "$CHECK_DIR/out" 2>/dev/null | tr -d '\r')
seven_zip() { wine "$CACHE_DIR/7z.exe" "$@" </dev/null >>"$CHECK_DIR/7z.log" 2>&1; }
(cd "$CHECK_DIR/package" && seven_zip a -tzip ../test.zip .) ||
  { cat "$CHECK_DIR/7z.log" >&2; echo "7z.exe a -tzip failed" >&2; exit 1; }
(cd "$CHECK_DIR" && seven_zip t test.zip) ||
  { cat "$CHECK_DIR/7z.log" >&2; echo "7z.exe t failed" >&2; exit 1; }
# Twice: the second run overwrites, which must not ask.
for run in 1 2; do
  (cd "$CHECK_DIR" && seven_zip x -y "-o$out_dir" test.zip) ||
    { cat "$CHECK_DIR/7z.log" >&2; echo "7z.exe x -y -o (run $run) failed" >&2; exit 1; }
done
diff -r "$CHECK_DIR/package" "$CHECK_DIR/out" ||
  { echo "the files out of the .zip differ from the ones put in" >&2; exit 1; }
version_line=$(grep -m1 '^7-Zip' "$CHECK_DIR/7z.log" | tr -d '\r')
echo "== Wine check passed: $version_line"

total_seconds=$(($(date +%s) - total_start))
size=$(du -sh "$CACHE_DIR" | cut -f1)
{
  echo "7-Zip $upstream_version console (7z.exe) and formats (7z.dll) for x86_64-w64-mingw32, no RAR"
  echo "Debian source package: 7zip $package_version"
  echo "Compiler: $(x86_64-w64-mingw32-g++-posix --version | head -1)"
  echo "Built: $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, $JOBS jobs"
  echo "Fetch: $fetch_seconds s, build: $((build_seconds / 60)) min $((build_seconds % 60)) s"
  echo "Total: $((total_seconds / 60)) min $((total_seconds % 60)) s"
  echo "Size: $size"
  for file in 7z.exe 7z.dll; do
    echo "$file: $(du -h "$CACHE_DIR/$file" | cut -f1)"
  done
  echo "Wine check: $version_line"
} >"$CACHE_DIR/BUILD-INFO"
rm "$CACHE_DIR/.building"
touch "$CACHE_DIR/.complete"
echo "7-Zip for Windows: built in $((total_seconds / 60)) min $((total_seconds % 60)) s, $size in $CACHE_DIR"
