#!/usr/bin/env python3
"""Checks that a --json document says what the text report of the same run
says, and that it validates against the report schema.

    python3 tests/compare_report.py SCHEMA REPORT DOCUMENT

REPORT is the standard output of memtally -d -u -c [-t NAME] PROJECT and
DOCUMENT that of memtally --json [-t NAME] PROJECT. Compared are the
estimate, every row of the detailed analysis with its callee lines, the
task stacks, the unused routines and the callers. Names in the text are cut
where the listing cuts them (35 characters in rows, 33 in indented lines).
Prints each difference and exits 1 when there is any; 2 when the schema
cannot be used.
"""

import sys

import validate_report

FOLD = str.maketrans("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz")
LABELS = {
    "Invocation overhead": "overheadBytes",
    "Passed parameters": "paramBytes",
    "Local variables": "localBytes",
    "Invoked functions/subs": "calleeBytes",
    "Static variables": "staticBytes",
    "Total": "totalBytes",
}


def folded(name):
    return name.translate(FOLD)


def section(lines, heading):
    """The lines after `heading` and its rule, up to the next heading."""
    if heading not in lines:
        return []
    start = lines.index(heading) + 2
    end = start
    while end < len(lines) and not (lines[end] == "" and end + 1 < len(lines)
                                    and lines[end + 1] == ""):
        end += 1
    found = lines[start:end]
    while found and found[-1] == "":
        found.pop()
    return found


def text_estimate(lines):
    for at, line in enumerate(lines):
        if line.startswith("Estimate of "):
            figures = {}
            for figure in lines[at + 1:at + 9]:
                label, _, value = figure.partition(":")
                if label.strip() in LABELS:
                    figures[LABELS[label.strip()]] = int(value)
            return figures
    return None


def text_rows(lines):
    """Rows of the detailed analysis: (name, figures, [(callee, total)])."""
    rows = []
    for line in section(lines, "Sub/Function                        Params "
                               "Locals Callees  Total"):
        if line.startswith("  "):
            rows[-1][2].append((line[2:35].rstrip(), int(line[58:])))
        elif line and not line.startswith("Stack requirements"):
            numbers = line[36:].split()
            rows.append((line[:35].rstrip(), [int(n) for n in numbers], []))
    return rows


def text_tasks(lines):
    return [(line[2:35].rstrip(), int(line[36:43]))
            for line in section(lines, "Stack requirements for tasks:")]


def text_callers(lines):
    """The callers listing as {routine: [callers]}."""
    callers = {}
    current = None
    for line in section(lines, "Routines and their callers:"):
        if line.startswith("  "):
            callers[current].append(line[2:])
        elif line:
            current = line
            callers[current] = []
    return callers


def compare(report, document):
    errors = []
    lines = report.split("\n")
    routines = {r["name"]: r for r in document["routines"]}

    estimate = document["estimate"]
    shown = text_estimate(lines)
    if shown is None or estimate is None:
        if (shown is None) != (estimate is None):
            errors.append(f"estimate: text {shown}, document {estimate}")
    else:
        for key, value in shown.items():
            if estimate[key] != value:
                errors.append(f"estimate {key}: text {value}, "
                              f"document {estimate[key]}")
        if "staticBytes" not in shown and estimate["staticBytes"] != 0:
            errors.append("estimate: static bytes without application mode")

    reached = [r for r in document["routines"] if r["totalBytes"] != 0]
    rows = text_rows(lines)
    if len(rows) != len(reached) and estimate is not None:
        errors.append(f"{len(rows)} detailed rows, {len(reached)} reached")
    for (name, figures, callees), routine in zip(rows, reached):
        expected = [routine["paramBytes"], routine["localBytes"],
                    routine["calleeBytes"], routine["totalBytes"]]
        if name != routine["name"][:35] or figures != expected:
            errors.append(f"row {name} {figures}: document {routine['name']} "
                          f"{expected}")
        calls = [routines[c] for c in routine["calls"]]
        calls.sort(key=lambda c: (-c["totalBytes"], folded(c["routine"]),
                                  folded(c["name"])))
        listed = [(c["name"][:33], c["totalBytes"]) for c in calls]
        if callees != listed:
            errors.append(f"callees of {name}: text {callees}, "
                          f"document {listed}")

    tasks = [(t["routine"][:33], t["stackBytes"]) for t in document["tasks"]]
    if estimate is not None and text_tasks(lines) != tasks:
        errors.append(f"tasks: text {text_tasks(lines)}, document {tasks}")

    unused = section(lines, "Unused Routines:")
    if estimate is not None and unused != document["unused"]:
        errors.append(f"unused: text {unused}, document {document['unused']}")

    called = {r["name"]: r["callers"] for r in document["routines"]
              if r["callers"]}
    if estimate is not None and text_callers(lines) != called:
        errors.append(f"callers: text {text_callers(lines)}, "
                      f"document {called}")
    return errors


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    schema_path, report_path, document_path = argv[1:]
    try:
        validator = validate_report.make_validator(
            validate_report.load_document(schema_path))
    except Exception as error:  # the schema or jsonschema is unusable
        print(f"{schema_path}: {error}", file=sys.stderr)
        return 2
    try:
        document = validate_report.load_document(document_path)
    except (validate_report.DocumentError, OSError) as error:
        print(f"{document_path}: {error}")
        return 1
    errors = validate_report.document_errors(validator, document)
    with open(report_path, encoding="utf-8", errors="surrogateescape") as f:
        errors += compare(f.read(), document)
    for error in errors:
        print(f"{document_path}: {error}")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
