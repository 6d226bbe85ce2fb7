#!/usr/bin/env python3
"""survey_channel under wine and on Linux: a channel with a bend and two
reaches, as a condition survey (in cubic yards too) and against the survey
before the works; the same piped screens, the same report but for the line
with the date and time of the run, the same table, drawings and picture;
a refusal that leaves no output on either; and the release zip holds the
program."""

import glob
import os
import sys
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import WIN_BIN, WineCase  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
from test_survey_channel import E0, N0, OUTPUTS, dredged, grid, xyz  # noqa: E402

CHANNEL = ("point %.2f %.2f\r\npoint %.2f %.2f\r\npoint %.2f %.2f\r\n"
           "reach 0 120 -12 25 25 3 3 0.5\r\nreach 120 199 -11.5 20 25 2 3 0.4\r\n"
           % (E0, N0, E0 + 100, N0, E0 + 186.6, N0 + 50))
RUNS = [
    ("--channel", "Temp/Channel.txt", "--yards", "--interval", "20"),
    ("--channel", "Temp/Channel.txt", "--against", "Before.txt"),
]


class ChannelUnderWine(WineCase):
    def test_same_outputs(self):
        self.write("PM/PointsCl.txt", xyz(dredged(0.8) + grid(-40, 240, 60, 160, 6, lambda x, y: -10 - x / 400)))
        self.write("Before.txt", xyz(grid(-40, 240, -60, 160, 5, lambda x, y: -10 + 0.003 * y)))
        self.write("Temp/Channel.txt", CHANNEL.encode())
        for args in RUNS:
            with self.subTest(args=args):
                linux, windows = self.run_both("survey_channel", b"\n", args)
                self.assertEqual((linux.returncode, linux.stderr), (0, b""), linux)
                self.assertEqual((windows.returncode, windows.stderr), (0, b""), windows)
                self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                reports = []
                for root in (self.linux, self.windows):
                    with open(os.path.join(root, "Temp", "Channel_Volumes.txt"), "rb") as f:
                        lines = f.read().split(b"\r\n")
                    self.assertTrue(lines[2].startswith(b"Run          "), lines[2])
                    reports.append(lines[:2] + lines[3:])
                self.assertEqual(reports[1], reports[0])
                # The report differs when the runs' clocks read another second.
                self.assertIn(self.differing(), ([], ["Temp/Channel_Volumes.txt"]))

    def test_refusal_leaves_no_output(self):
        self.write("PM/PointsCl.txt", xyz(grid(-40, 240, -60, 160, 10, lambda x, y: -10.0)))
        self.write("Temp/Channel.txt", CHANNEL.replace("reach 120", "reach 125").encode())
        for path in OUTPUTS:
            self.write(path, b"an earlier run's\r\n")
        linux, windows = self.run_both("survey_channel", b"\n", ("--channel", "Temp/Channel.txt"))
        for run in (linux, windows):
            self.assertEqual(run.returncode, 1, run)
            self.assertIn(b"Temp/Channel.txt, line 5: a gap from 120.00", run.stderr)
        self.assertEqual(windows.stdout, linux.stdout)
        for root in (self.linux, self.windows):
            for path in OUTPUTS:
                self.assertFalse(os.path.exists(os.path.join(root, path)), (root, path))

    def test_release_holds_the_program(self):
        zips = glob.glob(os.path.join(os.path.dirname(WIN_BIN), "survey-tools-*-win64.zip"))
        self.assertEqual(len(zips), 1, zips)
        with zipfile.ZipFile(zips[0]) as z:
            names = [os.path.basename(n) for n in z.namelist()]
            readme = [n for n in z.namelist() if n.endswith("README-Windows.txt")]
            self.assertIn(b"survey_channel.exe", z.read(readme[0]))
        self.assertIn("survey_channel.exe", names)


if __name__ == "__main__":
    unittest.main()
