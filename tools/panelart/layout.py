"""Reads resources/bitmaps.csv, the one table of every front-panel bitmap:
its size, depth, compression, frame count, where it sits on the panel and,
for switches, sliders and the LCD, the panel window it must lie inside."""

import csv
import os
from dataclasses import dataclass, field

REPO = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
TABLE = os.path.join(REPO, "resources", "bitmaps.csv")


@dataclass
class BitmapEntry:
    id: int
    kind: str
    width: int
    height: int
    bits: int
    compression: str
    frames: int
    places: list = field(default_factory=list)   # [(left, top), ...] in panel pixels
    window: tuple = None                          # (left, top, right, bottom) or None
    content: str = ""

    @property
    def frame_height(self):
        return self.height // self.frames

    def rect(self, place_index=0):
        left, top = self.places[place_index]
        return left, top, left + self.width, top + self.frame_height


def _pairs(text):
    return [tuple(int(v) for v in item.split(":")) for item in text.split()]


def read_table(path=TABLE):
    entries = {}
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            window = _pairs(row["window"])[0] if row["window"] else None
            entry = BitmapEntry(int(row["id"]), row["kind"], int(row["width"]), int(row["height"]),
                                int(row["bits"]), row["compression"], int(row["frames"]),
                                _pairs(row["places"]), window, row["content"])
            entries[entry.id] = entry
    return entries
