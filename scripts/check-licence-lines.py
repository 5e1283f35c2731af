#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that every source, script and build file of the project names its licence: an
"SPDX-License-Identifier: GPL-3.0-or-later" line among its first lines. Prints each file that
lacks it and exits 1 when there is one."""
import pathlib
import sys

LINE = "SPDX-License-Identifier: GPL-3.0-or-later"
# The folders that hold code, and what counts as code in them. Fuzz corpora, data, pictures and
# documents are not code.
FOLDERS = ["src", "tests", "bench", "fuzz", "scripts", "packaging", ".ci"]
SUFFIXES = {".cpp", ".h", ".c", ".inc", ".cmake", ".py", ".sh", ".bash-completion"}
SKIP = {("fuzz", "corpus")}
HEAD_LINES = 5


def is_code(path: pathlib.Path) -> bool:
    if path.name == "CMakeLists.txt" or path.suffix in SUFFIXES:
        return True
    # Scripts without a suffix (.ci/run) are known by their interpreter line.
    try:
        with path.open("rb") as f:
            return f.read(2) == b"#!"
    except OSError:
        return False


root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
files = [root / "CMakeLists.txt"]
for folder in FOLDERS:
    for path in sorted((root / folder).rglob("*")):
        parts = path.relative_to(root).parts
        if path.is_file() and parts[:2] not in SKIP and is_code(path):
            files.append(path)

faults = []
for path in files:
    with path.open(encoding="utf-8", errors="replace") as f:
        head = [f.readline() for _ in range(HEAD_LINES)]
    if not any(LINE in line for line in head):
        faults.append(str(path.relative_to(root)))
for fault in faults:
    print(f"{fault}: no '{LINE}' line at its top")
print(f"{len(files)} files checked, {len(faults)} without the licence line")
sys.exit(1 if faults else 0)
