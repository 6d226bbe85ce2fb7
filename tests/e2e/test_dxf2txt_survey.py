#!/usr/bin/env python3
"""dxf2txt --survey: drawings made here with ezdxf (Debian's python3-ezdxf),
listed by dxf2txt and compared with what ezdxf itself reads from them: the
POINTs of model space and of the blocks it inserts (scales, rotation, arrays,
nesting, an extrusion), numeric TEXT and MTEXT labels, insertion points, the
vertices of lines, the layer filters and the layer column; paper space,
Defpoints, dimensions and unreferenced blocks passed over and counted on the
screen. Then a block that inserts itself, a binary drawing, a drawing in
LibreCAD 2.0's layout, and the memory of a large drawing."""

import fnmatch
import math
import os
import re
import subprocess
import sys
import threading
import unittest

import ezdxf
from ezdxf.math import Matrix44, Vec3

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import piped_screen  # noqa: E402
from survey_test import SurveyCase, tool_path  # noqa: E402

C_LOCALE = dict(os.environ, LC_ALL="C")
SANITIZE = os.environ.get("SURVEY_SANITIZE") == "1"
NUMBER = re.compile(r"^[+-]?(\d+([.,]\d*)?|[.,]\d+)$")


def survey_drawing():
    """A survey plan with everything --survey reads or passes over."""
    doc = ezdxf.new("R2010")
    for name in ("HEIGHTS", "LABELS", "SYMBOLS", "LINES", "Grid-1", "Коти"):
        doc.layers.add(name)
    msp = doc.modelspace()
    # A survey symbol: its point above the base point, a label on layer 0 and
    # one of its own, and a line; its base point is not the origin.
    sym = doc.blocks.new("SPOT", base_point=(1, 2, 0.5))
    sym.add_point((1.5, 2.25, 3))
    sym.add_text("101.25", dxfattribs={"insert": (2, 3), "layer": "LABELS"})
    sym.add_text("7,5", dxfattribs={"insert": (0, 0), "align_point": (4, 1), "halign": 2, "valign": 1})
    sym.add_text("not 5", dxfattribs={"insert": (0, 0)})
    sym.add_line((0, 0, 1), (3, 1, 2), dxfattribs={"layer": "LINES"})
    # A block of blocks: the symbol rotated and scaled inside it, and an array.
    group = doc.blocks.new("GROUP", base_point=(0, 0, 0))
    group.add_blockref("SPOT", (10, 0, 1), dxfattribs={"rotation": 30, "xscale": 2, "yscale": 2, "zscale": 2})
    inner = group.add_blockref("SPOT", (0, 10, 0))
    inner.grid(size=(2, 2), spacing=(5, 3))
    group.add_point((0, 0, 9), dxfattribs={"layer": "Grid-1"})
    group.add_point((1, 1, 1), dxfattribs={"layer": "DEFPOINTS"})
    top = doc.blocks.new("TOP", base_point=(5, 5, 0))
    top.add_blockref("GROUP", (5, 5, 0), dxfattribs={"rotation": -90, "xscale": 0.5, "yscale": 0.5})
    # Blocks nothing inserts.
    doc.blocks.new("UNUSED").add_point((99, 99, 99))
    doc.blocks.new("ALSO_UNUSED").add_blockref("UNUSED", (0, 0))

    msp.add_point((672500.125, 4712000.5, -12.75), dxfattribs={"layer": "HEIGHTS"})
    msp.add_blockref("SPOT", (672510, 4712010, 2), dxfattribs={"layer": "SYMBOLS", "rotation": 45,
                                                                 "xscale": 1.5, "yscale": -1, "zscale": 3})
    msp.add_blockref("GROUP", (672600, 4712100, 0), dxfattribs={"layer": "SYMBOLS"})
    msp.add_blockref("TOP", (100, 200, 10), dxfattribs={"rotation": 10})
    # An INSERT on a tilted extrusion, and an arrayed one (MINSERT).
    msp.add_blockref("SPOT", (3, 4, 5), dxfattribs={"extrusion": (0.2, -0.3, 0.9), "rotation": 20})
    arr = msp.add_blockref("SPOT", (50, 60, 0), dxfattribs={"rotation": 15, "xscale": 2})
    arr.grid(size=(3, 2), spacing=(4, 7))
    # Labels in model space: TEXT on an extrusion, MTEXT with formatting.
    msp.add_text("-3.5", dxfattribs={"insert": (7, 8, 1), "extrusion": (0, 0.6, 0.8), "layer": "LABELS"})
    msp.add_mtext(r"{\fArial|b1|i0|c204;\H2.5x;12.75}", dxfattribs={"insert": (20, 30, 0), "layer": "LABELS"})
    msp.add_mtext(r"\A1;+4.5\P", dxfattribs={"insert": (21, 31, 2)})
    msp.add_mtext(r"12\P13", dxfattribs={"insert": (22, 32, 0)})
    msp.add_text("1.2.3", dxfattribs={"insert": (1, 1)})
    msp.add_text("215.40", dxfattribs={"insert": (30, 40, 0), "layer": "Коти"})
    # Lines: an LWPOLYLINE at an elevation on an extrusion, 2D and 3D
    # POLYLINEs, a LINE.
    lw = msp.add_lwpolyline([(0, 0), (10, 0), (10, 5)], dxfattribs={"layer": "LINES", "elevation": 2.5})
    lw.dxf.extrusion = (0, 0, -1)
    msp.add_polyline2d([(1, 1), (2, 3), (4, 4)], dxfattribs={"layer": "LINES", "elevation": (0, 0, 7)})
    msp.add_polyline3d([(1, 2, 3), (4, 5, 6), (7, 8, -9)], dxfattribs={"layer": "Grid-1"})
    msp.add_line((0, 0, 0), (1, 1, 1))
    # Passed over: paper space, Defpoints, a dimension.
    doc.layouts.get("Layout1").add_point((5, 5, 5))
    doc.layouts.get("Layout1").add_blockref("SPOT", (0, 0))
    msp.add_point((6, 6, 6), dxfattribs={"layer": "Defpoints"})
    dim = msp.add_linear_dim(base=(0, 5), p1=(0, 0), p2=(10, 0))
    dim.render()
    return doc


