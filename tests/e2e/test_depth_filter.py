#!/usr/bin/env python3
"""depth_filter end to end: PM/La_Lo_De.txt byte for byte for limits typed
(piped) at its four prompts, the counters and the screen (replayed from the
piped output), and the run-time stops.

The expected point lists are worked out by hand from the filter's rules: a
depth inside the window (both limits strict); from the second point on, a
position other than the reference point's, a distance d =
sqrt((dlat * 60 * 1800)^2 + (dlon * 60 * 1300)^2) above the minimum and a
slope |ddepth| / d below the maximum, always measured from the last point
written. The coordinates below are whole multiples of 1/1024 degree, so the
distances are exact: 1/1024 degree of latitude is 105.46875 m, of longitude
76.171875 m."""

import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import expected_rows, piped_screen  # noqa: E402
from survey_test import SurveyCase, crlf  # noqa: E402

HEADER = crlf("Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel", "-" * 62,
              "27.0 1.0 0.0 0.5 1.0 0.0 ")
OLD_LIST = HEADER + b"41.00000000 26.00000000 1.0"
PROMPTS = ("      Min. Depth : ", "      Max. Depth : ", "      Min. Dist. : ", "      Max.Slope 1: ")


def answers(*limits):
    """The typed lines: one limit a line, then Enter for the final wait."""
    return b"".join(str(x).encode() + b"\n" for x in limits) + b"\n"


def point_lines(*records):
    """Point records with CR LF between them and none after the last."""
    return b"\r\n".join(r.encode() for r in records)


# Limits: depth window 5..30, minimum distance 105.46875 m (1/1024 degree of
# latitude), maximum slope 0.05.
WORKED_LIMITS = answers(5, 30, 105.46875, 0.05)
WORKED_DATA = crlf(
    "42.0 27.0 5.0",                       # 1  depth = minimum: outside
    "42.0 27.0 30.0",                      # 2  depth = maximum: outside
    "42.0 27.0 4.9",                       # 3  outside
    "42.0 27.0 10.0",                      # 4  first inside: written untested, the reference
    "42.0 27.0 12.0",                      # 5  same position as the reference: dropped
    "42.0009765625 27.0 10.0",             # 6  d = 105.46875, the minimum: dropped
    "42.001953125 27.0 10.0",              # 7  d = 210.9375, slope 0: written
    "42.00390625 27.0 20.546875",          # 8  d = 210.9375, slope 10.546875 / d = 0.05: dropped
    "42.00390625 27.0 20.4",               # 9  slope 0.0493: written
    "42.00390625 27.001220703125 25.0",    # 10 1.25/1024 degree of longitude: d = 95.2 m, dropped
    "42.00390625 27.001953125 25.0",       # 11 d = 152.34375 from 9 (not from 10), slope 0.030: written
    "42.0048828125 27.0029296875 25.0",    # 12 d = sqrt(105.46875^2 + 76.171875^2) = 130.1: written
    "42.0078125 27.0 30.0",                # 13 depth = maximum: outside
    "42.0078125 27.0 5.0",                 # 14 depth = minimum: outside
    "42.0078125 27.0 29.9",                # 15 d = 390.3 from 12, slope 0.0126: written
    "42.0078125 27.0 30.5",                # 16 outside
)
# 42.001953125 and 27.001953125 round half up at the eighth decimal,
# 27.0029296875 rounds up, 42.0048828125 down; record 8 would be written 20.5.
WORKED_LIST = HEADER + point_lines(
    "42.00000000 27.00000000 10.0",
    "42.00195313 27.00000000 10.0",
    "42.00390625 27.00000000 20.4",
    "42.00390625 27.00195313 25.0",
    "42.00488281 27.00292969 25.0",
    "42.00781250 27.00000000 29.9",
)


def screen(read="", written="", prompts=4, finished=True):
    """The window as depth_filter leaves it with piped answers (no echo, so
    the prompts stand on rows 7 to 10)."""
    texts = {3: "       Read :   Temp/Data.txt", 5: "      Write : PM/La_Lo_De.txt"}
    for i in range(prompts):
        texts[7 + i] = PROMPTS[i]
    if read:
        texts[16] = "       Read: " + read.rjust(8)
    if written:
        texts[18] = "      Write: " + written.rjust(8)
    if finished:
        texts[21] = "      Press ENTER  ..."
    return expected_rows(texts)


