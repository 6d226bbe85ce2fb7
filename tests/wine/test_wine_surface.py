#!/usr/bin/env python3
"""survey_surface under wine: on the sample survey after the cleaning chain
of run_sample.sh, and with options on the points before the cleaning, the
Windows program (CGAL without GMP) writes the same five files as the Linux
one (CGAL with GMP), byte for byte, and the same screen. Temp/Surface.xml
differs only in the date and time of the run, which are set aside."""

import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import WineCase  # noqa: E402

CHAIN = [("join", b"", ("--cm",)), ("depth_filter", b"0.5\n40\n3\n5\n\n", ("--cm",)), ("utm_points", b"", ()),
         ("echo_clean1", b"", ()), ("echo_flag", b"", ()), ("echo_clean2", b"", ())]
OUTPUTS = ["Temp/Contours.dxf", "Temp/Tin.dxf", "Temp/Surface.xml", "Temp/Surface.asc", "Temp/Surface.svg",
           "Temp/Contours.geojson", "Temp/Surface.tif", "Temp/Surface.prj"]
RUN_TIME = re.compile(rb' date="\d{4}-\d\d-\d\d" time="\d\d:\d\d:\d\d"')


class SurfaceUnderWine(WineCase):
    def test_the_sample_surface_is_the_same(self):
        for tool, stdin, args in CHAIN:
            linux, windows = self.run_both(tool, stdin, args)
            self.assertEqual((linux.returncode, windows.returncode), (0, 0), (tool, linux, windows))
        for args in [(), ("--points", "PM/Points.txt", "--interval", "0.5", "--major", "4", "--min-length", "30",
                          "--cell", "2.5", "--max-edge", "30")]:
            with self.subTest(args=args):
                linux, windows = self.run_both("survey_surface", b"\n", args)
                self.assertEqual((linux.returncode, linux.stderr), (0, b""), linux)
                self.assertEqual((windows.returncode, windows.stderr), (0, b""), windows)
                self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                for name in OUTPUTS:
                    with open(os.path.join(self.linux, name), "rb") as f:
                        ours = f.read()
                    with open(os.path.join(self.windows, name), "rb") as f:
                        theirs = f.read()
                    if name.endswith(".xml"):
                        self.assertEqual(len(RUN_TIME.findall(ours)), 1)
                        ours, theirs = RUN_TIME.sub(b"", ours), RUN_TIME.sub(b"", theirs)
                    self.assertGreater(len(ours), 300 if name.endswith(".prj") else 1000, name)
                    self.assertEqual(ours, theirs, name)


if __name__ == "__main__":
    unittest.main()
