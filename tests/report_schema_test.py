#!/usr/bin/env python3
"""The report schema accepts the example document and what may vary in it,
and rejects documents with the mistakes a writer could make.

    python3 tests/report_schema_test.py SCHEMA EXAMPLE [MEMTALLY EXAMPLE_DIR]

EXAMPLE is a classic run's document; the bound-mode one is what MEMTALLY
writes with --bound --json for the project of EXAMPLE_DIR, whose annotation
file makes it use every kind of annotation the example needs.

Prints SKIPPED and exits 0 when python3-jsonschema is missing, unless
MEMTALLY_REQUIRE_DOCUMENT_TOOLS is set in the environment.
"""

import copy
import os
import subprocess
import sys

# Keeps the source tree free of __pycache__.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import validate_report  # noqa: E402


def routine(document, name):
    return next(r for r in document["routines"] if r["name"] == name)


def delete(path):
    def change(document):
        *parents, last = path
        target = document
        for part in parents:
            target = target[part]
        del target[last]
    return change


def put(path, value):
    def change(document):
        *parents, last = path
        target = document
        for part in parents:
            target = target[part]
        target[last] = value
    return change


def add_map_only_routine(document):
    document["routines"].append({
        "name": "Serial.Spare", "module": "Serial", "routine": "Spare",
        "kind": "sub", "private": False, "defined": False, "task": False,
        "file": None, "line": None, "paramBytes": 4, "localBytes": 0,
        "reached": False, "overheadBytes": 0, "calleeBytes": 0,
        "totalBytes": 0, "worstCallee": None, "calls": [], "cutCalls": [],
        "callers": []})
    document["unused"].append("Serial.Spare")


def estimate_for_routine(document):
    document["estimate"].update(application=False, staticBytes=0,
                                totalBytes=51)


def renamed(value, old, new):
    """value with every string equal to old replaced by new."""
    if isinstance(value, dict):
        return {key: renamed(item, old, new) for key, item in value.items()}
    if isinstance(value, list):
        return [renamed(item, old, new) for item in value]
    return new if value == old else value


def rename_with_odd_bytes(document):
    odd = "Z\u00e4hler \"x\" \\"
    changed = renamed(document, "Main.SelfTest", "Main." + odd)
    routine(changed, "Main." + odd)["routine"] = odd
    document.update(changed)


# Documents that must validate: what a real run may write differently.
ACCEPTED = [
    ("the top routine was not found", put(["estimate"], None)),
    ("--budget was given", put(["budget"], {"bytes": 150, "exceeded": True})),
    ("a routine only the map names", add_map_only_routine),
    ("an estimate for a -t routine", estimate_for_routine),
    ("a warning without a line",
     lambda d: (put(["warnings", 0, "line"], None)(d),
                put(["warnings", 0, "column"], None)(d))),
    ("a module that could not be opened",
     put(["modules", 2, "opened"], False)),
    ("a negative UTC offset",
     put(["analyzed"], "2026-12-09T08:30:42-05:30")),
    ("names with quotes, backslashes and letters beyond ASCII",
     rename_with_odd_bytes),
    ("byte counts at their largest",
     put(["map", "staticBytes"], 4294967295)),
]

# Documents that must fail, each with a mistake a writer could make.
REJECTED = [
    ("a missing member", delete(["warnings"])),
    ("a missing routine member", delete(["routines", 0, "cutCalls"])),
    ("a member the schema does not know", put(["extra"], 1)),
    ("a routine member the schema does not know",
     put(["routines", 0, "size"], 1)),
    ("a negative byte count", put(["routines", 0, "paramBytes"], -1)),
    ("a byte count beyond 32 bits",
     put(["map", "staticBytes"], 4294967296)),
    ("a byte count written as text", put(["tasks", 0, "stackBytes"], "38")),
    ("a fractional byte count", put(["routines", 0, "localBytes"], 0.5)),
    ("a wrong warning kind", put(["warnings", 0, "kind"], "recursive")),
    ("a wrong routine kind", put(["routines", 0, "kind"], "Sub")),
    ("line 0", put(["warnings", 0, "line"], 0)),
    ("column 0", put(["warnings", 0, "column"], 0)),
    ("a defined routine without its file", put(["routines", 0, "file"], None)),
    ("static bytes in an estimate for a -t routine",
     put(["estimate", "application"], False)),
    ("a budget of 0 bytes", put(["budget"], {"bytes": 0, "exceeded": False})),
    ("a chain without steps", put(["chains", 0, "steps"], [])),
    ("a time without its UTC offset",
     put(["analyzed"], "2026-12-09T08:30:42")),
    ("a version that is not a number", put(["memtally"], "v0.7")),
    ("another schema named", put(["$schema"], "report.schema.json")),
    ("a number where a name belongs", put(["unused", 0], 7)),
    ("a document without its mode", delete(["mode"])),
    ("bound mode's members in a classic document", put(["recursions"], [])),
    # Beyond the schema: numbers and names that contradict each other.
    ("frames that do not add up to the chain",
     put(["chains", 0, "totalBytes"], 52)),
    ("a routine total that is not the sum of its parts",
     put(["routines", 0, "totalBytes"], 13)),
    ("an estimate total that is not the sum of its parts",
     put(["estimate", "totalBytes"], 192)),
    ("a call of a routine the table lacks",
     put(["routines", 2, "calls", 0], "Serial.Open")),
    ("a cut call that is not a call",
     put(["routines", 0, "cutCalls"], ["Main.Main"])),
    ("a bound in a classic document",
     put(["routines", 0, "bound"], "exact")),
]

