#!/bin/bash
# Shared by the scripts that try the Windows programs under Wine as a user
# would (sourced, not run). Everything lives under one work folder: the Wine
# prefix, and the HOME that Wine links the user's Documents into, so a run
# writes nothing outside it (no ~/Kerfmax/Kerfmax.ini of the real user).
#   wine_session_begin         a fresh work folder ($work) with the prefix in
#                              $work/prefix and HOME=$work/home, all removed at exit
#   wine_session_end           ends the prefix's programs and its server
#   host_workspace_add         a host version 19.0 with a workspace package
#   workspace_has_command / workspace_lacks_command   the toolbar command in it
#   listener_start FILE / listener_stop    a cutter on 127.0.0.1:5000
#   check DESCRIPTION COMMAND...           ok / FAILED, sets check_status=1

check_status=0
check() {
  local what=$1
  shift
  if "$@"; then echo "   ok: $what"; else echo "   FAILED: $what"; check_status=1; fi
}

wine_session_cleanup() {
  listener_stop
  wine_session_end
  rm -rf "$work"
}

wine_session_begin() {
  bash scripts/ensure-packages.sh wine wine64 socat p7zip-full
  work=$(mktemp -d)
  trap wine_session_cleanup EXIT
  mkdir -p "$work/home" "$work/prefix"
  export HOME="$work/home" WINEPREFIX="$work/prefix"
  # No Mono or Gecko prompts, and no menu entries written into HOME.
  export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_CONFIG_HOME XDG_DOCUMENTS_DIR
  export LC_ALL=C.UTF-8  # Wine turns non-ASCII file names into garbage under the C locale
  WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
  wine wineboot --init </dev/null >"$work/wineboot.log" 2>&1
  "$WINESERVER" -w
  user_dir="$WINEPREFIX/drive_c/users/$(id -un)"
  case "$(realpath -m "$user_dir/Documents")" in
    "$work"/*) ;;
    *) echo "Wine's Documents folder is outside $work" >&2; return 1 ;;
  esac
}

wine_session_end() {
  "$WINESERVER" -k 2>/dev/null || true  # ends its programs: this prefix is ours alone
}

# A host of version 19.0 whose workspace is a package with one toolbar.
host_workspace_add() {
  local stage
  stage=$(mktemp -d)
  workspace_dir="$user_dir/Corel/19/Workspace"
  macro_file="$user_dir/Corel/19/GMS/Kerfmax.gms"
  mkdir -p "$stage/content" "$workspace_dir"
  printf '%s\r\n' '<?xml version="1.0" encoding="utf-8"?>' '<uiConfig>' '<frame><dockBar position="float"/></frame>' \
    '<commandBars><commandBarData guid="bar-1" type="toolbar"><toolbar><item guidRef="x1"/></toolbar></commandBarData></commandBars>' \
    '<items><itemData guid="i1" dynamicCommand="A.B.C"/></items>' '</uiConfig>' >"$stage/content/workspace.xml"
  (cd "$stage" && 7z a -tzip -r "$workspace_dir/Mine.cdws" . >/dev/null)
  rm -rf "$stage"
  wine reg add 'HKCU\Software\Corel\CorelDRAW\19.0\Draw' /v LastCorelWorkspaceUsed /t REG_SZ \
    /d "C:\\users\\$(id -un)\\Corel\\19\\Workspace\\Mine.cdws" /f >/dev/null
  wine reg add 'HKCU\Software\Corel\CorelDRAW\19.0\Draw\Application Preferences\Directories' /v EmbedObjDir \
    /t REG_SZ /d "C:\\users\\$(id -un)\\Corel\\19\\" /f >/dev/null
}

workspace_has_command() {
  7z x -so "$workspace_dir/Mine.cdws" content/workspace.xml 2>/dev/null | grep -q "Kerfmax.Cutter.Cutting"
}
workspace_lacks_command() { ! workspace_has_command; }

# The listener keeps its end open after our end of stream, as a cutter does:
# a peer that closes first is shown as "Socket Close!!!".
listener_pid=
listener_start() {
  timeout 150 socat -t 140 TCP-LISTEN:5000,bind=127.0.0.1,reuseaddr SYSTEM:"cat >'$1'; sleep 140" &
  listener_pid=$!
  sleep 0.5
}
listener_stop() {
  [ -n "$listener_pid" ] || return 0
  kill "$listener_pid" 2>/dev/null || true
  wait "$listener_pid" 2>/dev/null || true
  listener_pid=
}

# Settings of the user: the network port on 127.0.0.1, and the language.
user_settings_write() {
  mkdir -p "$user_dir/Documents/Kerfmax"
  printf '[Device]\r\nPortS=Network Port\r\nIP=127.0.0.1\r\nLangage=%s\r\n' "${1:-0}" \
    >"$user_dir/Documents/Kerfmax/Kerfmax.ini"
}
