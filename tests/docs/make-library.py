#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a small dated photo library of 24-bit BMP pictures: ROOT/YYYY/MM/name.bmp, with the same
file names in different months, each picture a different gradient."""
import os
import struct
import sys

root = sys.argv[1]
names = sys.argv[2:] or ["2021/01/x.bmp", "2022/01/x.bmp", "2022/02/x.bmp", "2022/02/y.bmp",
                         "2023/05/z.bmp", "top.bmp"]
for n, rel in enumerate(names):
    w, h = 40 + n, 24
    row = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(h):
        line = bytearray()
        for x in range(w):
            line += bytes(((x * 6 + n * 40) % 256, (y * 9) % 256, (x * y + n * 17) % 256))
        pixels += line + b"\0" * (row - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(header + info + pixels)
