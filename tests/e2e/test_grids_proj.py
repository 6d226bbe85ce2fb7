#!/usr/bin/env python3
"""The grids of survey_rt (through tests/grid_probe, which prints them to the
micrometre) against PROJ, an independent implementation: Debian's proj-bin
(cs2cs) and, for the whole table of named grids at once, its Python binding
(python3-pyproj), which reads each EPSG code's definition from PROJ's own copy
of the registry. So a wrong figure of the table, a wrong projection formula or
a wrong sign of a datum shift each fail here.

- Every named grid at a spread of points over its area of use (the registry's,
  as PROJ gives it): within 1 mm of PROJ; our inverse of PROJ's grid point
  within 1 mm of the point; our forward and inverse within 1 mm of each other.
- Transverse Mercator up to 10 degrees from the central meridian, from the
  equator to 80 degrees: within 0.1 mm.
- Grids by their parameters on every ellipsoid, both Lambert forms, cones of
  the south: against cs2cs, within 1 mm.
- A Bessel Gauss-Krüger grid with a seven-parameter shift from its datum to
  WGS 84, given in either rotation convention: against cs2cs with the same
  +towgs84 (PROJ's convention is the position vector's), within 5 mm; our
  forward and inverse within 1 mm of each other.
"""

import math
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from survey_test import REPO  # noqa: E402

PROBE = os.environ.get("SURVEY_GRID_PROBE", os.path.join(REPO, "build", "default", "tests", "grid_probe"))
METRE_LAT = 111320.0  # metres of a degree of latitude, near enough for a tolerance


def probe(commands):
    """Runs grid_probe on the commands; their answers, one a line."""
    if not os.access(PROBE, os.X_OK):
        raise AssertionError("%s is not built (SURVEY_GRID_PROBE)" % PROBE)
    p = subprocess.run([PROBE], input="".join(c + "\n" for c in commands).encode(), capture_output=True,
                       timeout=120)
    if p.returncode != 0:
        raise AssertionError("grid_probe failed: %s" % p.stderr.decode())
    return p.stdout.decode().splitlines()


def cs2cs(source, target, lonlats):
    """PROJ's cs2cs from the source to the target system: (x, y) of every
    (longitude, latitude), six decimals."""
    text = "".join("%.12f %.12f\n" % ll for ll in lonlats)
    p = subprocess.run(["cs2cs", "-f", "%.6f"] + source.split() + ["+to"] + target.split(),
                       input=text.encode(), capture_output=True, timeout=60)
    if p.returncode != 0:
        raise AssertionError("cs2cs failed: %s" % p.stderr.decode())
    return [tuple(float(v) for v in line.split()[:2]) for line in p.stdout.decode().splitlines()]


def spread(west, south, east, north, n=5):
    """n x n points over a box, inset by a twentieth of its size."""
    if east < west:
        east += 360  # across the antimeridian
    dx, dy = (east - west) / 20, (north - south) / 20
    return [(south + dy + (north - south - 2 * dy) * i / (n - 1),
             math.remainder(west + dx + (east - west - 2 * dx) * j / (n - 1), 360))
            for i in range(n) for j in range(n)]


def ground_error(lat, lon, lat2, lon2):
    """Metres between two nearby positions."""
    return math.hypot((lat2 - lat) * METRE_LAT,
                      math.remainder(lon2 - lon, 360) * METRE_LAT * math.cos(math.radians(lat)))


class Answers:
    """Walks the probe's answers in the order of its commands."""

    def __init__(self, lines):
        self.lines = lines
        self.i = 0

    def next(self):
        line = self.lines[self.i]
        self.i += 1
        return line

    def numbers(self):
        return [float(v) for v in self.next().split()]