class FilterCase(SurveyCase):
    def filter(self, data, typed, body, read="", written=""):
        """Runs depth_filter on Temp/Data.txt with typed limits; checks a
        normal end, the point list (header + body) and the final screen with
        its counters ("" for a counter never shown)."""
        self.survey.write("Temp/Data.txt", data)
        self.survey.write("PM/La_Lo_De.txt", OLD_LIST)
        run = self.survey.run("depth_filter", typed)
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(run.stderr, b"")
        self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), HEADER + body)
        rows, cursor = piped_screen(run.stdout)
        self.assertEqual(rows, screen(read, written))
        self.assertEqual(cursor, (23, 21))
        return run


class Filter(FilterCase):
    def test_worked_records(self):
        self.filter(WORKED_DATA, WORKED_LIMITS, WORKED_LIST[len(HEADER):], "16", "6")

    def test_cm_keeps_two_decimals(self):
        # The same records and tests; the depths to the centimetre (20.545, a
        # hair below the half as a double, goes up by the writing rule).
        data = crlf("42.0 27.0 10.004", "42.001953125 27.0 10.125", "42.00390625 27.0 20.545",
                    "42.005859375 27.0 20.55")
        cm = HEADER + point_lines("42.00000000 27.00000000 10.00", "42.00195313 27.00000000 10.13",
                                  "42.00390625 27.00000000 20.55", "42.00585938 27.00000000 20.55")
        for args, body in ((["--cm"], cm), ([], HEADER + point_lines(
                "42.00000000 27.00000000 10.0", "42.00195313 27.00000000 10.1", "42.00390625 27.00000000 20.5",
                "42.00585938 27.00000000 20.6"))):
            with self.subTest(args=args):
                self.survey.write("Temp/Data.txt", data)
                run = self.survey.run("depth_filter", answers(0, 100, 1, 1), args=args)
                self.assertEqual((run.returncode, run.stderr), (0, b""), run)
                self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), body)
                self.assertEqual(piped_screen(run.stdout)[0][4].rstrip(), "      Write : PM/La_Lo_De.txt" +
                                 ("  (depths to the cm: --cm)" if args else ""))
        for args, why in ((["--cm", "--cm"], "--cm given twice"), (["--mm"], 'unknown option "--mm"')):
            self.survey.write("PM/La_Lo_De.txt", OLD_LIST)
            run = self.survey.run("depth_filter", answers(0, 100, 1, 1), args=args)
            self.assertEqual((run.returncode, run.stdout, run.stderr),
                             (1, b"", ("depth_filter: %s\nusage: depth_filter [--cm]\n" % why).encode()))
            self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), OLD_LIST)

    def test_slope_is_compared_as_typed(self):
        # 5 m of depth over 105.46875 * 2 = 210.9375 m: slope 0.0237, kept
        # under 0.03, dropped under 0.02 (and no reciprocal is taken).
        data = crlf("42.0 27.0 10.0", "42.001953125 27.0 15.0")
        self.filter(data, answers(0, 100, 1, 0.03), point_lines("42.00000000 27.00000000 10.0",
                                                                  "42.00195313 27.00000000 15.0"), "2", "2")
        self.filter(data, answers(0, 100, 1, 0.02), b"42.00000000 27.00000000 10.0", "2")

    def test_nothing_kept(self):
        # Neither counter is ever shown; the list is the header alone.
        data = crlf("42.0 27.0 4.0", "42.1 27.0 40.0", "42.2 27.0 5.0")
        self.filter(data, WORKED_LIMITS, b"")
        with self.subTest("maximum below the minimum"):
            self.filter(crlf("42.0 27.0 10.0", "42.1 27.0 20.0"), answers(30, 5, 1, 1), b"")

    def test_one_point_kept(self):
        # The records after it are too close, or repeat its position: the
        # Write counter is never shown.
        data = crlf("42.0 27.0 1.0", "42.0 27.0 10.0", "42.0 27.0 11.0", "42.0009765625 27.0 10.0")
        self.filter(data, WORKED_LIMITS, b"42.00000000 27.00000000 10.0", "4")
        with self.subTest("a file of one record"):
            self.filter(crlf("42.0 27.0 10.0"), WORKED_LIMITS, b"42.00000000 27.00000000 10.0")

    def test_repeated_position_dropped_with_a_negative_minimum_distance(self):
        # Distance 0 passes a minimum of -1: the repeated position is still
        # dropped, whatever its depth, and the next position is measured
        # from the first (76.171875 m, slope 0.0066).
        data = crlf("42.0 27.0 10.0", "42.0 27.0 10.0", "42.0 27.0 50.0", "42.0 27.0009765625 10.5")
        self.filter(data, answers(0, 100, -1, 1), point_lines("42.00000000 27.00000000 10.0",
                                                              "42.00000000 27.00097656 10.5"), "4", "2")

    def test_line_ends_and_extra_fields_read_alike(self):
        lines = [line.decode() for line in WORKED_DATA.split(b"\r\n")[:-1]]
        cases = {
            "LF": "".join(l + "\n" for l in lines),
            "CR": "".join(l + "\r" for l in lines),
            "no line end after the last": "\r\n".join(lines),
            "tabs and extra fields": "".join(l.replace(" ", "\t") + "\t1.5 GPS ;x,y\r\n" for l in lines),
        }
        for name, data in cases.items():
            with self.subTest(name):
                self.filter(data.encode(), WORKED_LIMITS, WORKED_LIST[len(HEADER):], "16", "6")

    def test_typed_lines_in_free_format(self):
        # Text after a number is discarded; an empty line before a number is
        # passed over; exponents and signs are numbers.
        typed = b"\n  5 m\n+30.0\tmetres\n1.0546875E2\n5e-2 (1:20)\n\n"
        self.filter(WORKED_DATA, typed, WORKED_LIST[len(HEADER):], "16", "6")


