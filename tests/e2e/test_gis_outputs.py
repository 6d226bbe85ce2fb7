#!/usr/bin/env python3
"""The GIS files of the office tools read by GDAL and PROJ (Debian's gdal-bin
and proj-bin, test references only): the GeoTIFFs and .prj files by gdalinfo,
gdalsrsinfo and gdallocationinfo against the ESRI grids beside them, every
GeoJSON by ogrinfo and its coordinates against PROJ's inverse of the grid's
eastings and northings, the KML parsed with the counts of its folders. A
survey of main lines and crosslines in each kind of grid: PM/Grid.txt's
named grids (a UTM zone, a national Transverse Mercator, a Lambert conic), a
grid by its parameters with a datum shift, and without PM/Grid.txt the
parameter line's own Transverse Mercator; and a folder whose grid nobody
knows."""

import json
import math
import os
import re
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET
from decimal import ROUND_HALF_UP, Decimal

import ezdxf

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from survey_test import REPO, SurveyCase  # noqa: E402

MM = 0.001
KML = "{http://www.opengis.net/kml/2.2}"
SHIFT = "598.1 73.7 418.2 0.202 0.045 -2.455 6.7"


class Grid:
    """A survey folder's grid: PM/Grid.txt's lines (none: the parameter
    line's Transverse Mercator of meridian and scale), the grid as PROJ
    defines it (a named grid: by its EPSG code, through projinfo; with a
    datum shift also as a pipeline of PROJ's own steps, the shift in its own
    convention), and a place of the survey in it (x0, y0)."""

    def __init__(self, what, x0, y0, grid_txt=None, epsg=None, proj=None, pipeline=None, meridian=27.0, scale=1.0,
                 every_tool=False):
        self.what, self.x0, self.y0, self.grid_txt, self.epsg = what, x0, y0, grid_txt, epsg
        self.pipeline = pipeline
        self.meridian, self.scale, self.every_tool = meridian, scale, every_tool
        if epsg is not None:
            proj = subprocess.run(["projinfo", "-o", "PROJ", "-q", "EPSG:%d" % epsg], capture_output=True,
                                  check=True).stdout.decode()
        self.proj = [t for t in proj.split() if t not in ("+no_defs", "+type=crs")]


def chain_proj(meridian, scale, fe, fn):
    """The chain's own Transverse Mercator: its false origin as utm_points
    takes it, on a = 6378137 m, b = 6356752.314 m, its latitudes WGS 84's."""
    return ("+proj=tmerc +lat_0=0 +lon_0=%r +k=%r +x_0=%r +y_0=%r +a=6378137 +b=6356752.314 "
            "+towgs84=0,0,0,0,0,0,0 +units=m" % (meridian, scale, fe, fn))


GRIDS = [
    Grid("the chain's TM of meridian 27", 9541000.0, 4707300.0, proj=chain_proj(27.0, 1.0, 9500113.804, 122.463),
         every_tool=True),
    Grid("the chain's TM of meridian 24", -1024400.0, 4784900.0, proj=chain_proj(24.0, 1.0, -999995.235, 0.698),
         meridian=24.0),
    Grid("the chain's TM of no false origin", 41000.0, 4705400.0, proj=chain_proj(27.0, 0.9996, 0.0, 0.0),
         scale=0.9996),
    Grid("UTM zone 35N", 541000.0, 4705400.0, grid_txt="Grid: UTM 35N", epsg=32635, every_tool=True),
    Grid("LKS-94, Lithuania's TM", 318000.0, 6176000.0, grid_txt="Grid: EPSG:3346", epsg=3346),
    Grid("BGS2005 / CCS2005, a Lambert conic of two parallels", 664000.0, 4707000.0,
         grid_txt="grid : epsg:7801", epsg=7801, every_tool=True),
    Grid("Gauss-Kruger on Bessel with a coordinate-frame shift", 3520000.0, 5900000.0,
         grid_txt="Grid: tm 9 1 3500000 0 Bessel1841\r\nHelmert: %s\r\nRotation: coordinate-frame" % SHIFT,
         proj="+proj=tmerc +lat_0=0 +lon_0=9 +k=1 +x_0=3500000 +y_0=0 +ellps=bessel "
              "+towgs84=598.1,73.7,418.2,-0.202,-0.045,2.455,6.7 +units=m",
         pipeline="+proj=pipeline +step +inv +proj=tmerc +lat_0=0 +lon_0=9 +k=1 +x_0=3500000 +y_0=0 +ellps=bessel "
                  "+step +proj=cart +ellps=bessel +step +proj=helmert +x=598.1 +y=73.7 +z=418.2 +rx=0.202 "
                  "+ry=0.045 +rz=-2.455 +s=6.7 +convention=coordinate_frame +step +inv +proj=cart +ellps=WGS84"),
]


