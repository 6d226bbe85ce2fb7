#!/usr/bin/env python3
"""survey_qc: the crossline check on synthetic surveys whose crossings are
known exactly (main lines and crosslines on a grid over a plane seabed, a bias
and noise on the crosslines), against an independent model of the crossings
(numpy) and against GMT's x2sys_cross; the screen, the bad inputs, and the
report in headless Chromium (Debian's chromium: the DOM holds the tables and
pictures, the page prints to PDF pages that poppler-utils' pdftoppm shows are
not blank)."""

import html.parser
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

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import fixed, render, screen_rows  # noqa: E402
from survey_test import SurveyCase, TerminalCase  # noqa: E402

# The orders' a and b (IHO S-44, 2020).
ORDERS = [("Exclusive", 0.15, 0.0075), ("Special", 0.25, 0.0075), ("Order 1a", 0.5, 0.013),
          ("Order 1b", 0.5, 0.013), ("Order 2", 1.0, 0.023)]
BIAS, NOISE = -0.2, 0.1  # on the crosslines' heights
MAIN_Y = [50.0 * k for k in range(10)]           # main lines east-west, x 0 .. 500
CROSS_X = [13.3 + 60.0 * k for k in range(8)]   # crosslines north-south, y -20 .. 470


def seabed(x, y):
    return -(10 + 0.02 * x + 0.01 * y)


def arc(cx, cy, r, start, sweep, n):
    """n points of a circular arc (degrees), without its start."""
    return [(cx + r * math.cos(math.radians(start + sweep * i / n)),
             cy + r * math.sin(math.radians(start + sweep * i / n))) for i in range(1, n)]


def grid_survey(seed=7):
    """The records (x, y, z as written with two decimals) of a boat that runs
    the main lines east and west in turn with half-circle turns between them,
    then the crosslines north and south likewise; and the index of the first
    crossline record."""
    rng = random.Random(seed)
    track = []
    for k, y in enumerate(MAIN_Y):
        xs = [2.5 * i for i in range(201)]
        track += [(x, y, False) for x in (xs if k % 2 == 0 else xs[::-1])]
        if k + 1 < len(MAIN_Y):  # turn outside the area, radius 25 m
            track += [(x, yy, False) for x, yy in
                      (arc(500, y + 25, 25, -90, 180, 12) if k % 2 == 0 else arc(0, y + 25, 25, -90, -180, 12))]
    first_cross = len(track)
    for k, x in enumerate(CROSS_X):
        ys = [-20 + 2.3 * i for i in range(213)]
        track += [(x, y, True) for y in (ys if k % 2 == 0 else ys[::-1])]
        if k + 1 < len(CROSS_X):  # turn beyond the lines' ends, radius 30 m
            end = ys[-1] if k % 2 == 0 else ys[0]
            track += [(xx, y, True) for xx, y in
                      (arc(x + 30, end, 30, 180, -180, 14) if k % 2 == 0 else arc(x + 30, end, 30, 180, 180, 14))]
    records = []
    for x, y, cross in track:
        z = seabed(x, y) + (BIAS + rng.gauss(0, NOISE) if cross else 0)
        records.append(tuple(float(fixed(v, 2)) for v in (x, y, z)))
    return records, first_cross


def xyz_bytes(records):
    return b"".join(("%s %s %s\r\n" % tuple(fixed(v, 2) for v in r)).encode() for r in records)


def model_crossings(records, first_cross):
    """The crossings worked out from the grid: each crossline x meets each main
    line y; the heights interpolated between the records around that place.
    (x, y, depth, z main, z cross, difference, main records, cross records),
    records numbered from 1, ordered by crossline step, then main step."""
    r = np.array(records)
    out = []
    for cx in CROSS_X:
        c = np.where(np.isclose(r[:, 0], cx) & (np.arange(len(r)) >= first_cross))[0]
        for my in MAIN_Y:
            m = np.where(np.isclose(r[:, 1], my) & (np.arange(len(r)) < first_cross))[0]
            # the main step around x = cx and the crossline step around y = my
            i = next(i for i in m[:-1] if min(r[i, 0], r[i + 1, 0]) <= cx <= max(r[i, 0], r[i + 1, 0])
                     and i + 1 in m)
            j = next(j for j in c[:-1] if min(r[j, 1], r[j + 1, 1]) <= my <= max(r[j, 1], r[j + 1, 1])
                     and j + 1 in c)
            zm = r[i, 2] + (cx - r[i, 0]) / (r[i + 1, 0] - r[i, 0]) * (r[i + 1, 2] - r[i, 2])
            zc = r[j, 2] + (my - r[j, 1]) / (r[j + 1, 1] - r[j, 1]) * (r[j + 1, 2] - r[j, 2])
            out.append((j, i, (cx, my, -zm, zm, zc, zc - zm, i + 1, i + 2)))
    out.sort()
    return [(x, y, d, zm, zc, diff, a, b, j + 1, j + 2) for j, i, (x, y, d, zm, zc, diff, a, b) in out]


