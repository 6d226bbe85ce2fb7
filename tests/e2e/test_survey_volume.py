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
from cleaning import fixed, render  # noqa: E402
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
        self.assertEqual(lines[:23], [
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
            # Under the level by u = 1 - x / 50 m for x < 50: the band holds
            # min(u, 0.5) over all of x < 50, 100 * (12.5 + 6.25); under it
            # u - 0.5 over x < 25, 100 * 6.25.
            "  of it in the over-depth band, to -10.50 m            5000.00       1875.00",
            "  of it under the band, below -10.50 m                 2500.00        625.00",
            "On neither side: the surfaces coincide                    0.00",
            "Net, above - below                                                      0.00",
            "",
            "Over-depth: the band's area is all the area below the design level, where the band is",
            "dredged (to its foot, or to the seabed where that is higher); the area under the band is",
            "where the survey lies deeper than -10.50 m. Each area is the plan area of the volume beside it.",
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


class OverDepthAgainstModel(SurveyCase):
    """A wavy seabed against a level with an over-depth band, its rows
    against a model of the same TIN (scipy's Delaunay triangulation,
    interpolated linearly) summed over cells of 5 cm: the band's area is all
    the area below the level, the area under the band where the seabed is
    deeper than the band's foot, each the plan area of its volume."""

    def test_rows_against_the_model(self):
        from scipy.interpolate import LinearNDInterpolator
        points = lattice(4, 60, 5, lambda x, y: -10 + 0.9 * np.sin(x / 9) + 0.6 * np.cos(y / 7))
        self.survey.write("PM/PointsCl.txt", xyz(points))
        level, band = -10.2, 0.5
        run = self.survey.run("survey_volume", args=["--level", str(level), "--overdepth", str(band)])
        self.assertEqual(run.returncode, 0, run)
        rows = report_numbers(self.survey.read("Temp/Volume.txt").decode().replace("\r\n  of it", "\r\nof it"))
        p = np.array(points) - [E0, N0, 0]
        cell = 0.05
        centres = np.arange(cell / 2, 60, cell)
        gx, gy = np.meshgrid(centres, centres)
        z = LinearNDInterpolator(p[:, :2], p[:, 2])(gx, gy)
        under_level = np.clip(level - z, 0, None)
        model = {
            "Below the design level: dredged below it": ((z < level).sum(), under_level.sum()),
            "of it in the over-depth band, to -10.70 m": ((z < level).sum(), np.minimum(under_level, band).sum()),
            "of it under the band, below -10.70 m": ((z < level - band).sum(), np.clip(level - band - z, 0, None).sum()),
        }
        for label, (cells, volume) in model.items():
            area, got_volume = rows[label]
            self.assertAlmostEqual(area, cells * cell * cell, delta=0.002 * 3600, msg=label)
            self.assertAlmostEqual(got_volume, volume * cell * cell, delta=0.002 * volume * cell * cell, msg=label)
        # The seabed dips under the band's foot over a good part of the area
        # below the level: the two areas differ.
        self.assertLess(rows["of it under the band, below -10.70 m"][0],
                        0.8 * rows["of it in the over-depth band, to -10.70 m"][0])
        screen = render(run.stdout)[0]
        self.assertRegex(screen[20], r"^      Band      : \d+\.\d\d m3 over \d+\.\d\d m2, to -10\.70 m +$")
        self.assertRegex(screen[21], r"^      Under band: \d+\.\d\d m3 over \d+\.\d\d m2, below -10\.70 m +$")
        self.assertNotIn("Beyond", "".join(screen))


class HugeFigures(SurveyCase):
    """Volumes of 10 km3 and more: the columns of Temp/Volume.txt grow and
    stay apart, every figure ending under its heading."""

    def test_columns_stay_apart(self):
        for size, volume, area in [(10000, "10000000000.00", "50000000.00"),
                                   (100000, "10000000000000.00", "5000000000.00")]:
            with self.subTest(size=size):
                # z = x / 12.5 - 0.4 size against the level 0: above it a wedge
                # of size x size / 2 in plan, its volume size^3 / 100.
                step = size / 10
                records = [(E0 + i * step, N0 + j * step, i * step / 12.5 - 0.04 * size)
                           for i in range(11) for j in range(11)]
                self.survey.write("PM/PointsCl.txt", xyz(records))
                run = self.survey.run("survey_volume", args=["--level", "0", "--max-edge", str(2 * step), "--cell", str(step / 10),
                                                             "--overdepth", "1"])
                self.assertEqual(run.returncode, 0, run)
                lines = self.survey.read("Temp/Volume.txt").decode().split("\r\n")
                head = next(i for i, line in enumerate(lines) if line.endswith("volume m3"))
                area_end, volume_end = lines[head].index("area m2") + 7, len(lines[head])
                table = lines[head + 1:lines.index("", head)]
                self.assertEqual(len(table), 7)
                for line in table:
                    figures = [m for m in re.finditer(r"-?\d+\.\d\d", line) if m.start() >= 48]  # not the labels'
                    self.assertTrue(figures, line)
                    for m in figures:
                        self.assertEqual(line[m.start() - 1], " ", line)  # a blank before every figure
                        self.assertIn(m.end(), (area_end, volume_end), line)
                self.assertIn("Above the design level: still to dredge", table[1])
                self.assertEqual(table[1].split()[-2:], [area, volume])
                screen = render(run.stdout)[0]
                self.assertIn("Above     : %s m3 over %s m2" % (volume, area), screen[17])
                self.assertTrue(all(len(row.rstrip()) <= 80 for row in screen))


def survey_lines(spacing, seed):
    """Five survey lines spacing metres apart, a sounding every 5 m."""
    rnd = np.random.default_rng(seed)
    return [(round(E0 + s + rnd.uniform(0, 0.4), 2), round(N0 + spacing * k + rnd.uniform(0, 1), 2), -10.0 - k)
            for k in range(5) for s in range(0, 400, 5)]


def trimmed_note(points, max_edge=50):
    """The share of scipy's Delaunay triangles with an edge over max_edge and
    the median of those edges, as the screen words it; "" for a third or less."""
    xy = np.array([(x, y) for x, y, _ in points]) - [E0, N0]
    tri = Delaunay(xy)
    edges = {tuple(sorted((t[i], t[(i + 1) % 3]))) for t in tri.simplices for i in range(3)}
    long = sorted(d for d in (np.hypot(*(xy[a] - xy[b])) for a, b in edges) if d > max_edge)
    trimmed = sum(1 for t in tri.simplices if max(np.hypot(*(xy[t[i]] - xy[t[(i + 1) % 3]])) for i in range(3)) > max_edge)
    if trimmed * 3 <= len(tri.simplices):
        return ""
    return "%d %%; median of the edges over %.1f m: %.1f m" % (round(100 * trimmed / len(tri.simplices)), max_edge,
                                                             long[(len(long) - 1) // 2])


class LineSpacing(SurveyCase):
    """Lines further apart than --max-edge trim most of a surface and with it
    the volumes: row 16 says so for the survey, else for the reference, with
    the median of the longer edges (scipy's triangulation); no word when a
    third or less is trimmed."""

    def test_the_trimmed_row(self):
        wide, close = survey_lines(100, 1), survey_lines(40, 2)
        cases = [  # (survey, reference or None, the row)
            (wide, None, "Trimmed   : survey " + trimmed_note(wide)),
            (close, None, ""),
            (close, wide, "Trimmed   : reference " + trimmed_note(wide)),
            (wide, wide, "Trimmed   : survey " + trimmed_note(wide)),
        ]
        self.assertTrue(trimmed_note(wide).startswith("6"), trimmed_note(wide))
        self.assertEqual(trimmed_note(close), "")
        for survey, reference, row in cases:
            with self.subTest(survey=len(survey), reference=reference is not None, row=row):
                self.survey.write("PM/PointsCl.txt", xyz(survey))
                args = ["--level", "-12"]
                if reference is not None:
                    self.survey.write("Earlier.txt", xyz(reference))
                    args = ["--against", "Earlier.txt"]
                run = self.survey.run("survey_volume", args=args)
                self.assertEqual(run.returncode, 0, run)
                self.assertEqual(render(run.stdout)[0][15].strip(), row)


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
