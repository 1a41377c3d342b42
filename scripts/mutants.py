#!/usr/bin/env python3
"""A seeded sample of simple mutations of the program's code, and which of
them the tests catch.

Each mutant changes one line of a .cpp file in geometry/, cutter/, run/, app/
or host/: a comparison turned into its opposite, an integer constant off by
one, an if/while condition negated, or a call or assignment statement
removed. The lines are drawn by a hash of SEED and the line itself, so the same
source gives the same mutants, and an edit elsewhere leaves them as they are. Each mutant is applied in a git worktree (never the working tree it
is started from), built with ninja (only what changed), and the test programs
that can see it are run with a time limit; then the file is restored.

  scripts/mutants.py RESULTS.tsv [--only N] [--folders geometry,cutter]
                     [--ids 3,17] [--fresh] [--list] [--summary]
                     [--worktree /work/mutwt] [--build-dir DIR]

RESULTS.tsv gets one line per mutant (id, file:line, kind, original line,
mutated line, result, the test that caught it); a run on an existing
RESULTS.tsv of the same commit goes on where it stopped. The summary goes to
standard output and to RESULTS.summary.txt.

The worktree must exist (git worktree add /work/mutwt HEAD) and be clean;
its build folder is configured here on first use (no window: the window's
tests are slow to build and run, and the core's folders have their own).
"""

import argparse
import hashlib
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
from collections import Counter, defaultdict
from pathlib import Path

SEED = 20231123
# Mutants per folder; the folders with more code get more.
QUOTAS = {"geometry": 70, "cutter": 45, "run": 40, "app": 40, "host": 35}

# The test programs that see a folder's code: its own, and those of the
# folders above it that use it and run quickly.
TEST_PROGRAMS = {
    "geometry": ["kerfmax_tests_geometry", "kerfmax_tests_cli"],
    "cutter": ["kerfmax_tests_cutter", "kerfmax_tests_run"],
    "host": ["kerfmax_tests_host", "kerfmax_tests_cli"],
    "app": ["kerfmax_tests_app", "kerfmax_tests_run", "kerfmax_tests_cli"],
    "run": ["kerfmax_tests_run", "kerfmax_tests_cli"],
}
# Cases that wait a minute or more of real time for a peer that pauses or
# vanishes: each would add minutes to every mutant that survives the rest.
# The link tests around them stay.
SLOW_CASES = {
    "kerfmax_tests_cutter": "TcpBusyCutter.*:TcpGoneCutter.*:SerialLink.AReaderThatPausesAMinute*",
}
# A program gets 3 times its unmutated run time (at least a minute: on a
# loaded machine short programs vary more than that). One that runs over is
# run once more with 3 times that limit, so that a busy moment of the machine
# does not count as a hang.
TIME_LIMIT_FACTOR = 3.0
TIME_LIMIT_MINIMUM = 60.0

COMPARISONS = {"<": ">=", "<=": ">", ">": "<=", ">=": "<", "==": "!=", "!=": "=="}
KINDS = ("comparison", "constant", "condition", "statement")


# ---------------------------------------------------------------- reading code


def masked_lines(text):
    """The file's lines with comments and the insides of string and character
    literals replaced by blanks (same length), so that operators found in a
    masked line are code. Preprocessor lines come back empty."""
    out, in_block = [], False
    for line in text.split("\n"):
        chars, i = list(line), 0
        if not in_block and line.lstrip().startswith("#"):
            out.append(" " * len(line))
            continue
        while i < len(line):
            if in_block:
                end = line.find("*/", i)
                stop = len(line) if end < 0 else end + 2
                chars[i:stop] = " " * (stop - i)
                in_block, i = end < 0, stop
            elif line.startswith("//", i):
                chars[i:] = " " * (len(line) - i)
                break
            elif line.startswith("/*", i):
                in_block = True
            elif line.startswith('R"', i) and (i == 0 or not (line[i - 1].isalnum() or line[i - 1] == "_")):
                # A raw string: mask it to its end on this line, or the whole line.
                open_paren = line.find("(", i)
                delimiter = line[i + 2 : open_paren] if open_paren > 0 else ""
                end = line.find(")" + delimiter + '"', open_paren + 1) if open_paren > 0 else -1
                stop = len(line) if end < 0 else end + len(delimiter) + 2
                chars[i:stop] = " " * (stop - i)
                i = stop
            elif line[i] in "\"'" and not digit_separator(line, i):
                quote, j = line[i], i + 1
                while j < len(line) and line[j] != quote:
                    j += 2 if line[j] == "\\" else 1
                chars[i + 1 : min(j, len(line))] = " " * (min(j, len(line)) - i - 1)
                i = j + 1
            else:
                i += 1
        out.append("".join(chars))
    return out


