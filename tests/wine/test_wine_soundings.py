#!/usr/bin/env python3
"""survey_soundings under wine beside Linux on survey-like soundings (a
shoal that dries among them): the same PM/Soundings.txt, drawing, script,
sheet and GeoJSON, byte for byte, and the same piped screen, at the usual
scale and with options; the GeoJSON in the parameter line's grid and in
PM/Grid.txt's."""

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
# The soundings' grids: the parameter line's, and PM/Grid.txt's Lambert conic
# and a Bessel grid with a datum shift (the GeoJSON through each inverse), each
# with where the soundings lie in it.
GRIDS = [(None, 0, 0),
         (b"Grid: EPSG:7801\r\n", 659000, 4698000),
         (b"Grid: tm 9 1 3500000 0 Bessel1841\r\nHelmert: 598.1 73.7 418.2 0.202 0.045 -2.455 6.7\r\n"
          b"Rotation: coordinate-frame\r\n", 3515000, 5891000)]


class SoundingsUnderWine(WineCase):
    def test_the_same_selection_and_files(self):
        self.write("PM/La_Lo_De.txt", PARAMETERS)
        for grid, dx, dy in GRIDS:
            data, read = points_file([(x + dx, y + dy, z) for x, y, z in survey_like(random.Random(7))])
            self.write("PM/PointsCl.txt", data)
            if grid is not None:
                self.write("PM/Grid.txt", grid)
            # The options with the parameter line's grid; each grid's GeoJSON at the usual scale.
            for args in ((), ("--scale", "2500", "--height=1.8", "--spacing", "0"))[:2 if grid is None else 1]:
                with self.subTest(grid=grid, args=args):
                    linux, windows = self.run_both("survey_soundings", b"\n", args)
                    self.assertEqual((linux.returncode, linux.stderr), (0, b""), linux)
                    self.assertEqual((windows.returncode, windows.stderr), (0, b""), windows)
                    self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                    kept = linux.counter("Kept      : ")
                    self.assertTrue(0 < kept < len(read), kept)
                    with open(os.path.join(self.linux, "PM", "Soundings.txt"), "rb") as f:
                        self.assertEqual(f.read().count(b"\r\n"), kept)
                    with open(os.path.join(self.windows, "Temp", "Soundings.geojson"), "rb") as f:
                        self.assertEqual(f.read().count(b'"type":"Point"'), kept)
                    self.assertTrue(all(os.path.exists(os.path.join(self.windows, p)) for p in OUTPUTS))
                    self.assertEqual(self.differing(), [])


if __name__ == "__main__":
    unittest.main()
