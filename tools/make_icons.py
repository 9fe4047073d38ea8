#!/usr/bin/env python3
"""make_icons.py OUTDIR: writes the suite's icons (16 and 32 pixels, 32-bit) as .ico files.

Each is a coloured tile with a white letter, so that the programs and the four archive
types are told apart at a glance in Explorer and in the task bar."""
import struct
import sys
from pathlib import Path

# 5 x 7 glyphs.
GLYPHS = {
    "D": ["1110.", "1..1.", "1...1", "1...1", "1...1", "1..1.", "1110."],
    "L": ["1....", "1....", "1....", "1....", "1....", "1....", "11111"],
    "T": ["11111", "..1..", "..1..", "..1..", "..1..", "..1..", "..1.."],
    "C": [".111.", "1...1", "1....", "1....", "1....", "1...1", ".111."],
    "Z": ["11111", "....1", "...1.", "..1..", ".1...", "1....", "11111"],
    "P": ["1111.", "1...1", "1...1", "1111.", "1....", "1....", "1...."],
}
ICONS = {
    "dexlor": ("D", (0x1F, 0x5F, 0xBF)),
    "pakmo": ("P", (0xB0, 0x2A, 0x4A)),
    "lha": ("L", (0x2E, 0x8B, 0x3E)),
    "tar": ("T", (0x8B, 0x5A, 0x2B)),
    "cab": ("C", (0x6A, 0x3D, 0x9A)),
    "zip": ("Z", (0xD9, 0x70, 0x1A)),
}


def image(size, letter, colour):
    """BGRA rows, top row first."""
    scale = 2 if size == 16 else 4
    gw, gh = 5 * scale, 7 * scale
    ox, oy = (size - gw) // 2, (size - gh) // 2
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            edge = x in (0, size - 1) or y in (0, size - 1)
            corner = (x in (0, size - 1)) and (y in (0, size - 1))
            if corner:
                row.append((0, 0, 0, 0))
                continue
            gx, gy = (x - ox) // scale, (y - oy) // scale
            on = 0 <= x - ox < gw and 0 <= y - oy < gh and GLYPHS[letter][gy][gx] == "1"
            if on:
                row.append((255, 255, 255, 255))
            elif edge:
                r, g, b = (c // 2 for c in colour)
                row.append((b, g, r, 255))
            else:
                r, g, b = colour
                row.append((b, g, r, 255))
        rows.append(row)
    return rows


def bmp_entry(size, rows):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(p) for row in reversed(rows) for p in row)
    mask_row = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = 0
        line = bytearray(mask_row)
        for x, p in enumerate(row):
            if p[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
        bits += 1
    return header + pixels + mask


def write_icon(path, letter, colour):
    entries = [(s, bmp_entry(s, image(s, letter, colour))) for s in (16, 32)]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, data in entries:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in entries)
    path.write_bytes(out)


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, (letter, colour) in ICONS.items():
        write_icon(out / f"{name}.ico", letter, colour)


if __name__ == "__main__":
    main()
