#!/usr/bin/env python3
"""Draws Trelk's icon: an assembly tree on a sheet of paper, 32 x 32 pixels, 16 colours.

Writes app/trelk.ico. The picture is below, one letter per pixel; '.' is transparent.
"""
import struct
import sys
from pathlib import Path

PICTURE = """\
................................
...KKKKKKKKKKKKKKKKKKKKKK.......
...KWWWWWWWWWWWWWWWWWWWWKK......
...KWWWWWWWWWWWWWWWWWWWWKSK.....
...KWWWWWWWWNNNNNNWWWWWWKSSK....
...KWWWWWWWWNBBBBNWWWWWWKKKKK...
...KWWWWWWWWNBBBBNWWWWWWWWWWKG..
...KWWWWWWWWNNNNNNWWWWWWWWWWKG..
...KWWWWWWWWWWWKWWWWWWWWWWWWKG..
...KWWWWWWWWWWWKWWWWWWWWWWWWKG..
...KWWWWWKKKKKKKKKKKKKWWWWWWKG..
...KWWWWWKWWWWWWWWWWWKWWWWWWKG..
...KWWWWWKWWWWWWWWWWWKWWWWWWKG..
...KWWWTTTTTTWWWWWEEEEEEWWWWKG..
...KWWWTAAAATWWWWWELLLLEWWWWKG..
...KWWWTAAAATWWWWWELLLLEWWWWKG..
...KWWWTTTTTTWWWWWEEEEEEWWWWKG..
...KWWWWWKWWWWWWWWWWWKWWWWWWKG..
...KWWWWWKWWWWWWWWWWWKWWWWWWKG..
...KWWWKKKKKWWWWWWWKKKKKWWWWKG..
...KWWWKWWWKWWWWWWWKWWWKWWWWKG..
...KWWOOOWOOOWWWWWMMMWMMMWWWKG..
...KWWOYOWOYOWWWWWMRMWMRMWWWKG..
...KWWOOOWOOOWWWWWMMMWMMMWWWKG..
...KWWWWWWWWWWWWWWWWWWWWWWWWKG..
...KWWSSSSSSSSSSSSSSSSSSSSWWKG..
...KWWWWWWWWWWWWWWWWWWWWWWWWKG..
...KWWSSSSSSSSSSSSSSSSWWWWWWKG..
...KWWWWWWWWWWWWWWWWWWWWWWWWKG..
...KKKKKKKKKKKKKKKKKKKKKKKKKKG..
....GGGGGGGGGGGGGGGGGGGGGGGGGG..
................................
"""

# The 16 colours of the standard palette, in its order, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
LETTERS = {"K": 0, "M": 1, "E": 2, "O": 3, "N": 4, "T": 6, "S": 7, "G": 8, "R": 9, "L": 10,
           "Y": 11, "B": 12, "A": 14, "W": 15, ".": 0}


def icon_bytes(rows):
    assert len(rows) == 32 and all(len(r) == 32 for r in rows), "the picture must be 32 x 32"
    colour_rows, mask_rows = [], []
    for row in reversed(rows):  # bitmaps are stored bottom-up
        indices = [LETTERS[c] for c in row]
        colour_rows.append(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, 32, 2)))
        mask = 0
        for c in row:
            mask = (mask << 1) | (1 if c == "." else 0)
        mask_rows.append(mask.to_bytes(4, "big"))
    colours, masks = b"".join(colour_rows), b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(colours) + len(masks), 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + colours + masks
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 22)
    return directory + image


if __name__ == "__main__":
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "app" / "trelk.ico"
    target.write_bytes(icon_bytes(PICTURE.splitlines()))
    print(f"wrote {target}")
