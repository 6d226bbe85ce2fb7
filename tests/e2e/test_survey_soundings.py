#!/usr/bin/env python3
"""survey_soundings: the shoal-biased selection against a brute-force model
(every kept box against every other, every dropped sounding against every kept
one, and the whole greedy selection redone pair by pair) on random and
survey-like soundings at several scales; a pinnacle, a flat seabed, drying
heights, ties; the labels as the docs give them in the list, the drawing, the
script and the sheet; the script drawn by scr2dxf gives the drawing's texts;
LibreCAD prints the drawing with its labels where the list puts them; bad
calls and an empty list.

The label boxes are computed here from docs/survey_soundings.md (the width
rule), with the same double arithmetic in the same order as the docs write it,
so that boxes that only touch touch here too; labels round as
cleaning.fixed writes numbers."""

import math
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import numpy as np
from scipy import ndimage

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import fixed, render  # noqa: E402
from survey_test import WAIT, SurveyCase  # noqa: E402
from test_scr2dxf import at, dxf_drawing, dxf_pairs, script_lines  # noqa: E402


def points_file(records):
    """x y z lines with two decimals, CR LF after each; the records as read
    back from that text."""
    text = "".join("%s %s %s\r\n" % tuple(fixed(v, 2) for v in r) for r in records)
    return text.encode(), [tuple(float(fixed(v, 2)) for v in r) for r in records]


def drawing(data):
    """(layers, entities) of an R12 drawing with a LAYER table: the names of
    its layers and [(type, {code: value})] of its ENTITIES."""
    pairs = dxf_pairs(data)
    layers = [v for (c0, v0), (c, v) in zip(pairs, pairs[1:]) if (c0, v0) == (0, "LAYER") and c == 2]
    start = pairs.index((2, "ENTITIES")) + 1
    end = pairs.index((0, "ENDSEC"), start)
    assert pairs[end:] == [(0, "ENDSEC"), (0, "EOF")], pairs[end:]
    entities = []
    for code, value in pairs[start:end]:
        if code == 0:
            entities.append((value, {}))
        else:
            entities[-1][1][code] = value
    return layers, entities


def label(z):
    """(whole metres, digit, drying) of the label of height z."""
    drying = z > 0
    text = fixed(z if drying else -z + 0.0, 1)
    whole, digit = text.split(".")
    return whole, digit, drying


class Model:
    """The boxes of docs/survey_soundings.md for a scale N, text height H mm
    and spacing S mm."""

    def __init__(self, scale=1000.0, height=2.0, spacing=0.5):
        self.h = height * scale / 1000
        self.half = 0.8 * self.h / 2
        self.digit = 0.8 * 0.6 * self.h
        self.grow = spacing / 2 * scale / 1000

    def box(self, r):
        x, y, z = r
        n = len(label(z)[0])
        return (x - (n * self.half + self.grow), y - (0.8 * self.h + self.grow),
                x + (n * self.half + self.digit + self.grow), y + (0.5 * self.h + self.grow))

    def boxes(self, records):
        return np.array([self.box(r) for r in records]).reshape(-1, 4)

    def select(self, records):
        """The greedy selection, shoalest first, ties in file order, each
        sounding against every box kept before it; the indices kept, in
        file order."""
        boxes = self.boxes(records)
        kept = []
        for i in sorted(range(len(records)), key=lambda i: (-records[i][2], i)):
            if not kept or not overlaps(boxes[i], boxes[kept]).any():
                kept.append(i)
        return sorted(kept)


def overlaps(box, boxes):
    """Which of boxes share more than an edge with box."""
    return ((box[0] < boxes[:, 2]) & (boxes[:, 0] < box[2]) &
            (box[1] < boxes[:, 3]) & (boxes[:, 1] < box[3]))


