#!/usr/bin/env bash
# Builds the Debian package kerfmax_<version>_amd64.deb and checks it with lintian.
#   scripts/make-deb.sh [BUILD_DIR]        (default build-deb; the package lands there)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-deb}
bash scripts/install-deps.sh
# dpkg-shlibdeps finds the libraries' packages; lintian checks the result.
bash scripts/ensure-packages.sh dpkg-dev lintian file
bash scripts/build.sh "$dir" -DKERFMAX_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
rm -f "$dir"/kerfmax_*.deb
(cd "$dir" && cpack -G DEB >cpack.log 2>&1) || { cat "$dir/cpack.log" >&2; exit 1; }
deb=$(ls "$dir"/kerfmax_*_amd64.deb)
echo "== $deb ($(stat -c %s "$deb") bytes)"
# Errors fail the build; warnings are shown.
lintian --no-tag-display-limit --suppress-tags "$(tr '\n' ',' <resources/linux/lintian-accepted)" "$deb" |
  tee "$dir/lintian.log"
if grep -q '^E:' "$dir/lintian.log"; then
  echo "lintian reports errors" >&2
  exit 1
fi
