#!/usr/bin/env python3
"""bar_check end to end: the fit of a bar check's readings against a model
(numpy's least squares), the parameter line's values it shows, put back into
PM/La_Lo_De.txt for utm_points (they must give the bar's depths back), the
report Temp/Bar_Check.txt, the screen (replayed from the piped output), the
file named as the argument or at the prompt, and what it refuses."""

import os
import sys
import unittest

import numpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import piped_screen  # noqa: E402
from survey_test import DATA, SurveyCase, crlf  # noqa: E402

sys.path.insert(0, os.path.join(DATA, "sample"))
from make_chain_expected import fixed  # noqa: E402

OLD_REPORT = b"an older report\r\n"


def exact_bar(speed=1470.0, draft=0.60, count=8):
    """A sounder set to 1500 m/s over water at 1470 m/s, its transducer 0.60
    m deep: the bar at 0.60 + 0.49 i m reads 0.5 i m (1500 / 1470 = 50 / 49),
    exact in two decimals."""
    return [(draft + 0.49 * i, 0.5 * i) for i in range(1, count + 1)]


def pairs_file(pairs, extra=""):
    return crlf(*("%.2f %.2f%s" % (d, r, extra) for d, r in pairs))


def column(value, width):
    return fixed(value, 3).rjust(width)


