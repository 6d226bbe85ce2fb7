#!/usr/bin/env python3
"""survey_surface against independent models: the TIN against scipy's Delaunay
triangulation (Qhull) of the same positions, the grid against scipy's linear
interpolation on it, the contours (read by ezdxf) on their levels of that
interpolation, the LandXML surface parsed as XML; the drawings opened by
LibreCAD, the picture drawn by rsvg-convert; the trimming, and the inputs
that give no surface."""

import os
import random
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET

import ezdxf
import numpy as np
from scipy.spatial import Delaunay

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from survey_test import WAIT, SurveyCase  # noqa: E402

OUTPUTS = ["Temp/Contours.dxf", "Temp/Tin.dxf", "Temp/Surface.xml", "Temp/Surface.asc", "Temp/Surface.svg"]
LANDXML = "{http://www.landxml.org/schema/LandXML-1.2}"


def seabed(x, y):
    return -15 + 3 * np.sin(x / 40.0) + 2 * np.cos(y / 30.0)


def points_txt(records):
    return b"".join(b"%.2f %.2f %.2f\r\n" % r for r in records)


def random_survey(n, seed):
    """n positions on the centimetre in 200 m x 150 m (general position in
    practice), heights of a smooth seabed with two decimals."""
    rnd = random.Random(seed)
    cells = rnd.sample(range(20000 * 15000), n)
    xy = [(500000 + (c % 20000) / 100.0, 4000000 + (c // 20000) / 100.0) for c in cells]
    return [(x, y, round(float(seabed(x - 500000, y - 4000000)), 2)) for x, y in xy]


def read_grid(data):
    lines = data.decode("ascii").split("\r\n")
    header = {line.split()[0]: line.split()[1] for line in lines[:6]}
    rows = [[float(v) for v in line.split(" ")] for line in lines[6:] if line]
    return header, np.array(rows)


class AgainstScipy(SurveyCase):
    """600 random positions, 20 of them given twice with a deeper z first."""

    def setUp(self):
        super().setUp()
        self.records = random_survey(600, 11)
        deeper = [(x, y, z - 1.5) for x, y, z in self.records[:20]]
        self.survey.write("PM/PointsCl.txt", points_txt(deeper + self.records))
        self.run_result = self.survey.run("survey_surface", b"\n", args=[
            "--max-edge", "100000", "--interval", "0.5", "--major", "4", "--cell", "2"])
        self.assertEqual(self.run_result.returncode, 0, self.run_result)
        self.xy = np.array([(x, y) for x, y, _ in self.records])
        self.z = np.array([z for _, _, z in self.records])
        # Qhull works in floating point: near the origin it keeps the digits
        # that decide the Delaunay property of positions a centimetre apart.
        self.origin = self.xy.min(axis=0)
        self.tri = Delaunay(self.xy - self.origin)

    def height(self, x, y, tol=None):
        """The linear interpolation on scipy's triangles (NaN outside them;
        with tol, points that far outside a triangle's edge count as on it)."""
        p = np.stack([np.ravel(x) - self.origin[0], np.ravel(y) - self.origin[1]], axis=1)
        s = self.tri.find_simplex(p, tol=tol)
        b = np.einsum("nij,nj->ni", self.tri.transform[s, :2], p - self.tri.transform[s, 2])
        w = np.concatenate([b, 1 - b.sum(axis=1, keepdims=True)], axis=1)
        h = (w * self.z[self.tri.simplices[s]]).sum(axis=1)
        h[s < 0] = np.nan
        return h.reshape(np.shape(x))

    def dxf(self, name):
        return ezdxf.readfile(self.survey.path(name))

    def test_screen_counts_records_merged_and_triangles(self):
        r = self.run_result
        self.assertEqual(r.counter("Records   : "), 620)
        self.assertEqual(r.counter("Merged    : "), 20)
        self.assertEqual(r.counter("Vertices  : "), 600)
        self.assertEqual(r.counter("Triangles : "), len(self.tri.simplices))
        self.assertEqual(r.counter("Trimmed   : "), 0)

    def test_triangles_are_scipys_and_keep_the_shallowest_z(self):
        faces = [e for e in self.dxf("Temp/Tin.dxf").modelspace() if e.dxftype() == "3DFACE"]
        ours = set()
        heights = {(round(x, 2), round(y, 2)): z for x, y, z in self.records}
        for f in faces:
            self.assertEqual(f.dxf.layer, "TIN")
            corners = [f.dxf.vtx0, f.dxf.vtx1, f.dxf.vtx2]
            self.assertEqual(tuple(f.dxf.vtx3), tuple(f.dxf.vtx2))
            for c in corners:
                self.assertEqual(c[2], heights[(round(c[0], 2), round(c[1], 2))])  # never the deeper one
            ours.add(frozenset((round(c[0], 2), round(c[1], 2)) for c in corners))
        theirs = {frozenset((round(self.xy[i][0], 2), round(self.xy[i][1], 2)) for i in s)
                  for s in self.tri.simplices}
        self.assertEqual(len(faces), len(theirs))
        self.assertEqual(ours, theirs)

    def test_grid_is_the_linear_interpolation_at_cell_centres(self):
        header, grid = read_grid(self.survey.read("Temp/Surface.asc"))
        cell, x0, y0 = float(header["cellsize"]), float(header["xllcorner"]), float(header["yllcorner"])
        self.assertEqual(cell, 2)
        self.assertEqual((x0 % 2, y0 % 2), (0, 0))
        self.assertEqual(header["NODATA_value"], "-9999")
        self.assertEqual(grid.shape, (int(header["nrows"]), int(header["ncols"])))
        rows, cols = grid.shape
        ys = y0 + (rows - 1 - np.arange(rows) + 0.5) * cell
        xs = x0 + (np.arange(cols) + 0.5) * cell
        gx, gy = np.meshgrid(xs, ys)
        expected = self.height(gx, gy)
        inside = ~np.isnan(expected)
        self.assertGreater(inside.sum(), rows * cols * 0.8)
        np.testing.assert_array_equal(grid[~inside], -9999)
        np.testing.assert_allclose(grid[inside], expected[inside], atol=0.0005 + 1e-9)
        self.assertLessEqual(xs[0] - cell / 2, self.xy[:, 0].min())
        self.assertGreaterEqual(xs[-1] + cell / 2, self.xy[:, 0].max())

    def test_contours_lie_on_their_levels_and_major_ones_are_labelled(self):
        doc = self.dxf("Temp/Contours.dxf")
        lines = [e for e in doc.modelspace() if e.dxftype() == "POLYLINE"]
        labels = [e for e in doc.modelspace() if e.dxftype() == "TEXT"]
        levels = set()
        for line in lines:
            level = line.dxf.elevation[2]
            levels.add(level)
            self.assertFalse(line.is_3d_polyline)
            self.assertEqual(line.dxf.layer, "CONTOUR_MAJOR" if level % 2 == 0 else "CONTOUR")
            points = np.array([(v.dxf.location[0], v.dxf.location[1]) for v in line.vertices])
            np.testing.assert_allclose(self.height(points[:, 0], points[:, 1], 1e-9), level, atol=1e-6)
            if line.dxf.layer == "CONTOUR_MAJOR":
                text = "%.1f" % -level
                self.assertTrue(any(t.dxf.text == text and t.dxf.layer == "CONTOUR_MAJOR" for t in labels), text)
        low, high = self.z.min(), self.z.max()
        expected = {k * 0.5 for k in range(int(np.floor(low * 2)) + 1, int(np.ceil(high * 2)))}
        self.assertEqual(levels, expected)
        self.assertEqual(doc.header["$ACADVER"], "AC1009")

    def test_landxml_holds_the_tin_as_northing_easting_elevation(self):
        root = ET.parse(self.survey.path("Temp/Surface.xml")).getroot()
        self.assertEqual(root.tag, LANDXML + "LandXML")
        self.assertEqual(root.get("version"), "1.2")
        surfaces = root.findall("%sSurfaces/%sSurface" % (LANDXML, LANDXML))
        self.assertEqual(len(surfaces), 1)
        definition = surfaces[0].find(LANDXML + "Definition")
        self.assertEqual(definition.get("surfType"), "TIN")
        pnts = definition.findall("%sPnts/%sP" % (LANDXML, LANDXML))
        faces = definition.findall("%sFaces/%sF" % (LANDXML, LANDXML))
        self.assertEqual(len(pnts), 600)
        self.assertEqual(len(faces), len(self.tri.simplices))
        at = {}
        for p in pnts:
            n, e, z = (float(v) for v in p.text.split())
            at[p.get("id")] = (e, n)
            self.assertIn((e, n, z), set(self.records))
        theirs = {frozenset((round(self.xy[i][0], 2), round(self.xy[i][1], 2)) for i in s)
                  for s in self.tri.simplices}
        self.assertEqual({frozenset(at[i] for i in f.text.split()) for f in faces}, theirs)

    def test_librecad_prints_both_drawings(self):
        for name in ["Contours", "Tin"]:
            with self.subTest(name):
                pixels = self.printed_page(self.survey.path("Temp/%s.dxf" % name))
                self.assertGreater(sum(1 for b in pixels if b < 200), 50, "a blank page")  # green is light in grey

    def test_picture_parses_and_renders(self):
        ET.parse(self.survey.path("Temp/Surface.svg"))
        p = subprocess.run(["rsvg-convert", self.survey.path("Temp/Surface.svg")], capture_output=True,
                           timeout=WAIT)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(p.stdout[:8], b"\x89PNG\r\n\x1a\n")


class Trimming(SurveyCase):
    def test_no_kept_edge_over_the_limit_and_the_limit_on_the_screen(self):
        # Two survey areas of lines 20 m apart, 300 m between them.
        rnd = random.Random(4)
        records = [(x0 + s + rnd.random() * 0.3, 1000 + 20 * line, -10 - line - s / 50.0)
                   for x0 in (0, 400) for line in range(4) for s in range(0, 100, 2)]
        self.survey.write("PM/PointsCl.txt", points_txt(records))
        run = self.survey.run("survey_surface", b"\n", args=["--max-edge=25"])
        self.assertEqual(run.returncode, 0, run)
        self.assertIn(b"Max. edge : 25.0 m", run.stdout)
        self.assertGreater(run.counter("Trimmed   : "), 0)
        faces = [e for e in ezdxf.readfile(self.survey.path("Temp/Tin.dxf")).modelspace()]
        self.assertEqual(len(faces), run.counter("Triangles : "))
        for f in faces:
            c = [f.dxf.vtx0, f.dxf.vtx1, f.dxf.vtx2]
            for i in range(3):
                self.assertLessEqual(np.hypot(c[i][0] - c[i - 1][0], c[i][1] - c[i - 1][1]), 25)
        # The picture's outline: one path of two closed loops.
        root = ET.parse(self.survey.path("Temp/Surface.svg")).getroot()
        outline = [p for p in root.iter("{http://www.w3.org/2000/svg}path") if 'stroke="#000000"' in
                   ET.tostring(p).decode() and 'stroke-width="1"' in ET.tostring(p).decode() and
                   p.get("fill") == "none"]
        self.assertEqual(len(outline), 1)
        self.assertEqual(outline[0].get("d").count("M"), 2)


class LineSpacing(SurveyCase):
    """Survey lines 100 m apart under the default --max-edge of 50 m: most
    triangles trimmed, and the screen names the median length of the edges
    over 50 m, scipy's Delaunay edges' median; 40 m apart, no word of it."""

    def test_the_median_long_edge_when_over_a_third_is_trimmed(self):
        from cleaning import render
        rnd = random.Random(8)
        for spacing, warned in ((100, True), (40, False)):
            with self.subTest(spacing=spacing):
                records = [(500000 + s + round(rnd.random() * 0.4, 2), 4000000 + spacing * k + round(rnd.random(), 2),
                            -10.0 - k) for k in range(5) for s in range(0, 400, 5)]
                self.survey.write("PM/PointsCl.txt", points_txt(records))
                run = self.survey.run("survey_surface", b"\n")
                self.assertEqual(run.returncode, 0, run)
                xy = np.array([(x, y) for x, y, _ in records]) - [500000, 4000000]
                tri = Delaunay(xy)
                edges = {tuple(sorted((s[i], s[(i + 1) % 3]))) for s in tri.simplices for i in range(3)}
                lengths = sorted(np.hypot(*(xy[a] - xy[b])) for a, b in edges)
                long = [d for d in lengths if d > 50]
                trimmed = sum(1 for s in tri.simplices
                              if max(np.hypot(*(xy[s[i]] - xy[s[(i + 1) % 3]])) for i in range(3)) > 50)
                row = render(run.stdout)[0][17].rstrip()
                self.assertEqual(run.counter("Trimmed   : "), trimmed)
                self.assertEqual(trimmed * 3 > len(tri.simplices), warned)
                if warned:
                    self.assertEqual(row, "      Trimmed   : %8d  %d %%; median of the edges over 50.0 m: %.1f m" % (
                        trimmed, round(100 * trimmed / len(tri.simplices)), long[(len(long) - 1) // 2]))
                    self.assertGreater(long[(len(long) - 1) // 2], 99)
                else:
                    self.assertEqual(row, "      Trimmed   : %8d" % trimmed)


class RidgeAtALevel(SurveyCase):
    """Soundings exactly at -9 along a ridge with deeper water all round
    bound no area at -9: no contour there, whether the ridge has two vertices
    or three; the shoal at (100, 0) keeps its closed line."""

    def test_both_ridge_shapes(self):
        deeper = [(x, y, -12.0) for x in range(-25, 136, 10) for y in (-20, -8, 8, 20)] + [(100, 0, -5.0)]
        for ridge in ([(0, 0), (10, 1), (20, 0)], [(0, 0), (10, 1)]):
            with self.subTest(ridge=ridge):
                self.survey.write("PM/PointsCl.txt", points_txt(deeper + [(x, y, -9.0) for x, y in ridge]))
                run = self.survey.run("survey_surface", b"\n", args=["--max-edge", "1000"])
                self.assertEqual(run.returncode, 0, run)
                lines = [e for e in ezdxf.readfile(self.survey.path("Temp/Contours.dxf")).modelspace()
                         if e.dxftype() == "POLYLINE" and e.dxf.elevation[2] == -9]
                self.assertEqual(len(lines), 1)
                self.assertTrue(lines[0].is_closed)
                self.assertTrue(all(v.dxf.location[0] > 90 for v in lines[0].vertices))


class NoSurface(SurveyCase):
    """Inputs that give no surface stop with exit 1 and write nothing."""

    def test_table(self):
        line = [(float(i), 2.0 * i, -5.0) for i in range(10)]
        cases = [
            ("missing", None, [], b"run echo_clean2"),
            ("two points", [(0, 0, -1), (5, 5, -2)], [], b"2 distinct positions"),
            ("repeated", [(0, 0, -1), (5, 5, -2), (0.001, 0, -3)], [], b"2 distinct positions"),
            ("one line", line + [(4.004, 8.0, -3)], [], b"lie on one straight line"),
            ("all trimmed", [(0, 0, -1), (50, 0, -2), (0, 50, -3)], ["--max-edge", "10"], b"give a longer --max-edge"),
            ("nan", [(0, 0, -1), (1, 0, float("nan")), (0, 1, -3)], [], b"record 2: "),
            ("huge", [(0, 0, -1), (1, 0, -2), (0, 2e12, -3)], [], b"record 3: "),
            ("option", [(0, 0, -1), (1, 0, -2), (0, 1, -3)], ["--interval", "0"], b"--interval wants"),
        ]
        for name, records, args, said in cases:
            with self.subTest(name):
                for out in OUTPUTS + ["PM/PointsCl.txt"]:
                    if os.path.exists(self.survey.path(out)):
                        os.remove(self.survey.path(out))
                if records is not None:
                    self.survey.write("PM/PointsCl.txt", points_txt(records).replace(b"nan", b"Nan"))
                run = self.survey.run("survey_surface", b"\n", args=args)
                self.assertEqual(run.returncode, 1, run)
                self.assertIn(said, run.stderr)
                for out in OUTPUTS:
                    self.assertFalse(os.path.exists(self.survey.path(out)), out)

    def test_three_points_make_one_triangle_and_text_stops_at_run_time(self):
        self.survey.write("PM/Points.txt", points_txt([(0, 0, -1), (10, 0, -2), (0, 10, -3.5)]))
        run = self.survey.run("survey_surface", b"\n", args=["--points", "PM/Points.txt"])
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(run.counter("Triangles : "), 1)
        self.assertEqual(run.counter("Contours  : "), 2)  # -3 and -2: strictly between -3.5 and -1
        self.survey.write("PM/Points.txt", b"1 2 3\r\n4 five 6\r\n")
        self.assert_runtime_error(self.survey.run("survey_surface", b"\n", args=["--points", "PM/Points.txt"]), 106)


if __name__ == "__main__":
    unittest.main()
