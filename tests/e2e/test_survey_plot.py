#!/usr/bin/env python3
"""survey_plot: the plan and the profile, parsed as XML and rendered by
rsvg-convert (Debian's librsvg2-bin), with the colours of known records
looked up at their places (the places found from the pictures' own tick
labels); the thinning of many records in one pixel cell; the matching of
PM/PointsCl.txt; the options and the stops.

Colours are those the pictures promise (docs/survey_plot.md): viridis from
#440154 (the deepest kept height) to #fde725 (the shallowest), deleted
records a black cross, flagged ones a red ring (#e41a1c), the profile's
kept records blue dots (#1f77b4)."""

import os
import re
import shutil
import struct
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import fixed, points_txt, render, screen_rows  # noqa: E402
from survey_test import Survey, SurveyCase  # noqa: E402

DEEP, SHALLOW, BLACK = (0x44, 0x01, 0x54), (0xFD, 0xE7, 0x25), (0, 0, 0)
RED, BLUE = (0xE4, 0x1A, 0x1C), (0x1F, 0x77, 0xB4)
SVG = "{http://www.w3.org/2000/svg}"

# A straight track of 41 records 10 m east and 5 m north apart; record 5 the
# deepest, 15 the shallowest, 25 deleted (not in PM/PointsCl.txt), 35 flagged.
RECORDS = [(1000 + 10 * i, 5000 + 5 * i, {5: -20.0, 15: -2.0, 25: -11.0}.get(i, -10.0)) for i in range(41)]
STEP = 125 ** 0.5  # metres along the track from one record to the next


def cleaned_txt(records):
    return b"".join(("%s %s %s\r\n" % tuple(fixed(v, 2) for v in r)).encode() for r in records)