def survey_like(rng, n_lines=8, length=120.0, step=0.3):
    """Lines 8 m apart with a sounding every 0.3 m, a sloping seabed with
    waves, a shoal that dries, and noise."""
    records = []
    for k in range(n_lines):
        for i in range(int(length / step)):
            x = 5000.0 + (i * step if k % 2 == 0 else length - i * step) + rng.uniform(-0.05, 0.05)
            y = 9000.0 + 8.0 * k + rng.uniform(-0.3, 0.3)
            shoal = 14.0 * math.exp(-((x - 5060) ** 2 + (y - 9030) ** 2) / 200.0)
            z = -(12.0 - x / 5000.0 + 0.5 * math.sin(x / 7.0)) + shoal + rng.uniform(-0.05, 0.05)
            records.append((x, y, z))
    return records


class Selection(SurveyCase):
    def run_tool(self, records, args=()):
        data, read = points_file(records)
        self.survey.write("PM/PointsCl.txt", data)
        run = self.survey.run("survey_soundings", args=args)
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        return read, run

    def kept(self, read):
        """The indices of PM/Soundings.txt's lines in the records, matched
        in file order."""
        lines = self.survey.read("PM/Soundings.txt").decode().split("\r\n")
        self.assertEqual(lines[-1], "")
        texts = ["%s %s %s" % tuple(fixed(v, 2) for v in r) for r in read]
        found, i = [], 0
        for line in lines[:-1]:
            while i < len(texts) and texts[i] != line:
                i += 1
            self.assertLess(i, len(texts), "%r is no record after the ones before it" % line)
            found.append(i)
            i += 1
        return found

    def check_guarantees(self, model, read, kept):
        boxes = model.boxes(read)
        kb = boxes[kept]
        for j, i in enumerate(kept):
            others = np.delete(kb, j, axis=0)
            self.assertFalse(overlaps(boxes[i], others).any(), "kept %d overlaps a kept box" % i)
        kz = np.array([read[i][2] for i in kept])
        for i in sorted(set(range(len(read))) - set(kept)):
            covered = overlaps(boxes[i], kb) & (kz >= read[i][2])
            self.assertTrue(covered.any(), "dropped %d has no kept box as shallow over it" % i)

    def test_both_guarantees_and_the_model(self):
        rng = random.Random(23)
        square = [(rng.uniform(0, 80), rng.uniform(0, 80), -rng.uniform(0, 25)) for _ in range(3000)]
        # Whole and half metres: boxes that only touch, and many equal depths.
        grid = [(rng.randrange(0, 60) * 0.5, rng.randrange(0, 60) * 0.5, -rng.randrange(0, 8)) for _ in range(1500)]
        cases = [("random", square, 1000.0, 2.0, 0.5), ("random", square, 500.0, 2.5, 0.0),
                 ("grid", grid, 1000.0, 2.0, 0.0), ("grid", grid, 1250.0, 1.6, 0.8),
                 ("survey", survey_like(rng), 1000.0, 2.0, 0.5),
                 ("survey", survey_like(rng), 2500.0, 1.8, 0.5)]
        for name, records, scale, height, spacing in cases:
            with self.subTest(name, scale=scale, height=height, spacing=spacing):
                read, run = self.run_tool(records, ["--scale", repr(scale), "--height", repr(height),
                                                    "--spacing", repr(spacing)])
                model = Model(scale, height, spacing)
                kept = self.kept(read)
                self.assertGreater(len(kept), 10)
                self.assertLess(len(kept), len(read))
                self.check_guarantees(model, read, kept)
                self.assertEqual(kept, model.select(read))
                self.assertEqual(run.counter("Kept      : "), len(kept))
                self.assertEqual(run.counter("Soundings : "), len(read))

    def test_a_pinnacle_among_deep_soundings_is_kept(self):
        rng = random.Random(5)
        records = [(rng.uniform(0, 30), rng.uniform(0, 30), -rng.uniform(20, 22)) for _ in range(2000)]
        records.insert(1234, (15.0, 15.0, -3.2))
        read, _ = self.run_tool(records)
        kept = self.kept(read)
        self.assertIn(1234, kept)
        model = Model()
        pinnacle = model.box(read[1234])
        self.assertFalse(overlaps(pinnacle, model.boxes([read[i] for i in kept if i != 1234])).any())

    def test_a_flat_seabed_gives_an_even_spread(self):
        # A sounding every 0.25 m over 40 m by 40 m, all 10.00 m deep: in file
        # order (row by row) the kept ones form a lattice.
        records = [(i * 0.25, j * 0.25, -10.0) for j in range(161) for i in range(161)]
        read, _ = self.run_tool(records)
        kept = [read[i] for i in self.kept(read)]
        rows = sorted({y for _, y, _ in kept})
        columns = sorted({x for x, _, _ in kept})
        self.assertGreater(len(rows), 5)
        self.assertGreater(len(columns), 5)
        self.assertEqual(len(kept), len(rows) * len(columns), "not every row has the same columns")
        for values in (rows, columns):
            self.assertEqual(len({round(b - a, 6) for a, b in zip(values, values[1:])}), 1, values)
        model = Model()
        column_step, row_step = columns[1] - columns[0], rows[1] - rows[0]
        box = model.box((0, 0, -10.0))
        # The least step of the lattice at which the grown boxes clear each other.
        self.assertEqual(column_step, math.ceil((box[2] - box[0]) / 0.25) * 0.25)
        self.assertEqual(row_step, math.ceil((box[3] - box[1]) / 0.25) * 0.25)

    def test_ties_keep_the_first_in_file_order_and_the_depth_as_read_decides(self):
        # (records, the kept ones' indices)
        cases = [([(0, 0, -5.0), (1, 0, -5.0), (0.5, 0.5, -5.0)], [0]),
                 ([(1, 0, -5.0), (0, 0, -5.0)], [0]),
                 ([(0, 0, -12.34), (1, 0, -12.30)], [1]),   # the same label 12.3
                 ([(0, 0, -12.30), (0.5, 0, -12.34)], [0]),
                 ([(0, 0, -7.0), (100, 0, -7.0)], [0, 1])]
        for records, expected in cases:
            with self.subTest(records=records):
                read, _ = self.run_tool(records)
                self.assertEqual(self.kept(read), expected)


