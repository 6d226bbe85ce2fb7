#!/usr/bin/env python3
"""The chain of run_sample.sh on the sample survey, and nmea_split on a
logger's log, by the Windows programs under wine and by the Linux programs:
after every step both survey folders hold the same files, byte for byte, and
the piped screens are the same bytes. scr2dxf's first drawing takes the place
of an older one (a rename that replaces a file on Windows). utm_points with
grids (a UTM zone, a Lambert grid, a Gauss-Krüger grid with a datum shift,
PM/Grid.txt read again, a point outside the grid) the same way."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import WineCase  # noqa: E402
from survey_test import REPO  # noqa: E402
from tool_setups import setups  # noqa: E402

with open(os.path.join(REPO, "samples", "answers", "dat_reduce.txt"), "rb") as f:
    DAT_REDUCE_ANSWERS = f.read()

# (tool, standard input, arguments, files it writes)
STEPS = [
    ("join", b"", ("--cm",), ["Temp/Data.txt"]),
    ("depth_filter", b"0.5\n40\n3\n5\n\n", ("--cm",), ["PM/La_Lo_De.txt"]),
    ("utm_points", b"", (), ["PM/Points.txt", "Temp/Points.scr", "Temp/3DPoly.scr"]),
    ("echo_clean1", b"", (), ["Temp/Echo_Rec.scr"]),
    ("echo_flag", b"", (), ["Temp/Clr_Rec.dxf", "Temp/Spikes.txt"]),
    ("echo_clean2", b"", (), ["Temp/Clr_Rec.txt", "PM/PointsCl.txt", "Temp/PointsCl.scr"]),
    ("dat_reduce", DAT_REDUCE_ANSWERS, (), ["PM/Out.Txt", "Temp/Out.Scr"]),
    ("raw_convert", b"", (), ["PM/Raw_Data.Txt"]),
] + [("scr2dxf", b"", ("Temp/%s.scr" % s, "Temp/%s.dxf" % s), ["Temp/%s.dxf" % s])
     for s in ("Points", "3DPoly", "PointsCl", "Out")] + [
    ("dxf2txt", b"Temp/PointsCl.dxf\nTemp/PointsCl_list.txt\n", (), ["Temp/PointsCl_list.txt"]),
    ("dxf2txt", b"Temp/3DPoly.dxf\nTemp/3DPoly_list.txt\n", ("--lines", "--with-layer"), ["Temp/3DPoly_list.txt"]),
    ("survey_plot", b"", (), ["Temp/Plan.svg", "Temp/Profile.svg", "Temp/Track.geojson", "Temp/Survey.kml"]),
    ("nmea_split", b"", ("Log.nmea",), ["Temp/Raw_Pos.txt", "Temp/Raw_Dpt.txt", "Temp/Nmea_Rejected.txt"]),
]


class ChainUnderWine(WineCase):
    def test_every_step_writes_what_linux_writes(self):
        self.write("Log.nmea", setups()["nmea_split"].inputs["Log.nmea"])
        self.write("Temp/Points.dxf", b"an older drawing\r\n")
        self.assert_steps(STEPS)

    def test_utm_points_grids(self):
        shift = ["--helmert", "23.92 -141.27 -80.9 0 -0.35 -0.82 -0.12", "--rotation", "coordinate-frame"]
        steps = [("join", b"", [], 0), ("depth_filter", b"0.5\n40\n3\n5\n\n", [], 0),
                 ("utm_points", b"", ["--grid", "UTM 35N"], 0), ("utm_points", b"", ["--grid", "EPSG:7801"], 0),
                 ("utm_points", b"", ["--grid", "tm 27 1 5500000 0 Krassovsky1940"] + shift, 0),
                 ("utm_points", b"", [], 0),  # PM/Grid.txt's grid
                 ("utm_points", b"", ["--grid", "UTM 35S"], 1), ("utm_points", b"", ["--grid", "UTM 61N"], 1)]
        for tool, stdin, args, code in steps:
            with self.subTest(tool=tool, args=args):
                linux, windows = self.run_both(tool, stdin, args)
                self.assertEqual(linux.returncode, code, linux)
                self.assertEqual(windows.returncode, code, windows)
                self.assertEqual(windows.stderr.replace(b"\r\n", b"\n"), linux.stderr)
                self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                self.assertEqual(self.differing(), [])
                if code == 0 and tool == "utm_points":
                    self.assertTrue(os.path.exists(os.path.join(self.linux, "PM", "Grid.txt")))


if __name__ == "__main__":
    unittest.main()