def effective_layer(entity, parent):
    layer = entity.dxf.layer
    return parent if parent is not None and layer == "0" else layer


def ezdxf_items(doc, kinds):
    """What a surveyor takes from the drawing, read through ezdxf: (kind, x, y,
    z, layer) in drawing order; and the counts of what is passed over."""
    items = []
    passed = {"paper": 0, "defpoints": 0, "dimensions": 0}

    def emit(kind, p, layer, z=None):
        if kind in kinds:
            items.append((kind, p.x, p.y, p.z if z is None else z, layer))

    def walk(entity, m, parent):
        layer = effective_layer(entity, parent)
        if layer.lower() == "defpoints":
            passed["defpoints"] += 1
            return
        kind = entity.dxftype()
        if kind == "POINT":
            emit("point", m.transform(entity.dxf.location), layer)
        elif kind == "TEXT" and NUMBER.match(entity.dxf.text.strip()):
            aligned = entity.dxf.halign or entity.dxf.valign
            p = entity.dxf.align_point if aligned else entity.dxf.insert
            emit("label", m.transform(entity.ocs().to_wcs(p)), layer,
                 float(entity.dxf.text.strip().replace(",", ".")))
        elif kind == "MTEXT":
            text = entity.plain_text().strip()
            if NUMBER.match(text):
                emit("label", m.transform(entity.dxf.insert), layer, float(text.replace(",", ".")))
        elif kind == "INSERT":
            cells = list(entity.multi_insert()) if entity.mcount > 1 else [entity]
            for cell in cells:
                emit("insert", m.transform(cell.ocs().to_wcs(cell.dxf.insert)), layer)
                cell_m = cell.matrix44() * m
                for inner in cell.block():
                    walk(inner, cell_m, layer)
        elif kind == "LWPOLYLINE":
            for p in entity.vertices_in_wcs():
                emit("vertex", m.transform(p), layer)
        elif kind == "POLYLINE":
            ocs = entity.ocs()
            for v in entity.vertices:
                p = v.dxf.location
                if not entity.is_3d_polyline:
                    p = ocs.to_wcs(Vec3(p.x, p.y, entity.dxf.elevation.z))
                emit("vertex", m.transform(p), layer)
        elif kind == "LINE":
            emit("vertex", m.transform(entity.dxf.start), layer)
            emit("vertex", m.transform(entity.dxf.end), layer)
        elif kind == "DIMENSION":
            passed["dimensions"] += 1

    for entity in doc.modelspace():
        walk(entity, Matrix44(), None)
    for layout in doc.layouts:
        if layout.name != "Model":
            passed["paper"] += len(layout)
    return items, passed


def listed(data, with_layer=False):
    """The list file's lines as (x, y, z[, layer])."""
    self_lines = data.decode("utf-8").split("\r\n")
    assert self_lines[-1] == "", data[-50:]
    rows = []
    for line in self_lines[:-1]:
        parts = line.split(" ", 3 if with_layer else 2)
        rows.append(tuple(float(v) for v in parts[:3]) + tuple(parts[3:]))
    return rows


