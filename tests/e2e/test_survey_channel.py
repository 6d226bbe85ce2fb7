#!/usr/bin/env python3
"""survey_channel: the pay volumes of made surveys whose answers are known
exactly (a 200 m straight channel at -12, bottom 50 m, slopes 1 in 3,
over-depth 0.5, under a flat seabed at -10; a pyramid shoal between two
sections; the works dredged within and beyond the over-depth), through the
files as the program reads and writes them; a bend of 30 degrees against an
independent numerical integration (numpy, the nearest point of the
centreline on a grid of 0.1 m); the report's columns apart for figures of
any size and in cubic yards; the refusals, which leave no output; the
screen; the drawings printed by LibreCAD and read by ezdxf, the picture
drawn by rsvg-convert."""

import csv
import io
import math
import os
import re
import sys
import unittest

import ezdxf
import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import piped_screen  # noqa: E402
from survey_test import SurveyCase  # noqa: E402
from test_survey_plot import rendered  # noqa: E402

E0, N0 = 512340.0, 4705430.0  # the channel's first point
OUTPUTS = ("Temp/Channel_Volumes.txt", "Temp/Channel_Volumes.csv", "Temp/Sections.dxf", "Temp/Sections.svg",
           "Temp/Channel.dxf")
REACH = "reach 0 200 -12 25 25 3 3 0.5"
STRAIGHT = "point %.2f %.2f\r\npoint %.2f %.2f\r\n" % (E0, N0, E0 + 200, N0)


def xyz(points):
    """x y z records (two decimals, CR LF) of points relative to (E0, N0)."""
    return "".join("%.2f %.2f %.2f\r\n" % (E0 + x, N0 + y, z) for x, y, z in points).encode()


def grid(x0, x1, y0, y1, step, z):
    return [(x, y, z(x, y)) for x in np.arange(x0, x1 + 1e-9, step) for y in np.arange(y0, y1 + 1e-9, step)]


def design(offset, lowered=0.0):
    """The straight channel's template at an offset, lowered by lowered."""
    return -12 - lowered + max(0.0, abs(offset) - 25) / 3


def dredged(lowered):
    """The works dredged from -10 to the template lowered: points along the
    channel on the lines where the surface breaks."""
    top = 25 + 3 * (2 + lowered)
    offsets = [-60, -45, -top, -25, -15, -5, 5, 15, 25, top, 45, 60]
    return [(x, -o, min(-10.0, design(o, lowered))) for x in range(-10, 211, 5) for o in offsets]


def pyramid():
    """The seabed at the design bottom, -12, with a pyramid shoal 20 x 20 m
    and 1 m high at station 112.5; the other points keep out of its faces'
    circumcircles, so that the triangulation has its four faces."""
    points = [(112.5, 0, -11.0), (102.5, -10, -12.0), (122.5, -10, -12.0), (122.5, 10, -12.0), (102.5, 10, -12.0)]
    middles = [(112.5, -10), (112.5, 10), (102.5, 0), (122.5, 0)]
    for x, y, z in grid(-10, 210, -60, 60, 5, lambda x, y: -12.0):
        inside = abs(x - 112.5) <= 10 and abs(y) <= 10
        if not inside and all(math.hypot(x - a, y - b) > 10.5 for a, b in middles):
            points.append((x, y, z))
    return points


def table(text):
    """The CSV's rows as dictionaries."""
    return list(csv.DictReader(io.StringIO(text, newline="")))


class Channel(SurveyCase):
    def run_channel(self, channel, args=(), code=0):
        self.survey.write("Temp/Channel.txt", channel.encode())
        run = self.survey.run("survey_channel", args=["--channel", "Temp/Channel.txt"] + list(args))
        self.assertEqual(run.returncode, code, run)
        if code == 0:
            self.assertEqual(run.stderr, b"")
        return run

    def csv_rows(self):
        data = self.survey.read("Temp/Channel_Volumes.csv")
        self.assertTrue(data.endswith(b"\r\n"))
        return table(data.decode())


