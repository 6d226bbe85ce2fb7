#!/usr/bin/env python3
"""A folder given where an option wants a file: a survey folder stands for its
cleaned points (PM/PointsCl.txt), the screen saying so, with the same results
as that file named itself; any other folder is refused before the screen with
what the option wants, and nothing is touched."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import render  # noqa: E402
from survey_test import SurveyCase  # noqa: E402
from test_survey_qc import grid_survey, xyz_bytes  # noqa: E402

# (tool, option, the other options, an output that shows what was read, the
# screen's row (from 1) that names the file read)
CASES = [
    ("survey_surface", "--points", [], "Temp/Tin.dxf", 6),
    ("survey_volume", "--points", ["--level", "-12"], "Temp/Difference.asc", 6),
    ("survey_volume", "--against", ["--max-edge", "100"], "Temp/Difference.asc", 7),
    ("survey_qc", "--points", ["--crosslines", "Temp/Cross.txt"], "Temp/Crossings.txt", 6),
    ("survey_qc", "--crosslines", [], "Temp/Crossings.txt", 7),
    ("survey_soundings", "--points", [], "PM/Soundings.txt", 6),
    ("survey_channel", "--against", ["--channel", "Design.txt", "--points", "Temp/Cross.txt", "--max-edge", "100"],
     "Temp/Channel_Volumes.csv", 7),
    ("survey_sheet", "--points", ["--paper", "A3"], "Temp/Sheet.dxf", 6),
]


class FolderForAFile(SurveyCase):
    def setUp(self):
        super().setUp()
        records, first_cross = grid_survey()
        # The main lines here, the crosslines in a survey folder of their own
        # (Other, its folders in another letter case).
        self.survey.write("PM/PointsCl.txt", xyz_bytes(records[:first_cross]))
        self.survey.write("Temp/Cross.txt", xyz_bytes(records[first_cross:]))
        for folder in ("Other", "Other/pm", "Other/Temp", "Plain", "Cleanless", "Cleanless/PM"):
            os.mkdir(self.survey.path(folder))
        self.survey.write("Other/pm/POINTSCL.txt", xyz_bytes(records[first_cross:]))
        self.survey.write("Design.txt", b"point 0 225\r\npoint 500 225\r\nreach 0 500 -20 30 30 3 3 0.5\r\n")

    def test_a_survey_folder_is_read_as_its_cleaned_points(self):
        for tool, option, others, output, row in CASES:
            with self.subTest(tool=tool, option=option):
                named = self.survey.run(tool, args=others + [option, "Other/PM/PointsCl.txt"])
                self.assertEqual((named.returncode, named.stderr), (0, b""), named)
                by_file = self.survey.read(output)
                for folder in ("Other", "Other/", "other\\"):
                    run = self.survey.run(tool, args=others + [option, folder])
                    self.assertEqual((run.returncode, run.stderr), (0, b""), run)
                    self.assertEqual(self.survey.read(output), by_file, folder)
                    shown = render(run.stdout)[0][row - 1]
                    self.assertIn(folder.rstrip("/\\") + "/PM/PointsCl.txt  (survey folder)", shown, folder)
                    self.assertLessEqual(len(shown.rstrip()), 80)

    def test_other_folders_are_refused_before_the_run(self):
        self.survey.write("Temp/Crossings.txt", b"old")
        cases = [
            ("survey_qc", ["--crosslines", "Plain"], "--crosslines wants a file of x y z points, and \"Plain\" is a "
             "folder, not a survey folder with PM/PointsCl.txt"),
            ("survey_qc", ["--points", "Cleanless"], "--points wants a file of x y z points, and \"Cleanless\" is a "
             "survey folder without PM/PointsCl.txt (run echo_clean2 there first)"),
            ("survey_surface", ["--points", "Temp"], "--points wants a file of x y z points"),
            ("survey_soundings", ["--points", "Other/PM"], "--points wants a file of x y z points"),
            ("survey_sheet", ["--points", "Plain"], "--points wants a file of x y z points, and \"Plain\" is a "
             "folder, not a survey folder with PM/PointsCl.txt"),
            ("survey_volume", ["--against", "Plain/"], "--against wants a file of x y z points, and \"Plain/\" is a folder"),
            ("survey_volume", ["--level", "-9", "--boundary", "Other"],
             "--boundary wants a file of the boundary's corners, x y a line, and \"Other\" is a folder"),
            ("survey_channel", ["--channel", "Plain"], "--channel wants the channel's design file, and \"Plain\" is "
             "a folder"),
        ]
        for tool, args, message in cases:
            with self.subTest(tool=tool, args=args):
                run = self.survey.run(tool, args=args)
                self.assertEqual(run.returncode, 1, run)
                self.assertEqual(run.stdout, b"", "refused before the screen")
                self.assertIn(message, run.stderr.decode())
                self.assertIn("usage: " + tool, run.stderr.decode())
                self.assertEqual(self.survey.read("Temp/Crossings.txt"), b"old")


if __name__ == "__main__":
    unittest.main()
