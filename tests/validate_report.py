#!/usr/bin/env python3
"""Validates memtally --json documents against the report schema.

    python3 tests/validate_report.py SCHEMA DOCUMENT...

Each document must be valid UTF-8 and strict JSON (no repeated member, no
NaN or Infinity), must validate against the schema (JSON Schema draft
2020-12, checked first itself), and its numbers must agree with each other:
totals are the sums of their parts (modulo 2**32, as Memtally adds), and
every name a routine, task, chain or list refers to is a routine of the
table. A bound-mode document must also say its bounds where it has them,
its steps must add up whatever their kind, and its recursions must hold
the totals of their members. Prints what is wrong with each failing
document and exits 1 when any fails, 2 when the schema or python3-jsonschema
is missing or unusable.
"""

import json
import sys

WRAP = 2**32


class DocumentError(Exception):
    """A document that is not valid UTF-8 or not strict JSON."""


def _reject_repeated_members(pairs):
    names = [name for name, _ in pairs]
    for name in names:
        if names.count(name) > 1:
            raise DocumentError(f"member {name!r} appears more than once")
    return dict(pairs)


def _reject_constant(name):
    raise DocumentError(f"{name} is not JSON")


def parse_document(data):
    """Parses bytes as strict JSON in UTF-8; raises DocumentError."""
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise DocumentError(f"not valid UTF-8: {error}") from None
    try:
        return json.loads(text, object_pairs_hook=_reject_repeated_members,
                          parse_constant=_reject_constant)
    except json.JSONDecodeError as error:
        raise DocumentError(f"not JSON: {error}") from None


def load_document(path):
    """Reads and parses one document; raises DocumentError or OSError."""
    with open(path, "rb") as stream:
        return parse_document(stream.read())


def make_validator(schema):
    """A draft 2020-12 validator for the schema, which is checked first."""
    from jsonschema import Draft202012Validator
    Draft202012Validator.check_schema(schema)
    return Draft202012Validator(schema)


def schema_errors(validator, document):
    """The schema's complaints about the document, as lines of text."""
    errors = sorted(validator.iter_errors(document),
                    key=lambda error: list(error.absolute_path))
    return ["/" + "/".join(str(part) for part in error.absolute_path) + ": " +
            error.message for error in errors]


def _sum(*numbers):
    return sum(numbers) % WRAP


def consistency_errors(document):
    """What in a schema-valid document contradicts itself."""
    errors = []
    routines = document["routines"]
    known = {routine["name"] for routine in routines}
    by_name = {routine["name"]: routine for routine in routines}
    bound = document["mode"] == "bound"
    recursions = document.get("recursions", [])

    def refer(where, name):
        if name is not None and name not in known:
            errors.append(f"{where}: {name!r} is not a routine of the table")

    def callable_from(routine):
        """What a routine's worstCallee may be: one of its calls, or in
        bound mode one of its recursion's calls."""
        index = routine.get("recursion")
        if index is None or not 0 <= index < len(recursions):
            return routine["calls"]
        return [name for member in recursions[index]["members"]
                if member in by_name for name in by_name[member]["calls"]]

    estimate = document["estimate"]
    if estimate is not None:
        refer("/estimate/routine", estimate["routine"])
        parts = _sum(estimate["overheadBytes"], estimate["paramBytes"],
                     estimate["localBytes"], estimate["calleeBytes"],
                     estimate["staticBytes"])
        if parts != estimate["totalBytes"]:
            errors.append(f"/estimate: the parts add up to {parts}, "
                          f"not totalBytes {estimate['totalBytes']}")
    for i, routine in enumerate(routines):
        where = f"/routines/{i}"
        if routine["name"] != routine["module"] + "." + routine["routine"]:
            errors.append(f"{where}: name {routine['name']!r} is not "
                          "module.routine")
        for member in ("calls", "cutCalls", "callers"):
            for name in routine[member]:
                refer(f"{where}/{member}", name)
        for name in routine["cutCalls"]:
            if name not in routine["calls"]:
                errors.append(f"{where}/cutCalls: {name!r} is not in calls")
        worst = routine["worstCallee"]
        if worst is not None and worst not in callable_from(routine):
            errors.append(f"{where}/worstCallee: {worst!r} is not in calls")
        parts = _sum(routine["overheadBytes"], routine["paramBytes"],
                     routine["localBytes"], routine["calleeBytes"])
        if routine["reached"] and parts != routine["totalBytes"]:
            errors.append(f"{where}: the parts add up to {parts}, "
                          f"not totalBytes {routine['totalBytes']}")
    for i, task in enumerate(document["tasks"]):
        refer(f"/tasks/{i}/routine", task["routine"])
    for i, name in enumerate(document["unused"]):
        refer(f"/unused/{i}", name)
    for i, chain in enumerate(document["chains"]):
        where = f"/chains/{i}"
        refer(f"{where}/from", chain["from"])
        if chain["steps"][0].get("routine") != chain["from"]:
            errors.append(f"{where}: the first step is not {chain['from']!r}")
        frames = 0
        for j, step in enumerate(chain["steps"]):
            errors += step_errors(f"{where}/steps/{j}", step, document, refer)
            frames = _sum(frames, step.get("bytes", step.get("frameBytes")))
        if frames != chain["totalBytes"]:
            errors.append(f"{where}: the frames add up to {frames}, "
                          f"not totalBytes {chain['totalBytes']}")
    errors += mode_errors(document)
    if bound:
        errors += bound_errors(document, refer)
    return errors