def seabed(x, y):
    return -10 - 3 * math.sin(x / 60.0) - 2 * math.cos(y / 45.0)


def survey_records(x0, y0):
    """Four main lines run east and west, 40 m apart, with a jump of 80 m
    between the second and third; three crosslines north and south 100 m
    apart; a record every 2 m, heights of a smooth seabed (the crosslines
    5 cm deeper)."""
    records = []
    for k, dy in enumerate((0, 40, 120, 160)):
        xs = range(0, 401, 2) if k % 2 == 0 else range(400, -1, -2)
        records += [(x0 + x, y0 + dy, seabed(x, dy)) for x in xs]
    for k, dx in enumerate((100, 200, 300)):
        ys = range(-20, 181, 2) if k % 2 == 0 else range(180, -21, -2)
        records += [(x0 + dx, y0 + y, seabed(dx, y) - 0.05) for y in ys]
    return records


def points_file(records):
    return b"\r\n".join(b"%12.2f%12.2f%8.2f" % r for r in records)


def parameter_line(meridian, scale):
    return (b"Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel\r\n"
            b"--------------------------------------------------------------\r\n"
            b"%.4f %.4f 0.0 0.5 1.0 0.0\r\n42.5 27.5 3.4\r\n" % (meridian, scale))


def wgs84_of(grid, xy):
    """Longitudes and latitudes on WGS 84 of the grid's x y at WGS 84 height
    0, as the GIS files give them, by PROJ: a named grid by cs2cs; the chain's
    own TM by proj's inverse alone (its latitudes and longitudes are the
    receiver's WGS 84 ones on the chain's ellipsoid, whose b is 0.2 mm short
    of WGS 84's: cs2cs would move them 0.2 mm between the two ellipsoids);
    through a datum shift by cct's pipeline of the grid's inverse, the shift
    and WGS 84, from the grid's height that makes WGS 84's 0 (the grid's
    height 0 lies some metres off, which moves the place by about a
    millimetre)."""
    if grid.pipeline is None:
        text = "".join("%.6f %.6f\n" % p for p in xy)
        if grid.grid_txt is None:
            command = ["proj", "-I", "-f", "%.12f"] + [t for t in grid.proj if not t.startswith("+towgs84")]
        else:
            command = ["cs2cs", "-f", "%.12f"] + grid.proj + ["+to", "+proj=longlat", "+datum=WGS84"]
        out = subprocess.run(command, input=text.encode(), capture_output=True, check=True).stdout.decode()
        return [tuple(float(v) for v in line.split()[:2]) for line in out.splitlines()]
    heights = [0.0] * len(xy)
    for _ in range(3):
        text = "".join("%.6f %.6f %.9f 0\n" % (x, y, h) for (x, y), h in zip(xy, heights))
        out = subprocess.run(["cct", "-d", "12"] + grid.pipeline.split(), input=text.encode(), capture_output=True,
                             check=True).stdout.decode()
        places = [[float(v) for v in line.split()[:3]] for line in out.splitlines()]
        heights = [h - p[2] for h, p in zip(heights, places)]
    return [tuple(p[:2]) for p in places]


