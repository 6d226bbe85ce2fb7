#!/usr/bin/env python3
"""utm_points in a real terminal of 80 x 25 (tmux): the parameter and file
lines, the points counter and the final wait, cell by cell; with a grid, its
rows in place of the parameter line's projection."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from survey_test import TerminalCase, _proc_stat  # noqa: E402
from piped_screen import expected_rows  # noqa: E402
from test_utm_points import EXAMPLE, EXAMPLE_POINT, point_list, screen  # noqa: E402


class UtmPointsScreen(TerminalCase):
    def wait_final(self, pid):
        """Waits until "Press Enter .. " stands at column 5 of row 18 and the
        tool waits for keys."""
        def waiting():
            stat = _proc_stat(pid)
            if stat is None:
                raise AssertionError("utm_points ended before its final wait:\n" + self.term.dump())
            return (self.term.screen()[17][4:].startswith("Press Enter .. ") and stat[0] == "S"
                    and not self.term.tty_modes())
        self.term.wait_for(waiting, "Press Enter .. in row 18")

    def run_to_the_end(self, listing, rows, args=()):
        self.survey.write("PM/La_Lo_De.txt", listing)
        pid = self.term.start("utm_points", args=args)
        self.wait_final(pid)
        self.assertEqual(self.term.screen(), rows, self.term.dump())
        self.assertEqual(self.term.cursor(), (20, 18))
        self.term.keys("Enter")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        self.assert_terminal_restored()

    def test_default_parameters_and_counter(self):
        # Three points: the counter shows 3 in columns 28 to 35.
        self.run_to_the_end(point_list(b"27.0 1.0 0.0 0.5 1.0 0.0 ", EXAMPLE, EXAMPLE, EXAMPLE),
                            screen(counter="3"))
        self.assertEqual(self.survey.read("PM/Points.txt"), b"\r\n".join([EXAMPLE_POINT] * 3))

    def test_edited_parameters_one_point(self):
        # Meridian 24 with survey conditions; one point: no counter shown.
        self.run_to_the_end(point_list(b"24 1 -0.25 1.5 0.9996 12.5", b"0 24 10"),
                            screen(tide="-0.25", depth_scale="0.9996000", antenna="1.50", zero="12.50",
                                   meridian="24", false_e="-999995.24", false_n="0.70"))
        # z = 12.5 - (0.9996 * 10 + 1.5 + 0.25) = 12.5 - 11.746 = 0.754 -> 0.75.
        self.assertEqual(self.survey.read("PM/Points.txt"), b"  -999995.24        0.70    0.75")

    def test_a_grid_with_a_datum_shift(self):
        # The grid's four rows from row 7, its shift in row 13 under the file
        # names; the parameter line's meridian and scale are not shown.
        shift = "598.1 73.7 418.2 0.202 0.045 -2.455 6.7"
        rows = expected_rows({
            2: "  Survey conditions:",
            3: "    Constant tide :  0.00    Depths Scale :   1.0000000",
            4: "     Antena depth :  0.50    Zero Level   :   0.00",
            6: "  Projection parameters:",
            7: "    Grid : tm 9 1 3500000 0 Bessel1841",
            8: "    Transverse Mercator   Meridian : 9   Scale : 1",
            9: "    Origin : 0   False E : 3500000   False N : 0",
            10: "    Ellipsoid : Bessel1841",
            11: "    Read  data from file :  PM/La_Lo_De.txt",
            12: "    Write data to   file :  PM/Points.txt, Temp/Points.scr, 3DPoly.scr",
            13: "    Datum shift : " + shift + " position-vector",
            15: "          Points counter :        2",
            18: "    Press Enter .. ",
        })
        self.run_to_the_end(point_list(b"27.0 1.0 0.0 0.5 1.0 0.0 ", b"52.5 9.5 3.4", b"52.6 9.6 3.5"), rows,
                            ("--grid", "tm 9 1 3500000 0 Bessel1841", "--helmert", shift,
                             "--rotation", "position-vector"))
        self.assertEqual(self.survey.read("PM/Grid.txt"),
                         b"Grid: tm 9 1 3500000 0 Bessel1841\r\nHelmert: " + shift.encode() +
                         b"\r\nRotation: position-vector\r\n")


if __name__ == "__main__":
    unittest.main()
