"""Draws the front panel with Cairo, in panel pixels (882 x 213 at scale 1).

One function draws the whole instrument in a given state: which keys and
buttons are down, where the switches and slider handles stand, what the LCD
shows, whether the calculator labels are printed and which legend labels are
shown. Every bitmap is a cut from such a drawing, so the pieces fit the panel
exactly. The light comes from the top left: raised parts cast their shadow
down and to the right, recesses are dark at their top-left rim."""

import math
import os
import tempfile

_FONT_DIR = "/usr/share/fonts/truetype/dejavu"


def _isolate_fonts():
    """Points fontconfig at a configuration that knows only the DejaVu folder,
    so that the text never depends on the fonts or settings of the machine."""
    folder = tempfile.mkdtemp(prefix="panelart-fonts-")
    path = os.path.join(folder, "fonts.conf")
    with open(path, "w") as f:
        f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig>\n'
                f'  <dir>{_FONT_DIR}</dir>\n  <cachedir>{folder}/cache</cachedir>\n</fontconfig>\n')
    os.environ["FONTCONFIG_FILE"] = path


_isolate_fonts()
import cairo  # noqa: E402  (after the font configuration is in place)
import numpy as np  # noqa: E402

WIDTH, HEIGHT = 882, 213
SANS = "DejaVu Sans"
SANS_CONDENSED = "DejaVu Sans Condensed"

# Palette of the design, as 0..255 triples.
OUTSIDE = (24, 25, 28)
BODY_TOP = (238, 236, 230)
BODY_BOTTOM = (214, 211, 203)
INK = (74, 76, 82)             # printed captions
INK_SOFT = (128, 129, 133)     # tick marks, tagline
CALC_INK = (30, 92, 168)       # calculator labels
RECESS_FLOOR = (52, 54, 59)
GRILLE = (46, 48, 53)
HOLE = (14, 15, 17)
LCD_TOP = (164, 178, 146)
LCD_BOTTOM = (178, 191, 158)
LCD_SEGMENT = (30, 38, 32)
FELT = (118, 28, 36)
KEYBED = (26, 27, 30)
IVORY_TOP = (250, 249, 244)
IVORY_BOTTOM = (236, 233, 224)
HINT_PLATE = (34, 36, 41)
HINT_TEXT = (250, 248, 238)
TAG_TOP = (255, 240, 196)      # rhythm-name tags
TAG_BOTTOM = (240, 214, 150)
TAG_EDGE = (150, 104, 40)
TAG_TEXT = (70, 44, 14)
BUTTON_DARK = (62, 64, 70)
BUTTON_RED = (200, 50, 42)
BUTTON_ORANGE = (236, 130, 34)
BUTTON_BLUE = (52, 104, 156)

LCD_WINDOW = (244, 34, 372, 62)
KEY_TOP = 104.0          # white keys start under the felt strip
WHITE_KEY_BOTTOM = 192.0  # front edge of a white key at rest
BLACK_KEY_BOTTOM = 150.0  # front edge of a black key at rest
LEGEND_FLOOR = 194.0      # the calculator legend under the keys covers the rows from here down


def rgb(c, alpha=None):
    if alpha is None:
        return tuple(v / 255.0 for v in c)
    return tuple(v / 255.0 for v in c) + (alpha,)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def shade(c, factor):
    return tuple(max(0, min(255, round(v * factor))) for v in c)


def rounded_rect(ctx, x, y, w, h, r):
    r = min(r, w / 2.0, h / 2.0)
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    ctx.close_path()


def vertical(y0, y1, *stops):
    """A vertical linear gradient; stops are (offset, colour) pairs."""
    g = cairo.LinearGradient(0, y0, 0, y1)
    for offset, colour in stops:
        g.add_color_stop_rgb(offset, *rgb(colour))
    return g


