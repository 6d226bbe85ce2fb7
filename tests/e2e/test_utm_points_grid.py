#!/usr/bin/env python3
"""utm_points --grid: the points in a UTM zone, a named Lambert grid and a
Gauss-Krüger grid on Krassovsky with a datum shift, each against PROJ's cs2cs
(an independent implementation) to the centimetre the file keeps; PM/Grid.txt
written as given and taken again by a later run; the screen's projection
rows; and the refusals, each with its message, exit status 1 and no output
written (a point outside the grid's range removes the outputs the run began).
The default path without a grid: test_utm_points.py and the speed identity."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import expected_rows, piped_screen  # noqa: E402
from survey_test import SurveyCase  # noqa: E402
from test_utm_points import DEFAULT, OLD, point_list  # noqa: E402

# Soundings off the Bulgarian coast (the sample's area) and a point list of them.
POINTS = [(42.5, 27.5, 3.4), (42.61234567, 27.71234567, 12.3), (43.0, 28.4, 20.0), (42.1, 27.9, 0.0)]
LISTING = point_list(DEFAULT, *(b"%.8f %.8f %.1f" % p for p in POINTS))
OUTPUTS = ("PM/Points.txt", "Temp/Points.scr", "Temp/3DPoly.scr")

# Pulkovo 1942 to WGS 84 as the EPSG registry publishes it (transformation
# 1267) in the coordinate frame convention; PROJ's +towgs84 takes the
# position vector's (the rotations' signs turned).
SHIFT = "23.92 -141.27 -80.9 0 -0.35 -0.82 -0.12"
TOWGS84 = "23.92,-141.27,-80.9,0,0.35,0.82,-0.12"

# (arguments, PROJ's definition of the same grid, the PM/Grid.txt expected)
GRIDS = [
    (["--grid", "UTM 35N"], "+proj=utm +zone=35 +ellps=WGS84", b"Grid: UTM 35N\r\n"),
    # BGS2005 / CCS2005 as projinfo of proj-bin gives it.
    (["--grid", "epsg:7801"], "+proj=lcc +lat_0=42.6678756833333 +lon_0=25.5 +lat_1=42 +lat_2=43.3333333333333 "
     "+x_0=500000 +y_0=4725824.3591 +ellps=GRS80", b"Grid: epsg:7801\r\n"),
    (["--grid", "tm 27 1 5500000 0 Krassovsky1940", "--helmert=" + SHIFT, "--rotation", "coordinate-frame"],
     "+proj=tmerc +lon_0=27 +k=1 +x_0=5500000 +ellps=krass +towgs84=" + TOWGS84,
     b"Grid: tm 27 1 5500000 0 Krassovsky1940\r\nHelmert: " + SHIFT.encode() +
     b"\r\nRotation: coordinate-frame\r\n"),
]


def cs2cs(definition):
    """PROJ's easting and northing of POINTS (WGS 84, height 0) in the grid."""
    text = "".join("%.8f %.8f\n" % (lon, lat) for lat, lon, _ in POINTS)
    p = subprocess.run(["cs2cs", "-f", "%.6f", "+proj=longlat", "+datum=WGS84", "+to"] + definition.split(),
                       input=text.encode(), capture_output=True, timeout=30)
    if p.returncode != 0:
        raise AssertionError("cs2cs: %s" % p.stderr.decode())
    return [tuple(float(v) for v in line.split()[:2]) for line in p.stdout.decode().splitlines()]


class GridCase(SurveyCase):
    def outputs(self):
        return {name: self.survey.read(name) if os.path.exists(self.survey.path(name)) else None
                for name in OUTPUTS + ("PM/Grid.txt",)}

    def run_utm(self, args, code=0):
        run = self.survey.run("utm_points", args=args)
        self.assertEqual(run.returncode, code, run)
        if code == 0:
            self.assertEqual(run.stderr, b"")
        return run


