#!/bin/bash
# Makes the folder a Windows user unpacks beside the host drawing program:
# Kerfmax.exe and kerfmax-cli.exe, the Qt and MinGW run-time DLLs they need,
# 7z.exe and 7z.dll, the toolbar icons, the macro module, the skin and a
# README. Builds what is missing first (Qt and 7-Zip into their caches, which
# takes long the first time; the cross build in BUILD_DIR).
#   scripts/make-release-windows.sh [OUT_DIR] [BUILD_DIR]
#     (defaults: build-release/Kerfmax, build-win)
set -euo pipefail

cd "$(dirname "$0")/.."
OUT_DIR=${1:-build-release/Kerfmax}
BUILD_DIR=${2:-build-win}
CACHE_ROOT=${KERFMAX_CACHE_DIR:-/var/cache/kerfmax}
QT_DIR=${KERFMAX_QT_WINDOWS_DIR:-$CACHE_ROOT/qt6-6.4.2-mingw64}
SEVEN_ZIP_DIR=$CACHE_ROOT/7zip-mingw64
MINGW=x86_64-w64-mingw32

start=$(date +%s)
bash scripts/build-qt-windows.sh "$QT_DIR"
bash scripts/build-7zip-windows.sh "$SEVEN_ZIP_DIR"
KERFMAX_QT_WINDOWS_DIR=$QT_DIR bash scripts/build-windows.sh "$BUILD_DIR"
[ -f "$BUILD_DIR/Kerfmax.exe" ] || { echo "no Kerfmax.exe in $BUILD_DIR" >&2; exit 1; }

echo "== release folder $OUT_DIR"
rm -rf "$OUT_DIR"
mkdir -p "$OUT_DIR/platforms" "$OUT_DIR/styles"
cp "$BUILD_DIR/Kerfmax.exe" "$BUILD_DIR/kerfmax-cli.exe" "$OUT_DIR/"
cp "$QT_DIR"/bin/Qt6Core.dll "$QT_DIR"/bin/Qt6Gui.dll "$QT_DIR"/bin/Qt6Widgets.dll "$OUT_DIR/"
# The offscreen platform too: an unattended run (an installer's registration
# pass with -platform offscreen) then prints its message instead of waiting
# for a click.
cp "$QT_DIR/plugins/platforms/qwindows.dll" "$QT_DIR/plugins/platforms/qoffscreen.dll" "$OUT_DIR/platforms/"
if [ -f "$QT_DIR/plugins/styles/qwindowsvistastyle.dll" ]; then
  cp "$QT_DIR/plugins/styles/qwindowsvistastyle.dll" "$OUT_DIR/styles/"
else
  rmdir "$OUT_DIR/styles"
fi
cp "$SEVEN_ZIP_DIR/7z.exe" "$SEVEN_ZIP_DIR/7z.dll" "$OUT_DIR/"
cp resources/icons/*.ico resources/Skin.qss host/macro/Cutter.bas "$OUT_DIR/"

# The MinGW run-time DLLs the Qt DLLs import (our own programs carry theirs).
runtime_folders=("/usr/lib/gcc/$MINGW/$($MINGW-gcc-posix -dumpversion)" "/usr/$MINGW/lib")
needed_dlls() {
  for dll in "$OUT_DIR"/*.dll "$OUT_DIR"/platforms/*.dll; do
    $MINGW-objdump -p "$dll" | sed -n 's/^\s*DLL Name: //p'
  done | sort -u
}
for name in $(needed_dlls); do
  for folder in "${runtime_folders[@]}"; do
    if [ -f "$folder/$name" ] && [ ! -f "$OUT_DIR/$name" ]; then cp "$folder/$name" "$OUT_DIR/"; fi
  done
done

# Debug information out of every program and DLL (Qt's and the run-time's
# are most of the folder otherwise).
find "$OUT_DIR" \( -name '*.dll' -o -name '*.exe' \) -exec $MINGW-strip --strip-unneeded {} +

# Qt is used under the LGPL 3 (which builds on the GPL 3); 7-Zip under its own terms.
mkdir -p "$OUT_DIR/licenses"
cp /usr/share/common-licenses/LGPL-3 "$OUT_DIR/licenses/Qt-LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$OUT_DIR/licenses/Qt-GPL-3.txt"
cp "$SEVEN_ZIP_DIR/License.txt" "$OUT_DIR/licenses/7-Zip-License.txt"

# Windows line ends for Notepad.
sed 's/$/\r/' resources/windows/README.txt >"$OUT_DIR/README.txt"

missing=0
for name in $(needed_dlls); do
  case "${name,,}" in
    qt6*.dll | libstdc++-6.dll | libgcc_s_seh-1.dll | libwinpthread-1.dll)
      [ -f "$OUT_DIR/$name" ] || { echo "missing $name" >&2; missing=1; } ;;
  esac
done
[ "$missing" -eq 0 ]
echo "== $(du -sh "$OUT_DIR" | cut -f1) in $OUT_DIR, made in $(($(date +%s) - start)) s:"
(cd "$OUT_DIR" && find . -type f | sort | sed 's/^\.\///' | tr '\n' ' ')
echo
