#!/bin/bash
# Tries the Windows installer under Wine, in a fresh prefix with a HOME of
# its own, as an administrator would:
#  1. the installer as shipped (no macro project), silent: the files, the
#     Start-menu entries and the entry in the list of programs are there, and
#     the host is left alone (no toolbar button without its macro);
#  2. from the installed folder, Kerfmax.exe -HideUI -AutoSend sends the
#     sample to a listener on 127.0.0.1:5000: exactly what kerfmax-cli.exe
#     convert writes;
#  3. an installer with a stand-in macro project, silent, over it: the
#     registration at the end puts the toolbar command and the macro into the
#     host's workspace;
#  4. the silent uninstall takes them out of the workspace and leaves none of
#     the files, shortcuts or registry keys.
#   scripts/test-installer-windows.sh [INSTALLER_DIR] [RELEASE_DIR]
#     (defaults: build-release, build-release/Kerfmax; made when missing)
set -euo pipefail

cd "$(dirname "$0")/.."
INSTALLER_DIR=$(realpath -m "${1:-build-release}")
RELEASE_DIR=$(realpath -m "${2:-build-release/Kerfmax}")
VERSION=$(bash scripts/project-version.sh)
installer=$INSTALLER_DIR/Kerfmax-Setup-$VERSION.exe
[ -f "$installer" ] || bash scripts/make-installer-windows.sh "$INSTALLER_DIR" "$RELEASE_DIR"

# shellcheck source=scripts/wine-test-session.sh
source scripts/wine-test-session.sh
wine_session_begin
host_workspace_add
user_settings_write 0

program_dir="$WINEPREFIX/drive_c/Program Files/Kerfmax"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kerfmax"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kerfmax'
registry_value() { wine reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v name="$1" '$1 == name {print $3}'; }
# Runs an installer or uninstaller and waits for every program it started.
run_silent() {
  local status=0
  timeout 300 wine "$@" || status=$?
  "$WINESERVER" -w
  return $status
}

echo "== 1. silent install, as shipped"
status=0
run_silent "$installer" /S || status=$?
check "the installer ended with exit 0 (it says $status)" test "$status" -eq 0
check "the programs are in Program Files\\Kerfmax" test -f "$program_dir/Kerfmax.exe" -a -f "$program_dir/kerfmax-cli.exe"
check "every file of the release folder is installed" diff -rq -x Uninstall.exe "$RELEASE_DIR" "$program_dir"
for shortcut in "Kerfmax.lnk" "Register with the host program.lnk" "Remove from the host program.lnk" "Read me.lnk"; do
  check "Start menu: $shortcut" test -f "$start_menu/$shortcut"
done
check "list of programs: name" test "$(registry_value DisplayName)" = Kerfmax
check "list of programs: version $VERSION" test "$(registry_value DisplayVersion)" = "$VERSION"
check "list of programs: publisher" bash -c "wine reg query '$uninstall_key' /v Publisher | grep -q 'The Kerfmax team'"
size_kb=$(($(registry_value EstimatedSize)))
check "list of programs: size ($size_kb KB)" test "$size_kb" -gt 1000
check "list of programs: uninstaller" bash -c "wine reg query '$uninstall_key' /v UninstallString | grep -q 'Uninstall.exe'"
check "no macro project: no toolbar command in the host" workspace_lacks_command
check "no macro project: no macro in the host" test ! -e "$macro_file"

echo "== 2. AutoSend from the installed folder"
cp resources/samples/sign.hb "$work/job.hb"
job=$(winepath -w "$work/job.hb")
(cd "$program_dir" && wine kerfmax-cli.exe convert "$job" -o "$(winepath -w "$work/expected.plt")" >/dev/null)
listener_start "$work/received.plt"
status=0
(cd "$program_dir" && timeout 120 wine Kerfmax.exe -HideUI -AutoSend "$job" -platform offscreen \
  >"$work/autosend.out" 2>&1) || status=$?
listener_stop
echo "   AutoSend: exit $status, $(stat -c %s "$work/received.plt" 2>/dev/null || echo 0) bytes received"
check "AutoSend ended with exit 0" test "$status" -eq 0
check "AutoSend delivered exactly what convert writes" cmp -s "$work/expected.plt" "$work/received.plt"

echo "== 3. silent install with a macro project, over it: registration"
printf 'macro project stand-in\r\n' >"$work/Kerfmax.dll"
KERFMAX_MACRO_PROJECT="$work/Kerfmax.dll" bash scripts/make-installer-windows.sh "$work/with-macro" "$RELEASE_DIR" |
  sed 's/^/   /'
status=0
run_silent "$work/with-macro/Kerfmax-Setup-$VERSION.exe" /S || status=$?
check "the installer ended with exit 0 (it says $status)" test "$status" -eq 0
check "registration put the toolbar command into the workspace" workspace_has_command
check "registration installed the macro project" cmp -s "$work/Kerfmax.dll" "$macro_file"

echo "== 4. silent uninstall"
status=0
run_silent "$program_dir/Uninstall.exe" /S || status=$?
check "the uninstaller ended with exit 0 (it says $status)" test "$status" -eq 0
check "the toolbar command is out of the workspace" workspace_lacks_command
check "the macro project is out of the host" test ! -e "$macro_file"
check "no program folder left" test ! -e "$program_dir"
check "no Start-menu folder left" test ! -e "$start_menu"
check "no entry in the list of programs left" bash -c "! wine reg query '$uninstall_key' >/dev/null 2>&1"
check "the user's settings stay" test -f "$user_dir/Documents/Kerfmax/Kerfmax.ini"
exit $check_status
