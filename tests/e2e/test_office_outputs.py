#!/usr/bin/env python3
"""The office tools leave all their outputs of a run or none: after an
earlier run has written them, every kind of stop (a missing input, the tool's
own refusal, a number that cannot be read, a file where a folder is wanted)
leaves none of them and no temporary file; a run that ends well leaves exactly
its outputs; a wrong call touches nothing; an output that is also the run's
input is read before it is written over."""

import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import points_txt  # noqa: E402
from survey_test import Survey, SurveyCase  # noqa: E402
from test_survey_qc import grid_survey, xyz_bytes  # noqa: E402

OUTPUTS = {
    "survey_surface": ["Temp/Contours.dxf", "Temp/Contours.geojson", "Temp/Tin.dxf", "Temp/Surface.xml",
                       "Temp/Surface.asc", "Temp/Surface.prj", "Temp/Surface.tif", "Temp/Surface.svg"],
    "survey_volume": ["Temp/Volume.txt", "Temp/Difference.asc", "Temp/Difference.prj", "Temp/Difference.tif",
                      "Temp/Difference.svg"],
    "survey_qc": ["Temp/Crossings.txt", "Temp/Crossings.geojson", "Temp/QC_Report.html"],
    "survey_soundings": ["PM/Soundings.txt", "Temp/Soundings.dxf", "Temp/Soundings.scr", "Temp/Soundings.svg",
                         "Temp/Soundings.geojson"],
    "survey_plot": ["Temp/Plan.svg", "Temp/Profile.svg", "Temp/Track.geojson", "Temp/Survey.kml"],
    "survey_channel": ["Temp/Channel_Volumes.txt", "Temp/Channel_Volumes.csv", "Temp/Sections.dxf",
                       "Temp/Sections.svg", "Temp/Channel.dxf"],
    "survey_sheet": ["Temp/Sheet.pdf", "Temp/Sheet.svg", "Temp/Sheet.dxf"],
}
GOOD_ARGS = {"survey_volume": ["--level", "-12"], "survey_channel": ["--channel", "Design.txt"]}
CHANNEL = b"point 0 225\r\npoint 500 225\r\nreach 0 500 -20 30 30 3 3 0.5\r\n"
BAD_NUMBER = b"500 200 -10\r\n500 2x0 -10\r\n"


def away(survey):
    survey.write("Away.txt", b"9000 9000\r\n9010 9000\r\n9010 9010\r\n")


def no_crossline(survey):
    records, first_cross = grid_survey()
    survey.write("Temp/Cross.txt", xyz_bytes(records[:10]))  # 22.5 m of track: no line


def nan_record(survey):
    survey.write("Bad.txt", b"1 2 -3\r\n4 5 Nan\r\n")


def spikes_backwards(survey):
    survey.write("Temp/Spikes.txt", b"9\r\n3\r\n")


def wrong_grid(survey):
    survey.write("PM/Grid.txt", b"Grid: UTM 61N\r\n")


def file_for_folder(survey):
    """PM/PointsCl.txt where the folder Sub is expected: Sub/PM/PointsCl.txt
    cannot be opened (3)."""
    survey.write("Sub", b"")


# (tool, what stops it, how the survey is changed, its arguments, exit status)
STOPS = [
    ("survey_surface", "missing points", None, ["--points", "Missing.txt"], 2),
    ("survey_surface", "every triangle trimmed", None, ["--max-edge", "1"], 1),
    ("survey_surface", "a bad number", lambda s: s.write("Bad.txt", BAD_NUMBER), ["--points", "Bad.txt"], 106),
    ("survey_surface", "a file for a folder", file_for_folder, ["--points", "Sub/PM/PointsCl.txt"], 3),
    ("survey_volume", "missing reference", None, ["--against", "Missing.txt"], 2),
    ("survey_volume", "no common area", away, ["--level", "-12", "--boundary", "Away.txt"], 1),
    ("survey_volume", "a bad boundary number", lambda s: s.write("Box.txt", b"0 0\r\n1 x\r\n"),
     ["--level", "-12", "--boundary", "Box.txt"], 106),
    ("survey_qc", "missing crosslines", None, ["--crosslines", "Missing.txt"], 2),
    ("survey_qc", "no crossline", no_crossline, ["--crosslines", "Temp/Cross.txt"], 1),
    ("survey_qc", "a bad number", lambda s: s.write("Temp/Cross.txt", BAD_NUMBER), ["--crosslines", "Temp/Cross.txt"],
     106),
    ("survey_soundings", "missing points", None, ["--points", "Missing.txt"], 2),
    ("survey_soundings", "a record not finite", nan_record, ["--points", "Bad.txt"], 1),
    ("survey_soundings", "a bad number", lambda s: s.write("Bad.txt", BAD_NUMBER), ["--points", "Bad.txt"], 106),
    ("survey_plot", "missing points", lambda s: os.remove(s.path("PM/Points.txt")), [], 2),
    ("survey_plot", "spikes out of order", spikes_backwards, [], 1),
    ("survey_plot", "a bad number", lambda s: s.write("PM/Points.txt", BAD_NUMBER), [], 106),
    ("survey_plot", "a grid file that gives no grid", wrong_grid, [], 1),
    ("survey_qc", "a grid file that gives no grid", wrong_grid, ["--crosslines", "PM/PointsCl.txt"], 1),
    ("survey_channel", "missing survey before", None, ["--channel", "Design.txt", "--against", "Missing.txt"], 2),
    ("survey_channel", "a channel beside the survey", lambda s: s.write("Design.txt", CHANNEL.replace(b"225", b"9000")),
     ["--channel", "Design.txt"], 1),
    ("survey_channel", "a bad number", lambda s: s.write("Bad.txt", BAD_NUMBER), ["--channel", "Design.txt", "--points",
                                                                                  "Bad.txt"], 106),
    ("survey_sheet", "missing points", None, ["--points", "Missing.txt"], 2),
    ("survey_sheet", "cleaned points missing", lambda s: os.remove(s.path("PM/PointsCl.txt")), [], 1),
    ("survey_sheet", "a record not finite", nan_record, ["--points", "Bad.txt"], 1),
    ("survey_sheet", "a bad number", lambda s: s.write("Bad.txt", BAD_NUMBER), ["--points", "Bad.txt"], 106),
    ("survey_sheet", "too many sheets", None, ["--scale", "10", "--paper", "A4"], 1),
    ("survey_sheet", "a grid file that gives no grid", wrong_grid, [], 1),
    ("survey_sheet", "a file for a folder", file_for_folder, ["--points", "Sub/PM/PointsCl.txt"], 3),
]


