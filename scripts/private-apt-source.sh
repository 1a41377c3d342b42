#!/bin/bash
# Fetches and unpacks a Debian source package without touching the system's
# apt configuration: a private apt folder gets deb-src entries made from the
# system's own deb entries (one-line .list and deb822 .sources files), with
# its own package lists and cache. Used by the Windows cache builds.
#   scripts/private-apt-source.sh APT_DIR DEST_DIR PACKAGE[=VERSION]
# The unpacked source folder is printed on stdout; progress goes to stderr.
# The folder is unpacked afresh each time, so a killed run leaves nothing
# that looks finished; downloaded files are kept and checked again by apt.
set -euo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 APT_DIR DEST_DIR PACKAGE[=VERSION]" >&2
  exit 2
fi
APT_DIR=$1
DEST_DIR=$2
PACKAGE=$3

export DEBIAN_FRONTEND=noninteractive
if ! command -v dpkg-source >/dev/null; then
  echo "== installing dpkg-dev (for dpkg-source)" >&2
  apt-get update -qq >&2
  apt-get install -y -qq --no-install-recommends dpkg-dev xz-utils >&2
fi

# Only the distribution's own suites (bookworm, bookworm-updates, ...): other
# repositories seldom publish sources, and a missing index fails the update.
CODENAME=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$CODENAME" ] || { echo "no VERSION_CODENAME in /etc/os-release" >&2; exit 1; }

mkdir -p "$APT_DIR/sources.list.d" "$APT_DIR/lists/partial" "$APT_DIR/cache/archives/partial" "$DEST_DIR"
rm -f "$APT_DIR/sources.list.d/"*

one_line_lists=()
[ -f /etc/apt/sources.list ] && one_line_lists+=(/etc/apt/sources.list)
deb822_lists=()
for file in /etc/apt/sources.list.d/*; do
  case "$file" in
    *.list) one_line_lists+=("$file") ;;
    *.sources) deb822_lists+=("$file") ;;
  esac
done

: >"$APT_DIR/sources.list"
if ((${#one_line_lists[@]})); then
  awk -v codename="$CODENAME" '
    $1 == "deb" {
      rest = $0
      sub(/^[ \t]*deb[ \t]+/, "", rest)
      options = ""
      if (rest ~ /^\[/) {
        options = substr(rest, 1, index(rest, "]"))
        rest = substr(rest, index(rest, "]") + 1)
        sub(/^[ \t]+/, "", rest)
      }
      split(rest, word, /[ \t]+/)
      suite = word[2]
      if (suite == codename || index(suite, codename "-") == 1)
        print "deb-src " (options == "" ? "" : options " ") rest
    }' "${one_line_lists[@]}" >"$APT_DIR/sources.list"
fi
if ((${#deb822_lists[@]})); then
  # One stanza per paragraph; comment lines are dropped, continuation lines
  # (an inline Signed-By key) are kept as they are.
  awk -v codename="$CODENAME" '
    BEGIN { RS = ""; FS = "\n" }
    {
      out = ""; has_deb = 0; enabled = 1; suites = ""
      for (i = 1; i <= NF; i++) {
        line = $i
        if (line ~ /^#/) continue
        if (line ~ /^[ \t]/) { out = out line "\n"; continue }
        key = tolower(line); sub(/:.*/, "", key)
        value = line; sub(/^[^:]*:[ \t]*/, "", value)
        if (key == "types") {
          n = split(value, type, /[ \t]+/)
          for (j = 1; j <= n; j++) if (type[j] == "deb") has_deb = 1
          out = out "Types: deb-src\n"
        } else if (key == "suites") {
          n = split(value, suite, /[ \t]+/)
          for (j = 1; j <= n; j++)
            if (suite[j] == codename || index(suite[j], codename "-") == 1) suites = suites " " suite[j]
          out = out "Suites:" suites "\n"
        } else {
          if (key == "enabled" && tolower(value) == "no") enabled = 0
          out = out line "\n"
        }
      }
      if (has_deb && enabled && suites != "") printf "%s\n", out
    }' "${deb822_lists[@]}" >"$APT_DIR/sources.list.d/system.sources"
fi
if ! grep -q . "$APT_DIR/sources.list" "$APT_DIR/sources.list.d/"* 2>/dev/null; then
  echo "no deb entries for $CODENAME in /etc/apt to make deb-src entries from" >&2
  exit 1
fi

APT_OPTIONS=(
  -o Dir::Etc::SourceList="$APT_DIR/sources.list"
  -o Dir::Etc::SourceParts="$APT_DIR/sources.list.d"
  -o Dir::State::Lists="$APT_DIR/lists"
  -o Dir::Cache="$APT_DIR/cache"
)

start=$(date +%s)
echo "== private apt: updating the source lists in $APT_DIR" >&2
apt-get "${APT_OPTIONS[@]}" -q update >&2

# The .dsc's name from apt itself, so the right version is unpacked even when
# older downloads are still in DEST_DIR. Asked from an empty folder: apt
# leaves files it already has out of the list.
empty_dir=$(mktemp -d "$APT_DIR/uris.XXXXXX")
dsc=$(cd "$empty_dir" && apt-get "${APT_OPTIONS[@]}" -qq --print-uris source "$PACKAGE" |
  awk '$2 ~ /\.dsc$/ && !found { print $2; found = 1 }')
rmdir "$empty_dir"
[ -n "$dsc" ] || { echo "apt knows no source package $PACKAGE" >&2; exit 1; }

# apt downloads as the _apt user where it can write; otherwise it warns.
if [ "$(id -u)" = 0 ] && id _apt >/dev/null 2>&1; then
  chown _apt "$DEST_DIR"
fi
echo "== private apt: fetching $dsc" >&2
(cd "$DEST_DIR" && apt-get "${APT_OPTIONS[@]}" -q --download-only source "$PACKAGE" >&2)

unpacked="$DEST_DIR/${dsc%.dsc}"
rm -rf "$unpacked"
echo "== unpacking into $unpacked" >&2
dpkg-source -x "$DEST_DIR/$dsc" "$unpacked" >&2
echo "== source ready in $(($(date +%s) - start)) s" >&2
echo "$unpacked"
