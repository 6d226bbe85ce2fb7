#!/usr/bin/env python3
"""echo_flag on profiles made here from a known seabed with spikes planted:
exactly those flagged, Temp/Spikes.txt against a model of the rule on plain
slices, the drawing against scr2dxf's, echo_clean2 keeping the rest, the
screen; the sample survey; wrong calls and inputs; LibreCAD's print."""

import math
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import fixed, points_txt, render, screen_rows  # noqa: E402
from survey_test import SAMPLE, WAIT, SurveyCase  # noqa: E402
from test_scr2dxf import dxf_pairs, run_tool  # noqa: E402


def profile(w, seed=7):
    """210 records (x, y, z) 1 to 3 m apart: a flat bed without noise, a gentle
    and a steep slope (0.6 m a record), a channel dredged 3 m deep with noise of
    5 cm; and the 0-based indices of the spikes planted for a window of w."""
    rnd, run = random.Random(seed), (w + 1) // 2
    spikes = {i: 5.0 for i in range(run)}                   # a run at the first records, up
    spikes.update({24: -1.01, 70: 5.0, 151: 6.0})            # 1.01 m below the flat bed; singles
    spikes.update({130 + k: -5.0 for k in range(run)})       # a run in the middle, down
    spikes.update({209 - k: -6.0 for k in range(run)})       # a run at the last records, down
    records, x, y = [], 9541213.36, 4707419.57
    for i in range(210):
        noise = rnd.uniform(-0.05, 0.05)
        if i < 40:  # 1.00 m above the bed (record 12) is not a spike
            z = -7.97 if i == 12 else -8.97
        elif i < 115:
            z = (-9.0 - 0.02 * (i - 40) if i < 100 else -10.2 - 0.6 * (i - 100)) + noise
        else:
            z = (-21.0 if 150 <= i < 180 else -18.0) + noise
        x, y = round(x + rnd.uniform(1, 3), 2), round(y + rnd.uniform(-0.5, 0.5), 2)
        records.append((x, y, round(z + spikes.get(i, 0.0), 2)))
    return records, set(spikes)


def model(records, w, a, p):
    """Temp/Spikes.txt by the rule: the medians of up to w heights before and
    after; a full side counts, or when neither is, any side with records; a
    spike lies beyond max(a, p|m|) (and a micrometre) on one side of all."""
    zs, d, lines = [z for _, _, z in records], 0.0, []
    for i, (x, y, z) in enumerate(records):
        px, py, _ = records[max(i - 1, 0)]
        d += math.sqrt((x - px) * (x - px) + (y - py) * (y - py))
        sides = [zs[max(0, i - w):i], zs[i + 1:i + 1 + w]]
        full = any(len(s) == w for s in sides)
        meds = [statistics.median(s) if (len(s) == w if full else s) else None for s in sides]
        counted = [m for m in meds if m is not None]
        signs = {(z - m > t) - (m - z > t) for m in counted for t in [max(a, p * abs(m)) + 1e-6]}
        if signs in ({1}, {-1}):
            near = min(counted, key=lambda m: abs(z - m))
            lines.append(" ".join([str(i + 1)] + [fixed(v, n) for v, n in ((x, 2), (y, 2), (d, 4), (z, 2))]
                                  + ["-" if m is None else fixed(m, 2) for m in meds] + [fixed(z - near, 2)]))
    return lines


def entities(drawing):
    """{layer: colour}, [(type, {code: value})] of the ENTITIES, the extents."""
    pairs, found = dxf_pairs(drawing), []
    for code, value in pairs[:pairs.index((0, "EOF")) - 1]:
        if code == 0:
            found.append((value, {}))
        elif found:
            found[-1][1][code] = value
    start = next(k for k, (_, g) in enumerate(found) if g.get(2) == "ENTITIES")
    layers = {g[2]: g[62] for t, g in found[:start] if t == "LAYER"}
    return layers, found[start + 1:], [pairs[i:i + 3] for i in (5, 9)]


