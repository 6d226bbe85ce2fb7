#!/usr/bin/env python3
"""survey_volume under wine and on Linux: two surveys on crossing lines
against each other inside a boundary, and against a level with the
over-depth band; the same piped screens, the same Temp/Volume.txt but for
the line with the date and time of the run, the same grid and picture."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import WineCase  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
from test_survey_volume import lattice, xyz  # noqa: E402

RUNS = [
    ("--against", "Earlier.txt", "--boundary", "Temp/Box.txt", "--cell", "2"),
    ("--level", "-8.6", "--overdepth", "0.3"),
]


class VolumeUnderWine(WineCase):
    def test_same_report_grid_and_picture(self):
        later = lattice(4, 120, 2, lambda x, y: -8 - 0.8 * (abs(y - 60) < 20) + 0.01 * y)
        earlier = lattice(6, 120, 3, lambda x, y: -8.5 + 0.3 * ((x // 10) % 2), rotate=True)
        self.write("PM/PointsCl.txt", xyz(later))
        self.write("Earlier.txt", xyz(earlier))
        self.write("PM/La_Lo_De.txt", b"Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel\r\n---\r\n27.0 0.9996 0.0 0.5 1.0 0.0\r\n")
        self.write("Temp/Box.txt", b"512350 4705440\r\n512440 4705450\r\n512420 4705530\r\n512345 4705500\r\n")
        for args in RUNS:
            with self.subTest(args=args):
                linux, windows = self.run_both("survey_volume", b"\n", args)
                self.assertEqual((linux.returncode, linux.stderr), (0, b""), linux)
                self.assertEqual((windows.returncode, windows.stderr), (0, b""), windows)
                self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                reports = []
                for root in (self.linux, self.windows):
                    with open(os.path.join(root, "Temp", "Volume.txt"), "rb") as f:
                        lines = f.read().split(b"\r\n")
                    self.assertTrue(lines[2].startswith(b"Run          "), lines[2])
                    reports.append(lines[:2] + lines[3:])
                self.assertEqual(reports[1], reports[0])
                self.assertIn(b"Net, above - below", b"\n".join(reports[0]))
                for name in ("Difference.tif", "Difference.prj"):
                    self.assertTrue(os.path.exists(os.path.join(self.windows, "Temp", name)), name)
                # Temp/Volume.txt differs when the runs' clocks read another second.
                self.assertIn(self.differing(), ([], ["Temp/Volume.txt"]))


if __name__ == "__main__":
    unittest.main()
