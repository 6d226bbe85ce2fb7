#!/usr/bin/env python3
"""survey_qc by the Windows program under wine and by the Linux program, on
a grid survey with its crosslines in the same file and in a file of their
own: the same Temp/Crossings.txt byte for byte, the same piped screen, and
the same report but for its run date."""

import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import WineCase  # noqa: E402
from test_survey_qc import grid_survey, xyz_bytes  # noqa: E402  (tests/e2e, on the path by wine_run)


class SurveyQcUnderWine(WineCase):
    def test_same_crossings_as_linux(self):
        records, first_cross = grid_survey()
        for args, points, cross in [((), records, None),
                                    (("--crosslines", "Temp/Cross.txt", "--order", "special"),
                                     records[:first_cross], records[first_cross:])]:
            with self.subTest(args=args):
                self.write("PM/PointsCl.txt", xyz_bytes(points))
                self.write("PM/La_Lo_De.txt", b"Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel\r\n---\r\n27.0 0.9996 0.0 0.5 1.0 0.0\r\n")
                if cross is not None:
                    self.write("Temp/Cross.txt", xyz_bytes(cross))
                linux, windows = self.run_both("survey_qc", b"\n", args)
                self.assertEqual((linux.returncode, linux.stderr), (0, b""), linux)
                self.assertEqual((windows.returncode, windows.stderr), (0, b""), windows)
                self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                got = {}
                for root in (self.linux, self.windows):
                    with open(os.path.join(root, "Temp", "Crossings.txt"), "rb") as f:
                        crossings = f.read()
                    with open(os.path.join(root, "Temp", "QC_Report.html"), "rb") as f:
                        report = re.sub(rb"Made by survey_qc on [0-9: -]+\.", b"", f.read())
                    with open(os.path.join(root, "Temp", "Crossings.geojson"), "rb") as f:
                        features = f.read()
                    got[root] = (crossings, report, features)
                self.assertEqual(got[self.linux][0].count(b"\r\n"), 80)
                self.assertEqual(got[self.windows][0], got[self.linux][0])
                self.assertEqual(got[self.windows][1], got[self.linux][1])
                self.assertEqual(got[self.windows][2], got[self.linux][2])
                self.assertEqual(got[self.linux][2].count(b'"type":"Point"'), 80)


if __name__ == "__main__":
    unittest.main()