def read_crossings(data):
    rows = []
    for line in data.decode().split("\r\n")[:-1]:
        f = line.split(" ")
        rows.append(tuple(float(v) for v in f[:6]) + tuple(int(v) for v in f[6:]))
    return rows


def cells(report, table_id):
    """The rows of a table of the report, as lists of cell texts."""
    body = re.search(r'<table id="%s">(.*?)</table>' % table_id, report, re.S).group(1)
    return [[html.unescape(c) for c in re.findall(r"<t[hd]>(.*?)</t[hd]>", row)]
            for row in re.findall(r"<tr[^>]*>(.*?)</tr>", body)]


def tvu(a, b, d):
    return math.sqrt(a * a + (b * d) ** 2)


class GridSurvey(SurveyCase):
    def run_qc(self, args=(), code=0):
        run = self.survey.run("survey_qc", args=args)
        self.assertEqual(run.returncode, code, run)
        return run

    def check_against_model(self, got, want, cross_offset=0):
        self.assertEqual(len(got), len(want))
        for g, w in zip(got, want):
            self.assertEqual(g[6:], w[6:8] + (w[8] - cross_offset, w[9] - cross_offset), (g, w))
            for k in range(6):
                self.assertAlmostEqual(g[k], w[k], delta=0.0011, msg=(k, g, w))

    def test_crossings_statistics_and_orders_against_the_model(self):
        records, first_cross = grid_survey()
        self.survey.write("PM/PointsCl.txt", xyz_bytes(records))
        run = self.run_qc(["--title", "Grid & co"])
        want = model_crossings(records, first_cross)
        self.assertEqual(len(want), 80)
        data = self.survey.read("Temp/Crossings.txt")
        got = read_crossings(data)
        self.check_against_model(got, want)
        self.assertEqual(data, b"".join(("%s %s %s %s %s %s %d %d %d %d\r\n" % (
            fixed(g[0], 2), fixed(g[1], 2), *(fixed(v, 3) for v in g[2:6]), *g[6:])).encode() for g in got))

        # The bias and the noise recovered within their sampling error.
        diffs = np.array([w[5] for w in want])
        n = len(diffs)
        report = self.survey.read("Temp/QC_Report.html").decode()
        stats = {row[0]: row[1] for row in cells(report, "statistics")}
        mean, sd = float(stats["Mean (bias between the lines)"][:-2]), float(stats["Standard deviation"][:-2])
        self.assertLess(abs(mean - BIAS), 3 * NOISE / math.sqrt(n))
        self.assertLess(abs(sd - NOISE), 3 * NOISE / math.sqrt(2 * (n - 1)))
        self.assertAlmostEqual(mean, diffs.mean(), delta=0.0006)
        self.assertAlmostEqual(sd, diffs.std(ddof=1), delta=0.0006)
        self.assertAlmostEqual(float(stats["RMS"][:-2]), math.sqrt((diffs ** 2).mean()), delta=0.0006)
        self.assertAlmostEqual(float(stats["Largest |difference|"][:-2]), abs(diffs).max(), delta=0.0006)
        ranked = np.sort(abs(diffs))
        self.assertAlmostEqual(float(stats["95th percentile of |difference|"][:-2]),
                               ranked[math.ceil(0.95 * n) - 1], delta=0.0006)

        # The pass shares and verdicts of the model's crossings.
        depths = np.array([w[2] for w in want])
        orders = cells(report, "orders")[1:]
        self.assertEqual([row[0] for row in orders], [o[0] for o in ORDERS])
        screen, _ = render(run.stdout)
        for row, (name, a, b), line in zip(orders, ORDERS, range(19, 24)):
            limits = np.array([tvu(a, b, d) for d in depths])
            share = (abs(diffs) <= limits).mean()
            met = share >= 0.95
            self.assertEqual(row[4], fixed(100 * (abs(diffs) <= limits).sum() / n, 1) + " %", name)
            self.assertEqual(row[6], "met" if met else "not met", name)
            self.assertAlmostEqual(float(row[5]), np.sort(abs(diffs) / limits)[math.ceil(0.95 * n) - 1],
                                   delta=0.006)
            self.assertEqual(screen[line - 1][:37].rstrip(), "      %-10s%7s %%  %s" % (
                name, row[4][:-2], "met" if met else "not met"))
        # Beside them, the along-track shift: a plane without one.
        along = " ".join(r[37:].strip() for r in screen[16:23]).strip()
        self.assertRegex(along, r"^Along-track: none found \(under twice its standard error\): 0\.\d\d m \+/- "
                                r"0\.\d\d m (ahead|behind), from \d+ crossings on slopes$")
        self.assertIn("Grid &amp; co", report)
        # The lines keep the first few metres of the turns, which bend less
        # than 30 degrees over 20 m there.
        # One gap: the step from the last main line to the first crossline.
        for row, pattern in zip([r.rstrip() for r in screen[9:16]], [
                r"      Records    : +%d$" % len(records),
                r"      Main lines :       10  5\d\d\d\.\d m, dominant heading 90\.0 deg$",
                r"      Crosslines :        8  39\d\d\.\d m, 7\d\.\d % of the main lines$",
                r"      Diagonals  :        0  \(not used\)$",
                r"      Short      : +\d+  \(turns, pieces under 50 m\)$",
                r"      Gaps       :        1  step over 10 m cuts a line$",
                r"      Crossings  :       80$"]):
            self.assertRegex(row, pattern)
        self.assertEqual(screen[23].rstrip(), "      Press ENTER  ...")

    def test_crosslines_from_a_file_of_their_own(self):
        records, first_cross = grid_survey()
        self.survey.write("PM/PointsCl.txt", xyz_bytes(records[:first_cross]))
        # blank lines before the crosslines shift their line numbers
        self.survey.write("Temp/Cross.txt", b"\r\n\r\n" + xyz_bytes(records[first_cross:]))
        self.run_qc(["--crosslines", "Temp/Cross.txt"])
        self.check_against_model(read_crossings(self.survey.read("Temp/Crossings.txt")),
                                 model_crossings(records, first_cross), cross_offset=first_cross - 2)

    def test_few_crossings_are_reported_as_not_meaningful(self):
        records, first_cross = grid_survey()
        # two crosslines only: 20 crossings is enough, then 10 is not
        two = [r for r in records[first_cross:] if r[0] in (CROSS_X[0], CROSS_X[1])]
        self.survey.write("PM/PointsCl.txt", xyz_bytes(records[:first_cross]))
        self.survey.write("Temp/Cross.txt", xyz_bytes(two))
        self.run_qc(["--crosslines", "Temp/Cross.txt"])
        self.assertNotIn(b'id="few"', self.survey.read("Temp/QC_Report.html"))
        self.survey.write("Temp/Cross.txt", xyz_bytes([r for r in two if r[0] == CROSS_X[0]]))
        run = self.run_qc(["--crosslines", "Temp/Cross.txt"])
        self.assertEqual(len(read_crossings(self.survey.read("Temp/Crossings.txt"))), 10)
        self.assertIn(b'id="few">Only 10 crossings: fewer than 20',
                      self.survey.read("Temp/QC_Report.html"))
        self.assertIn("too few for a 95 % figure", render(run.stdout)[0][15])

    def test_no_crossline_and_bad_inputs(self):
        records, first_cross = grid_survey()
        self.survey.write("PM/PointsCl.txt", xyz_bytes(records[:first_cross]))
        self.survey.write("Temp/Crossings.txt", b"old")
        self.survey.write("Temp/QC_Report.html", b"old")
        run = self.run_qc(code=1)
        self.assertIn(b"no crossline found in PM/PointsCl.txt", run.stderr)
        self.assertIn(b"--crosslines FILE", run.stderr)
        self.assertEqual(render(run.stdout)[0][17].rstrip(), "      Stopped: no crossline found, no report written.")
        self.assertFalse(os.path.exists(self.survey.path("Temp/Crossings.txt")))
        self.assertFalse(os.path.exists(self.survey.path("Temp/QC_Report.html")))
        # A crossline file that is not x y z, or missing: the run-time stop.
        for data, code in [(b"1 2\r\n3 4\r\n", 106), (b"1 2 3\r\n4 5 x\r\n", 106), (None, 2)]:
            with self.subTest(data=data):
                if data is None:
                    os.remove(self.survey.path("Temp/Cross.txt"))
                else:
                    self.survey.write("Temp/Cross.txt", data)
                run = self.survey.run("survey_qc", args=["--crosslines", "Temp/Cross.txt"])
                where = self.assert_runtime_error(run, code)
                if code == 106:
                    self.assertIn("Temp/Cross.txt, line %d" % (1 if data.startswith(b"1 2\r") else 2), where)
        for args in (["--order", "3"], ["--max-gap", "0"], ["--bogus"], ["--min-line"]):
            with self.subTest(args=args):
                run = self.run_qc(args, code=1)
                self.assertIn(b"usage: survey_qc", run.stderr)


