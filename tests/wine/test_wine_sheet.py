#!/usr/bin/env python3
"""survey_sheet under wine: on the sample survey after the cleaning chain of
run_sample.sh, on one sheet and on several, the Windows program writes the
same Temp/Sheet.pdf as the Linux one byte for byte but for the date of the
run (in the document's information and in the title block, of the same
length either way, so that every byte offset of the cross-reference table is
the same), the same Temp/Sheet.svg but for that date, the same
Temp/Sheet.dxf, and the same screen; the survey folder given for --points
read as its PM/PointsCl.txt, another folder refused and a stop after an
earlier run leaving no sheet, on either side alike."""

import glob
import os
import re
import sys
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import WIN_BIN, WineCase  # noqa: E402

CHAIN = [("join", b""), ("depth_filter", b"0.5\n40\n3\n5\n\n"), ("utm_points", b""), ("echo_clean1", b""),
         ("echo_flag", b""), ("echo_clean2", b"")]
DATES = [re.compile(rb"\(D:\d{14}Z\)"), re.compile(rb"Run \d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC")]


class SheetUnderWine(WineCase):
    def test_the_sample_sheet_is_the_same(self):
        for tool, stdin in CHAIN:
            linux, windows = self.run_both(tool, stdin)
            self.assertEqual((linux.returncode, windows.returncode), (0, 0), (tool, linux, windows))
        for args in [(), ("--scale", "500", "--paper", "A3", "--interval", "0.5", "--title", "Sample (east) \\ 1")]:
            with self.subTest(args=args):
                linux, windows = self.run_both("survey_sheet", b"\n", args)
                self.assertEqual((linux.returncode, linux.stderr), (0, b""), linux)
                self.assertEqual((windows.returncode, windows.stderr), (0, b""), windows)
                self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                for name in ["Temp/Sheet.pdf", "Temp/Sheet.svg", "Temp/Sheet.dxf"]:
                    with open(os.path.join(self.linux, name), "rb") as f:
                        ours = f.read()
                    with open(os.path.join(self.windows, name), "rb") as f:
                        theirs = f.read()
                    self.assertGreater(len(ours), 10000, name)
                    if not name.endswith(".dxf"):
                        for date in DATES:
                            self.assertEqual(len(date.findall(ours)), len(date.findall(theirs)), name)
                            ours, theirs = date.sub(b"", ours), date.sub(b"", theirs)
                    self.assertEqual(ours, theirs, name)
                    if not args and name.endswith(".dxf"):
                        drawn = ours  # the sheet of the survey folder's own points, with no options
                if args:
                    self.assertRegex(linux.stdout, rb"Sheets    : +[2-9]\d* of A3")

        outputs = ["Temp/Sheet.pdf", "Temp/Sheet.svg", "Temp/Sheet.dxf"]
        # (arguments, exit status, what the screen or the standard error says,
        # whether the sheet is there after it)
        cases = [(["--points", "."], 0, b"./PM/PointsCl.txt  (survey folder)", True),
                 (["--points", "Temp"], 1, b'"Temp" is a folder, not a survey folder with PM/PointsCl.txt', True),
                 (["--points", "Missing.txt"], 2, b"open_input: Missing.txt: file not found", False)]
        for args, status, said, left in cases:
            with self.subTest(args=args):
                linux, windows = self.run_both("survey_sheet", b"\n", args)
                self.assertEqual((linux.returncode, windows.returncode), (status, status), (linux, windows))
                self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                self.assertIn(said, windows.stdout + windows.stderr)
                for root in (self.linux, self.windows):
                    found = self.files(root)
                    self.assertEqual([p for p in outputs if p in found], outputs if left else [], root)
                    self.assertEqual([p for p in found if p.endswith(".part")], [], root)
                    if left:
                        self.assertEqual(found["Temp/Sheet.dxf"], drawn, root)

    def test_the_release_holds_it(self):
        """The release zip that run_tests.sh windows makes beside the programs."""
        zips = glob.glob(os.path.join(os.path.dirname(WIN_BIN), "survey-tools-*-win64.zip"))
        self.assertEqual(len(zips), 1, zips)
        names = [os.path.basename(n) for n in zipfile.ZipFile(zips[0]).namelist()]
        self.assertIn("survey_sheet.exe", names)
        self.assertIn("survey_soundings.exe", names)


if __name__ == "__main__":
    unittest.main()