def digit_separator(line, i):
    start = i
    while start > 0 and (line[start - 1].isalnum() or line[start - 1] in "_'"):
        start -= 1
    return start < i and line[start].isdigit()


def matching_paren(masked, open_index):
    depth = 0
    for k in range(open_index, len(masked)):
        if masked[k] == "(":
            depth += 1
        elif masked[k] == ")":
            depth -= 1
            if depth == 0:
                return k
    return -1


# ------------------------------------------------------------ mutation finders


def comparison_mutants(line, masked):
    # Binary comparisons are written with a blank either side; template
    # brackets and shifts are not.
    for m in re.finditer(r"(?<= )(<=|>=|==|!=|<|>)(?= )", masked):
        op = m.group(1)
        yield "comparison", line[: m.start()] + COMPARISONS[op] + line[m.end() :]


INTEGER = re.compile(r"(?<![\w.'])(\d+)([uUlL]*)(?![\w.'])")
EXPONENT = re.compile(r"[0-9a-fA-F.][eEpP][+-]$")


def constant_mutants(line, masked):
    for m in INTEGER.finditer(masked):
        if EXPONENT.search(masked, 0, m.start()):
            continue  # the exponent of 1e-5 or 0x1.8p+3
        value = int(m.group(1), 8 if len(m.group(1)) > 1 and m.group(1).startswith("0") else 10)
        yield "constant", (value, line, m)


CONDITION = re.compile(r"\b(if|while)\s*\(")
# if (auto found = Find(...)): a declaration, not an expression to negate.
DECLARATION = re.compile(r"^\s*[\w:<>,]+[\s&*]+\w+\s*(=[^=]|\{)")


def condition_mutants(line, masked):
    for m in CONDITION.finditer(masked):
        if masked[m.end() :].lstrip().startswith("constexpr"):
            continue
        open_index = m.end() - 1
        close = matching_paren(masked, open_index)
        if close < 0:
            continue  # the condition goes on over the next line
        inner_start = open_index + 1
        semicolon = masked.rfind(";", inner_start, close)
        if semicolon >= 0:  # if (init; condition)
            inner_start = semicolon + 1
            while inner_start < close and line[inner_start] == " ":
                inner_start += 1
        condition = line[inner_start:close]
        if not condition.strip() or DECLARATION.match(condition):
            continue
        yield "condition", line[:inner_start] + "!(" + condition + ")" + line[close:]


ASSIGNMENT = re.compile(r"^[\w.\->\[\]*()]+ *(=|\+=|-=|\*=|/=|%=|\|=|&=|\^=|<<=|>>=) ")
CALL = re.compile(r"^[\w:.\->\[\]*()]+(<[\w:, ]*>)?\(")
INCREMENT = re.compile(r"^(\+\+|--)[\w.\->]+;$|^[\w.\->]+(\+\+|--);$")
NOT_STATEMENTS = ("return", "break", "continue", "using", "typedef", "namespace", "case", "default",
                  "goto", "throw", "static_assert", "delete", "co_")


def statement_mutants(line, masked, previous_code):
    code = masked.strip()
    if not code.endswith(";") or code.startswith(NOT_STATEMENTS) or re.search(r"= *(default|delete) *;$", code):
        return
    # The statement must start on this line and not be the body of an
    # if/for/while/else written without braces.
    if previous_code and not previous_code.endswith((";", "{", "}", ":")):
        return
    if code.count("(") != code.count(")") or code.count("{") != code.count("}"):
        return
    if ASSIGNMENT.match(code) or CALL.match(code) or INCREMENT.match(code):
        indent = line[: len(line) - len(line.lstrip())]
        yield "statement", indent + "// (removed) " + line.strip()


def committed_text(root, path):
    # The committed file, not the one on disk: that may carry a mutant now.
    return run(["git", "-C", str(root), "show", "HEAD:" + path]).stdout


