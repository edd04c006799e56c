#!/usr/bin/python3
"""Draws the front panel and writes its bitmaps 150 to 227 as BMP files, a
second set of them drawn at twice the size, three preview pictures and the
application icon (DIR/icons: PNG at 48, 128 and 256 pixels, and SVG).

    generate.py [--out DIR] [--docs DIR]

DIR defaults to the repository's resources/ (bitmaps go to DIR/bmp/<id>.bmp,
the double set to DIR/bmp2x/<id>.bmp) and docs/. The double set is drawn from
the same vectors at scale 2, every size and place doubled, and mapped to the
first set's palette. The output depends only on this code,
the bitmap table and the DejaVu fonts, so running it twice gives the same bytes."""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import numpy as np  # noqa: E402

import bmpfile  # noqa: E402
import icon  # noqa: E402
from drawing import PanelArt, PanelState, surface_pixels, write_png  # noqa: E402
from layout import REPO, read_table  # noqa: E402
from palette import Quantizer, build_palette  # noqa: E402

GLYPHS = " 0123456789[]_-~"
SWITCH_TAGS = {151: 0, 152: 4, 153: 1}
SLIDER_TAGS = {154: 2, 156: 3}
CALCULATOR_LEGENDS = (224, 225, 227)


def crop(image, rect, scale=1):
    left, top, right, bottom = (v * scale for v in rect)
    return image[top:bottom, left:right]


class PanelCutter:
    """Draws every frame of every bitmap in full colour, at scale 1 or 2 (all
    sizes and places multiplied, drawn from the vectors at that size)."""

    def __init__(self, table, scale=1):
        self.table = table
        self.scale = scale
        self.art = PanelArt(table)
        self.rest = PanelState()
        self.panel = self.art.render(self.rest, scale=scale)

    def variant(self, rect, **changes):
        """The panel in the rest state with some changes, cut to rect (in
        panel pixels at scale 1)."""
        state = PanelState(**{**vars(self.rest), **changes})
        # At scale 2 a clipped drawing can shade the body's gradients a level
        # apart from the whole panel's, so there the whole panel is drawn.
        clip = rect if self.scale == 1 else None
        return crop(self.art.render(state, clip=clip, scale=self.scale), rect, self.scale)

    def frames(self, entry):
        """Answers the list of frames (full-colour arrays) of one bitmap."""
        kind, bid = entry.kind, entry.id
        if kind == "panel":
            return [self.panel]
        if kind == "handle":
            return [surface_pixels(self.art.handle_pixels(self.scale))]
        place = entry.places[0] if entry.places else self.table[222].places[0]
        rect = (place[0], place[1], place[0] + entry.width, place[1] + entry.frame_height)
        rest = crop(self.panel, rect, self.scale)
        if kind == "switch":
            tag = SWITCH_TAGS[bid]
            return [self.variant(rect, switches={**self.rest.switches, tag: k}) for k in range(entry.frames)]
        if kind == "slider":
            return [self.variant(rect, sliders={**self.rest.sliders, SLIDER_TAGS[bid]: None})]
        if kind in ("white-key", "black-key"):   # content: "key <tag> <note name>"
            return [rest, self.variant(rect, pressed={int(entry.content.split()[1])})]
        if kind == "button":
            tag = 84 + (bid - 199)
            return [rest, self.variant(rect, pressed={tag})]
        if kind == "lcd-glyphs":
            return [rest] + [self.variant(rect, cells={0: ch}) for ch in GLYPHS[1:]]
        if kind == "lcd-mark":
            lit = self.variant(rect, points={0}) if bid == 188 else self.variant(rect, marks={bid})
            return [rest, lit]
        if kind == "legend":
            if bid in CALCULATOR_LEGENDS:
                return [rest, self.variant(rect, cal=True)]
            return [rest, self.variant(rect, legends={222 if bid == 223 else bid})]
        raise ValueError(f"no drawing for bitmap {bid} ({kind})")


