#!/usr/bin/env python3
"""echo_flag: profiles made here from a known seabed (a flat stretch, a gentle
and a steep slope, a dredged channel with 3 m walls, sounder noise of 5 cm)
with spikes planted (single, runs of (W + 1) // 2, at the first and last
records, up and down). For every case of the table: exactly the planted
spikes are flagged; Temp/Spikes.txt against a model of the rule that takes
the medians of plain slices; the drawing point by point (the kept points as
scr2dxf draws them from Temp/Echo_Rec.scr, the spikes as red circles);
echo_clean2 keeps exactly the other records; the final screen. Then the
sample survey, wrong calls and inputs, and LibreCAD printing the drawing."""

import math
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import dxf_number, fixed, points_txt, render, screen_rows  # noqa: E402
from survey_test import REPO, SAMPLE, WAIT, SurveyCase  # noqa: E402
from test_scr2dxf import dxf_pairs, run_tool  # noqa: E402


def profile(w, seed=7):
    """(records, planted): 210 records (x, y, z) along a track of steps of 1
    to 3 m, and the 0-based indices of the spikes planted for a window of w."""
    rnd = random.Random(seed)
    run = (w + 1) // 2
    spikes = {i: 5.0 for i in range(run)}                   # a run at the first records, up
    spikes.update({24: -1.01, 70: 5.0, 151: 6.0})            # 1.01 m below a flat bed; singles
    spikes.update({130 + k: -5.0 for k in range(run)})       # a run in the middle, down
    spikes.update({209 - k: -6.0 for k in range(run)})       # a run at the last records, down
    records, x, y = [], 9541213.36, 4707419.57
    for i in range(210):
        if i < 40:  # flat and without noise: 1.00 m above it (record 12) is not a spike
            z = -7.97 if i == 12 else -8.97
        elif i < 100:
            z = -9.0 - 0.02 * (i - 40) + rnd.uniform(-0.05, 0.05)   # gentle slope
        elif i < 115:
            z = -10.2 - 0.6 * (i - 100) + rnd.uniform(-0.05, 0.05)  # steep: 0.6 m a record
        else:  # a channel dredged 3 m deep, 30 records wide, in a flat bed
            z = (-21.0 if 150 <= i < 180 else -18.0) + rnd.uniform(-0.05, 0.05)
        x, y = round(x + rnd.uniform(1, 3), 2), round(y + rnd.uniform(-0.5, 0.5), 2)
        records.append((x, y, round(z + spikes.get(i, 0.0), 2)))
    return records, set(spikes)


def distances(records):
    d, out = 0.0, []
    for (px, py, _), (x, y, _) in zip(records[:1] + records, records):
        d += math.sqrt((x - px) * (x - px) + (y - py) * (y - py))
        out.append(d)
    return out


def model(records, w, a, p):
    """The Temp/Spikes.txt lines of the rule: medians of the slices of up to
    w heights before and after each record; a side counts when it is full,
    when neither is, when it holds any; a spike lies more than max(a, p|m|)
    (and a micrometre) above the median of every side that counts, or below."""
    zs, lines = [z for _, _, z in records], []
    for i, ((x, y, z), d) in enumerate(zip(records, distances(records))):
        sides = [zs[max(0, i - w):i], zs[i + 1:i + 1 + w]]
        full = any(len(s) == w for s in sides)
        meds = [statistics.median(s) if (len(s) == w if full else s) else None for s in sides]
        signs = {(z - m > t) - (m - z > t) for m in meds if m is not None
                 for t in [max(a, p * abs(m)) + 1e-6]}
        if len(signs) == 1 and 0 not in signs:
            near = min((m for m in meds if m is not None), key=lambda m: abs(z - m))
            lines.append(" ".join([str(i + 1), fixed(x, 2), fixed(y, 2), fixed(d, 4), fixed(z, 2)]
                                  + ["-" if m is None else fixed(m, 2) for m in meds]
                                  + [fixed(z - near, 2)]))
    return lines


def entities(drawing):
    """{layer: colour} of the LAYER table, [(type, {code: value})] of the
    ENTITIES and the extents [$EXTMIN, $EXTMAX] as numbers."""
    pairs = dxf_pairs(drawing)
    start = pairs.index((2, "ENTITIES"))
    layers = {g[2]: g[62] for t, g in groups(pairs[:start]) if t == "LAYER"}
    extents = [tuple(float(v) for _, v in pairs[i:i + 3]) for i in (5, 9)]
    return layers, groups(pairs[start + 1:pairs.index((0, "EOF")) - 1]), extents


def groups(pairs):
    out = []
    for code, value in pairs:
        if code == 0:
            out.append((value, {}))
        elif out:
            out[-1][1][code] = value
    return out


