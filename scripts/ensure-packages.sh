#!/bin/bash
# Installs the Debian packages named that are not installed yet (as root,
# non-interactive) and says which and how long it took.
#   scripts/ensure-packages.sh PACKAGE...
set -euo pipefail
missing=()
for package in "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
((${#missing[@]})) || exit 0
echo "== installing ${missing[*]}"
start=$(date +%s)
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y --no-install-recommends "${missing[@]}"
echo "== installed in $(($(date +%s) - start)) s"