class KnownVolumes(Channel):
    def test_made_surveys(self):
        flat = grid(-10, 210, -60, 60, 5, lambda x, y: -10.0)
        cases = [
            # name, survey, before, args, {column: (TIN, average end areas)}
            ("flat", flat, None, [], {"to_dredge": (22400, 22400), "overdepth": (6350, 6350)}),
            ("sloping", grid(-10, 210, -60, 60, 10, lambda x, y: -10 - x / 200), None, ["--interval", "50"],
             {"to_dredge": (16400, 16406.25), "overdepth": (6050, 6050)}),
            ("pyramid", pyramid(), None, [], {"to_dredge": (133.33, 0), "overdepth": (5150, 5150)}),
            ("dredged 0.3", dredged(0.3), flat, [],
             {"removed_pay": (26174, 26174), "removed_below_pay": (0, 0), "still_above": (0, 0), "deposited": (0, 0)}),
            ("dredged 0.8", dredged(0.8), flat, [],
             {"removed_pay": (28750, 28750), "removed_below_pay": (3900, 3900), "still_above": (0, 0),
              "deposited": (0, 0)}),
        ]
        for name, survey, before, args, expected in cases:
            with self.subTest(name):
                self.survey.write("PM/PointsCl.txt", xyz(survey))
                if before:
                    self.survey.write("Before.txt", xyz(before))
                    args = args + ["--against", "Before.txt"]
                self.run_channel(STRAIGHT + REACH + "\r\n", args)
                rows = self.csv_rows()
                total = rows[-1]
                self.assertEqual((total["station_from"], total["station_to"]), ("total", ""))
                self.assertEqual(list(total)[2:], [c for q in expected for c in (q + "_m3", q + "_aea_m3")])
                for column, (tin, aea) in expected.items():
                    self.assertEqual(float(total[column + "_m3"]), tin, column)
                    self.assertEqual(float(total[column + "_aea_m3"]), aea, column)
                    # The intervals add up to the total (to the rounding).
                    self.assertAlmostEqual(sum(float(r[column + "_m3"]) for r in rows[:-1]), tin, delta=0.01 * len(rows))
                if name == "pyramid":  # all of it between the sections at 100 and 125
                    shoal = [r for r in rows[:-1] if float(r["to_dredge_m3"]) > 0]
                    self.assertEqual([(r["station_from"], r["station_to"]) for r in shoal], [("100.00", "125.00")])

    def test_report_csv_and_yards(self):
        self.survey.write("PM/PointsCl.txt", xyz(grid(-10, 210, -60, 60, 5, lambda x, y: -10.0)))
        run = self.run_channel("# the straight channel\r\n" + STRAIGHT + REACH + "\r\n", ["--yards", "--interval=50"])
        self.assertIn(b"Press ENTER  ...", run.stdout)
        self.assertEqual(self.survey.read("Temp/Channel_Volumes.csv"), (
            b"station_from,station_to,to_dredge_m3,to_dredge_aea_m3,overdepth_m3,overdepth_aea_m3\r\n"
            b"0.00,50.00,5600.00,5600.00,1587.50,1587.50\r\n"
            b"50.00,100.00,5600.00,5600.00,1587.50,1587.50\r\n"
            b"100.00,150.00,5600.00,5600.00,1587.50,1587.50\r\n"
            b"150.00,200.00,5600.00,5600.00,1587.50,1587.50\r\n"
            b"total,,22400.00,22400.00,6350.00,6350.00\r\n"))
        text = self.survey.read("Temp/Channel_Volumes.txt").decode()
        lines = text.split("\r\n")
        self.assertEqual(lines[0], "Channel pay volumes: " + os.path.basename(self.survey.root))
        self.assertRegex(lines[2], r"^Run          \d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC$")
        m3 = lines.index("Condition, m3 by station interval:")
        self.assertEqual(lines[m3 + 1:m3 + 9], [
            "                                    to dredge                   over-depth",
            "  from      to       TIN       AEA  AEA - TIN      TIN      AEA  AEA - TIN",
            "  0.00   50.00   5600.00   5600.00       0.00  1587.50  1587.50       0.00",
            " 50.00  100.00   5600.00   5600.00       0.00  1587.50  1587.50       0.00",
            "100.00  150.00   5600.00   5600.00       0.00  1587.50  1587.50       0.00",
            "150.00  200.00   5600.00   5600.00       0.00  1587.50  1587.50       0.00",
            " total          22400.00  22400.00       0.00  6350.00  6350.00       0.00",
            ""])
        yd3 = lines.index("Condition, yd3 (1 yd3 = 0.764554857984 m3) by station interval:")
        total = lines[yd3 + 7].split()
        self.assertEqual(total[0], "total")
        self.assertEqual([float(v) for v in total[1:]],
                         [round(v / 0.764554857984, 2) for v in (22400, 22400, 0, 6350, 6350, 0)])
        sections = lines.index("Cross sections, areas in m2:")
        self.assertEqual(lines[sections + 2].split(), ["0.00", "1", "112.00", "31.75"])

    def test_columns_stay_apart_for_any_figure(self):
        # A mountain 1000 m high over a channel 100 km long and wide: figures
        # of 17 characters, one column after another.
        self.survey.write("PM/PointsCl.txt", xyz([(x, y, 1000.0) for x in (-1e4, 0, 1.1e5) for y in (-1e5, 1e5)]
                                                 + [(5e4, 0, 1000.0)]))
        self.run_channel("point %.2f %.2f\r\npoint %.2f %.2f\r\nreach 0 100000 -12 50000 50000 3 3 0.5\r\n"
                         % (E0, N0, E0 + 1e5, N0), ["--max-edge", "1e6", "--interval", "20000", "--yards"])
        csv_total = self.csv_rows()[-1]
        self.assertGreater(float(csv_total["to_dredge_m3"]), 1e13)
        text = self.survey.read("Temp/Channel_Volumes.txt").decode().split("\r\n")
        for title, unit in (("Condition, m3 by station interval:", 1),
                            ("Condition, yd3 (1 yd3 = 0.764554857984 m3) by station interval:", 0.764554857984)):
            total = text[text.index(title) + 8].split()
            self.assertEqual(total[0], "total")
            self.assertEqual(len(total), 7, total)
            self.assertAlmostEqual(float(total[1]), float(csv_total["to_dredge_m3"]) / unit, delta=0.02)
            self.assertAlmostEqual(float(total[4]), float(csv_total["overdepth_m3"]) / unit, delta=0.02)


