#!/usr/bin/env python3
"""The chain on the bundled sample survey: join, then depth_filter with the
limits of samples/answers/depth_filter.txt piped in, then utm_points, each
output checked byte for byte against tests/data/sample/.

The expected files were made by tests/data/sample/make_chain_expected.py from
the rules (not from the tools) and reviewed by hand: of the 3420 joined
soundings, 409 are kept with the limits 1.0, 40.0, 3.0 m and 0.5; four fall
outside the depth window (0.6, 48.7, 0.9 and 44.3 m), five repeat the
position of the last kept point, the spike of 1.4 m at 42.49955950 N
27.49943745 E lies 3.36 m from the point before it (9.7 m) and is dropped for
its slope of 2.5, the rest lie within 3 m of the last kept point."""

import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import piped_screen  # noqa: E402
from survey_test import DATA, REPO, SAMPLE, SurveyCase  # noqa: E402

ANSWERS = os.path.join(REPO, "samples", "answers", "depth_filter.txt")


def expected(name):
    with open(os.path.join(DATA, "sample", name), "rb") as f:
        return f.read()


class SampleChain(SurveyCase):
    def run_ok(self, tool, stdin=b"\n"):
        run = self.survey.run(tool, stdin)
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        return piped_screen(run.stdout)[0]

    def test_join_depth_filter_utm_points(self):
        for name in ("Raw_Pos.txt", "Raw_Dpt.txt"):
            shutil.copy(os.path.join(SAMPLE, "Temp", name), self.survey.path("Temp"))

        self.run_ok("join")
        self.assertEqual(self.survey.read("Temp/Data.txt"), expected("Data.txt"))

        with open(ANSWERS, "rb") as f:
            rows = self.run_ok("depth_filter", f.read())
        self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), expected("La_Lo_De.txt"))
        self.assertEqual((rows[15][6:21], rows[17][6:21]), (" Read:     3420", "Write:      409"))

        rows = self.run_ok("utm_points")
        self.assertEqual(self.survey.read("PM/Points.txt"), expected("Points.txt"))
        self.assertEqual(self.survey.read("Temp/Points.scr"), expected("Points.scr"))
        self.assertEqual(self.survey.read("Temp/3DPoly.scr"), expected("3DPoly.scr"))
        self.assertEqual(rows[14][4:35], "      Points counter :      409")


if __name__ == "__main__":
    unittest.main()
