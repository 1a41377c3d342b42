#!/bin/bash
# Makes the Windows installer Kerfmax-Setup-<version>.exe with NSIS from the
# release folder (made first when it is missing: see make-release-windows.sh).
#   scripts/make-installer-windows.sh [OUT_DIR] [RELEASE_DIR] [BUILD_DIR]
#     (defaults: build-release, build-release/Kerfmax, build-win)
# KERFMAX_MACRO_PROJECT=<file> puts a macro project made in the host (saved
# from Cutter.bas as Kerfmax.dll) into the installer, which then registers
# with the host at the end of the install.
set -euo pipefail

cd "$(dirname "$0")/.."
OUT_DIR=$(realpath -m "${1:-build-release}")
RELEASE_DIR=$(realpath -m "${2:-build-release/Kerfmax}")
BUILD_DIR=${3:-build-win}
MACRO_PROJECT=${KERFMAX_MACRO_PROJECT:-}

bash scripts/ensure-packages.sh nsis
if [ ! -f "$RELEASE_DIR/Kerfmax.exe" ]; then
  bash scripts/make-release-windows.sh "$RELEASE_DIR" "$BUILD_DIR"
fi
if [ -n "$MACRO_PROJECT" ] && [ ! -f "$MACRO_PROJECT" ]; then
  echo "no macro project in $MACRO_PROJECT" >&2
  exit 1
fi

VERSION=$(bash scripts/project-version.sh)

mkdir -p "$OUT_DIR"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
cp -r "$RELEASE_DIR" "$stage"
if [ -n "$MACRO_PROJECT" ]; then cp "$MACRO_PROJECT" "$stage/Kerfmax.dll"; fi

# The lists of what is installed and what the uninstaller removes, from the
# folder itself, so that a file added to the release is never left behind.
windows_path() { tr '/' '\\' <<<"$1"; }
(
  cd "$stage"
  find . -type f | sed 's|^\./||' | sort | while read -r file; do
    folder=$(dirname "$file")
    if [ "$folder" = . ]; then echo 'SetOutPath "$INSTDIR"'; else echo "SetOutPath \"\$INSTDIR\\$(windows_path "$folder")\""; fi
    echo "File \"$stage/$file\""
  done
) >"$work/files.nsh"
(
  cd "$stage"
  find . -type f | sed 's|^\./||' | sort | while read -r file; do
    echo "Delete \"\$INSTDIR\\$(windows_path "$file")\""
  done
  # Deepest folders first; RMDir without /r leaves one that is not empty.
  find . -mindepth 1 -type d | sed 's|^\./||' | sort -r | while read -r folder; do
    echo "RMDir \"\$INSTDIR\\$(windows_path "$folder")\""
  done
) >"$work/remove.nsh"

installer=$OUT_DIR/Kerfmax-Setup-$VERSION.exe
start=$(date +%s)
makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$VERSION" -DRELEASE_DIR="$stage" \
  -DFILE_LIST="$work/files.nsh" -DREMOVE_LIST="$work/remove.nsh" \
  -DOUT_FILE="$installer" resources/windows/Kerfmax.nsi
echo "== $installer: $(du -h "$installer" | cut -f1), $(grep -c '^File ' "$work/files.nsh") files," \
  "made in $(($(date +%s) - start)) s$([ -n "$MACRO_PROJECT" ] && echo ", with the macro project")"
