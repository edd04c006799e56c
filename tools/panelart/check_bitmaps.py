#!/usr/bin/env python3
"""Checks the committed front-panel bitmaps against resources/bitmaps.csv.

Reads every BMP with its own reader (standard library only, no code shared
with the generator) and checks: header, size, depth, compression and frame
count of each bitmap; the resource script; that the pictures fit the panel
(rest frames and legend frame 0 equal the panel under them, parts that other
controls draw over stay the same in every frame); switch, slider and LCD
geometry; the slider handles; that the LCD glyphs read as digits; and that
the application icon's PNG files (icons/zintra-<N>.png) are N x N with
transparent corners and an opaque middle, and its SVG is a 256-unit square.

Every check of the bitmaps runs twice: on the first set (bmp/) at the
table's geometry and on the double-size set (bmp2x/) with every size, place
and window of the table doubled. Then the two sets are compared: one
palette for both; each double picture, shrunk by averaging 2 x 2 blocks,
is close to its first-set picture (nothing moved or missing); and it is no
pixel-doubled enlargement of it (drawn anew at the double size).

    check_bitmaps.py [DIR]

DIR holds bmp/<id>.bmp and bmp2x/<id>.bmp (default: the repository's
resources/); the table is always the repository's resources/bitmaps.csv.

Prints one line per failed check and ends with 'N passed, M failed'."""

import csv
import os
import struct
import sys
import xml.etree.ElementTree as ElementTree
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_RESOURCES = os.path.normpath(os.path.join(HERE, "..", "..", "resources"))

# Order in which the editor puts the controls on its frame: a later control
# draws over an earlier one where their rectangles overlap.
LCD_MARK_ORDER = [198, 189, 196, 197, 195, 190, 194, 193, 192, 191]
# The rhythm-name overlay (226) lies over the black keys by its placement; a
# black key pressed while it shows ends the rhythm wait, and the editor then
# draws the overlay's plain frame over the key, whatever the key's picture.
ALLOWED_UNDER = {226: "black-key"}
# The display model's character values; a frame strip of n frames shows
# frame int((n - 1) * value + 0.5).
DIGIT_VALUES = {"0": 0.0625, "1": 0.125, "2": 0.1875, "3": 0.25, "4": 0.3125, "5": 0.375, "6": 0.4375,
                "7": 0.5, "8": 0.56875, "9": 0.6375}
# Seven segments of each digit: a top, b upper right, c lower right, d bottom,
# e lower left, f upper left, g middle.
SEVEN_SEGMENTS = {"0": "abcdef", "1": "bc", "2": "abdeg", "3": "abcdg", "4": "bcfg", "5": "acdfg",
                  "6": "acdefg", "7": "abc", "8": "abcdefg", "9": "abcdfg"}
# Where each segment lies in the 13 x 19 cell: rows and columns (end excluded).
SEGMENT_ZONES = {"a": (0, 3, 4, 9), "g": (8, 11, 3, 8), "d": (15, 18, 2, 7),
                 "f": (3, 7, 0, 5), "b": (3, 7, 8, 12), "e": (11, 15, 0, 4), "c": (11, 15, 7, 11)}
# The sets of bitmaps: folder under DIR and scale.
SETS = (("bmp", 1), ("bmp2x", 2))
# A double picture shrunk by 2 x 2 averages may differ from its first-set
# picture by this much on average (per channel, 0..255), by kind: edges land a
# little differently when drawn at the double size, and text more, as its
# hinting differs. Most pictures moved by one panel pixel differ by more.
SHRUNK_MEAN_DIFFERENCE = {"legend": 12.0}
SHRUNK_MEAN_DIFFERENCE_OTHERS = 2.0
# Share of the pixels of the panel (150), of a white and a black key and of
# the LCD's glyphs and marks in which the double set must differ from a
# pixel-doubled first set.
NOT_ENLARGED = {150: 0.1, 171: 0.1, 175: 0.1, 187: 0.1, 188: 0.1, 189: 0.1}


