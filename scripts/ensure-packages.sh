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
# Another install may hold the package manager's locks: wait for it (up to
# 15 minutes) instead of failing with "Could not get lock".
wait_for_package_manager() {
  local waited=0
  while pgrep -x apt-get >/dev/null || pgrep -x apt >/dev/null || pgrep -x dpkg >/dev/null ||
    pgrep -x unattended-upgr >/dev/null; do
    ((waited % 30)) || echo "== waiting for another package install to end"
    ((waited < 900)) || break
    sleep 2
    waited=$((waited + 2))
  done
}
apt_options=(-o DPkg::Lock::Timeout=900 -o Acquire::Retries=3)
wait_for_package_manager
apt-get "${apt_options[@]}" update -qq
wait_for_package_manager
apt-get "${apt_options[@]}" install -y -qq --no-install-recommends "${missing[@]}"
echo "== installed in $(($(date +%s) - start)) s"