def planned_grid(step, repeats=1):
    """A lake survey's log in one file: six main lines run north and south
    (x = 0 .. 500, y 0 .. 300) and three crosslines east and west, longer in
    all (y = 50, 150, 250, x -150 .. 650), a fix every step metres, each given
    repeats times (a logger repeating the last fix); the boat goes straight
    from one line's end to the next line's start."""
    track = []
    for k in range(6):
        ys = [step * i for i in range(int(300 / step) + 1)]
        track += [(100.0 * k, y) for y in (ys if k % 2 == 0 else ys[::-1])]
    for k, y in enumerate((50.0, 150.0, 250.0)):
        xs = [-150 + step * i for i in range(int(800 / step) + 1)]
        track += [(x, y) for x in (xs if k % 2 == 0 else xs[::-1])]
    return [(x, y, seabed(x, y)) for x, y in track for _ in range(repeats)]


def qc_screen(run):
    return [row.rstrip() for row in render(run.stdout)[0]]


class LakeLogs(SurveyCase):
    """A planned grid whose fixes come every 12 m, most of them repeated."""

    def test_gaps_are_counted_and_the_median_step_named(self):
        self.survey.write("PM/PointsCl.txt", xyz_bytes(planned_grid(12, repeats=6)))
        run = self.survey.run("survey_qc")
        self.assertEqual(run.returncode, 1, run)
        steps = 6 * 25 + 3 * 66  # the steps of 12 m along the lines; 8 more between them
        screen = qc_screen(run)
        self.assertEqual(screen[14], "      Gaps       :      %d  steps over 10 m, 100 %%; median step 12.0 m" % (steps + 8))
        self.assertIn("%d of the %d steps between records are longer than --max-gap 10 m and cut the lines; "
                      "the median step is 12.0 m." % (steps + 8, steps + 8), run.stderr.decode())
        self.assertEqual(screen[17], "      Stopped: no crossline found, no report written.")
        run = self.survey.run("survey_qc", args=["--max-gap", "30", "--main-heading", "0"])
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(qc_screen(run)[14], "      Gaps       :        8  steps over 30 m cut the lines")
        self.assertEqual(len(read_crossings(self.survey.read("Temp/Crossings.txt"))), 18)

    def test_repeated_fixes_make_no_pieces(self):
        counts = []
        for repeats in (1, 6):
            self.survey.write("PM/PointsCl.txt", xyz_bytes(planned_grid(12, repeats)))
            run = self.survey.run("survey_qc", args=["--max-gap", "30", "--main-heading", "0"])
            self.assertEqual(run.returncode, 0, run)
            screen = qc_screen(run)
            counts.append([screen[i][19:27] for i in (10, 11, 12, 13, 14)])
            crossings = read_crossings(self.survey.read("Temp/Crossings.txt"))
            self.assertEqual(len(crossings), 18)
            # The crossings' places are those of the survey without repeats.
            places = sorted((c[0], c[1]) for c in crossings)
            if repeats == 1:
                first = places
            else:
                self.assertEqual(places, first)
        self.assertEqual(counts[0], counts[1])
        self.assertEqual(counts[0][3].strip(), "0")  # no short piece: the lines run straight, cut by the gaps

    def test_main_heading_given_and_dominant_shown(self):
        self.survey.write("PM/PointsCl.txt", xyz_bytes(planned_grid(2)))
        dominant = self.survey.run("survey_qc")
        given = self.survey.run("survey_qc", args=["--main-heading", "180"])
        for run, main, cross, heading in (
                (dominant, (3, 2400), (6, 1800), ", dominant heading 90.0 deg"),
                (given, (6, 1800), (3, 2400), ", --main-heading 180 (dominant 90.0 deg)")):
            self.assertEqual(run.returncode, 0, run)
            screen = qc_screen(run)
            self.assertEqual(screen[10], "      Main lines :        %d  %d.0 m%s" % (main + (heading,)))
            self.assertRegex(screen[11], r"^      Crosslines :        %d  %d\.0 m, " % cross)
        report = self.survey.read("Temp/QC_Report.html").decode()
        self.assertIn("Main lines within 30\u00b0 of the heading given, 180.0\u00b0 from grid north (the dominant "
                      "heading is 90.0\u00b0)", report)
        # The crossings are the same places, main line and crossline swapped.
        self.assertEqual(len(read_crossings(self.survey.read("Temp/Crossings.txt"))), 18)
        for args in (["--main-heading", "-1"], ["--main-heading", "x"], ["--crosslines", "Temp/C.txt", "--main-heading", "0"]):
            self.assertEqual(self.survey.run("survey_qc", args=args).returncode, 1, args)