class Labels(SurveyCase):
    # (z, whole, digit, drying): the labels of soundings far apart.
    CASES = [(-12.34, "12", "3", False), (-2.25, "2", "3", False), (-9.96, "10", "0", False),
             (-0.04, "0", "0", False), (0.0, "0", "0", False), (1.24, "1", "2", True),
             (0.04, "0", "0", True), (-105.55, "105", "6", False), (-0.5, "0", "5", False)]

    def setUp(self):
        super().setUp()
        self.records = [(1000.0 + 50 * i, 2000.0 + 30 * (i % 3), z) for i, (z, *_) in enumerate(self.CASES)]
        data, self.read = points_file(self.records)
        self.survey.write("PM/PointsCl.txt", data)
        self.run = self.survey.run("survey_soundings", args=["--scale", "500", "--height", "2.4"])
        self.assertEqual((self.run.returncode, self.run.stderr), (0, b""), self.run)
        self.model = Model(500.0, 2.4, 0.5)

    def expected_texts(self):
        """(text, point, height, right-justified) of every TEXT, in order."""
        m, out = self.model, []
        for (x, y, z), (_, whole, digit, drying) in zip(self.read, self.CASES):
            u = "%%u" if drying else ""
            right, foot = x + len(whole) * m.half, y - m.h / 2
            out.append((u + whole, (right, foot, 0.0), m.h, True))
            out.append((u + digit, (right, foot - 0.2 * m.h, 0.0), 0.6 * m.h, False))
        return out

    def test_list_drawing_script_and_sheet(self):
        self.assertEqual(self.survey.read("PM/Soundings.txt"), points_file(self.records)[0])
        layers, entities = drawing(self.survey.read("Temp/Soundings.dxf"))
        self.assertEqual(layers, ["0", "SOUNDINGS"])
        self.assertEqual({g[8] for _, g in entities}, {"SOUNDINGS"})
        got = [(g[1], at(g), float(g[40]), g.get(72) == "2") for _, g in entities]
        self.assertEqual(got, self.expected_texts())
        for _, g in entities:
            self.assertEqual(float(g[50]), 0.0)
            if g.get(72) == "2":
                self.assertEqual(at(g, 11), at(g))

        # The script: dat_reduce's label lines, the points and heights with
        # two decimals, then "zoom e".
        lines = script_lines(self.survey.read("Temp/Soundings.scr"))
        self.assertEqual(lines[-1], "zoom e")
        expected = []
        for k, (text, p, h, right) in enumerate(self.expected_texts()):
            start = ("osnap off text r " if k == 0 else " r ") if right else " "
            expected.append("%s%s,%s %s 0 %s" % (start, fixed(p[0], 2), fixed(p[1], 2), fixed(h, 2), text))
        self.assertEqual(lines[:-1], expected)

        # The sheet at 1:500: millimetres of paper, north up; the whole
        # metres end where the digit starts; drying heights underlined.
        svg = self.survey.read("Temp/Soundings.svg").decode()
        self.assertRegex(svg, r'<svg [^>]*width="[\d.]+mm" height="[\d.]+mm" viewBox="0 0 [\d.]+ [\d.]+"')
        texts = re.findall(r'<text x="([-\d.]+)" y="([-\d.]+)" font-size="([\d.]+)"([^>]*)>([^<]*)</text>', svg)
        labels = texts[:2 * len(self.CASES)]
        for (x, y, size, attrs, text), (dxf_text, p, h, right) in zip(labels, self.expected_texts()):
            self.assertEqual(text, dxf_text.replace("%%u", ""))
            self.assertEqual(float(size), 2.4 if right else 1.44)
            self.assertEqual("underline" in attrs, dxf_text.startswith("%%u"))
            self.assertEqual('text-anchor="end"' in attrs, right)
        # 1 m on the ground is 2 mm on the sheet; the sheet's numbers have one decimal.
        (x0, y0, _), first = self.expected_texts()[0][1], labels[0]
        for (x, y, *_), (_, (px, py, _), _, _) in zip(labels[2::2], self.expected_texts()[2::2]):
            self.assertAlmostEqual(float(x) - float(first[0]), (px - x0) * 2, delta=0.11)
            self.assertAlmostEqual(float(y) - float(first[1]), (y0 - py) * 2, delta=0.11)

    def test_the_script_drawn_by_scr2dxf_is_the_drawing(self):
        run = self.survey.run("scr2dxf", args=["Temp/Soundings.scr", "again.dxf"], stdin=None)
        self.assertEqual(run.returncode, 0, run)
        _, mine = drawing(self.survey.read("Temp/Soundings.dxf"))
        _, again = dxf_drawing(self.survey.read("again.dxf"))
        # scr2dxf reads the script's two decimals; the layer is 0 there.
        self.assertEqual([(g[1], g.get(72)) for _, g in again], [(g[1], g.get(72)) for _, g in mine])
        for (_, a), (_, b) in zip(again, mine):
            self.assertEqual(at(a), tuple(float(fixed(v, 2)) for v in at(b)))

    def test_the_screen(self):
        rows = [r.rstrip() for r in render(self.run.stdout)[0]]
        self.assertEqual(rows[2:19], [
            "      Chart Soundings - shoal-biased selection",
            "      ~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~", "",
            "      Read   PM/PointsCl.txt",
            "      Write  PM/Soundings.txt",
            "             Temp/Soundings.dxf",
            "             Temp/Soundings.scr",
            "             Temp/Soundings.svg",
            "      Scale     : 1:500",
            "      Text      : 2.4 mm high, 0.5 mm apart",
            "      Soundings :        9",
            "      Kept      :        9  (0 dropped)",
            "      Written   :        9", "", "", "",
            "      Press ENTER  ..."])

    def test_librecad_prints_the_labels_where_the_list_puts_them(self):
        """The drawing printed by LibreCAD to one page: the ink falls in as
        many blobs as there are labels, and once the outer labels fix the
        page's scale and offset, every label's blob stands at its sounding."""
        librecad, pdftoppm = shutil.which("librecad"), shutil.which("pdftoppm")
        if librecad is None or pdftoppm is None:
            self.fail("LibreCAD and pdftoppm are needed: apt-get install librecad poppler-utils")
        out = tempfile.mkdtemp(prefix="survey-pdf-")
        self.addCleanup(shutil.rmtree, out, True)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=out)
        shutil.copy(self.survey.path("Temp/Soundings.dxf"), os.path.join(out, "soundings.dxf"))
        try:
            p = subprocess.run([librecad, "dxf2pdf", "-a", "-t", out, "soundings.dxf"], cwd=out, env=env,
                               capture_output=True, timeout=120)
        except subprocess.TimeoutExpired:
            raise AssertionError("LibreCAD did not end (a message box?)")
        said = (p.stdout + p.stderr).decode("latin-1")
        self.assertEqual(p.returncode, 0, said)
        self.assertIn("DONE", said)
        page = os.path.join(out, "page")
        subprocess.run([pdftoppm, "-gray", "-r", "300", "-singlefile", os.path.join(out, "soundings.pdf"), page],
                       check=True, timeout=WAIT)
        with open(page + ".pgm", "rb") as f:
            magic, size, _, pixels = f.read().split(b"\n", 3)
        width, height = map(int, size.split())
        ink = np.frombuffer(pixels[:width * height], dtype=np.uint8).reshape(height, width) < 128
        blobs = ink_blobs(ink, gap=6)
        self.assertEqual(len(blobs), len(self.CASES), blobs)
        # The label's middle on the ground, against the blob's middle on the page.
        m = self.model
        # The soundings stand 50 m apart from west to east: blobs and labels
        # pair off in that order.
        gx, gy = np.array([(x + m.digit / 2, y - 0.1 * m.h) for x, y, _ in self.read]).T
        bx, by = np.array(sorted(((c0 + c1) / 2, (r0 + r1) / 2) for r0, c0, r1, c1 in blobs)).T
        scale = (bx.max() - bx.min()) / (gx.max() - gx.min())
        self.assertAlmostEqual((by.max() - by.min()) / (gy.max() - gy.min()), scale, delta=scale * 0.05)
        px = bx.min() + (gx - gx.min()) * scale
        py = by.max() - (gy - gy.min()) * scale
        label_px = m.h * scale
        self.assertLess(np.abs(px - bx).max(), label_px, list(zip(px, bx)))
        self.assertLess(np.abs(py - by).max(), label_px, list(zip(py, by)))