def write_bitmaps(table, frames, quantizer, folder, scale=1):
    os.makedirs(folder, exist_ok=True)
    palette = [tuple(int(v) for v in c) for c in quantizer.palette]
    indexed = {}
    for bid, entry in sorted(table.items()):
        stacked = np.concatenate(frames[bid], axis=0)
        assert stacked.shape == (entry.height * scale, entry.width * scale, 3), (bid, stacked.shape)
        indexes = quantizer.indexes(stacked)
        indexed[bid] = indexes
        path = os.path.join(folder, f"{bid}.bmp")
        if entry.bits == 8:
            rows = [bytes(row) for row in indexes.astype(np.uint8)]
            bmpfile.write_indexed(path, rows, palette, rle=entry.compression == "BI_RLE8")
        else:
            colours = quantizer.colours(indexes)
            bmpfile.write_rgb(path, [[tuple(int(v) for v in px) for px in row] for row in colours])
    return indexed


class Preview:
    """Puts bitmaps together as the editor does, from their palette indexes."""

    def __init__(self, table, indexed, quantizer, scale=1):
        self.table, self.indexed, self.quantizer, self.scale = table, indexed, quantizer, scale

    def frame(self, bid, k):
        height = self.table[bid].frame_height * self.scale
        return self.indexed[bid][k * height:(k + 1) * height]

    def compose(self, legends=(), cal=False, pressed=()):
        canvas = self.indexed[150].copy()

        def put(bid, k, x, y):
            f = self.frame(bid, k)
            x, y = x * self.scale, y * self.scale
            canvas[y:y + f.shape[0], x:x + f.shape[1]] = f

        for bid, k in ((151, 0), (152, 1), (153, 2 if cal else 0)):
            put(bid, k, *self.table[bid].places[0])
        for background, handle, value in ((154, 155, 0.8), (156, 157, 0.5)):
            x, y = self.table[background].places[0]
            put(background, 0, x, y)
            put(handle, 0, x + 1 + int(62 * value), y)
        cells = "        0" if cal else "   [ 4]  "
        for i, ch in enumerate(cells):
            put(187, GLYPHS.index(ch), 244 + 14 * i, 43)
        for bid in pressed:
            put(bid, 1, *self.table[bid].places[0])
        for bid in legends:
            put(bid, 1, *self.table[bid].places[0])
        return self.quantizer.colours(canvas)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(REPO, "resources"))
    parser.add_argument("--docs", default=os.path.join(REPO, "docs"))
    parser.add_argument("--scale", type=int, default=1,
                        help="instead of the bitmaps, write DOCS/panel@<N>x.png, the panel drawn N times larger")
    args = parser.parse_args()

    table = read_table()
    if args.scale != 1:
        os.makedirs(args.docs, exist_ok=True)
        pixels = PanelArt(table).render(PanelState(cells=dict(enumerate("   [ 4]  "))), scale=args.scale)
        write_png(os.path.join(args.docs, f"panel@{args.scale}x.png"), pixels)
        return
    cutter = PanelCutter(table)
    frames = {bid: cutter.frames(entry) for bid, entry in sorted(table.items())}
    pictures = [f for bid in sorted(frames) for f in frames[bid]]
    # One palette for both sets, made from the first alone so that it stays as it is.
    quantizer = Quantizer(build_palette(pictures))
    indexed = write_bitmaps(table, frames, quantizer, os.path.join(args.out, "bmp"))
    cutter2x = PanelCutter(table, scale=2)
    frames2x = {bid: cutter2x.frames(entry) for bid, entry in sorted(table.items())}
    indexed2x = write_bitmaps(table, frames2x, quantizer, os.path.join(args.out, "bmp2x"), scale=2)
    icon.write_icons(os.path.join(args.out, "icons"))

    if args.docs:
        os.makedirs(args.docs, exist_ok=True)
        preview = Preview(table, indexed, quantizer)
        write_png(os.path.join(args.docs, "panel.png"), preview.compose())
        write_png(os.path.join(args.docs, "panel-2x.png"), Preview(table, indexed2x, quantizer, 2).compose())
        groups = [(209, 211, 213, 214, 215, 217, 219, 221), (210, 216, 218, 220, 222, 226), (212,)]
        sheets = [preview.compose(legends=g) for g in groups] + [preview.compose(legends=CALCULATOR_LEGENDS, cal=True)]
        gap = np.full((6, sheets[0].shape[1], 3), 255, np.uint8)
        stacked = [sheets[0]]
        for sheet in sheets[1:]:
            stacked += [gap, sheet]
        write_png(os.path.join(args.docs, "panel-legends.png"), np.concatenate(stacked, axis=0))


if __name__ == "__main__":
    main()