def rendered(svg_path):
    """rgb(x, y) of the picture as rsvg-convert renders it (8-bit RGB or RGBA PNG)."""
    if shutil.which("rsvg-convert") is None:
        raise AssertionError("rsvg-convert is needed (apt-get install librsvg2-bin)")
    data = subprocess.run(["rsvg-convert", svg_path], check=True, capture_output=True).stdout
    pos, idat = 8, b""
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IHDR":
            width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", data[pos + 8:pos + 21])
            assert depth == 8 and ctype in (2, 6) and interlace == 0, (depth, ctype, interlace)
        elif kind == b"IDAT":
            idat += data[pos + 8:pos + 8 + n]
        pos += 12 + n
    bpp = 3 if ctype == 2 else 4
    raw, stride, rows = zlib.decompress(idat), width * bpp, []
    prev = bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a, b = line[i - bpp] if i >= bpp else 0, prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if kind == 4:
                p = a + b - c  # Paeth
                pred = min((abs(p - a), 0, a), (abs(p - b), 1, b), (abs(p - c), 2, c))[2]
            else:
                pred = (0, a, b, (a + b) // 2)[kind]
            line[i] = (line[i] + pred) & 255
        rows.append(line)
        prev = line
    return lambda x, y: tuple(rows[y][x * bpp:x * bpp + 3])


def tick_scale(ticks, attr):
    """The picture coordinate of a value, from the first and last of the tick
    labels (text elements) along one axis."""
    (p0, v0), (p1, v1) = [(float(t.get(attr)), float(t.text)) for t in (ticks[0], ticks[-1])]
    return lambda v: p0 + (v - v0) * (p1 - p0) / (v1 - v0)


def labels(element, cls):
    return [t for t in element.iter(SVG + "text") if t.get("class") == cls]


class PictureCase(SurveyCase):
    def plot(self, records, cleaned=None, spikes=None, args=()):
        """Runs survey_plot on the records; both pictures parsed."""
        self.survey.write("PM/Points.txt", points_txt(records))
        for path, data in (("PM/PointsCl.txt", cleaned_txt(cleaned or [])), ("Temp/Spikes.txt", spikes)):
            if data is not None and (path != "PM/PointsCl.txt" or cleaned is not None):
                self.survey.write(path, data)
            elif os.path.exists(self.survey.path(path)):
                os.remove(self.survey.path(path))
        self.run = self.survey.run("survey_plot", args=args)
        self.assertEqual((self.run.returncode, self.run.stderr), (0, b""), self.run)
        return [ET.parse(self.survey.path("Temp/%s.svg" % name)).getroot() for name in ("Plan", "Profile")]

    def assert_colour(self, pixel, x, y, want, what, reach=2, tol=40):
        """Some pixel within reach of (x, y) has the colour want."""
        span = range(-reach, reach + 1)
        near = [pixel(int(x) + dx, int(y) + dy) for dx in span for dy in span]
        best = min(near, key=lambda c: sum(abs(c[i] - want[i]) for i in range(3)))
        self.assertLessEqual(max(abs(best[i] - want[i]) for i in range(3)), tol,
                             "%s at %.1f %.1f: %r" % (what, x, y, best))
        return near


class Pictures(PictureCase):
    def test_known_records_in_both_pictures(self):
        plan, profile = self.plot(RECORDS, [r for i, r in enumerate(RECORDS) if i != 25], b"36 x y\r\n")
        east, north = tick_scale(labels(plan, "tick-e"), "x"), tick_scale(labels(plan, "tick-n"), "y")
        strip = profile.find(SVG + "g")
        along, up = tick_scale(labels(strip, "tick-d"), "x"), tick_scale(labels(strip, "tick-z"), "y")
        pictures = {  # the pixels, and the place of a record
            "Plan": (rendered(self.survey.path("Temp/Plan.svg")),
                     lambda i: (east(RECORDS[i][0]), north(RECORDS[i][1]))),
            "Profile": (rendered(self.survey.path("Temp/Profile.svg")),
                        lambda i: (along(i * STEP), up(RECORDS[i][2])))}
        # (picture, record, colour, offset of the place to look at: the ring of a flagged record)
        for name, record, colour, dx in [
                ("Plan", 5, DEEP, 0), ("Plan", 15, SHALLOW, 0), ("Plan", 25, BLACK, 0), ("Plan", 35, RED, 4),
                ("Profile", 5, BLUE, 0), ("Profile", 15, BLUE, 0), ("Profile", 25, BLACK, 0),
                ("Profile", 35, RED, 4)]:
            pixel, place = pictures[name]
            x, y = place(record)
            with self.subTest(picture=name, record=record):
                self.assert_colour(pixel, x + dx, y, colour, "record %d" % record)
        # A record of a middle height is none of the marked colours.
        for colour in (DEEP, SHALLOW, BLACK, RED):
            x, y = pictures["Plan"][1](10)
            pixel = pictures["Plan"][0](int(x), int(y))
            self.assertGreater(max(abs(pixel[i] - colour[i]) for i in range(3)), 60, (pixel, colour))
        screen, _ = render(self.run.stdout)
        self.assertEqual(screen, screen_rows({
            3: "      Survey Plot - plan and profile", 4: "      " + "~" * 30,
            6: "      Read   PM/Points.txt", 7: "             PM/PointsCl.txt",
            8: "             Temp/Spikes.txt",
            9: "      Write  Temp/Plan.svg", 10: "             Temp/Profile.svg",
            11: "             (no GIS files: no PM/Grid.txt or PM/La_Lo_De.txt)",
            12: "      Records :       41", 13: "      Kept    :       40", 14: "      Deleted :        1",
            15: "      Flagged :        1", 16: "      Drawn   :       41",
            17: "      Strips  :        1 of 500 m",
            19: "      Press ENTER  ..."}))

    def test_thinning_keeps_the_deepest_and_shallowest_of_a_cell(self):
        # 3000 records within a centimetre, their heights from -2 to -20 and
        # back, the extremes in the middle; two far records of a middle height.
        cluster = [(2000 + (i % 2) / 100, 3000.0, -2 - 18 * (1 - abs(i - 1500) / 1500)) for i in range(3000)]
        records = [(1900.0, 2900.0, -11.0)] + cluster + [(2100.0, 3100.0, -11.0)]
        plan, profile = self.plot(records)
        dots = {}  # colour -> the marks' centres
        for path in plan.iter(SVG + "path"):
            if path.get("d", "").endswith("h0") and path.get("stroke-width") in ("6", "3"):
                dots[path.get("stroke")] = dots.get(path.get("stroke"), []) + [
                    (int(x), int(y)) for x, y in re.findall(r"M(-?\d+) (-?\d+)h0", path.get("d"))]
        east, north = tick_scale(labels(plan, "tick-e"), "x"), tick_scale(labels(plan, "tick-n"), "y")
        x, y = east(2000), north(3000)
        in_cell = {c: [m for m in ms if abs(m[0] - x) <= 2 and abs(m[1] - y) <= 2] for c, ms in dots.items()}
        self.assertEqual(sorted((c, len(m)) for c, m in in_cell.items() if m),
                         [("#440154", 1), ("#fde725", 1)])
        self.assertEqual(sum(len(m) for m in dots.values()), 4)  # and one for each far record
        pixel = rendered(self.survey.path("Temp/Plan.svg"))
        self.assert_colour(pixel, x, y, SHALLOW, "the cell's centre", reach=1)
        self.assert_colour(pixel, x, y, DEEP, "the cell's rim", reach=3)
        # In the profile the cluster is one column from -2 down to -20.
        strip = profile.find(SVG + "g")
        up = tick_scale(labels(strip, "tick-z"), "y")
        kept = [int(v) for p in strip.iter(SVG + "path") if p.get("stroke") == "#1f77b4"
                for v in re.findall(r"M-?\d+ (-?\d+)h0", p.get("d"))]
        self.assertLessEqual(abs(min(kept) - up(-2.0)), 2)
        self.assertLessEqual(abs(max(kept) - up(-20.0)), 2)
        self.assertNotIn("#deleted", ET.tostring(plan).decode())  # no PM/PointsCl.txt: nothing deleted

    def test_options(self):
        plan, profile = self.plot(RECORDS, args=["--strip", "100", "--title", 'Bay <A> & "B"'])
        self.assertEqual(plan.find(SVG + "text").text, 'Survey plan: Bay <A> & "B"')
        strips = profile.findall(SVG + "g")
        self.assertEqual(len(strips), 5)  # 447 m of track
        self.assertEqual([labels(strips[i], "tick-d")[j].text for i in (0, 4) for j in (0, -1)],
                         ["0", "100", "400", "500"])

    def test_strips_without_the_option(self):
        # (records, metres apart along a straight line): the strips on the screen
        for n, step, strips, length in [(2, 3.0, 1, "5"), (100, 10.0, 2, "500"), (201, 1000.0, 40, "5000")]:
            with self.subTest(n=n, step=step):
                _, profile = self.plot([(1000 + step * i, 5000.0, -10.0) for i in range(n)])
                self.assertEqual(render(self.run.stdout)[0][16].rstrip(),
                                 "      Strips  : %8d of %s m" % (strips, length))
                self.assertEqual(len(profile.findall(SVG + "g")), strips)

    def test_records_that_are_not_finite_are_counted_not_drawn(self):
        self.survey.write("PM/Points.txt", b"  1000.00  5000.00  -10.00\r\n       Nan  5000.00  -10.00\r\n"
                                           b"  1010.00  5000.00  -11.00")
        run = self.survey.run("survey_plot")
        self.assertEqual((run.returncode, run.counter("Records : ")), (0, 3), run)
        # (picture, dots of records, dots of the legend); the profile loses the track's length there
        for name, dots, legend in (("Plan", 2, 2), ("Profile", 1, 1)):
            root = ET.parse(self.survey.path("Temp/%s.svg" % name)).getroot()
            d = " ".join(p.get("d", "") for p in root.iter(SVG + "path")
                         if p.get("stroke-linecap") == "round")
            self.assertEqual(len(re.findall(r"M-?\d+ -?\d+h0", d)), dots + legend, name)

    def test_matching_of_the_cleaned_list(self):
        a, b = (1000.0, 2000.0, -12.5), (1003.0, 2004.0, -12.7)
        for points, cleaned, counts in [([a, a, b], [a, b], (2, 1)), ([a, b, a], [b, a], (2, 1)),
                                        ([a, b], [], (0, 2)), ([a], None, (1, 0))]:
            with self.subTest(points=points, cleaned=cleaned):
                self.plot(points, cleaned)
                self.assertEqual((self.run.counter("Kept    : "), self.run.counter("Deleted : ")), counts)
        # PM/PointsCl.txt as written with other decimals: the same record.
        self.survey.write("PM/PointsCl.txt", b"1000 2000.00 -12.499\r\n")
        self.survey.write("PM/Points.txt", points_txt([a]))
        self.assertEqual(self.survey.run("survey_plot").counter("Deleted : "), 0)


class Stops(unittest.TestCase):
    def test_stops(self):
        points = points_txt(RECORDS[:3])
        cases = [  # inputs, arguments, exit status, on the standard error
            ({}, [], 2, "PM/Points.txt: file not found"),
            ({"PM/Points.txt": b""}, [], 106, "Runtime error 106"),
            ({"PM/Points.txt": points, "PM/PointsCl.txt": cleaned_txt([RECORDS[1], RECORDS[0]])}, [], 1,
             "PM/PointsCl.txt, line 2: 1000.00 5000.00 -10.00 is no record"),
            ({"PM/Points.txt": points, "Temp/Spikes.txt": b"2\r\n9 x\r\n"}, [], 1,
             "record 9, but PM/Points.txt has 3"),
            ({"PM/Points.txt": points, "Temp/Spikes.txt": b"2\r\n1\r\n"}, [], 1, "record 1 after record 2"),
            ({"PM/Points.txt": points, "Temp/Spikes.txt": b"1.5 x\r\n"}, [], 1, "must be a record number"),
            ({"PM/Points.txt": points}, ["--strip", "0.1"], 1, "strips of 0.10 m would make 224 strips"),
            ({"PM/Points.txt": points}, ["--strip", "0"], 1, "usage: survey_plot"),
            ({"PM/Points.txt": points}, ["--strip"], 1, "usage: survey_plot"),
            ({"PM/Points.txt": points}, ["--scale", "2"], 1, "unknown option"),
        ]
        for inputs, args, status, message in cases:
            with self.subTest(inputs=list(inputs), args=args):
                survey = Survey()
                self.addCleanup(survey.remove)
                for path, data in inputs.items():
                    survey.write(path, data)
                survey.write("Temp/Plan.svg", b"OLD")
                run = survey.run("survey_plot", args=args)
                self.assertEqual(run.returncode, status, run)
                self.assertIn(message, run.stderr.decode(), run)
                # A wrong call is refused before the run and touches nothing;
                # any other stop leaves no picture, the old one removed.
                if "usage: survey_plot" in run.stderr.decode():
                    self.assertEqual(survey.read("Temp/Plan.svg"), b"OLD")
                else:
                    self.assertEqual(sorted(os.listdir(survey.path("Temp"))),
                                     sorted(p[5:] for p in inputs if p.startswith("Temp/")))


if __name__ == "__main__":
    unittest.main()