class Bend(Channel):
    """A centreline bending 30 degrees to the left at station 100, under a
    seabed that slopes both ways: each interval's volumes against a midpoint
    sum on cells of 0.1 m, each cell's station and offset those of its
    nearest point on the centreline (the fan outside the bend split by the
    bisector)."""

    def test_against_a_fine_numerical_integration(self):
        turn = math.radians(30)
        end = (100 + 100 * math.cos(turn), 100 * math.sin(turn))
        seabed = lambda x, y: -10 + 0.005 * x - 0.0025 * y  # exact at the 4 m points, to the centimetre
        self.survey.write("PM/PointsCl.txt", xyz(grid(-60, 240, -60, 160, 4, seabed)))
        self.run_channel("point %.2f %.2f\r\npoint %.2f %.2f\r\npoint %.6f %.6f\r\nreach 0 199.99 -12 25 20 3 2 0.5\r\n"
                         % (E0, N0, E0 + 100, N0, E0 + end[0], N0 + end[1]))
        rows = self.csv_rows()
        stations = [float(r["station_from"]) for r in rows[:-1]] + [199.99]
        self.assertEqual(stations, [0, 25, 50, 75, 100, 125, 150, 175, 199.99])
        model = np.zeros((len(stations) - 1, 2))
        cell = 0.1
        t = np.array([[1.0, 0.0], [math.cos(turn), math.sin(turn)]])
        starts = np.array([[0.0, 0.0], [100.0, 0.0]])
        xs = np.arange(-50 + cell / 2, 240, cell)
        for y0 in np.arange(-50, 150, 10.0):  # in strips of 10 m, to keep the arrays small
            ys = np.arange(y0 + cell / 2, y0 + 10, cell)
            px, py = np.meshgrid(xs, ys)
            best, station, offset = np.full(px.shape, np.inf), np.zeros(px.shape), np.zeros(px.shape)
            for i in range(2):
                dx, dy = px - starts[i, 0], py - starts[i, 1]
                along = np.clip(dx * t[i, 0] + dy * t[i, 1], 0, 100)
                fx, fy = dx - along * t[i, 0], dy - along * t[i, 1]
                dist = np.hypot(fx, fy)
                side = np.where(t[i, 0] * fy - t[i, 1] * fx > 0, -1.0, 1.0)  # left negative
                nearer = dist < best
                best = np.where(nearer, dist, best)
                station = np.where(nearer, 100 * i + along, station)
                offset = np.where(nearer, side * dist, offset)
            # The fan outside the bend (station 100 exactly): its half before
            # the bisector counts with the interval that ends at 100.
            bisector = (px - 100) * (t[0, 0] + t[1, 0]) + (py - 0) * (t[0, 1] + t[1, 1])
            key = np.where((station == 100) & (bisector < 0), 99.999, station)
            half = np.where(offset < 0, 25.0, 20.0)
            slope = np.where(offset < 0, 3.0, 2.0)
            template = -12 + np.maximum(0, np.abs(offset) - half) / slope
            s = seabed(px, py)
            dredge = np.maximum(0, s - template)
            band = np.clip(s - (template - 0.5), 0, 0.5)
            inside = (key > 0) & (key <= 199.99)  # not before the first section, nor after the last
            k = np.clip(np.searchsorted(stations, key, side="right") - 1, 0, len(stations) - 2)
            for q, value in enumerate((dredge, band)):
                np.add.at(model[:, q], k[inside], value[inside] * cell * cell)
        for i, r in enumerate(rows[:-1]):
            for q, column in enumerate(("to_dredge_m3", "overdepth_m3")):
                self.assertLess(abs(float(r[column]) - model[i, q]), 0.001 * model[i, q] + 0.01, (i, column))
        for q, column in enumerate(("to_dredge_m3", "overdepth_m3")):
            self.assertLess(abs(float(rows[-1][column]) - model[:, q].sum()), 0.001 * model[:, q].sum(), column)


