#!/bin/bash
# Runs the release folder under Wine, from that folder alone, as a user would:
#  1. Kerfmax.exe -HideUI -AutoSend job.hb sends the sample to a listener on
#     127.0.0.1:5000 (settings: the network port); the bytes must be exactly
#     what kerfmax-cli.exe convert writes for it;
#  2. Kerfmax.exe -RegCorelWorkSpace, then -UnRegCorelWorkSpace, against a
#     host workspace package written into the prefix's registry and files;
#  3. pictures of the main window in English and Chinese (OUT_DIR).
#   scripts/test-release-windows.sh [RELEASE_DIR] [OUT_DIR]
#     (defaults: build-release/Kerfmax, build-release/screenshots)
set -euo pipefail

cd "$(dirname "$0")/.."
RELEASE_DIR=$(realpath "${1:-build-release/Kerfmax}")
OUT_DIR=$(realpath -m "${2:-build-release/screenshots}")
[ -f "$RELEASE_DIR/Kerfmax.exe" ] || { echo "no release folder in $RELEASE_DIR" >&2; exit 1; }
for program in socat 7z xvfb-run Xvfb import; do
  command -v "$program" >/dev/null || { echo "$program is needed (socat, p7zip-full, xvfb, imagemagick)" >&2; exit 1; }
done

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export LC_ALL=C.UTF-8  # Wine turns non-ASCII file names into garbage under the C locale
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
mkdir -p "$WINEPREFIX"
"$WINESERVER" -p -f </dev/null >/dev/null 2>&1 &
server_pid=$!
listener_pid=
cleanup() {
  [ -n "$listener_pid" ] && kill "$listener_pid" 2>/dev/null
  "$WINESERVER" -k 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wine wineboot --init </dev/null >"$work/wineboot.log" 2>&1
user_dir="$WINEPREFIX/drive_c/users/$(id -un)"
status=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; status=1; fi
}

# 1. AutoSend to a loopback listener.
mkdir -p "$user_dir/Documents/Kerfmax"
printf '[Device]\r\nPortS=Network Port\r\nIP=127.0.0.1\r\n' >"$user_dir/Documents/Kerfmax/Kerfmax.ini"
cp resources/samples/sign.hb "$work/job.hb"
# When the connection ends after the job the window shows "Socket Close!!!",
# which waits for a click: the run is then stopped after 120 s.
timeout 150 socat -u TCP-LISTEN:5000,bind=127.0.0.1,reuseaddr "OPEN:$work/received.plt,creat,trunc" &
listener_pid=$!
sleep 0.5
(cd "$RELEASE_DIR" && wine kerfmax-cli.exe convert "$work/job.hb" -o "$work/expected.plt" >/dev/null)
started=$(date +%s)
# A Windows path: on Windows a word that begins with "/" is a switch.
job=$(winepath -w "$work/job.hb")
run_status=0
(cd "$RELEASE_DIR" && timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" wine Kerfmax.exe -HideUI -AutoSend "$job") ||
  run_status=$?
wait "$listener_pid" || true
listener_pid=
echo "   AutoSend run: exit $run_status after $(($(date +%s) - started)) s; $(stat -c %s "$work/received.plt" 2>/dev/null || echo 0) bytes received"
check "the AutoSend run ended by itself" test "$run_status" -ne 124
check "AutoSend delivered exactly what convert writes" cmp -s "$work/expected.plt" "$work/received.plt"

# 2. Registration into a workspace package of the host, and back out.
workspace_dir="$user_dir/Corel/19/Workspace"
mkdir -p "$work/stage/content" "$workspace_dir"
printf '%s\r\n' '<?xml version="1.0" encoding="utf-8"?>' '<uiConfig>' '<frame><dockBar position="float"/></frame>' \
  '<commandBars><commandBarData guid="bar-1" type="toolbar"><toolbar><item guidRef="x1"/></toolbar></commandBarData></commandBars>' \
  '<items><itemData guid="i1" dynamicCommand="A.B.C"/></items>' '</uiConfig>' >"$work/stage/content/workspace.xml"
(cd "$work/stage" && 7z a -tzip -r "$workspace_dir/Mine.cdws" . >/dev/null)
wine reg add 'HKCU\Software\Corel\CorelDRAW\19.0\Draw' /v LastCorelWorkspaceUsed /t REG_SZ \
  /d "C:\\users\\$(id -un)\\Corel\\19\\Workspace\\Mine.cdws" /f >/dev/null
workspace_xml() { 7z x -so "$workspace_dir/Mine.cdws" content/workspace.xml 2>/dev/null; }
for pass in -RegCorelWorkSpace -UnRegCorelWorkSpace; do
  # Unattended: the offscreen platform prints the closing message instead of
  # a box (Wine passes no QT_* variables on, so it is named on the command line).
  (cd "$RELEASE_DIR" && timeout 60 wine Kerfmax.exe "$pass" -platform offscreen >"$work/pass.out" 2>&1) || true
  echo "   $pass said: $(tr -d '\r' <"$work/pass.out" | tr '\n' ' ')"
  if [ "$pass" = -RegCorelWorkSpace ]; then
    check "registration put the toolbar command into the workspace" grep -q "Kerfmax.Cutter.Cutting" <(workspace_xml)
  else
    check "unregistration took it out again" bash -c "! grep -q Kerfmax.Cutter.Cutting <(7z x -so '$workspace_dir/Mine.cdws' content/workspace.xml 2>/dev/null)"
  fi
done

# 3. Pictures of the main window as the program shows it (windows platform,
#    Wine's X11 driver, a virtual screen), taken from the screen.
mkdir -p "$OUT_DIR"
Xvfb :87 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
for language in 0 1; do
  printf '[Device]\r\nPortS=Network Port\r\nLangage=%s\r\n' "$language" >"$user_dir/Documents/Kerfmax/Kerfmax.ini"
  picture="$OUT_DIR/main-window-$([ "$language" = 1 ] && echo zh || echo en).png"
  (cd "$RELEASE_DIR" && DISPLAY=:87 wine Kerfmax.exe "$job" >/dev/null 2>&1) &
  window_pid=$!
  sleep 8
  DISPLAY=:87 import -window root "$picture"
  kill "$window_pid" 2>/dev/null || true
  "$WINESERVER" -k 2>/dev/null || true  # ends the window: this prefix is ours alone
  wait "$window_pid" 2>/dev/null || true
  "$WINESERVER" -p -f </dev/null >/dev/null 2>&1 &
  server_pid=$!
  check "picture $(basename "$picture")" test -s "$picture"
done
kill "$xvfb_pid" 2>/dev/null || true
exit $status
