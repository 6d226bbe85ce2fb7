#!/usr/bin/env python3
"""scr2dxf: the scripts that the chain writes on the sample survey, drawn as
DXF and read back by dxf2txt and by a small reader of the DXF layout, value by
value against the numbers of the script; the cleaning loop with the drawing
cleaned in the DXF itself; script lines that are not understood; LibreCAD
printing every kind of drawing to PDF.

Expected values come from the script texts and the tools' input files,
parsed here by the layouts given in docs/ (scr2dxf.md and the pages of the
tools that write the scripts), never from scr2dxf's output."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import fixed, render, script_entries  # noqa: E402
from survey_test import REPO, SAMPLE, WAIT, Run, Survey, SurveyCase, tool_path  # noqa: E402

ANSWERS = os.path.join(REPO, "samples", "answers")


def run_tool(survey, tool, args=(), stdin=b"\n"):
    try:
        p = subprocess.run([tool_path(tool)] + list(args), cwd=survey.root, input=stdin,
                           capture_output=True, timeout=WAIT)
    except subprocess.TimeoutExpired:
        raise AssertionError("%s did not end within %s s" % (tool, WAIT))
    return Run(p.returncode, p.stdout, p.stderr)


def script_lines(data):
    """The lines of a script, each ending with CR LF."""
    text = data.decode("latin-1")
    assert text.endswith("\r\n"), repr(text[-20:])
    return text[:-2].split("\r\n")


def xyz(text):
    """The numbers of a script point "x,y,z" or "x,y" (z 0)."""
    values = [float(v) for v in text.split(",")]
    return tuple(values + [0.0] * (3 - len(values)))


# -- reading a DXF drawing by its layout

def dxf_pairs(data):
    """The (code, value) pairs of an ASCII DXF, checking the layout: CR LF
    after every line, each group code right-aligned in three characters on a
    line of its own, its value on the next."""
    lines = script_lines(data)
    assert len(lines) % 2 == 0, "an odd number of lines"
    pairs = []
    for i in range(0, len(lines), 2):
        code = lines[i]
        assert re.fullmatch(r" *\d+", code) and code == "%3d" % int(code), "code line %r" % code
        pairs.append((int(code), lines[i + 1]))
    return pairs


def dxf_drawing(data):
    """(header, entities) of an R12 drawing: {variable: [(code, value)]} and
    [(type, {code: value})], checking the frame HEADER, ENTITIES, EOF."""
    pairs = dxf_pairs(data)
    assert pairs[:2] == [(0, "SECTION"), (2, "HEADER")], pairs[:2]
    end = pairs.index((0, "ENDSEC"))
    header, name = {}, None
    for code, value in pairs[2:end]:
        if code == 9:
            name = value
            header[name] = []
        else:
            header[name].append((code, value))
    assert pairs[end + 1:end + 3] == [(0, "SECTION"), (2, "ENTITIES")], pairs[end + 1:end + 3]
    assert pairs[-2:] == [(0, "ENDSEC"), (0, "EOF")], pairs[-2:]
    entities = []
    for code, value in pairs[end + 3:-2]:
        if code == 0:
            entities.append((value, {}))
        else:
            assert code not in entities[-1][1], "code %d twice in %s" % (code, entities[-1][0])
            entities[-1][1][code] = value
    return header, entities


def at(groups, code=10):
    """The point of the codes code, code + 10, code + 20 as numbers."""
    return tuple(float(groups[c]) for c in (code, code + 10, code + 20))


def extents(points):
    return [tuple(f(p[i] for p in points) for i in range(3)) for f in (min, max)]


def delete_points(drawing, indices):
    """The drawing with the POINT entities of these 0-based indices taken
    out, as a user deletes them in a CAD program."""
    out, point, skip = [], -1, False
    for code, value in dxf_pairs(drawing):
        if code == 0:
            skip = False
            if value == "POINT":
                point += 1
                skip = point in indices
        if not skip:
            out += ["%3d" % code, value]
    return "".join(line + "\r\n" for line in out).encode("latin-1")


class SampleScripts(unittest.TestCase):
    """The chain run once on the sample survey: every script it writes,
    drawn by scr2dxf."""

    @classmethod
    def setUpClass(cls):
        cls.survey = s = Survey()
        shutil.rmtree(s.root)
        shutil.copytree(SAMPLE, s.root)
        with open(os.path.join(ANSWERS, "depth_filter.txt"), "rb") as f:
            limits = f.read()
        with open(os.path.join(ANSWERS, "dat_reduce.txt"), "rb") as f:
            height = f.read()
        for tool, stdin in [("join", b"\n"), ("depth_filter", limits), ("utm_points", b"\n"),
                            ("echo_clean1", b"\n"), ("dat_reduce", height)]:
            run = run_tool(s, tool, stdin=stdin)
            assert run.returncode == 0, run

    @classmethod
    def tearDownClass(cls):
        cls.survey.remove()

    def draw(self, script, name):
        """scr2dxf on a script of the survey; the drawing's bytes, and the
        lines dxf2txt lists from it."""
        run = run_tool(self.survey, "scr2dxf", [script, name], None)
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        listed = run_tool(self.survey, "dxf2txt", stdin=("%s\nlist.txt\n" % name).encode())
        self.assertEqual(listed.returncode, 0, listed)
        return self.survey.read(name), self.survey.read("list.txt").decode().split("\r\n")[:-1]

    def check_points(self, drawing, listed, points):
        """The drawing holds one POINT for each script point, in order, at
        the same numbers, and nothing else; dxf2txt lists them with three
        decimals; the extents span them."""
        header, entities = dxf_drawing(drawing)
        self.assertEqual([e for e, _ in entities], ["POINT"] * len(points))
        self.assertEqual([at(g) for _, g in entities], points)
        self.assertEqual(listed, [" ".join(fixed(v, 3) for v in p) for p in points])
        self.assertEqual([at(dict(header[v])) for v in ("$EXTMIN", "$EXTMAX")], extents(points))
        self.assertEqual(header["$ACADVER"], [(1, "AC1009")])

    def test_points_and_the_echo_record(self):
        # Temp/Points.scr: "osnap off point x,y,z", then " x,y,z", "zoom e".
        lines = script_lines(self.survey.read("Temp/Points.scr"))
        self.assertEqual(lines[-1], "zoom e")
        self.assertTrue(lines[0].startswith("osnap off point "), lines[0])
        points = [xyz(line.split(" ")[-1]) for line in lines[:-1]]
        self.assertEqual(len(points), 409)
        self.check_points(*self.draw("Temp/Points.scr", "points.dxf"), points)

        # Temp/Echo_Rec.scr: distance,z with z 0 in the drawing.
        entries = script_entries(self.survey.read("Temp/Echo_Rec.scr"))
        echo = [xyz("%s,%s" % entry) for entry in entries]
        self.check_points(*self.draw("Temp/Echo_Rec.scr", "echo.dxf"), echo)

    def test_the_3d_polyline(self):
        # "osnap off 3DPoly x,y,z", then "x,y,z" lines, an empty line, "zoom e".
        lines = script_lines(self.survey.read("Temp/3DPoly.scr"))
        self.assertEqual(lines[-2:], ["", "zoom e"])
        vertices = [xyz(line.split(" ")[-1]) for line in lines[:-2]]
        drawing, listed = self.draw("Temp/3DPoly.scr", "poly.dxf")
        header, entities = dxf_drawing(drawing)
        self.assertEqual([e for e, _ in entities], ["POLYLINE"] + ["VERTEX"] * 409 + ["SEQEND"])
        self.assertEqual((entities[0][1][66], entities[0][1][70]), ("1", "8"))
        self.assertEqual([g[70] for _, g in entities[1:-1]], ["32"] * 409)
        self.assertEqual([at(g) for _, g in entities[1:-1]], vertices)
        self.assertEqual([at(dict(header[v])) for v in ("$EXTMIN", "$EXTMAX")], extents(vertices))
        self.assertEqual(listed, [], "a vertex taken for a point")

    def test_depth_labels(self):
        # Temp/Out.Scr: label lines A "... text r x,y h 0 W" (right-justified
        # at x,y) and B " x,y h 0  T" (the text " T" starting at x,y).
        lines = script_lines(self.survey.read("Temp/Out.Scr"))
        self.assertEqual(lines[-1], "zoom e")
        expected = []
        for line in lines[:-1]:
            a = re.fullmatch(r"(?:osnap off text)? r (\S+) (\S+) 0 (-?\d+)", line)
            b = re.fullmatch(r" (\S+) (\S+) 0 ( \d)", line)
            self.assertTrue(a or b, line)
            m = a or b
            expected.append((bool(a), xyz(m.group(1)), float(m.group(2)), m.group(3)))
        self.assertEqual(len(expected), 2 * 288)
        drawing, listed = self.draw("Temp/Out.Scr", "labels.dxf")
        header, entities = dxf_drawing(drawing)
        self.assertEqual({e for e, _ in entities}, {"TEXT"})
        found = []
        for _, g in entities:
            right = g.get(72) == "2"
            if right:
                self.assertEqual(at(g, 11), at(g))
            else:
                self.assertEqual((g.get(72), g.get(11)), (None, None))
            self.assertEqual(float(g[50]), 0.0)
            found.append((right, at(g), float(g[40]), g[1]))
        self.assertEqual(found, expected)
        self.assertEqual(listed, [])

    def test_cleaning_loop(self):
        """echo_clean1 -> scr2dxf -> points deleted in the DXF -> echo_clean2:
        PM/PointsCl.txt holds the other records of PM/Points.txt, and
        Temp/PointsCl.scr drawn again gives the same points."""
        records = [line.split() for line in
                   self.survey.read("PM/Points.txt").decode().split("\r\n")]
        self.assertEqual(len(records), 409)
        drawing, _ = self.draw("Temp/Echo_Rec.scr", "Temp/Clr_Rec.dxf")
        # The first, three in a row, one alone and the last point deleted.
        deleted = {0, 100, 101, 102, 250, 408}
        self.survey.write("Temp/Clr_Rec.dxf", delete_points(drawing, deleted))
        run = run_tool(self.survey, "echo_clean2")
        self.assertEqual(run.returncode, 0, run)
        kept = [r for i, r in enumerate(records) if i not in deleted]
        self.assertEqual(self.survey.read("PM/PointsCl.txt"),
                         "".join(" ".join(r) + "\r\n" for r in kept).encode())

        # Temp/PointsCl.scr: "osnap off ucsicon off point x,y,z", " x,y,z",
        # then an empty line: the same points, drawn again.
        drawing, listed = self.draw("Temp/PointsCl.scr", "clean.dxf")
        self.check_points(drawing, listed, [tuple(float(v) for v in r) for r in kept])

    def test_librecad_prints_every_kind_of_drawing(self):
        """LibreCAD opens each drawing and prints it to a PDF page that shows
        something. It shows a message box when it cannot read a drawing, which
        headless means that it never ends."""
        librecad, pdftoppm = shutil.which("librecad"), shutil.which("pdftoppm")
        if librecad is None or pdftoppm is None:
            self.fail("LibreCAD and pdftoppm are needed: apt-get install librecad poppler-utils "
                      "(.ci/run installs them)")
        self.draw("Temp/Echo_Rec.scr", "Temp/Clr_Rec.dxf")
        self.assertEqual(run_tool(self.survey, "echo_clean2").returncode, 0)
        out = tempfile.mkdtemp(prefix="survey-pdf-")
        self.addCleanup(shutil.rmtree, out, True)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=out)
        for script, name in [("Temp/Points.scr", "points"), ("Temp/3DPoly.scr", "poly"),
                             ("Temp/Echo_Rec.scr", "echo"), ("Temp/PointsCl.scr", "clean"),
                             ("Temp/Out.Scr", "labels")]:
            with self.subTest(script):
                self.draw(script, name + ".dxf")
                try:
                    p = subprocess.run([librecad, "dxf2pdf", "-a", "-t", out, name + ".dxf"],
                                       cwd=self.survey.root, env=env, capture_output=True,
                                       timeout=120)
                except subprocess.TimeoutExpired:
                    raise AssertionError("LibreCAD did not end on %s.dxf (a message box?)" % name)
                said = (p.stdout + p.stderr).decode("latin-1")
                self.assertEqual(p.returncode, 0, said)
                self.assertNotIn("ERROR", said)
                self.assertIn("DONE", said)
                pdf = os.path.join(out, name + ".pdf")
                with open(pdf, "rb") as f:
                    self.assertEqual(f.read(5), b"%PDF-")
                page = os.path.join(out, name)
                subprocess.run([pdftoppm, "-gray", "-r", "36", "-singlefile", pdf, page],
                               check=True, timeout=WAIT)
                with open(page + ".pgm", "rb") as f:
                    pixels = f.read().split(b"\n", 3)[3]
                self.assertGreater(sum(1 for b in pixels if b < 128), 50, "a blank page")


class ScriptRules(SurveyCase):
    """Hand-written scripts: what each command draws, what stops the tool."""

    def scr2dxf(self, script, args=("s.scr", "out.dxf"), stdin=b"\n"):
        self.survey.write("s.scr", script)
        return run_tool(self.survey, "scr2dxf", args, stdin)

    def test_what_each_command_draws(self):
        script = crlf_lines(
            "ucsicon off osnap off point 1,2",   # z 0
            " 3.5,-4,5",                          # the blank repeats POINT
            "POINT 6,7",
            "zoom e",
            " e",                                 # ZOOM repeated
            "3DPoly 0,0,0",
            "1,1,1",
            "2,0,-1",
            "",
            "3dpoly 5,5",                         # a single vertex draws nothing
            "",
            "text r 10,20 2.5 0 12",
            " 10,19 1.5 90  3 4",                 # the text " 3 4", starting at 10,19
            " R 30,40 2 45 X",
            "text 1,1 1 0",                       # the line end ends the rotation;
            "",                                   # an empty text draws nothing
            "osnap off",
            "3DPoly 9,9,9",                       # left open at the end: drawn
            "8,8,8")
        run = self.scr2dxf(script)
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        header, entities = dxf_drawing(self.survey.read("out.dxf"))
        self.assertEqual([e for e, _ in entities],
                         ["POINT"] * 3 + ["POLYLINE"] + ["VERTEX"] * 3 + ["SEQEND"] + ["TEXT"] * 3
                         + ["POLYLINE"] + ["VERTEX"] * 2 + ["SEQEND"])
        self.assertEqual([at(g) for _, g in entities[:3]], [(1, 2, 0), (3.5, -4, 5), (6, 7, 0)])
        self.assertEqual([at(g) for _, g in entities[4:7]], [(0, 0, 0), (1, 1, 1), (2, 0, -1)])
        self.assertEqual([at(g) for _, g in entities[12:14]], [(9, 9, 9), (8, 8, 8)])
        texts = [(g[1], at(g), float(g[40]), float(g[50]), g.get(72), g.get(11), g.get(21))
                 for _, g in entities[8:11]]
        self.assertEqual([(t[0], t[1:4], t[4]) for t in texts],
                         [("12", ((10, 20, 0), 2.5, 0), "2"), (" 3 4", ((10, 19, 0), 1.5, 90), None),
                          ("X", ((30, 40, 0), 2, 45), "2")])
        self.assertEqual([at(entities[i][1], 11) for i in (8, 10)], [(10, 20, 0), (30, 40, 0)])
        self.assertEqual([at(dict(header[v])) for v in ("$EXTMIN", "$EXTMAX")],
                         [(0, -4, -1), (30, 40, 9)])
        screen = render(run.stdout)[0]
        self.assertEqual([screen[r - 1].rstrip() for r in (6, 7, 10, 11, 12, 13, 16, 19)],
                         ["      Script  (*.scr) : s.scr", "      Drawing (*.dxf) : out.dxf",
                          "      Script lines :       19", "      Points       :        3",
                          "      Polylines    :        2", "      Texts        :        3",
                          "      Written  out.dxf", "      Press ENTER  ..."])

    def test_lines_not_understood(self):
        # (script, line, what the message quotes): nothing is drawn, and an
        # older drawing under the name stays as it was.
        cases = [
            (["osnap off point 1,2", "circle 0,0 5"], 2, '"circle"'),
            (["point 1,2", " 1;2"], 2, '"1;2"'),
            (["point 1,2,3,4"], 1, '"1,2,3,4"'),
            (["point 7"], 1, '"7"'),
            (["point nan,1"], 1, '"nan,1"'),
            (["point 1e999,2"], 1, '"1e999,2"'),
            (["osnap on"], 1, '"on"'),
            (["zoom w"], 1, '"w"'),
            (["3DPoly 1,2", "3,4", "x"], 3, '"x"'),
            (["text q 1,2 2 0 5"], 1, '"q"'),
            (["text r 1,2 -2 0 5"], 1, '"-2"'),
            (["text r 1,2 2 zero 5"], 1, '"zero"'),
            (["point 1,2", " 3,4" + " " * 300], 2, '" 3,4   '),  # 304 characters
        ]
        for lines, number, quoted in cases:
            with self.subTest(lines[-1][:30]):
                self.survey.write("out.dxf", b"older drawing")
                run = self.scr2dxf(crlf_lines(*lines, "zoom e"))
                self.assertEqual(run.returncode, 1, run)
                message = run.stderr.decode()
                self.assertTrue(message.startswith("scr2dxf: s.scr, line %d: " % number), message)
                self.assertIn(quoted, message)
                self.assertEqual(self.survey.read("out.dxf"), b"older drawing")
                self.assertEqual(sorted(os.listdir(self.survey.root)),
                                 ["PM", "Temp", "out.dxf", "s.scr"])
                self.assertEqual(render(run.stdout)[0][15].rstrip(),
                                 "      Stopped: line %d of the script is not understood." % number)

    def test_files_and_names(self):
        # No script: the run-time stop; no drawing.
        run = run_tool(self.survey, "scr2dxf", ["none.scr", "out.dxf"])
        self.assertEqual(run.returncode, 2, run)
        self.assertIn(b"Runtime error 2", run.stderr)
        # No folder for the drawing: the stop at its creation, nothing left.
        run = self.scr2dxf(b"point 1,2\r\n", ("s.scr", "Nothing/out.dxf"))
        self.assertEqual(run.returncode, 3, run)
        self.assertEqual(sorted(os.listdir(self.survey.root)), ["PM", "Temp", "s.scr"])
        # One argument, or no name at a prompt: nothing done.
        for args, stdin in [(["s.scr"], b"\n"), ([], b"s.scr\n\n"), ([], b"")]:
            run = run_tool(self.survey, "scr2dxf", args, stdin)
            self.assertEqual(run.returncode, 1, run)
            self.assertEqual(sorted(os.listdir(self.survey.root)), ["PM", "Temp", "s.scr"])

        # Names typed at the prompts, in another letter case than on disk: the
        # drawing takes the place of the one that is there.
        self.survey.write("Temp/Echo.scr", b"point 1,2\r\n 3,4\r\nzoom e\r\n")
        self.survey.write("Temp/Clr_Rec.DXF", b"older drawing")
        run = run_tool(self.survey, "scr2dxf", [], b"temp/echo.SCR\ntemp/clr_rec.dxf\n\n")
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(sorted(os.listdir(self.survey.path("Temp"))), ["Clr_Rec.DXF", "Echo.scr"])
        _, entities = dxf_drawing(self.survey.read("Temp/Clr_Rec.DXF"))
        self.assertEqual([at(g) for _, g in entities], [(1, 2, 0), (3, 4, 0)])


def crlf_lines(*lines):
    return "".join(line + "\r\n" for line in lines).encode("latin-1")


if __name__ == "__main__":
    unittest.main()
