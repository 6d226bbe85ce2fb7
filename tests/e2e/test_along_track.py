#!/usr/bin/env python3
"""survey_qc's along-track shift on made surveys at 2 m/s through the chain
(join, depth_filter, utm_points, survey_qc --crosslines --speed 2): main
lines run east and west in turn, crosslines north and south in turn, both
logged by the same system, over a sloped seabed (1 in 10 eastward, 1 in 17
northward, with undulations) or a flat one.

- Fixes stamped 0.6 s late (a second and 0.6 after their time): every
  sounding lies 1.2 m behind where it was measured; survey_qc finds it within
  0.2 m, the time within 0.1 s, and proposes join --latency -0.6 or so;
- after that join and the rest of the chain again, and with fixes stamped
  right: the shift within 0.2 m of 0;
- a flat seabed: not measurable."""

import math
import os
import random
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from survey_test import Survey  # noqa: E402

LAT0, LON0 = 42.5, 27.5
M_LAT = 111132.0
M_LON = 111320.0 * math.cos(math.radians(LAT0))
SPEED = 2.0
START = 9 * 3600  # 09:00:00
LIMITS = b"0.5\n40\n0.5\n5\n\n"  # depth_filter: depths 0.5 to 40 m, 0.5 m apart, slopes under 5


def sloped(x, y):
    return 6 + 0.1 * x + 0.06 * y + 0.3 * math.sin(2 * math.pi * x / 120) + 0.2 * math.cos(2 * math.pi * y / 90)


def flat(x, y):
    return 10.0


def lines_track(starts, ends):
    """A boat's track at SPEED along straight lines from starts[k] to ends[k],
    joined by half circles: a function of time, and the time it takes."""
    pieces = []  # (duration, position at a time into the piece)
    for k, (a, b) in enumerate(zip(starts, ends)):
        length = math.dist(a, b)
        ux, uy = (b[0] - a[0]) / length, (b[1] - a[1]) / length
        pieces.append((length / SPEED, lambda s, a=a, ux=ux, uy=uy: (a[0] + ux * SPEED * s, a[1] + uy * SPEED * s)))
        if k + 1 < len(starts):
            c = starts[k + 1]
            centre = ((b[0] + c[0]) / 2, (b[1] + c[1]) / 2)
            r = math.dist(b, c) / 2
            start = math.atan2(b[1] - centre[1], b[0] - centre[0])
            # turn away from the lines: the half circle on the side the line ran to
            side = 1 if (ux * (c[1] - b[1]) - uy * (c[0] - b[0])) > 0 else -1
            pieces.append((math.pi * r / SPEED, lambda s, cx=centre, r=r, a0=start, side=side: (
                cx[0] + r * math.cos(a0 + side * SPEED * s / r), cx[1] + r * math.sin(a0 + side * SPEED * s / r))))
    total = sum(d for d, _ in pieces)

    def at(t):
        for duration, where in pieces:
            if t <= duration:
                return where(t)
            t -= duration
        return pieces[-1][1](pieces[-1][0])
    return at, total


def main_lines():
    """Eight lines of 200 m east and west, 20 m apart."""
    ys = [20.0 * k for k in range(8)]
    return lines_track([((0, y) if k % 2 == 0 else (200, y)) for k, y in enumerate(ys)],
                       [((200, y) if k % 2 == 0 else (0, y)) for k, y in enumerate(ys)])


def crosslines():
    """Seven lines north and south across them, 28 m apart."""
    xs = [15.0 + 28 * k for k in range(7)]
    return lines_track([((x, -15) if k % 2 == 0 else (x, 155)) for k, x in enumerate(xs)],
                       [((x, 155) if k % 2 == 0 else (x, -15)) for k, x in enumerate(xs)])