class BarCheck(SurveyCase):
    def check(self, data, args=("Bar.txt",), typed=b"\n"):
        self.survey.write("Bar.txt", data)
        self.survey.write("Temp/Bar_Check.txt", OLD_REPORT)
        return self.survey.run("bar_check", typed, args=list(args))

    def expected(self, pairs, sv_set="1500", name="Bar.txt"):
        """The report's lines and the screen's rows of the model's fit."""
        depth = numpy.array([d for d, _ in pairs])
        reading = numpy.array([r for _, r in pairs])
        k, c = numpy.polyfit(depth, reading, 1)
        residuals = reading - (k * depth + c)
        values = [
            ("Pairs", "%d, depths %s to %s m" % (len(pairs), fixed(min(depth), 2), fixed(max(depth), 2))),
            ("Sounder SV", sv_set + " m/s"),
            ("Fit", "reading = %s x depth %s %s" % (fixed(k, 6), "-" if c < 0 else "+", fixed(abs(c), 6))),
            ("Residuals", "RMS %s m, largest %s m" % (fixed(numpy.sqrt(numpy.mean(residuals ** 2)), 3),
                                                     fixed(max(abs(residuals)), 3))),
            ("ScaleDepth", fixed(1 / k, 5)),
            ("Ant_Depth", fixed(-c / k, 3) + " m"),
            ("Mean SV", fixed(float(sv_set) / k, 1) + " m/s"),
        ]
        rows = ["%-11s: %s" % v for v in values]
        lines = ["  " + column(d, 7) + column(r, 8) + column(e if abs(e) >= 0.0005 else 0.0, 9)
                 for (d, r), e in zip(pairs, residuals)]
        report = ["Bar check of " + name] + ["%-13s%s" % v for v in values] + [
            "", "    Depth Reading Residual"] + lines
        return rows, crlf(*report), lines, (1 / k, -c / k)

    def test_exact_recovery_of_the_speed_and_the_transducer(self):
        pairs = exact_bar()
        run = self.check(pairs_file(pairs))
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        screen = [row.rstrip() for row in piped_screen(run.stdout)[0]]
        self.assertEqual(screen[13:16], ["      ScaleDepth : 0.98000", "      Ant_Depth  : 0.600 m",
                                         "      Mean SV    : 1470.0 m/s"])
        rows, report, lines, _ = self.expected(pairs)
        self.assertEqual(screen[9:16], ["      " + r for r in rows])
        self.assertEqual(self.survey.read("Temp/Bar_Check.txt"), report)
        self.assertEqual(screen[17], "        Depth Reading Residual  Depth Reading Residual  Depth Reading Residual")
        self.assertEqual(screen[18:22], ["      " + lines[i][2:] + lines[i + 4][2:] for i in range(4)])
        self.assertEqual((screen[22], screen[23]), ("", "      Press ENTER  ..."))

    def test_the_values_undo_the_readings_in_utm_points(self):
        # Readings of a sounder off in scale and offset, with a few
        # centimetres of noise: the fit's ScaleDepth and Ant_Depth put in the
        # parameter line give utm_points' heights within the noise of the
        # bar's depths.
        noise = [0.02, -0.01, 0.0, 0.015, -0.02, 0.01, -0.005, 0.0, 0.01, -0.015]
        pairs = [(1.0 + i, round((1.0 + i - 0.45) * 1500 / 1492 + noise[i], 2)) for i in range(10)]
        run = self.check(pairs_file(pairs, "  noted by hand"), args=("--sv-set", "1500", "Bar.txt"))
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        rows, report, _, (scale, draft) = self.expected(pairs)
        self.assertEqual(self.survey.read("Temp/Bar_Check.txt"), report)
        self.assertAlmostEqual(float(fixed(1500 * scale, 1)), 1492, delta=3)
        parameters = "27.0 1.0 0.0 %s %s 0.0 " % (fixed(draft, 3), fixed(scale, 5))
        self.survey.write("PM/La_Lo_De.txt", crlf("Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel",
                                                  "-" * 62, parameters) +
                          b"\r\n".join(b"42.5 27.5 %.2f" % r for _, r in pairs))
        self.assertEqual(self.survey.run("utm_points").returncode, 0)
        heights = [float(line.split()[2]) for line in self.survey.read("PM/Points.txt").decode().split("\r\n")]
        for (depth, _), height in zip(pairs, heights):
            self.assertAlmostEqual(-height, depth, delta=0.03)

    def test_more_pairs_than_the_screen_holds_another_speed_and_the_prompt(self):
        pairs = exact_bar(count=14)
        run = self.check(pairs_file(pairs), args=("--sv-set", "1480"), typed=b"Bar.txt\n\n")
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        screen = [row.rstrip() for row in piped_screen(run.stdout)[0]]
        rows, report, lines, _ = self.expected(pairs, "1480")
        self.assertEqual(screen[5], "      Bar check (*.*) :")  # a piped answer is not echoed
        self.assertEqual(screen[9:16], ["      " + r for r in rows])
        self.assertEqual(screen[15], "      Mean SV    : %s m/s" % fixed(1480 * 49 / 50, 1))
        self.assertEqual(screen[18:22], ["      " + lines[i][2:] + lines[i + 4][2:] + lines[i + 8][2:]
                                         for i in range(4)])
        self.assertEqual(screen[22], "      and 2 more in Temp/Bar_Check.txt")
        self.assertEqual(self.survey.read("Temp/Bar_Check.txt"), report)

    def test_no_fit_refused(self):
        cases = [
            ("one pair", crlf("2.0 1.4"), "fewer than two distinct depths"),
            ("one depth", crlf("2.0 1.4", "2.0 1.5", "2.0 1.3"), "fewer than two distinct depths"),
            ("nothing", crlf("", "  "), "fewer than two distinct depths"),
            ("readings that fall", crlf("1.0 3.0", "2.0 2.0", "3.0 1.0"), "the readings do not grow with the depth"),
            ("no number", crlf("1.0 1.0", "2.0 inf"), "line 2: a number that is not finite"),
        ]
        for name, data, why in cases:
            with self.subTest(name):
                run = self.check(data)
                self.assertEqual((run.returncode, run.stderr.decode()), (1, "bar_check: Bar.txt: %s\n" % why))
                self.assertEqual(piped_screen(run.stdout)[0][11].rstrip(), "      %s: no fit." % why)
                self.assertEqual(self.survey.read("Temp/Bar_Check.txt"),
                                 crlf("Bar check of Bar.txt", why + ": no fit."))

    def test_stops_and_wrong_calls(self):
        # A missing file leaves the older report; a number that cannot be
        # read stops once the report is begun anew (empty).
        run = self.check(b"", args=("None.txt",))
        self.assertIn("None.txt", self.assert_runtime_error(run, 2))
        self.assertEqual(self.survey.read("Temp/Bar_Check.txt"), OLD_REPORT)
        run = self.check(crlf("1.0 0.4", "2.0 1,4"))
        self.assertIn("Bar.txt, line 2", self.assert_runtime_error(run, 106))
        self.assertEqual(self.survey.read("Temp/Bar_Check.txt"), b"")
        usage = "usage: bar_check [--sv-set V] [FILE]\n"
        for args, typed, said in [((), b"\n", "no file named"), (("A.txt", "B.txt"), b"\n", "one file at a time"),
                                  (("--sv-set", "0", "Bar.txt"), b"\n",
                                   "--sv-set needs a sound speed above 0 m/s, not \"0\""),
                                  (("--sv-set",), b"\n", "--sv-set needs a value"),
                                  (("--sv", "1500"), b"\n", "unknown option \"--sv\"")]:
            with self.subTest(args=args):
                run = self.check(pairs_file(exact_bar()), args=args, typed=typed)
                self.assertEqual(run.returncode, 1, run)
                self.assertEqual(run.stderr.decode(), "bar_check: %s\n%s" % (said, "" if not args else usage))
                self.assertEqual(self.survey.read("Temp/Bar_Check.txt"), OLD_REPORT)


if __name__ == "__main__":
    unittest.main()
