#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes a pseudo translation of a Qt Linguist .ts file: every message's text, accented,
wrapped in "[~ " … " ~]" and made about a third longer, with its place markers (%1, %n, %L2)
and markup (<b>, &amp;) kept as they are.

A text on screen that is not wrapped was never translated; one with a "~]" before its end
was pieced together from several. Longer texts show where a layout has no room for longer
languages.

Usage: pseudo_translation.py source.ts pseudo.ts
"""
import math
import re
import sys
import xml.etree.ElementTree as ET

ACCENTED = str.maketrans(
    "aceinosuyACEINOSUYgkltzGKLTZ",
    "áçéîñöšûýÁÇÉÎÑÖŠÛÝĝķļţžĜĶĻŢŽ")
# Place markers, tags and entities pass through untouched.
KEPT = re.compile(r"(%L?\d+|%n|<[^>]*>|&[a-zA-Z#0-9]+;)")


def pseudo(text):
    pieces = KEPT.split(text)
    changed = "".join(p if i % 2 else p.translate(ACCENTED) for i, p in enumerate(pieces))
    padding = "·" * max(1, math.ceil(len(text) * 0.3))
    return f"[~ {changed} {padding} ~]"


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    tree = ET.parse(sys.argv[1])
    root = tree.getroot()
    root.set("language", "en")  # English plural rules: one form for 1, one for the rest
    for message in root.iter("message"):
        source = message.findtext("source", "")
        for old in message.findall("translation"):
            message.remove(old)
        translation = ET.SubElement(message, "translation")
        if message.get("numerus") == "yes":
            # "%n card(s)": "%n card" for one, "%n cards" for the rest.
            for form in (source.replace("(s)", ""), source.replace("(s)", "s")):
                ET.SubElement(translation, "numerusform").text = pseudo(form)
        else:
            translation.text = pseudo(source)
    tree.write(sys.argv[2], encoding="utf-8", xml_declaration=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