def flag_screen(w, a, p, n, flagged, kept=None):
    return screen_rows({**({} if kept is None else {17: "      Kept   : %8d" % kept}),
                        3: "      Echo Record Spike Flags", 4: "      " + "~" * 23,
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
        lines = self.survey.read("Temp/Spikes.txt").decode().split("\r\n")
        self.assertEqual(lines.pop(), "")
        return run, lines, {int(line.split()[0]) - 1 for line in lines}

    def test_profiles(self):
        # (options, W, A, P, flagged besides the planted spikes; None: nothing)
        for args, w, a, p, besides in [([], 5, 1.0, 0.1, set()), (["--window", "3"], 3, 1.0, 0.1, set()),
                                       (["--window", "4", "--rel-dev", "0"], 4, 1.0, 0.0, set()),
                                       (["--rel-dev", "0.05", "--window", "7", "--min-dev", "0.5"],
                                        7, 0.5, 0.05, {12}),
                                       (["--min-dev", "6.5"], 5, 6.5, 0.1, None)]:
            with self.subTest(args=args):
                records, planted = profile(w)
                run, lines, flagged = self.flag(records, args)
                self.assertEqual(flagged, set() if besides is None else planted | besides)
                self.assertEqual(lines, model(records, w, a, p))
                self.assertEqual(render(run.stdout), (flag_screen(w, a, p, 210, len(flagged)), (24, 23)))

                # Each record where scr2dxf draws it from Temp/Echo_Rec.scr: a
                # POINT, or a circle of 1 m on the red layer SPIKES followed by
                # the record's number.
                layers, drawn, extents = entities(self.survey.read("Temp/Clr_Rec.dxf"))
                labels = [(drawn[k - 1][1][10], g[1]) for k, (t, g) in enumerate(drawn) if t == "TEXT"]
                drawn = [e for e in drawn if e[0] != "TEXT"]
                for tool, args in [("echo_clean1", []), ("scr2dxf", ["Temp/Echo_Rec.scr", "echo.dxf"])]:
                    self.assertEqual(run_tool(self.survey, tool, args).returncode, 0)
                _, points, echo_extents = entities(self.survey.read("echo.dxf"))
                self.assertEqual((layers, extents, len(drawn)), ({"0": "7", "SPIKES": "1"}, echo_extents, 210))
                for i, (entity, (_, point)) in enumerate(zip(drawn, points)):
                    self.assertEqual(entity, ("CIRCLE", {**point, 8: "SPIKES", 40: "1.0"})
                                     if i in flagged else ("POINT", point))
                self.assertEqual(labels, [(points[i][1][10], str(i + 1)) for i in sorted(flagged)])

                # echo_clean2 keeps exactly the records not flagged.
                self.assertEqual(run_tool(self.survey, "echo_clean2").returncode, 0)
                self.assertEqual(self.survey.read("PM/PointsCl.txt"), "".join(
                    "%s %s %s\r\n" % tuple(fixed(v, 2) for v in r)
                    for i, r in enumerate(records) if i not in flagged).encode())

    def test_keep_puts_flagged_records_back(self):
        records, planted = profile(5)
        keep = sorted(planted)[:2] + [200]  # two spikes, and a record that is none
        run, lines, flagged = self.flag(records, ["--keep", ",".join(str(i + 1) for i in keep[:2]),
                                                  "--keep", str(keep[2] + 1)])
        self.assertEqual(flagged, planted - set(keep))
        self.assertEqual(lines, [line for line in model(records, 5, 1.0, 0.1)
                                 if int(line.split()[0]) - 1 not in keep])
        self.assertEqual(render(run.stdout), (flag_screen(5, 1.0, 0.1, 210, len(flagged), kept=2), (24, 23)))
        self.assertEqual(run_tool(self.survey, "echo_clean2").returncode, 0)
        self.assertEqual(self.survey.read("PM/PointsCl.txt"), "".join(
            "%s %s %s\r\n" % tuple(fixed(v, 2) for v in r)
            for i, r in enumerate(records) if i not in flagged).encode())

    def test_short_files(self):
        # Fewer than 2W + 1 records: each side that holds any record counts.
        for zs, flagged in [([-5], set()), ([-5, -9], {0, 1}), ([-5, -5, -9, -5, -5], {2}),
                            ([-5] * 5 + [-9], {5})]:
            records = [(9541213.36 + i, 4707419.57, z) for i, z in enumerate(zs)]
            _, lines, found = self.flag(records)
            self.assertEqual((found, lines), (flagged, model(records, 5, 1.0, 0.1)))

    def test_sample_survey(self):
        # run_sample.sh's loose limits let two sounder spikes of under 2 m
        # through to a record 8 to 23 m deep: those two are flagged.
        shutil.rmtree(self.survey.root)
        shutil.copytree(SAMPLE, self.survey.root)
        for tool, answers, args in [("join", b"\n", ["--cm"]), ("depth_filter", b"0.5\n40\n3\n5\n\n", ["--cm"]),
                                    ("utm_points", b"\n", [])]:
            self.assertEqual(run_tool(self.survey, tool, args, stdin=answers).returncode, 0, tool)
        records = [line.split() for line in self.survey.read("PM/Points.txt").decode().split("\r\n")]
        spikes = {i for i, r in enumerate(records) if float(r[2]) > -3}
        self.assertEqual((len(spikes), self.flag([tuple(map(float, r)) for r in records])[2]), (2, spikes))

    def test_wrong_calls_and_inputs(self):
        # Before the screen: exit 1, the reason and the usage; nothing touched.
        self.survey.write("Temp/Clr_Rec.dxf", b"older drawing")
        for args, said in [(["--window", "0"], "--window 0: a whole number of records from 1 to 50"),
                           (["--window", "51"], "--window 51: a whole"), (["--window", "2.5"], "--window 2.5: a"),
                           (["--min-dev", "-1"], "--min-dev -1: a number of 0 or more expected"),
                           (["--rel-dev", "nan"], "--rel-dev nan: a number"),
                           (["--rel-dev"], "--rel-dev: a value expected"), (["-w", "5"], 'unknown option "-w"'),
                           (["--keep", "3,,4"], "--keep 3,,4: record numbers from 1 on, separated by commas"),
                           (["--keep", "0"], "--keep 0: record numbers")]:
            run = run_tool(self.survey, "echo_flag", args)
            self.assertEqual((run.returncode, run.stdout), (1, b""), run)
            self.assertRegex(run.stderr.decode(), "^echo_flag: %s.*\n%s$" % (re.escape(said), re.escape(
                "usage: echo_flag [--window W] [--min-dev A] [--rel-dev P] [--keep N,N,...]\n")))
        # A height that cannot be drawn, no record, no file: stopped in the
        # first pass, so the older drawing stays; no folder Temp: stopped at it.
        for points, code, said in [(b"1 2 -5\r\n3 4 Nan", 1, b"PM/Points.txt, record 2: "),
                                   (b"", 106, b"Runtime error 106"), (None, 2, b"Runtime error 2")]:
            if points is None:
                os.remove(self.survey.path("PM/Points.txt"))
            else:
                self.survey.write("PM/Points.txt", points)
            run = run_tool(self.survey, "echo_flag")
            self.assertEqual((run.returncode, os.listdir(self.survey.path("Temp"))), (code, ["Clr_Rec.dxf"]))
            self.assertIn(said, run.stderr)
            self.assertEqual(self.survey.read("Temp/Clr_Rec.dxf"), b"older drawing")
        shutil.rmtree(self.survey.path("Temp"))
        self.survey.write("PM/Points.txt", b"1 2 -5")
        self.assertEqual(run_tool(self.survey, "echo_flag").returncode, 3)

    def test_librecad_shows_the_red_markers(self):
        if shutil.which("librecad") is None or shutil.which("pdftoppm") is None:
            self.fail("LibreCAD and pdftoppm are needed: apt-get install librecad poppler-utils")
        self.flag(profile(5)[0][115:])  # seven spikes
        out = tempfile.mkdtemp(prefix="survey-pdf-")
        self.addCleanup(shutil.rmtree, out, True)
        p = subprocess.run(["librecad", "dxf2pdf", "-a", "-t", out, "Temp/Clr_Rec.dxf"], cwd=self.survey.root,
                           env=dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=out),
                           capture_output=True, timeout=120)
        self.assertIn("DONE", (p.stdout + p.stderr).decode("latin-1"))
        subprocess.run(["pdftoppm", "-r", "100", "-aa", "no", "-aaVector", "no", "-singlefile",
                        os.path.join(out, "Clr_Rec.pdf"), os.path.join(out, "page")], check=True, timeout=WAIT)
        with open(os.path.join(out, "page.ppm"), "rb") as f:
            pixels = f.read().split(b"\n", 3)[3]
        rgb = [pixels[i:i + 3] for i in range(0, len(pixels), 3)]
        self.assertGreater(sum(1 for c in rgb if c[0] > 200 and c[1] < 60 and c[2] < 60), 40)  # red
        self.assertGreater(sum(1 for c in rgb if max(c) < 100), 50)  # the black points


if __name__ == "__main__":
    unittest.main()