def font(ctx, size, bold=False, family=SANS):
    ctx.select_font_face(family, cairo.FONT_SLANT_NORMAL,
                         cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    ctx.set_font_size(size)
    options = cairo.FontOptions()
    options.set_antialias(cairo.ANTIALIAS_GRAY)
    options.set_hint_style(cairo.HINT_STYLE_SLIGHT)
    options.set_hint_metrics(cairo.HINT_METRICS_ON)
    ctx.set_font_options(options)


def advance(ctx, text):
    """The text's advance in panel pixels as measured at scale 1, so that the
    layout (sizes, centring, letter spacing) is the same at every scale."""
    ctx.save()
    ctx.identity_matrix()
    width = ctx.text_extents(text).x_advance
    ctx.restore()
    return width


def text_width(ctx, text, size, bold=False, family=SANS, spacing=0.0):
    font(ctx, size, bold, family)
    return advance(ctx, text) + spacing * (len(text) - 1)


def draw_text(ctx, text, x, baseline, size, colour, bold=False, family=SANS, align="centre", spacing=0.0):
    """Draws text with its baseline on a pixel row; answers its left and right edges."""
    width = text_width(ctx, text, size, bold, family, spacing)
    left = x - width / 2.0 if align == "centre" else (x - width if align == "right" else x)
    left = round(left)
    ctx.set_source_rgb(*rgb(colour))
    if spacing:
        pen = left
        for ch in text:
            ctx.move_to(pen, baseline)
            ctx.show_text(ch)
            pen = round(pen + advance(ctx, ch) + spacing)
    else:
        ctx.move_to(left, baseline)
        ctx.show_text(text)
    return left, left + width


def recess(ctx, x, y, w, h, r, floor, depth=1.0):
    """A window sunk into the body: dark upper-left rim, light lower-right lip."""
    rounded_rect(ctx, x - 1, y - 1, w + 2, h + 2, r + 1)
    ctx.set_source_rgb(*rgb(shade(BODY_TOP, 1.02)))
    ctx.fill()
    rounded_rect(ctx, x - 1, y - 1, w + 1, h + 1, r + 1)
    ctx.set_source_rgba(0.18, 0.18, 0.2, 0.55 * depth)
    ctx.fill()
    rounded_rect(ctx, x, y, w, h, r)
    ctx.set_source(vertical(y, y + h, (0.0, shade(floor, 0.8)), (0.25, floor), (1.0, shade(floor, 1.12))))
    ctx.fill()


def draw_grip(ctx, x, y, w, h, radius, grooves, lit_offset):
    """A light metal grip with an outline; each groove is a dark line with a
    lit line beside it, lit_offset away (down or right, towards the light)."""
    rounded_rect(ctx, x, y, w, h, radius)
    ctx.set_source(vertical(y, y + h, (0.0, (237, 237, 235)), (0.47, (205, 205, 203)), (1.0, (148, 149, 150))))
    ctx.fill_preserve()
    ctx.set_source_rgb(*rgb((39, 40, 43)))
    ctx.set_line_width(1.0)
    ctx.stroke()
    dx, dy = lit_offset
    for (x0, y0), (x1, y1) in grooves:
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.set_source_rgba(0.1, 0.1, 0.12, 0.52)
        ctx.stroke()
        ctx.move_to(x0 + dx, y0 + dy)
        ctx.line_to(x1 + dx, y1 + dy)
        ctx.set_source_rgba(1, 1, 1, 0.47)
        ctx.stroke()


class PanelState:
    """What the panel shows: keys and buttons down (by tag), switch positions
    and slider values (by parameter tag; None leaves the handle out), LCD
    cells, marks and points, calculator labels and the legend labels shown."""

    def __init__(self, pressed=(), switches=None, sliders=None, cal=False, legends=(),
                 cells=None, marks=(), points=()):
        self.pressed = frozenset(pressed)
        self.switches = {0: 0, 4: 1, 1: 0} if switches is None else switches
        self.sliders = {2: 0.8, 3: 0.5} if sliders is None else sliders
        self.cal = cal
        self.legends = frozenset(legends)
        self.cells = cells or {}
        self.marks = frozenset(marks)
        self.points = frozenset(points)


class PanelArt:
    """Draws the panel from the bitmap table (resources/bitmaps.csv)."""

    # Function buttons: tag, bitmap, caption printed above it, calculator label.
    BUTTONS = [(84, 199, "RESET", "AC", BUTTON_RED), (85, 200, "DEL", "C", BUTTON_DARK),
               (86, 201, "TEMPO\u25B2", "\u221A", BUTTON_DARK), (87, 202, "TEMPO\u25BC", "%", BUTTON_DARK),
               (88, 203, "RHYTHM", "", BUTTON_DARK), (89, 204, "ML-C", "MC", BUTTON_DARK),
               (90, 205, "MUSIC", "MR", BUTTON_ORANGE), (91, 206, "PLAY", "M\u2212", BUTTON_DARK)]
    ONE_KEY = [(92, 207), (93, 208)]
    # Parameter controls: tag, bitmap, positions (0 for a slider), caption.
    SWITCHES = [(0, 151, 6, "PROGRAM"), (4, 152, 3, "OCTAVE"), (1, 153, 4, "MODE")]
    SLIDERS = [(2, 154, 155, "VOLUME"), (3, 156, 157, "BALANCE")]
    WHITE_KEY_CAL = ["+/\u2212", "\u2022", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
                     "\u00F7", "\u00D7", "\u2212", "+", "="]
    RHYTHMS = ["March", "Waltz", "4-Beat", "Swing", "Rock-1", "Rock-2", "Bossanova", "Samba", "Rhumba", "Beguine"]
    DIGIT_KEYS = [59, 60, 62, 64, 65, 67, 69, 71, 72, 74]
    HINTS = {209: ["min", "Volume", "max"], 210: ["rhythm", "Balance", "melody"],
             211: ["Octave:  Low", "Middle", "High"],
             212: ["Piano", "Fantasy", "Violin", "Flute", "Guitar", "ADSR"],
             213: ["Play", "Rec", "Cal", "Off"], 214: ["Reset"], 215: ["Del"], 216: ["Tempo up"],
             217: ["Tempo down"], 218: ["Rhythm"], 219: ["ML-C"], 220: ["Music"], 221: ["Auto Play"]}

    def __init__(self, table):
        self.table = table
        self.keys = {}   # tag -> (bitmap id, white, left)
        for entry in table.values():
            if entry.kind in ("white-key", "black-key"):
                tag = int(entry.content.split()[1])
                self.keys[tag] = (entry.id, entry.kind == "white-key", entry.places[0][0])
        self._handle_cache = {}

    # -- the whole panel ---------------------------------------------------

    def render(self, state, clip=None, scale=1):
        """Answers the panel as an (h, w, 3) uint8 array, drawn only inside
        clip (left, top, right, bottom) when given; the rest stays black."""
        surface = cairo.ImageSurface(cairo.FORMAT_RGB24, WIDTH * scale, HEIGHT * scale)
        ctx = cairo.Context(surface)
        ctx.set_antialias(cairo.ANTIALIAS_GRAY)
        ctx.scale(scale, scale)
        if clip:
            ctx.rectangle(clip[0], clip[1], clip[2] - clip[0], clip[3] - clip[1])
            ctx.clip()
        self.draw_body(ctx)
        self.draw_grille(ctx)
        self.draw_brand(ctx)
        self.draw_lcd(ctx, state)
        self.draw_sliders(ctx, state)
        self.draw_switches(ctx, state)
        self.draw_buttons(ctx, state)
        self.draw_keyboard(ctx, state)
        if state.cal:
            self.draw_calculator_labels(ctx)
        for legend in sorted(state.legends):
            self.draw_legend(ctx, legend)
        return surface_pixels(surface)

    def draw_body(self, ctx):
        ctx.set_source_rgb(*rgb(OUTSIDE))
        ctx.paint()
        rounded_rect(ctx, 0.5, 0.5, WIDTH - 1, HEIGHT - 1, 11)
        ctx.set_source(vertical(0, HEIGHT, (0.0, (250, 249, 246)), (0.02, BODY_TOP), (0.5, mix(BODY_TOP, BODY_BOTTOM, 0.45)),
                                (0.97, BODY_BOTTOM), (1.0, (176, 173, 166))))
        ctx.fill()
        # A soft darkening towards the right end, as if the light came from the left.
        rounded_rect(ctx, 0.5, 0.5, WIDTH - 1, HEIGHT - 1, 11)
        g = cairo.LinearGradient(0, 0, WIDTH, 0)
        g.add_color_stop_rgba(0.0, 1, 1, 1, 0.06)
        g.add_color_stop_rgba(0.5, 1, 1, 1, 0.0)
        g.add_color_stop_rgba(1.0, 0, 0, 0, 0.04)
        ctx.set_source(g)
        ctx.fill()
        # Outline of the case.
        rounded_rect(ctx, 0.5, 0.5, WIDTH - 1, HEIGHT - 1, 11)
        ctx.set_line_width(1.0)
        ctx.set_source_rgba(0, 0, 0, 0.35)
        ctx.stroke()

    def draw_grille(self, ctx):
        x, y, w, h = 14, 14, 214, 186
        recess(ctx, x, y, w, h, 9, GRILLE, depth=1.2)
        rounded_rect(ctx, x, y, w, h, 9)
        ctx.set_source(vertical(y, y + h, (0.0, shade(GRILLE, 0.75)), (0.1, GRILLE), (1.0, shade(GRILLE, 1.18))))
        ctx.fill()
        # Perforations on a staggered grid, each a dark hole with a lit lower lip.
        pitch = 6.0
        rows = int((h - 12) / (pitch * 0.866))
        for row in range(rows + 1):
            cy = y + 8 + row * pitch * 0.866
            offset = (pitch / 2.0) if row % 2 else 0.0
            cx = x + 8 + offset
            while cx <= x + w - 8:
                ctx.arc(cx + 0.35, cy + 0.45, 1.85, 0, 2 * math.pi)
                ctx.set_source_rgba(1, 1, 1, 0.10)
                ctx.fill()
                ctx.arc(cx, cy, 1.75, 0, 2 * math.pi)
                ctx.set_source_rgb(*rgb(HOLE))
                ctx.fill()
                cx += pitch
        # A sheen over the metal, brighter at the top left.
        rounded_rect(ctx, x, y, w, h, 9)
        g = cairo.LinearGradient(x, y, x + w, y + h)
        g.add_color_stop_rgba(0.0, 1, 1, 1, 0.10)
        g.add_color_stop_rgba(0.45, 1, 1, 1, 0.0)
        ctx.set_source(g)
        ctx.fill()
        # Maker's plate on the grille.
        plate_w, plate_h = 86, 17
        px, py = x + w - plate_w - 10, y + h - plate_h - 9
        rounded_rect(ctx, px + 0.5, py + 1, plate_w, plate_h, 3)
        ctx.set_source_rgba(0, 0, 0, 0.5)
        ctx.fill()
        rounded_rect(ctx, px, py, plate_w, plate_h, 3)
        ctx.set_source(vertical(py, py + plate_h, (0.0, (226, 224, 218)), (1.0, (168, 166, 160))))
        ctx.fill()
        draw_text(ctx, "ZINTRA", px + plate_w / 2.0, py + 12.5, 10.5, (40, 42, 46), bold=True, spacing=2.2)

    def draw_brand(self, ctx):
        draw_text(ctx, "ZINTRA", 235, 19, 14, (48, 50, 56), bold=True, align="left", spacing=1.5)
        draw_text(ctx, "POCKET KEYBOARD \u00B7 CALCULATOR", 308, 85, 7, INK_SOFT, bold=True, family=SANS_CONDENSED)

    # -- LCD ---------------------------------------------------------------

    def draw_lcd(self, ctx, state):
        l, t, r, b = LCD_WINDOW
        bx, by, bw, bh = l - 9, t - 9, (r - l) + 18, (b - t) + 18
        rounded_rect(ctx, bx + 1, by + 1.5, bw, bh, 6)
        ctx.set_source_rgba(0, 0, 0, 0.25)
        ctx.fill()
        rounded_rect(ctx, bx, by, bw, bh, 6)
        ctx.set_source(vertical(by, by + bh, (0.0, (70, 72, 78)), (0.5, (42, 44, 49)), (1.0, (34, 35, 39))))
        ctx.fill()
        # Glass edge: a dark line around the liquid crystal, lit on its lower side.
        ctx.rectangle(l - 2, t - 2, r - l + 4, b - t + 4)
        ctx.set_source_rgb(*rgb((88, 92, 96)))
        ctx.fill()
        ctx.rectangle(l - 2, t - 2, r - l + 3, b - t + 3)
        ctx.set_source_rgb(*rgb((16, 17, 19)))
        ctx.fill()
        ctx.rectangle(l, t, r - l, b - t)
        ctx.set_source(self.lcd_background())
        ctx.fill()
        for cell, ch in state.cells.items():
            self.draw_glyph(ctx, l + 14 * cell, 43, ch)
        for point in state.points:
            self.draw_point(ctx, 268 + 14 * point, 59)
        for mark in state.marks:
            self.draw_mark(ctx, mark)

    @staticmethod
    def lcd_background():
        # Only vertical shading: every cell sits on identical pixels.
        l, t, r, b = LCD_WINDOW
        return vertical(t, b, (0.0, shade(LCD_TOP, 0.86)), (0.12, LCD_TOP), (1.0, LCD_BOTTOM))

    # Seven segments: a top, b upper right, c lower right, d bottom, e lower left, f upper left, g middle.
    SEGMENTS = {"0": "abcdef", "1": "bc", "2": "abged", "3": "abgcd", "4": "fgbc", "5": "afgcd", "6": "afgedc",
                "7": "abc", "8": "abcdefg", "9": "abcdfg", "[": "afed", "]": "abcd", "_": "d", "-": "g", "~": "a"}

    def draw_glyph(self, ctx, x, y, ch):
        """One character of the LCD in its 13 x 19 cell at (x, y). The bottom
        right 3 x 3 corner stays empty: the decimal point is drawn there."""
        ctx.save()
        ctx.rectangle(x, y, 13, 19)
        ctx.rectangle(x + 10, y + 16, 3, 3)
        ctx.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
        ctx.clip()
        x0, x1, y0, ym, y1 = 1.6, 8.4, 1.6, 9.0, 16.4
        thick, gap, slant = 2.1, 0.4, 0.11

        def p(px, py):
            return x + px + slant * (y1 - py), y + py

        def horizontal(yc, xa, xb):
            h = thick / 2.0
            return [p(xa + gap, yc), p(xa + gap + h, yc - h), p(xb - gap - h, yc - h), p(xb - gap, yc),
                    p(xb - gap - h, yc + h), p(xa + gap + h, yc + h)]

        def upright(xc, ya, yb):
            h = thick / 2.0
            return [p(xc, ya + gap), p(xc + h, ya + gap + h), p(xc + h, yb - gap - h), p(xc, yb - gap),
                    p(xc - h, yb - gap - h), p(xc - h, ya + gap + h)]

        shapes = {"a": horizontal(y0, x0, x1), "g": horizontal(ym, x0, x1), "d": horizontal(y1, x0, x1),
                  "f": upright(x0, y0, ym), "b": upright(x1, y0, ym), "e": upright(x0, ym, y1), "c": upright(x1, ym, y1)}
        for dx, dy, colour in ((0.7, 0.8, rgb(LCD_SEGMENT, 0.16)), (0.0, 0.0, rgb(LCD_SEGMENT, 0.92))):
            for segment in self.SEGMENTS.get(ch, ""):
                points = shapes[segment]
                ctx.move_to(points[0][0] + dx, points[0][1] + dy)
                for px, py in points[1:]:
                    ctx.line_to(px + dx, py + dy)
                ctx.close_path()
            ctx.set_source_rgba(*colour)
            ctx.fill()
        ctx.restore()

    @staticmethod
    def draw_point(ctx, x, y):
        ctx.arc(x + 1.0, y + 1.2, 1.1, 0, 2 * math.pi)
        ctx.set_source_rgba(*rgb(LCD_SEGMENT, 0.92))
        ctx.fill()

    def draw_mark(self, ctx, bitmap):
        """An indicator symbol, drawn in one-pixel strokes on the pixel grid."""
        entry = self.table[bitmap]
        x, y = entry.places[0]
        w = entry.width
        what = entry.content
        ctx.save()
        ctx.rectangle(x, y, w, 8)
        ctx.clip()
        ctx.set_source_rgba(*rgb(LCD_SEGMENT, 0.92))
        ctx.set_line_width(1.0)
        ctx.set_line_cap(cairo.LINE_CAP_SQUARE)
        cx = x + w // 2 + 0.5
        top, bottom = y + 1.5, y + 6.5

        def line(x0, y0, x1, y1):
            ctx.move_to(x0, y0)
            ctx.line_to(x1, y1)

        if what == "sharp":
            line(x + 2.5, top, x + 2.5, bottom)
            line(x + 4.5, top, x + 4.5, bottom)
            line(x + 1.5, y + 3.5, x + 5.5, y + 3.5)
            line(x + 1.5, y + 5.5, x + 5.5, y + 5.5)
        elif what == "add":
            line(cx - 2, y + 4.5, cx + 2, y + 4.5)
            line(cx, y + 2.5, cx, y + 6.5)
        elif what == "subtract":
            line(cx - 2, y + 4.5, cx + 2, y + 4.5)
        elif what == "multiply":
            ctx.set_line_cap(cairo.LINE_CAP_BUTT)
            line(cx - 2.3, y + 2.2, cx + 2.3, y + 6.8)
            line(cx + 2.3, y + 2.2, cx - 2.3, y + 6.8)
        elif what == "divide":
            line(cx - 2, y + 4.5, cx + 2, y + 4.5)
            ctx.stroke()
            ctx.rectangle(cx - 0.5, y + 2, 1, 1)
            ctx.rectangle(cx - 0.5, y + 6, 1, 1)
            ctx.fill()
        elif what == "M":
            line(cx - 2, bottom, cx - 2, top)
            line(cx + 2, bottom, cx + 2, top)
            ctx.stroke()
            ctx.set_line_cap(cairo.LINE_CAP_BUTT)
            line(cx - 2, top - 0.3, cx, y + 4.2)
            line(cx + 2, top - 0.3, cx, y + 4.2)
        elif what == "K":
            line(cx - 2, top, cx - 2, bottom)
            ctx.stroke()
            ctx.set_line_cap(cairo.LINE_CAP_BUTT)
            line(cx + 2.2, top - 0.4, cx - 1.5, y + 4.3)
            line(cx - 0.8, y + 3.6, cx + 2.2, bottom + 0.4)
        elif what == "E":
            line(cx - 1.5, top, cx - 1.5, bottom)
            line(cx - 1.5, top, cx + 1.5, top)
            line(cx - 1.5, y + 4.0 - 0.0, cx + 1.0, y + 4.0)
            line(cx - 1.5, bottom, cx + 1.5, bottom)
        ctx.stroke()
        ctx.restore()

    # -- sliders and switches ---------------------------------------------------

    def handle_pixels(self, scale=1):
        """The slider handle, 33 x 17, on the floor of its slot."""
        if scale not in self._handle_cache:
            surface = cairo.ImageSurface(cairo.FORMAT_RGB24, 33 * scale, 17 * scale)
            ctx = cairo.Context(surface)
            ctx.scale(scale, scale)
            self.paint_handle(ctx, 0, 0)
            self._handle_cache[scale] = surface
        return self._handle_cache[scale]

    def paint_handle(self, ctx, x, y):
        ctx.rectangle(x, y, 33, 17)
        ctx.set_source_rgb(*rgb(shade(RECESS_FLOOR, 0.9)))
        ctx.fill()
        self.draw_handle(ctx, x, y)

    @staticmethod
    def draw_handle(ctx, x, y):
        """The 33 x 17 slider handle: a ridged grip with an orange index line."""
        grooves = [x + 4.5 + i * 3 + (3 if i >= 4 else 0) for i in range(8)]
        draw_grip(ctx, x + 0.5, y + 0.5, 32, 16, 3, [((g, y + 3), (g, y + 14)) for g in grooves], (1, 0))
        ctx.rectangle(x + 15.5, y + 2, 2, 13)
        ctx.set_source_rgb(*rgb((226, 104, 30)))
        ctx.fill()

    def draw_sliders(self, ctx, state):
        for tag, background, handle, caption in self.SLIDERS:
            left, top, right, bottom = self.sunk_control(ctx, background, caption)
            ctx.rectangle(left, top, right - left, bottom - top)
            ctx.set_source(vertical(top, bottom, (0.0, shade(RECESS_FLOOR, 0.9)), (0.8, shade(RECESS_FLOOR, 0.9)),
                                    (1.0, RECESS_FLOOR)))
            ctx.fill()
            # Groove the handle runs in, and the scale beneath it.
            groove_left, groove_right = left + 12, right - 12
            ctx.rectangle(groove_left, top + 7, groove_right - groove_left, 3)
            ctx.set_source_rgb(*rgb((12, 12, 14)))
            ctx.fill()
            ctx.rectangle(groove_left, top + 10, groove_right - groove_left, 1)
            ctx.set_source_rgb(*rgb((96, 98, 104)))
            ctx.fill()
            for i in range(11):
                tx = left + 17 + round(62 * i / 10.0)
                length = 3 if i in (0, 5, 10) else 2
                ctx.rectangle(tx, bottom - 1 - length, 1, length)
                ctx.set_source_rgb(*rgb((176, 178, 182) if length == 3 else (130, 132, 137)))
                ctx.fill()
            value = state.sliders.get(tag)
            if value is not None:
                hx = left + 1 + int(62 * value)
                self.paint_handle(ctx, hx, top)

    def sunk_control(self, ctx, bitmap, caption):
        """The recessed window of a slider or switch and the caption above it;
        answers the control's rectangle."""
        entry = self.table[bitmap]
        left, top, right, bottom = entry.rect()
        wl, wt, wr, wb = entry.window
        recess(ctx, wl, wt, wr - wl, wb - wt, 3, RECESS_FLOOR)
        draw_text(ctx, caption, (left + right) / 2.0, 21, 7, INK, bold=True, family=SANS_CONDENSED)
        return left, top, right, bottom

    def draw_switches(self, ctx, state):
        for tag, bitmap, positions, caption in self.SWITCHES:
            left, top, right, bottom = self.sunk_control(ctx, bitmap, caption)
            slice_width = (right - left) / positions
            centres = [left + slice_width * (k + 0.5) for k in range(positions)]
            # Track and its position dots.
            ctx.rectangle(round(centres[0]) - 3, top + 8, round(centres[-1]) - round(centres[0]) + 7, 5)
            ctx.set_source_rgb(*rgb((18, 18, 20)))
            ctx.fill()
            for c in centres:
                ctx.rectangle(round(c) - 0.5, top + 10, 1, 1)
                ctx.set_source_rgb(*rgb((150, 152, 158)))
                ctx.fill()
                ctx.rectangle(round(c) - 0.5, bottom + 4, 1, 3)
                ctx.set_source_rgb(*rgb(INK_SOFT))
                ctx.fill()
            self.draw_knob(ctx, round(centres[state.switches.get(tag, 0)]), top)

    @staticmethod
    def draw_knob(ctx, centre, top):
        """The knob of a slide switch, 11 x 17, with its shadow on the floor."""
        w, h = 11, 17
        x, y = centre - 5.5, top + 2
        rounded_rect(ctx, x + 1, y + 1.5, w, h, 2)
        ctx.set_source_rgba(0, 0, 0, 0.55)
        ctx.fill()
        grooves = [y + 4.5 + i * 3 for i in range(4)]
        draw_grip(ctx, x, y, w, h, 2, [((x + 2.5, g), (x + w - 2.5, g)) for g in grooves], (0, 1))

    # -- buttons -------------------------------------------------------------

    def draw_buttons(self, ctx, state):
        for tag, bitmap, caption, _, colour in self.BUTTONS:
            x, y = self.table[bitmap].places[0]
            if not state.cal:
                label = caption.rstrip("\u25B2\u25BC")
                arrow = caption[len(label):]
                size = 6.5
                width = text_width(ctx, label, size, True, SANS_CONDENSED) + (6 if arrow else 0)
                lx = round(x + 10 - width / 2.0)
                # The calculator legend replaces these captions, so each must lie wholly inside it.
                cal_left, _, cal_right, _ = self.table[224].rect()
                assert cal_left <= lx and lx + width <= cal_right, caption
                draw_text(ctx, label, lx, 63, size, INK, bold=True, family=SANS_CONDENSED, align="left")
                if arrow:
                    ax = lx + width - 2.5
                    if arrow == "\u25B2":
                        ctx.move_to(ax - 2.5, 63)
                        ctx.line_to(ax + 2.5, 63)
                        ctx.line_to(ax, 58.5)
                    else:
                        ctx.move_to(ax - 2.5, 58.5)
                        ctx.line_to(ax + 2.5, 58.5)
                        ctx.line_to(ax, 63)
                    ctx.close_path()
                    ctx.set_source_rgb(*rgb(INK))
                    ctx.fill()
            self.draw_button(ctx, x, y, 20, 31, colour, tag in state.pressed)
        for tag, bitmap in self.ONE_KEY:
            x, y = self.table[bitmap].places[0]
            self.draw_button(ctx, x, y, 29, 41, BUTTON_BLUE, tag in state.pressed, symbol=True)

    @staticmethod
    def draw_button(ctx, x, y, w, h, colour, pressed, symbol=False):
        """A push button in a round-cornered well; its leftmost column and its
        bottom rows are plain well or body so that neighbours may overlap them."""
        wx, wy, ww, wh = x + 1, y + 1, w - 2, h - 3
        recess(ctx, wx, wy, ww, wh, 4, (40, 41, 45), depth=0.8)
        inset = 2
        cap_x, cap_y, cap_w, cap_h = wx + inset, wy + inset - 1, ww - 2 * inset, wh - 2 * inset - 2
        if pressed:
            cap_x, cap_y = cap_x + 0.5, cap_y + 1.5
            colour = shade(colour, 0.72)
        # Cap shadow, longer at rest.
        rounded_rect(ctx, cap_x + 0.5, cap_y + (1.0 if pressed else 2.5), cap_w, cap_h, 3)
        ctx.set_source_rgba(0, 0, 0, 0.6)
        ctx.fill()
        rounded_rect(ctx, cap_x, cap_y, cap_w, cap_h, 3)
        ctx.set_source(vertical(cap_y, cap_y + cap_h, (0.0, shade(colour, 1.35)), (0.15, shade(colour, 1.12)),
                                (0.85, colour), (1.0, shade(colour, 0.7))))
        ctx.fill()
        # Highlight along the cap's top edge (gone when pressed).
        if not pressed:
            rounded_rect(ctx, cap_x + 1.5, cap_y + 1, cap_w - 3, 2.5, 1.2)
            ctx.set_source_rgba(1, 1, 1, 0.22)
            ctx.fill()
        if symbol:
            # An eighth note on the cap.
            nx, ny = cap_x + cap_w / 2.0 - 1.5, cap_y + cap_h / 2.0 + 3.5
            ctx.save()
            ctx.translate(nx, ny)
            ctx.scale(1.0, 0.72)
            ctx.arc(0, 0, 3.0, 0, 2 * math.pi)
            ctx.restore()
            ctx.set_source_rgba(1, 1, 1, 0.55 if pressed else 0.8)
            ctx.fill()
            ctx.rectangle(nx + 2.0, ny - 11, 1.2, 11)
            ctx.fill()
            ctx.move_to(nx + 3.2, ny - 11)
            ctx.curve_to(nx + 4.5, ny - 8, nx + 7.5, ny - 8, nx + 6.0, ny - 4.5)
            ctx.curve_to(nx + 6.2, ny - 7, nx + 5.0, ny - 7.8, nx + 3.2, ny - 8.5)
            ctx.close_path()
            ctx.fill()

    # -- keyboard ------------------------------------------------------------

    def draw_keyboard(self, ctx, state):
        x0, y0, x1, y1 = 240, 99, 874, 197
        recess(ctx, x0, y0, x1 - x0, y1 - y0, 4, KEYBED, depth=1.2)
        rounded_rect(ctx, x0, y0, x1 - x0, y1 - y0, 4)
        ctx.set_source_rgb(*rgb(KEYBED))
        ctx.fill()
        # Felt strip behind the keys.
        ctx.rectangle(x0 + 2, y0 + 2, x1 - x0 - 4, KEY_TOP - y0 - 2)
        ctx.set_source(vertical(y0 + 2, KEY_TOP, (0.0, shade(FELT, 0.7)), (1.0, FELT)))
        ctx.fill()
        whites = sorted((left, tag) for tag, (_, white, left) in self.keys.items() if white)
        blacks = sorted((left, tag) for tag, (_, white, left) in self.keys.items() if not white)
        for left, tag in whites:
            self.draw_white_key(ctx, left, tag in state.pressed)
        for left, tag in blacks:
            self.draw_black_key(ctx, left, tag in state.pressed)

    @staticmethod
    def draw_white_key(ctx, left, pressed):
        x, w = left + 0.5, 31.0
        top = KEY_TOP
        bottom = WHITE_KEY_BOTTOM + (1.5 if pressed else 0.0)
        lip = 5.0 if not pressed else 3.5
        split = 160.0   # rows from here down are the key's own bitmap
        # Shadow of the key on the keybed.
        ctx.rectangle(x + 1, bottom - 2, w, min(bottom + 1.5, LEGEND_FLOOR) - (bottom - 2))
        ctx.set_source_rgba(0, 0, 0, 0.6)
        ctx.fill()
        # Face: the upper part belongs to the panel, the part below the split moves.
        face_top, face_bottom = IVORY_TOP, IVORY_BOTTOM
        ctx.save()
        rounded_rect(ctx, x, top - 4, w, bottom - top + 4, 2.5)
        ctx.clip()
        ctx.rectangle(x, top, w, bottom - top)
        ctx.set_source(vertical(top, bottom, (0.0, shade(face_top, 0.9)), (0.04, face_top), (1.0, face_bottom)))
        ctx.fill()
        if pressed:
            # The pressed key dips below its neighbours: darker towards its front,
            # shadowed along its sides and where it leaves the fixed upper part.
            ctx.rectangle(x, split, w, bottom - split)
            g = cairo.LinearGradient(0, split, 0, bottom)
            g.add_color_stop_rgba(0.0, 0.1, 0.08, 0.05, 0.06)
            g.add_color_stop_rgba(1.0, 0.1, 0.08, 0.05, 0.22)
            ctx.set_source(g)
            ctx.fill()
            for side, direction in ((x, 1), (x + w, -1)):
                g = cairo.LinearGradient(side, 0, side + 3 * direction, 0)
                g.add_color_stop_rgba(0.0, 0, 0, 0, 0.22)
                g.add_color_stop_rgba(1.0, 0, 0, 0, 0.0)
                ctx.rectangle(min(side, side + 3 * direction), split, 3, bottom - split)
                ctx.set_source(g)
                ctx.fill()
            ctx.rectangle(x, split, w, 4)
            g = cairo.LinearGradient(0, split, 0, split + 4)
            g.add_color_stop_rgba(0.0, 0, 0, 0, 0.38)
            g.add_color_stop_rgba(1.0, 0, 0, 0, 0.0)
            ctx.set_source(g)
            ctx.fill()
        # Front lip.
        ctx.rectangle(x, bottom - lip, w, lip)
        ctx.set_source(vertical(bottom - lip, bottom, (0.0, shade(face_bottom, 0.97 if not pressed else 0.78)),
                                (0.25, shade(face_bottom, 0.9 if not pressed else 0.72)),
                                (1.0, shade(face_bottom, 0.78 if not pressed else 0.6))))
        ctx.fill()
        ctx.rectangle(x, bottom - lip, w, 1)
        ctx.set_source_rgba(1, 1, 1, 0.7 if not pressed else 0.2)
        ctx.fill()
        # Sides.
        ctx.rectangle(x, top, 1, bottom - top)
        ctx.set_source_rgba(0, 0, 0, 0.10)
        ctx.fill()
        ctx.rectangle(x + w - 1, top, 1, bottom - top)
        ctx.set_source_rgba(0, 0, 0, 0.16)
        ctx.fill()
        ctx.restore()

    @staticmethod
    def draw_black_key(ctx, left, pressed):
        x, w = left + 3.0, 23.0
        top = KEY_TOP
        bottom = BLACK_KEY_BOTTOM + (2.0 if pressed else 0.0)
        lip = 6.0 if not pressed else 3.0
        # Shadow on the white keys beside and below.
        ctx.save()
        ctx.rectangle(left, KEY_TOP, 29, 159 - KEY_TOP)
        ctx.clip()
        rounded_rect(ctx, x - 1, top, w + 4, bottom - top + (5 if not pressed else 3), 3)
        ctx.set_source_rgba(0, 0, 0, 0.22)
        ctx.fill()
        rounded_rect(ctx, x, top, w + 2, bottom - top + (2.5 if not pressed else 1.5), 2.5)
        ctx.set_source_rgba(0, 0, 0, 0.3)
        ctx.fill()
        ctx.restore()
        body_top = (54, 54, 58) if not pressed else (30, 30, 33)
        body_bottom = (22, 22, 25) if not pressed else (12, 12, 14)
        rounded_rect(ctx, x, top, w, bottom - top, 2.5)
        ctx.set_source(vertical(top, bottom, (0.0, body_bottom), (0.1, body_top), (1.0, body_bottom)))
        ctx.fill()
        # Front slope, lit from above.
        ctx.save()
        rounded_rect(ctx, x, top, w, bottom - top, 2.5)
        ctx.clip()
        ctx.rectangle(x, bottom - lip, w, lip)
        ctx.set_source(vertical(bottom - lip, bottom, (0.0, (86, 86, 92) if not pressed else (46, 46, 50)),
                                (1.0, (40, 40, 44) if not pressed else (22, 22, 24))))
        ctx.fill()
        ctx.restore()
        # Gloss on the top surface.
        if not pressed:
            rounded_rect(ctx, x + 3, top + 4, w - 6, bottom - lip - top - 7, 2)
            g = cairo.LinearGradient(x, 0, x + w, 0)
            g.add_color_stop_rgba(0.0, 1, 1, 1, 0.0)
            g.add_color_stop_rgba(0.3, 1, 1, 1, 0.10)
            g.add_color_stop_rgba(0.5, 1, 1, 1, 0.05)
            g.add_color_stop_rgba(1.0, 1, 1, 1, 0.0)
            ctx.set_source(g)
            ctx.fill()
        else:
            ctx.rectangle(x, KEY_TOP, w, 2)
            ctx.set_source_rgba(0, 0, 0, 0.6)
            ctx.fill()

    # -- labels ----------------------------------------------------------------

    def white_keys(self):
        return sorted(left for _, white, left in self.keys.values() if white)

    def draw_calculator_labels(self, ctx):
        for tag, bitmap, _, label, _ in self.BUTTONS:
            x, _ = self.table[bitmap].places[0]
            if label:
                draw_text(ctx, label, x + 10, 63, 8.5, CALC_INK, bold=True)
        for left, label in zip(self.white_keys(), self.WHITE_KEY_CAL):
            draw_text(ctx, label, left + 16, 208.5, 8.5, CALC_INK, bold=True)
        mx, my = self.table[227].places[0]
        draw_text(ctx, "M+", mx + 12, my + 15, 8.5, CALC_INK, bold=True)

    def draw_legend(self, ctx, bitmap):
        entry = self.table[bitmap]
        left, top, right, bottom = entry.rect()
        if bitmap in self.HINTS:
            self.draw_hint(ctx, (left, top, right, bottom), [self.HINTS[bitmap]])
        elif bitmap in (222, 223):
            self.draw_hint(ctx, (left, top, right, bottom), [["One Key"], ["Play"]])
        elif bitmap == 226:
            self.draw_rhythm_names(ctx)

    @staticmethod
    def hint_plate(ctx, x, y, w, h):
        rounded_rect(ctx, x + 1, y + 1, w, h, 3.5)
        ctx.set_source_rgba(0, 0, 0, 0.25)
        ctx.fill()
        rounded_rect(ctx, x, y, w, h, 3.5)
        ctx.set_source(vertical(y, y + h, (0.0, shade(HINT_PLATE, 1.35)), (0.5, HINT_PLATE), (1.0, shade(HINT_PLATE, 0.8))))
        ctx.fill()

    def draw_hint(self, ctx, rect, lines, size=9.5):
        """A tooltip plate centred in the legend's rectangle; the words of a
        line are set apart by dashes."""
        left, top, right, bottom = rect
        dash = "  \u2013  "
        texts = [dash.join(words) for words in lines]
        width = max(text_width(ctx, t, size) for t in texts)
        while width > right - left - 16 and size > 6:
            size -= 0.5
            width = max(text_width(ctx, t, size) for t in texts)
        line_height = 12
        plate_w = min(right - left - 2, math.ceil(width) + 10)
        plate_h = line_height * len(lines) + 4
        px = left + ((right - left - 1) - plate_w) // 2
        py = top + ((bottom - top - 1) - plate_h) // 2
        self.hint_plate(ctx, px, py, plate_w, plate_h)
        for i, t in enumerate(texts):
            draw_text(ctx, t, px + plate_w / 2.0, py + 11 + i * line_height, size, HINT_TEXT)

    def draw_rhythm_names(self, ctx):
        """Cream tags with the rhythm names, each over its digit key, in two
        staggered rows so that long names do not collide."""
        keys = {tag: left for tag, (_, white, left) in self.keys.items()}
        for digit, (tag, name) in enumerate(zip(self.DIGIT_KEYS, self.RHYTHMS)):
            centre = keys[tag] + 16
            y = 129 if digit % 2 == 0 else 144
            label = f"{digit} {name}"
            width = math.ceil(text_width(ctx, label, 8, True, SANS_CONDENSED)) + 8
            px = round(centre - width / 2.0)
            rounded_rect(ctx, px + 1, y + 1, width, 13, 3)
            ctx.set_source_rgba(0, 0, 0, 0.45)
            ctx.fill()
            rounded_rect(ctx, px + 0.5, y + 0.5, width - 1, 12, 3)
            ctx.set_source(vertical(y, y + 13, (0.0, TAG_TOP), (1.0, TAG_BOTTOM)))
            ctx.fill_preserve()
            ctx.set_source_rgb(*rgb(TAG_EDGE))
            ctx.set_line_width(1.0)
            ctx.stroke()
            draw_text(ctx, label, centre, y + 10, 8, TAG_TEXT, bold=True, family=SANS_CONDENSED)


def surface_pixels(surface):
    surface.flush()
    h, w, stride = surface.get_height(), surface.get_width(), surface.get_stride()
    data = np.frombuffer(surface.get_data(), dtype=np.uint8).reshape(h, stride)[:, :w * 4].reshape(h, w, 4)
    return np.ascontiguousarray(data[:, :, [2, 1, 0]])


def write_png(path, pixels):
    """Writes an (h, w, 3) uint8 array as PNG through Cairo."""
    h, w, _ = pixels.shape
    surface = cairo.ImageSurface(cairo.FORMAT_RGB24, w, h)
    stride = surface.get_stride()
    buffer = np.zeros((h, stride), np.uint8)
    view = buffer[:, :w * 4].reshape(h, w, 4)
    view[:, :, 0], view[:, :, 1], view[:, :, 2] = pixels[:, :, 2], pixels[:, :, 1], pixels[:, :, 0]
    surface.get_data()[:] = buffer.tobytes()
    surface.mark_dirty()
    surface.write_to_png(path)