class SurveyMode(SurveyCase):
    def setUp(self):
        super().setUp()
        self.doc = survey_drawing()
        self.doc.saveas(self.survey.path("plan.dxf"))

    def run_survey(self, *options, name="plan.dxf"):
        p = subprocess.run([tool_path("dxf2txt")] + list(options), cwd=self.survey.root, env=C_LOCALE,
                           input=name.encode() + b"\nlist.txt\n", capture_output=True, timeout=60)
        return p

    def assert_items(self, got, want, with_layer=False):
        self.assertEqual(len(got), len(want), (got, want))
        for g, w in zip(got, want):
            _, x, y, z, layer = w
            self.assertTrue(all(math.isclose(a, b, abs_tol=6e-4) for a, b in zip(g[:3], (x, y, z))), (g, w))
            if with_layer:
                self.assertEqual(g[3], layer)

    def test_every_kind_against_ezdxf(self):
        cases = [
            ((), {"point"}),
            (("--labels",), {"point", "label"}),
            (("--inserts", "--lines"), {"point", "insert", "vertex"}),
            (("--labels", "--inserts", "--lines", "--with-layer"), {"point", "label", "insert", "vertex"}),
        ]
        for options, kinds in cases:
            with self.subTest(options):
                run = self.run_survey("--survey", *options)
                self.assertEqual(run.returncode, 0, run.stderr)
                want, passed = ezdxf_items(self.doc, kinds)
                with_layer = "--with-layer" in options
                self.assert_items(listed(self.survey.read("list.txt"), with_layer), want, with_layer)
                # The screen: the points counted at row 11, then each kind
                # taken and what was passed over.
                rows = [r.encode("latin-1").decode("cp1251") for r in piped_screen(run.stdout)[0]]
                self.assertTrue(rows[10].rstrip().endswith("т. %8d" % len(want)) or not want, rows[10])
                for row, kind in enumerate(["point", "label", "insert", "vertex"], start=12):
                    self.assertEqual(int(rows[row][24:32]), sum(1 for w in want if w[0] == kind), rows[row])
                counted = [int(rows[row][63:71]) for row in range(12, 17)]
                # Paper space, Defpoints (also inside the blocks, once each time
                # they are inserted), dimensions, the two unreferenced blocks,
                # other layers.
                self.assertEqual(counted, [passed["paper"], passed["defpoints"], passed["dimensions"], 2, 0])
        # The points of model space have no block to go through: exact.
        self.assertEqual(self.survey.read("list.txt").split(b"\r\n")[0], b"672500.125 4712000.500 -12.750 HEIGHTS")

    def test_layer_filters(self):
        kinds = {"point", "label", "insert", "vertex"}
        all_items, _ = ezdxf_items(self.doc, kinds)
        for patterns in (["heights"], ["LAB*", "grid-?"], ["*s"], ["0"], ["КОТИ"], ["nothing"]):
            with self.subTest(patterns):
                options = ["--labels", "--inserts", "--lines", "--with-layer"]
                for p in patterns:
                    options += ["--layer", p]
                run = self.run_survey(*options)
                self.assertEqual(run.returncode, 0, run.stderr)
                want = [w for w in all_items if any(fnmatch.fnmatchcase(w[4].lower(), p.lower()) for p in patterns)]
                self.assertTrue(want or patterns == ["nothing"])
                self.assert_items(listed(self.survey.read("list.txt"), True), want, True)
                rows = piped_screen(run.stdout)[0]
                self.assertEqual(int(rows[16][63:71]), len(all_items) - len(want), rows[16])

    def test_a_block_that_inserts_itself_stops(self):
        a = self.doc.blocks.new("LOOP_A")
        b = self.doc.blocks.new("LOOP_B")
        a.add_blockref("LOOP_B", (1, 0))
        b.add_blockref("LOOP_A", (0, 1))
        self.doc.blocks.new("SELF").add_blockref("SELF", (0, 0))
        self.doc.saveas(self.survey.path("loop.dxf"))
        self.survey.write("list.txt", b"old list\r\n")
        run = self.run_survey("--survey", name="loop.dxf")
        self.assertEqual(run.returncode, 1)
        self.assertRegex(run.stderr.decode(), r'^dxf2txt: the block "(LOOP_A|LOOP_B|SELF)" inserts itself\n$')
        self.assertEqual(self.survey.read("list.txt"), b"old list\r\n")
        # Without --survey the line scan does not look at blocks.
        run = self.run_survey(name="loop.dxf")
        self.assertEqual(run.returncode, 0)

    def test_unpadded_codes_a_byte_order_mark_and_options_that_stop(self):
        # LibreCAD 2.0 writes its codes without padding, CR LF: the same list.
        text = self.survey.read("plan.dxf").split(b"\n")
        unpadded = b"\r\n".join(line.strip() if i % 2 == 0 else line.rstrip(b"\r")
                                for i, line in enumerate(text))
        self.survey.write("unpadded.dxf", unpadded)
        self.assertEqual(self.run_survey("--labels", "--inserts", "--lines").returncode, 0)
        padded = self.survey.read("list.txt")
        self.assertEqual(self.run_survey("--labels", "--inserts", "--lines", name="unpadded.dxf").returncode, 0)
        self.assertEqual(self.survey.read("list.txt"), padded)
        # A byte order mark before the first code, as some writers of UTF-8 put it.
        self.survey.write("bom.dxf", b"\xef\xbb\xbf" + self.survey.read("plan.dxf"))
        self.assertEqual(self.run_survey("--labels", "--inserts", "--lines", name="bom.dxf").returncode, 0)
        self.assertEqual(self.survey.read("list.txt"), padded)
        # A coordinate that is no number: the run-time stop.
        self.survey.write("bad.dxf", b"0\nSECTION\n2\nENTITIES\n0\nPOINT\n10\n1,5\n20\n2\n0\nENDSEC\n0\nEOF\n")
        run = self.run_survey("--survey", name="bad.dxf")
        self.assertEqual(run.returncode, 106)
        self.assertTrue(run.stderr.startswith(b"Runtime error 106 at $"), run.stderr)
        for options in (["--bad"], ["--layer"]):
            run = self.run_survey(*options)
            self.assertEqual(run.returncode, 1)
            self.assertTrue(run.stderr.startswith(b"dxf2txt: "), run.stderr)