def metres_apart(a, b):
    """The distance of two longitude, latitude pairs, metres (locally flat)."""
    lat = math.radians(a[1])
    return math.hypot((a[0] - b[0]) * 111320 * math.cos(lat), (a[1] - b[1]) * 110950)


def proj_params(text):
    """The +name=value parameters of a PROJ string; numbers as floats."""
    params = {}
    for token in text.split():
        name, _, value = token.lstrip("+").partition("=")
        try:
            params[name] = float(value)
        except ValueError:
            params[name] = value
    return params


def ogr_count(path):
    out = subprocess.run(["ogrinfo", "-ro", "-al", "-so", path], capture_output=True, check=True).stdout.decode()
    return int(re.search(r"Feature Count: (\d+)", out).group(1))


def projected_code(info):
    """The EPSG code of a projected system as gdalinfo names it (the ID that
    closes its WKT), or None."""
    code = re.search(r'ID\["EPSG",(\d+)\]\]\s*$', info["coordinateSystem"]["wkt"])
    return int(code.group(1)) if code else None


def read_asc(data):
    lines = data.decode("ascii").split("\r\n")
    header = {line.split()[0]: float(line.split()[1]) for line in lines[:6]}
    rows = [[float(v) for v in line.split(" ")] for line in lines[6:] if line]
    return header, rows