# Variants of the bound-mode example that must validate.
BOUND_ACCEPTED = [
    ("no annotation file was read", put(["annotationFile"], None)),
    ("a task start whose need is not known",
     lambda d: (put(["taskStarts", 0, "neededBytes"], None)(d),
                put(["taskStarts", 0, "spareBytes"], None)(d),
                put(["taskStarts", 0, "fits"], None)(d),
                put(["taskStarts", 0, "problem"], "no array")(d),
                put(["taskStarts", 0, "bound"], None)(d))),
    ("an external routine without callers or sites",
     lambda d: d["externalCalls"].append(
         {"name": "PutPin", "stackBytes": None, "reached": False,
          "callers": [], "sites": []})),
]

# Variants of the bound-mode example that must fail.
BOUND_REJECTED = [
    ("a bound-mode document without its recursions", delete(["recursions"])),
    ("a bound that is no status", put(["estimate", "bound"], "upper")),
    ("a reached routine without its bound",
     delete(["routines", 0, "bound"])),
    ("a step without its kind", delete(["chains", 0, "steps", 0, "kind"])),
    ("a recursion step whose parts do not add up",
     put(["chains", 0, "steps", 2, "largestFrameBytes"], 12)),
    ("a recursion step outside its recursion",
     put(["chains", 0, "steps", 2, "recursion"], 1)),
    ("an external step naming no external routine",
     put(["chains", 1, "steps", 1, "external"], "Sleep")),
    ("a recursion whose total is not its parts",
     put(["recursions", 0, "outsideBytes"], 11)),
    ("a calls annotation with a value",
     lambda d: d["annotations"][0].update(kind="calls", callees=["Delay"])),
    ("a stack annotation without its value",
     put(["annotations", 3, "value"], None)),
    ("a site without its column",
     put(["externalCalls", 0, "sites"], [{"file": "Main.bas", "line": 1}])),
]


def variant_failures(validator, example, accepted, rejected):
    """The variants of the example that validate when they should not, or
    fail when they should validate."""
    failures = []
    for variants, should_pass in ((accepted, True), (rejected, False)):
        for name, change in variants:
            document = copy.deepcopy(example)
            change(document)
            errors = validate_report.document_errors(validator, document)
            if should_pass and errors:
                failures.append(f"{name}: rejected: {errors}")
            if not should_pass and not errors:
                failures.append(f"{name}: accepted")
    return failures


def main(argv):
    try:
        import jsonschema  # noqa: F401
    except ImportError:
        if "MEMTALLY_REQUIRE_DOCUMENT_TOOLS" in os.environ:
            print("python3-jsonschema is needed to check the report schema")
            return 1
        print("SKIPPED: python3-jsonschema is not installed")
        return 0
    schema_path, example_path = argv[1], argv[2]
    validator = validate_report.make_validator(
        validate_report.load_document(schema_path))
    example = validate_report.load_document(example_path)
    failures = []
    errors = validate_report.document_errors(validator, example)
    if errors:
        failures.append(f"the example is rejected: {errors}")
    examples = [(example, ACCEPTED, REJECTED)]
    if len(argv) > 4:
        run = subprocess.run([argv[3], "--bound", "--json", "Blink"],
                             cwd=argv[4], capture_output=True)
        bound = validate_report.parse_document(run.stdout)
        errors = validate_report.document_errors(validator, bound)
        if errors:
            failures.append(f"the bound-mode example is rejected: {errors}")
        examples.append((bound, BOUND_ACCEPTED, BOUND_REJECTED))
    for base, accepted, rejected in examples:
        failures += variant_failures(validator, base, accepted, rejected)

    # The command line, as other tests use it: status 0, then 1 with a
    # message naming the document.
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                          "validate_report.py")
    good = subprocess.run([sys.executable, script, schema_path, example_path],
                          capture_output=True, text=True)
    if good.returncode != 0:
        failures.append(f"validate_report.py rejects the example: "
                        f"{good.stderr}")
    bad = subprocess.run([sys.executable, script, schema_path, schema_path],
                         capture_output=True, text=True)
    if bad.returncode != 1 or schema_path not in bad.stderr:
        failures.append(f"validate_report.py on a non-report exited "
                        f"{bad.returncode}: {bad.stderr}")

    for failure in failures:
        print(failure)
    count = len(ACCEPTED) + len(REJECTED)
    if len(argv) > 3:
        count += len(BOUND_ACCEPTED) + len(BOUND_REJECTED)
    print(f"{count} variants, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
