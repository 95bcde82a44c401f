#!/usr/bin/env python3
r"""Mutation testing: does the test suite notice small faults?

Applies each mutant of a list (file, line, original text, replacement) to the source
tree on its own, rebuilds incrementally, runs CTest without the window test and
restores the file, then prints which mutants the suite killed, which survived, which
could not be found, and the score.

Usage: tools/mutate.py [--list tests/mutants.txt] [--build build-mutate] [--jobs 2]
                       [--only ID,ID...] [--exclude REGEX] [--timeout SECONDS]

The list is tab-separated: id, file:line, original text, replacement (empty deletes
the original), then any notes; in the texts \n stands for a line break, \t for a tab
and \\ for a backslash. Lines starting with # and blank lines are skipped.
Files move as the code changes, so a mutant is found by its original text: the one
occurrence in the file, or of several the one nearest the given line. A mutant whose
text is no longer there is reported as not found, never silently skipped. A note that
starts with "equivalent" marks a mutant that cannot change behaviour: it is tried like
the others but left out of the score. Test names after a note's "killed by" (CTest names)
are run first; only when they all pass does the whole suite run, so a mutant whose killer
is known costs one build and that test.

The build folder is configured on first use (Release, without benchmarks, through ccache
when there is one). The tree
is always restored, also on Ctrl-C or SIGTERM; should the process be killed outright,
the next run restores the file from the copy it keeps in the build folder first.
Not part of CI: a tool for the person changing tests. Run it niced on a shared machine.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


@dataclass
class Mutant:
    ident: str
    path: str
    line: int
    original: str
    replacement: str
    equivalent: bool
    killers: list


def unescape(text):
    escapes = {"n": "\n", "t": "\t", "\\": "\\"}
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text) and text[i + 1] in escapes:
            out.append(escapes[text[i + 1]])
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def read_list(list_path):
    mutants = []
    for number, raw in enumerate(list_path.read_text().splitlines(), start=1):
        if not raw.strip() or raw.startswith("#"):
            continue
        fields = raw.split("\t")
        if len(fields) < 4 or ":" not in fields[1]:
            sys.exit(f"{list_path}:{number}: expected id, file:line, original, replacement")
        path, _, line = fields[1].rpartition(":")
        if not fields[2]:
            sys.exit(f"{list_path}:{number}: the original text is empty")
        notes = fields[4] if len(fields) > 4 else ""
        mutants.append(Mutant(fields[0], path, int(line), unescape(fields[2]), unescape(fields[3]),
                              notes.lower().startswith("equivalent"), killers(notes)))
    return mutants


def killers(notes):
    """The test names after the notes' last "killed by": dotted names, as CTest lists them."""
    _, found, rest = notes.rpartition("killed by ")
    return re.findall(r"[A-Za-z_][\w-]*(?:\.[\w-]+)+", rest) if found else []


def locate(text, original, line):
    """Offset of the occurrence of original nearest the given line, or None."""
    best = None
    start = text.find(original)
    while start >= 0:
        at_line = text.count("\n", 0, start) + 1
        if best is None or abs(at_line - line) < abs(best[1] - line):
            best = (start, at_line)
        start = text.find(original, start + 1)
    return best


class Restorer:
    """Puts a mutated file back: on return, on exceptions and on the signals we catch.
    The original bytes are also kept on disk until the file is restored."""

    def __init__(self, backup_dir):
        self.backup_dir = backup_dir
        self.backup_dir.mkdir(parents=True, exist_ok=True)
        self.pending = None

    def recover_leftovers(self):
        for saved in sorted(self.backup_dir.glob("*.orig")):
            target = Path(saved.with_suffix(".path").read_text())
            target.write_bytes(saved.read_bytes())
            print(f"restored {target} from an interrupted run", flush=True)
            saved.with_suffix(".path").unlink()
            saved.unlink()

    def mutate(self, path, content, mutated):
        saved = self.backup_dir / "current.orig"
        saved.write_bytes(content)
        saved.with_suffix(".path").write_text(str(path))
        self.pending = (path, content)
        path.write_bytes(mutated)

    def restore(self):
        if self.pending is None:
            return
        path, content = self.pending
        path.write_bytes(content)
        self.pending = None
        for leftover in self.backup_dir.glob("current.*"):
            leftover.unlink()


def run(command, log):
    """Runs a command in a process group of its own, its output appended to log; on an
    interruption the whole group (make's compilers, CTest's tests) is ended with it."""
    log.parent.mkdir(parents=True, exist_ok=True)
    with open(log, "ab") as out:
        out.write(("\n$ " + " ".join(command) + "\n").encode())
        out.flush()
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   cwd=ROOT, start_new_session=True)
        try:
            return process.wait()
        except BaseException:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait()
            raise


