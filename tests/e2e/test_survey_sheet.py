#!/usr/bin/env python3
"""survey_sheet read by poppler, ezdxf and scipy, against the rules of
docs/survey_sheet.md and the outputs of its siblings: pdfinfo gives every
page the paper's size and the count of sheets the layout rule makes;
pdftotext -bbox finds every sounding of survey_soundings' PM/Soundings.txt
(same scale and options) at its ground position over the scale, after the
map's offset read from the grid's labels, and no other sounding; the title
block's texts; pdftoppm's pages are not blank and the contours' ink lies on
survey_surface's Temp/Contours.dxf; Temp/Sheet.dxf holds Contours.dxf's lines
and Soundings.dxf's labels; the contours' labels lie on their lines and off
the soundings; a survey larger than A3 at 1:500 on several sheets that
overlap by 10 mm; the screen, wrong calls and stops."""

import html
import math
import os
import random
import re
import shutil
import subprocess
import sys
import time
import unittest

import ezdxf
import numpy as np
from scipy import ndimage

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import fixed, render  # noqa: E402
from survey_test import WAIT, SurveyCase  # noqa: E402
from test_survey_soundings import Model, drawing, label, points_file  # noqa: E402

PT = 72 / 25.4  # points a millimetre
# The page's layout (docs/survey_sheet.md): 10 mm bare at the edges, the
# grid's labels in 8 mm around the map, the panel 90 mm wide at the right.
MAP_LEFT = MAP_TOP = 18
PAPERS = {"A0": (841, 1189), "A1": (594, 841), "A2": (420, 594), "A3": (297, 420), "A4": (210, 297)}
OVERLAP = 10
CAP = 0.718      # Helvetica's cap height, of the font size (Adobe's metrics)
DESCENT = 0.207  # ... and how far poppler's word box reaches below the baseline
LA_LO_DE = (b"Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel\r\n" + b"-" * 62 +
            b"\r\n27.0 1.0 0.0 0.5 1.0 0.0 \r\n")


def seabed(x, y):
    """A sloping seabed 4 to 16 m deep with a shoal that dries 0.8 m."""
    return -(4 + 12 * x / 200.0) + 0.8 * math.sin(y / 9.0) + 13 * math.exp(-((x - 60) ** 2 + (y - 70) ** 2) / 150.0)


def survey_lines(rng, width=200.0, height=144.0, x0=9541000.0, y0=4707000.0):
    """Survey lines east and west 12 m apart, a sounding every 0.8 m."""
    records = []
    for k in range(int(height / 12) + 1):
        for i in range(int(width / 0.8) + 1):
            x = (i * 0.8 if k % 2 == 0 else width - i * 0.8) + rng.uniform(-0.05, 0.05)
            y = k * 12.0 + rng.uniform(-0.2, 0.2)
            records.append((x0 + x, y0 + y, seabed(x, y) + rng.uniform(-0.03, 0.03)))
    return records


def poppler(*command):
    """The output of a poppler program, which must find nothing wrong with the
    file (a byte offset of the cross-reference table or a stream's length
    that is not right makes it say so on the standard error)."""
    p = subprocess.run(list(command), capture_output=True, timeout=WAIT)
    if p.returncode != 0 or p.stderr:
        raise AssertionError("%s: exit %d\n%s" % (" ".join(command), p.returncode, p.stderr.decode("latin-1")))
    return p.stdout


def pdf_pages(path):
    """[(width, height, [(xMin, yMin, xMax, yMax, text)])] of the pages, in
    points from the top left corner, as pdftotext -bbox finds the words."""
    out = poppler("pdftotext", "-bbox", path, "-")
    pages = []
    for m in re.finditer(r'<page width="([\d.]+)" height="([\d.]+)">(.*?)</page>', out.decode(), re.S):
        words = [(float(a), float(b), float(c), float(d), html.unescape(t)) for a, b, c, d, t in re.findall(
            r'<word xMin="([\d.-]+)" yMin="([\d.-]+)" xMax="([\d.-]+)" yMax="([\d.-]+)">(.*?)</word>', m.group(3))]
        pages.append((float(m.group(1)), float(m.group(2)), words))
    return pages


