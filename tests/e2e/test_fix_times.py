#!/usr/bin/env python3
"""Every sounding where it was measured: a boat on a known track (lines run
both ways, half-circle turns, a speed that changes between 1.3 and 2.1 m/s),
logged as NMEA, through nmea_split and join; each sounding of Temp/Data.txt
against where the boat was at its time.

- untagged: a GGA each whole second (the position of that second), then five
  DBT at a sixth of a second apart, as the soundings between two fixes are
  spread; and the same from a receiver that sends its GGA 0.2 s after its
  time (--fix-delay 0.2);
- tagged, the logger's clock keeping the receiver's time, each GGA's tag
  0.15 s +- 0.05 s after its time, the soundings tagged when measured;
- the same with the logger's clock 37.4 s off and drifting 0.2 s an hour.

With --fix-delay 0.15 for the tagged logs every sounding lies within 0.05 m
of the boat; without it, the tagged ones within 0.35 m. The depth of each
sounding is its number / 10, so that Temp/Data.txt tells which it is. Then
the memory of nmea_split on a tagged log with that jitter and drift does not
grow with the log's length."""

import math
import os
import random
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from nmea_log import ddmm, hhmmss, sentence, tag  # noqa: E402
from survey_test import Survey, SurveyCase  # noqa: E402

LAT0, LON0 = 42.5, 27.5
M_LAT = 111132.0                                   # metres a degree of latitude ...
M_LON = 111320.0 * math.cos(math.radians(LAT0))    # ... and of longitude, here
LINE, RADIUS = 300.0, 40.0                         # the lines and the turns between them
START = 10 * 3600                                  # 10:00:00, the receiver's time at the start
SECONDS = 1800


def along(t):
    """Metres along the track t seconds after the start: a speed of
    1.7 + 0.4 sin(2 pi t / 180) m/s."""
    return 1.7 * t - 0.4 * 180 / (2 * math.pi) * (math.cos(2 * math.pi * t / 180) - 1)


def boat(t):
    """East and north (metres) of the boat t seconds after the start: lines
    of 300 m east and west in turn, 80 m apart, joined by half circles."""
    s = along(t)
    turn = math.pi * RADIUS
    leg, rest = divmod(s, LINE + turn)
    leg = int(leg)
    east = leg % 2 == 0
    y = leg * 2 * RADIUS
    if rest <= LINE:
        return (rest if east else LINE - rest), y
    a = (rest - LINE) / RADIUS
    dx = RADIUS * math.sin(a)
    return (LINE + dx if east else -dx), y + RADIUS - RADIUS * math.cos(a)


def gga(seconds, t):
    """The GGA of the receiver's time seconds with the boat's position at t,
    to a millionth of a minute (2 mm)."""
    x, y = boat(t)
    return sentence("GPGGA,%s,%s,N,%s,E,1,09,0.9,12.3,M,36.9,M,," % (
        hhmmss(seconds), ddmm(LAT0 + y / M_LAT, 2, 6), ddmm(LON0 + x / M_LON, 3, 6)))


def dbt(number):
    return sentence("SDDBT,,f,%.1f,M,,F" % (number / 10))


def untagged(delay=0.0, seconds=SECONDS):
    """The log's lines and the true time of every sounding by its number;
    the receiver sends each GGA delay seconds after its time, and the
    soundings between two GGAs are measured between their sentences."""
    lines, times = [], {}
    for t in range(seconds):
        lines.append(gga(START + t, t))
        for k in range(1, 6):
            times[len(times) + 1] = t + delay + k / 6
            lines.append(dbt(len(times)))
    return lines, times


def tagged(clock_off, drift, seconds=SECONDS, seed=28):
    """A logger whose clock reads t + clock_off + drift t at t seconds after
    the start; the GGA of each second tagged 0.15 +- 0.05 s after its time,
    five soundings tagged when measured, a fifth of a second apart."""
    rng = random.Random(seed)
    clock = lambda t: START + t + clock_off + drift * t  # noqa: E731
    tagged_lines, times = [], {}
    for t in range(seconds):
        tagged_lines.append((clock(t + 0.15 + rng.uniform(-0.05, 0.05)), gga(START + t, t)))
        for k in range(5):
            when = t + 0.1 + 0.2 * k
            times[len(times) + 1] = when
            tagged_lines.append((clock(when), dbt(len(times))))
    tagged_lines.sort(key=lambda line: line[0])
    return [tag(at) + text for at, text in tagged_lines], times


def misplaced(data, times):
    """The distance (m) of every sounding of Temp/Data.txt from where the
    boat was at its time."""
    out = []
    for line in data.decode().splitlines():
        lat, lon, depth = map(float, line.split())
        x, y = boat(times[round(depth * 10)])
        out.append(math.hypot((lon - LON0) * M_LON - x, (lat - LAT0) * M_LAT - y))
    return out


class FixTimes(SurveyCase):
    def split_and_join(self, lines, args):
        self.survey.write("Log.nmea", "\r\n".join(lines).encode() + b"\r\n")
        for tool, tool_args in (("nmea_split", args + ["Log.nmea"]), ("join", [])):
            run = self.survey.run(tool, args=tool_args)
            self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        return self.survey.read("Temp/Data.txt")

    def test_every_sounding_where_the_boat_was(self):
        cases = [
            ("untagged", untagged(), [], 0.05),
            ("untagged, the receiver 0.2 s late", untagged(0.2), ["--fix-delay", "0.2"], 0.05),
            ("tagged, the logger's clock on time", tagged(0, 0), ["--fix-delay", "0.15"], 0.05),
            ("tagged, the clock 37.4 s off, drifting 0.2 s an hour", tagged(37.4, 0.2 / 3600),
             ["--fix-delay", "0.15"], 0.05),
            ("tagged without --fix-delay", tagged(0, 0), [], 0.35),
            ("tagged, the clock off and drifting, without --fix-delay", tagged(37.4, 0.2 / 3600), [], 0.35),
        ]
        for name, (lines, times), args, within in cases:
            with self.subTest(name):
                distances = misplaced(self.split_and_join(lines, args), times)
                # All but the few soundings before the first fix and after the last.
                self.assertGreater(len(distances), len(times) - 12)
                self.assertLess(max(distances), within, "%s: %d of %d soundings more than %g m off" % (
                    name, sum(d >= within for d in distances), len(distances), within))
        # Without the delay the soundings lie some 0.15 s of the boat's run
        # behind (2 m/s: 0.3 m), as the test tells apart from the delay given.
        self.assertGreater(max(distances), 0.15)


class ConstantMemory(unittest.TestCase):
    def test_tagged_logs_jitter_and_drift(self):
        """The fixes wait for the lags of the 150 s after them, and the lags
        of 300 s are held: no more for a longer log."""
        peaks = []
        for seconds in (200, 40000):
            survey = Survey()
            self.addCleanup(survey.remove)
            lines, times = tagged(37.4, 0.2 / 3600, seconds)
            survey.write("Log.nmea", ("\r\n".join(lines) + "\r\n").encode())
            peaks.append(survey.peak_memory("nmea_split", ["Log.nmea"]))
            self.assertEqual(survey.read("Temp/Raw_Pos.txt").count(b"\n"), seconds)
            self.assertEqual(survey.read("Temp/Raw_Dpt.txt").count(b"\n"), len(times))
        self.assertLessEqual(peaks[1] - peaks[0], 1024, "peak RSS %d KiB, then %d KiB" % tuple(peaks))


if __name__ == "__main__":
    unittest.main()
