#!/usr/bin/env python3
"""Applies each deliberate fault of faults.txt to a scratch copy of the
project, builds it, runs the tests and reports which test caught it, and the
faults that no test catches. Not part of CI: run it when you change the
code a fault lives in, or add a fault after writing a test meant to catch it.

    tools/faults/run_faults.py                 every fault, the whole test suite
    tools/faults/run_faults.py -k clock        only faults whose name holds "clock" (-k again: or that)
    tools/faults/run_faults.py --list          the faults and whether they still apply
    tools/faults/run_faults.py -j 1            build and test one job at a time (a busy machine)

The scratch copy (default: build-faults/ in the project folder) holds the
project's files as they are in the working tree, uncommitted changes
included, and a Release build that later runs reuse. Exit status: 0 when
every fault was caught, 1 when one survived, was stale or broke the build.
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import time
import xml.etree.ElementTree as ElementTree

TOP = pathlib.Path(__file__).resolve().parents[2]
FAULTS = TOP / "tools" / "faults" / "faults.txt"


def read_faults(path):
    faults, block = [], {}
    for raw in path.read_text().splitlines() + [""]:
        if raw.startswith("#"):
            continue
        if not raw.strip():
            if block:
                faults.append(block)
                block = {}
            continue
        key, _, value = raw.partition(":")
        value = value[1:] if value.startswith(" ") else value
        block[key.strip()] = value.replace("\\n", "\n")
    for f in faults:
        missing = {"name", "file", "find", "replace"} - f.keys()
        if missing:
            sys.exit(f"faults.txt: fault {f.get('name', '?')!r} lacks {', '.join(sorted(missing))}")
    return faults


def copy_tree(scratch):
    """The tracked and new files of the working tree, into scratch/src."""
    src = scratch / "src"
    files = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard", "-z"],
                           cwd=TOP, check=True, capture_output=True).stdout.decode().split("\0")
    for name in filter(None, files):
        source, target = TOP / name, src / name
        if not source.is_file():
            continue
        if target.exists() and target.read_bytes() == source.read_bytes():
            continue  # unchanged files keep their time stamps: the build stays incremental
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(source, target)  # a new time stamp: the build sees the change
    return src


def run(command, cwd, log):
    with open(log, "w") as out:
        return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT).returncode


def build(src, log, jobs):
    build_dir = src / "build"
    if not (build_dir / "CMakeCache.txt").exists():
        if run(["cmake", "-S", ".", "-B", "build", "-DCMAKE_BUILD_TYPE=Release"], src, log) != 0:
            return False
    return run(["cmake", "--build", "build", "-j" + str(jobs)], src, log) == 0


def failed_tests(src, log, jobs):
    """Runs every test, jobs at a time; returns the names of those that failed."""
    report = src / "build" / "faults-report.xml"
    report.unlink(missing_ok=True)
    run(["ctest", "-j" + str(jobs), "--output-junit", str(report)], src / "build", log)
    if not report.exists():
        return ["(ctest wrote no report: see " + str(log) + ")"]
    failed = []
    for case in ElementTree.parse(report).getroot().iter("testcase"):
        if case.get("status") not in ("run", "passed") or case.find("failure") is not None:
            failed.append(case.get("name"))
    return failed


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("-k", dest="patterns", action="append", default=[],
                        help="only faults whose name contains this text (again for more: any of them)")
    parser.add_argument("--list", action="store_true", help="list the faults and whether each still applies")
    parser.add_argument("--scratch", default=str(TOP / "build-faults"), help="the scratch folder")
    parser.add_argument("-j", "--jobs", type=int, default=os.cpu_count() or 2,
                        help="compile and test jobs at once (default: every core)")
    args = parser.parse_args()
    if args.jobs < 1:
        parser.error("--jobs takes a whole number of at least 1")

    faults = [f for f in read_faults(FAULTS) if not args.patterns or any(k in f["name"] for k in args.patterns)]
    scratch = pathlib.Path(args.scratch).resolve()
    scratch.mkdir(parents=True, exist_ok=True)

    def applies(fault):
        return (TOP / fault["file"]).read_text().count(fault["find"]) == 1

    if args.list:
        for f in faults:
            print(("applies  " if applies(f) else "STALE    ") + f["name"])
        return 0

    src = copy_tree(scratch)
    log = scratch / "last.log"
    print(f"building the unchanged copy in {src / 'build'} ...", flush=True)
    if not build(src, log, args.jobs):
        sys.exit(f"the unchanged project does not build: see {log}")
    baseline = failed_tests(src, log, args.jobs)
    if baseline:
        sys.exit("tests fail without any fault, fix them first: " + ", ".join(baseline))

    outcome = {"caught": [], "survived": [], "stale": [], "no build": []}
    for fault in faults:
        started = time.time()
        path = src / fault["file"]
        original = path.read_text()
        if original.count(fault["find"]) != 1:
            outcome["stale"].append(fault["name"])
            print(f"STALE     {fault['name']}: the text to change is not in {fault['file']} exactly once")
            continue
        try:
            path.write_text(original.replace(fault["find"], fault["replace"]))
            if not build(src, log, args.jobs):
                outcome["no build"].append(fault["name"])
                print(f"NO BUILD  {fault['name']}")
                continue
            failed = failed_tests(src, log, args.jobs)
        finally:
            path.write_text(original)
            os.utime(path)  # newer than the faulty build, so the next build compiles it again
        seconds = time.time() - started
        if failed:
            outcome["caught"].append(fault["name"])
            shown = ", ".join(failed[:4]) + (f" and {len(failed) - 4} more" if len(failed) > 4 else "")
            print(f"caught    {fault['name']} ({seconds:.0f} s): {shown}", flush=True)
        else:
            outcome["survived"].append(fault["name"])
            print(f"SURVIVED  {fault['name']} ({seconds:.0f} s): no test failed", flush=True)

    print(f"\n{len(outcome['caught'])} caught, {len(outcome['survived'])} survived, "
          f"{len(outcome['stale'])} stale, {len(outcome['no build'])} did not build")
    return 0 if len(outcome["caught"]) == len(faults) else 1


if __name__ == "__main__":
    sys.exit(main())
