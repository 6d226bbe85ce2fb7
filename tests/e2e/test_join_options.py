#!/usr/bin/env python3
"""join's options, each on a small case worked out by hand: Temp/Data.txt,
the screen rows of the options and their counters, and the wrong calls that
stop it before it touches anything. (Without options join is checked by
test_join_files.py and test_join_screen.py as it always was.)"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import piped_screen  # noqa: E402
from survey_test import SurveyCase, crlf  # noqa: E402

# Fixes at 10:00:01, :03, :13, :15 and :17 count at 36000, 36002, 36012,
# 36014 and 36016: two seconds, then a ten-second outage, then two seconds.
FIXES = crlf("42.0 27.0 10 0 1", "42.1 27.2 10 0 3", "42.6 28.2 10 0 13", "42.7 28.4 10 0 15",
             "42.8 28.6 10 0 17")
SOUNDINGS = crlf("12.34 10 0 1", "13.0 10 0 2", "14.0 10 0 7", "15.0 10 0 12", "16.0 10 0 13", "17.0 10 0 14")
# The water level rises from 1.0 m at 10:00:00 to 2.0 m at 10:00:10.
TIDE = crlf("10 0 0 1.0", "10 0 10 2.0")
OLD = crlf("41.00000000 26.00000000 1.0")
USAGE = ("usage: join [--latency S] [--max-gap S] [--tide FILE [--tide-gap S]]\n"
         "            [--heave FILE --heave-sign up|down] [--sv-profile FILE [--sv-set V] [--draft D]]\n"
         "            [--squat FILE] [--cm]\n")


class JoinOptions(SurveyCase):
    def join(self, args, tide=TIDE):
        self.survey.write("Temp/Raw_Pos.txt", FIXES)
        self.survey.write("Temp/Raw_Dpt.txt", SOUNDINGS)
        self.survey.write("Temp/Tide.txt", tide)
        self.survey.write("Temp/Data.txt", OLD)
        return self.survey.run("join", args=args)

    def test_each_option(self):
        cases = {
            # Without options: 36001 halfway (C), 36002 on a fix (D), 36007
            # halfway across the outage, 36012 on a fix, 36013 halfway, 36014
            # on a fix.
            "none": ([], crlf("42.05000000 27.10000000 12.3", "42.10000000 27.20000000 13.0",
                              "42.35000000 27.70000000 14.0", "42.60000000 28.20000000 15.0",
                              "42.65000000 28.30000000 16.0", "42.70000000 28.40000000 17.0"), {}),
            # Each sounding half a second earlier: 36000.5 a quarter of the
            # way, 36001.5 three quarters, 36006.5 at 0.45 of the outage
            # (42.1 + 0.45 x 0.5, 27.2 + 0.45 x 1.0), 36011.5 at 0.95 of it,
            # 36012.5; 36013.5 is read last and left pending when the
            # soundings run out.
            "latency": (["--latency", "0.5"],
                        crlf("42.02500000 27.05000000 12.3", "42.07500000 27.15000000 13.0",
                             "42.32500000 27.65000000 14.0", "42.57500000 28.15000000 15.0",
                             "42.62500000 28.25000000 16.0"),
                        {10: "      Latency   : 0.5 s"}),
            # A negative latency: a second later. 36002 and 36014 fall on
            # fixes, 36003 a tenth of the way, 36008 six tenths into the
            # outage, 36013 halfway; 36015 is left pending.
            "negative latency": (["--latency", "-1"],
                                 crlf("42.10000000 27.20000000 12.3", "42.15000000 27.30000000 13.0",
                                      "42.40000000 27.80000000 14.0", "42.65000000 28.30000000 15.0",
                                      "42.70000000 28.40000000 16.0"),
                                 {10: "      Latency   : -1 s", 12: "      Positions :        5"}),
            # The sounding across the ten-second outage is dropped; the ones on
            # its fixes are kept.
            "max gap": (["--max-gap", "3"],
                        crlf("42.05000000 27.10000000 12.3", "42.10000000 27.20000000 13.0",
                             "42.60000000 28.20000000 15.0", "42.65000000 28.30000000 16.0",
                             "42.70000000 28.40000000 17.0"),
                        {11: "      Max. gap  : 3 s", 16: "        In gaps :        1"}),
            "max gap of the outage itself": (["--max-gap", "10"], None, {11: "      Max. gap  : 10 s",
                                                                         16: "        In gaps :        0"}),
            # Levels 1.1, 1.2 and 1.7 at 36001, 36002, 36007 (12.34 - 1.1 =
            # 11.24); 36012, 36013 and 36014 lie after the series.
            "tide": (["--tide", "Temp/Tide.txt"],
                     crlf("42.05000000 27.10000000 11.2", "42.10000000 27.20000000 11.8",
                          "42.35000000 27.70000000 12.3"),
                     {8: "      Tide  : Temp/Tide.txt", 17: "        No tide :        3"}),
            # All three: 36000.5 (level 1.05) and 36001.5 (1.15: 11.85 is
            # written 11.9); 36006.5 and 36011.5 lie in the outage; 36012.5
            # after the series; 36013.5 is left pending.
            "all three": (["--tide", "Temp/Tide.txt", "--latency", "0.5", "--max-gap", "3"],
                          crlf("42.02500000 27.05000000 11.3", "42.07500000 27.15000000 11.9"),
                          {8: "      Tide  : Temp/Tide.txt", 10: "      Latency   : 0.5 s",
                           11: "      Max. gap  : 3 s", 16: "        In gaps :        2",
                           17: "        No tide :        1"}),
        }
        for name, (args, data, rows) in cases.items():
            with self.subTest(name):
                run = self.join(args)
                self.assertEqual((run.returncode, run.stderr), (0, b""), run)
                if data is None:
                    data = cases["none"][1]
                self.assertEqual(self.survey.read("Temp/Data.txt"), data)
                screen = piped_screen(run.stdout)[0]
                for row in range(8, 18):
                    self.assertEqual(screen[row - 1].rstrip(), rows.get(row, {
                        8: "", 9: "      Write :    Temp/Data.txt", 12: "      Positions :        4",
                        13: "         Depths :        6", 15: "      3D Points :        %d" % (data.count(b"\n"),)
                    }.get(row, "")), "row %d of\n%s" % (row, "\n".join(screen)))

    def test_tide_outside_its_series_and_levels_that_repeat_a_time(self):
        # A series from 10:00:02 to 10:00:12 with two levels at 10:00:06:
        # 36001 and 36013 lie outside it; 36002 takes the first level, 36012
        # the last; 36007 a sixth of the way from the second level of
        # 10:00:06 to the last: 2.5 + 1/6.
        run = self.join(["--tide", "Temp/Tide.txt"],
                        crlf("10 0 2 0.5", "10 0 6 1.5", "10 0 6 2.5", "10 0 12 3.5"))
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        self.assertEqual(self.survey.read("Temp/Data.txt"),
                         crlf("42.10000000 27.20000000 12.5", "42.35000000 27.70000000 11.3",
                              "42.60000000 28.20000000 11.5"))

    def test_tide_gap(self):
        # Levels at 36000, 36002 and 36012: a ten-second hole. 36001 takes
        # 1.1 (12.34 - 1.1), 36002 and 36012 fall on levels (13.0 - 1.2,
        # 15.0 - 2.2), 36007 lies in the hole: bridged at 1.7 without
        # --tide-gap or with a gap of 10 s allowed, dropped with 5 s; 36013
        # and 36014 lie after the series.
        tide = crlf("10 0 0 1.0", "10 0 2 1.2", "10 0 12 2.2")
        bridged = crlf("42.05000000 27.10000000 11.2", "42.10000000 27.20000000 11.8",
                       "42.35000000 27.70000000 12.3", "42.60000000 28.20000000 12.8")
        dropped = crlf("42.05000000 27.10000000 11.2", "42.10000000 27.20000000 11.8",
                       "42.60000000 28.20000000 12.8")
        for gap, data, no_tide, row8 in ((None, bridged, 2, ""), ("10", bridged, 2, "  (gaps up to 10 s)"),
                                         ("5", dropped, 3, "  (gaps up to 5 s)")):
            with self.subTest(gap=gap):
                run = self.join(["--tide", "Temp/Tide.txt"] + (["--tide-gap", gap] if gap else []), tide)
                self.assertEqual((run.returncode, run.stderr), (0, b""), run)
                self.assertEqual(self.survey.read("Temp/Data.txt"), data)
                screen = piped_screen(run.stdout)[0]
                self.assertEqual(screen[7].rstrip(), "      Tide  : Temp/Tide.txt" + row8)
                self.assertEqual(screen[16].rstrip(), "        No tide :        %d" % no_tide)

    def test_wrong_calls_stop_before_anything_is_touched(self):
        cases = [
            (["--latency"], "--latency needs a value"),
            (["--latency", "0,5"], "--latency needs a number of seconds, not \"0,5\""),
            (["--latency", "inf"], "--latency needs a number of seconds, not \"inf\""),
            (["--max-gap", "-1"], "--max-gap needs a gap of 0 seconds or more"),
            (["--max-gap", "3", "--max-gap", "4"], "--max-gap given twice"),
            (["--tide", ""], "--tide needs a file name"),
            (["--gap", "3"], "unknown option \"--gap\""),
            (["Temp/Tide.txt"], "unknown option \"Temp/Tide.txt\""),
            (["--tide-gap", "5"], "--tide-gap goes with --tide"),
            (["--tide", "Temp/Tide.txt", "--tide-gap", "-1"], "--tide-gap needs a gap of 0 seconds or more"),
        ]
        for args, problem in cases:
            with self.subTest(args=args):
                run = self.join(args)
                self.assertEqual(run.returncode, 1, run)
                self.assertEqual(run.stderr, ("join: %s\n%s" % (problem, USAGE)).encode())
                self.assertEqual(self.survey.read("Temp/Data.txt"), OLD)

    def test_tide_file_faults_are_run_time_stops(self):
        # A missing series stops join before Temp/Data.txt is made; a level
        # that is no number, or no level at all, once it is made.
        for name, tide, code in (("missing", "Temp/None.txt", 2), ("a letter in a level", crlf("10 0 0 1.O"), 106),
                                 ("empty", b"", 106)):
            with self.subTest(name):
                run = self.join(["--tide", tide if code == 2 else "Temp/Tide.txt"], b"" if code == 2 else tide)
                self.assertIn("Temp/", self.assert_runtime_error(run, code))
                self.assertEqual(self.survey.read("Temp/Data.txt"), OLD if code == 2 else b"")


if __name__ == "__main__":
    unittest.main()
