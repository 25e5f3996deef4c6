#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# No Repeater may be a direct child of a Qt Quick layout (ColumnLayout, RowLayout, GridLayout).
# Qt 6.4's layouts keep a removed child until their next polish; when a layout's size changes in
# the same pass as its Repeater's model, it measures the deleted row and the program crashes.
# Such rows go in a positioner (RepeaterColumn, Row) that is one cell of the layout.
#   repeaters_in_layouts.py <folder of QML files>
import pathlib
import re
import sys

QUICK_LAYOUTS = {"ColumnLayout", "RowLayout", "GridLayout"}
OPENING = re.compile(r"^\s*(?:[\w.]+\s*:\s*)?([A-Z][\w.]*)\s*\{")


def code(line):
    """The line without its strings and its trailing comment."""
    line = re.sub(r'"(?:\\.|[^"\\])*"', '""', line)
    return line.split("//", 1)[0]


def findings(path):
    stack = []  # the type of each open brace; None for a brace that opens no element
    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        line = code(raw)
        opened = OPENING.match(line)
        braces = line.count("{")
        if opened:
            name = opened.group(1)
            parent = next((t for t in reversed(stack) if t is not None), None)
            if name == "Repeater" and parent in QUICK_LAYOUTS:
                yield f"{path}:{number}: a Repeater directly in a {parent}"
            stack.append(name)
            braces -= 1
        stack.extend([None] * braces)
        for _ in range(line.count("}")):
            if stack:
                stack.pop()


def main():
    root = pathlib.Path(sys.argv[1])
    found = [f for path in sorted(root.rglob("*.qml")) for f in findings(path)]
    print("\n".join(found) if found else f"no Repeater directly in a layout under {root}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
