#!/bin/bash
# Builds Qt 6.4.2 (qtbase: Core, Gui, Widgets, Test and the windows platform
# plugin) for 64-bit Windows with MinGW-w64 from Debian's own qt6-base source
# package, once, into a cache outside the source tree (Debian 12, run as
# root). The window's Windows build takes it from there.
#   scripts/build-qt-windows.sh [CACHE_DIR]
#   scripts/build-qt-windows.sh --packages-only   (installs what it needs, builds nothing)
#     (default: ${KERFMAX_CACHE_DIR:-/var/cache/kerfmax}/qt6-6.4.2-mingw64)
# The build takes 40 to 60 minutes on two cores; a finished cache is marked
# with .complete and used as it is from then on. A project uses it with
#   -DCMAKE_TOOLCHAIN_FILE=<cache>/lib/cmake/Qt6/qt.toolchain.cmake
#   [-DQT_CHAINLOAD_TOOLCHAIN_FILE=<its own MinGW toolchain file>]
# and runs with <cache>/bin on the path (the Qt and run-time DLLs).
set -euo pipefail

cd "$(dirname "$0")/.."
SCRIPTS_DIR=$(pwd)/scripts
QT_VERSION=6.4.2
CACHE_ROOT=${KERFMAX_CACHE_DIR:-/var/cache/kerfmax}
PREFIX=${1:-$CACHE_ROOT/qt6-$QT_VERSION-mingw64}
WORK_DIR=$CACHE_ROOT/work
JOBS=${KERFMAX_JOBS:-2}

# Debian's native Qt provides moc, rcc, uic and the rest as host tools; it
# must be the same Qt release as the one being built.
PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix cmake ninja-build
  qt6-base-dev qt6-base-dev-tools dpkg-dev xz-utils)
if [ "${1:-}" = --packages-only ]; then
  exec bash scripts/ensure-packages.sh "${PACKAGES[@]}"
fi
if [ -f "$PREFIX/.complete" ]; then
  echo "Qt for Windows: using the cache in $PREFIX"
  exit 0
fi
total_start=$(date +%s)
bash scripts/ensure-packages.sh "${PACKAGES[@]}"
echo "Qt for Windows: no cache in $PREFIX, building it (about 20 minutes of two cores)"
host_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
case "$host_version" in
  "$QT_VERSION"+*) ;;
  *) echo "the host Qt is $host_version, not $QT_VERSION: its tools cannot build this Qt" >&2; exit 1 ;;
esac

start=$(date +%s)
SOURCE_DIR=$("$SCRIPTS_DIR/private-apt-source.sh" "$WORK_DIR/apt" "$WORK_DIR/src" "qt6-base=$host_version")
fetch_seconds=$(($(date +%s) - start))
echo "== Qt source fetched and unpacked in $fetch_seconds s: $SOURCE_DIR"

# A failed or killed run leaves .building, never .complete, so it is not
# taken for a cache; only such a folder (or an empty one) is cleared.
if [ -d "$PREFIX" ] && [ -n "$(ls -A "$PREFIX")" ] && [ ! -f "$PREFIX/.building" ]; then
  echo "$PREFIX is not empty and not an unfinished Qt cache: not clearing it" >&2
  exit 1
fi
rm -rf "$PREFIX"
mkdir -p "$PREFIX"
touch "$PREFIX/.building"

# Not the project's toolchain file: its static executable link and Wine
# emulator are for the project's own programs, not for Qt's DLLs and its
# configure checks. It is kept in the cache, because the installed
# qt.toolchain.cmake loads the one Qt was configured with.
TOOLCHAIN=$PREFIX/lib/cmake/mingw-w64-x86_64-posix.cmake
mkdir -p "$(dirname "$TOOLCHAIN")"
cat >"$TOOLCHAIN" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

BUILD_DIR=$WORK_DIR/qt6-build
rm -rf "$BUILD_DIR"
mkdir -p "$BUILD_DIR"

