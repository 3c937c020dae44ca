#!/usr/bin/env python3
"""Writes the program icon as vorrik-SIZE.png beside this file.

The motif is a bold blue V standing on a small wooden abacus, drawn from the
pixel maps below in the classic 16-colour palette with a clear background.
The 16 and 32 pixel images have maps of their own; the 64 and 128 pixel ones
(for high-DPI screens and the desktop's larger icon sizes) are the 32 pixel
map with each pixel drawn as a 2x2 or 4x4 block, keeping the pixel look.
The images are palette PNGs with one clear colour.
Run it again after editing a map: python3 ui/icons/make-icons.py
"""

import pathlib
import struct
import zlib

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


def png(art, scale=1):
    """The PNG bytes of a map, each pixel drawn as a scale x scale block."""
    lines = rows(art)
    used = sorted({char for line in lines for char in line})
    index = {char: i for i, char in enumerate(used)}
    side = len(lines) * scale

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    palette = b"".join(
        bytes.fromhex("000000" if PALETTE[c] == "None" else PALETTE[c][1:]) for c in used
    )
    alpha = bytes(0 if PALETTE[c] == "None" else 255 for c in used)
    raw = b""
    for line in lines:
        row = b"".join(bytes([index[char]]) * scale for char in line)
        raw += (b"\0" + row) * scale  # filter type 0 on every row
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 3, 0, 0, 0))
        + chunk(b"PLTE", palette)
        + chunk(b"tRNS", alpha)
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def ico(images):
    """The Windows icon file of (map, scale) pairs: 32-bit DIB images with
    their transparency mask, which every Windows version reads."""
    entries = []
    for art, scale in images:
        lines = rows(art)
        side = len(lines) * scale
        pixels = b""
        mask = b""
        mask_row_bytes = ((side + 31) // 32) * 4
        for line in reversed(lines):  # DIB rows go bottom-up
            row = b""
            bits = []
            for char in line:
                colour = PALETTE[char]
                clear = colour == "None"
                bgra = b"\0\0\0\0" if clear else bytes.fromhex(colour[5:7] + colour[3:5] + colour[1:3]) + b"\xff"
                row += bgra * scale
                bits += [1 if clear else 0] * scale
            packed = bytes(
                sum(bit << (7 - i) for i, bit in enumerate(bits[at : at + 8])) for at in range(0, side, 8)
            )
            pixels += row * scale
            mask += (packed + b"\0" * (mask_row_bytes - len(packed))) * scale
        header = struct.pack("<IiiHHIIiiII", 40, side, 2 * side, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
        entries.append((side, header + pixels + mask))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for side, data in entries:
        out += struct.pack("<BBBBHHII", side % 256, side % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in entries)


if __name__ == "__main__":
    here = pathlib.Path(__file__).resolve().parent
    (here / "vorrik-16.png").write_bytes(png(ICON_16))
    (here / "vorrik-32.png").write_bytes(png(ICON_32))
    (here / "vorrik-64.png").write_bytes(png(ICON_32, 2))
    (here / "vorrik-128.png").write_bytes(png(ICON_32, 4))
    windows = here.parent.parent / "packaging" / "windows"
    windows.mkdir(exist_ok=True)
    (windows / "vorrik.ico").write_bytes(ico([(ICON_16, 1), (ICON_32, 1), (ICON_32, 2), (ICON_32, 4)]))
