#!/usr/bin/env python3
"""nmea_split end to end: logs made here (checksums computed here) with every
sentence kind, tagged and untagged, a midnight, an outage and every kind of
bad line; Temp/Raw_Pos.txt, Temp/Raw_Dpt.txt and Temp/Nmea_Rejected.txt byte
for byte and the final screen, worked out by hand; the ways of failing;
memory that does not grow with the log."""

import os
import random
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from nmea_log import gga, sentence  # noqa: E402
from piped_screen import piped_screen  # noqa: E402
from survey_test import Survey, SurveyCase, TerminalCase, crlf  # noqa: E402

DBT = sentence("SDDBT,40.4,f,12.34,M,6.7,F")

# A tagged log, line by line with what becomes of it. Its positions come from
# RMC, the kind with the most real fixes (2, against 1 GGA and 1 GLL): GGA
# and GLL are ignored, fix or no fix. Degrees and minutes
# 4230.1234 N 02730.5678 E are 42 + 30.1234/60 = 42.502056666... and
# 27.509463333..., eight decimals for four of a minute; 4230.1234567 takes
# nine. DBT without metres: 40.4 ft x 0.3048 = 12.31392, 6.7 fm x 1.8288 =
# 12.25296, one decimal more than the field. The receiver times of lines 1,
# 2, 10, 11, 17, 18, 19, 25 lie 0.876, 0.901, 0.876, 0.9, 0.1, 0.2, 0.3 and 0
# s before their tags: the median (the lower middle of eight) is 0.3. The
# fixes take their receiver times carried into the logger's clock by the
# median of tag - receiver time of the RMCs within 150 s (lines 2, 11, 25:
# 0.901, 0.9, 0; of three the middle one, 0.9): 14:08:45.9 and 14:08:48.9,
# stamped a second later.
TAGGED = [
    "14:08:45.876 " + sentence("GPGGA,140845.00,4230.1234,N,02730.5678,E,1,08,0.9,5.4,M,36.9,M,,"),  # ignored
    "14:08:45.901 " + sentence("GPRMC,140845.00,A,4230.1234,N,02730.5678,E,3.2,45.0,150310,,"),  # fix
    "14:08:46.100 " + DBT,
    "14:08:46.300 " + sentence("SDDBT,40.4,f,,M,6.7,F"),
    "14:08:46.400 " + sentence("SDDBT,,f,,M,6.7,F"),
    "14:08:46.500 " + sentence("SDDBT,,f,,M,,F"),  # no depth
    "14:08:46.600 " + sentence("SDDPT,12.3,0.5"),  # ignored: the log has DBT
    "14:08:46.700 " + DBT[:-2] + "00",
    "14:08:46.800 $SDDBT,40.4,f,12.3",
    "14:08:46.876 " + sentence("GPGGA,140846.00,,,,,0,00,,,M,,M,,"),  # ignored
    "14:08:46.900 " + sentence("GPRMC,140846.00,V,,,,,,,150310,,"),  # no fix
    "14:08:44.000 " + DBT,
    "14:08:47.000 $SDDBT,\x00\x1a\xff12.3",
    None,  # a megabyte of random bytes without a line end
    "14:08:47.050 " + sentence("SDDBT,40.4,f,1x.5,M,6.7,F"),
    DBT,
    "14:08:47.100 " + sentence("GPZDA,140847.00,16,03,2010,00,00"),
    "14:08:47.200 " + sentence("GPGLL,4230.1250,N,02730.5700,E,140847.00,A"),  # ignored
    "14:08:47.300 " + sentence("GPGLL,4230.1250,N,02730.5700,E,140847.00,V"),  # ignored
    "14:08:47.400 " + sentence("GPGGA,140847.00,9130.0000,N,02730.5700,E,1,08,0.9,5.4,M,36.9,M,,"),
    "Logger started",
    "14:08:47.500 " + sentence("GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00"),
    "",
    "14:08:47.600 " + DBT[:-1],
    "14:08:48.000 " + sentence("GNRMC,140848.00,A,4230.1234567,S,02730.5678901,W,3.2,45.0,160310,,"),  # fix
    "14:08:48.250 " + sentence("IIDBT,41.0,f,12.50,M,6.8,F"),
]
TAGGED_POS = crlf("42.50205667 27.50946333 14 8 46.900", "-42.502057612 -27.509464835 14 8 49.900")
TAGGED_DPT = crlf("12.34 14 8 46.100", "12.31 14 8 46.300", "12.25 14 8 46.400", "12.50 14 8 48.250")
TAGGED_REJECTED = crlf("8 checksum does not match", "9 sentence cut short", "12 time goes back",
                       "13 binary junk", "14 line too long", "15 field not a number", "16 no time tag",
                       "20 field out of range", "21 no NMEA sentence", "24 sentence cut short")