def step_errors(where, step, document, refer):
    """What is wrong with one step of a chain: its parts and its names."""
    errors = []
    kind = step.get("kind", "frame")
    if kind == "external":
        names = [e["name"] for e in document.get("externalCalls", [])]
        if step["external"] not in names:
            errors.append(f"{where}: {step['external']!r} is no external "
                          "routine")
        return errors
    refer(f"{where}/routine", step["routine"])
    if kind == "frame":
        frame = _sum(step["overheadBytes"], step["paramBytes"],
                     step["localBytes"])
        if frame != step["frameBytes"] or step.get("bytes", frame) != frame:
            errors.append(f"{where}: the parts add up to {frame}, not "
                          f"frameBytes {step['frameBytes']}")
    elif kind == "recursion":
        recursions = document["recursions"]
        if not step["recursion"] < len(recursions) or step["routine"] not in \
                recursions[step["recursion"]]["members"]:
            errors.append(f"{where}: {step['routine']!r} is not a member of "
                          f"recursion {step['recursion']}")
        parts = _sum((step["depth"] or 1) * step["largestFrameBytes"],
                     step["extraBytes"])
        if parts != step["bytes"]:
            errors.append(f"{where}: the parts add up to {parts}, "
                          f"not bytes {step['bytes']}")
    elif _sum(step["annotatedBytes"], step["extraBytes"]) != step["bytes"]:
        errors.append(f"{where}: the parts do not add up to bytes")
    return errors


def mode_errors(document):
    """Bounds where the mode has them, and only there."""
    errors = []
    bound = document["mode"] == "bound"
    places = [("/estimate", document["estimate"])] if document["estimate"] \
        else []
    places += [(f"/routines/{i}", r) for i, r in
               enumerate(document["routines"]) if r["reached"]]
    places += [(f"/tasks/{i}", t) for i, t in enumerate(document["tasks"])]
    places += [(f"/chains/{i}", c) for i, c in enumerate(document["chains"])]
    for where, value in places:
        if ("bound" in value) != bound:
            errors.append(f"{where}: bound {'missing' if bound else 'given'} "
                          f"in a {document['mode']} document")
    for i, chain in enumerate(document["chains"]):
        for j, step in enumerate(chain["steps"]):
            if ("kind" in step) != bound:
                errors.append(f"/chains/{i}/steps/{j}: kind "
                              f"{'missing' if bound else 'given'} in a "
                              f"{document['mode']} document")
    return errors


def bound_errors(document, refer):
    """What contradicts itself in a bound-mode document's recursions and
    external routines."""
    errors = []
    by_name = {r["name"]: r for r in document["routines"]}
    estimate = document["estimate"]
    top = estimate["routine"] if estimate else None
    for i, recursion in enumerate(document["recursions"]):
        where = f"/recursions/{i}"
        total = _sum((recursion["depth"] or 1) * recursion["largestFrameBytes"],
                     recursion["outsideBytes"])
        if total != recursion["totalBytes"]:
            errors.append(f"{where}: the parts add up to {total}, "
                          f"not totalBytes {recursion['totalBytes']}")
        for name in recursion["members"]:
            refer(f"{where}/members", name)
            member = by_name.get(name)
            if member is None:
                continue
            # The top routine's own frame holds its overhead beyond 9.
            extra = member["overheadBytes"] - 9 if name == top else 0
            if member.get("recursion") != i or \
                    member["totalBytes"] != _sum(total, extra):
                errors.append(f"{where}: member {name!r} does not share its "
                              "total")
    for i, external in enumerate(document["externalCalls"]):
        for name in external["callers"]:
            refer(f"/externalCalls/{i}/callers", name)
    return errors


def document_errors(validator, document):
    """Everything wrong with a parsed document: schema first, then sums."""
    errors = schema_errors(validator, document)
    return errors if errors else consistency_errors(document)


def main(argv):
    if len(argv) < 3:
        print("usage: validate_report.py SCHEMA DOCUMENT...", file=sys.stderr)
        return 2
    try:
        import jsonschema  # noqa: F401
    except ImportError:
        print("validate_report: python3-jsonschema is not installed",
              file=sys.stderr)
        return 2
    try:
        validator = make_validator(load_document(argv[1]))
    except Exception as error:  # any reason the schema is unusable
        print(f"validate_report: {argv[1]}: unusable schema: {error}",
              file=sys.stderr)
        return 2
    failed = 0
    for path in argv[2:]:
        try:
            errors = document_errors(validator, load_document(path))
        except (OSError, DocumentError) as error:
            errors = [str(error)]
        if errors:
            failed += 1
            for error in errors:
                print(f"{path}: {error}", file=sys.stderr)
    if failed:
        print(f"validate_report: {failed} of {len(argv) - 2} documents "
              "are not valid reports", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
