#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Fails when a translation is not complete: a text of the program missing from a .ts file
(lupdate would add it), a message left unfinished or empty, a message the program no longer
has, or a translation that drops or adds a place marker (%1, %n) of its source.

Usage: check_translations.py path/to/lupdate source-folder file.ts…
A file named *_en.ts holds only plural forms (lupdate -pluralonly).
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

MARKERS = re.compile(r"%(?:L?\d+|n)")


def messages(path):
    root = ET.parse(path).getroot()
    for context in root.iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            yield name, message


def problems(path):
    found = []
    for context, message in messages(path):
        source = message.findtext("source", "")
        where = f"{os.path.basename(path)}: {context}: {source!r}"
        translation = message.find("translation")
        kind = translation.get("type") if translation is not None else "missing"
        if kind in ("unfinished", "missing", "vanished", "obsolete"):
            found.append(f"{where} is {kind}")
            continue
        forms = ([f.text or "" for f in translation.iter("numerusform")]
                 if message.get("numerus") == "yes" else [translation.text or ""])
        if not forms or any(not f.strip() for f in forms):
            found.append(f"{where} has an empty translation")
        for form in forms:
            if sorted(set(MARKERS.findall(form))) != sorted(set(MARKERS.findall(source))):
                found.append(f"{where}: {form!r} does not keep the place markers")
    return found


def main():
    if len(sys.argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    lupdate, sources, files = sys.argv[1], sys.argv[2], sys.argv[3:]
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        for path in files:
            failures += problems(path)
            # What lupdate would make of the file from today's sources: any change means
            # texts were added, changed or removed without the .ts following.
            copy = os.path.join(scratch, os.path.basename(path))
            shutil.copy(path, copy)
            options = ["-locations", "none", "-no-obsolete", "-silent"]
            if path.endswith("_en.ts"):
                options.append("-pluralonly")
            subprocess.run([lupdate, *options, sources, "-ts", copy], check=True)
            before = {(c, m.findtext("source"), m.findtext("comment")) for c, m in messages(path)}
            after = {(c, m.findtext("source"), m.findtext("comment")) for c, m in messages(copy)}
            for context, source, _ in sorted(after - before, key=str):
                failures.append(f"{os.path.basename(path)}: {context}: {source!r} is missing "
                                "(build the update_translations target and translate it)")
            for context, source, _ in sorted(before - after, key=str):
                failures.append(f"{os.path.basename(path)}: {context}: {source!r} is no longer "
                                "in the program (build the update_translations target)")
    for failure in failures:
        print(f"FAIL: {failure}")
    print(f"{len(failures)} problem(s) in {', '.join(os.path.basename(f) for f in files)}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