TAGGED_SCREEN = {
    12: "      Lines     :        26        Rejected  :        10",
    13: "      Positions :         2        checksum  :         1  time back :         1",
    14: "      Depths    :         4        cut short :         2  no time   :         1",
    15: "      No fix    :         1        bad field :         2  junk      :         1",
    16: "      No depth  :         1        too long  :         1  not NMEA  :         1",
    17: "      Same fix  :         0",
    18: "      Ignored   :         6",
    19: "",
    20: "      Date   : 2010-03-15 to 2010-03-16",
    21: "      Times  : the logger's tags; tag - receiver time +0.300 s (median)",
    22: "      Depths : DBT, below the transducer",
    23: "      Fixes  : RMC, quality 1,2,3,4,5",
    24: "      Press ENTER  ...",
}


def fix(hhmmss, minutes_lat, minutes_lon, quality=1):
    return sentence("GPGGA,%s,42%s,S,027%s,W,%d,08,0.9,5.4,M,36.9,M,," % (hhmmss, minutes_lat, minutes_lon, quality))


def dpt(depth, offset="0.3"):
    return sentence("SDDPT,%s,%s" % (depth, offset))


# An untagged log over midnight with an outage: the fixes are stamped a
# second after their receiver times; the soundings between two fixes take
# times spread evenly between theirs (three between 23:59:58 and
# :59 at a quarter second each; four in the outage from 00:00:00 to 00:00:10
# two seconds apart); the ones before the first fix and after the last have
# no time; a fix at 00:00:05 after 00:00:10 goes back. The fixes come from
# GGA (RMC of the fix of 23:59:58 is ignored); the log has DPT, so DBS is
# ignored.
UNTAGGED = [
    dpt("5.0", "0.5"),
    fix("235958.00", "30.1234", "30.5678"),
    sentence("GPRMC,235958.00,A,4230.1234,S,02730.5678,W,3.2,45.0,150310,,"),
    dpt("10.25"), dpt("11.25"), sentence("SDDBS,40.4,f,12.34,M,6.7,F"), dpt("12.25"),
    fix("235959.00", "30.1240", "30.5690"),
    dpt("9.5"),
    fix("000000.00", "30.1250", "30.5700"),
    dpt(""), dpt("8.1"), fix("000005.00", "", "", 0), dpt("8.2"), dpt("8.3"), dpt("8.4"),
    fix("000010.00", "30.1260", "30.5710"),
    fix("000005.00", "30.1265", "30.5715"),
    dpt("8.5", "0.35"),
    fix("000011.00", "30.1270", "30.5720"),
    dpt("8.6", "0.75"),
]
UNTAGGED_POS = crlf("-42.50205667 -27.50946333 23 59 59.00", "-42.50206667 -27.50948333 0 0 0.00",
                    "-42.50208333 -27.50950000 0 0 1.00", "-42.50210000 -27.50951667 0 0 11.00",
                    "-42.50211667 -27.50953333 0 0 12.00")
UNTAGGED_DPT = crlf("10.25 23 59 58.250", "11.25 23 59 58.500", "12.25 23 59 58.750", "9.5 23 59 59.500",
                    "8.1 0 0 2.000", "8.2 0 0 4.000", "8.3 0 0 6.000", "8.4 0 0 8.000", "8.5 0 0 10.500")
UNTAGGED_REJECTED = crlf("1 sounding before the first fix", "18 time goes back", "21 sounding after the last fix")
UNTAGGED_SCREEN = {
    12: "      Lines     :        21        Rejected  :         3",
    13: "      Positions :         5        checksum  :         0  time back :         1",
    14: "      Depths    :         9        cut short :         0  no time   :         2",
    15: "      No fix    :         1        bad field :         0  junk      :         0",
    17: "      Same fix  :         0",
    18: "      Ignored   :         2",
    20: "      Date   : 2010-03-15",
    21: "      Times  : the receiver's; soundings' times interpolated between fixes",
    22: "      Depths : DPT, below the transducer; offset 0.3 to 0.35 m, not applied",
    23: "      Fixes  : GGA, quality 1,2,3,4,5",
}

# Only DBS, each line tagged in another logger's way: the last hh:mm:ss[.f]
# before the "$" is the tag (not 58:01:05 of the day of the year 258).
DBS = sentence("SDDBS,40.4,f,12.31,M,6.7,F")
TAG_STYLES = ["14:08:45.876 " + DBS, "03/15/2010,14:08:46.876," + DBS, "2013/11/20 14:08:47.561 GPS " + DBS,
              "2023-09-02T14:08:48.168+00:00 " + DBS, "cnav\t2010:258:14:08:49.0656\t" + DBS]
TAG_STYLES_DPT = crlf("12.31 14 8 45.876", "12.31 14 8 46.876", "12.31 14 8 47.561", "12.31 14 8 48.168",
                      "12.31 14 8 49.0656")
TAG_STYLES_SCREEN = {
    20: "      Date   : none in the log (no ZDA, no RMC)",
    21: "      Times  : the logger's tags; no receiver time to compare",
    22: "      Depths : DBS, below the surface: set Ant_Depth to 0",
    23: "      Fixes  : none in the log (no GGA, GNS, RMC, GLL)",
}


