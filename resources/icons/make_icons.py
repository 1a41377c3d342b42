#!/usr/bin/env python3
"""Writes the three toolbar icon files that registration copies into the host's
workspace packages: one craft-knife picture at 16, 32 and 48 pixels, each a
single 32-bit image in a Windows .ico container. Run from any folder:
    python3 resources/icons/make_icons.py
"""
import os
import struct

PICTURE = [
    "................",
    "............##..",
    "...........#SS#.",
    "..........#SS#..",
    ".........#SS#...",
    "........#CC#....",
    ".......#CC#.....",
    "......#HH#......",
    ".....#HH#.......",
    "....#HH#........",
    "...#HH#.........",
    "..#HH#..........",
    ".#HH#...........",
    ".#H#............",
    "..#.............",
    "................",
]
# symbol -> (blue, green, red, alpha); the background is transparent
COLOURS = {
    ".": (0, 0, 0, 0),
    "#": (0x30, 0x30, 0x30, 0xFF),
    "S": (0xD4, 0xCC, 0xC8, 0xFF),
    "C": (0x30, 0xA8, 0xD8, 0xFF),
    "H": (0xC0, 0x60, 0x20, 0xFF),
}
FILES = [
    ("10056ae4-cb43-4ced-b6da-e422c6668881.ico", 16),
    ("10056ae4-cb43-4ced-b6da-e422c6668882.ico", 32),
    ("10056ae4-cb43-4ced-b6da-e422c6668883.ico", 48),
]


def image(size):
    scale = size // 16
    rows = []
    for y in range(size - 1, -1, -1):  # bottom row first
        row = b""
        for x in range(size):
            row += bytes(COLOURS[PICTURE[y // scale][x // scale]])
        rows.append(row)
    pixels = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4  # 1-bit AND mask, rows padded to 32 bits
    mask = b"\x00" * (mask_row * size)  # alpha decides transparency
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def icon(size):
    data = image(size)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), 6 + 16)
    return directory + entry + data


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    for name, size in FILES:
        with open(os.path.join(folder, name), "wb") as out:
            out.write(icon(size))


if __name__ == "__main__":
    main()
