#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks the layering of src/ that docs/ARCHITECTURE.md states: every folder includes only the
folders below it. Prints each include that breaks the order and exits 1 when there is one."""
import pathlib
import re
import sys

# Each folder with the folders it may include (besides itself).
ALLOWED = {
    "platform": set(),
    "imageio": {"platform"},
    "exif": {"platform", "imageio"},
    "settings": {"platform", "imageio", "exif"},
    "filters": {"platform", "imageio"},
    "stages": {"platform", "imageio", "exif", "settings", "filters"},
    "engine": {"platform", "imageio", "exif", "settings", "filters", "stages"},
    "cli": {"platform", "imageio", "exif", "settings", "filters", "stages", "engine"},
    "ui": {"platform", "imageio", "exif", "settings", "filters", "stages", "engine"},
}

src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
include = re.compile(r'^\s*#\s*include\s+"([a-z]+)/')
faults = []
for path in sorted(src.rglob("*")):
    if path.suffix not in (".h", ".cpp"):
        continue
    folder = path.relative_to(src).parts[0]
    if folder not in ALLOWED:
        faults.append(f"{path}: folder {folder} has no place in the layering")
        continue
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        m = include.match(line)
        if m and m.group(1) != folder and m.group(1) not in ALLOWED[folder]:
            faults.append(f"{path}:{number}: {folder} includes {m.group(1)}")
for fault in faults:
    print(fault)
print(f"layering: {len(faults)} faults")
sys.exit(1 if faults else 0)
