#!/usr/bin/env python3
"""The GIS files of the office tools read by GDAL and PROJ (Debian's gdal-bin
and proj-bin, test references only): the GeoTIFFs and .prj files by gdalinfo,
gdalsrsinfo and gdallocationinfo against the ESRI grids beside them, every
GeoJSON by ogrinfo and its coordinates against PROJ's inverse of the grid's
eastings and northings, the KML parsed with the counts of its folders. A
survey of main lines and crosslines in each grid the parameter line can
give; and a folder whose grid nobody knows."""

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

# The parameter line's grids: central meridian, scale, and the false easting
# and northing utm_points takes for them; a place of the survey in each.
GRIDS = [
    (27.0, 1.0, 9500113.804, 122.463, 9541000.0, 4707300.0),
    (24.0, 1.0, -999995.235, 0.698, -1024400.0, 4784900.0),
    (27.0, 0.9996, 0.0, 0.0, 41000.0, 4705400.0),
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


def proj_definition(meridian, scale, fe, fn):
    return ["+proj=tmerc", "+lat_0=0", "+lon_0=%r" % meridian, "+k=%r" % scale, "+x_0=%r" % fe,
            "+y_0=%r" % fn, "+a=6378137", "+b=6356752.314", "+units=m"]


def proj_inverse(definition, xy):
    """Longitudes and latitudes of the grid's x y, by PROJ's inverse."""
    text = "".join("%.6f %.6f\n" % p for p in xy)
    out = subprocess.run(["proj", "-I", "-f", "%.12f"] + definition, input=text.encode(),
                         capture_output=True, check=True).stdout.decode()
    return [tuple(float(v) for v in line.split()[:2]) for line in out.splitlines()]


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
        meridian, scale, fe, fn, x0, y0 = grid
        records = survey_records(x0, y0)
        self.survey.write("PM/La_Lo_De.txt", parameter_line(meridian, scale))
        self.survey.write("PM/Points.txt", points_file(records))
        # Two records deleted in the cleaning.
        self.survey.write("PM/PointsCl.txt", points_file(records[:30] + records[31:300] + records[301:]))
        return records, proj_definition(meridian, scale, fe, fn)

    def check_grid_files(self, stem, definition):
        """stem.tif and stem.prj against stem.asc and the grid's definition."""
        header, rows = read_asc(self.survey.read(stem + ".asc"))
        tif = self.survey.path(stem + ".tif")
        info = json.loads(subprocess.run(["gdalinfo", "-json", tif], capture_output=True, check=True).stdout)
        self.assertEqual(info["size"], [int(header["ncols"]), int(header["nrows"])])
        cell = header["cellsize"]
        self.assertEqual(info["geoTransform"], [header["xllcorner"], cell, 0.0,
                                                header["yllcorner"] + header["nrows"] * cell, 0.0, -cell])
        band = info["bands"][0]
        self.assertEqual((band["type"], band["noDataValue"]), ("Float32", -9999.0))
        want = proj_params(" ".join(definition))
        for path in (tif, self.survey.path(stem + ".prj")):
            got = proj_params(subprocess.run(["gdalsrsinfo", "-o", "proj4", path], capture_output=True,
                                             check=True).stdout.decode())
            for name in ("proj", "lat_0", "lon_0", "k", "x_0", "y_0", "a", "units"):
                self.assertEqual(got[name], want[name], "%s of %s" % (name, path))
            self.assertAlmostEqual(got["a"] - got["a"] / got["rf"], want["b"], delta=1e-6, msg=path)
        # Sampled cells: every 7th row and 5th column, with and without values.
        cells = [(c, r) for r in range(0, len(rows), 7) for c in range(0, len(rows[0]), 5)]
        out = subprocess.run(["gdallocationinfo", "-valonly", tif], capture_output=True, check=True,
                             input="".join("%d %d\n" % p for p in cells).encode()).stdout.decode().split()
        self.assertEqual(len(out), len(cells))
        import numpy as np  # the float of the millimetres written
        for (c, r), got in zip(cells, out):
            self.assertEqual(np.float32(got), np.float32(rows[r][c]), "cell %d, %d" % (c, r))
        self.assertTrue(any(rows[r][c] == -9999 for c, r in cells) and any(rows[r][c] != -9999 for c, r in cells))

    def check_points(self, path, xy, definition, tolerance=MM):
        """The GeoJSON's points, in their order, at PROJ's inverse of xy."""
        features = json.loads(self.survey.read(path))["features"]
        self.assertEqual(len(features), len(xy))
        want = proj_inverse(definition, xy)
        for f, w in zip(features, want):
            self.assertEqual(f["geometry"]["type"], "Point")
            self.assertLess(metres_apart(f["geometry"]["coordinates"], w), tolerance, f)
        return features

    def test_every_file_in_each_grid(self):
        """Every tool in the first grid; the surface and soundings in the
        others (the same inverse serves every file)."""
        for n, grid in enumerate(GRIDS):
            with self.subTest(meridian=grid[0], scale=grid[1]):
                self.every_file(grid, every_tool=n == 0)

    def every_file(self, grid, every_tool):
        records, definition = self.make_survey(grid)

        # The surface: its GeoTIFF and .prj, the contours as GeoJSON against
        # the polylines of Temp/Contours.dxf.
        run = self.run_tool("survey_surface")
        self.assertIn(b"Temp/Contours.dxf, .geojson", run.stdout)
        self.assertIn(b"Temp/Surface.asc, .prj, .tif", run.stdout)
        self.check_grid_files("Temp/Surface", definition)
        contours = run.counter("Contours  : ")
        self.assertGreater(contours, 3)
        self.assertEqual(ogr_count(self.survey.path("Temp/Contours.geojson")), contours)
        doc = ezdxf.readfile(self.survey.path("Temp/Contours.dxf"))
        lines = [e for e in doc.modelspace() if e.dxftype() == "POLYLINE"]
        features = json.loads(self.survey.read("Temp/Contours.geojson"))["features"]
        self.assertEqual(len(lines), len(features))
        for line, f in zip(lines, features):
            xy = [(v.dxf.location[0], v.dxf.location[1]) for v in line.vertices]
            if line.is_closed:
                xy.append(xy[0])
            got = f["geometry"]["coordinates"]
            self.assertEqual(len(got), len(xy))
            for g, w in zip(got, proj_inverse(definition, xy)):
                self.assertLess(metres_apart(g, w), MM)
            props = f["properties"]
            self.assertAlmostEqual(props["level"], line.dxf.elevation[2], places=6)
            self.assertEqual(props["depth"], -props["level"])
            self.assertEqual(props["major"], line.dxf.layer == "CONTOUR_MAJOR")

        # The difference to a level.
        if every_tool:
            run = self.run_tool("survey_volume", "--level", "-10")
            self.assertIn(b"Temp/Difference.asc, .prj, .tif", run.stdout)
            self.check_grid_files("Temp/Difference", definition)

        # The chart's soundings, in the order of PM/Soundings.txt.
        run = self.run_tool("survey_soundings")
        kept = run.counter("Kept      : ")
        soundings = [line.decode().split() for line in self.survey.read("PM/Soundings.txt").split(b"\r\n") if line]
        self.assertEqual(ogr_count(self.survey.path("Temp/Soundings.geojson")), kept)
        features = self.check_points("Temp/Soundings.geojson", [(float(s[0]), float(s[1])) for s in soundings],
                                     definition)
        for f, s in zip(features, soundings):
            depth = -Decimal(s[2])
            self.assertEqual(Decimal(str(f["properties"]["depth"])), depth)
            # The label's decimal rounded half up, as the tools write numbers.
            self.assertEqual(f["properties"]["label"], str(depth.quantize(Decimal("0.1"), ROUND_HALF_UP)))

        if every_tool:
            self.crossings_and_track(records, definition, contours, kept)

    def crossings_and_track(self, records, definition, contours, kept):
        # The crossings, at the places of Temp/Crossings.txt (written to the
        # centimetre: within 8 mm then).
        run = self.run_tool("survey_qc")
        crossings = [line.split() for line in self.survey.read("Temp/Crossings.txt").split(b"\r\n") if line]
        self.assertEqual(len(crossings), 12)
        self.assertEqual(run.counter("Crossings  : "), 12)
        self.assertEqual(ogr_count(self.survey.path("Temp/Crossings.geojson")), 12)
        features = self.check_points("Temp/Crossings.geojson", [(float(c[0]), float(c[1])) for c in crossings],
                                     definition, tolerance=0.008)
        for f, c in zip(features, crossings):
            p = f["properties"]
            self.assertEqual((p["difference"], p["main_record"], p["cross_record"]), (float(c[5]), int(c[6]), int(c[8])))
            self.assertEqual(p["best"] == "Exclusive", p["order_exclusive"])

        # The track and the KML, with the contours and soundings made above.
        run = self.run_tool("survey_plot")
        self.check_track(records, definition, run.counter("GIS     : "))
        self.check_kml(contours, kept, run.counter("GIS     : "))

    def check_track(self, records, definition, shown):
        """Lines broken where the boat jumped more than 50 m: the first two
        main lines (a 40 m turn between them), the last two, each crossline."""
        features = json.loads(self.survey.read("Temp/Track.geojson"))["features"]
        self.assertEqual(len(features), 5)
        self.assertEqual(shown, 5)
        self.assertEqual(ogr_count(self.survey.path("Temp/Track.geojson")), 5)
        want = proj_inverse(definition, [r[:2] for r in records])
        ends = [(1, 402), (403, 804), (805, 905), (906, 1006), (1007, 1107)]
        for f, (first, last) in zip(features, ends):
            p = f["properties"]
            self.assertEqual((p["first"], p["last"], p["records"]), (first, last, last - first + 1))
            self.assertEqual(p["kept"], p["records"] - (first <= 31 <= last) - (first <= 301 <= last))
            got = f["geometry"]["coordinates"]
            self.assertEqual(len(got), last - first + 1)
            for g, w in zip(got, want[first - 1:last]):
                self.assertLess(metres_apart(g, w), MM)

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
        edges = [round(top - (grid[5] + dy)) for dy in (0, 40, 120, 160)]
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
        """Without PM/La_Lo_De.txt nobody knows the grid: the GeoTIFF without
        a coordinate system, and no .prj or GeoJSON (older ones removed)."""
        self.make_survey(GRIDS[0])
        self.run_tool("survey_surface")
        self.run_tool("survey_plot")
        os.remove(self.survey.path("PM/La_Lo_De.txt"))
        run = self.run_tool("survey_surface")
        self.assertIn(b"Temp/Surface.asc, .tif (no grid known", run.stdout)
        run = self.run_tool("survey_plot")
        self.assertIn(b"(no GIS files: no grid known", run.stdout)
        for gone in ("Temp/Surface.prj", "Temp/Contours.geojson", "Temp/Track.geojson", "Temp/Survey.kml"):
            self.assertFalse(os.path.exists(self.survey.path(gone)), gone)
        info = json.loads(subprocess.run(["gdalinfo", "-json", self.survey.path("Temp/Surface.tif")],
                                         capture_output=True, check=True).stdout)
        self.assertNotRegex(info.get("coordinateSystem", {}).get("wkt", ""), "PROJCRS|GEOGCRS")
        self.assertEqual(info["bands"][0]["noDataValue"], -9999.0)

    def test_unreadable_contours_stop_survey_plot(self):
        self.make_survey(GRIDS[0])
        self.survey.write("Temp/Contours.geojson", b'{"type":"FeatureCollection","features":[{"geometry":')
        run = self.survey.run("survey_plot", stdin=None)
        self.assertEqual(run.returncode, 1, run)
        self.assertIn(b"Temp/Contours.geojson", run.stderr)
        self.assertFalse(os.path.exists(self.survey.path("Temp/Survey.kml")))


# The grids of gis_crs_files and their definitions as PROJ gives them: the
# named one by its code (projinfo), the others by their parameters.
CRS_FILES = {
    "utm": None,
    "tm": "+proj=tmerc +lat_0=0 +lon_0=27 +k=0.9996 +x_0=500000 +y_0=-4000000 +datum=WGS84 +units=m",
    "lcc2": "+proj=lcc +lat_0=46.5 +lon_0=3 +lat_1=49 +lat_2=44 +x_0=700000 +y_0=6600000 +ellps=GRS80 +units=m",
    "lcc1": "+proj=lcc +lat_1=42.5 +lat_0=42.5 +lon_0=25 +k_0=0.99987742 +x_0=500000 +y_0=4000000 +ellps=GRS80 "
            "+units=m",
    "gk": "+proj=tmerc +lat_0=0 +lon_0=9 +k=1 +x_0=3500000 +y_0=0 +ellps=bessel "
          "+towgs84=598.1,73.7,418.2,0.202,0.045,-2.455,6.7 +units=m",
}


class EachKindOfGrid(SurveyCase):
    """A named grid, TM and Lambert by their parameters, a datum shift: GDAL
    reads the GeoTIFF's keys and the .prj as the same definition."""

    def test_gdal_reads_each_definition(self):
        program = os.environ.get("SURVEY_GIS_CRS_FILES", os.path.join(REPO, "build", "default", "tests",
                                                                      "gis_crs_files"))
        names = subprocess.run([program, self.survey.root], capture_output=True, check=True).stdout.split()
        self.assertEqual([n.decode() for n in names], list(CRS_FILES))
        for name, want in CRS_FILES.items():
            if want is None:
                want = subprocess.run(["projinfo", "-o", "PROJ", "-q", "EPSG:32635"], capture_output=True,
                                      check=True).stdout.decode()
            for ext in ("tif", "prj"):
                got = subprocess.run(["gdalsrsinfo", "-o", "proj4", self.survey.path("%s.%s" % (name, ext))],
                                     capture_output=True, check=True).stdout.decode()
                got, expected = proj_params(got), proj_params(want)
                for extra in ("no_defs", "type"):
                    got.pop(extra, None), expected.pop(extra, None)
                self.assertEqual(got, expected, "%s.%s" % (name, ext))
            info = json.loads(subprocess.run(["gdalinfo", "-json", self.survey.path(name + ".tif")],
                                             capture_output=True, check=True).stdout)
            self.assertEqual(info["geoTransform"], [500000.0, 10.0, 0.0, 4700000.0, 0.0, -10.0])
            if name == "utm":
                self.assertIn('ID["EPSG",32635]', info["coordinateSystem"]["wkt"])


if __name__ == "__main__":
    unittest.main()