class QcScreen(TerminalCase):
    """survey_qc in a terminal of 80 x 25 (tmux): every row of its screen
    fits, the gaps and the headings in their rows."""

    def test_the_screen_in_a_terminal(self):
        records = planned_grid(12, repeats=3)
        self.survey.write("PM/PointsCl.txt", xyz_bytes(records))
        pid = self.term.start("survey_qc", args=["--max-gap", "12.5", "--main-heading", "0"])
        self.term.wait_prompt(pid, 24, "Press ENTER  ...")
        rows = [row.rstrip() for row in self.term.screen()]
        self.assertEqual(rows[9:16], [
            "      Records    : %8d" % len(records),
            "      Main lines :        6  1800.0 m, --main-heading 0 (dominant 90.0 deg)",
            "      Crosslines :        3  2376.0 m, 132.0 % of the main lines",
            "      Diagonals  :        0  (not used)",
            "      Short      :        0  (turns, pieces under 50 m)",
            "      Gaps       :        8  steps over 12.50 m cut the lines",
            "      Crossings  :       18  too few for a 95 % figure"])
        self.term.keys("Enter")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)


class AgainstGmt(SurveyCase):
    """GMT's x2sys_cross (Debian's gmt), a program of its own, finds the same
    crossings of the grid survey's lines, each line a track file, with the
    same differences when it interpolates linearly (-Il)."""

    def test_same_crossings_as_x2sys_cross(self):
        gmt = shutil.which("gmt")
        if gmt is None:
            raise AssertionError("gmt is needed for this test (apt-get install gmt)")
        records, first_cross = grid_survey()
        self.survey.write("PM/PointsCl.txt", xyz_bytes(records))
        self.assertEqual(self.survey.run("survey_qc").returncode, 0)
        ours = read_crossings(self.survey.read("Temp/Crossings.txt"))

        work = tempfile.mkdtemp(prefix="survey-x2sys-")
        self.addCleanup(shutil.rmtree, work, True)
        names = []
        for kind, places, axis, first, last in (("m", MAIN_Y, 1, 0, first_cross),
                                                ("c", CROSS_X, 0, first_cross, len(records))):
            for k, v in enumerate(places):
                name = "%s%02d.xyz" % (kind, k)
                with open(os.path.join(work, name), "w") as f:
                    f.write("x y z\n")  # the xyz format's header line
                    f.writelines("%r %r %r\n" % r for r in records[first:last] if r[axis] == v)
                names.append(name)
        env = dict(os.environ, X2SYS_HOME=work, GMT_USERDIR=work, GMT_TMPDIR=work)
        gmt_run = dict(cwd=work, env=env, capture_output=True, timeout=120, check=True)
        subprocess.run([gmt, "x2sys_init", "QC", "-Dxyz", "-Exyz", "-F", "-R-100/600/-100/600"], **gmt_run)
        out = subprocess.run([gmt, "x2sys_cross", *names, "-TQC", "-Qe", "-Il"], **gmt_run).stdout.decode()
        theirs, pair = [], None
        for line in out.splitlines():
            if line.startswith(">"):
                pair = line.split()[1:4:2]
            elif line and not line.startswith("#"):
                f = line.split()
                if pair[0][0] == "m" and pair[1][0] == "c":
                    # z_X is the first track's height less the second's
                    theirs.append((float(f[0]), float(f[1]), -float(f[10])))
        self.assertEqual((len(theirs), len(ours)), (80, 80))
        theirs.sort()
        for (x, y, diff), g in zip(theirs, sorted(ours)):
            self.assertAlmostEqual(x, g[0], delta=0.006)
            self.assertAlmostEqual(y, g[1], delta=0.006)
            self.assertAlmostEqual(diff, g[5], delta=0.0011)


CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync"]


class Balanced(html.parser.HTMLParser):
    """Checks that every element of the page is closed in order."""
    VOID = {"meta", "br", "img", "hr", "input", "link"}

    def __init__(self):
        super().__init__()
        self.open, self.errors = [], []

    def handle_starttag(self, tag, attrs):
        if tag not in self.VOID:
            self.open.append(tag)

    def handle_startendtag(self, tag, attrs):
        pass

    def handle_endtag(self, tag):
        if not self.open or self.open.pop() != tag:
            self.errors.append(tag)


class ReportInChromium(SurveyCase):
    def chromium(self, *args):
        browser = shutil.which("chromium")
        if browser is None:
            raise AssertionError("chromium is needed for the report test (apt-get install chromium)")
        profile = tempfile.mkdtemp(prefix="survey-chromium-")
        self.addCleanup(shutil.rmtree, profile, True)
        try:
            return subprocess.run([browser, *CHROMIUM_FLAGS, "--user-data-dir=" + profile, *args],
                                  capture_output=True, timeout=90, check=True)
        except subprocess.TimeoutExpired:
            raise AssertionError("chromium did not end within 90 s")

    def test_the_report_loads_and_prints(self):
        records, _ = grid_survey()
        self.survey.write("PM/PointsCl.txt", xyz_bytes(records))
        self.assertEqual(self.survey.run("survey_qc").returncode, 0)
        path = self.survey.path("Temp/QC_Report.html")
        with open(path, encoding="utf-8") as f:
            page = f.read()
        checker = Balanced()
        checker.feed(page)
        self.assertEqual((checker.errors, checker.open), ([], []))
        self.assertNotRegex(page, r"<script|<link|src=|url\(http", "the page must need nothing from outside")
        self.assertIn("@page { size: A4", page)

        url = "file://" + path
        # With logging on, Chromium writes the page's console messages (script
        # errors among them) to the standard error as lines with ":CONSOLE".
        loaded = self.chromium("--enable-logging=stderr", "--v=0", "--dump-dom", url)
        self.assertNotIn(b":CONSOLE", loaded.stderr)
        dom = loaded.stdout.decode()
        for table, rows in (("orders", 6), ("statistics", 7), ("worst", 21), ("inputs", 6)):
            self.assertEqual(len(re.findall(r"<tr", re.search(r'<table id="%s">.*?</table>' % table, dom,
                                                               re.S).group(0))), rows, table)
        for picture in ("plan", "histogram"):
            self.assertRegex(dom, r'<svg id="%s" xmlns="http://www.w3.org/2000/svg"' % picture)
        self.assertGreater(len(re.findall(r'class="bar"', dom)), 0)
        self.assertIn('class="crosslines"', dom)

        pdf = os.path.join(self.survey.root, "report.pdf")
        self.chromium("--no-pdf-header-footer", "--print-to-pdf=" + pdf, url)
        pages = subprocess.run(["pdftoppm", "-r", "30", "-gray", pdf, os.path.join(self.survey.root, "page")],
                               capture_output=True, timeout=60, check=True)
        self.assertEqual(pages.returncode, 0)
        images = sorted(f for f in os.listdir(self.survey.root) if f.startswith("page-") and f.endswith(".pgm"))
        self.assertGreaterEqual(len(images), 2)
        for name in images:
            with open(os.path.join(self.survey.root, name), "rb") as f:
                data = f.read()
            pixels = data.split(b"\n", 3)[3]  # P5, size, maxval, then the bytes
            dark = sum(1 for b in pixels if b < 128)
            self.assertGreater(dark, len(pixels) // 500, "page %s is blank" % name)


if __name__ == "__main__":
    unittest.main()
