#!/usr/bin/env python3
"""survey_soundings under wine beside Linux on survey-like soundings (a
shoal that dries among them): the same PM/Soundings.txt, drawing, script and
sheet, byte for byte, and the same piped screen, at the usual scale and with
options."""

import os
import random
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import WineCase  # noqa: E402
from test_survey_soundings import points_file, survey_like  # noqa: E402

OUTPUTS = ["PM/Soundings.txt", "Temp/Soundings.dxf", "Temp/Soundings.scr", "Temp/Soundings.svg",
           "Temp/Soundings.geojson"]
# The parameter line of a grid without false easting and northing.
PARAMETERS = b"Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel\r\n---\r\n27.0 0.9996 0.0 0.5 1.0 0.0\r\n"


class SoundingsUnderWine(WineCase):
    def test_the_same_selection_and_files(self):
        data, read = points_file(survey_like(random.Random(7)))
        self.write("PM/PointsCl.txt", data)
        self.write("PM/La_Lo_De.txt", PARAMETERS)
        for args in ((), ("--scale", "2500", "--height=1.8", "--spacing", "0")):
            with self.subTest(args=args):
                linux, windows = self.run_both("survey_soundings", b"\n", args)
                self.assertEqual((linux.returncode, linux.stderr), (0, b""), linux)
                self.assertEqual((windows.returncode, windows.stderr), (0, b""), windows)
                self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                kept = linux.counter("Kept      : ")
                self.assertTrue(0 < kept < len(read), kept)
                with open(os.path.join(self.linux, "PM", "Soundings.txt"), "rb") as f:
                    self.assertEqual(f.read().count(b"\r\n"), kept)
                self.assertTrue(all(os.path.exists(os.path.join(self.windows, p)) for p in OUTPUTS))
                self.assertEqual([p for p in OUTPUTS if p in self.differing()], [])
                self.assertEqual(self.differing(), [])


if __name__ == "__main__":
    unittest.main()