class GisOutputs(SurveyCase):
    def run_tool(self, tool, *args):
        run = self.survey.run(tool, stdin=None, args=args)
        self.assertEqual(run.returncode, 0, run)
        return run

    def make_survey(self, grid):
        records = survey_records(grid.x0, grid.y0)
        self.survey.write("PM/La_Lo_De.txt", parameter_line(grid.meridian, grid.scale))
        if grid.grid_txt is not None:
            self.survey.write("PM/Grid.txt", grid.grid_txt.encode() + b"\r\n")
        elif os.path.exists(self.survey.path("PM/Grid.txt")):
            os.remove(self.survey.path("PM/Grid.txt"))
        self.survey.write("PM/Points.txt", points_file(records))
        # Two records deleted in the cleaning.
        self.survey.write("PM/PointsCl.txt", points_file(records[:30] + records[31:300] + records[301:]))
        return records

    def check_crs(self, path, grid):
        """GDAL's PROJ string of a GeoTIFF or .prj: the grid's. The chain's
        ellipsoid (given by a and b) within a micrometre of its b."""
        got = proj_params(subprocess.run(["gdalsrsinfo", "-o", "proj4", path], capture_output=True,
                                         check=True).stdout.decode())
        want = proj_params(" ".join(grid.proj))
        got.pop("no_defs", None)
        if "b" in want:
            self.assertAlmostEqual(got.pop("a") * (1 - 1 / got.pop("rf")), want.pop("b"), delta=1e-6, msg=path)
            want.pop("a")
        self.assertEqual(got, want, path)

    def check_grid_files(self, stem, grid):
        """stem.tif and stem.prj against stem.asc and the grid's definition;
        a named grid's GeoTIFF by its EPSG code."""
        header, rows = read_asc(self.survey.read(stem + ".asc"))
        tif = self.survey.path(stem + ".tif")
        info = json.loads(subprocess.run(["gdalinfo", "-json", tif], capture_output=True, check=True).stdout)
        self.assertEqual(info["size"], [int(header["ncols"]), int(header["nrows"])])
        cell = header["cellsize"]
        self.assertEqual(info["geoTransform"], [header["xllcorner"], cell, 0.0,
                                                header["yllcorner"] + header["nrows"] * cell, 0.0, -cell])
        band = info["bands"][0]
        self.assertEqual((band["type"], band["noDataValue"]), ("Float32", -9999.0))
        self.assertEqual(projected_code(info), grid.epsg)
        for path in (tif, self.survey.path(stem + ".prj")):
            self.check_crs(path, grid)
        # Sampled cells: every 7th row and 5th column, with and without values.
        cells = [(c, r) for r in range(0, len(rows), 7) for c in range(0, len(rows[0]), 5)]
        out = subprocess.run(["gdallocationinfo", "-valonly", tif], capture_output=True, check=True,
                             input="".join("%d %d\n" % p for p in cells).encode()).stdout.decode().split()
        self.assertEqual(len(out), len(cells))
        import numpy as np  # the float of the millimetres written
        for (c, r), got in zip(cells, out):
            self.assertEqual(np.float32(got), np.float32(rows[r][c]), "cell %d, %d" % (c, r))
        self.assertTrue(any(rows[r][c] == -9999 for c, r in cells) and any(rows[r][c] != -9999 for c, r in cells))

    def check_places(self, got, xy, grid, tolerance=MM):
        """Longitudes and latitudes at PROJ's WGS 84 of the grid's x y: within
        the tolerance, and for the exact x y each of the eight decimals PROJ's
        figure rounded (half a unit of the last, 0.6 mm, and 2e-10 degrees
        for the two programs' own last bits)."""
        self.assertEqual(len(got), len(xy))
        for g, w in zip(got, wgs84_of(grid, xy)):
            self.assertLess(metres_apart(g, w), tolerance, (g, w))
            if tolerance == MM:
                self.assertLessEqual(max(abs(g[0] - w[0]), abs(g[1] - w[1])), 0.502e-8, (g, w))

    def check_points(self, path, xy, grid, tolerance=MM):
        """The GeoJSON's points, in their order, at the grid's x y."""
        features = json.loads(self.survey.read(path))["features"]
        self.assertTrue(all(f["geometry"]["type"] == "Point" for f in features))
        self.check_places([f["geometry"]["coordinates"] for f in features], xy, grid, tolerance)
        return features

    def test_every_file_in_each_grid(self):
        """The surface and the soundings in every grid; every tool in a named
        grid, a Lambert grid and the chain's own TM."""
        for grid in GRIDS:
            with self.subTest(grid=grid.what):
                self.every_file(grid)

    def every_file(self, grid):
        records = self.make_survey(grid)

        # The surface: its GeoTIFF and .prj, the contours as GeoJSON against
        # the polylines of Temp/Contours.dxf.
        run = self.run_tool("survey_surface")
        self.assertIn(b"Temp/Contours.dxf, .geojson", run.stdout)
        self.assertIn(b"Temp/Surface.asc, .prj, .tif", run.stdout)
        self.check_grid_files("Temp/Surface", grid)
        contours = run.counter("Contours  : ")
        self.assertGreater(contours, 3)
        self.assertEqual(ogr_count(self.survey.path("Temp/Contours.geojson")), contours)
        doc = ezdxf.readfile(self.survey.path("Temp/Contours.dxf"))
        lines = [e for e in doc.modelspace() if e.dxftype() == "POLYLINE"]
        features = json.loads(self.survey.read("Temp/Contours.geojson"))["features"]
        self.assertEqual(len(lines), len(features))
        got, xy = [], []
        for line, f in zip(lines, features):
            line_xy = [(v.dxf.location[0], v.dxf.location[1]) for v in line.vertices]
            if line.is_closed:
                line_xy.append(line_xy[0])
            self.assertEqual(len(f["geometry"]["coordinates"]), len(line_xy))
            got += f["geometry"]["coordinates"]
            xy += line_xy
            props = f["properties"]
            self.assertAlmostEqual(props["level"], line.dxf.elevation[2], places=6)
            self.assertEqual(props["depth"], -props["level"])
            self.assertEqual(props["major"], line.dxf.layer == "CONTOUR_MAJOR")
        self.check_places(got, xy, grid)

        # The difference to a level.
        if grid.every_tool:
            run = self.run_tool("survey_volume", "--level", "-10")
            self.assertIn(b"Temp/Difference.asc, .prj, .tif", run.stdout)
            self.check_grid_files("Temp/Difference", grid)

        # The chart's soundings, in the order of PM/Soundings.txt.
        run = self.run_tool("survey_soundings")
        self.assertIn(b"Temp/Soundings.svg, .geojson", run.stdout)
        kept = run.counter("Kept      : ")
        soundings = [line.decode().split() for line in self.survey.read("PM/Soundings.txt").split(b"\r\n") if line]
        self.assertEqual(ogr_count(self.survey.path("Temp/Soundings.geojson")), kept)
        features = self.check_points("Temp/Soundings.geojson", [(float(s[0]), float(s[1])) for s in soundings], grid)
        for f, s in zip(features, soundings):
            depth = -Decimal(s[2])
            self.assertEqual(Decimal(str(f["properties"]["depth"])), depth)
            # The label's decimal rounded half up, as the tools write numbers.
            self.assertEqual(f["properties"]["label"], str(depth.quantize(Decimal("0.1"), ROUND_HALF_UP)))

        if grid.every_tool:
            self.crossings_and_track(records, grid, contours, kept)

    def crossings_and_track(self, records, grid, contours, kept):
        # The crossings, at the places of Temp/Crossings.txt (written to the
        # centimetre: within 8 mm then).
        run = self.run_tool("survey_qc")
        crossings = [line.split() for line in self.survey.read("Temp/Crossings.txt").split(b"\r\n") if line]
        self.assertEqual(len(crossings), 12)
        self.assertEqual(run.counter("Crossings  : "), 12)
        self.assertEqual(ogr_count(self.survey.path("Temp/Crossings.geojson")), 12)
        features = self.check_points("Temp/Crossings.geojson", [(float(c[0]), float(c[1])) for c in crossings],
                                     grid, tolerance=0.008)
        for f, c in zip(features, crossings):
            p = f["properties"]
            self.assertEqual((p["difference"], p["main_record"], p["cross_record"]), (float(c[5]), int(c[6]), int(c[8])))
            self.assertEqual(p["best"] == "Exclusive", p["order_exclusive"])

        # The track and the KML, with the contours and soundings made above.
        run = self.run_tool("survey_plot")
        self.check_track(records, grid, run.counter("GIS     : "))
        self.check_kml(contours, kept, run.counter("GIS     : "))

    def check_track(self, records, grid, shown):
        """Lines broken where the boat jumped more than 50 m: the first two
        main lines (a 40 m turn between them), the last two, each crossline."""
        features = json.loads(self.survey.read("Temp/Track.geojson"))["features"]
        self.assertEqual(len(features), 5)
        self.assertEqual(shown, 5)
        self.assertEqual(ogr_count(self.survey.path("Temp/Track.geojson")), 5)
        ends = [(1, 402), (403, 804), (805, 905), (906, 1006), (1007, 1107)]
        got = []
        for f, (first, last) in zip(features, ends):
            p = f["properties"]
            self.assertEqual((p["first"], p["last"], p["records"]), (first, last, last - first + 1))
            self.assertEqual(p["kept"], p["records"] - (first <= 31 <= last) - (first <= 301 <= last))
            self.assertEqual(len(f["geometry"]["coordinates"]), last - first + 1)
            got += f["geometry"]["coordinates"]
        self.check_places(got, [r[:2] for r in records], grid)

    def check_kml(self, contours, soundings, track):
        root = ET.fromstring(self.survey.read("Temp/Survey.kml"))
        folders = {f.find(KML + "name").text: f for f in root.iter(KML + "Folder")}
        self.assertEqual(list(folders), ["Track", "Contours", "Soundings"])
        counts = [len(folders[name].findall(KML + "Placemark")) for name in folders]
        self.assertEqual(counts, [track, contours, soundings])
        majors = [p for p in folders["Contours"] if p.findtext(KML + "styleUrl") == "#major"]
        geojson = json.loads(self.survey.read("Temp/Contours.geojson"))["features"]
        self.assertEqual(len(majors), sum(f["properties"]["major"] for f in geojson))
        self.assertTrue(majors)
        for placemark in folders["Soundings"].findall(KML + "Placemark"):
            lon, lat = (float(v) for v in placemark.findtext(KML + "Point/" + KML + "coordinates").split(","))
            self.assertTrue(-180 <= lon <= 180 and -90 <= lat <= 90)

    def test_the_readme_picture(self):
        """docs/gis_picture.sh on a survey: the GeoTIFF's colours with the
        contours (black) and the track (red) burnt in by GDAL where their
        WGS 84 coordinates fall in the grid; the track's lines run east and
        west, so its red rows are the main lines' northings."""
        grid = GRIDS[0]
        self.make_survey(grid)
        for tool in ("survey_surface", "survey_soundings", "survey_plot"):
            self.run_tool(tool)
        header, _ = read_asc(self.survey.read("Temp/Surface.asc"))
        columns, rows = int(header["ncols"]), int(header["nrows"])
        top = header["yllcorner"] + rows * header["cellsize"]
        png = self.survey.path("map.png")
        subprocess.run(["bash", os.path.join(REPO, "docs", "gis_picture.sh"), self.survey.root, png, str(columns)],
                       check=True, capture_output=True)
        subprocess.run(["gdal_translate", "-q", "-of", "ENVI", "-co", "INTERLEAVE=BSQ", png, self.survey.path("map.raw")], check=True)
        import numpy as np
        info = json.loads(subprocess.run(["gdalinfo", "-json", png], capture_output=True, check=True).stdout)
        width, height = info["size"]
        self.assertEqual((width, height), (columns, rows))  # a pixel a cell
        rgb = np.fromfile(self.survey.path("map.raw"), dtype=np.uint8).reshape(3, height, width)
        red = (rgb[0] == 228) & (rgb[1] == 26) & (rgb[2] == 28)
        black = (rgb[0] == 0) & (rgb[1] == 0) & (rgb[2] == 0)
        white = (rgb[0] == 255) & (rgb[1] == 255) & (rgb[2] == 255)
        # The main lines at y0, y0 + 40, y0 + 120, y0 + 160, on the edges
        # between rows of cells (1 m): each in the two rows that touch it
        # (a millimetre either side of the edge), whole; no other row red.
        edges = [round(top - (grid.y0 + dy)) for dy in (0, 40, 120, 160)]
        for e in edges:
            self.assertGreaterEqual(red[e - 1].sum() + red[e].sum(), columns - 2, e)
        red_rows = {r for r in range(height) if red[r].sum() > 10}
        self.assertLessEqual(red_rows, {r for e in edges for r in (e - 1, e)})
        self.assertGreater(black.sum(), 500)
        # The contours lie on the surface: no black pixel amid cells without
        # a height.
        for r, c in zip(*np.nonzero(black)):
            around = white[max(r - 1, 0):r + 2, max(c - 1, 0):c + 2]
            self.assertLess(around.sum(), around.size, (r, c))

    def test_no_grid_known(self):
        """Without PM/Grid.txt and PM/La_Lo_De.txt nobody knows the grid: the
        GeoTIFFs without a coordinate system, and no .prj, GeoJSON or KML
        (older ones removed)."""
        self.make_survey(GRIDS[3])
        tools = [("survey_surface",), ("survey_volume", "--level", "-10"), ("survey_soundings",), ("survey_qc",),
                 ("survey_plot",)]
        gis_files = ["Temp/Surface.prj", "Temp/Difference.prj", "Temp/Contours.geojson", "Temp/Soundings.geojson",
                     "Temp/Crossings.geojson", "Temp/Track.geojson", "Temp/Survey.kml"]
        for tool in tools:
            self.run_tool(*tool)
        for path in gis_files:
            self.assertTrue(os.path.exists(self.survey.path(path)), path)
        os.remove(self.survey.path("PM/Grid.txt"))
        os.remove(self.survey.path("PM/La_Lo_De.txt"))
        screens = b"".join(self.run_tool(*tool).stdout for tool in tools)
        self.assertIn(b"Temp/Surface.asc, .tif (no PM/Grid.txt or PM/La_Lo_De.txt)", screens)
        self.assertIn(b"Temp/Difference.asc, .tif (no PM/Grid.txt or PM/La_Lo_De.txt)", screens)
        self.assertIn(b"(no GIS files: no PM/Grid.txt or PM/La_Lo_De.txt)", screens)
        self.assertNotIn(b".geojson", screens)
        for path in gis_files:
            self.assertFalse(os.path.exists(self.survey.path(path)), path)
        for tif in ("Temp/Surface.tif", "Temp/Difference.tif"):
            info = json.loads(subprocess.run(["gdalinfo", "-json", self.survey.path(tif)],
                                             capture_output=True, check=True).stdout)
            self.assertNotRegex(info.get("coordinateSystem", {}).get("wkt", ""), "PROJCRS|GEOGCRS")
            self.assertEqual(info["bands"][0]["noDataValue"], -9999.0)

    def test_a_wrong_grid_file_stops_every_tool(self):
        """A PM/Grid.txt that gives no grid: each tool stops before it
        writes anything, with status 1 and why on the standard error."""
        self.make_survey(GRIDS[0])
        wrong = [(b"Grid: UTM 61N\r\n", b"PM/Grid.txt, line 1: "),
                 (b"Grid: tm 9 1 3500000 0 Bessel1841\r\nHelmert: " + SHIFT.encode() + b"\r\n",
                  b"PM/Grid.txt, line 1: a Helmert shift needs its rotation convention"),
                 (b"Zone: 35\r\n", b"PM/Grid.txt, line 1: \"Zone: 35\" is none of the lines")]
        tools = [("survey_surface",), ("survey_volume", "--level", "-10"), ("survey_soundings",), ("survey_qc",),
                 ("survey_plot",)]
        for text, why in wrong:
            self.survey.write("PM/Grid.txt", text)
            for tool in tools:
                with self.subTest(tool=tool[0], grid=text):
                    run = self.survey.run(tool[0], stdin=None, args=tool[1:])
                    self.assertEqual(run.returncode, 1, run)
                    self.assertIn(tool[0].encode() + b": " + why, run.stderr)
                    self.assertEqual(os.listdir(self.survey.path("Temp")), [])

    def test_unreadable_contours_stop_survey_plot(self):
        self.make_survey(GRIDS[0])
        self.survey.write("Temp/Contours.geojson", b'{"type":"FeatureCollection","features":[{"geometry":')
        run = self.survey.run("survey_plot", stdin=None)
        self.assertEqual(run.returncode, 1, run)
        self.assertIn(b"Temp/Contours.geojson", run.stderr)
        self.assertFalse(os.path.exists(self.survey.path("Temp/Survey.kml")))


