"""The application icon: a small emblem of the front panel (its speaker grille,
LCD, buttons, felt strip and keys) on a transparent square, drawn in a
256-unit square at any size with the panel's own colours.

    write_icons(folder)  writes zintra-48.png, zintra-128.png, zintra-256.png
                         and zintra.svg into folder."""

import io
import math
import os
import re

from drawing import (BODY_BOTTOM, BODY_TOP, BUTTON_BLUE, BUTTON_DARK, BUTTON_ORANGE, BUTTON_RED, FELT, GRILLE,
                     HOLE, IVORY_BOTTOM, IVORY_TOP, KEYBED, LCD_BOTTOM, LCD_SEGMENT, LCD_TOP, OUTSIDE, cairo,
                     rgb, rounded_rect, shade, vertical)

UNITS = 256
PNG_SIZES = (48, 128, 256)
SVG_NAME = "zintra.svg"

BODY = (12, 44, 232, 172)          # left, top, width, height
GRILLE_RECT = (26, 58, 62, 70)
LCD_RECT = (100, 58, 118, 36)
KEYS_RECT = (26, 140, 204, 64)
WHITE_KEYS = 7
BLACK_AFTER = (0, 1, 3, 4, 5)      # a black key after these white keys
BUTTONS = (BUTTON_RED, BUTTON_DARK, BUTTON_ORANGE, BUTTON_BLUE)


def draw_body(ctx):
    x, y, w, h = BODY
    rounded_rect(ctx, x + 3, y + 5, w, h, 18)
    ctx.set_source_rgba(0, 0, 0, 0.35)
    ctx.fill()
    rounded_rect(ctx, x, y, w, h, 18)
    ctx.set_source(vertical(y, y + h, (0.0, BODY_TOP), (1.0, BODY_BOTTOM)))
    ctx.fill_preserve()
    ctx.set_line_width(4)
    ctx.set_source_rgb(*rgb(OUTSIDE))
    ctx.stroke()


def draw_grille(ctx):
    x, y, w, h = GRILLE_RECT
    rounded_rect(ctx, x, y, w, h, 8)
    ctx.set_source_rgb(*rgb(GRILLE))
    ctx.fill()
    ctx.set_source_rgb(*rgb(HOLE))
    for row in range(5):
        for column in range(4):
            ctx.arc(x + 10 + column * 14, y + 9 + row * 13, 3.5, 0, 2 * math.pi)
            ctx.fill()


def draw_segments(ctx, left, top, segments):
    """A seven-segment digit 14 wide and 24 high; segments from 'abcdefg'."""
    bars = {"a": (2, 0, 10, 3), "b": (11, 2, 3, 9), "c": (11, 13, 3, 9), "d": (2, 21, 10, 3),
            "e": (0, 13, 3, 9), "f": (0, 2, 3, 9), "g": (2, 10.5, 10, 3)}
    ctx.set_source_rgb(*rgb(LCD_SEGMENT))
    for name in segments:
        bx, by, bw, bh = bars[name]
        ctx.rectangle(left + bx, top + by, bw, bh)
    ctx.fill()


def draw_lcd(ctx):
    x, y, w, h = LCD_RECT
    rounded_rect(ctx, x - 4, y - 4, w + 8, h + 8, 6)
    ctx.set_source_rgb(*rgb(KEYBED))
    ctx.fill()
    ctx.rectangle(x, y, w, h)
    ctx.set_source(vertical(y, y + h, (0.0, LCD_TOP), (1.0, LCD_BOTTOM)))
    ctx.fill()
    # "43", as the LCD shows a note's number.
    draw_segments(ctx, x + 78, y + 6, "bcfg")
    draw_segments(ctx, x + 98, y + 6, "abcdg")


def draw_buttons(ctx):
    for i, colour in enumerate(BUTTONS):
        bx = 104 + i * 30
        rounded_rect(ctx, bx + 1, 108 + 2, 20, 18, 4)
        ctx.set_source_rgba(0, 0, 0, 0.3)
        ctx.fill()
        rounded_rect(ctx, bx, 108, 20, 18, 4)
        ctx.set_source(vertical(108, 126, (0.0, shade(colour, 1.25)), (1.0, colour)))
        ctx.fill()


def draw_keys(ctx):
    x, y, w, h = KEYS_RECT
    ctx.rectangle(x, y - 6, w, h + 6)
    ctx.set_source_rgb(*rgb(KEYBED))
    ctx.fill()
    ctx.rectangle(x, y - 6, w, 5)
    ctx.set_source_rgb(*rgb(FELT))
    ctx.fill()
    key = (w - 4) / WHITE_KEYS
    for i in range(WHITE_KEYS):
        rounded_rect(ctx, x + 2 + i * key + 1, y, key - 2, h - 3, 3)
        ctx.set_source(vertical(y, y + h, (0.0, IVORY_TOP), (1.0, IVORY_BOTTOM)))
        ctx.fill()
    for i in BLACK_AFTER:
        centre = x + 2 + (i + 1) * key
        ctx.rectangle(centre - key * 0.3, y, key * 0.6, h * 0.58)
        ctx.set_source_rgb(*rgb(KEYBED))
        ctx.fill()


def draw_icon(ctx, size):
    """Draws the emblem on ctx, filling a size x size square."""
    ctx.save()
    ctx.scale(size / UNITS, size / UNITS)
    draw_body(ctx)
    draw_grille(ctx)
    draw_lcd(ctx)
    draw_buttons(ctx)
    draw_keys(ctx)
    ctx.restore()


def write_icons(folder):
    os.makedirs(folder, exist_ok=True)
    for size in PNG_SIZES:
        surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, size, size)
        ctx = cairo.Context(surface)
        ctx.set_antialias(cairo.ANTIALIAS_GRAY)
        draw_icon(ctx, size)
        surface.write_to_png(os.path.join(folder, f"zintra-{size}.png"))
    svg = io.BytesIO()
    surface = cairo.SVGSurface(svg, UNITS, UNITS)
    draw_icon(cairo.Context(surface), UNITS)
    surface.finish()
    # Cairo numbers its surfaces across the process; one fixed name keeps the
    # file the same however many surfaces were drawn before it.
    text = re.sub(rb'id="surface[0-9]+"', b'id="zintra"', svg.getvalue())
    with open(os.path.join(folder, SVG_NAME), "wb") as f:
        f.write(text)
