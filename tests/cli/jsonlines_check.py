#!/usr/bin/env python3
"""Checks zrvu-cli --json output (stdin) against the schema (argv[1]).

Every line must be one JSON object the schema accepts, and the last one,
only the last one, a result. Exit 0 when all holds, 1 with the reason on
stderr, 77 when python3-jsonschema is missing.

With --serve after the schema it checks many outputs in one process (a
start of Python with jsonschema costs most of a second): each is a line
with its length in bytes, then the bytes; each answer is one line, "ok" or
the reason.
"""
import json
import sys

try:
    import jsonschema
except ImportError:
    sys.stderr.write("python3-jsonschema is not installed\n")
    sys.exit(77)

with open(sys.argv[1], encoding="utf-8") as f:
    validator = jsonschema.Draft202012Validator(json.load(f))


def problem(data):
    """None when the output holds, else why not."""
    if data and not data.endswith(b"\n"):
        return "the output does not end with a line feed"
    lines = data.decode("utf-8").split("\n")[:-1]
    if not lines:
        return "no line on stdout"
    for number, line in enumerate(lines, 1):
        try:
            obj = json.loads(line)
        except ValueError as e:
            return "line %d is no JSON object (%s): %r" % (number, e, line[:200])
        errors = sorted(validator.iter_errors(obj), key=lambda e: e.path)
        if errors:
            return "line %d: %s: %r" % (number, errors[0].message[:300], line[:300])
        if (obj.get("type") == "result") != (number == len(lines)):
            return "line %d: the result must be the last line, and only it" % number
    return None


if sys.argv[2:] == ["--serve"]:
    stdin, stdout = sys.stdin.buffer, sys.stdout
    for header in stdin:
        data = stdin.read(int(header))
        reason = problem(data)
        stdout.write((reason or "ok").replace("\n", " ") + "\n")
        stdout.flush()
else:
    reason = problem(sys.stdin.buffer.read())
    if reason:
        sys.exit(reason)
