#!/usr/bin/env bash
# Counts the lines of code that are neither blank nor only a comment, in the
# .cpp and .h files of the tree (build folders and ignored files left out):
# those under tests/ against the program's own (outside tests/, fuzz/ and
# bench/), and their ratio.
#   scripts/count-test-lines.sh [-v]     (-v: a count per folder as well)
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' |
  python3 -c '
import sys
from collections import Counter

def digit_separator(line, i):
    """The quote in 1'\''000'\''000."""
    start = i
    while start > 0 and (line[start - 1].isalnum() or line[start - 1] in "_'\''"):
        start -= 1
    return start < i and line[start].isdigit()

def code_lines(text):
    """Lines with something besides blanks and comments; string and character
    literals are skipped so that "//" or "/*" inside them is not a comment."""
    count, in_block = 0, False
    for line in text.splitlines():
        code, i = False, 0
        while i < len(line):
            if in_block:
                end = line.find("*/", i)
                if end < 0:
                    break
                in_block, i = False, end + 2
            elif line.startswith("//", i):
                break
            elif line.startswith("/*", i):
                in_block, i = True, i + 2
            elif line[i] in "\"'\''" and not digit_separator(line, i):
                quote, i, code = line[i], i + 1, True
                while i < len(line) and line[i] != quote:
                    i += 2 if line[i] == "\\" else 1
                i += 1
            else:
                code = code or not line[i].isspace()
                i += 1
        count += code
    return count

verbose = "-v" in sys.argv
tests, program, folders = 0, 0, Counter()
for path in sys.stdin.read().split("\0"):
    if not path:
        continue
    top = path.split("/")[0]
    if top in ("fuzz", "bench"):
        continue
    with open(path, encoding="utf-8", errors="replace") as f:
        n = code_lines(f.read())
    parts = path.split("/")
    # tests/ per test folder, the program per top folder
    folders["/".join(parts[:2]) if top == "tests" and len(parts) > 2 else top if len(parts) > 1 else "."] += n
    if top == "tests":
        tests += n
    else:
        program += n
if verbose:
    for folder, n in sorted(folders.items()):
        print(f"{folder:16} {n:7}")
print(f"tests   {tests:7}")
print(f"code    {program:7}")
print(f"ratio   {100.0 * tests / program:7.1f} %")
' "$@"
