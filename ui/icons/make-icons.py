#!/usr/bin/env python3
"""Writes the program icon, vorrik-32.xpm and vorrik-16.xpm, beside this file.

The motif is a bold blue V standing on a small wooden abacus, drawn from the
pixel maps below in the classic 16-colour palette with a clear background.
Run it again after editing a map: python3 ui/icons/make-icons.py
"""

import pathlib

# One character per pixel; "." is transparent.
PALETTE = {
    ".": "None",
    "k": "#000000",  # black: outlines
    "n": "#000080",  # navy: the V's shaded side
    "b": "#0000FF",  # blue: the V
    "c": "#00FFFF",  # aqua: the V's highlight
    "m": "#800000",  # maroon: the abacus frame
    "o": "#808000",  # olive: the frame's lit edge
    "g": "#808080",  # grey: the rods
    "r": "#FF0000",  # red beads
    "y": "#FFFF00",  # yellow beads
    "s": "#C0C0C0",  # silver: inside the frame
    "w": "#FFFFFF",  # white: bead shine
}

ICON_32 = """
................................
.kkkkkkkk..............kkkkkkkk.
.kccbbbbk..............kccbbbbk.
.kcbbbbbnk............kcbbbbbnk.
..kcbbbbbk............kcbbbbbk..
..kcbbbbbnk..........kcbbbbbnk..
...kcbbbbbk..........kcbbbbbk...
...kcbbbbbnk........kcbbbbbnk...
....kcbbbbbk........kcbbbbbk....
....kcbbbbbnk......kcbbbbbnk....
.....kcbbbbbk......kcbbbbbk.....
.....kcbbbbbnk....kcbbbbbnk.....
......kcbbbbbk....kcbbbbbk......
......kcbbbbbnk..kcbbbbbnk......
.......kcbbbbbkkkkcbbbbbk.......
.......kcbbbbbbnncbbbbbnk.......
........kcbbbbbbbbbbbbbk........
........kcbbbbbbbbbbbbnk........
.........kcbbbbbbbbbbbk.........
.........kcbbbbbbbbbbnk.........
..........kkkkkkkkkkkk..........
..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..
..kooooooooooooooooooooooooomk..
..kmsrrsssrrsssrrssssssssyysmk..
..kmrwrrgrwrrgrwrrggggggywyymk..
..kmsrrsssrrsssrrssssssssyysmk..
..kmssssssssssssssssssssssssmk..
..kmsrrssssssssssssyysssyyssmk..
..kmrwrrggggggggggywyygywyygmk..
..kmsrrssssssssssssyysssyyssmk..
..kmmmmmmmmmmmmmmmmmmmmmmmmmmk..
..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..
"""

ICON_16 = """
kkkkk......kkkkk
kcbbnk....kcbbnk
.kcbbk....kcbbk.
.kcbbnk..kcbbnk.
..kcbbk..kcbbk..
..kcbbnkkcbbnk..
...kcbbbbbbnk...
....kcbbbbnk....
.....kkkkkk.....
kkkkkkkkkkkkkkkk
kooooooooooooomk
kmrrgrrgggggyymk
kmssssssssssssmk
kmyygyyggggrrgmk
kmmmmmmmmmmmmmmk
kkkkkkkkkkkkkkkk
"""


def rows(art):
    """The pixel rows of a map, checked to be square and in the palette."""
    lines = [line for line in art.splitlines() if line]
    for line in lines:
        if len(line) != len(lines):
            raise ValueError(f"row {line!r} is not {len(lines)} pixels wide")
        for char in line:
            if char not in PALETTE:
                raise ValueError(f"no colour for {char!r}")
    return lines


def xpm(name, art):
    """The XPM text of a map, listing only the colours it uses."""
    lines = rows(art)
    used = sorted({char for line in lines for char in line})
    out = [
        "/* XPM */",
        f"static const char *{name}[] = {{",
        f'"{len(lines)} {len(lines)} {len(used)} 1",',
    ]
    out += [f'"{char} c {PALETTE[char]}",' for char in used]
    out += [f'"{line}",' for line in lines]
    out[-1] = out[-1].rstrip(",")
    out.append("};")
    return "\n".join(out) + "\n"


if __name__ == "__main__":
    here = pathlib.Path(__file__).resolve().parent
    (here / "vorrik-32.xpm").write_text(xpm("vorrik_32", ICON_32))
    (here / "vorrik-16.xpm").write_text(xpm("vorrik_16", ICON_16))