class Refusals(Channel):
    def test_refused_with_a_reason_and_no_output_left(self):
        self.survey.write("PM/PointsCl.txt", xyz(grid(-10, 210, -60, 60, 10, lambda x, y: -10.0)))
        self.survey.write("Far.txt", xyz(grid(1000, 1100, 1000, 1100, 10, lambda x, y: -10.0)))
        p, q = "point %.2f %.2f\r\n" % (E0, N0), "point %.2f %.2f\r\n" % (E0 + 200, N0)
        tight = p + q + "point %.2f %.2f\r\npoint %.2f %.2f\r\n" % (E0 + 210, N0 + 8, E0 + 214, N0 + 20)
        cases = [
            (p + REACH, [], "Temp/Channel.txt, line 1: a centreline needs two points or more, the file has 1"),
            (p + q + "reach 0 100 -12 25 25 3 3 0.5\r\nreach 110 200 -12 25 25 3 3 0.5\r\n", [],
             "Temp/Channel.txt, line 4: a gap from 100.00 (the end of the reach of line 3) to 110.00"),
            (p + q + "reach 100 200 -12 25 25 3 3 0.5\r\nreach 0 100 -12 25 25 3 3 0.5\r\n", [],
             "line 4: the reaches are out of order"),
            (p + q + "reach 0 100 -12 25 25 3 3\r\n", [], "line 3: reach wants 8 numbers"),
            (p + "pont 1 2\r\n", [], "line 2: \"pont\" is not a keyword"),
            (p + q, [], "Temp/Channel.txt: no reach"),
            (p + q + REACH, ["--points", "Far.txt"], "Far.txt does not cover any section of the channel"),
            (p + q + REACH, ["--against", "Far.txt"], "do not both cover any section of the channel"),
            (tight + "reach 0 220 -12 25 25 3 3 0.5\r\n", [], "line 2: the bend at this point is too tight"),
            (p + "point %.2f %.2f\r\nreach 0 20000 -12 25 25 3 3 0.5\r\n" % (E0 + 20000, N0), ["--interval", "0.1"],
             "--interval 0.10 gives more than 100000 sections; give a longer one"),
            (p + q + REACH, ["--interval", "0"], "--interval wants a length in metres from 0.10"),
            (p + q + REACH, ["--yards=1"], "--yards takes no value"),
        ]
        for channel, args, message in cases:
            with self.subTest(message):
                for path in OUTPUTS:
                    self.survey.write(path, b"an earlier run's\r\n")
                run = self.run_channel(channel, args, code=1)
                self.assertIn(message, run.stderr.decode())
                for path in OUTPUTS:
                    # A wrong call touches nothing; every other refusal takes
                    # the earlier run's outputs away.
                    wrong_call = "wants a length" in message or "takes no value" in message
                    self.assertEqual(os.path.exists(self.survey.path(path)), wrong_call, path)
        # --help: the usage, and a good end; no channel named: a wrong call;
        # a missing channel file is the run-time stop.
        run = self.survey.run("survey_channel", args=["--help"])
        self.assertEqual((run.returncode, run.stdout[:22]), (0, b"usage: survey_channel "), run)
        run = self.survey.run("survey_channel")
        self.assertEqual(run.returncode, 1, run)
        self.assertIn(b"give the channel's design: --channel FILE", run.stderr)
        self.assert_runtime_error(self.survey.run("survey_channel", args=["--channel", "Missing.txt"]), 2)
        for path in OUTPUTS:
            self.assertFalse(os.path.exists(self.survey.path(path)), path)
        os.remove(self.survey.path("PM/PointsCl.txt"))
        run = self.run_channel(p + q + REACH, [], code=1)
        self.assertIn(b"run echo_clean2 first", run.stderr)


