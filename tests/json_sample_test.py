#!/usr/bin/env python3
"""Reads the JSON writer's output back with Python's json module.

    python3 tests/json_sample_test.py MEMTALLY_DOCUMENT_SAMPLE

The sample program writes names of hostile bytes, each beside its bytes in
hex. The document must be valid UTF-8 and strict JSON, and every name must
come back as Python's own UTF-8 decoder reads the bytes when each byte it
rejects is taken as Latin-1.
"""

import codecs
import os
import subprocess
import sys

# Keeps the source tree free of __pycache__.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import validate_report  # noqa: E402


def _latin1_byte(error):
    # Only the first rejected byte: decoding resumes right after it.
    return error.object[error.start:error.start + 1].decode("latin-1"), \
        error.start + 1


codecs.register_error("memtally-latin1", _latin1_byte)


def main(argv):
    run = subprocess.run([argv[1], "json"], capture_output=True)
    if run.returncode != 0 or run.stderr:
        print(f"the sample program exited {run.returncode}: {run.stderr!r}")
        return 1
    failures = []
    try:
        document = validate_report.parse_document(run.stdout)
    except validate_report.DocumentError as error:
        print(f"the sample is not strict JSON in UTF-8: {error}")
        return 1
    if not run.stdout.endswith(b"}\n"):
        failures.append("the document does not end with its newline")
    for case in document["cases"]:
        raw = bytes.fromhex(case["hex"])
        expected = raw.decode("utf-8", errors="memtally-latin1")
        if case["text"] != expected:
            failures.append(f"{raw!r} came back as {case['text']!r}, "
                            f"not {expected!r}")
    if document["numbers"] != [0, 193, 4294967295]:
        failures.append(f"numbers: {document['numbers']}")
    if document["flags"] != [True, False, None]:
        failures.append(f"flags: {document['flags']}")
    nested = document.get("caf\u00e9 \"key\"")
    if nested != {"empty": [], "emptyObject": {}, "inline": [{"a": []}]}:
        failures.append(f"the nested object came back as {nested!r}")
    for failure in failures:
        print(failure)
    print(f"{len(document['cases'])} names read back, "
          f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