def ink_blobs(ink, gap):
    """The bounding boxes (row0, col0, row1, col1) of the groups of ink
    pixels less than gap pixels apart."""
    groups, _ = ndimage.label(ndimage.binary_dilation(ink, iterations=gap // 2))
    return [(r.start, c.start, r.stop, c.stop) for r, c in ndimage.find_objects(groups)]


class Calls(SurveyCase):
    def test_bad_scale_or_height_and_an_empty_list(self):
        self.survey.write("PM/PointsCl.txt", b"1 2 -3\r\n")
        for args in (["--scale", "0"], ["--scale", "-500"], ["--scale", "x"], ["--height", "0"],
                     ["--height=-2"], ["--scale", "inf"], ["--spacing", "-1"], ["--scale"], ["--size", "3"]):
            with self.subTest(args=args):
                run = self.survey.run("survey_soundings", args=args)
                self.assertEqual(run.returncode, 1, run)
                self.assertIn(b"usage: survey_soundings", run.stderr)
                self.assertFalse(os.path.exists(self.survey.path("PM/Soundings.txt")))

        self.survey.write("list.txt", b"")
        run = self.survey.run("survey_soundings", args=["--points", "list.txt"])
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        rows = [r.rstrip() for r in render(run.stdout)[0]]
        self.assertEqual(rows[16], "      The point list is empty: an empty sheet.")
        self.assertEqual(self.survey.read("PM/Soundings.txt"), b"")
        self.assertEqual(self.survey.read("Temp/Soundings.scr"), b"zoom e\r\n")
        self.assertEqual(drawing(self.survey.read("Temp/Soundings.dxf")), (["0", "SOUNDINGS"], []))
        self.assertNotIn(b'font-size="2.00"', self.survey.read("Temp/Soundings.svg"))

    def test_a_record_that_cannot_be_drawn_stops(self):
        self.survey.write("PM/PointsCl.txt", b"1 2 -3\r\n4 5 nan\r\n")
        run = self.survey.run("survey_soundings")
        self.assertEqual(run.returncode, 1, run)
        self.assertIn(b"record 2: a position or height that is not a finite number", run.stderr)


if __name__ == "__main__":
    unittest.main()