class LargeDrawing(SurveyCase):
    """Model space streams: the peak memory does not grow with it (10 M
    entities against 1 M; 1 M against 100 k in the sanitizer build)."""

    def drawing(self, path, n):
        """n entities in model space, in groups of ten: a POINT on layer H,
        three INSERTs of a block with a POINT, three LINEs and three
        LWPOLYLINEs on other layers."""
        doc = ezdxf.new("R2000")
        doc.blocks.new("MARK").add_point((0, 0, 1))
        doc.saveas(path)
        with open(path, "rb") as f:
            text = f.read()
        cut = text.index(b"ENTITIES\n") + len(b"ENTITIES\n")
        chunk = b"".join(b"0\nPOINT\n8\nH\n10\n%d.5\n20\n2.25\n30\n-%d.5\n" % (i, i) +
                         b"0\nINSERT\n8\nS\n2\nMARK\n10\n%d\n20\n7\n30\n0\n" % i * 3 +
                         b"0\nLINE\n8\nG\n10\n1\n20\n2\n30\n0\n11\n3\n21\n4\n31\n0\n" * 3 +
                         b"0\nLWPOLYLINE\n8\nL\n90\n2\n10\n1\n20\n2\n10\n3\n20\n4\n" * 3
                         for i in range(1000))
        with open(path, "wb") as f:
            f.write(text[:cut])
            for _ in range(n // 10000):
                f.write(chunk)
            f.write(text[cut:])

    def peak(self, n):
        """The peak resident memory (KiB) of dxf2txt on a drawing of n
        entities, read while it waits for its last key."""
        path = self.survey.path("big.dxf")
        self.drawing(path, n)
        p = subprocess.Popen([tool_path("dxf2txt"), "--inserts", "--lines", "--layer", "H"],
                             cwd=self.survey.root, stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=C_LOCALE)
        timer = threading.Timer(200, p.kill)
        timer.start()
        try:
            p.stdin.write(b"big.dxf\nlist.txt\n")
            p.stdin.flush()
            shown = b""
            # "завършен" (complete): the final message; then the tool waits.
            while b"\xe7\xe0\xe2\xfa\xf0\xf8\xe5\xed" not in shown:
                chunk = p.stdout.read1(65536)
                self.assertTrue(chunk, "dxf2txt ended early")
                shown = shown[-200:] + chunk
            with open("/proc/%d/status" % p.pid) as f:
                peak = int(re.search(r"^VmHWM:\s+(\d+) kB", f.read(), re.M).group(1))
            p.stdin.close()
            p.stdout.read()
            self.assertEqual(p.wait(), 0)
        finally:
            timer.cancel()
            p.kill()
            p.wait()
            p.stdout.close()
        os.remove(path)
        with open(self.survey.path("list.txt"), "rb") as f:
            self.assertEqual(sum(1 for _ in f), n // 10)
        return peak

    def test_memory_is_flat_in_the_size_of_model_space(self):
        small = 100000 if SANITIZE else 1000000
        small_peak = self.peak(small)
        large_peak = self.peak(small * 10)
        self.assertLess(large_peak, small_peak + 1024, (small_peak, large_peak))


if __name__ == "__main__":
    unittest.main()