def candidates_of(path, root):
    text = committed_text(root, path)
    lines = text.split("\n")
    masked = masked_lines(text)
    previous_code = ""
    found = []
    for number, (line, mline) in enumerate(zip(lines, masked), start=1):
        if mline.strip():
            if not mline.lstrip().startswith(("static_assert", "template")):
                for kind, mutated in comparison_mutants(line, mline):
                    found.append((path, number, kind, line, mutated))
                for kind, (value, original, m) in constant_mutants(line, mline):
                    found.append((path, number, kind, line, (value, m.start(), m.end(), m.group(2))))
                for kind, mutated in condition_mutants(line, mline):
                    found.append((path, number, kind, line, mutated))
                for kind, mutated in statement_mutants(line, mline, previous_code):
                    found.append((path, number, kind, line, mutated))
            previous_code = mline.strip()
    return found


# ------------------------------------------------------------------ selection


def draw_key(path, kind, line, mutated):
    """A candidate's place in the draw: a hash of the seed and the candidate
    itself, so that edits elsewhere in the code leave the sample as it was."""
    text = "%d\0%s\0%s\0%s\0%s" % (SEED, path, kind, line.strip(), mutated)
    return hashlib.sha256(text.encode()).hexdigest()


def select_mutants(root):
    """The sample: per folder, its quota drawn kind by kind in turn, at most
    one mutant per line; ids in drawing order, with the folders interleaved
    so that any first N spans them all."""
    per_folder = {}
    for folder in QUOTAS:
        listed = run(["git", "-C", str(root), "ls-tree", "--name-only", "HEAD", folder + "/"]).stdout.split()
        files = sorted(p for p in listed if p.endswith(".cpp"))
        by_kind = defaultdict(list)
        for path in files:
            for path_, number, kind, line, mutated in candidates_of(path, root):
                key = draw_key(path, kind, line, repr(mutated[1:]) if kind == "constant" else mutated)
                if kind == "constant":
                    value, start, end, suffix = mutated
                    delta = 1 if value == 0 or int(key[-1], 16) % 2 else -1
                    mutated = line[:start] + str(value + delta) + suffix + line[end:]
                by_kind[kind].append((key, number, path, line, mutated))
        for kind in KINDS:
            by_kind[kind].sort(reverse=True)  # drawn from the end
        chosen, used_lines = [], set()
        while len(chosen) < QUOTAS[folder] and any(by_kind[k] for k in KINDS):
            for kind in KINDS:
                while by_kind[kind] and len(chosen) < QUOTAS[folder]:
                    key, number, path, line, mutated = by_kind[kind].pop()
                    if (path, number) in used_lines:
                        continue
                    used_lines.add((path, number))
                    chosen.append((folder, path, number, kind, line, mutated))
                    break
        per_folder[folder] = chosen
    mutants = []
    for i in range(max(len(c) for c in per_folder.values())):
        for folder in QUOTAS:
            if i < len(per_folder[folder]):
                mutants.append(per_folder[folder][i])
    return [dict(id=n, folder=f, path=p, line=l, kind=k, original=o, mutated=m)
            for n, (f, p, l, k, o, m) in enumerate(mutants, start=1)]


# ------------------------------------------------------------------- running


def run(command, cwd=None):
    return subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          errors="replace")