def page_text(path, page):
    """The text of a page as pdftotext reads it, its blanks and line ends as
    single blanks."""
    out = poppler("pdftotext", "-f", str(page), "-l", str(page), path, "-").decode()
    return " ".join(out.split())


def page_sizes(path):
    out = poppler("pdfinfo", "-f", "1", "-l", "100000", path).decode()
    count = int(re.search(r"^Pages:\s+(\d+)", out, re.M).group(1))
    sizes = [(float(w), float(h)) for w, h in re.findall(r"^Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts", out, re.M)]
    return count, sizes, out


class Mapping:
    """A page's map as the grid's labels place it: the paper point (in
    points) of a ground position, x = a + E k and y = b - N k, k the points a
    metre at the scale; a and b from the eastings above the frame and the
    northings left of it, each label centred on its line."""

    def __init__(self, test, words, scale, grid):
        self.k = 1000.0 / scale * PT
        east, north = [], []
        for x0, y0, x1, y1, t in words:
            if not re.fullmatch(r"\d+(\.\d+)?", t) or abs(float(t) / grid - round(float(t) / grid)) > 1e-9:
                continue
            if y1 < MAP_TOP * PT and x1 - x0 > y1 - y0:  # above the frame, reading across
                east.append((x0 + x1) / 2 - float(t) * self.k)
            if x1 < MAP_LEFT * PT and y1 - y0 > x1 - x0:  # left of the frame, reading up
                north.append((y0 + y1) / 2 + float(t) * self.k)
        test.assertTrue(east, "no easting above the frame")
        test.assertTrue(north, "no northing left of the frame")
        # Every label on the same offset: the grid's lines stand exactly G at the scale apart.
        test.assertLess(max(east) - min(east), 0.05 * PT)
        test.assertLess(max(north) - min(north), 0.05 * PT)
        self.a, self.b = sum(east) / len(east), sum(north) / len(north)

    def u(self, x):
        return self.a + x * self.k

    def v(self, y):
        return self.b - y * self.k

    def west(self):
        """The ground at the map's left edge, and at its top."""
        return (MAP_LEFT * PT - self.a) / self.k, (self.b - MAP_TOP * PT) / self.k


def read_soundings_txt(data):
    lines = data.decode().split("\r\n")
    assert lines[-1] == ""
    return [tuple(float(v) for v in line.split()) for line in lines[:-1]]


def polylines(path, layers):
    """[(layer, closed, elevation, [(x, y)])] of the 2D polylines on those
    layers, as ezdxf reads them."""
    out = []
    for e in ezdxf.readfile(path).modelspace().query("POLYLINE"):
        if e.dxf.layer in layers:
            out.append((e.dxf.layer, e.is_closed, e.dxf.elevation[2], [tuple(v.dxf.location)[:2] for v in e.vertices]))
    return out


def text_length(t, height):
    """The length of a label in Helvetica of cap height height."""
    widths = {".": 0.278, "-": 0.333}
    return sum(widths.get(c, 0.556) for c in t) * height / CAP


def quad_overlap(a, b):
    """Whether two convex quads (corners in order) share more than an edge."""
    for q in (a, b):
        for i in range(2):
            ax, ay = q[i + 1][0] - q[i][0], q[i + 1][1] - q[i][1]
            pa = [x * ax + y * ay for x, y in a]
            pb = [x * ax + y * ay for x, y in b]
            if max(pa) <= min(pb) or max(pb) <= min(pa):
                return False
    return True


