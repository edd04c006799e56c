"""Writes Windows BMP files: 8-bit palette (plain or run-length encoded) and
24-bit. Rows are stored bottom-up, as BITMAP resources expect."""

import struct

BI_RGB = 0
BI_RLE8 = 1


def _headers(width, height, bits, compression, image_size, colours):
    palette_size = 4 * colours
    offset = 14 + 40 + palette_size
    file_header = struct.pack("<2sIHHI", b"BM", offset + image_size, 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, image_size,
                              2835, 2835, colours, colours)
    return file_header + info_header


def _palette_bytes(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def _padded(row):
    return row + b"\0" * (-len(row) % 4)


def _rle8_row(row):
    """Encodes one row: runs of 3 or more equal pixels as (count, index), the
    rest in absolute mode (at least 3 pixels, padded to a 16-bit boundary)."""
    out = bytearray()
    literal = bytearray()

    def flush_literal():
        nonlocal literal
        while literal:
            chunk, literal = literal[:255], literal[255:]
            if len(chunk) < 3:
                for value in chunk:
                    out.extend((1, value))
            else:
                out.extend((0, len(chunk)))
                out.extend(chunk)
                if len(chunk) % 2:
                    out.append(0)

    i, n = 0, len(row)
    while i < n:
        run = 1
        while i + run < n and run < 255 and row[i + run] == row[i]:
            run += 1
        if run >= 3:
            flush_literal()
            out.extend((run, row[i]))
        else:
            literal.extend(row[i:i + run])
        i += run
    flush_literal()
    return bytes(out)


def write_indexed(path, pixels, palette, rle=False):
    """pixels: list of rows (top first), each a bytes object of palette indexes."""
    height, width = len(pixels), len(pixels[0])
    if rle:
        body = bytearray()
        for y, row in enumerate(reversed(pixels)):
            body += _rle8_row(row)
            body += b"\0\1" if y == height - 1 else b"\0\0"
        body = bytes(body)
    else:
        body = b"".join(_padded(bytes(row)) for row in reversed(pixels))
    data = _headers(width, height, 8, BI_RLE8 if rle else BI_RGB, len(body), 256)
    with open(path, "wb") as f:
        f.write(data + _palette_bytes(palette) + body)


def write_rgb(path, pixels):
    """pixels: list of rows (top first), each a list of (r, g, b)."""
    height, width = len(pixels), len(pixels[0])
    body = b"".join(_padded(b"".join(struct.pack("<BBB", b, g, r) for r, g, b in row))
                    for row in reversed(pixels))
    with open(path, "wb") as f:
        f.write(_headers(width, height, 24, BI_RGB, len(body), 0) + body)