class NamedGrids(unittest.TestCase):
    def test_every_named_grid_against_proj(self):
        import pyproj  # Debian's python3-pyproj: only /usr/bin/python3 imports it

        table = probe(["table"])
        self.assertEqual(table[-1], "end")
        codes = [int(line.split()[0]) for line in table[:-1]]
        self.assertGreater(len(codes), 400)
        # Our side first, every grid and point in one run of the probe.
        plan, commands = [], []
        for code in codes:
            crs = pyproj.CRS.from_epsg(code)
            area = crs.area_of_use
            points = spread(area.west, area.south, area.east, area.north)
            transformer = pyproj.Transformer.from_crs(crs.geodetic_crs, crs, always_xy=True)
            xs, ys = transformer.transform([p[1] for p in points], [p[0] for p in points])
            plan.append((code, points, list(zip(xs, ys))))
            commands.append("grid EPSG:%d" % code)
            for (lat, lon), (x, y) in zip(points, zip(xs, ys)):
                commands += ["range %.12f %.12f" % (lat, lon), "fwd %.12f %.12f" % (lat, lon),
                             "inv %.6f %.6f" % (x, y)]
        answers = Answers(probe(commands))
        worst = {"forward": (0, None), "inverse": (0, None), "round trip": (0, None)}
        checked = 0
        for code, points, proj_xy in plan:
            self.assertEqual(answers.next(), "ok", code)
            for (lat, lon), (px, py) in zip(points, proj_xy):
                in_range = answers.next() == "in"
                x, y, blat, blon = answers.numbers()
                ilat, ilon = answers.numbers()
                if not in_range:
                    continue
                checked += 1
                for what, error in (("forward", math.hypot(x - px, y - py)),
                                    ("inverse", ground_error(lat, lon, ilat, ilon)),
                                    ("round trip", ground_error(lat, lon, blat, blon))):
                    if error > worst[what][0]:
                        worst[what] = (error, "EPSG:%d at %.6f %.6f" % (code, lat, lon))
        # Nearly every point of an area of use lies in its grid's range.
        self.assertGreater(checked, 0.95 * 25 * len(codes))
        for what, (error, where) in worst.items():
            self.assertLess(error, 0.001, "%s %.4f m at %s" % (what, error, where))

    def test_ten_degrees_from_the_central_meridian(self):
        # UTM zone 35 on WGS 84 and GRS80, 10 degrees east and west of 27 E.
        points = [(lat, 27 + off) for lat in (0.5, 20, 45, 62, 80) for off in (-10, -6, -3, 3, 6, 10)]
        for grid, ellps in (("EPSG:32635", "WGS84"), ("EPSG:25835", "GRS80")):
            with self.subTest(grid):
                ours = Answers(probe(["grid " + grid] + ["fwd %.12f %.12f" % p for p in points]))
                self.assertEqual(ours.next(), "ok")
                theirs = cs2cs("+proj=longlat +ellps=" + ellps,
                               "+proj=utm +zone=35 +ellps=" + ellps, [(lon, lat) for lat, lon in points])
                for (lat, lon), (px, py) in zip(points, theirs):
                    x, y, _, _ = ours.numbers()
                    self.assertLess(math.hypot(x - px, y - py), 0.0001, (lat, lon, x, y, px, py))


# Grids by their parameters: (our text, PROJ's definition, the area: south,
# north, west, east).
BY_PARAMETERS = [
    ("tm 9 1 3500000 0 Bessel1841", "+proj=tmerc +lat_0=0 +lon_0=9 +k=1 +x_0=3500000 +y_0=0 +ellps=bessel",
     (47, 55.5, 6, 12)),
    ("tm -2 0.9996012717 400000 -100000 49 Airy1830",
     "+proj=tmerc +lat_0=49 +lon_0=-2 +k=0.9996012717 +x_0=400000 +y_0=-100000 +ellps=airy", (49.5, 60, -8, 2)),
    ("tm 27 1 5500000 0 Krassovsky1940", "+proj=tmerc +lon_0=27 +k=1 +x_0=5500000 +ellps=krass",
     (40, 60, 24, 30)),
    ("tm 3 0.9996 500000 0 0 International1924", "+proj=tmerc +lon_0=3 +k=0.9996 +x_0=500000 +ellps=intl",
     (36, 52, 0, 6)),
    ("tm -81 0.999941177 200000 0 24.333333333 Clarke1866",
     "+proj=tmerc +lat_0=24.333333333 +lon_0=-81 +k=0.999941177 +x_0=200000 +ellps=clrk66", (24.5, 31, -82, -79)),
    ("tm 173 0.9996 1600000 10000000", "+proj=tmerc +lon_0=173 +k=0.9996 +x_0=1600000 +y_0=10000000 +ellps=WGS84",
     (-47, -34, 166, 179)),
    ("lcc1 46.8 2.337229167 0.99987742 600000 2200000 Clarke1880IGN",
     "+proj=lcc +lat_1=46.8 +lat_0=46.8 +lon_0=2.337229167 +k_0=0.99987742 +x_0=600000 +y_0=2200000 "
     "+ellps=clrk80ign", (42, 51, -4, 8)),
    ("lcc 49 44 46.5 3 700000 6600000 GRS80",
     "+proj=lcc +lat_1=49 +lat_2=44 +lat_0=46.5 +lon_0=3 +x_0=700000 +y_0=6600000 +ellps=GRS80", (41, 51.5, -5, 10)),
    ("lcc -36 -38 -37 145 2500000 2500000 GRS80",
     "+proj=lcc +lat_1=-36 +lat_2=-38 +lat_0=-37 +lon_0=145 +x_0=2500000 +y_0=2500000 +ellps=GRS80",
     (-39.2, -34, 140.9, 150)),
    ("lcc 45 45 40 10 500000 0", "+proj=lcc +lat_1=45 +lat_2=45 +lat_0=40 +lon_0=10 +x_0=500000 +ellps=WGS84",
     (35, 55, 0, 20)),
    ("lcc1 -30 25 0.99 1000000 2000000 Bessel1841",
     "+proj=lcc +lat_1=-30 +lat_0=-30 +lon_0=25 +k_0=0.99 +x_0=1000000 +y_0=2000000 +ellps=bessel",
     (-35, -22, 16, 33)),
]