class Outputs(Channel):
    """The dredged case beyond the over-depth: the drawings and the picture."""

    def setUp(self):
        super().setUp()
        self.survey.write("PM/PointsCl.txt", xyz(dredged(0.8)))
        self.survey.write("Before.txt", xyz(grid(-10, 210, -60, 60, 5, lambda x, y: -10.0)))
        self.screen_run = self.run_channel(STRAIGHT + REACH + "\r\n", ["--against", "Before.txt", "--interval", "100"])

    def test_screen(self):
        rows, _ = piped_screen(self.screen_run.stdout)
        self.assertEqual(rows[2].strip(), "Survey Channel - pay volumes on the channel's template")
        self.assertEqual(rows[9].strip(), "Write  Temp/Channel_Volumes.txt")
        self.assertEqual([r.strip() for r in rows[10:14]], list(OUTPUTS[1:]))
        self.assertEqual(rows[14].strip(), "Max. edge  : 50.00 m")
        self.assertEqual(rows[15].strip(), "Channel    : 2 points, stations 0.00 to 200.00, 1 reach")
        self.assertRegex(rows[16], r"^      Survey     : 540 records, 540 vertices, \d+ triangles +$")
        self.assertRegex(rows[17], r"^      Before     : 1125 records, 1125 vertices, \d+ triangles +$")
        self.assertRegex(rows[18], r"^      Sections   : 3, every 100.00 m; \d+ pieces of the plan +$")
        self.assertEqual([r.strip() for r in rows[19:23]], [
            "paid       : 28750.00 m3 (average end areas 28750.00)",
            "below pay  : 3900.00 m3 (average end areas 3900.00)",
            "still above: 0.00 m3 (average end areas 0.00)",
            "deposited  : 0.00 m3 (average end areas 0.00)"])
        self.assertEqual(rows[23].strip(), "Press ENTER  ...")

    def test_plan_read_by_ezdxf(self):
        doc = ezdxf.readfile(self.survey.path("Temp/Channel.dxf"))
        lines = {}
        for e in doc.modelspace().query("POLYLINE"):
            lines.setdefault(e.dxf.layer, []).append([(v.dxf.location.x - E0, v.dxf.location.y - N0)
                                                       for v in e.vertices])
        self.assertEqual(lines["CENTRELINE"], [[(0, 0), (200, 0)]])
        self.assertEqual(len(lines["STATIONS"]), 3)  # 0, 100, 200
        # Toes 25 m out; the pay line meets the seabed before the works 32.5 m
        # out, the template's slopes meet the seabed after them 31 m out.
        for layer, offset in (("TOE", 25), ("PAY_LIMIT", 32.5), ("DAYLIGHT", 31)):
            ys = sorted({round(y, 6) for line in lines[layer] for _, y in line})
            self.assertEqual(ys, [-offset, offset], layer)
            for line in lines[layer]:
                self.assertEqual((line[0][0], line[-1][0]), (0, 200), layer)
        texts = sorted(e.dxf.text for e in doc.modelspace().query("TEXT"))
        self.assertEqual(texts, ["0.00", "100.00", "200.00"])

    def test_librecad_prints_both_drawings(self):
        for name in ["Sections", "Channel"]:
            with self.subTest(name):
                pixels = self.printed_page(self.survey.path("Temp/%s.dxf" % name))
                self.assertGreater(sum(1 for b in pixels if b < 200), 200, "a blank page")

    def test_sections_drawn_by_rsvg(self):
        svg = self.survey.path("Temp/Sections.svg")
        data = self.survey.read("Temp/Sections.svg").decode()
        self.assertIn("vertical exaggeration 5", data)
        rgb = rendered(svg)
        # The first section's frame: offsets -40 .. 40 over 420 pixels from
        # x = 70, heights -14 .. -9 from y = 154, drawn 5 times larger.
        m = re.search(r'<rect x="([\d.]+)" y="([\d.]+)" width="420.0" height="([\d.]+)" fill="none"', data)
        left, top, height = float(m.group(1)), float(m.group(2)), float(m.group(3))
        scale = 420 / 80
        at = lambda o, z: rgb(int(left + (o + 40) * scale), int(top + (-9 - z) * 5 * scale))
        # Paid (dark red) between -10 and the pay line, below the pay line
        # (blue) down to -12.8, white under it.
        self.assertEqual(at(5, -11), (0xd6, 0x60, 0x4d))
        self.assertEqual(at(-5, -12.65), (0x43, 0x93, 0xc3))
        self.assertEqual(at(15, -13.5), (255, 255, 255))
        self.assertEqual(abs(height - 5 * 5 * scale) < 1, True)


if __name__ == "__main__":
    unittest.main()
