#!/usr/bin/env python3
"""Writes a 24-bit bottom-up BMP whose last column and last row have colours of their own,
so a test can tell whether a drawing ever shows them."""
import struct
import sys

WIDTH, HEIGHT = 40, 30
BODY, LAST_COLUMN, LAST_ROW = (0x20, 0x40, 0xC0), (0x00, 0xFF, 0x00), (0xFF, 0x00, 0x00)  # RGB


def pixel(x, y_from_top):
    if y_from_top == HEIGHT - 1:
        return LAST_ROW
    if x == WIDTH - 1:
        return LAST_COLUMN
    return BODY


stride = (WIDTH * 3 + 3) & ~3
rows = []
for y in reversed(range(HEIGHT)):          # bottom-up: the last row is stored first
    row = b"".join(bytes((b, g, r)) for r, g, b in (pixel(x, y) for x in range(WIDTH)))
    rows.append(row + b"\0" * (stride - len(row)))
data = b"".join(rows)
info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(data), 2835, 2835, 0, 0)
header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
with open(sys.argv[1], "wb") as f:
    f.write(header + info + data)