def clock(seconds):
    return "%02d %02d %05.2f" % (seconds // 3600, seconds // 60 % 60, seconds % 60)


def write_logs(survey, track, seabed, late, bias, noise, seed):
    """Temp/Raw_Pos.txt: a fix a second, stamped a second and late seconds
    after its time; Temp/Raw_Dpt.txt: five soundings a second, stamped on
    time, bias too deep, with a noise of the standard deviation given."""
    at, total = track
    rng = random.Random(seed)
    fixes, soundings = [], []
    for t in range(int(total) + 1):
        x, y = at(t)
        x, y = x + rng.uniform(-0.1, 0.1), y + rng.uniform(-0.1, 0.1)
        fixes.append("%.8f %.8f %s\r\n" % (LAT0 + y / M_LAT, LON0 + x / M_LON, clock(START + t + 1 + late)))
    for k in range(int(total) * 5):
        x, y = at(k / 5)
        soundings.append("%.2f %s\r\n" % (seabed(x, y) + bias + rng.gauss(0, noise), clock(START + k / 5)))
    survey.write("Temp/Raw_Pos.txt", "".join(fixes).encode())
    survey.write("Temp/Raw_Dpt.txt", "".join(soundings).encode())


SHIFT = re.compile(r"Along-track: (?:soundings placed|none found \(under twice its standard error\):) "
                   r"(\d+\.\d\d) m \u00b1 (\d+\.\d\d) m (ahead|behind)")
REMEDY = re.compile(r"= positions (\d+\.\d\d) s (early|late) at 2\.0 m/s: run `join --latency (-?\d+\.\d\d)`")


class AlongTrack(unittest.TestCase):
    def setUp(self):
        self.main, self.cross = Survey(), Survey()
        self.addCleanup(self.main.remove)
        self.addCleanup(self.cross.remove)

    def run_ok(self, survey, tool, stdin=b"\n", args=()):
        run = survey.run(tool, stdin, args=args)
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)

    def check(self, seabed, late, latency=None):
        """The along-track sentences of the report on the made survey."""
        write_logs(self.main, main_lines(), seabed, late, 0.0, 0.01, 1)
        write_logs(self.cross, crosslines(), seabed, late, 0.1, 0.03, 2)
        for survey in (self.main, self.cross):
            self.run_ok(survey, "join", args=[] if latency is None else ["--latency", latency])
            self.run_ok(survey, "depth_filter", LIMITS)
            self.run_ok(survey, "utm_points")
        self.run_ok(self.main, "survey_qc", args=["--points", "PM/Points.txt", "--crosslines",
                                                  self.cross.path("PM/Points.txt"), "--speed", "2"])
        report = self.main.read("Temp/QC_Report.html").decode()
        part = re.search(r'<div id="along-track">(.*?)</div>', report, re.S).group(1)
        return [p for p in re.findall(r"<p>(.*?)</p>", part)]

    def shift(self, text):
        """s (metres, positive ahead) of the report's first sentence."""
        found = SHIFT.match(text[0])
        self.assertIsNotNone(found, text)
        return float(found.group(1)) * (1 if found.group(3) == "ahead" else -1)

    def test_fixes_stamped_late_then_the_remedy(self):
        text = self.check(sloped, 0.6)
        self.assertTrue(text[0].startswith("Along-track: soundings placed"), text)
        self.assertAlmostEqual(self.shift(text), -1.2, delta=0.2)
        remedy = REMEDY.match(text[1])
        self.assertIsNotNone(remedy, text)
        self.assertEqual(remedy.group(2), "late")
        self.assertAlmostEqual(float(remedy.group(1)), 0.6, delta=0.1)
        latency = remedy.group(3)
        self.assertEqual(float(latency), -float(remedy.group(1)))
        # The remedy as proposed, and the rest of the chain again.
        self.assertLess(abs(self.shift(self.check(sloped, 0.6, latency))), 0.2)

    def test_no_error(self):
        self.assertLess(abs(self.shift(self.check(sloped, 0.0))), 0.2)

    def test_a_flat_seabed_measures_nothing(self):
        self.assertEqual(self.check(flat, 0.6), ["Along-track: not measurable: too few crossings on slopes (0)"])


if __name__ == "__main__":
    unittest.main()
