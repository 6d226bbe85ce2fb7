#!/usr/bin/env python3
"""survey_volume: the report byte for byte (its run date aside) on a tilted
plane against a level with and without the over-depth band; two surveys on
crossing lines against each other, their volumes against an independent
computation (scipy's Delaunay triangulation of each point list, integrated
triangle by triangle); the difference grid at its cells; the picture
rendered by rsvg-convert, warm where the survey is above, cool below; the
refusals of bad input, with nothing written."""

import os
import re
import sys
import unittest
import xml.etree.ElementTree as ET

import numpy as np
from scipy.spatial import Delaunay

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import fixed  # noqa: E402
from survey_test import SurveyCase  # noqa: E402
from test_survey_plot import rendered  # noqa: E402

E0, N0 = 512340.0, 4705430.0  # the south-west corner of the test area
OUTPUTS = ("Temp/Volume.txt", "Temp/Difference.asc", "Temp/Difference.svg")


def lattice(step, size, jitter_seed, height, rotate=False, grain=0.01):
    """Points every step metres over a square of size metres at (E0, N0), the
    inner ones moved by up to a quarter step (seeded) in multiples of grain,
    as x y z records with two decimals (the heights of those positions)."""
    rng = np.random.default_rng(jitter_seed)
    n = int(round(size / step))
    points = []
    for i in range(n + 1):
        for j in range(n + 1):
            u, v = i * step, j * step
            if 0 < i < n and 0 < j < n:
                du, dv = np.round(rng.uniform(-step / 4, step / 4, 2) / grain) * grain
                u, v = u + du, v + dv
            x, y = (v, u) if rotate else (u, v)
            x, y = round(E0 + x, 2), round(N0 + y, 2)
            points.append((x, y, round(height(x - E0, y - N0), 2)))
    return points


def xyz(points):
    return b"".join(("%s %s %s\r\n" % (fixed(x, 2), fixed(y, 2), fixed(z, 2))).encode() for x, y, z in points)


def tin_integral(points):
    """Area and the integral of z over scipy's Delaunay triangulation."""
    p = np.array(points)
    tri = Delaunay(p[:, :2] - [E0, N0])
    area = volume = 0.0
    for s in tri.simplices:
        a, b, c = (p[k] - [E0, N0, 0] for k in s)
        t = abs((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])) / 2
        area += t
        volume += t * (a[2] + b[2] + c[2]) / 3
    return area, volume


def report_numbers(text):
    """The rows of the report's table: label -> its numbers."""
    rows = {}
    for line in text.split("\r\n"):
        m = re.match(r"^(\S.*?)\s{2,}(-?\d+\.\d\d)(?:\s+(-?\d+\.\d\d))?$", line)
        if m:
            rows[m.group(1)] = [float(v) for v in m.groups()[1:] if v is not None]
    return rows


class LevelCase(SurveyCase):
    """z = -11 + x / 50 over 100 m x 100 m against the level -10 through its
    middle: above and below each the wedge 100 * 50 * 1 / 2 = 2500 m3."""

    def setUp(self):
        super().setUp()
        self.survey.write("PM/PointsCl.txt", xyz(lattice(10, 100, 1, lambda x, y: -11 + x / 50, grain=0.5)))

    def test_report_and_band(self):
        run = self.survey.run("survey_volume", args=["--level", "-10", "--overdepth", "0.5"])
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(run.stderr, b"")
        text = self.survey.read("Temp/Volume.txt").decode()
        self.assertRegex(text.split("\r\n")[2], r"^Run          \d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC$")
        lines = text.split("\r\n")
        lines[2] = "Run"
        name = os.path.basename(self.survey.root)
        self.assertEqual(lines[:19], [
            "Cut and fill volumes: " + name,
            "",
            "Run",
            "Survey       PM/PointsCl.txt",
            "             121 records, 121 vertices, 200 triangles (0 with an edge over 50.00 m trimmed)",
            "Reference    the design level -10.00 m (a height, up positive)",
            "Over-depth   0.50 m: the band from -10.00 m down to -10.50 m",
            "Boundary     none: the volumes cover where both surfaces exist",
            "",
            "                                                       area m2     volume m3",
            "Common area of the surfaces                           10000.00",
            "Above the design level: still to dredge                5000.00       2500.00",
            "Below the design level: dredged below it               5000.00       2500.00",
            # Under the level by u = x / 50 m for x < 50: the band holds
            # min(u, 0.5), 100 * (6.25 + 12.5); below it u - 0.5, 100 * 6.25.
            "  within the over-depth band, to -10.50 m              2500.00       1875.00",
            "  below the over-depth band, under -10.50 m            2500.00        625.00",
            "On neither side: the surfaces coincide                    0.00",
            "Net, above - below                                                      0.00",
            "",
            "Method: each surface is the Delaunay triangulation (TIN) of its points, positions to the",
        ])
        self.assertTrue(text.endswith("volumes in cubic metres, in plan.\r\n"))
        self.assertIn(b"Press ENTER  ...", run.stdout)

    def test_grid_and_picture(self):
        boundary = b"512370 4705440\r\n512410 4705440\r\n512410 4705480\r\n512370 4705480\r\n512370 4705440\r\n"
        self.survey.write("Temp/Box.txt", boundary)
        run = self.survey.run("survey_volume", args=["--level=-10", "--boundary", "Temp/Box.txt", "--cell", "2"])
        self.assertEqual(run.returncode, 0, run)
        rows = report_numbers(self.survey.read("Temp/Volume.txt").decode())
        # Inside the box x 30 .. 70: each side 40 m x 20 m, a wedge 0.4 m high.
        self.assertEqual(rows["Common area of the surfaces"], [1600.0])
        self.assertEqual(rows["Above the design level: still to dredge"], [800.0, 160.0])
        self.assertEqual(rows["Below the design level: dredged below it"], [800.0, 160.0])
        grid = self.survey.read("Temp/Difference.asc").decode().split("\r\n")
        self.assertEqual(grid[:6], ["ncols         20", "nrows         20", "xllcorner     512370",
                                    "yllcorner     4705440", "cellsize      2", "NODATA_value  -9999"])
        for r, row in enumerate(grid[6:26]):
            for c, value in enumerate(row.split(" ")):
                x = 512370 + 2 * c + 1 - E0  # the cell's centre
                self.assertEqual(value, fixed(-1 + x / 50, 3), (r, c))
        # The picture: the map's left half cool, its right half warm.
        svg = self.survey.path("Temp/Difference.svg")
        frame = [e for e in ET.parse(svg).getroot().iter("{http://www.w3.org/2000/svg}rect")
                 if e.get("fill") == "none"][0]
        left, top, w, h = (float(frame.get(k)) for k in ("x", "y", "width", "height"))
        rgb = rendered(svg)
        cool, warm = rgb(int(left + w * 0.1), int(top + h / 2)), rgb(int(left + w * 0.9), int(top + h / 2))
        self.assertGreater(cool[2], cool[0] + 60, cool)
        self.assertGreater(warm[0], warm[2] + 60, warm)