# Only what Kerfmax and its tests use is built, so that a fresh CI machine
# makes the cache in its time limit: no Xml module, no image formats besides
# PNG and ICO, none of the widgets the window never shows, no tools that only
# other projects use. FreeType stays: under Wine only its font engine draws
# line edits, so the release pictures need it. Direct2D stays too: without it
# the windows platform plugin does not link (it still names the DirectWrite
# font database, which Qt then leaves out).
TRIM_OPTIONS=(-DFEATURE_xml=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
  -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
  -DFEATURE_graphicsview=OFF -DFEATURE_mdiarea=OFF -DFEATURE_calendarwidget=OFF
  -DFEATURE_colordialog=OFF -DFEATURE_fontdialog=OFF -DFEATURE_wizard=OFF
  -DFEATURE_lcdnumber=OFF -DFEATURE_undocommand=OFF -DFEATURE_undostack=OFF
  -DFEATURE_undogroup=OFF -DFEATURE_undoview=OFF -DFEATURE_syntaxhighlighter=OFF
  -DFEATURE_columnview=OFF -DFEATURE_dial=OFF -DFEATURE_keysequenceedit=OFF
  -DFEATURE_itemmodeltester=OFF -DFEATURE_qmake=OFF -DFEATURE_androiddeployqt=OFF)

start=$(date +%s)
echo "== configuring in $BUILD_DIR"
# Bundled third-party libraries, so the DLLs need nothing from the system.
# Debian's repacked source has no Wintab header, hence no tablet events.
cmake -S "$SOURCE_DIR" -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DBUILD_SHARED_LIBS=ON \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
  -DFEATURE_opengl=OFF -DINPUT_opengl=no \
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
  -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF \
  -DFEATURE_tabletevent=OFF \
  "${TRIM_OPTIONS[@]}"
configure_seconds=$(($(date +%s) - start))
echo "== configured in $configure_seconds s"

start=$(date +%s)
echo "== building with $JOBS jobs (nice 10)"
nice -n 10 cmake --build "$BUILD_DIR" -j "$JOBS"
build_seconds=$(($(date +%s) - start))
echo "== built in $((build_seconds / 60)) min $((build_seconds % 60)) s"

cmake --install "$BUILD_DIR"

# The DLLs use the compiler's shared run-time; it goes beside them so that
# putting the cache's bin folder on the path (or copying it) is enough.
for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  file=$(x86_64-w64-mingw32-g++-posix -print-file-name="$runtime")
  [ -f "$file" ] || { echo "no $runtime in the MinGW run-time" >&2; exit 1; }
  cp "$file" "$PREFIX/bin/"
  # Debian ships them with their symbol tables (libstdc++ is 23 MB so).
  x86_64-w64-mingw32-strip --strip-unneeded "$PREFIX/bin/$runtime"
done

echo "== checking the installed files"
for file in bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6Test.dll \
  plugins/platforms/qwindows.dll lib/cmake/Qt6/Qt6Config.cmake \
  lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake; do
  [ -f "$PREFIX/$file" ] || { echo "missing after install: $PREFIX/$file" >&2; exit 1; }
done
if [[ "$(x86_64-w64-mingw32-objdump -f "$PREFIX/bin/Qt6Core.dll")" != *pei-x86-64* ]]; then
  echo "$PREFIX/bin/Qt6Core.dll is not a 64-bit Windows DLL" >&2
  exit 1
fi

total_seconds=$(($(date +%s) - total_start))
size=$(du -sh "$PREFIX" | cut -f1)
{
  echo "Qt $QT_VERSION (qtbase) for x86_64-w64-mingw32, shared, Release"
  echo "Debian source package: qt6-base $host_version"
  echo "Compiler: $(x86_64-w64-mingw32-g++-posix --version | head -1)"
  echo "Built: $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, $JOBS jobs"
  echo "Fetch: $fetch_seconds s, configure: $configure_seconds s, build: $((build_seconds / 60)) min $((build_seconds % 60)) s"
  echo "Total: $((total_seconds / 60)) min $((total_seconds % 60)) s"
  echo "Size: $size"
  for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Test libstdc++-6 libgcc_s_seh-1 libwinpthread-1; do
    echo "$dll.dll: $(du -h "$PREFIX/bin/$dll.dll" | cut -f1)"
  done
} >"$PREFIX/BUILD-INFO"
rm "$PREFIX/.building"
touch "$PREFIX/.complete"
# The build folder and the unpacked source are made afresh by every build.
rm -rf "$BUILD_DIR" "$SOURCE_DIR"
echo "Qt for Windows: built in $((total_seconds / 60)) min $((total_seconds % 60)) s, $size in $PREFIX"