def main():
    parser = argparse.ArgumentParser(description="Run the test suite against a list of small faults.")
    parser.add_argument("--list", default="tests/mutants.txt", help="mutant list (default tests/mutants.txt)")
    parser.add_argument("--build", default="build-mutate", help="build folder (default build-mutate)")
    parser.add_argument("--jobs", type=int, default=2, help="parallel build and test jobs (default 2)")
    parser.add_argument("--only", default="", help="comma-separated mutant ids to try")
    parser.add_argument("--exclude", default="end_to_end", help="CTest regex of tests to leave out "
                        "(default: the window test, end_to_end)")
    parser.add_argument("--timeout", type=int, default=300, help="seconds per test (default 300)")
    args = parser.parse_args()

    build = (ROOT / args.build).resolve()
    log = build / "mutate.log"
    mutants = read_list(ROOT / args.list)
    if args.only:
        wanted = set(args.only.split(","))
        mutants = [m for m in mutants if m.ident in wanted]
        missing = wanted - {m.ident for m in mutants}
        if missing:
            sys.exit("no such mutant: " + ", ".join(sorted(missing)))

    restorer = Restorer(build / "mutate-backup")
    restorer.recover_leftovers()

    def stop(signum, _frame):
        raise KeyboardInterrupt(f"signal {signum}")
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGHUP, stop)

    if not (build / "CMakeCache.txt").exists():
        print(f"configuring {build}", flush=True)
        # ccache, where there is one, makes the first build of a fresh folder a matter of linking.
        launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if shutil.which("ccache") else []
        if run(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                "-DFLOCK_BUILD_BENCH=OFF"] + launcher, log) != 0:
            sys.exit(f"configuring failed; see {log}")
    build_command = ["cmake", "--build", str(build), "-j", str(args.jobs)]
    test_command = ["ctest", "--test-dir", str(build), "-j", str(args.jobs), "-E", args.exclude,
                    "--stop-on-failure", "--timeout", str(args.timeout)]
    print("building the unchanged tree", flush=True)
    if run(build_command, log) != 0 or run(test_command, log) != 0:
        sys.exit(f"the unchanged tree must build and pass its tests first; see {log}")

    failed_list = build / "Testing" / "Temporary" / "LastTestsFailed.log"
    results = {"killed": [], "survived": [], "not found": [], "does not build": []}
    try:
        for m in mutants:
            started = time.monotonic()
            path = ROOT / m.path
            content = path.read_bytes() if path.is_file() else None
            found = locate(content.decode(), m.original, m.line) if content is not None else None
            if found is None:
                outcome, where = "not found", m.path
            else:
                offset, at_line = found
                where = f"{m.path}:{at_line}"
                text = content.decode()
                mutated = text[:offset] + m.replacement + text[offset + len(m.original):]
                restorer.mutate(path, content, mutated.encode())
                try:
                    failed_list.unlink(missing_ok=True)
                    known = "^(" + "|".join(re.escape(name) for name in m.killers) + ")$"
                    if run(build_command, log) != 0:
                        outcome = "does not build"
                    elif m.killers and run(test_command + ["-R", known], log) != 0:
                        outcome = "killed"
                    elif run(test_command, log) != 0:
                        outcome = "killed"
                    else:
                        outcome = "survived"
                finally:
                    restorer.restore()
            note = " (equivalent)" if m.equivalent else ""
            if outcome == "killed" and failed_list.exists():
                names = [line.partition(":")[2] for line in failed_list.read_text().split()]
                note += " by " + ", ".join(names[:3]) + (" ..." if len(names) > 3 else "")
            results[outcome].append(m)
            print(f"{m.ident}\t{where}\t{outcome}{note}\t{time.monotonic() - started:.0f}s", flush=True)
    except KeyboardInterrupt as stopped:
        restorer.restore()
        print(f"\ninterrupted ({stopped}); the tree is restored, the build folder may be stale", flush=True)
    else:
        # Leave the build matching the restored tree.
        run(build_command, log)
    finally:
        restorer.restore()

    counted_killed = [m for m in results["killed"] if not m.equivalent]
    counted_survived = [m for m in results["survived"] if not m.equivalent]
    print()
    for outcome in ("killed", "survived", "not found", "does not build"):
        ids = " ".join(m.ident for m in results[outcome])
        print(f"{outcome}: {len(results[outcome])}" + (f"  ({ids})" if ids and outcome != "killed" else ""))
    equivalent = [m.ident for m in mutants if m.equivalent]
    if equivalent:
        print(f"marked equivalent, left out of the score: {' '.join(equivalent)}")
    counted = len(counted_killed) + len(counted_survived)
    if counted:
        print(f"score: {len(counted_killed)} / {counted} = {100.0 * len(counted_killed) / counted:.0f}% "
              "of the behaviour-changing mutants killed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