def segment_distance(p, a, b):
    ax, ay, bx, by = a[0], a[1], b[0], b[1]
    dx, dy = bx - ax, by - ay
    t = 0 if dx == dy == 0 else max(0, min(1, ((p[0] - ax) * dx + (p[1] - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(p[0] - ax - t * dx, p[1] - ay - t * dy)


class SheetCase(SurveyCase):
    def setUp(self):
        super().setUp()
        self.records = survey_lines(random.Random(34))
        data, self.read = points_file(self.records)
        self.survey.write("PM/PointsCl.txt", data)
        self.survey.write("PM/La_Lo_De.txt", LA_LO_DE)
        self.pdf = self.survey.path("Temp/Sheet.pdf")

    def run_sheet(self, args=()):
        run = self.survey.run("survey_sheet", args=list(args))
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        return run

    def sibling_soundings(self, scale, height=2.0, spacing=0.5):
        run = self.survey.run("survey_soundings", args=["--scale", repr(scale), "--height", repr(height),
                                                        "--spacing", repr(spacing)])
        self.assertEqual(run.returncode, 0, run)
        return read_soundings_txt(self.survey.read("PM/Soundings.txt"))

    def expected_plan(self, kept, scale, paper, orientation=None, height=2.0, spacing=0.5):
        """(orientation, columns, rows) by the layout rule: the survey's extent
        (its points and the kept labels' boxes) cut into maps of the page,
        overlapping by 10 mm, in the orientation given or else the one that
        needs fewer sheets."""
        model = Model(scale, height, spacing)
        xs = [r[0] for r in self.read] + [b for s in kept for b in model.box(s)[0::2]]
        ys = [r[1] for r in self.read] + [b for s in kept for b in model.box(s)[1::2]]
        span_x, span_y = max(xs) - min(xs), max(ys) - min(ys)
        short, long_ = PAPERS[paper]
        plans = []
        for name, w, h in (("landscape", long_, short), ("portrait", short, long_)):
            if orientation not in (None, name):
                continue
            side_x, side_y, o = (w - 126) * scale / 1000, (h - 36) * scale / 1000, OVERLAP * scale / 1000
            count = [1 if span <= side else math.ceil((span - side) / (side - o) - 1e-9) + 1
                     for span, side in ((span_x, side_x), (span_y, side_y))]
            misfit = abs(math.log((span_x / span_y) / ((w - 126) / (h - 36))))
            plans.append((count[0] * count[1], misfit, name, count[0], count[1]))
        return min(plans)[2:]

    def sheets_of_dxf(self):
        """{number: (x0, y0, x1, y1)} of the sheets' outlines in Temp/Sheet.dxf."""
        doc = ezdxf.readfile(self.survey.path("Temp/Sheet.dxf"))
        boxes = [[tuple(v.dxf.location)[:2] for v in e.vertices]
                 for e in doc.modelspace().query("POLYLINE") if e.dxf.layer == "SHEETS"]
        names = [(e.dxf.text, tuple(e.dxf.insert)[:2]) for e in doc.modelspace().query("TEXT")
                 if e.dxf.layer == "SHEETS"]
        self.assertEqual(len(names), len(boxes))
        sheets = {}
        for text, (x, y) in names:  # each name at its outline's south-west corner
            box = min(boxes, key=lambda b: math.hypot(min(p[0] for p in b) - x, min(p[1] for p in b) - y))
            sheets[int(text.split()[1])] = (min(p[0] for p in box), min(p[1] for p in box),
                                           max(p[0] for p in box), max(p[1] for p in box))
        return sheets

    def check_soundings_on_pages(self, kept, scale, height=2.0, grid=None):
        """Every kept sounding well inside a sheet is found on that page at
        its place, each sounding-sized word on a page is a kept sounding at
        its place; returns the sheets each sounding was found on."""
        pages = pdf_pages(self.pdf)
        sheets = self.sheets_of_dxf()
        self.assertEqual(sorted(sheets), list(range(1, len(pages) + 1)))
        tolerance = 0.5 * PT
        word_height = (CAP + DESCENT) * height / CAP * PT
        found = [[] for _ in kept]
        for number, (width, page_height, words) in enumerate(pages, start=1):
            x0, y0, x1, y1 = sheets[number]
            m = Mapping(self, words, scale, grid)
            west, north = m.west()
            self.assertAlmostEqual(west, x0, delta=0.05 * scale / 1000)
            self.assertAlmostEqual(north, y1, delta=0.05 * scale / 1000)
            margin = 4 * scale / 1000  # a label's room, so that the frame cuts none of it
            by_text, kept_by_text = {}, {}
            for w in words:
                by_text.setdefault(w[4], []).append(w)
            for s in kept:
                kept_by_text.setdefault(label(s[2])[0], []).append(s)

            def at_place(w, x, y):  # the word centred on the sounding, the top of its figures H/2 above it
                return (abs((w[0] + w[2]) / 2 - m.u(x)) <= tolerance
                        and abs(w[1] - (m.v(y) - height / 2 * PT)) <= tolerance)
            for i, (x, y, z) in enumerate(kept):
                if not (x0 + margin < x < x1 - margin and y0 + margin < y < y1 - margin):
                    continue
                at = [w for w in by_text.get(label(z)[0], []) if at_place(w, x, y)]
                self.assertEqual(len(at), 1, "sounding %r on sheet %d: %r" % ((x, y, z), number, at))
                found[i].append(number)
            for w in words:
                if abs(w[3] - w[1] - word_height) > 0.05 * PT or not (MAP_LEFT * PT < w[0] < m.u(x1)):
                    continue
                near = [s for s in kept_by_text.get(w[4], []) if at_place(w, s[0], s[1])]
                self.assertEqual(len(near), 1, "a sounding-sized word %r on sheet %d is no sounding" % (w, number))
        return found


class OneSheet(SheetCase):
    """The survey (200 m x 140 m) on one A3 sheet at 1:1000."""

    def setUp(self):
        super().setUp()
        self.kept = self.sibling_soundings(1000.0)
        self.run = self.run_sheet(["--paper", "A3", "--title", "Harbour (east) \\ Caf\u00e9 7"])

    def test_the_page_the_soundings_and_the_title_block(self):
        count, sizes, info = page_sizes(self.pdf)
        self.assertEqual(self.expected_plan(self.kept, 1000.0, "A3"), ("landscape", 1, 1))
        self.assertEqual((count, len(sizes)), (1, 1))
        self.assertAlmostEqual(sizes[0][0], 420 * PT, delta=0.5)
        self.assertAlmostEqual(sizes[0][1], 297 * PT, delta=0.5)
        self.assertIn("PDF version:     1.4", info)
        self.assertIn("Title:           Harbour (east) \\ Caf\u00e9 7", info)
        fonts = poppler("pdffonts", self.pdf).decode()
        self.assertRegex(fonts, r"Helvetica\s+Type 1\s+WinAnsi\s+no\s+no\s+no")  # not embedded

        found = self.check_soundings_on_pages(self.kept, 1000.0, grid=100.0)
        self.assertTrue(all(f == [1] for f, (x, y, _) in zip(found, self.kept)
                            if 9541004 < x < 9541196 and 4707004 < y < 4707136))
        self.assertGreater(sum(1 for f in found if f), len(self.kept) * 0.9)

        text = page_text(self.pdf, 1)
        today = time.strftime("%Y-%m-%d", time.gmtime())
        for expected in ["Harbour (east) \\ Caf\u00e9 7", "Sheet 1 of 1", "Scale 1:1000",
                         "Depths in metres below the sounding datum", "Run " + today,
                         "Soundings: %d of %d" % (len(self.kept), len(self.read)),
                         "Contours every 1 m, major every 5 m",
                         "Grid : Transverse Mercator of the parameter line (meridian 27, scale 1)",
                         "False E : 9500113.804 False N : 122.463", "Grid lines every 100 m"]:
            self.assertIn(expected, text)

    def test_the_drawing_holds_the_siblings_soundings_and_contours(self):
        _, mine = drawing(self.survey.read("Temp/Sheet.dxf"))
        _, theirs = drawing(self.survey.read("Temp/Soundings.dxf"))
        self.assertEqual([e for e in mine if e[1].get(8) == "SOUNDINGS"], theirs)

        run = self.survey.run("survey_surface")
        self.assertEqual(run.returncode, 0, run)
        layers = ("CONTOUR", "CONTOUR_MAJOR")
        contours = polylines(self.survey.path("Temp/Contours.dxf"), layers)
        self.assertGreater(len(contours), 10)
        self.assertEqual(polylines(self.survey.path("Temp/Sheet.dxf"), layers), contours)

        # Each contour label on a major line of its level, off every sounding's box.
        model = Model(1000.0, 2.0, 0.5)
        boxes = [model.box(s) for s in self.kept]
        doc = ezdxf.readfile(self.survey.path("Temp/Sheet.dxf"))
        labels = [e for e in doc.modelspace().query("TEXT") if e.dxf.layer == "CONTOUR_LABEL"]
        self.assertGreater(len(labels), 3)
        for e in labels:
            (x, y, z), h, a = tuple(e.dxf.insert), e.dxf.height, math.radians(e.dxf.rotation)
            self.assertEqual(e.dxf.text, fixed(-z + 0.0, 1))
            self.assertEqual(z % 5, 0)
            self.assertAlmostEqual(h, 1.8 * 1000 / 1000)
            length = text_length(e.dxf.text, h)
            c, s = math.cos(a), math.sin(a)
            quad = [(x, y), (x + c * length, y + s * length), (x + c * length - s * h, y + s * length + c * h),
                    (x - s * h, y + c * h)]
            for b in boxes:
                self.assertFalse(quad_overlap(quad, [(b[0], b[1]), (b[2], b[1]), (b[2], b[3]), (b[0], b[3])]),
                                 (e.dxf.text, (x, y), b))
            middle = (x + c * length / 2 - s * h / 2, y + s * length / 2 + c * h / 2)
            lines = [pts for layer, _, level, pts in contours if layer == "CONTOUR_MAJOR" and level == z]
            near = min(segment_distance(middle, p, q) for pts in lines for p, q in zip(pts, pts[1:]))
            self.assertLess(near, 0.3 * h)

    def test_the_page_in_pixels(self):
        """pdftoppm: the map and the panel have ink; the contours' blue lies
        on Contours.dxf's lines and those lines are drawn."""
        run = self.survey.run("survey_surface")
        self.assertEqual(run.returncode, 0, run)
        contours = polylines(self.survey.path("Temp/Contours.dxf"), ("CONTOUR", "CONTOUR_MAJOR"))
        dpi = 150
        prefix = self.survey.path("page")
        poppler("pdftoppm", "-r", str(dpi), "-singlefile", self.pdf, prefix)
        with open(prefix + ".ppm", "rb") as f:
            magic, size, _, pixels = f.read().split(b"\n", 3)
        width, height = map(int, size.split())
        rgb = np.frombuffer(pixels[:width * height * 3], dtype=np.uint8).reshape(height, width, 3).astype(int)
        px = dpi / 25.4  # pixels a millimetre
        map_w, map_h = (420 - 126) * px, (297 - 36) * px
        left, top = int(MAP_LEFT * px), int(MAP_TOP * px)
        ink = rgb.sum(axis=2) < 600
        self.assertGreater(ink[top:top + int(map_h), left:left + int(map_w)].mean(), 0.01, "the map is blank")
        self.assertGreater(ink[:, int((420 - 100) * px):].mean(), 0.005, "the panel is blank")

        words = pdf_pages(self.pdf)[0][2]
        m = Mapping(self, words, 1000.0, 100.0)
        blue = (rgb[:, :, 2] - rgb[:, :, 0] > 60) & (rgb[:, :, 2] > 100)
        drawn = np.zeros(blue.shape, dtype=bool)
        samples, hits = 0, 0
        near_blue = ndimage.binary_dilation(blue, iterations=2)  # 0.34 mm
        for _, _, _, pts in contours:
            for (ax, ay), (bx, by) in zip(pts, pts[1:]):
                n = max(1, int(math.hypot(bx - ax, by - ay) * px))  # a point a pixel
                for t in np.linspace(0, 1, n + 1):
                    c = int(m.u(ax + t * (bx - ax)) / PT * px)
                    r = int(m.v(ay + t * (by - ay)) / PT * px)
                    if 0 <= r < height and 0 <= c < width:
                        drawn[r, c] = True
                        samples += 1
                        hits += near_blue[r, c]
        self.assertGreater(samples, 1000)
        self.assertGreater(hits / samples, 0.9, "contour lines without ink")  # less what soundings cover
        distance = ndimage.distance_transform_edt(~drawn) / px
        on_map = blue[top:top + int(map_h), left:left + int(map_w)]
        self.assertGreater(on_map.sum(), 1000)
        self.assertLess(np.percentile(distance[top:top + int(map_h), left:left + int(map_w)][on_map], 99.9), 1.5,
                        "blue ink away from the contours")

    def test_the_screen_and_the_first_sheet_as_svg(self):
        rows = [r.rstrip() for r in render(self.run.stdout)[0]]
        contours = len(polylines(self.survey.path("Temp/Sheet.dxf"), ("CONTOUR", "CONTOUR_MAJOR")))
        labels = sum(1 for e in ezdxf.readfile(self.survey.path("Temp/Sheet.dxf")).modelspace().query("TEXT")
                     if e.dxf.layer == "CONTOUR_LABEL")
        self.assertEqual(rows[2:20], [
            "      Survey Sheet - soundings, contours and grid at scale",
            "      ~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~", "",
            "      Read   PM/PointsCl.txt",
            "             PM/La_Lo_De.txt",
            "      Write  Temp/Sheet.pdf",
            "             Temp/Sheet.svg",
            "             Temp/Sheet.dxf", "",
            "      Scale     : 1:1000, grid every 100 m",
            "      Records   : %8d" % len(self.read),
            "      Soundings : %8d kept at 1:1000, 2 mm high, 0.5 mm apart" % len(self.kept),
            rows[14],
            "      Contours  : %8d lines, every 1 m, major every 5 m; %d labels" % (contours, labels),
            "      Sheets    :        1 of A3 landscape (1 x 1), 10 mm overlap", "", "",
            "      Press Enter ..."])
        self.assertRegex(rows[14], r"^      Surface   : \d+ triangles, \d+ trimmed \(edges over 50 m\)$")

        svg = self.survey.read("Temp/Sheet.svg").decode()
        self.assertRegex(svg, r'<svg [^>]*width="420.0mm" height="297.0mm" viewBox="0 0 420.0 297.0"')
        self.assertIn(">Harbour (east) \\ Caf\u00e9 7</text>", svg)
        # The soundings where the sheet's map puts them: the ground over the
        # scale from the map's corner at 18 mm, the whole metres centred on the
        # sounding, their baseline H/2 below it.
        x0, _, _, y1 = self.sheets_of_dxf()[1]
        texts = {(float(x), float(y), t) for x, y, t in re.findall(
            r'<text x="([\d.]+)" y="([\d.]+)" font-size="2.786" fill="#000000" text-anchor="middle">(\d+)</text>',
            svg) if float(x) < 420 - 108}  # on the map, not the legend's samples in the panel
        self.assertEqual(len(texts), len(self.kept))
        for x, y, z in self.kept:
            u, v = MAP_LEFT + (x - x0), MAP_TOP + (y1 - y) + 1.0
            self.assertTrue(any(abs(a - u) < 0.002 and abs(b - v) < 0.002 and t == label(z)[0] for a, b, t in texts),
                            (x, y, z))
        png = self.survey.path("sheet.png")
        subprocess.run(["rsvg-convert", "-w", "840", "-o", png, self.survey.path("Temp/Sheet.svg")], check=True,
                       timeout=WAIT)
        self.assertGreater(os.path.getsize(png), 10000)


class ManySheets(SheetCase):
    def test_a_survey_larger_than_a3_at_1_to_500(self):
        kept = self.sibling_soundings(500.0)
        run = self.run_sheet(["--scale", "500", "--paper", "A3"])
        orientation, columns, rows = self.expected_plan(kept, 500.0, "A3")
        self.assertGreater(columns * rows, 1)
        count, sizes, _ = page_sizes(self.pdf)
        self.assertEqual(count, columns * rows)
        w, h = PAPERS["A3"][::-1] if orientation == "landscape" else PAPERS["A3"]
        for size in sizes:
            self.assertAlmostEqual(size[0], w * PT, delta=0.5)
            self.assertAlmostEqual(size[1], h * PT, delta=0.5)
        self.assertIn("Sheets    : %8d of A3 %s (%d x %d), 10 mm overlap" % (count, orientation, columns, rows),
                      [r.rstrip()[6:] for r in render(run.stdout)[0]][16])

        found = self.check_soundings_on_pages(kept, 500.0, grid=50.0)
        self.assertEqual([i for i, f in enumerate(found) if not f], [], "soundings on no sheet")
        self.assertTrue(any(len(f) > 1 for f in found), "no sounding in an overlap")

        # The sheets as the pages' grid labels place them: west to east, south
        # to north, the next one 10 mm of paper short of a map further on.
        pages = pdf_pages(self.pdf)
        corners = [Mapping(self, words, 500.0, 50.0).west() for _, _, words in pages]
        step_x, step_y = (w - 126 - OVERLAP) * 0.5, (h - 36 - OVERLAP) * 0.5
        for k, (x, y) in enumerate(corners):
            column, row = k % columns, k // columns
            self.assertAlmostEqual(x - corners[0][0], column * step_x, delta=0.02)
            self.assertAlmostEqual(y - corners[0][1], row * step_y, delta=0.02)
            self.assertIn("Sheet %d of %d" % (k + 1, count), page_text(self.pdf, k + 1))
        # pdftoppm: no page blank.
        prefix = self.survey.path("page")
        poppler("pdftoppm", "-r", "20", "-gray", self.pdf, prefix)
        for k in range(count):
            name = "%s-%d.pgm" % (prefix, k + 1)
            with open(name, "rb") as f:
                _, size, _, pixels = f.read().split(b"\n", 3)
            self.assertGreater((np.frombuffer(pixels, dtype=np.uint8) < 128).mean(), 0.005, name)

    def test_papers_and_orientations(self):
        # (options, paper, orientation): the page's size on every page.
        cases = [([], "A1", "landscape"), (["--paper", "a4"], "A4", None),
                 (["--paper", "A4", "--orientation", "portrait"], "A4", "portrait"),
                 (["--paper", "A2", "--orientation", "landscape", "--scale", "250"], "A2", "landscape")]
        for args, paper, orientation in cases:
            with self.subTest(args=args):
                scale = float(args[args.index("--scale") + 1]) if "--scale" in args else 1000.0
                kept = self.sibling_soundings(scale)
                self.run_sheet(args)
                want = self.expected_plan(kept, scale, paper, orientation)
                count, sizes, _ = page_sizes(self.pdf)
                self.assertEqual(count, want[1] * want[2])
                w, h = PAPERS[paper][::-1] if want[0] == "landscape" else PAPERS[paper]
                for size in sizes:
                    self.assertAlmostEqual(size[0], w * PT, delta=0.5)
                    self.assertAlmostEqual(size[1], h * PT, delta=0.5)


class Calls(SurveyCase):
    def test_wrong_calls_stop_before_any_output(self):
        self.survey.write("PM/PointsCl.txt", b"1 2 -3\r\n4 5 -6\r\n7 1 -2\r\n")
        for args in (["--scale", "0"], ["--scale", "x"], ["--paper", "B1"], ["--orientation", "upright"],
                     ["--height", "-1"], ["--spacing", "-0.5"], ["--major", "2.5"], ["--interval", "0"],
                     ["--max-edge", "0.001"], ["--grid-interval", "5"], ["--grid-interval", "0"],
                     ["--points"], ["--paper=A9"], ["--size", "3"]):
            with self.subTest(args=args):
                run = self.survey.run("survey_sheet", args=args)
                self.assertEqual(run.returncode, 1, run)
                self.assertIn(b"usage: survey_sheet", run.stderr)
                self.assertFalse(os.path.exists(self.survey.path("Temp/Sheet.pdf")))

    def test_stops_and_a_sheet_without_a_surface(self):
        # (points, options, exit status, what the standard error says)
        cases = [(None, [], 1, b"PM/PointsCl.txt is missing: run echo_clean2 first"),
                 (b"1 2 -3\r\n4 5 nan\r\n", [], 1, b"record 2: a position or height that is not a finite number"),
                 (b"", [], 1, b"no points, so no sheet to draw"),
                 (b"1 2 -3\r\n1e13 5 -6\r\n", [], 1, b"record 2: a position beyond 1e12 m"),
                 (b"".join(b"%d %d -%d\r\n" % (10 * (i % 20), 10 * (i // 20), 3 + i % 7) for i in range(400)),
                  ["--scale", "20", "--paper", "A4"], 1, b"more than 1000; give a smaller scale"),
                 (b"0 0 -3\r\n40 0 -14\r\n20 30 -25\r\n", ["--scale", "0.000001"], 1, b"more than 1000")]
        for points, args, status, said in cases:
            with self.subTest(points=points, args=args):
                if points is None:
                    if os.path.exists(self.survey.path("PM/PointsCl.txt")):
                        os.remove(self.survey.path("PM/PointsCl.txt"))
                else:
                    self.survey.write("PM/PointsCl.txt", points)
                run = self.survey.run("survey_sheet", args=args)
                self.assertEqual(run.returncode, status, run)
                self.assertIn(said, run.stderr)
                self.assertFalse(os.path.exists(self.survey.path("Temp/Sheet.pdf")))
        # Soundings along one line make no surface, but a sheet of soundings.
        self.survey.write("PM/PointsCl.txt", b"".join(b"%d.00 100.00 -%d.40\r\n" % (10 * i, 3 + i) for i in range(8)))
        run = self.survey.run("survey_sheet")
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        rows = [r.rstrip() for r in render(run.stdout)[0]]
        self.assertEqual(rows[14], "      Surface   : none, all positions on one line: no contours")
        text = page_text(self.survey.path("Temp/Sheet.pdf"), 1)
        for depth in range(3, 11):
            self.assertRegex(text, r"\b%d4\b" % depth)  # the whole metres and the decimal

    def test_the_grid_in_the_title_block(self):
        """The survey folder's grid (survey_rt's survey_grid.h): PM/Grid.txt's,
        else the chain's own Transverse Mercator of PM/La_Lo_De.txt."""
        # (the parameter line of PM/La_Lo_De.txt or None for no file, PM/Grid.txt or None,
        #  the file the screen names, what the title block says)
        chain = "Grid : Transverse Mercator of the parameter line (meridian %s, scale %s) Transverse Mercator "
        cases = [(None, None, "", ["Grid : not stated (no PM/Grid.txt, no PM/La_Lo_De.txt to read)"]),
                 (b"27.0 1.0 0.0 0.5 1.0 0.0 ", None, "PM/La_Lo_De.txt",
                  [chain % ("27", "1") + "Meridian : 27 Scale : 1 Origin : 0 False E : 9500113.804 "
                   "False N : 122.463 Ellipsoid : WGS84"]),
                 (b"24 1.00 0.0 0.5 1.0 0.0 ", None, "PM/La_Lo_De.txt",
                  [chain % ("24", "1"), "Origin : 0 False E : -999995.235 False N : 0.698"]),
                 (b"\t27.5  0.9996 0 0 1 0", None, "PM/La_Lo_De.txt",
                  [chain % ("27.5", "0.9996"), "False E : 0 False N : 0"]),
                 (b"27.0", None, "", ["Grid : not stated"]),  # a parameter line that cannot be read
                 (b"27.0 1.0 0.0 0.5 1.0 0.0 ", b"Grid: UTM 35N\r\n", "PM/Grid.txt",
                  ["Grid : WGS 84 / UTM zone 35N (EPSG:32635) Transverse Mercator Meridian : 27 Scale : 0.9996 "
                   "Origin : 0 False E : 500000 False N : 0"]),
                 (None, b"Grid: UTM 61N\r\n", None, [b"survey_sheet: PM/Grid.txt, line 1: "])]
        self.survey.write("PM/PointsCl.txt", b"0 0 -3\r\n40 0 -4\r\n20 30 -5\r\n")
        for line, grid, shown, said in cases:
            with self.subTest(line=line, grid=grid):
                for name, data in (("PM/La_Lo_De.txt", line), ("PM/Grid.txt", grid), ("Temp/Sheet.pdf", None)):
                    if os.path.exists(self.survey.path(name)):
                        os.remove(self.survey.path(name))
                    if data is not None:
                        self.survey.write(name, LA_LO_DE.split(b"\r\n")[0] + b"\r\n" + b"-" * 62 + b"\r\n" +
                                          data + b"\r\n" if name.endswith("De.txt") else data)
                run = self.survey.run("survey_sheet", args=["--paper", "A4"])
                if shown is None:  # a grid file that gives no grid ends the tool before any output
                    self.assertEqual(run.returncode, 1, run)
                    self.assertIn(said[0], run.stderr)
                    self.assertFalse(os.path.exists(self.survey.path("Temp/Sheet.pdf")))
                    continue
                self.assertEqual((run.returncode, run.stderr), (0, b""), run)
                text = page_text(self.survey.path("Temp/Sheet.pdf"), 1)
                for piece in said:
                    self.assertIn(piece, text)
                rows = [r.rstrip() for r in render(run.stdout)[0]]
                self.assertEqual(rows[6], ("             " + shown) if shown else "")

if __name__ == "__main__":
    unittest.main()