class GridsAgainstProj(GridCase):
    def test_points_in_the_grid_and_pm_grid_txt(self):
        for args, definition, grid_file in GRIDS:
            with self.subTest(args[1]):
                self.survey.write("PM/La_Lo_De.txt", LISTING)
                self.run_utm(args)
                records = self.survey.read("PM/Points.txt").split(b"\r\n")
                self.assertEqual(len(records), len(POINTS))
                for record, (x, y), (_, _, depth) in zip(records, cs2cs(definition), POINTS):
                    self.assertEqual(len(record), 32, record)  # the columns of 12, 12 and 8
                    easting, northing, z = (float(v) for v in record.split())
                    self.assertLess(abs(easting - x), 0.0051, (record, x, y))
                    self.assertLess(abs(northing - y), 0.0051, (record, x, y))
                    self.assertEqual(z, round(-(depth + 0.5), 2))
                # The scripts hold the same points.
                script = self.survey.read("Temp/Points.scr").split(b"\r\n")
                self.assertEqual([p.replace(b",", b" ").split() for p in [script[0][16:]] + script[1:-2]],
                                 [r.split() for r in records])
                self.assertEqual(self.survey.read("PM/Grid.txt"), grid_file)

    def test_a_later_run_takes_the_grid_from_pm_grid_txt(self):
        args, _, grid_file = GRIDS[2]
        self.survey.write("PM/La_Lo_De.txt", LISTING)
        first_screen = piped_screen(self.run_utm(args).stdout)[0]
        first = self.outputs()
        for name in OUTPUTS:
            os.remove(self.survey.path(name))
        os.utime(self.survey.path("PM/Grid.txt"), (1e9, 1e9))
        # Without --grid: the same points, the same screen, PM/Grid.txt as it was.
        self.assertEqual(piped_screen(self.run_utm([]).stdout)[0], first_screen)
        self.assertEqual(self.outputs(), first)
        self.assertEqual(os.stat(self.survey.path("PM/Grid.txt")).st_mtime, 1e9)
        # Another --grid takes its place.
        self.run_utm(["--grid", "UTM 35N"])
        self.assertEqual(self.survey.read("PM/Grid.txt"), b"Grid: UTM 35N\r\n")
        self.assertNotEqual(self.survey.read("PM/Points.txt"), first["PM/Points.txt"])
        # A grid file written by hand: any letter case, blanks, an LF alone.
        self.survey.write("PM/Grid.txt", b"\r\n  grid :  UTM 35N  \n")
        self.run_utm([])
        self.assertEqual(self.survey.read("PM/Points.txt"), self.outputs()["PM/Points.txt"])

    def test_the_screen_shows_the_grid(self):
        self.survey.write("PM/La_Lo_De.txt", point_list(b"24.0 1.0 0.35 0.8 1.0 0.12", b"42.5 27.5 9.4"))
        conditions = {
            2: "  Survey conditions:",
            3: "    Constant tide :  0.35    Depths Scale :   1.0000000",
            4: "     Antena depth :  0.80    Zero Level   :   0.12",
            6: "  Projection parameters:",
            11: "    Read  data from file :  PM/La_Lo_De.txt",
            12: "    Write data to   file :  PM/Points.txt, Temp/Points.scr, 3DPoly.scr",
            15: "          Points counter :",
            18: "    Press Enter .. ",
        }
        cases = [
            (["--grid", "EPSG:25835"], {
                7: "    Grid : ETRS89 / UTM zone 35N (EPSG:25835)",
                8: "    Transverse Mercator   Meridian : 27   Scale : 0.9996",
                9: "    Origin : 0   False E : 500000   False N : 0",
                10: "    Ellipsoid : GRS80"}),
            (["--grid", "EPSG:7801"], {
                7: "    Grid : BGS2005 / CCS2005 (EPSG:7801)",
                8: "    Lambert conic   Parallels : 42, 43.3333333",
                9: "    Origin : 42.6678757, 25.5   False E : 500000   False N : 4725824.359",
                10: "    Ellipsoid : GRS80"}),
            (GRIDS[2][0], {
                7: "    Grid : tm 27 1 5500000 0 Krassovsky1940",
                8: "    Transverse Mercator   Meridian : 27   Scale : 1",
                9: "    Origin : 0   False E : 5500000   False N : 0",
                10: "    Ellipsoid : Krassovsky1940",
                13: "    Datum shift : " + SHIFT + " coordinate-frame"}),
        ]
        for args, rows in cases:
            with self.subTest(args[1]):
                run = self.run_utm(args)
                screen, cursor = piped_screen(run.stdout)
                self.assertEqual(screen, expected_rows({**conditions, **rows}))
                self.assertEqual(cursor, (20, 18))


