#!/usr/bin/env python3
"""Writes the small BMP files that the GUI tests use as bitmap resources:
300.bmp  200 x 120, 24-bit, bottom-up: the test frame's background
301.bmp   40 x  60, 8-bit palette, uncompressed: a button, up (top half) and down
302.bmp   32 x  32, 8-bit run-length encoded: a round handle on white (transparent)
303.bmp   48 x  48, 32-bit, top-down: a tile without pure white
Run from this folder; the files are committed, so the build needs no Python."""
import struct


def header(width, height, bit_count, compression, palette, pixel_bytes):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, compression, len(pixel_bytes),
                       2835, 2835, len(palette), 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + len(info) + len(table)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixel_bytes), 0, 0, offset) + info + table + pixel_bytes


def rows(width, height, pixel, pack, top_down):
    out = b""
    order = range(height) if top_down else range(height - 1, -1, -1)
    for y in order:
        row = b"".join(pack(pixel(x, y)) for x in range(width))
        out += row + b"\0" * ((4 - len(row) % 4) % 4)
    return out


def background(x, y):
    if x % 20 == 0 or y % 20 == 0:
        return (40, 40, 60)
    return (x, (2 * y) % 256, 128)


PALETTE = [(0, 0, 0), (255, 255, 255), (200, 30, 30), (30, 160, 60), (40, 60, 200), (230, 200, 40),
           (120, 120, 120), (250, 250, 250)]


def button(x, y):
    down = y >= 30
    y %= 30
    if x in (0, 39) or y in (0, 29):
        return 0
    if 8 <= x < 32 and 8 <= y < 22:
        return 2 if down else 3
    return 6 if down else 7


def handle_rows():
    """Row indexes of the handle, top-down."""
    for y in range(32):
        row = []
        for x in range(32):
            distance = (x - 15.5) ** 2 + (y - 15.5) ** 2
            row.append(4 if distance < 12 ** 2 else 0 if distance < 15 ** 2 else 1)
        yield row


def rle8(index_rows_bottom_up):
    out = b""
    for row in index_rows_bottom_up:
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and row[x + run] == row[x] and run < 255:
                run += 1
            if run >= 3 or len(row) - x < 3:
                out += bytes([run, row[x]])
                x += run
            else:
                # An absolute run up to the next repeat, padded to 16 bits.
                end = x
                while end < len(row) and end - x < 255 and not (
                        end + 2 < len(row) and row[end] == row[end + 1] == row[end + 2]):
                    end += 1
                if end - x < 3:
                    end = min(x + 3, len(row))
                chunk = bytes(row[x:end])
                out += bytes([0, len(chunk)]) + chunk + (b"\0" if len(chunk) % 2 else b"")
                x = end
        out += b"\0\0"
    return out + b"\0\1"


def tile(x, y):
    return ((x * 5) % 250, (y * 5) % 250, ((x + y) * 3) % 250)


with open("300.bmp", "wb") as f:
    f.write(header(200, 120, 24, 0, [],
                   rows(200, 120, background, lambda c: bytes([c[2], c[1], c[0]]), top_down=False)))
with open("301.bmp", "wb") as f:
    f.write(header(40, 60, 8, 0, PALETTE, rows(40, 60, button, lambda i: bytes([i]), top_down=False)))
with open("302.bmp", "wb") as f:
    f.write(header(32, 32, 8, 1, PALETTE, rle8(list(handle_rows())[::-1])))
with open("303.bmp", "wb") as f:
    f.write(header(48, -48, 32, 0, [], rows(48, 48, tile, lambda c: bytes([c[2], c[1], c[0], 0x55]), top_down=True)))