class AgainstCase(SurveyCase):
    """Two surveys of 120 m x 120 m on crossing lines, the later one 1 m
    above the earlier one's surface and wavier: their TINs never cross."""

    def setUp(self):
        super().setUp()
        self.later = lattice(4, 120, 2, lambda x, y: -8 + 0.3 * np.sin(x / 9) + 0.01 * y)
        self.earlier = lattice(6, 120, 3, lambda x, y: -9 - 0.1 * np.cos(y / 7) + 0.01 * y, rotate=True)
        self.survey.write("PM/PointsCl.txt", xyz(self.later))
        self.survey.write("Earlier.txt", xyz(self.earlier))

    def test_against_an_independent_integral(self):
        run = self.survey.run("survey_volume", args=["--against", "Earlier.txt"])
        self.assertEqual(run.returncode, 0, run)
        rows = report_numbers(self.survey.read("Temp/Volume.txt").decode())
        area, later = tin_integral(self.later)
        _, earlier = tin_integral(self.earlier)
        self.assertAlmostEqual(area, 14400, places=6)
        self.assertEqual(rows["Common area of the surfaces"], [14400.0])
        deposited = rows["Above the earlier survey: deposited"]
        self.assertEqual(deposited[0], 14400.0)
        self.assertAlmostEqual(deposited[1], later - earlier, delta=0.006)
        self.assertEqual(rows["Below the earlier survey: removed"], [0.0, 0.0])
        # Swapped, the deposit becomes the removal.
        self.survey.write("PM/Later.txt", xyz(self.later))
        run = self.survey.run("survey_volume", args=["--points", "Earlier.txt", "--against", "PM/Later.txt"])
        self.assertEqual(run.returncode, 0, run)
        swapped = report_numbers(self.survey.read("Temp/Volume.txt").decode())
        self.assertEqual(swapped["Below the earlier survey: removed"], deposited)
        self.assertEqual(swapped["Above the earlier survey: deposited"], [0.0, 0.0])

    def test_refusals_write_nothing(self):
        far = [(x + 1000, y, z) for x, y, z in self.earlier]
        self.survey.write("Far.txt", xyz(far))
        self.survey.write("Bow.txt", b"512350 4705440\r\n512390 4705480\r\n512390 4705440\r\n512350 4705480\r\n")
        self.survey.write("Two.txt", b"512350 4705440\r\n512390 4705480\r\n")
        self.survey.write("Away.txt", b"0 0\r\n10 0\r\n10 10\r\n")
        cases = [
            (["--against", "Far.txt"], "do not overlap"),
            (["--level", "-9", "--boundary", "Away.txt"], "does not reach into the boundary Away.txt"),
            (["--level", "-9", "--boundary", "Bow.txt"], "Bow.txt, line 4: the boundary crosses itself"),
            (["--level", "-9", "--boundary", "Two.txt"], "Two.txt, line 2: a boundary needs at least 3 corners"),
            (["--level", "nan"], "--level wants a height in metres"),
            (["--level", "inf"], "--level wants a height in metres"),
            (["--against", "Earlier.txt", "--overdepth", "1"], "--overdepth goes with --level"),
            (["--max-edge", "10"], "give the reference"),
            (["--level", "-9", "--against", "Earlier.txt"], "not both"),
        ]
        for args, message in cases:
            run = self.survey.run("survey_volume", args=args)
            self.assertEqual(run.returncode, 1, (args, run))
            self.assertIn(message, run.stderr.decode(), args)
            for path in OUTPUTS:
                self.assertFalse(os.path.exists(self.survey.path(path)), (args, path))
        # A missing reference is the run-time stop's file not found.
        run = self.survey.run("survey_volume", args=["--against", "Missing.txt"])
        self.assertEqual(run.returncode, 2, run)
        os.remove(self.survey.path("PM/PointsCl.txt"))
        run = self.survey.run("survey_volume", args=["--level", "-9"])
        self.assertEqual(run.returncode, 1, run)
        self.assertIn("run echo_clean2 first", run.stderr.decode())


if __name__ == "__main__":
    unittest.main()
