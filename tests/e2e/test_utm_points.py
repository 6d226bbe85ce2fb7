#!/usr/bin/env python3
"""utm_points end to end: PM/Points.txt, Temp/Points.scr and Temp/3DPoly.scr
byte for byte, the parameter line as the user may edit it, the screen
(replayed from the piped output), and the run-time stops.

Every plane coordinate below is worked out by hand from the projection's
worked points (to the millimetre):
  42.5 N 27.5 E, meridian 27, scale 1 (FE 9500113.804, FN 122.463):
      E 9541213.356, N 4707419.569
  the same with scale 0.9996 and no false offsets: E 41083.113, N 4705414.187
  43.2 N 23.7 E, meridian 24, scale 1 (FE -999995.235, FN 0.698):
      E -1024378.042, N 4784983.216
and the projection's symmetries: a point on the equator on the central
meridian gets E = FE, N = FN; 26.5 E mirrors 27.5 E about FE (E = 2 FE -
9541213.356 = 9459014.252); -42.5 mirrors 42.5 about FN (N = 2 FN - 4707419.569
= -4707174.643); the scale factor multiplies E - FE and N - FN. Without false
offsets the two worked points give E - FE = 41099.5523..41099.5525 and
N - FN = 4707297.1055..4707297.1063 for 42.5 N 27.5 E at scale 1, so at scale
3 a point at 42.5 S 27.5 E lies at E 123298.657, N -14121891.317..-14121891.319.
Reduced depth z = zero level - (depth scale * depth + antenna depth - tide):
-(depth + 0.5) with the default line."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import expected_rows, piped_screen  # noqa: E402
from survey_test import SurveyCase  # noqa: E402

TITLES = b"Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel\r\n" + b"-" * 62 + b"\r\n"


def point_list(parameters, *records):
    """A point list: the two title lines, the parameter line, the records
    (bytes between them as given: CR LF between records, none after the last)."""
    return TITLES + parameters + b"\r\n" + b"\r\n".join(records)


DEFAULT = b"27.0 1.0 0.0 0.5 1.0 0.0 "
EXAMPLE = b"42.50000000 27.50000000 3.4"
EXAMPLE_POINT = b"  9541213.36  4707419.57   -3.90"
OLD = b"old contents\r\n"


def points_scr(*points):
    return b"osnap off point " + b" ".join(p + b"\r\n" for p in points) + b"zoom e\r\n"


def poly_scr(*points):
    return b"osnap off 3DPoly " + b"".join(p + b"\r\n" for p in points) + b"\r\nzoom e\r\n"


def screen(tide="0.00", depth_scale="1.0000000", antenna="0.50", zero="0.00", scale="1.0000",
           meridian="27", false_e="9500113.80", false_n="122.46", counter=""):
    """The whole window as utm_points leaves it (values as written)."""
    return expected_rows({
        2: "  Survey conditions:",
        3: "    Constant tide : " + tide.rjust(5) + "    Depths Scale : " + depth_scale.rjust(11),
        4: "     Antena depth : " + antenna.rjust(5) + "    Zero Level   : " + zero.rjust(6),
        6: "  Projection parameters:",
        7: "     UTM -  Central parallel :  0      Scale :" + scale.rjust(7),
        8: "            Central meridian :" + meridian.rjust(3) + "    False E :" + false_e.rjust(11),
        9: "    " + " " * 33 + "False N :" + false_n.rjust(11),
        11: "    Read  data from file :  PM/La_Lo_De.txt",
        12: "    Write data to   file :  PM/Points.txt, Temp/Points.scr, 3DPoly.scr",
        15: "          Points counter :" + (" " + counter.rjust(8) if counter else ""),
        18: "    Press Enter .. ",
    })


class UtmCase(SurveyCase):
    def utm(self, listing, points, script_points, screen_rows=None):
        """Runs utm_points on a point list; checks a normal end and the three
        outputs (script_points: the easting,northing,z texts)."""
        self.survey.write("PM/La_Lo_De.txt", listing)
        run = self.survey.run("utm_points")
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(run.stderr, b"")
        self.assertEqual(self.survey.read("PM/Points.txt"), points)
        self.assertEqual(self.survey.read("Temp/Points.scr"), points_scr(*script_points))
        self.assertEqual(self.survey.read("Temp/3DPoly.scr"), poly_scr(*script_points))
        if screen_rows is not None:
            rows, cursor = piped_screen(run.stdout)
            self.assertEqual(rows, screen_rows)
            self.assertEqual(cursor, (20, 18))
        return run


class DefaultParameters(UtmCase):
    def test_single_point_example(self):
        # 32 characters without a line end; the counter is never shown.
        self.utm(point_list(DEFAULT, EXAMPLE), EXAMPLE_POINT,
                 [b"9541213.36,4707419.57,-3.90"], screen())
        self.assertEqual(len(self.survey.read("PM/Points.txt")), 32)

    def test_several_points_in_file_order(self):
        # 26.5 E mirrors 27.5 E; the equator on the meridian is (FE, FN);
        # z = -(12.3 + 0.5) and -(0 + 0.5). The counter shows the last count.
        self.utm(point_list(DEFAULT, EXAMPLE, b"42.5 26.5 12.3", b"0.0 27.0 0.0"),
                 EXAMPLE_POINT + b"\r\n  9459014.25  4707419.57  -12.80\r\n  9500113.80      122.46   -0.50",
                 [b"9541213.36,4707419.57,-3.90", b"9459014.25,4707419.57,-12.80",
                  b"9500113.80,122.46,-0.50"],
                 screen(counter="3"))

    def test_two_points_show_the_counter_2(self):
        run = self.utm(point_list(DEFAULT, EXAMPLE, b"0.0 27.0 1.0"),
                       EXAMPLE_POINT + b"\r\n  9500113.80      122.46   -1.50",
                       [b"9541213.36,4707419.57,-3.90", b"9500113.80,122.46,-1.50"])
        rows, _ = piped_screen(run.stdout)
        self.assertEqual(rows[14][27:35], "       2")

    def test_reduced_depths_above_and_at_the_zero_level(self):
        # -5.0 m (above the water) -> 4.50; -0.5 -> exactly 0 -> 0.00.
        self.utm(point_list(DEFAULT, b"0 27 -5.0", b"0 27 -0.5"),
                 b"  9500113.80      122.46    4.50\r\n  9500113.80      122.46    0.00",
                 [b"9500113.80,122.46,4.50", b"9500113.80,122.46,0.00"])

    def test_end_of_the_list(self):
        # The last record with or without a line end: the loop ends there.
        for name, tail in (("no line end", b""), ("CR LF", b"\r\n"), ("LF", b"\n")):
            with self.subTest(name):
                self.utm(point_list(DEFAULT, EXAMPLE) + tail, EXAMPLE_POINT,
                         [b"9541213.36,4707419.57,-3.90"])

    def test_free_format_header_and_records(self):
        # Any title lines; parameters over several lines with tabs; a record
        # spread over three lines with words after its third number; a
        # record with extra fields.
        listing = (b"x\r\n\r\n27.0\t1.0\r\n 0.0 0.5\r\n1.0 0.0\r\n"
                   b"42.5\r\n27.5\r\n3.4 m below the transducer\r\n0 27 1 99 GPS\r\n")
        self.utm(listing, EXAMPLE_POINT + b"\r\n  9500113.80      122.46   -1.50",
                 [b"9541213.36,4707419.57,-3.90", b"9500113.80,122.46,-1.50"])


class EditedParameters(UtmCase):
    def test_meridian_24(self):
        # FE -999995.235 and FN 0.698 are written -999995.24 (its double is
        # ...234999999986: a 4 followed by 9s counts as 5) and 0.70.
        self.utm(point_list(b"24.0 1.0 0.0 0.5 1.0 0.0 ", b"43.2 23.7 5.0", b"0 24 1.0"),
                 b" -1024378.04  4784983.22   -5.50\r\n  -999995.24        0.70   -1.50",
                 [b"-1024378.04,4784983.22,-5.50", b"-999995.24,0.70,-1.50"],
                 screen(meridian="24", false_e="-999995.24", false_n="0.70", counter="2"))

    def test_other_scales_and_meridians_have_no_false_offsets(self):
        with self.subTest("scale 0.9996"):
            self.utm(point_list(b"27.0 0.9996 0.0 0.5 1.0 0.0", EXAMPLE),
                     b"    41083.11  4705414.19   -3.90", [b"41083.11,4705414.19,-3.90"],
                     screen(scale="0.9996", false_e="0.00", false_n="0.00"))
        with self.subTest("meridian 27.5"):
            self.utm(point_list(b"27.5 1.0 0.0 0.5 1.0 0.0", b"0 27.5 2.0"),
                     b"        0.00        0.00   -2.50", [b"0.00,0.00,-2.50"],
                     screen(meridian="28", false_e="0.00", false_n="0.00"))
        with self.subTest("scale 1.0001"):
            self.utm(point_list(b"27.0 1.0001 0.0 0.5 1.0 0.0", b"0 27 2.0"),
                     b"        0.00        0.00   -2.50", [b"0.00,0.00,-2.50"])

    def test_one_and_27_spelled_differently(self):
        for line in (b"27 1 0 0.5 1 0", b"27.00 1.00 0.00 0.50 1.00 0.00", b"2.7e1 +1.0 0 5E-1 1 -0"):
            with self.subTest(line):
                run = self.utm(point_list(line, EXAMPLE), EXAMPLE_POINT,
                               [b"9541213.36,4707419.57,-3.90"])
                self.assertIn("False E : 9500113.80", piped_screen(run.stdout)[0][7])

    def test_survey_conditions(self):
        # z = 0.5 - (1.01 * 10.0 + 0.3 - 1.2) = 0.5 - 9.2 = -8.70.
        self.utm(point_list(b"27.0 1.0 1.2 0.3 1.01 0.5", b"0 27 10.0"),
                 b"  9500113.80      122.46   -8.70", [b"9500113.80,122.46,-8.70"],
                 screen(tide="1.20", depth_scale="1.0100000", antenna="0.30", zero="0.50"))

    def test_five_numbers_take_the_first_latitude_as_zero_level(self):
        # Zero level 5.0; the point is 0 N 27 E with depth 2.0 (the next line's
        # first number; the rest of that line is skipped): z = 5 - 2.5.
        self.utm(point_list(b"27.0 1.0 0.0 0.5 1.0", b"5.0 0.0 27.0", b"2.0 99 99"),
                 b"  9500113.80      122.46    2.50", [b"9500113.80,122.46,2.50"],
                 screen(zero="5.00"))

    def test_seven_numbers_shift_the_first_record(self):
        # The seventh number is the first latitude: 0 N, longitude 27 and
        # depth 7 from the next line, whose last two numbers are skipped.
        self.utm(point_list(b"27.0 1.0 0.0 0.5 1.0 0.0 0.0", b"27.0 7.0 1 1", EXAMPLE),
                 b"  9500113.80      122.46   -7.50\r\n" + EXAMPLE_POINT,
                 [b"9500113.80,122.46,-7.50", b"9541213.36,4707419.57,-3.90"])


class WideValues(UtmCase):
    def test_values_that_fit_keep_32_characters(self):
        # A northing of 11 characters and a z of 7 still have a blank before them.
        self.utm(point_list(DEFAULT, b"-42.5 27.5 3.4", b"42.5 27.5 999.49"),
                 b"  9541213.36 -4707174.64   -3.90\r\n  9541213.36  4707419.57 -999.99",
                 [b"9541213.36,-4707174.64,-3.90", b"9541213.36,4707419.57,-999.99"])

    def test_values_that_fill_their_field_get_a_blank_in_front(self):
        # -1000.00 and -12346.10 fill the 8 columns of z; -14121891.32 fills
        # the 12 of the northing. Each gets one blank before it.
        self.utm(point_list(DEFAULT, b"42.5 27.5 999.5", b"42.5 27.5 12345.6"),
                 b"  9541213.36  4707419.57 -1000.00\r\n  9541213.36  4707419.57 -12346.10",
                 [b"9541213.36,4707419.57,-1000.00", b"9541213.36,4707419.57,-12346.10"])
        self.utm(point_list(b"27.0 3.0 0.0 0.5 1.0 0.0", b"-42.5 27.5 3.4"),
                 b"   123298.66 -14121891.32   -3.90", [b"123298.66,-14121891.32,-3.90"])
        fields = self.survey.read("PM/Points.txt").split()
        self.assertEqual(fields, [b"123298.66", b"-14121891.32", b"-3.90"])


class Failures(SurveyCase):
    def write_old_outputs(self):
        for name in ("PM/Points.txt", "Temp/Points.scr", "Temp/3DPoly.scr"):
            self.survey.write(name, OLD)

    def outputs(self):
        return tuple(self.survey.read(n) for n in ("PM/Points.txt", "Temp/Points.scr", "Temp/3DPoly.scr"))

    def test_missing_point_list_touches_no_output(self):
        self.write_old_outputs()
        run = self.survey.run("utm_points")
        self.assertIn("La_Lo_De.txt", self.assert_runtime_error(run, 2))
        self.assertEqual(self.outputs(), (OLD, OLD, OLD))
        self.assertNotIn(b"Survey conditions", run.stdout)

    def test_missing_folders(self):
        with self.subTest("no PM"):
            os.rmdir(self.survey.path("PM"))
            self.assert_runtime_error(self.survey.run("utm_points"), 3)
        with self.subTest("no Temp: the stop comes at Temp/Points.scr"):
            os.mkdir(self.survey.path("PM"))
            os.rmdir(self.survey.path("Temp"))
            self.survey.write("PM/La_Lo_De.txt", point_list(DEFAULT, EXAMPLE))
            self.survey.write("PM/Points.txt", OLD)
            run = self.survey.run("utm_points")
            self.assertIn("Points.scr", self.assert_runtime_error(run, 3))
            self.assertEqual(self.survey.read("PM/Points.txt"), b"")

    def test_empty_point_list(self):
        # The first point is read without an end test: its latitude reads as
        # 0, its longitude meets the end of the file. No point is written and
        # the scripts lack their closing lines.
        self.write_old_outputs()
        self.survey.write("PM/La_Lo_De.txt", TITLES + DEFAULT + b"\r\n")
        run = self.survey.run("utm_points")
        self.assertIn("La_Lo_De.txt", self.assert_runtime_error(run, 106))
        self.assertEqual(self.outputs(), (b"", b"osnap off point", b"osnap off 3DPoly "))

    def test_blank_line_after_the_last_record(self):
        # One more record is read: the outputs keep the point written before
        # the stop and lack their closing lines.
        for tail in (b"\r\n\r\n", b"\r\n  "):
            with self.subTest(tail):
                self.survey.write("PM/La_Lo_De.txt", point_list(DEFAULT, EXAMPLE) + tail)
                self.assert_runtime_error(self.survey.run("utm_points"), 106)
                self.assertEqual(self.outputs(),
                                 (EXAMPLE_POINT, b"osnap off point 9541213.36,4707419.57,-3.90\r\n",
                                  b"osnap off 3DPoly 9541213.36,4707419.57,-3.90\r\n"))

    def test_malformed_numbers(self):
        cases = {"decimal comma in the header": point_list(b"27,0 1.0 0.0 0.5 1.0 0.0", EXAMPLE),
                 "letter O in a latitude": point_list(DEFAULT, EXAMPLE, b"4O.5 27.5 3.4")}
        for name, listing in cases.items():
            with self.subTest(name):
                self.survey.write("PM/La_Lo_De.txt", listing)
                self.assertIn("La_Lo_De.txt", self.assert_runtime_error(self.survey.run("utm_points"), 106))
        # The record before the malformed one was written.
        self.assertEqual(self.survey.read("PM/Points.txt"), EXAMPLE_POINT)


if __name__ == "__main__":
    unittest.main()