def survey_folder():
    """A survey folder with the grid survey as PM/Points.txt and PM/PointsCl.txt,
    in a UTM zone (PM/Grid.txt), so that the tools write their GIS files too."""
    survey = Survey()
    survey.write("PM/Grid.txt", b"Grid: UTM 35N\r\n")
    records, _ = grid_survey()
    survey.write("PM/PointsCl.txt", xyz_bytes(records))
    survey.write("PM/Points.txt", points_txt(records))
    survey.write("Design.txt", CHANNEL)
    return survey


def files(survey):
    """Every file under PM and Temp (paths from the survey folder)."""
    return {folder + "/" + name for folder in ("PM", "Temp") for name in os.listdir(survey.path(folder))}


class OutputsAfterAStop(SurveyCase):
    def setUp(self):
        self.survey = survey_folder()
        self.addCleanup(self.survey.remove)

    def run_well(self, tool, survey=None):
        survey = survey or self.survey
        before = files(survey)
        run = survey.run(tool, args=GOOD_ARGS.get(tool, []))
        self.assertEqual((run.returncode, run.stderr), (0, b""), (tool, run))
        self.assertEqual(files(survey) - before, set(OUTPUTS[tool]), tool)  # no .part left either

    def test_every_stop_leaves_no_output(self):
        for tool, what, arrange, args, status in STOPS:
            with self.subTest(tool=tool, stop=what):
                survey = survey_folder()
                self.addCleanup(survey.remove)
                self.run_well(tool, survey)
                if arrange:
                    arrange(survey)
                run = survey.run(tool, args=args)
                self.assertEqual(run.returncode, status, run)
                if status != 1:
                    self.assert_runtime_error(run, status)
                left = files(survey)
                self.assertEqual(left & set(OUTPUTS[tool]), set(), "outputs of the earlier run left")
                self.assertEqual([p for p in left if p.endswith(".part")], [])

    def test_a_wrong_call_touches_nothing(self):
        for tool in OUTPUTS:
            with self.subTest(tool=tool):
                self.run_well(tool)
                stamps = {p: os.stat(self.survey.path(p)).st_mtime_ns for p in OUTPUTS[tool]}
                run = self.survey.run(tool, args=["--bogus"])
                self.assertEqual(run.returncode, 1, run)
                self.assertEqual({p: os.stat(self.survey.path(p)).st_mtime_ns for p in OUTPUTS[tool]}, stamps)

    def test_old_outputs_in_another_letter_case_go_too(self):
        self.survey.write("Temp/crossings.TXT", b"old")
        self.survey.write("Temp/CROSSINGS.txt", b"old")
        run = self.survey.run("survey_qc", args=["--crosslines", "Missing.txt"])
        self.assertEqual(run.returncode, 2, run)
        self.assertFalse([p for p in files(self.survey) if p.lower() == "temp/crossings.txt"])

    def test_an_output_read_as_the_input_is_written_over(self):
        self.run_well("survey_soundings")
        first = self.survey.read("PM/Soundings.txt")
        run = self.survey.run("survey_soundings", args=["--points", "./pm/soundings.TXT", "--scale", "4000"])
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        again = self.survey.read("PM/Soundings.txt")
        self.assertEqual(run.counter("Soundings : "), first.count(b"\r\n"))  # the first selection read
        self.assertLess(again.count(b"\r\n"), first.count(b"\r\n"))
        self.assertTrue(set(again.split(b"\r\n")) <= set(first.split(b"\r\n")))


if __name__ == "__main__":
    unittest.main()
