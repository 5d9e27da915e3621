"""Checks the problem matcher shipped in doc/ against what --check prints.

Usage: problem_matcher_test.py MATCHER MEMTALLY WORKDIR

Runs memtally --check on a project whose warnings cover a place with a line
and column, and a whole file, and checks that every warning line is matched
by exactly one pattern of the matcher, with the file, line, column, severity
and message that the line says. Lines that are not warnings match none.
"""
import json
import os
import re
import subprocess
import sys


def main():
    matcher_path, memtally, work = sys.argv[1:4]
    with open(matcher_path, encoding="utf-8") as f:
        matchers = json.load(f)["problemMatcher"]
    patterns = [(m["owner"], m["pattern"][0]) for m in matchers]
    os.makedirs(work, exist_ok=True)
    files = {
        "M.bxp": "M.bas\n",
        # A qualified call at column 5 of line 2, a recursion at line 3.
        "M.bas": "Sub Main()\n    M.Main\n  Main\nEnd Sub\n",
        # A map without its RAM line: a warning about the whole file.
        "M.mpp": "FORMAL PARAMETERS\n",
    }
    for name, text in files.items():
        with open(os.path.join(work, name), "w", encoding="utf-8") as f:
            f.write(text)
    run = subprocess.run([memtally, "--check", "M"], cwd=work,
                         capture_output=True, text=True)
    warnings = [l for l in run.stderr.splitlines() if ": warning: " in l]
    others = run.stdout.splitlines() + [
        l for l in run.stderr.splitlines() if ": warning: " not in l]
    failures = []
    if len(warnings) < 3:
        failures.append("expected at least three warnings: %r" % run.stderr)
    for line in warnings:
        found = []
        for owner, pattern in patterns:
            m = re.match(pattern["regexp"], line)
            if m:
                found.append((owner, pattern, m))
        if len(found) != 1:
            failures.append("%d patterns match %r" % (len(found), line))
            continue
        owner, pattern, m = found[0]
        head, text = line.split(": warning: ", 1)
        parts = head.split(":")
        if m.group(pattern["file"]) != parts[0]:
            failures.append("file of %r read as %r" %
                            (line, m.group(pattern["file"])))
        if m.group(pattern["message"]) != text:
            failures.append("message of %r read as %r" %
                            (line, m.group(pattern["message"])))
        if m.group(pattern["severity"]) != "warning":
            failures.append("severity of %r" % line)
        if len(parts) == 3:
            if "line" not in pattern or (
                    m.group(pattern["line"]), m.group(pattern["column"])) != (
                    parts[1], parts[2]):
                failures.append("line and column of %r" % line)
    for line in others:
        for owner, pattern in patterns:
            if re.match(pattern["regexp"], line):
                failures.append("%s matches %r" % (owner, line))
    print("\n".join(failures) if failures else
          "%d warnings matched" % len(warnings))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
