#!/bin/bash
# Prints the one version number, set in CMake's project() (e.g. 3.1.7).
set -euo pipefail
version=$(sed -n 's/^project(Kerfmax VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
[ -n "$version" ] || { echo "no project version in CMakeLists.txt" >&2; exit 1; }
echo "$version"
