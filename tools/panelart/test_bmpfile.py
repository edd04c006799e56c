#!/usr/bin/env python3
"""The BMP writer against the checker's independent reader: rows with long
runs, short and odd-length literals and mixed content survive run-length
encoding, and every format reads back with its header fields."""

import os
import random
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import bmpfile  # noqa: E402
from check_bitmaps import Bitmap  # noqa: E402

PALETTE = [(i, 255 - i, (i * 7) % 256) for i in range(256)]


class BmpFileTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.path = os.path.join(self.folder.name, "t.bmp")

    def tearDown(self):
        self.folder.cleanup()

    def round_trip(self, rows, rle):
        bmpfile.write_indexed(self.path, [bytes(r) for r in rows], PALETTE, rle=rle)
        bmp = Bitmap(self.path)
        self.assertEqual((bmp.width, bmp.height, bmp.bits, bmp.compression),
                         (len(rows[0]), len(rows), 8, 1 if rle else 0))
        self.assertEqual(bmp.rows, [[PALETTE[i] for i in r] for r in rows])
        return bmp

    def test_run_length_edge_cases(self):
        width = 600
        rows = [
            [7] * width,                                   # runs longer than 255
            [1, 2] * (width // 2),                         # one long literal, split at 255
            [3, 3] + [4] * (width - 3) + [5],              # pair, run, single
            [9] + [1, 2, 3] + [6] * (width - 4),           # odd literal before a run
            [(x // 2) % 256 for x in range(width)],        # pairs only: never a run of 3
        ]
        generator = random.Random(14)
        rows += [[generator.choice((0, 0, 0, 1, 2)) for _ in range(width)] for _ in range(20)]
        self.round_trip(rows, rle=True)

    def test_plain_formats(self):
        rows = [[(x * y) % 256 for x in range(13)] for y in range(5)]   # width needs row padding
        self.round_trip(rows, rle=False)
        pixels = [[(x, y, x ^ y) for x in range(3)] for y in range(6)]
        bmpfile.write_rgb(self.path, pixels)
        bmp = Bitmap(self.path)
        self.assertEqual((bmp.bits, bmp.compression, bmp.file_size), (24, 0, bmp.bytes_total))
        self.assertEqual(bmp.rows, pixels)


if __name__ == "__main__":
    unittest.main()
