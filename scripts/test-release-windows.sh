#!/bin/bash
# Runs the release folder under Wine, from that folder alone, as a user would:
#  1. Kerfmax.exe -HideUI -AutoSend job.hb sends the sample to a listener on
#     127.0.0.1:5000 (settings: the network port); the bytes must be exactly
#     what kerfmax-cli.exe convert writes for it;
#  2. Kerfmax.exe -RegCorelWorkSpace, then -UnRegCorelWorkSpace, against a
#     host workspace package written into the prefix's registry and files;
#  3. pictures of the main window in English and Chinese (OUT_DIR).
#  4. copy-data progress reports sent to that window by a probe program
#     from the cross build (BUILD_DIR), as the USB sender does.
#   scripts/test-release-windows.sh [RELEASE_DIR] [OUT_DIR] [BUILD_DIR]
#     (defaults: build-release/Kerfmax, build-release/screenshots, build-win)
set -euo pipefail

cd "$(dirname "$0")/.."
RELEASE_DIR=$(realpath "${1:-build-release/Kerfmax}")
OUT_DIR=$(realpath -m "${2:-build-release/screenshots}")
PROBE=$(realpath -m "${3:-build-win}/tests/kerfmax_copydata_probe.exe")
[ -f "$PROBE" ] || { echo "no copy-data probe in $PROBE (scripts/build-windows.sh builds it)" >&2; exit 1; }
[ -f "$RELEASE_DIR/Kerfmax.exe" ] || { echo "no release folder in $RELEASE_DIR" >&2; exit 1; }
bash scripts/ensure-packages.sh wine wine64 socat p7zip-full xvfb xauth imagemagick fonts-wqy-microhei

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export LC_ALL=C.UTF-8  # Wine turns non-ASCII file names into garbage under the C locale
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
mkdir -p "$WINEPREFIX"
start_wine_session() {
  "$WINESERVER" -p -f </dev/null >/dev/null 2>&1 &
  server_pid=$!
}
stop_wine_session() {
  "$WINESERVER" -k 2>/dev/null || true  # ends its programs: this prefix is ours alone
  kill "$server_pid" 2>/dev/null || true  # a persistent server outlives -k
  wait "$server_pid" 2>/dev/null || true
}
start_wine_session
listener_pid=
cleanup() {
  [ -n "$listener_pid" ] && kill "$listener_pid" 2>/dev/null
  stop_wine_session
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
# The listener keeps its end open after our end of stream, as a cutter does:
# a peer that closes first is shown as "Socket Close!!!", a box that waits
# for a click (the run would then be stopped after 120 s).
timeout 150 socat -t 140 TCP-LISTEN:5000,bind=127.0.0.1,reuseaddr \
  SYSTEM:"cat >'$work/received.plt'; sleep 140" &
listener_pid=$!
sleep 0.5
(cd "$RELEASE_DIR" && wine kerfmax-cli.exe convert "$work/job.hb" -o "$work/expected.plt" >/dev/null)
started=$(date +%s)
# A Windows path: on Windows a word that begins with "/" is a switch.
job=$(winepath -w "$work/job.hb")
run_status=0
(cd "$RELEASE_DIR" && timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" wine Kerfmax.exe -HideUI -AutoSend "$job") ||
  run_status=$?
kill "$listener_pid" 2>/dev/null || true
wait "$listener_pid" 2>/dev/null || true
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
wine reg add 'HKCU\Software\Corel\CorelDRAW\19.0\Draw\Application Preferences\Directories' /v EmbedObjDir \
  /t REG_SZ /d "C:\\users\\$(id -un)\\Corel\\19\\" /f >/dev/null
# The macro project is made in the host from Cutter.bas and saved beside the
# program as Kerfmax.dll: a stand-in plays it, in a copy of the folder.
installed="$work/installed"
cp -r "$RELEASE_DIR" "$installed"
printf 'macro project stand-in\r\n' >"$installed/Kerfmax.dll"
macro_file="$user_dir/Corel/19/GMS/Kerfmax.gms"
workspace_xml() { 7z x -so "$workspace_dir/Mine.cdws" content/workspace.xml 2>/dev/null; }
workspace_lacks_command() { ! workspace_xml | grep -q "Kerfmax.Cutter.Cutting"; }
for pass in -RegCorelWorkSpace -UnRegCorelWorkSpace; do
  # Unattended: the offscreen platform prints the closing message instead of
  # a box (Wine passes no QT_* variables on, so it is named on the command line).
  (cd "$installed" && timeout 60 wine Kerfmax.exe "$pass" -platform offscreen >"$work/pass.out" 2>&1) || true
  said=$(tr -d '\r' <"$work/pass.out" | tr '\n' ' ')
  echo "   $pass said: $said"
  if [ "$pass" = -RegCorelWorkSpace ]; then
    check "registration put the toolbar command into the workspace" grep -q "Kerfmax.Cutter.Cutting" <(workspace_xml)
    check "registration installed the macro project" cmp -s "$installed/Kerfmax.dll" "$macro_file"
    check "registration named the host version" grep -q "^Install CorelDraw 2017 Success !" <<<"$said"
  else
    check "unregistration took it out again" workspace_lacks_command
    check "unregistration removed the macro project" test ! -e "$macro_file"
    check "unregistration named the host version" grep -q "^Uninstall CorelDraw 2017 Success !" <<<"$said"
  fi
done

# The other process of a USB send reports through the copy-data message:
# 57 moves the bar and nothing else; 100 completes, which opens the
# "Send finished!" box (so that report is not answered while the box is up).
copy_data_reports() {
  local said
  said=$(wine "$PROBE" "Kerfmax  " 57 2>/dev/null | tr -d '\r')
  import -window root "$OUT_DIR/copy-data-57.png"
  said="$said $(wine "$PROBE" "Kerfmax  " 100 2>/dev/null | tr -d '\r')"
  import -window root "$OUT_DIR/copy-data-100.png"
  echo "   copy-data reports: $said"
  check "copy-data report 57 moved the bar and opened nothing" grep -q "^57 answered 1$" <<<"${said%% 100*}"
  check "copy-data report 100 completed the send and opened a box" grep -q "100 unanswered 2" <<<"$said"
}

# 3. Pictures of the main window as the program shows it (windows platform,
#    Wine's X11 driver, a virtual screen), taken from the screen. Wine ties a
#    session's windows to the display its first program saw, so the session
#    is restarted with this one. Under Wine, Qt's own Windows font engine
#    leaves line edits empty; Qt's FreeType engine, named in a qt.conf of the
#    installed copy, draws them.
mkdir -p "$OUT_DIR"
Xvfb :87 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=:87
printf '[Platforms]\r\nWindowsArguments = fontengine=freetype\r\n' >"$installed/qt.conf"
restart_wine_session() {
  stop_wine_session
  start_wine_session
}
window_is_up() { wine "$PROBE" "Kerfmax  " >/dev/null 2>&1; }
restart_wine_session
sleep 1
for language in 0 1; do
  printf '[Device]\r\nPortS=Network Port\r\nIP=127.0.0.1\r\nLangage=%s\r\n' "$language" \
    >"$user_dir/Documents/Kerfmax/Kerfmax.ini"
  picture="$OUT_DIR/main-window-$([ "$language" = 1 ] && echo zh || echo en).png"
  (cd "$installed" && wine Kerfmax.exe "$job" >/dev/null 2>&1) &
  window_pid=$!
  # The probe with no report waits until the window is up.
  check "the main window showed (language $language)" window_is_up
  sleep 2  # its first paint
  import -window root "$picture"
  if [ "$language" = 0 ]; then copy_data_reports; fi
  kill "$window_pid" 2>/dev/null || true
  restart_wine_session
  wait "$window_pid" 2>/dev/null || true
  check "picture $(basename "$picture")" test -s "$picture"
done
kill "$xvfb_pid" 2>/dev/null || true
exit $status
