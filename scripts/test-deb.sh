#!/usr/bin/env bash
# Installs the Debian package with apt, uses the installed programs, removes the
# package and checks that none of its files are left.
#   scripts/test-deb.sh [BUILD_DIR]        (default build-deb, where make-deb.sh put it)
# 1. kerfmax-cli convert on the installed sample writes what the build's convert writes;
# 2. kerfmax -HideUI -AutoSend from /usr/bin sends exactly those bytes to a listener on
#    port 5000 of 127.0.0.1, inside a network namespace of its own (no port of the
#    machine is taken), with HOME pointed at a folder of the test's;
# 3. apt removes the package and every file it installed.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(realpath "${1:-build-deb}")
deb=$(ls "$dir"/kerfmax_*_amd64.deb)
bash scripts/ensure-packages.sh socat iproute2 util-linux
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "   ok: $what"; else echo "   FAILED: $what"; failures=$((failures + 1)); fi
}

echo "== installing $deb"
export DEBIAN_FRONTEND=noninteractive
apt-get -o DPkg::Lock::Timeout=900 install -y -qq "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
dpkg-query -L kerfmax | sort >"$work/files"
check "/usr/bin/kerfmax and /usr/bin/kerfmax-cli are installed" test -x /usr/bin/kerfmax -a -x /usr/bin/kerfmax-cli
for file in /usr/share/applications/kerfmax.desktop /usr/share/icons/hicolor/48x48/apps/kerfmax.png \
  /usr/share/man/man1/kerfmax.1.gz /usr/share/man/man1/kerfmax-cli.1.gz /usr/share/kerfmax/samples/sign.hb; do
  check "$file is installed" grep -qx "$file" "$work/files"
done
check "the version is the project's" bash -c "/usr/bin/kerfmax-cli --version | grep -qF '$(bash scripts/project-version.sh)'"

# 1. convert from the installed program.
/usr/bin/kerfmax-cli convert /usr/share/kerfmax/samples/sign.hb -o "$work/installed.plt"
"$dir/kerfmax-cli" convert resources/samples/sign.hb -o "$work/built.plt"
check "convert of the installed sample writes what the build writes" cmp -s "$work/installed.plt" "$work/built.plt"

# 2. AutoSend from /usr/bin to a listener, in a network namespace of its own.
mkdir -p "$work/home/Documents/Kerfmax"
printf '[Device]\r\nPortS=Network Port\r\nIP=127.0.0.1\r\n' >"$work/home/Documents/Kerfmax/Kerfmax.ini"
cp resources/samples/sign.hb "$work/job.hb"
status=0
HOME="$work/home" XDG_DOCUMENTS_DIR="$work/home/Documents" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_RUNTIME_DIR="$work" DISPLAY= WAYLAND_DISPLAY= WORK="$work" \
  timeout 120 unshare -n bash -c '
    ip link set lo up
    # The listener keeps its end open after our end of stream, as a cutter does.
    socat -u TCP-LISTEN:5000,bind=127.0.0.1,reuseaddr SYSTEM:"cat >\"$WORK/received.plt\"; sleep 100" &
    listener=$!
    sleep 0.3
    status=0
    /usr/bin/kerfmax -HideUI -AutoSend "$WORK/job.hb" 2>"$WORK/autosend.err" || status=$?
    kill "$listener" 2>/dev/null
    wait "$listener" 2>/dev/null
    exit $status' || status=$?
echo "   AutoSend: exit $status; $(stat -c %s "$work/received.plt" 2>/dev/null || echo 0) bytes received"
check "AutoSend from /usr/bin ended with exit 0" test "$status" -eq 0
check "AutoSend delivered exactly what convert writes" cmp -s "$work/installed.plt" "$work/received.plt"

# 3. Removal leaves none of the package's files.
apt-get -o DPkg::Lock::Timeout=900 purge -y -qq kerfmax >"$work/remove.log" 2>&1 || { cat "$work/remove.log"; exit 1; }
left=()
while read -r path; do
  [ -e "$path" ] && [ ! -d "$path" ] && left+=("$path")
done <"$work/files"
check "removal leaves none of the package's files (${left[*]:-none left})" test ${#left[@]} -eq 0
check "removal leaves no folder of its own" test ! -e /usr/lib/kerfmax -a ! -e /usr/share/kerfmax -a ! -e /usr/share/doc/kerfmax
((failures == 0)) || { echo "== $failures check(s) failed"; exit 1; }
echo "== the Debian package installs, works and leaves nothing behind"