class Refusals(GridCase):
    def setUp(self):
        super().setUp()
        self.survey.write("PM/La_Lo_De.txt", LISTING)
        for name in OUTPUTS:
            self.survey.write(name, OLD)

    def test_wrong_grids_on_the_command_line_touch_nothing(self):
        cases = [
            (["--grid", "EPSG:4326"], "EPSG:4326 is not a grid of the table; give it as UTM 35N or UTM 34S"),
            (["--grid", "EPSG:31467"], "or by its parameters: tm LON0 K0 FE FN [LAT0] [ELLIPSOID], lcc LAT1 LAT2"),
            (["--grid", "UTM 0N"], "UTM zone 0 does not exist: the zones run from 1 to 60"),
            (["--grid", "UTM 61S"], "UTM zone 61 does not exist"),
            (["--grid", "UTM 35T"], "after the zone comes N (north) or S (south) of the equator, not a latitude band"),
            (["--grid", "tm 27 1 5500000 0 Krassovsky1940", "--helmert", SHIFT],
             "a Helmert shift needs its rotation convention, position-vector or coordinate-frame"),
            (["--grid", "UTM 35N", "--rotation", "position-vector"], "a rotation convention goes with a Helmert shift"),
            (["--helmert", SHIFT, "--rotation", "position-vector"], "--helmert and --rotation go with --grid"),
            (["--grid", "UTM 35N", "--helmert", "1 2 3", "--rotation", "position-vector"], "seven numbers"),
            (["--grid"], "--grid wants a value"),
            (["--zone", "35"], "unknown option \"--zone\""),
        ]
        for args, why in cases:
            with self.subTest(args):
                before = self.outputs()
                run = self.run_utm(args, 1)
                message = run.stderr.decode()
                self.assertTrue(message.startswith("utm_points: "), message)
                self.assertIn(why, message)
                self.assertIn("usage: utm_points [--grid G", message)
                self.assertEqual(run.stdout, b"")  # no screen
                self.assertEqual(self.outputs(), before)
                self.assertIsNone(before["PM/Grid.txt"])

    def test_a_wrong_pm_grid_txt(self):
        cases = [
            (b"Grid: UTM 99N\r\n", "PM/Grid.txt, line 1: UTM zone 99 does not exist"),
            (b"\r\nGrid: UTM 35N\r\nHelmert: " + SHIFT.encode() + b"\r\n",
             "PM/Grid.txt, line 2: a Helmert shift needs its rotation convention"),
            (b"UTM 35N\r\n", "PM/Grid.txt, line 1: \"UTM 35N\" is none of the lines Grid:, Helmert: and Rotation:"),
            (b"Grid: UTM 35N\r\nGrid: UTM 34N\r\n", "PM/Grid.txt, line 2: \"Grid: UTM 34N\" gives the Grid again"),
            (b"Rotation: position-vector\r\n", "PM/Grid.txt, no line Grid: in it"),
        ]
        for text, why in cases:
            with self.subTest(text):
                self.survey.write("PM/Grid.txt", text)
                before = self.outputs()
                run = self.run_utm([], 1)
                message = run.stderr.decode()
                self.assertTrue(message.startswith("utm_points: PM/Grid.txt, "), message)
                self.assertIn(why, message)
                self.assertNotIn("usage", message)
                self.assertEqual(self.outputs(), before)

    def test_a_point_outside_the_grid_removes_the_outputs(self):
        north, south = (b"42.5 27.5 1", b"42.6 27.6 2"), (b"-42.5 27.5 1", b"-42.6 27.6 2")
        cases = [
            (["--grid", "UTM 35S"], south, b"42.5 27.5 3.4", "latitudes from 80 S to 10 N"),
            (["--grid", "UTM 35N"], north, b"84.5 27.5 3.4", "latitudes from 10 S to 84 N"),
            (["--grid", "UTM 35N"], north, b"42.5 57.5 3.4", "longitudes within 30 degrees of the central meridian"),
            (["--grid", "EPSG:2154"], north, b"-20.0 3.0 3.4", "latitudes from 10 S to 89 N"),
            (["--grid", "EPSG:2154"], north, b"Nan 3.0 3.4", "latitudes from 10 S to 89 N"),
        ]
        for args, before, record, why in cases:
            for before_grid in (None, b"Grid: UTM 35N\r\n"):
                with self.subTest(args=args, record=record, grid_file=before_grid):
                    for name in OUTPUTS:
                        self.survey.write(name, OLD)
                    if before_grid:
                        self.survey.write("PM/Grid.txt", before_grid)
                    elif os.path.exists(self.survey.path("PM/Grid.txt")):
                        os.remove(self.survey.path("PM/Grid.txt"))
                    # The third point is the one outside: two were written before it.
                    self.survey.write("PM/La_Lo_De.txt", point_list(DEFAULT, *before, record))
                    run = self.run_utm(args, 1)
                    message = run.stderr.decode()
                    self.assertTrue(message.startswith("utm_points: point "), message)
                    self.assertIn("lies outside the sensible range of the grid", message)
                    self.assertIn(why, message)
                    self.assertIn("no output written", message)
                    after = self.outputs()
                    self.assertEqual([after[n] for n in OUTPUTS], [None, None, None])
                    self.assertEqual(after["PM/Grid.txt"], before_grid)
                    rows, _ = piped_screen(run.stdout)
                    self.assertEqual(rows[17].strip(), "Stopped: a point outside the grid, nothing written.")


if __name__ == "__main__":
    unittest.main()