# Grids as utm_points takes them (the text, a shift and its convention) and
# their definitions as PROJ gives them: a named grid by its EPSG code (through
# projinfo), the others by their parameters. A grid on another ellipsoid and
# no shift has the receiver's WGS 84 latitudes and longitudes: a shift of
# zero. A coordinate-frame shift is PROJ's +towgs84 with its rotations turned.
CRS_CASES = [
    (("UTM 35N",), 32635),
    (("EPSG:25832",), 25832),
    (("EPSG:2180",), 2180),
    (("EPSG:2154",), 2154),
    (("EPSG:7801",), 7801),
    (("tm 27 0.9996 500000 -4000000",),
     "+proj=tmerc +lat_0=0 +lon_0=27 +k=0.9996 +x_0=500000 +y_0=-4000000 +datum=WGS84 +units=m"),
    (("tm -2 0.9996012717 400000 -100000 49 Airy1830",),
     "+proj=tmerc +lat_0=49 +lon_0=-2 +k=0.9996012717 +x_0=400000 +y_0=-100000 +ellps=airy "
     "+towgs84=0,0,0,0,0,0,0 +units=m"),
    (("lcc 49 44 46.5 3 700000 6600000 GRS80",),
     "+proj=lcc +lat_0=46.5 +lon_0=3 +lat_1=49 +lat_2=44 +x_0=700000 +y_0=6600000 +ellps=GRS80 "
     "+towgs84=0,0,0,0,0,0,0 +units=m"),
    (("lcc1 42.5 25 0.99987742 500000 4000000",),
     "+proj=lcc +lat_1=42.5 +lat_0=42.5 +lon_0=25 +k_0=0.99987742 +x_0=500000 +y_0=4000000 +datum=WGS84 +units=m"),
    (("tm 9 1 3500000 0 Bessel1841", SHIFT, "position-vector"),
     "+proj=tmerc +lat_0=0 +lon_0=9 +k=1 +x_0=3500000 +y_0=0 +ellps=bessel "
     "+towgs84=598.1,73.7,418.2,0.202,0.045,-2.455,6.7 +units=m"),
    (("tm 9 1 3500000 0 Bessel1841", SHIFT, "coordinate-frame"),
     "+proj=tmerc +lat_0=0 +lon_0=9 +k=1 +x_0=3500000 +y_0=0 +ellps=bessel "
     "+towgs84=598.1,73.7,418.2,-0.202,-0.045,2.455,6.7 +units=m"),
    (("EPSG:25832", "1 2 3 0 0 0 0", "position-vector"),
     "+proj=utm +zone=32 +ellps=GRS80 +towgs84=1,2,3,0,0,0,0 +units=m"),
]


