#!/usr/bin/env python3
"""The chain from a logger's NMEA log: nmea_split, join, depth_filter and
utm_points on a tagged log made here (five minutes over midnight, GGA and RMC
at 1 Hz, DBT at 4 Hz, a ZDA a minute, a 15 s outage of the receiver with
GGA of fix quality 0, bad checksums, cut sentences, a stale line, junk).
Every output is checked against the positions worked out here: the degrees
and minutes converted, the join of each sounding (a fix is stamped a second
after its receiver time carried into the logger's clock, and join counts it
a second before its stamp; a sounding on a fix takes it, one between two
fixes is interpolated), then depth_filter's tests and the Transverse Mercator series
of tests/data/sample/make_chain_expected.py, written by its fixed-notation
rule."""

import math
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from nmea_log import dbt, ddmm, gga, hhmmss, rmc, sentence, tag  # noqa: E402
from survey_test import DATA, SurveyCase  # noqa: E402

sys.path.insert(0, os.path.join(DATA, "sample"))
from make_chain_expected import depth_filter, fixed, utm_points  # noqa: E402

START = 23 * 3600 + 58 * 60  # 23:58:00
SECONDS = 300
OUTAGE = range(200, 215)
LIMITS = (1.0, 40.0, 3.0, 0.5)


def boat(t):
    """Latitude and longitude t seconds after the start (about 2 m/s)."""
    return 42.5 + 2e-5 * t, 27.5 + 1.5e-5 * t + 2e-4 * math.sin(t / 40)


def depth(i):
    """The i-th sounding (4 Hz): a sloping bottom with now and then a spike."""
    return 0.5 if i % 97 == 50 else 8 + 2 * math.sin(i / 60) + i * 0.002


def degrees(text, width):
    """What a degrees-and-minutes field reads as (width digits of degrees)."""
    return int(text[:width]) + float(text[width:]) / 60.0


def make_log():
    """The log's lines, the fixes (join's time, latitude, longitude, as join
    reads them from Temp/Raw_Pos.txt) and the soundings (time, depth). The
    fixes are tagged half a second after their time, so every GGA's tag -
    receiver time is 0.5 s and a fix's time in the logger's clock is its tag;
    the soundings are tagged a quarter second apart after them: every time
    is a whole number of quarter seconds, and every fourth sounding falls on
    a fix."""
    lines, fixes, soundings = [], [], []
    for t in range(SECONDS + 4):
        now = START + t
        lat, lon = boat(t)
        if t in OUTAGE:
            lines.append(tag(now + 0.5) + gga(now, 0, 0, quality=0))
        else:
            lines.append(tag(now + 0.5) + gga(now, lat, lon))
            lines.append(tag(now + 0.55) + rmc(now, lat, lon, "150310" if now < 86400 else "160310"))
            la, lo = degrees(ddmm(lat, 2, 4), 2), degrees(ddmm(lon, 3, 4), 3)
            fixes.append((now + 0.5, float(fixed(la, 8)), float(fixed(lo, 8))))
        if t % 60 == 0:
            lines.append(tag(now + 0.6) + sentence("GPZDA,%s,%s,00,00" % (
                hhmmss(now), "15,03,2010" if now < 86400 else "16,03,2010")))
        for k in range(4) if t < SECONDS else ():
            i = 4 * t + k
            when = now + 0.75 + 0.25 * k
            lines.append(tag(when) + dbt(depth(i)))
            soundings.append((when, float("%.2f" % depth(i))))
            if i % 101 == 7:
                lines.append(tag(when) + dbt(depth(i))[:-2] + "FF")  # bad checksum
            if i % 131 == 9:
                lines.append(tag(when) + dbt(depth(i))[:20])  # cut short
            if i % 151 == 11:
                lines.append(tag(when - 30) + dbt(9.99))  # a stale line: time goes back
            if i % 173 == 13:
                lines.append("\x00\x17 noise \xfe\x1a")
    return lines, fixes, soundings


def joined(fixes, soundings):
    """Temp/Data.txt as the join gives it."""
    out = []
    for ts, d in soundings:
        for (t1, a1, o1), (t2, a2, o2) in zip(fixes, fixes[1:]):
            if ts == t1:
                out.append((a1, o1, d))
            elif t1 < ts < t2:
                out.append((((ts - t1) * (a2 - a1)) / (t2 - t1) + a1, ((ts - t1) * (o2 - o1)) / (t2 - t1) + o1, d))
            else:
                continue
            break
    return "".join("%s %s %s\r\n" % (fixed(a, 8), fixed(o, 8), fixed(d, 1)) for a, o, d in out).encode()


class NmeaChain(SurveyCase):
    def run_ok(self, tool, answers=b"\n", args=()):
        run = self.survey.run(tool, answers, args=args)
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)

    def test_nmea_split_join_depth_filter_utm_points(self):
        lines, fixes, soundings = make_log()
        self.survey.write("Log.nmea", "\r\n".join(lines).encode("latin-1") + b"\r\n")
        self.run_ok("nmea_split", args=["Log.nmea"])
        self.assertEqual(self.survey.read("Temp/Raw_Pos.txt").count(b"\n"), len(fixes))
        self.assertEqual(self.survey.read("Temp/Raw_Dpt.txt").count(b"\n"), len(soundings))

        self.run_ok("join")
        data = joined(fixes, soundings)
        self.assertEqual(self.survey.read("Temp/Data.txt"), data)
        self.run_ok("depth_filter", ("%g\n%g\n%g\n%g\n\n" % LIMITS).encode())
        point_list = depth_filter(data.decode(), *LIMITS)
        self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), point_list)
        self.assertGreater(point_list.count(b"\n"), 200)
        self.run_ok("utm_points")
        for name, expected in zip(("PM/Points.txt", "Temp/Points.scr", "Temp/3DPoly.scr"), utm_points(point_list)):
            self.assertEqual(self.survey.read(name), expected, name)


if __name__ == "__main__":
    unittest.main()