class Failures(SurveyCase):
    def run_filter(self, data, typed):
        if data is not None:
            self.survey.write("Temp/Data.txt", data)
        self.survey.write("PM/La_Lo_De.txt", OLD_LIST)
        return self.survey.run("depth_filter", typed)

    def test_missing_data_file_leaves_the_list_alone(self):
        run = self.run_filter(None, WORKED_LIMITS)
        self.assertIn("Data.txt", self.assert_runtime_error(run, 2))
        self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), OLD_LIST)
        self.assertEqual(piped_screen(run.stdout)[0], expected_rows({3: "       Read :   Temp/Data.txt"}))

    def test_missing_folders(self):
        with self.subTest("no Temp"):
            os.rmdir(self.survey.path("Temp"))
            self.survey.write("PM/La_Lo_De.txt", OLD_LIST)
            self.assert_runtime_error(self.survey.run("depth_filter", WORKED_LIMITS), 3)
            self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), OLD_LIST)
        with self.subTest("no PM"):
            os.mkdir(self.survey.path("Temp"))
            shutil.rmtree(self.survey.path("PM"))
            self.survey.write("Temp/Data.txt", WORKED_DATA)
            run = self.survey.run("depth_filter", WORKED_LIMITS)
            self.assertIn("La_Lo_De.txt", self.assert_runtime_error(run, 3))
            self.assertNotIn(b"Min. Depth", run.stdout)

    def test_letters_typed_at_a_prompt(self):
        # The list was emptied before the prompts and gets no header.
        for i in range(4):
            with self.subTest(prompt=PROMPTS[i].strip()):
                typed = answers(*[5, 30, 100, 0.5][:i])[:-1] + b"abc\n\n"
                run = self.run_filter(WORKED_DATA, typed)
                self.assert_runtime_error(run, 106)
                self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), b"")
                self.assertEqual(piped_screen(run.stdout)[0], screen(prompts=i + 1, finished=False))

    def test_malformed_or_missing_answers(self):
        cases = {"decimal comma": b"5\n30\n100\n0,5\n\n", "no input at all": b"",
                 "input ends after two answers": b"5\n30\n"}
        for name, typed in cases.items():
            with self.subTest(name):
                self.assert_runtime_error(self.run_filter(WORKED_DATA, typed), 106)
                self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), b"")

    def test_empty_data_file(self):
        # The first record is read without an end test: the header is on
        # disk, nothing after it.
        run = self.run_filter(b"", WORKED_LIMITS)
        self.assertIn("Data.txt", self.assert_runtime_error(run, 106))
        self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), HEADER)

    def test_blank_line_after_the_last_record(self):
        # One more record is read; the points written before the stop are on
        # disk.
        run = self.run_filter(WORKED_DATA + b"\r\n", WORKED_LIMITS)
        self.assertIn("Data.txt", self.assert_runtime_error(run, 106))
        self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), WORKED_LIST)

    def test_malformed_record(self):
        run = self.run_filter(crlf("42.0 27.0 10.0", "42.1 27,1 11.0"), WORKED_LIMITS)
        self.assertIn("Data.txt", self.assert_runtime_error(run, 106))
        self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), HEADER + b"42.00000000 27.00000000 10.0")


if __name__ == "__main__":
    unittest.main()
