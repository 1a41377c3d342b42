#!/bin/bash
# Checks that kerfmax-cli.exe under Wine writes exactly the bytes of the Linux
# build: the sample and generated jobs, each with every output option, and a
# job whose file name has Chinese characters. Run inside a Wine session
# (scripts/test-windows.sh runs it with its prefix and server).
#   scripts/compare-windows-convert.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR
set -euo pipefail

cd "$(dirname "$0")/.."
WINDOWS_CLI=$(realpath "$1")/kerfmax-cli.exe
LINUX_CLI=$(realpath "$2")/kerfmax-cli
for program in "$WINDOWS_CLI" "$LINUX_CLI"; do
  [ -x "$program" ] || { echo "missing $program" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A job of `outlines` closed outlines with pen-ups, pen-downs and Bezier
# sides, negative coordinates, CR LF and LF line ends and a few broken
# records, all from one seed so that a failure can be reproduced.
generate_job() {
  awk -v seed="$1" -v outlines="$2" 'BEGIN {
    srand(seed)
    for (i = 0; i < outlines; i++) {
      cx = int(rand() * 80000) - 20000; cy = int(rand() * 60000) - 10000
      r = 200 + int(rand() * 3000); n = 3 + int(rand() * 12)
      end = (rand() < 0.5) ? "\r\n" : "\n"
      for (k = 0; k < n; k++) {
        x = cx + int(cos(6.2831853 * k / n) * r); y = cy + int(sin(6.2831853 * k / n) * r)
        if (k == 0) { printf "PU%d,%d;%s", x, y, end; fx = x; fy = y }
        else printf "PD%d,%d;%s", x, y, end
      }
      if (rand() < 0.4) printf "BZ%d,%d,%d,%d,%d,%d;%s", cx + r, cy - r, cx - r, cy + 2 * r, fx, fy, end
      else printf "PD%d,%d;%s", fx, fy, end
      if (rand() < 0.05) printf "PDx,;%s", end
    }
    printf "SP0;\r\n"
  }'
}

cp resources/samples/sign.hb "$work/sign.hb"
generate_job 1 40 >"$work/small.hb"
generate_job 7 400 >"$work/medium.hb"
generate_job 42 4000 >"$work/large.hb"
cp "$work/medium.hb" "$work/标志.hb"

cat >"$work/settings.ini" <<'EOF'
[Offset]
ChkBladeOffset=1
BladeOffset=0.25
ChkOverCut=1
OverCut=0.8
CutOrder=1
EOF

option_sets=(
  ""
  "--dialect dmpl"
  "--no-blade-offset"
  "--blade-offset 0.5 --overcut 1.2"
  "--order reduce-feed"
  "--mirror"
  "--rotate 90"
  "--mirror --rotate 180"
  "--rotate 270 --frame 5,10,3,0"
  "--dialect dmpl --blade-offset 0.45 --overcut 2 --order reduce-feed --mirror --rotate 90 --frame 2,2,2,2"
  "--settings $work/settings.ini"
)

compared=0
failed=0
for job in "$work"/*.hb; do
  for options in "${option_sets[@]}"; do
    # shellcheck disable=SC2086 # the option sets are words on purpose
    "$LINUX_CLI" convert "$job" -o "$work/linux.plt" $options >/dev/null
    # shellcheck disable=SC2086
    wine "$WINDOWS_CLI" convert "$job" -o "$work/windows.plt" $options >/dev/null 2>"$work/wine.err" || {
      echo "FAILED under Wine: convert $(basename "$job") $options"; cat "$work/wine.err"; failed=$((failed + 1)); continue; }
    if cmp -s "$work/linux.plt" "$work/windows.plt"; then
      compared=$((compared + 1))
    else
      echo "DIFFERENT: convert $(basename "$job") $options"
      failed=$((failed + 1))
    fi
  done
done
echo "== convert under Wine: $compared of $((compared + failed)) outputs byte-identical to the Linux build"
[ "$failed" -eq 0 ]
