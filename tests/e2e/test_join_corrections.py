#!/usr/bin/env python3
"""join's depth corrections and --cm on made surveys, each against a model
worked out here: the sound velocity of a cast (the travel time integrated
numerically, the depth found by bisection), the squat of a boat slowing from
8 to 4 knots (its fixes laid out and its speeds measured on the ellipsoid by
PROJ's geodesics, pyproj), the heave of a 2 m swell, all of them together in
their order, and the calls and tables that stop join before it writes."""

import math
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import piped_screen  # noqa: E402
from survey_test import DATA, SurveyCase, crlf  # noqa: E402

sys.path.insert(0, os.path.join(DATA, "sample"))
from make_chain_expected import fixed  # noqa: E402

try:
    from pyproj import Geod
except ImportError:  # the tests say what to install
    Geod = None

START = 10 * 3600  # 10:00:00
OLD = crlf("41.00000000 26.00000000 1.0")
CM = 0.005 + 1e-9  # a depth written to the centimetre


def clock(t):
    return "%d %d %.3f" % (t // 3600, t // 60 % 60, t % 60)


def raw_pos(fixes):
    """Temp/Raw_Pos.txt of fixes (latitude, longitude, their own time): each
    stamped a second after its time, as join counts a fix."""
    return crlf(*("%.8f %.8f %s" % (lat, lon, clock(t + 1)) for lat, lon, t in fixes))


def raw_dpt(soundings):
    return crlf(*("%.2f %s" % (d, clock(t)) for d, t in soundings))


def series(records, decimals=2):
    return crlf(*("%s %.*f" % (clock(t), decimals, v) for t, v in records))


def data_lines(data):
    return [tuple(float(v) for v in line.split()) for line in data.decode().split("\r\n")[:-1]]


def straight_fixes(seconds):
    """A fix a second, northeast at about 2 m/s."""
    return [(42.5 + 1.2e-5 * k, 27.5 + 1.6e-5 * k, START + k) for k in range(seconds + 1)]


class Cast:
    """The model of a sound-velocity cast: speed linear between samples,
    constant beyond them; a repeated depth is a step."""

    def __init__(self, samples):
        self.samples = samples

    def speed(self, z):
        s = self.samples
        if z <= s[0][0]:
            return s[0][1]
        for (z0, v0), (z1, v1) in zip(s, s[1:]):
            if z0 <= z < z1:
                return v0 + (v1 - v0) * (z - z0) / (z1 - z0)
        return s[-1][1]

    def time(self, top, bottom):
        cuts = sorted({top, bottom} | {z for z, _ in self.samples if top < z < bottom})
        t = 0.0
        for a, b in zip(cuts, cuts[1:]):
            n = 1 + int((b - a) / 0.01)
            h = (b - a) / n
            t += sum(h / self.speed(a + (k + 0.5) * h) for k in range(n))
        return t

    def depth(self, reading, draft, set_speed):
        t, low, high = reading / set_speed, 0.0, 2 * reading
        for _ in range(50):
            mid = (low + high) / 2
            if self.time(draft, draft + mid) < t:
                low = mid
            else:
                high = mid
        return (low + high) / 2

    def table(self):
        return crlf(*("%g %g" % sample for sample in self.samples))


def geod():
    if Geod is None:
        raise AssertionError("pyproj is needed: apt-get install python3-pyproj")
    return Geod(ellps="WGS84")


class JoinCorrections(SurveyCase):
    def join(self, args, fixes, soundings, tables=None):
        """join on the fixes and soundings given, with two more fixes on the
        same course and one more sounding, so that every sounding given is
        joined (join ends when either log runs out; the last sounding read
        stays pending)."""
        (la1, lo1, t1), (la2, lo2, t2) = fixes[-2:]
        padded = fixes + [(la2 + k * (la2 - la1), lo2 + k * (lo2 - lo1), t2 + k * (t2 - t1)) for k in (1, 2)]
        self.survey.write("Temp/Raw_Pos.txt", raw_pos(padded))
        self.survey.write("Temp/Raw_Dpt.txt", raw_dpt(soundings + [(1.0, t2 + 0.5 * (t2 - t1))]))
        self.survey.write("Temp/Data.txt", OLD)
        for name, data in (tables or {}).items():
            self.survey.write(name, data)
        return self.survey.run("join", args=args)

    def joined(self, args, fixes, soundings, tables=None):
        run = self.join(args, fixes, soundings, tables)
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        return data_lines(self.survey.read("Temp/Data.txt")), piped_screen(run.stdout)[0]

    def test_sound_velocity_of_a_cast(self):
        fixes = straight_fixes(10)
        layered = Cast([(0, 1510), (5, 1510), (5, 1480), (40, 1480)])
        cases = [
            # 5 m at 1510 m/s over 15 m at 1480 m/s read 20.17 by a sounder set
            # to 1500: 20.00 m below the transducer.
            ("layered water", layered, [], 0.0, 1500, [20.17]),
            ("one speed is the constant scale", Cast([(2, 1470)]), ["--draft", "0.6"], 0.6, 1500,
             [0.5, 3.21, 9.99, 27.43]),
            ("transducer below the first sample", Cast([(0.5, 1530), (2, 1520), (8, 1490), (14, 1470)]),
             ["--draft", "3", "--sv-set", "1490"], 3.0, 1490, [0.25, 4.0, 10.5]),
            ("readings beyond the profile", Cast([(0, 1480), (10, 1500)]), ["--sv-set", "1500"], 0.0, 1500,
             [9.9, 30.0, 80.0]),
        ]
        for name, cast, args, draft, set_speed, readings in cases:
            with self.subTest(name):
                soundings = [(r, START + 1.5 + i) for i, r in enumerate(readings)]
                lines, screen = self.joined(["--sv-profile", "Temp/Sv.txt", "--cm"] + args, fixes, soundings,
                                            {"Temp/Sv.txt": cast.table()})
                self.assertEqual(len(lines), len(readings))
                if name == "layered water":
                    self.assertEqual(self.survey.read("Temp/Data.txt")[-8:], b" 20.00\r\n")
                for (_, _, depth), reading in zip(lines, readings):
                    self.assertAlmostEqual(depth, cast.depth(reading, draft, set_speed), delta=CM)
                    if len(cast.samples) == 1:
                        self.assertAlmostEqual(depth, reading * cast.samples[0][1] / set_speed, delta=CM)
                given = dict(zip(args[::2], args[1::2]))
                self.assertEqual([row.rstrip() for row in screen[18:23]], [
                    "      SV profile: Temp/Sv.txt", "      Sounder SV: %s m/s" % given.get("--sv-set", "1500"),
                    "      Draft     : %s m" % given.get("--draft", "0"), "      Decimals  : 2 (--cm)",
                    "      Press ENTER  ..."])

    def test_squat_of_a_boat_slowing_from_8_to_4_knots(self):
        ellipsoid = geod()
        knot = 1852 / 3600
        # 5 s at 9.5 knots (beyond the table's last speed), 60 s slowing from
        # 8 to 4 knots, 5 s at 2.5 knots (below its first): one fix a second
        # on a course of 37 degrees.
        speeds = [9.5] * 5 + [8 - 4 * k / 59 for k in range(60)] + [2.5] * 5
        lat, lon, fixes = 42.5, 27.5, []
        for k, v in enumerate(speeds + [None]):
            fixes.append((lat, lon, START + k))
            if v is not None:
                lon, lat, _ = ellipsoid.fwd(lon, lat, 37, v * knot)
        # Steeper than a real boat's, so that a speed off by a few thousandths
        # shows in the centimetres.
        table = [(3, 0.02), (5, 0.40), (7, 1.00), (9, 1.60)]

        def squat(kn):
            if kn <= table[0][0]:
                return table[0][1]
            if kn >= table[-1][0]:
                return table[-1][1]
            for (k0, s0), (k1, s1) in zip(table, table[1:]):
                if k0 <= kn <= k1:
                    return s0 + (s1 - s0) * (kn - k0) / (k1 - k0)

        # Soundings of a flat seabed 10.00 m deep at 5 Hz between the fixes;
        # each one's speed is measured between the fixes around it as join
        # reads them (eight decimals).
        soundings, expected = [], []
        for k in range(len(speeds)):
            (la1, lo1, _), (la2, lo2, _) = fixes[k], fixes[k + 1]
            _, _, metres = ellipsoid.inv(float("%.8f" % lo1), float("%.8f" % la1), float("%.8f" % lo2),
                                    float("%.8f" % la2))
            for j in range(5):
                soundings.append((10.0, START + k + 0.1 + 0.2 * j))
                expected.append((metres / knot, squat(metres / knot)))
        lines, screen = self.joined(["--squat", "Temp/Squat.txt", "--cm"], fixes, soundings,
                                    {"Temp/Squat.txt": crlf(*("%g %g  knots, metres" % row for row in table))})
        self.assertEqual(len(lines), len(expected))
        for (_, _, depth), (kn, sq) in zip(lines, expected):
            self.assertAlmostEqual(depth, 10 + sq, delta=CM, msg="at %.3f knots" % kn)
        # The table's ends held beyond it.
        self.assertEqual((min(d for _, _, d in lines), max(d for _, _, d in lines)), (10.02, 11.60))
        kept = expected[:len(lines)]
        self.assertEqual(screen[18].rstrip(), "      Squat     : Temp/Squat.txt, %s to %s kn, mean %s m" % (
            fixed(min(k for k, _ in kept), 1), fixed(max(k for k, _ in kept), 1),
            fixed(sum(s for _, s in kept) / len(kept), 3)))


    def test_heave_of_a_2_m_swell(self):
        # A swell of 2 m (1 m either way) every 8 s; the sensor logs it at
        # 10 Hz, the sounder reads a flat seabed 12.00 m deep at 5 Hz, deeper
        # by the heave. The sensor is silent from 20.0 s to 25.0 s: the soundings
        # where it was silent for more than a second are dropped.
        def up(t):
            return math.sin(2 * math.pi * (t - START) / 8)

        records = [(START + k / 10, up(START + k / 10)) for k in range(400) if not 200 < k < 250]
        soundings = [(12.0 + up(START + 1 + k / 5 + 0.05), START + 1 + k / 5 + 0.05) for k in range(180)]
        # Outside the series, or inside its gap.
        dropped = [s for s in soundings if not (records[0][0] <= s[1] <= records[-1][0])
                   or START + 20.0 < s[1] < START + 25.0]
        fixes = straight_fixes(40)
        for sign, values, flat in (("up", records, True), ("down", [(t, -h) for t, h in records], True),
                                   ("down", records, False)):
            with self.subTest(sign=sign, flat=flat):
                lines, screen = self.joined(["--heave", "Temp/Raw_Heave.txt", "--heave-sign", sign, "--cm"], fixes,
                                            soundings, {"Temp/Raw_Heave.txt": series(values)})
                depths = [d for _, _, d in lines]
                self.assertEqual(len(depths), len(soundings) - len(dropped))
                self.assertEqual(screen[17].rstrip(), "       No heave : %8d" % len(dropped))
                self.assertEqual(screen[18].rstrip(), "      Heave     : Temp/Raw_Heave.txt, positive %s" % sign)
                if flat:
                    self.assertLess(max(abs(d - 12.0) for d in depths), 0.02)
                else:  # the wrong sign: the swell twice over
                    self.assertAlmostEqual(max(depths) - min(depths), 4.0, delta=0.05)

    def test_all_corrections_in_their_order(self):
        # Heave first, then the sound velocity from the transducer, the squat,
        # the water level last: the model in that order, and the order that
        # scales the reading before the heave is taken out is told apart.
        fixes = straight_fixes(12)
        soundings = [(15.0 + 0.1 * k, START + 0.5 + k / 2) for k in range(22)]
        heave = [(START + k / 4, 0.8 * math.sin(k / 3)) for k in range(60)]
        tide = [(START, 0.4), (START + 20, 0.6)]
        cast = Cast([(0, 1470)])
        squat = 0.12  # a table of one speed: the same squat at any speed

        def at(records, t):
            for (t0, v0), (t1, v1) in zip(records, records[1:]):
                if t0 <= t <= t1:
                    return v0 + (v1 - v0) * (t - t0) / (t1 - t0)

        lines, screen = self.joined(
            ["--cm", "--tide", "Temp/Tide.txt", "--squat", "Temp/Squat.txt", "--sv-profile", "Temp/Sv.txt",
             "--sv-set", "1500", "--draft", "0.5", "--heave", "Temp/Heave.txt", "--heave-sign", "down"],
            fixes, soundings, {"Temp/Tide.txt": series(tide, 3), "Temp/Heave.txt": series(heave, 3),
                               "Temp/Squat.txt": crlf("6 %g" % squat), "Temp/Sv.txt": cast.table()})
        self.assertEqual(len(lines), len(soundings))
        apart = 0
        for (_, _, depth), (reading, t) in zip(lines, soundings):
            h, level = at(heave, t), at(tide, t)
            self.assertAlmostEqual(depth, (reading + h) * 1470 / 1500 + squat - level, delta=CM)
            apart = max(apart, abs(depth - ((reading * 1470 / 1500 + h) + squat - level)))
        self.assertGreater(apart, 0.01)
        (la1, lo1, _), (la2, lo2, _) = fixes[:2]
        knots = geod().inv(lo1, la1, lo2, la2)[2] / (1852 / 3600)
        self.assertEqual([row.rstrip() for row in screen[15:25]], [
            "", "        No tide :        0", "       No heave :        0",
            "      Heave     : Temp/Heave.txt, positive down", "      SV profile: Temp/Sv.txt",
            "      Sounder SV: 1500 m/s", "      Draft     : 0.5 m",
            "      Squat     : Temp/Squat.txt, %s to %s kn, mean 0.120 m" % (fixed(knots, 1), fixed(knots, 1)),
            "      Decimals  : 2 (--cm)",
            "      Press ENTER  ..."])

    def test_cm_keeps_the_centimetres_and_nothing_else_changes(self):
        fixes = straight_fixes(6)
        soundings = [(d, START + 1.25 + k / 2) for k, d in enumerate((7.04, 7.05, 7.06, 12.349, 0.004, 8.5))]
        plain, _ = self.joined([], fixes, soundings)
        before = self.survey.read("Temp/Data.txt")
        cm, screen = self.joined(["--cm"], fixes, soundings)
        self.assertEqual([line[:2] for line in cm], [line[:2] for line in plain])
        logged = [float("%.2f" % d) for d, _ in soundings]  # as Temp/Raw_Dpt.txt holds them
        self.assertEqual(self.survey.read("Temp/Data.txt").decode().split()[2::3], [fixed(d, 2) for d in logged])
        self.assertEqual(before.decode().split()[2::3], [fixed(d, 1) for d in logged])
        self.assertEqual((screen[18].rstrip(), screen[19].rstrip()), ("      Decimals  : 2 (--cm)",
                                                                      "      Press ENTER  ..."))

    def test_wrong_calls_and_tables_stop_before_data_is_written(self):
        fixes, soundings = straight_fixes(4), [(10.0, START + 1.5)]
        tables = {"Temp/Sv.txt": crlf("0 1500", "10 1490"), "Temp/Squat.txt": crlf("4 0.1"),
                  "Temp/Heave.txt": series([(START, 0.1)])}
        calls = [
            (["--heave", "Temp/Heave.txt"], "--heave needs --heave-sign up or down"),
            (["--heave-sign", "up"], "--heave-sign goes with --heave"),
            (["--heave", "Temp/Heave.txt", "--heave-sign", "+"], "--heave-sign needs up or down, not \"+\""),
            (["--sv-set", "1480"], "--sv-set and --draft go with --sv-profile"),
            (["--draft", "0.5", "--squat", "Temp/Squat.txt"], "--sv-set and --draft go with --sv-profile"),
            (["--sv-profile", "Temp/Sv.txt", "--sv-set", "0"], "--sv-set needs a sound speed above 0 m/s"),
            (["--sv-profile", "Temp/Sv.txt", "--draft", "0,5"],
             "--draft needs the transducer's depth in metres, not \"0,5\""),
            (["--squat", ""], "--squat needs a file name"),
            (["--cm", "--cm"], "--cm given twice"),
            (["--cm=1"], "unknown option \"--cm=1\""),
        ]
        for args, problem in calls:
            with self.subTest(args=args):
                run = self.join(args, fixes, soundings, tables)
                self.assertEqual((run.returncode, run.stdout), (1, b""), run)
                self.assertTrue(run.stderr.decode().startswith("join: %s\nusage: join " % problem), run)
                self.assertEqual(self.survey.read("Temp/Data.txt"), OLD)
        refused = [
            ("--sv-profile", crlf("0 1500", "10 1490", "8 1480"), 1, "line 3: a depth above the one of the line before"),
            ("--sv-profile", crlf("0 1500", "", "10 -1490"), 1, "line 3: a speed of 0 or less"),
            ("--sv-profile", crlf("", "   "), 1, "no line of two numbers"),
            ("--squat", crlf("6 0.1", "4 0.05"), 1, "line 2: a speed not above the one of the line before"),
            ("--sv-profile", crlf("0 1500", "10 1,490"), 106, "read_real: Temp/T.txt, line 2"),
            ("--squat", crlf("6"), 106, "read_real: Temp/T.txt, line 1"),
            ("--squat", None, 2, "Temp/T.txt"),
        ]
        for option, table, code, said in refused:
            with self.subTest(option=option, table=table):
                if os.path.exists(self.survey.path("Temp/T.txt")):
                    os.remove(self.survey.path("Temp/T.txt"))
                run = self.join([option, "Temp/T.txt"], fixes, soundings, {} if table is None else {"Temp/T.txt": table})
                if code == 1:
                    self.assertEqual((run.returncode, run.stderr.decode()), (1, "join: Temp/T.txt: %s\n" % said))
                    self.assertEqual(piped_screen(run.stdout)[0][19].rstrip(), "      %s: nothing done." % said)
                else:
                    self.assertIn(said, self.assert_runtime_error(run, code))
                self.assertEqual(self.survey.read("Temp/Data.txt"), OLD)
        # A heave record that is no number stops join once it is read.
        run = self.join(["--heave", "Temp/Heave.txt", "--heave-sign", "up"], fixes, soundings,
                        {"Temp/Heave.txt": crlf("10 0 0 0.1", "10 0 1 O.2")})
        self.assertIn("Temp/Heave.txt, line 2", self.assert_runtime_error(run, 106))

    def test_tables_read_as_surveyors_type_them(self):
        # Notes after the numbers, blank lines, tabs, an empty last line and
        # CR LF or LF: the same table.
        fixes, soundings = straight_fixes(4), [(10.0, START + 1.5), (20.0, START + 2.5)]
        results = set()
        for table in (b"0 1480\r\n10 1500\r\n", b"0 1480\n\n10\t1500 bottom\n\n", b"  0   1480 surface\r\n\r\n10 1500"):
            self.joined(["--sv-profile", "Temp/Sv.txt", "--cm"], fixes, soundings, {"Temp/Sv.txt": table})
            results.add(self.survey.read("Temp/Data.txt"))
        self.assertEqual(len(results), 1, results)


if __name__ == "__main__":
    unittest.main()