def run_limited(command, cwd, timeout):
    """(exit code or None on time-out, output). The program runs in a process
    group of its own, ended with everything it started (peers, ptys) when it
    runs over the limit or leaves them behind."""
    with tempfile.TemporaryFile() as output:
        process = subprocess.Popen(command, cwd=cwd, stdout=output, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        try:
            code = process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            code = None
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        process.wait()
        output.seek(0)
        return code, output.read().decode(errors="replace")


def configure(build_dir, worktree):
    if (build_dir / "build.ninja").exists():
        return
    launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if run(["which", "ccache"]).returncode == 0 else []
    # Optimised lightly and without debug information: quick to compile and link.
    result = run(["cmake", "-S", str(worktree), "-B", str(build_dir), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                  "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -g0", "-DKERFMAX_GUI=OFF", "-DKERFMAX_TESTS=ON"] + launcher)
    if result.returncode:
        sys.exit("configuring the mutants' build failed:\n" + result.stdout)


def build(build_dir, targets):
    return run(["ninja", "-C", str(build_dir)] + targets)


def test_command(build_dir, program):
    command = [str(build_dir / "tests" / program), "--gtest_fail_fast", "--gtest_color=no"]
    if program in SLOW_CASES:
        command.append("--gtest_filter=-" + SLOW_CASES[program])
    return command


FAILED = re.compile(r"^\[  FAILED  \] (\S+)", re.M)
RUNNING = re.compile(r"^\[ RUN      \] (\S+)", re.M)


def build_and_test(build_dir, programs, limits):
    """("killed", test) for the first failing test, ("timeout", test) when a
    program runs over its limit, ("survived", "") when all pass, ("not
    compiled", "") when the mutant does not build. Each program is built just
    before it runs: most mutants are caught by the first."""
    for program in programs:
        if build(build_dir, [program]).returncode:
            return "not compiled", ""
        code, output = run_limited(test_command(build_dir, program), build_dir / "tests", limits[program])
        if code is None:
            code, output = run_limited(test_command(build_dir, program), build_dir / "tests",
                                       TIME_LIMIT_FACTOR * limits[program])
        running = RUNNING.findall(output)
        short = program.replace("kerfmax_tests_", "")
        if code is None:
            return "timeout", "%s:%s" % (short, running[-1] if running else "?")
        if code:
            failed = FAILED.findall(output)
            if failed:
                return "killed", "%s:%s" % (short, failed[0])
            return "killed", "%s:%s (exit %d)" % (short, running[-1] if running else "?", code)
    return "survived", ""


def baseline(build_dir, programs):
    """Builds the unmutated programs, runs each once and returns its time limit."""
    result = build(build_dir, programs)
    if result.returncode:
        sys.exit("the unmutated code does not build:\n" + result.stdout[-3000:])
    limits = {}
    for program in programs:
        start = time.monotonic()
        code, output = run_limited(test_command(build_dir, program), build_dir / "tests", 1800)
        took = time.monotonic() - start
        if code:
            sys.exit("%s fails without a mutant (exit %s); fix that first:\n%s"
                     % (program, code, "\n".join(FAILED.findall(output)) or output[-2000:]))
        limits[program] = max(TIME_LIMIT_MINIMUM, TIME_LIMIT_FACTOR * took)
        print("baseline: %s %.1f s, limit %.0f s" % (program, took, limits[program]), flush=True)
    return limits


def apply(worktree, mutant):
    path = worktree / mutant["path"]
    lines = path.read_text(encoding="utf-8").split("\n")
    if lines[mutant["line"] - 1] != mutant["original"]:
        raise RuntimeError("%s:%d is not the line the mutant was made from" % (mutant["path"], mutant["line"]))
    lines[mutant["line"] - 1] = mutant["mutated"]
    path.write_text("\n".join(lines), encoding="utf-8")


def restore(worktree, mutant):
    run(["git", "-C", str(worktree), "checkout", "--", mutant["path"]])


# ------------------------------------------------------------------- results

COLUMNS = ["id", "where", "kind", "original", "mutated", "result", "caught_by"]


def field(text):
    return text.replace("\t", " ").replace("\n", " ").strip()


def header(commit):
    return "# commit %s seed %d" % (commit, SEED)


def load_results(path, commit):
    done = {}
    if not path.exists():
        return done
    lines = path.read_text(encoding="utf-8").splitlines()
    if not lines or lines[0] != header(commit):
        sys.exit("%s is from another commit (%s); use --fresh or another file" % (path, lines[0] if lines else "empty"))
    for line in lines[2:]:
        cells = line.split("\t")
        if len(cells) == len(COLUMNS):
            done[int(cells[0])] = dict(zip(COLUMNS, cells))
    return done


def summary(mutants, done):
    rows = defaultdict(Counter)
    for m in mutants:
        if m["id"] in done:
            r = done[m["id"]]["result"]
            for key in (m["folder"], "total"):
                rows[key]["tried"] += 1
                rows[key][r] += 1
    text = ["%-9s %6s %9s %7s %8s %9s %7s" % ("folder", "tried", "compiled", "killed", "timeout", "survived",
                                               "caught")]
    for key in list(QUOTAS) + ["total"]:
        c = rows[key]
        compiled = c["tried"] - c["not compiled"]
        caught = c["killed"] + c["timeout"]
        share = "%5.1f %%" % (100.0 * caught / compiled) if compiled else "-"
        text.append("%-9s %6d %9d %7d %8d %9d %7s" % (key, c["tried"], compiled, c["killed"], c["timeout"],
                                                      c["survived"], share))
    survivors = [m for m in mutants if m["id"] in done and done[m["id"]]["result"] == "survived"]
    if survivors:
        text.append("")
        text.append("surviving mutants:")
        for m in survivors:
            text.append("  %3d %s:%d %s: %s" % (m["id"], m["path"], m["line"], m["kind"], m["mutated"].strip()))
    return "\n".join(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("results", type=Path)
    parser.add_argument("--only", type=int, help="the first N mutants (all folders) only")
    parser.add_argument("--folders", help="comma-separated folders, e.g. geometry,cutter")
    parser.add_argument("--ids", help="comma-separated mutant ids")
    parser.add_argument("--fresh", action="store_true", help="start RESULTS over")
    parser.add_argument("--list", action="store_true", help="print the mutants, run nothing")
    parser.add_argument("--summary", action="store_true", help="summarise RESULTS as they are, run nothing")
    parser.add_argument("--worktree", type=Path, default=Path("/work/mutwt"))
    parser.add_argument("--build-dir", type=Path, help="default: WORKTREE/build-mut")
    args = parser.parse_args()

    worktree = args.worktree.resolve()
    build_dir = (args.build_dir or worktree / "build-mut").resolve()
    if not (worktree / ".git").exists():
        sys.exit("%s is not a git worktree: git worktree add %s HEAD" % (worktree, worktree))
    mutants = select_mutants(worktree)
    if args.folders:
        wanted = set(args.folders.split(","))
        mutants = [m for m in mutants if m["folder"] in wanted]
    if args.ids:
        wanted = {int(i) for i in args.ids.split(",")}
        mutants = [m for m in mutants if m["id"] in wanted]
    if args.only is not None:
        mutants = mutants[: args.only]
    if args.list:
        for m in mutants:
            print("%d\t%s:%d\t%s\t%s\t%s" % (m["id"], m["path"], m["line"], m["kind"], field(m["original"]),
                                             field(m["mutated"])))
        return

    commit = run(["git", "-C", str(worktree), "rev-parse", "HEAD"]).stdout.strip()
    if args.summary:
        text = summary(mutants, load_results(args.results, commit))
        print(text)
        args.results.with_suffix(".summary.txt").write_text(text + "\n", encoding="utf-8")
        return
    if run(["git", "-C", str(worktree), "status", "--porcelain", "--untracked-files=no"]).stdout.strip():
        sys.exit("%s has changed files; the mutants must start from clean sources" % worktree)
    if args.fresh and args.results.exists():
        args.results.unlink()
    done = load_results(args.results, commit)
    if not args.results.exists():
        args.results.parent.mkdir(parents=True, exist_ok=True)
        args.results.write_text(header(commit) + "\n" + "\t".join(COLUMNS) + "\n", encoding="utf-8")

    configure(build_dir, worktree)
    todo = [m for m in mutants if m["id"] not in done]
    programs = sorted({p for m in todo for p in TEST_PROGRAMS[m["folder"]]})
    limits = baseline(build_dir, programs) if todo else {}
    started = time.monotonic()
    for n, m in enumerate(todo, start=1):
        apply(worktree, m)
        try:
            result, caught_by = build_and_test(build_dir, TEST_PROGRAMS[m["folder"]], limits)
        finally:
            restore(worktree, m)
        row = dict(id=str(m["id"]), where="%s:%d" % (m["path"], m["line"]), kind=m["kind"],
                   original=field(m["original"]), mutated=field(m["mutated"]), result=result, caught_by=caught_by)
        with args.results.open("a", encoding="utf-8") as out:
            out.write("\t".join(row[c] for c in COLUMNS) + "\n")
        done[m["id"]] = row
        elapsed = time.monotonic() - started
        print("[%d/%d %.0f s, ~%.0f s left] %d %s %s: %s %s" % (n, len(todo), elapsed, elapsed / n * (len(todo) - n),
                                                          m["id"], row["where"], m["kind"], result, caught_by),
              flush=True)
    # The build folder is left with the unmutated code.
    if todo:
        build(build_dir, programs)
    text = summary(mutants, done)
    print(text)
    args.results.with_suffix(".summary.txt").write_text(text + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
