#!/usr/bin/env python3
"""The office tools' files under wine beside Linux: a stop after an earlier
run leaves no output on either side, a survey folder given for a file of
points is read as its PM/PointsCl.txt, and another folder is refused alike;
and an output that another Windows program holds open stops the tool (32)
before it reads anything, with no other old output left beside it."""

import os
import select
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import ENV, WineCase, run, wine  # noqa: E402
from survey_test import WAIT  # noqa: E402
from test_survey_qc import grid_survey, xyz_bytes  # noqa: E402  (tests/e2e, on the path by wine_run)

OUTPUTS = ["Temp/Crossings.txt", "Temp/QC_Report.html"]


class OfficeFilesUnderWine(WineCase):
    def setUp(self):
        super().setUp()
        records, first_cross = grid_survey()
        self.write("PM/PointsCl.txt", xyz_bytes(records[:first_cross]))
        for root in (self.linux, self.windows):
            os.makedirs(os.path.join(root, "Cross", "PM"))
            os.makedirs(os.path.join(root, "Plain"))
        self.write("Cross/PM/PointsCl.txt", xyz_bytes(records[first_cross:]))

    def exists(self, root, rel):
        return os.path.exists(os.path.join(root, rel))

    def test_folder_for_a_file_and_a_stop_after_an_earlier_run(self):
        cases = [  # arguments, exit status, what the screen or the standard error says
            (["--crosslines", "Cross"], 0, b"Cross/PM/PointsCl.txt  (survey folder)  (crosslines)"),
            (["--crosslines", "Missing.txt"], 2, b"open_input: Missing.txt: file not found"),
            (["--crosslines", "Cross"], 0, b"(survey folder)"),
            (["--crosslines", "Plain"], 1, b"\"Plain\" is a folder, not a survey folder with PM/PointsCl.txt"),
            (["--crosslines", "Cross", "--max-gap", "0.5"], 1, b"no crossline found"),
        ]
        for args, status, said in cases:
            with self.subTest(args=args):
                linux, windows = self.run_both("survey_qc", b"\n", args)
                self.assertEqual((linux.returncode, windows.returncode), (status, status), (linux, windows))
                self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                self.assertIn(said, windows.stdout + windows.stderr)
                if status != 2:
                    self.assertEqual(windows.stderr, linux.stderr)
                for root in (self.linux, self.windows):
                    for path in OUTPUTS:  # written, or none left (a wrong call touches nothing)
                        self.assertEqual(self.exists(root, path), status == 0 or (status == 1 and b"usage" in
                                                                                     linux.stderr), (root, path))
                    self.assertFalse(self.exists(root, path + ".part"))
                # The same files on both sides, the report's run date aside.
                self.assertEqual([p for p in self.differing() if p != "Temp/QC_Report.html"], [])

    def test_an_output_held_open_elsewhere(self):
        """dxf2txt, waiting at its second prompt, holds the drawing named at
        the first (here Temp/Crossings.txt) open for reading: survey_qc cannot
        remove it and stops with 32, but removes the older report beside it."""
        root = self.windows
        self.assertEqual(run(wine("survey_qc") + ["--crosslines", "Cross"], root).returncode, 0)
        holder = subprocess.Popen(wine("dxf2txt"), cwd=root, env=ENV, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL)
        self.addCleanup(holder.kill)
        holder.stdin.write(b"Temp\\Crossings.txt\n")
        holder.stdin.flush()
        shown, deadline = b"", time.monotonic() + WAIT
        while not shown.endswith(b"\x1b[11;33H"):  # at the prompt for the text file's name
            self.assertLess(time.monotonic(), deadline, "dxf2txt did not reach its second prompt: %r" % shown)
            if select.select([holder.stdout], [], [], 0.1)[0]:
                shown += os.read(holder.stdout.fileno(), 65536) or self.fail("dxf2txt ended: %r" % shown)
        held = run(wine("survey_qc") + ["--crosslines", "Cross"], root)
        self.assertEqual(held.returncode, 32, held)
        self.assertIn(b"remove: Temp/Crossings.txt: in use by another program; close it there\n", held.stderr)
        self.assertNotIn(b"Records", held.stdout)  # stopped before reading the points
        self.assertTrue(self.exists(root, "Temp/Crossings.txt"))
        self.assertFalse(self.exists(root, "Temp/QC_Report.html"))
        holder.communicate(b"Temp\\Points.txt\n\n", timeout=WAIT)
        again = run(wine("survey_qc") + ["--crosslines", "Cross"], root)
        self.assertEqual(again.returncode, 0, again)
        self.assertTrue(all(self.exists(root, p) for p in OUTPUTS))


if __name__ == "__main__":
    unittest.main()
