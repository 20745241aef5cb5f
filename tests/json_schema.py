#!/usr/bin/env python3
"""Validates the JSON of valorix-check against doc/valorix-check.schema.json.

    json_schema.py VALORIX_CHECK SCHEMA SOURCE_DIR

Checks a file of each verdict (a positive one of edition 3.0 and one of 3.9
with an SCL directory, a file with errors, hints and character-set findings,
a file that is not well-formed, read from standard input, a payment file with
two blocks and two currencies, a missing file and a folder, which are not
checked) and validates every line it prints; payment
files carry a "summary", the others none. Exit 0 when all of them are valid."""
import json
import os
import subprocess
import sys
import tempfile

import jsonschema

check, schema_path, source = sys.argv[1:4]
with open(schema_path, encoding="utf-8") as f:
    schema = json.load(f)
jsonschema.Draft7Validator.check_schema(schema)
validator = jsonschema.Draft7Validator(schema)

with tempfile.TemporaryDirectory() as home:
    env = dict(os.environ, XDG_DATA_HOME=home + "/data", XDG_CONFIG_HOME=home + "/config")
    scl = home + "/NVSCL.INI"
    subprocess.run([check, "--import-scl", source + "/tests/fixtures/scl/scl-directory.csv", scl], env=env,
                   check=True, stdout=subprocess.DEVNULL)
    runs = [
        ([source + "/examples/ueberweisung-pain.001.001.03.xml",
          source + "/tests/fixtures/rules/credit-transfer-2019.xml"], b""),
        (["--scl", scl, source + "/examples/ueberweisung-pain.001.001.09.xml"], b""),
        ([source + "/tests/fixtures/rules/summary-two-blocks.xml"], b""),
        ([home + "/fehlt.xml", home], b""),
        (["--sax", "--name", "kaputt.xml", "-"], b"<?xml version=\"1.0\"?>\n<Document><a></Document>"),
    ]
    objects = []
    for args, stdin in runs:
        done = subprocess.run([check, "--json"] + args, env=env, input=stdin, capture_output=True)
        lines = done.stdout.decode("utf-8").splitlines()
        statuses = []
        for line in lines:
            obj = json.loads(line)
            errors = sorted(validator.iter_errors(obj), key=lambda e: list(e.path))
            for e in errors:
                print(f"{obj.get('file')}: {'/'.join(map(str, e.path))}: {e.message}")
            if errors:
                sys.exit(1)
            objects.append(obj)
            statuses.append(obj["status"])
        if done.returncode != max(statuses, default=0):
            sys.exit(f"{args}: exit status {done.returncode}, the files say {statuses}")

if sorted(o["status"] for o in objects if o["checkState"] == -1) != [2, 2]:
    sys.exit("the missing file and the folder have no line of their own")
seen = {o["verdict"] for o in objects}
severities = {d["severity"] for o in objects for d in o["details"]}
if seen != {"valid", "invalid"} or not {"error", "hint", "charset"} <= severities:
    sys.exit(f"not every verdict and severity was seen: {seen} {severities}")
if not any(o["subset"] == 5 and o["sclDate"] for o in objects):
    sys.exit("no file with a DK subset and an SCL date")
if [o["file"] for o in objects][-1] != "kaputt.xml":
    sys.exit("standard input is not reported under its --name")
slips = [o["summary"] for o in objects if "summary" in o]
if not any(len(s["blocks"]) == 2 and len(s["totals"]["sums"]) == 2 for s in slips):
    sys.exit("no summary of two blocks and two currencies")
if "summary" in objects[-1] or "summary" not in objects[0]:
    sys.exit("the summary is not where the payment files are")
print(f"json_schema.py: {len(objects)} objects valid")