class GridsByParameters(unittest.TestCase):
    def test_against_cs2cs(self):
        for text, definition, (south, north, west, east) in BY_PARAMETERS:
            with self.subTest(text):
                points = spread(west, south, east, north)
                ellps = [w for w in definition.split() if w.startswith("+ellps=")][0]
                theirs = cs2cs("+proj=longlat " + ellps, definition, [(lon, lat) for lat, lon in points])
                ours = Answers(probe(["grid " + text] + ["fwd %.12f %.12f" % p for p in points] +
                                     ["inv %.6f %.6f" % xy for xy in theirs]))
                self.assertEqual(ours.next(), "ok")
                for (lat, lon), (px, py) in zip(points, theirs):
                    x, y, blat, blon = ours.numbers()
                    self.assertLess(math.hypot(x - px, y - py), 0.001, (lat, lon, x, y, px, py))
                    self.assertLess(ground_error(lat, lon, blat, blon), 0.001, (lat, lon, blat, blon))
                for lat, lon in points:
                    ilat, ilon = ours.numbers()
                    self.assertLess(ground_error(lat, lon, ilat, ilon), 0.001, (lat, lon, ilat, ilon))


# DHDN to WGS 84 as published in the position vector convention: translations
# (m), rotations (arc-seconds), scale (ppm).
DHDN = (598.1, 73.7, 418.2, 0.202, 0.045, -2.455, 6.7)


class HelmertShift(unittest.TestCase):
    def test_gauss_krueger_on_bessel_both_conventions(self):
        # Gauss-Krüger zone 3 on Bessel 1841; the same shift written in either
        # convention (coordinate frame: the rotations' signs turned) must give
        # the same grid points as PROJ's +towgs84 (position vector).
        points = spread(6, 47.3, 12, 55)
        towgs84 = ",".join("%g" % v for v in DHDN)
        theirs = cs2cs("+proj=longlat +datum=WGS84",
                       "+proj=tmerc +lat_0=0 +lon_0=9 +k=1 +x_0=3500000 +y_0=0 +ellps=bessel +towgs84=" + towgs84,
                       [(lon, lat) for lat, lon in points])
        plain = cs2cs("+proj=longlat +datum=WGS84", "+proj=tmerc +lon_0=9 +k=1 +x_0=3500000 +ellps=bessel",
                      [(lon, lat) for lat, lon in points])
        coordinate_frame = DHDN[:3] + tuple(-r for r in DHDN[3:6]) + DHDN[6:]
        for convention, shift in (("position-vector", DHDN), ("coordinate-frame", coordinate_frame)):
            with self.subTest(convention):
                ours = Answers(probe(["grid tm 9 1 3500000 0 Bessel1841",
                                      "shift " + " ".join("%g" % v for v in shift) + " " + convention] +
                                     ["fwd %.12f %.12f" % p for p in points]))
                self.assertEqual((ours.next(), ours.next()), ("ok", "ok"))
                for (lat, lon), (px, py), (qx, qy) in zip(points, theirs, plain):
                    x, y, blat, blon = ours.numbers()
                    self.assertLess(math.hypot(x - px, y - py), 0.005, (lat, lon, x, y, px, py))
                    # The shift moves the points by a hundred metres and more.
                    self.assertGreater(math.hypot(x - qx, y - qy), 100)
                    self.assertLess(ground_error(lat, lon, blat, blon), 0.001, (lat, lon, blat, blon))


if __name__ == "__main__":
    unittest.main()