def log_bytes(lines):
    junk = random.Random(16).randbytes(1 << 20).replace(b"\r", b"x").replace(b"\n", b"y")
    return b"\r\n".join(junk if line is None else line.encode("latin-1") for line in lines) + b"\r\n"


USAGE = (b"usage: nmea_split [--quality LIST] [--position GGA|GNS|RMC|GLL] [--fix-delay S] "
         b"[--rtk-tide H [--datum D] [--rtk-window S]] [LOG]\n")


class Split(SurveyCase):
    def split(self, log):
        self.survey.write("Log.nmea", log)
        run = self.survey.run("nmea_split", args=["Log.nmea"])
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        return piped_screen(run.stdout)[0]

    def test_logs(self):
        cases = {
            "tagged, every sentence kind and every bad line": (
                TAGGED, TAGGED_POS, TAGGED_DPT, TAGGED_REJECTED, TAGGED_SCREEN),
            "untagged over midnight with an outage": (
                UNTAGGED, UNTAGGED_POS, UNTAGGED_DPT, UNTAGGED_REJECTED, UNTAGGED_SCREEN),
            "DBS only, five styles of time tags": (TAG_STYLES, b"", TAG_STYLES_DPT, b"", TAG_STYLES_SCREEN),
        }
        for name, (lines, pos, dpt_, rejected, screen) in cases.items():
            with self.subTest(name):
                rows = self.split(log_bytes(lines))
                self.assertEqual(self.survey.read("Temp/Raw_Pos.txt"), pos)
                self.assertEqual(self.survey.read("Temp/Raw_Dpt.txt"), dpt_)
                self.assertEqual(self.survey.read("Temp/Nmea_Rejected.txt"), rejected)
                for row, text in screen.items():
                    self.assertEqual(rows[row - 1].rstrip(), text, "row %d of\n%s" % (row, "\n".join(rows)))

    def test_wrong_calls_touch_nothing(self):
        # (A missing log or folder is the run-time stop: test_faults.py.)
        for args, typed, message in (([], b"\n", b"nmea_split: no log named\n"),
                                     (["Log.nmea", "Log.nmea"], b"\n", USAGE)):
            with self.subTest(args=args):
                self.survey.write("Temp/Raw_Pos.txt", b"old")
                run = self.survey.run("nmea_split", typed, args=args)
                self.assertEqual((run.returncode, run.stderr[-len(message):]), (1, message), run)
                self.assertEqual(self.survey.read("Temp/Raw_Pos.txt"), b"old")


class PromptInATerminal(TerminalCase):
    def test_log_named_at_the_prompt(self):
        self.survey.write("Log.nmea", log_bytes(TAGGED))
        pid = self.term.start("nmea_split")
        self.term.wait_prompt(pid, 6, "Log (*.*) : ")
        self.term.type("Log.nmea")
        self.term.keys("Enter")
        self.term.wait_prompt(pid, 24, "Press ENTER  ...")
        rows = self.term.screen()
        self.assertEqual(rows[5].rstrip(), "      Log (*.*) : Log.nmea", self.term.dump())
        for row, text in TAGGED_SCREEN.items():
            self.assertEqual(rows[row - 1].rstrip(), text, self.term.dump())
        self.term.keys("Enter")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        self.assert_terminal_restored()
        self.assertEqual(self.survey.read("Temp/Raw_Pos.txt"), TAGGED_POS)


class ConstantMemory(unittest.TestCase):
    def test_peak_memory_does_not_grow_with_the_log(self):
        """Untagged logs of a fix and four soundings a second; the large one has
        an outage of the receiver of 3000 s (12004 soundings between two fixes,
        more than are held in memory: a second reader counts them)."""
        peaks = []
        for seconds in (100, 40000):
            survey = Survey()
            self.addCleanup(survey.remove)
            lines = []
            for t in range(seconds):
                if not 20000 <= t < 23000:
                    lines.append(gga(36000 + t, 42.5 + t * 1e-5, 27.5))
                lines += [DBT] * 4
            survey.write("Log.nmea", crlf(*lines))
            peaks.append(survey.peak_memory("nmea_split", ["Log.nmea"]))
            written = survey.read("Temp/Raw_Dpt.txt").split(b"\r\n")
            self.assertEqual(len(written) - 1, 4 * seconds - 4)
        # The k-th of the 12004 soundings after the fix of 15:33:19 (t = 19999)
        # lies k x 3001 / 12005 s after it.
        for k in (1, 4096, 4097, 12004):
            ms = round((55999 + k * 3001 / 12005) * 1000)
            expected = "12.34 %d %d %.3f" % (ms // 3600000, ms // 60000 % 60, ms % 60000 / 1000)
            self.assertEqual(written[19999 * 4 + k - 1].decode(), expected, k)
        self.assertLessEqual(peaks[1] - peaks[0], 1024, "peak RSS %d KiB, then %d KiB" % tuple(peaks))


if __name__ == "__main__":
    unittest.main()
