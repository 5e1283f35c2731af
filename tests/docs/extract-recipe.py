#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Prints the first fenced code block under the heading HEADING of a Markdown file, as written.

usage: extract-recipe.py FILE HEADING"""
import sys

text = open(sys.argv[1], encoding="utf-8").read().splitlines()
heading = sys.argv[2]
inside = False
block = None
for line in text:
    if line.startswith("#") and not line.startswith("#!") and block is None:
        inside = line.lstrip("#").strip() == heading
        continue
    if not inside:
        continue
    if block is None and line.startswith("```"):
        block = []
        continue
    if block is not None:
        if line.startswith("```"):
            print("\n".join(block))
            sys.exit(0)
        block.append(line)
sys.exit("no code block under '%s'" % heading)