class EachKindOfGrid(SurveyCase):
    """Named grids, TM and Lambert by their parameters, datum shifts: GDAL
    reads the GeoTIFF's keys and the .prj as the same definition, a named
    grid's GeoTIFF by its EPSG code."""

    def test_gdal_reads_each_definition(self):
        program = os.environ.get("SURVEY_GIS_CRS_FILES", os.path.join(REPO, "build", "default", "tests",
                                                                      "gis_crs_files"))
        for n, (args, want) in enumerate(CRS_CASES):
            with self.subTest(grid=args):
                name = "grid%d" % n
                subprocess.run([program, self.survey.root, name] + list(args), check=True)
                if isinstance(want, int):
                    want = subprocess.run(["projinfo", "-o", "PROJ", "-q", "EPSG:%d" % want], capture_output=True,
                                          check=True).stdout.decode()
                for ext in ("tif", "prj"):
                    got = subprocess.run(["gdalsrsinfo", "-o", "proj4", self.survey.path("%s.%s" % (name, ext))],
                                         capture_output=True, check=True).stdout.decode()
                    got, expected = proj_params(got), proj_params(want)
                    for extra in ("no_defs", "type"):
                        got.pop(extra, None), expected.pop(extra, None)
                    self.assertEqual(got, expected, ext)
                info = json.loads(subprocess.run(["gdalinfo", "-json", self.survey.path(name + ".tif")],
                                                 capture_output=True, check=True).stdout)
                self.assertEqual(info["geoTransform"], [500000.0, 10.0, 0.0, 4700000.0, 0.0, -10.0])
                named = len(args) == 1 and isinstance(CRS_CASES[n][1], int)
                self.assertEqual(projected_code(info), CRS_CASES[n][1] if named else None)


if __name__ == "__main__":
    unittest.main()
