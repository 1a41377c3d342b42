#!/usr/bin/env bash
# Builds with gcc's coverage counters, runs the whole suite and reports the
# line and branch coverage of the program's own code (not tests/, bench/,
# fuzz/ or files the build generates), per folder and in total:
#   scripts/coverage.sh [BUILD_DIR]        (default build-cov)
# The report is printed and written to BUILD_DIR/coverage.txt; the per-file
# figures are in BUILD_DIR/coverage.json. Branches only taken by a thrown
# exception, and those the compiler marks unreachable, are left out: they are
# the compiler's, not the source's.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd -P)
dir=${1:-build-cov}
start=$(date +%s)
command -v gcovr >/dev/null || {
  echo "gcovr is missing: run scripts/install-deps.sh as root" >&2
  exit 2
}

# No ccache: the counters' notes files must come from this very compile.
CC=gcc CXX=g++ bash scripts/build.sh "$dir" -DKERFMAX_TESTS=ON -DKERFMAX_COVERAGE=ON \
  -DCMAKE_CXX_COMPILER_LAUNCHER=
built=$(date +%s)

# Counts of an earlier run would add up with this one's.
find "$dir" -name '*.gcda' -delete
suite=0
ctest --test-dir "$dir" --parallel 2 --timeout 600 --output-on-failure >"$dir/coverage-ctest.log" 2>&1 || suite=$?
tail -n 3 "$dir/coverage-ctest.log"
ran=$(date +%s)

folders="platform xml geometry cutter host app run gui cli"
# Code that runs on two threads at once can leave a counter below zero (the
# counters are not atomic): gcov's line for it is skipped, not the whole file.
# Only the build folder is searched: a Wine prefix in another build folder links to the whole disk.
gcovr "$dir" --root "$root" --object-directory "$dir" -j 2 --gcov-ignore-parse-errors \
  --filter "$root/($(tr ' ' '|' <<<"$folders"))/" \
  --exclude-throw-branches --exclude-unreachable-branches \
  --json-summary-pretty --json-summary "$dir/coverage.json" >/dev/null

python3 - "$dir/coverage.json" "$folders" >"$dir/coverage.txt" <<'EOF'
import json, sys
from collections import defaultdict

files = json.load(open(sys.argv[1]))["files"]
sums = defaultdict(lambda: [0, 0, 0, 0])
for f in files:
    folder = f["filename"].split("/")[0]
    for key in (folder, "total"):
        s = sums[key]
        s[0] += f["line_covered"]; s[1] += f["line_total"]
        s[2] += f["branch_covered"]; s[3] += f["branch_total"]

def share(covered, total):
    return f"{covered:6}/{total:<6} {100.0 * covered / total if total else 0:5.1f} %"

print("Coverage of the program's code by the whole suite")
print(f"{'folder':10} {'lines':>22}   {'branches':>22}")
for folder in sys.argv[2].split() + ["total"]:
    s = sums[folder]
    print(f"{folder:10} {share(s[0], s[1]):>22}   {share(s[2], s[3]):>22}")
EOF
{
  echo "suite: exit code $suite (log in $dir/coverage-ctest.log)"
  echo "time: build $((built - start)) s, suite $((ran - built)) s, report $(($(date +%s) - ran)) s"
} >>"$dir/coverage.txt"
cat "$dir/coverage.txt"