class Bitmap:
    """A decoded BMP: header fields, palette and pixels as (r, g, b) rows, top first."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        if data[:2] != b"BM":
            raise ValueError("not a BMP file")
        self.file_size, _, _, self.offset = struct.unpack_from("<IHHI", data, 2)
        (self.header_size, self.width, self.height, self.planes, self.bits, self.compression,
         self.image_size, _, _, self.colours_used, _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
        self.palette = []
        if self.bits == 8:
            count = self.colours_used or 256
            for i in range(count):
                b, g, r, _ = struct.unpack_from("<BBBB", data, 14 + self.header_size + 4 * i)
                self.palette.append((r, g, b))
        body = data[self.offset:]
        rows = self._decode(body)
        self.rows = list(reversed(rows)) if self.height > 0 else rows
        self.bytes_total = len(data)

    def _decode(self, body):
        width, height = self.width, abs(self.height)
        if self.bits == 24 and self.compression == 0:
            stride = (width * 3 + 3) & ~3
            return [[(body[y * stride + 3 * x + 2], body[y * stride + 3 * x + 1], body[y * stride + 3 * x])
                     for x in range(width)] for y in range(height)]
        if self.bits == 8 and self.compression == 0:
            stride = (width + 3) & ~3
            return [[self.palette[i] for i in body[y * stride:y * stride + width]] for y in range(height)]
        if self.bits == 8 and self.compression == 1:
            return [[self.palette[i] for i in row] for row in decode_rle8(body, width, height)]
        raise ValueError(f"unsupported format: {self.bits} bits, compression {self.compression}")

    def frame(self, k, frames):
        h = len(self.rows) // frames
        return [row[:] for row in self.rows[k * h:(k + 1) * h]]


def decode_rle8(body, width, height):
    """Decodes an 8-bit run-length stream; every row must be complete and the
    stream must end with its end-of-bitmap mark."""
    rows, row, i = [], [], 0
    while True:
        if i + 1 >= len(body):
            raise ValueError("RLE8 stream ends without end-of-bitmap")
        count, value = body[i], body[i + 1]
        i += 2
        if count:
            row.extend([value] * count)
        elif value == 0 or value == 1:
            if len(row) != width:
                raise ValueError(f"RLE8 row {len(rows)} has {len(row)} pixels, not {width}")
            rows.append(row)
            row = []
            if value == 1:
                break
        elif value == 2:
            raise ValueError("RLE8 delta escape is not expected")
        else:
            row.extend(body[i:i + value])
            i += value + (value & 1)
    if len(rows) != height:
        raise ValueError(f"RLE8 stream has {len(rows)} rows, not {height}")
    return rows


def read_table(path, scale=1):
    """The table with every size, place and window multiplied by scale."""
    def pairs(text):
        return [tuple(scale * int(v) for v in item.split(":")) for item in text.split()]
    table = {}
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            table[int(row["id"])] = {
                "kind": row["kind"], "width": scale * int(row["width"]), "height": scale * int(row["height"]),
                "bits": int(row["bits"]), "compression": row["compression"], "frames": int(row["frames"]),
                "places": pairs(row["places"]), "window": pairs(row["window"])[0] if row["window"] else None}
    return table


def crop(rows, left, top, width, height):
    return [row[left:left + width] for row in rows[top:top + height]]


def luminance(rows):
    pixels = [p for row in rows for p in row]
    return sum(0.299 * r + 0.587 * g + 0.114 * b for r, g, b in pixels) / len(pixels)


def inside(inner, outer):
    return outer[0] <= inner[0] and outer[1] <= inner[1] and inner[2] <= outer[2] and inner[3] <= outer[3]


ICON_SIZES = (48, 128, 256)


def read_png_rgba(path):
    """Decodes an 8-bit RGBA PNG into rows of (r, g, b, a); None for any other
    kind of PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    at, header, compressed = 8, None, b""
    while at + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
        at += 12 + length
    if header is None or header[2:5] != (8, 6, 0) or header[6] != 0:
        return None
    width, height = header[0], header[1]
    raw, stride, rows, previous = zlib.decompress(compressed), width * 4, [], bytes(width * 4)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up, corner = previous[i], previous[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append([tuple(line[x * 4:x * 4 + 4]) for x in range(width)])
        previous = bytes(line)
    return rows


class Tally:
    """Counts the expectations that held and prints the ones that failed, with what was checked."""

    def __init__(self, label):
        self.label = label
        self.passed = 0
        self.failed = 0

    def expect(self, condition, message):
        if condition:
            self.passed += 1
        else:
            self.failed += 1
            print(f"FAILED ({self.label}):", message)


class Checker(Tally):
    """Checks one set of bitmaps (folder under resources) at its scale."""

    def __init__(self, resources, folder="bmp", scale=1):
        super().__init__(folder)
        self.resources = resources
        self.folder = folder
        self.scale = scale
        self.table = read_table(os.path.join(DEFAULT_RESOURCES, "bitmaps.csv"), scale)
        self.bitmaps = {}

    def scaled(self, *values):
        return tuple(v * self.scale for v in values)

    def frame(self, bid, k=0):
        return self.bitmaps[bid].frame(k, self.table[bid]["frames"])

    def rect(self, bid, place):
        e = self.table[bid]
        return place[0], place[1], place[0] + e["width"], place[1] + e["height"] // e["frames"]

    def panel_under(self, bid, place):
        e = self.table[bid]
        return crop(self.bitmaps[150].rows, place[0], place[1], e["width"], e["height"] // e["frames"])

    # -- the checks --------------------------------------------------------

    def check_formats(self):
        palettes = set()
        for bid, e in sorted(self.table.items()):
            path = os.path.join(self.resources, self.folder, f"{bid}.bmp")
            try:
                bmp = Bitmap(path)
            except (OSError, ValueError, IndexError, struct.error) as error:
                self.expect(False, f"{bid}.bmp cannot be read: {error}")
                continue
            self.bitmaps[bid] = bmp
            compression = {"BI_RGB": 0, "BI_RLE8": 1}[e["compression"]]
            self.expect(bmp.header_size == 40 and bmp.planes == 1, f"{bid}: header size {bmp.header_size}")
            self.expect((bmp.width, abs(bmp.height)) == (e["width"], e["height"]),
                        f"{bid}: size {bmp.width} x {bmp.height}, table {e['width']} x {e['height']}")
            self.expect(bmp.height > 0, f"{bid}: rows should be stored bottom-up")
            self.expect(bmp.bits == e["bits"], f"{bid}: {bmp.bits} bits, table {e['bits']}")
            self.expect(bmp.compression == compression, f"{bid}: compression {bmp.compression}, table {compression}")
            self.expect(e["height"] % e["frames"] == 0, f"{bid}: height not a whole number of frames")
            self.expect(bmp.file_size == bmp.bytes_total, f"{bid}: file size field {bmp.file_size}")
            if bmp.bits == 8:
                self.expect(len(bmp.palette) == 256, f"{bid}: {len(bmp.palette)} palette entries")
                palettes.add(tuple(bmp.palette))
        self.expect(len(palettes) == 1, f"8-bit bitmaps use {len(palettes)} different palettes")
        self.expect(len(self.table) == 78 and sorted(self.table) == list(range(150, 228)),
                    "the table lists the 78 bitmaps 150 to 227")

    def check_cut_outs(self):
        """Rest frames of keys and buttons and frame 0 of legends and LCD parts
        are the panel's own pixels; pressed frames and labels differ."""
        for bid, e in sorted(self.table.items()):
            if e["kind"] not in ("white-key", "black-key", "button", "legend", "lcd-glyphs", "lcd-mark"):
                continue
            places = e["places"] or self.table[222]["places"]
            for place in places:
                self.expect(self.frame(bid, 0) == self.panel_under(bid, place),
                            f"{bid}: frame 0 differs from the panel at {place}")
            if e["kind"] in ("white-key", "black-key", "button"):
                rest, pressed = self.frame(bid, 0), self.frame(bid, 1)
                self.expect(rest != pressed, f"{bid}: the pressed frame looks like the rest frame")
                self.expect(luminance(pressed) < luminance(rest) - 2.0, f"{bid}: the pressed frame is not darker")
            elif e["kind"] in ("legend", "lcd-mark"):
                self.expect(self.frame(bid, 0) != self.frame(bid, 1), f"{bid}: frame 1 shows nothing")
        self.expect(self.bitmaps[223].rows == self.bitmaps[222].rows, "223 is the same picture as 222")

    def check_overlaps(self):
        """Where a control's rectangle lies under one drawn later, the earlier
        one must look the same in every frame there, so the later one never
        cuts a pressed key or a lit glyph in two."""
        order = [151, 152, 153, 154, 156]
        order += sorted((b for b, e in self.table.items() if e["kind"] in ("white-key", "black-key")),
                        key=lambda b: self.table[b]["places"][0][0])
        order += list(range(199, 209)) + [187, 188] + LCD_MARK_ORDER
        placed = [(bid, place) for bid in order for place in self.table[bid]["places"]]
        legends = [(bid, place) for bid, e in self.table.items() if e["kind"] == "legend" for place in e["places"]]
        for i, (lower, lower_place) in enumerate(placed):
            a = self.rect(lower, lower_place)
            for upper, upper_place in placed[i + 1:] + legends:
                if (upper, upper_place) == (lower, lower_place) or \
                        ALLOWED_UNDER.get(upper) == self.table[lower]["kind"]:
                    continue
                b = self.rect(upper, upper_place)
                overlap = (max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3]))
                if overlap[0] >= overlap[2] or overlap[1] >= overlap[3]:
                    continue
                ox, oy, w, h = overlap[0] - a[0], overlap[1] - a[1], overlap[2] - overlap[0], overlap[3] - overlap[1]
                frames = [crop(self.frame(lower, k), ox, oy, w, h) for k in range(self.table[lower]["frames"])]
                self.expect(all(f == frames[0] for f in frames),
                            f"{lower} at {lower_place} changes under {upper} at {upper_place}")

    def check_switches_and_sliders(self):
        panel = self.bitmaps[150].rows
        for bid, e in sorted(self.table.items()):
            if e["kind"] not in ("switch", "slider", "handle"):
                continue
            window = e["window"]
            self.expect(inside(window, self.scaled(0, 0, 882, 213)), f"{bid}: window {window} outside the panel")
            for place in e["places"]:
                self.expect(inside(self.rect(bid, place), window), f"{bid}: rectangle at {place} outside its window")
            if e["kind"] == "handle":
                pixels = [p for row in self.bitmaps[bid].rows for p in row]
                self.expect((255, 255, 255) not in pixels, f"{bid}: the handle has pure white pixels (transparent)")
                continue
            # The window is a recess: darker than the body just outside it.
            l, t, r, b = window
            s = self.scale
            ring = crop(panel, l - 3 * s, t - 3 * s, r - l + 6 * s, 2 * s) + crop(panel, l - 3 * s, b + s, r - l + 6 * s, 2 * s)
            self.expect(luminance(crop(panel, l, t, r - l, b - t)) < luminance(ring) - 40,
                        f"{bid}: no recessed window visible at {window}")
            if e["kind"] == "switch":
                self.check_switch_positions(bid, e)

    def check_switch_positions(self, bid, e):
        """Each picture shows the light knob in its own slice of the switch."""
        n, width = e["frames"], e["width"]
        frames = [self.frame(bid, k) for k in range(n)]
        self.expect(len({tuple(map(tuple, f)) for f in frames}) == n, f"{bid}: two positions look alike")
        for k, f in enumerate(frames):
            columns = [x for row in f for x, (r, g, b) in enumerate(row) if r + g + b > 3 * 170]
            centre = sum(columns) / len(columns) if columns else -1
            self.expect(k * width / n <= centre < (k + 1) * width / n,
                        f"{bid}: knob of position {k} centred at {centre:.1f}, not in its slice")

    def check_lcd(self):
        lcd = self.scaled(244, 34, 372, 62)
        panel = self.bitmaps[150].rows
        for bid, e in sorted(self.table.items()):
            if e["kind"] in ("lcd-glyphs", "lcd-mark"):
                self.expect(e["window"] == lcd, f"{bid}: LCD window {e['window']}")
                for place in e["places"]:
                    self.expect(inside(self.rect(bid, place), lcd), f"{bid}: cell at {place} outside the LCD window")
        cells = [self.scaled(244 + 14 * i, 43) for i in range(9)]
        self.expect(self.table[187]["places"] == cells, "the nine character cells stand at x 244 + 14 i, y 43")
        self.expect(self.table[188]["places"] == [self.scaled(268 + 14 * i, 59) for i in range(8)],
                    "the eight decimal points stand at x 268 + 14 i, y 59")
        window = crop(panel, *self.scaled(244, 34, 128, 28))
        r, g, b = [sum(p[c] for row in window for p in row) / (len(window) * len(window[0])) for c in range(3)]
        self.expect(g > r and g > b, f"the LCD window is not greenish (mean {r:.0f}, {g:.0f}, {b:.0f})")

    def check_glyphs(self):
        """Shows "0123456789" through the glyph strip as the display would and
        reads the segments back."""
        frames = self.table[187]["frames"]
        blank = self.frame(187, 0)
        shown = {}
        for digit, value in DIGIT_VALUES.items():
            shown[digit] = self.frame(187, int((frames - 1) * value + 0.5))
        for digit, f in shown.items():
            self.expect(f != blank, f"digit {digit} shows blank")
            corner = self.scaled(10, 16, 3, 3)
            self.expect(crop(f, *corner) == crop(blank, *corner), f"digit {digit} uses the decimal point's corner")
            lit = "".join(s for s in "abcdefg" if self.segment_lit(f, blank, s))
            self.expect(lit == "".join(sorted(SEVEN_SEGMENTS[digit])),
                        f"digit {digit} reads as segments '{lit}', not '{SEVEN_SEGMENTS[digit]}'")
        distinct = {tuple(map(tuple, f)) for f in shown.values()}
        self.expect(len(distinct) == 10, "two digit frames are equal")
        for k in range(11, frames):
            self.expect(self.frame(187, k) != blank, f"glyph frame {k} is blank")

    def segment_lit(self, frame, blank, segment):
        top, bottom, left, right = self.scaled(*SEGMENT_ZONES[segment])
        ink = 0
        for y in range(top, bottom):
            for x in range(left, right):
                a, b = frame[y][x], blank[y][x]
                if sum(b) - sum(a) > 3 * 45:
                    ink += 1
        return ink >= 3 * self.scale * self.scale

    def run(self):
        self.check_formats()
        if self.failed:
            return
        self.check_cut_outs()
        self.check_overlaps()
        self.check_switches_and_sliders()
        self.check_lcd()
        self.check_glyphs()
        if self.scale == 1:
            self.check_icons()

    def check_icons(self):
        folder = os.path.join(self.resources, "icons")
        for size in ICON_SIZES:
            path = os.path.join(folder, f"zintra-{size}.png")
            rows = read_png_rgba(path) if os.path.isfile(path) else None
            self.expect(rows is not None, f"{path} is missing or no 8-bit RGBA PNG")
            if rows is None:
                continue
            if (len(rows), len(rows[0])) != (size, size):
                self.expect(False, f"{path} is not {size} x {size}")
                continue
            corners = [rows[0][0], rows[0][-1], rows[-1][0], rows[-1][-1]]
            self.expect(all(p[3] == 0 for p in corners), f"{path}: the corners are not transparent")
            middle = rows[size // 2][size // 2]
            self.expect(middle[3] == 255, f"{path}: the middle is not opaque")
            colours = {p[:3] for row in rows for p in row if p[3] == 255}
            self.expect(len(colours) >= 8, f"{path}: only {len(colours)} opaque colours, no picture")
        path = os.path.join(folder, "zintra.svg")
        try:
            root = ElementTree.parse(path).getroot()
            self.expect(root.tag.endswith("svg") and root.get("viewBox") == "0 0 256 256",
                        f"{path} is no 256-unit square SVG")
        except (OSError, ElementTree.ParseError) as error:
            self.expect(False, f"{path}: {error}")


def shrunk(rows):
    """Averages 2 x 2 blocks: a picture of half the size, in float channels."""
    return [[tuple(sum(rows[2 * y + dy][2 * x + dx][c] for dy in (0, 1) for dx in (0, 1)) / 4.0 for c in range(3))
             for x in range(len(rows[0]) // 2)] for y in range(len(rows) // 2)]


def doubled(rows):
    """Each pixel repeated 2 x 2: what an enlargement of the first set would be."""
    wide = [[p for p in row for _ in (0, 1)] for row in rows]
    return [row for row in wide for _ in (0, 1)]


class PairChecker(Tally):
    """Compares the double-size set with the first set, both already checked."""

    def __init__(self, first, second):
        super().__init__("bmp2x against bmp")
        self.first, self.second = first, second

    def run(self):
        for bid in sorted(self.first.table):
            small, large = self.first.bitmaps[bid], self.second.bitmaps[bid]
            if small.bits == 8:
                self.expect(large.palette == small.palette, f"{bid}: the double set has another palette")
            difference = mean_difference(shrunk(large.rows), small.rows)
            limit = SHRUNK_MEAN_DIFFERENCE.get(self.first.table[bid]["kind"], SHRUNK_MEAN_DIFFERENCE_OTHERS)
            self.expect(difference <= limit,
                        f"{bid}: shrunk to half, differs from the first set by {difference:.1f} on average")
            if bid in NOT_ENLARGED:
                enlarged = doubled(small.rows)
                pixels = sum(len(row) for row in large.rows)
                changed = sum(a != b for ra, rb in zip(large.rows, enlarged) for a, b in zip(ra, rb)) / pixels
                self.expect(changed >= NOT_ENLARGED[bid],
                            f"{bid}: only {100 * changed:.1f} % of the pixels differ from a pixel-doubled first set")


def mean_difference(a, b):
    total = sum(abs(p[c] - q[c]) for ra, rb in zip(a, b) for p, q in zip(ra, rb) for c in range(3))
    return total / (3 * len(b) * len(b[0]))


def main():
    resources = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_RESOURCES
    checkers = [Checker(resources, folder, scale) for folder, scale in SETS]
    for checker in checkers:
        checker.run()
    results = list(checkers)
    if not any(c.failed for c in checkers):
        pair = PairChecker(*checkers)
        pair.run()
        results.append(pair)
    passed, failed = sum(c.passed for c in results), sum(c.failed for c in results)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