def flag_screen(w, a, p, n, flagged):
    return screen_rows({
        3: "      Echo Record Spike Flags", 4: "      ~~~~~~~~~~~~~~~~~~~~~~~",
        6: "      Read      PM/Points.txt", 7: "      Write  Temp/Clr_Rec.dxf",
        8: "              Temp/Spikes.txt",
        10: "      Window    : %d records before and after" % w,
        11: "      Min. Dev. : %r m" % a, 12: "      Rel. Dev. : %r x |median|" % p,
        14: "      Records: %8d" % n, 15: "      Points : %8d" % (n - flagged),
        16: "      Spikes : %8d" % flagged,
        18: "      Review the red circles of the layer SPIKES in the CAD program,",
        19: '      save the drawing as "Temp/Clr_Rec.dxf" and run echo_clean2.',
        23: "      Press Enter ..."})


class Flags(SurveyCase):
    def flag(self, records, args=()):
        self.survey.write("PM/Points.txt", points_txt(records))
        run = run_tool(self.survey, "echo_flag", args)
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        return run

    def test_profiles(self):
        # (options, W, A, P, what is flagged besides the planted spikes; None: nothing)
        cases = [([], 5, 1.0, 0.1, set()),
                 (["--window", "3"], 3, 1.0, 0.1, set()),
                 (["--window", "4", "--rel-dev", "0"], 4, 1.0, 0.0, set()),
                 (["--rel-dev", "0.05", "--window", "7", "--min-dev", "0.5"], 7, 0.5, 0.05, {12}),
                 (["--min-dev", "6.5"], 5, 6.5, 0.1, None)]
        for args, w, a, p, besides in cases:
            with self.subTest(args=args):
                records, planted = profile(w)
                run = self.flag(records, args)
                lines = self.survey.read("Temp/Spikes.txt").decode().split("\r\n")
                self.assertEqual(lines.pop(), "")
                flagged = {int(line.split()[0]) - 1 for line in lines}
                self.assertEqual(flagged, set() if besides is None else planted | besides)
                self.assertEqual(lines, model(records, w, a, p))

                # The drawing: record by record a POINT where scr2dxf puts it,
                # or a circle of 1 m around that place on the red layer SPIKES.
                drawing = self.survey.read("Temp/Clr_Rec.dxf")
                layers, drawn, extents = entities(drawing)
                self.assertEqual(layers, {"0": "7", "SPIKES": "1"})
                self.assertEqual(run_tool(self.survey, "echo_clean1").returncode, 0)
                self.assertEqual(run_tool(self.survey, "scr2dxf",
                                          ["Temp/Echo_Rec.scr", "echo.dxf"], None).returncode, 0)
                _, points, _ = entities(self.survey.read("echo.dxf"))
                for i, (d, (kind, g)) in enumerate(zip(distances(records), drawn)):
                    at = (dxf_number(fixed(d, 4)), dxf_number(fixed(records[i][2], 2)), "0.0")
                    self.assertEqual((kind, g[10], g[20], g[30]),
                                     ("CIRCLE" if i in flagged else "POINT",) + at)
                    if i in flagged:
                        self.assertEqual((g[8], g[40]), ("SPIKES", "1.0"))
                    else:
                        self.assertEqual(g, points[i][1])
                self.assertEqual(len(drawn), len(records))
                at = [(float(g[10]), float(g[20]), 0.0) for _, g in drawn]
                self.assertEqual(extents, [tuple(f(c) for c in zip(*at)) for f in (min, max)])

                # echo_clean2 keeps exactly the records not flagged.
                self.assertEqual(run_tool(self.survey, "echo_clean2").returncode, 0)
                self.assertEqual(self.survey.read("PM/PointsCl.txt"), "".join(
                    "%s %s %s\r\n" % tuple(fixed(v, 2) for v in r)
                    for i, r in enumerate(records) if i not in flagged).encode())
                self.assertEqual(render(run.stdout), (flag_screen(w, a, p, 210, len(flagged)), (24, 23)))

    def test_short_files(self):
        # Fewer than 2W + 1 records: each side that holds any record counts.
        for zs, flagged in [([-5.0], []), ([-5.0, -9.0], [1, 2]), ([-5, -5, -9, -5, -5], [3]),
                            ([-5] * 5 + [-9], [6])]:
            with self.subTest(zs=zs):
                records = [(9541213.36 + i, 4707419.57, z) for i, z in enumerate(zs)]
                self.flag(records)
                spikes = self.survey.read("Temp/Spikes.txt").decode().split("\r\n")[:-1]
                self.assertEqual([int(line.split()[0]) for line in spikes], flagged)
                self.assertEqual(spikes, model(records, 5, 1.0, 0.1))

    def test_sample_survey(self):
        # run_sample.sh's loose limits let two echo sounder spikes of under
        # 2 m through to a record 8 to 23 m deep: those two are flagged.
        shutil.rmtree(self.survey.root)
        shutil.copytree(SAMPLE, self.survey.root)
        for tool, answers in [("join", b"\n"), ("depth_filter", b"0.5\n40\n3\n5\n\n"),
                              ("utm_points", b"\n"), ("echo_flag", b"\n"), ("echo_clean2", b"\n")]:
            self.assertEqual(run_tool(self.survey, tool, stdin=answers).returncode, 0, tool)
        records = [line.split() for line in self.survey.read("PM/Points.txt").decode().split("\r\n")]
        spikes = [i for i, r in enumerate(records) if float(r[2]) > -3]
        self.assertEqual(len(spikes), 2)
        self.assertEqual([int(line.split()[0]) - 1 for line in
                          self.survey.read("Temp/Spikes.txt").decode().split("\r\n")[:-1]], spikes)
        self.assertEqual(self.survey.read("PM/PointsCl.txt"), "".join(
            " ".join(r) + "\r\n" for i, r in enumerate(records) if i not in spikes).encode())

    def test_wrong_calls_and_inputs(self):
        # A wrong call stops before the screen: exit 1, the reason and the usage.
        usage = "usage: echo_flag [--window W] [--min-dev A] [--rel-dev P]\n"
        self.survey.write("Temp/Clr_Rec.dxf", b"older drawing")
        for args, said in [(["--window", "0"], "--window 0: a whole number of records from 1 to 50"),
                           (["--window", "51"], "--window 51: a whole"),
                           (["--window", "2.5"], "--window 2.5: a whole"),
                           (["--min-dev", "-1"], "--min-dev -1: a number of 0 or more expected"),
                           (["--rel-dev", "nan"], "--rel-dev nan: a number"),
                           (["--rel-dev"], "--rel-dev: a value expected"),
                           (["-w", "5"], 'unknown option "-w"')]:
            with self.subTest(args=args):
                run = run_tool(self.survey, "echo_flag", args)
                self.assertEqual((run.returncode, run.stdout), (1, b""), run)
                message = run.stderr.decode()
                self.assertTrue(message.startswith("echo_flag: " + said), message)
                self.assertTrue(message.endswith("\n" + usage), message)
        # A record that cannot be drawn, an empty point list, none: nothing
        # is written, the older drawing stays; no Temp folder: stop at it.
        for points, code, said in [(b"1 2 -5\r\n3 4 Nan\r\n5 6 -5", 1, b"PM/Points.txt, record 2: "),
                                   (b"", 106, b"Runtime error 106"), (None, 2, b"Runtime error 2")]:
            if points is None:
                os.remove(self.survey.path("PM/Points.txt"))
            else:
                self.survey.write("PM/Points.txt", points)
            run = run_tool(self.survey, "echo_flag")
            self.assertEqual(run.returncode, code, run)
            self.assertIn(said, run.stderr)
            self.assertEqual(sorted(os.listdir(self.survey.path("Temp"))), ["Clr_Rec.dxf"])
            self.assertEqual(self.survey.read("Temp/Clr_Rec.dxf"), b"older drawing")
        shutil.rmtree(self.survey.path("Temp"))
        self.survey.write("PM/Points.txt", b"1 2 -5")
        self.assertEqual(run_tool(self.survey, "echo_flag").returncode, 3)

    def test_librecad_shows_the_red_markers(self):
        librecad, pdftoppm = shutil.which("librecad"), shutil.which("pdftoppm")
        if librecad is None or pdftoppm is None:
            self.fail("LibreCAD and pdftoppm are needed: apt-get install librecad poppler-utils")
        self.flag(profile(5)[0][115:])
        out = tempfile.mkdtemp(prefix="survey-pdf-")
        self.addCleanup(shutil.rmtree, out, True)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=out)
        p = subprocess.run([librecad, "dxf2pdf", "-a", "-t", out, "Temp/Clr_Rec.dxf"],
                           cwd=self.survey.root, env=env, capture_output=True, timeout=120)
        self.assertIn("DONE", (p.stdout + p.stderr).decode("latin-1"))
        subprocess.run([pdftoppm, "-r", "100", "-aa", "no", "-aaVector", "no", "-singlefile",
                        os.path.join(out, "Clr_Rec.pdf"), os.path.join(out, "page")],
                       check=True, timeout=WAIT)
        with open(os.path.join(out, "page.ppm"), "rb") as f:
            pixels = f.read().split(b"\n", 3)[3]
        rgb = [pixels[i:i + 3] for i in range(0, len(pixels), 3)]
        self.assertGreater(sum(1 for c in rgb if c[0] > 200 and c[1] < 60 and c[2] < 60), 40)
        self.assertGreater(sum(1 for c in rgb if max(c) < 100), 50)


if __name__ == "__main__":
    unittest.main()
