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
bash scripts/ensure-packages.sh xvfb xauth imagemagick fonts-wqy-microhei

# shellcheck source=scripts/wine-test-session.sh
source scripts/wine-test-session.sh
wine_session_begin

# 1. AutoSend to a loopback listener.
user_settings_write 0
cp resources/samples/sign.hb "$work/job.hb"
listener_start "$work/received.plt"
(cd "$RELEASE_DIR" && wine kerfmax-cli.exe convert "$work/job.hb" -o "$work/expected.plt" >/dev/null)
started=$(date +%s)
# A Windows path: on Windows a word that begins with "/" is a switch.
job=$(winepath -w "$work/job.hb")
run_status=0
(cd "$RELEASE_DIR" && timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" wine Kerfmax.exe -HideUI -AutoSend "$job") ||
  run_status=$?
listener_stop
echo "   AutoSend run: exit $run_status after $(($(date +%s) - started)) s; $(stat -c %s "$work/received.plt" 2>/dev/null || echo 0) bytes received"
check "the AutoSend run ended by itself" test "$run_status" -ne 124
check "AutoSend delivered exactly what convert writes" cmp -s "$work/expected.plt" "$work/received.plt"

# 2. Registration into a workspace package of the host, and back out.
host_workspace_add
# The macro project is made in the host from Cutter.bas and saved beside the
# program as Kerfmax.dll: a stand-in plays it, in a copy of the folder.
installed="$work/installed"
cp -r "$RELEASE_DIR" "$installed"
printf 'macro project stand-in\r\n' >"$installed/Kerfmax.dll"
for pass in -RegCorelWorkSpace -UnRegCorelWorkSpace; do
  # Unattended: the offscreen platform prints the closing message instead of
  # a box (Wine passes no QT_* variables on, so it is named on the command line).
  (cd "$installed" && timeout 60 wine Kerfmax.exe "$pass" -platform offscreen >"$work/pass.out" 2>&1) || true
  said=$(tr -d '\r' <"$work/pass.out" | tr '\n' ' ')
  echo "   $pass said: $said"
  if [ "$pass" = -RegCorelWorkSpace ]; then
    check "registration put the toolbar command into the workspace" workspace_has_command
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
window_is_up() { wine "$PROBE" "Kerfmax  " >/dev/null 2>&1; }
wine_session_end
for language in 0 1; do
  user_settings_write "$language"
  picture="$OUT_DIR/main-window-$([ "$language" = 1 ] && echo zh || echo en).png"
  (cd "$installed" && wine Kerfmax.exe "$job" >/dev/null 2>&1) &
  window_pid=$!
  # The probe with no report waits until the window is up.
  check "the main window showed (language $language)" window_is_up
  sleep 2  # its first paint
  import -window root "$picture"
  if [ "$language" = 0 ]; then copy_data_reports; fi
  kill "$window_pid" 2>/dev/null || true
  wine_session_end
  wait "$window_pid" 2>/dev/null || true
  check "picture $(basename "$picture")" test -s "$picture"
done
kill "$xvfb_pid" 2>/dev/null || true
exit $check_status
