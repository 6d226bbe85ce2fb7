#!/usr/bin/env python3
"""nmea_split on logs as receivers, plotters and sounders really write them,
each case made here (checksums computed here) and its files and screen rows
worked out by hand: fixes that are not real fixes and --quality, one kind of
position sentence per log and --position, NMEA 1.5 GLL, GNS, ZDA without its
zone, sentences after other text on a line, two sentences on one line (a
lost line end) in both orders, depth and time fields checked,
a byte-order mark, UTF-16, the date row. Then the RTK water level
(--rtk-tide) of a boat on a known tide curve with heave and RTK dropouts,
and join --tide --tide-gap on it."""

import math
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from nmea_log import ddmm, gga, hhmmss, sentence, stamp, tag  # noqa: E402
from piped_screen import piped_screen  # noqa: E402
from survey_test import DATA, Survey, SurveyCase, crlf  # noqa: E402

sys.path.insert(0, os.path.join(DATA, "sample"))
from make_chain_expected import fixed  # noqa: E402

T0 = 36000  # 10:00:00
AIS = "!AIVDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0*26"
USAGE = ("usage: nmea_split [--quality LIST] [--position GGA|GNS|RMC|GLL] [--fix-delay S] "
         "[--rtk-tide H [--datum D] [--rtk-window S]] [LOG]\n")


def lat(k):
    """The latitude of the k-th position of a case: 42.5 + k / 1000."""
    return 42.5 + k / 1000


def pos(k, time):
    """A line of Temp/Raw_Pos.txt for the k-th position (27.5 east) whose own
    time is time ("h m s"): stamped a second later."""
    return "%s 27.50000000 %s" % (fixed(lat(k), 8), stamp(time))


def rmc(seconds, k, mode=""):
    body = "GPRMC,%s,A,%s,N,02730.0000,E,3.2,45.0,150310,," % (hhmmss(seconds), ddmm(lat(k), 2, 4))
    return sentence(body + ("," + mode if mode else ""))


def gll15(k):
    return sentence("GPGLL,%s,N,02730.0000,E" % ddmm(lat(k), 2, 4))


def gns(seconds, k, modes):
    return sentence("GNGNS,%s,%s,N,02730.0000,E,%s,12,0.9,5.4,36.9,," % (hhmmss(seconds), ddmm(lat(k), 2, 4), modes))


def fix(seconds, k, quality=1):
    return gga(seconds, lat(k), 27.5, quality)


DBT = sentence("SDDBT,40.4,f,12.34,M,6.7,F")

# name: (log lines, options, Raw_Pos.txt, Raw_Dpt.txt, Nmea_Rejected.txt,
# screen rows). Every row of 12 to 23 not given is the one of a run where
# nothing counted but the lines: the counters' zeros, the new rows absent.
CASES = {
    # A receiver in its simulator (GGA 8), dead reckoning (6), manual input
    # (7): not real fixes, listed; quality 9 is a fix below the default list.
    "simulated and estimated fixes": (
        [tag(T0) + fix(T0, 0), tag(T0 + 1) + fix(T0 + 1, 1, 8), tag(T0 + 2) + fix(T0 + 2, 2, 6),
         tag(T0 + 3) + fix(T0 + 3, 3, 7), tag(T0 + 4) + fix(T0 + 4, 4, 2), tag(T0 + 5) + fix(T0 + 5, 5, 9),
         tag(T0 + 5.5) + DBT],
        [], [pos(0, "10 0 0.000"), pos(4, "10 0 4.000")], ["12.34 10 0 5.500"],
        ["2 not a real fix", "3 not a real fix", "4 not a real fix"],
        {12: (7, 3), 13: 2, 14: 1, 17: "      Same fix  :         0        not real  :         3",
         19: "      Below qual:         1"}),
    # A plotter's simulator: only RMC of mode S. No kind has a real fix, so
    # the kind with the most sound sentences tells why there is no position;
    # the date still counts.
    "a simulator's RMC only": (
        [rmc(T0, 0, "S"), rmc(T0 + 1, 1, "S")], [], [], [], ["1 not a real fix", "2 not a real fix"],
        {12: (2, 2), 17: "      Same fix  :         0        not real  :         2",
         20: "      Date   : 2010-03-15", 23: "      Fixes  : RMC, quality 1,2,3,4,5"}),
    # --quality 4: RTK-fixed positions only; 1 and 5 are below it.
    "--quality 4": (
        [fix(T0, 0, 1), fix(T0 + 1, 1, 4), fix(T0 + 2, 2, 5), fix(T0 + 3, 3, 4)], ["--quality", "4"],
        [pos(1, "10 0 1.00"), pos(3, "10 0 3.00")], [], [],
        {12: (4, 0), 13: 2, 19: "      Below qual:         2", 23: "      Fixes  : GGA, quality 4"}),
    # A plotter that stamps its RMC a second ahead of its GGA (and 3 m off):
    # GGA and RMC every second tie, GGA is taken and RMC ignored; --position
    # RMC takes RMC instead.
    "RMC a second ahead of GGA": (
        [line for t in range(3) for line in (fix(T0 + t, t), rmc(T0 + t + 1, t + 10))], [],
        [pos(t, "10 0 %d.00" % t) for t in range(3)], [], [], {12: (6, 0), 13: 3, 18: 3}),
    "RMC a second ahead of GGA, --position RMC": (
        [line for t in range(3) for line in (fix(T0 + t, t), rmc(T0 + t + 1, t + 10))], ["--position", "RMC"],
        [pos(t + 10, "10 0 %d.00" % (t + 1)) for t in range(3)], [], [],
        {12: (6, 0), 13: 3, 18: 3, 23: "      Fixes  : RMC (--position), quality 1,2,3,4,5"}),
    # NMEA 1.5 GLL: a position and nothing else; a fix at its tag's time in
    # a tagged log (no receiver time to carry into the logger's clock), no
    # time at all in an untagged one.
    "NMEA 1.5 GLL, tagged": (
        [tag(T0 + 0.25) + gll15(0), tag(T0 + 0.5) + DBT, tag(T0 + 1.25) + gll15(1)], [],
        [pos(0, "10 0 0.250"), pos(1, "10 0 1.250")], ["12.34 10 0 0.500"], [],
        {12: (3, 0), 13: 2, 14: 1, 23: "      Fixes  : GLL, quality 1,2,3,4,5"}),
    "NMEA 1.5 GLL, untagged": (
        [gll15(0), gll15(1)], [], [], [], ["1 no receiver time", "2 no receiver time"],
        {12: (2, 2), 14: "      Depths    :         0        cut short :         0  no time   :         2"}),
    # A tagged log over midnight, its tags 0.8 s after the receiver's times
    # but one (a receiver time 2 s back: 3.8 s). Every fix at its receiver
    # time + 0.8 s (the median lag of the four), stamped a second later; the
    # one whose stamp would go back is rejected, its tag going on as it may.
    "tagged over midnight, a receiver time that goes back": (
        [tag(86398.8) + fix(86398, 0), tag(86399.8) + fix(86399, 1), tag(86400.8) + fix(86397, 2),
         tag(86401.8) + fix(86401, 3)], [],
        [pos(0, "23 59 58.800"), pos(1, "23 59 59.800"), pos(3, "0 0 1.800")], [], ["3 time goes back"],
        {12: (4, 1), 13: "      Positions :         3        checksum  :         0  time back :         1"}),
    # The receiver's output delay: a tagged log's fixes 0.15 s before their
    # receiver time + the lag (0.3 s); an untagged log's soundings spread
    # between the fixes' times + 0.2 s, when their sentences came.
    "--fix-delay, tagged": (
        [tag(T0 + 0.3) + fix(T0, 0), tag(T0 + 0.5) + DBT, tag(T0 + 1.3) + fix(T0 + 1, 1)], ["--fix-delay", "0.15"],
        [pos(0, "10 0 0.150"), pos(1, "10 0 1.150")], ["12.34 10 0 0.500"], [],
        {12: (3, 0), 13: 2, 14: 1, 23: "      Fixes  : GGA, quality 1,2,3,4,5; --fix-delay 0.150 s"}),
    "--fix-delay, untagged": (
        [fix(T0, 0), DBT, DBT, DBT, fix(T0 + 1, 1)], ["--fix-delay", "0.2"],
        [pos(0, "10 0 0.00"), pos(1, "10 0 1.00")], ["12.34 10 0 0.450", "12.34 10 0 0.700", "12.34 10 0 0.950"], [],
        {12: (5, 0), 13: 2, 14: 3, 23: "      Fixes  : GGA, quality 1,2,3,4,5; --fix-delay 0.200 s"}),
    # GNS of GPS and GLONASS: the first letter that is not N tells the fix.
    # Two GGAs against six GNS: GNS has the most.
    "GNS": (
        [fix(T0, 0), fix(T0 + 1, 1), gns(T0, 2, "AN"), gns(T0 + 1, 3, "NR"), gns(T0 + 2, 4, "NN"),
         gns(T0 + 3, 5, "EA"), gns(T0 + 4, 6, "DD"), gns(T0 + 5, 7, "FN")], [],
        [pos(2, "10 0 0.00"), pos(3, "10 0 1.00"), pos(6, "10 0 4.00"), pos(7, "10 0 5.00")], [],
        ["6 not a real fix"],
        {12: (8, 1), 13: 4, 15: 1, 17: "      Same fix  :         0        not real  :         1", 18: 2,
         23: "      Fixes  : GNS, quality 1,2,3,4,5"}),
    # A lost line end: an AIS sentence, then GGA on the same line (two
    # sentences, each with its right checksum: the AIS ignored); a receiver's
    # binary frame, then DBT (recovered). The tag is the time at the start.
    "sentences after other text": (
        [tag(T0) + AIS + fix(T0, 0), tag(T0 + 0.5) + "\xb5\x62\x01\x07\x5c\x00$\x01\x02" + DBT, tag(T0 + 0.75) + AIS,
         AIS + tag(T0 + 1) + fix(T0 + 1, 1)], [],
        [pos(0, "10 0 0.000")], ["12.34 10 0 0.500"], ["4 no time tag"],
        {12: (4, 1), 13: 1, 14: "      Depths    :         1        cut short :         0  no time   :         1",
         18: 3, 19: "                                   Recovered :         1  Split line:         2"}),
    # Two sentences on one line, in both orders, as a sounder sent them
    # ("$SDDPT,3.9,0.4,*75$SDMTW,39.1,C*0F") and as fixes and soundings met;
    # every sentence with its right checksum is read, in order, and the
    # soundings are spread between the fixes as the lines' order says. The
    # second sentence of line 7 has a wrong checksum: rejected, with its line.
    "two sentences on a line": (
        [fix(T0, 0), "$SDDPT,3.9,0.4,*75$SDMTW,39.1,C*0F", sentence("SDMTW,39.1,C") + sentence("SDDPT,4.0,0.4,"),
         fix(T0 + 1, 1) + sentence("SDDPT,4.1,0.4,"), sentence("SDDPT,4.2,0.4,") + fix(T0 + 2, 2), fix(T0 + 3, 3),
         sentence("SDDPT,4.3,0.4,") + sentence("SDDPT,4.4,0.4,")[:-2] + "00", fix(T0 + 4, 4)], [],
        [pos(k, "10 0 %d.00" % k) for k in range(5)],
        ["3.9 10 0 0.333", "4.0 10 0 0.667", "4.1 10 0 1.333", "4.2 10 0 1.667", "4.3 10 0 3.500"],
        ["7 checksum does not match"],
        {12: (8, 1), 13: "      Positions :         5        checksum  :         1  time back :         0", 14: 5,
         18: 2, 19: " " * 58 + "Split line:         5",
         22: "      Depths : DPT, below the transducer; offset 0.4 m, not applied"}),
    # Three sentences on a line after a serial port's prompt, the middle one
    # with a wrong checksum: it is rejected with its line, the two around it
    # are read.
    "three sentences on a line, a wrong checksum between": (
        [fix(T0, 0), "COM2> " + sentence("SDDPT,4.0,0.4,") + sentence("SDDPT,4.1,0.4,")[:-2] + "00"
         + sentence("SDDPT,4.2,0.4,"), fix(T0 + 1, 1)], [],
        [pos(0, "10 0 0.00"), pos(1, "10 0 1.00")], ["4.0 10 0 0.333", "4.2 10 0 0.667"],
        ["2 checksum does not match"],
        {12: (3, 1), 13: "      Positions :         2        checksum  :         1  time back :         0", 14: 2,
         19: " " * 58 + "Split line:         1",
         22: "      Depths : DPT, below the transducer; offset 0.4 m, not applied"}),
    # In a tagged log every sentence of the line takes the line's tag.
    "two sentences on a tagged line": (
        [tag(T0) + fix(T0, 0) + sentence("SDDPT,5.0,0.4,"), tag(T0 + 0.5) + sentence("SDDPT,5.1,0.4,") + "$SDMTW,39.1,C*0F",
         tag(T0 + 1) + "$SDMTW,39.1,C*0F" + fix(T0 + 1, 1)], [],
        [pos(0, "10 0 0.000"), pos(1, "10 0 1.000")], ["5.0 10 0 0.000", "5.1 10 0 0.500"], [],
        {12: (3, 0), 13: 2, 14: 2, 18: 2, 19: " " * 58 + "Split line:         3",
         22: "      Depths : DPT, below the transducer; offset 0.4 m, not applied"}),
    # The DBT of a sounder that leaves it empty beside its DPT: DPT gives the
    # depths, DBT is ignored.
    "empty DBT beside DPT": (
        [tag(T0) + sentence("SDDBT,,f,,M,,F"), tag(T0 + 0.1) + sentence("SDDPT,12.3,0.5"),
         tag(T0 + 1) + sentence("SDDBT,,f,,M,,F"), tag(T0 + 1.1) + sentence("SDDPT,12.4,0.5")], [],
        [], ["12.3 10 0 0.100", "12.4 10 0 1.100"], [],
        {12: (4, 0), 14: 2, 18: 2, 22: "      Depths : DPT, below the transducer; offset 0.5 m, not applied"}),
    # Unit letters swapped, a negative depth, a time of seven digits.
    "depth and time fields": (
        [tag(T0) + fix(T0, 0), tag(T0 + 0.1) + sentence("SDDBT,40.4,M,12.34,f,6.7,F"),
         tag(T0 + 0.2) + sentence("SDDBT,,f,-0.40,M,,F"), tag(T0 + 0.3) + DBT,
         tag(T0 + 1) + sentence("GPGGA,1000010,4230.0000,N,02730.0000,E,1,08,0.9,5.4,M,36.9,M,,")], [],
        [pos(0, "10 0 0.000")], ["12.34 10 0 0.300"],
        ["2 wrong unit letter", "3 negative depth", "5 field not a number"],
        {12: (5, 3), 13: 1, 14: 1, 15: "      No fix    :         0        bad field :         3  junk      :         0"}),
    # A byte-order mark before the first line (an editor's): passed over.
    "byte-order mark": (
        ["\xef\xbb\xbf" + fix(T0, 0), fix(T0 + 1, 1)], [], [pos(0, "10 0 0.00"), pos(1, "10 0 1.00")], [], [],
        {12: (2, 0), 13: 2}),
    # ZDAs with empty dates (and one without its zone fields).
    "ZDA without dates": (
        [sentence("GPZDA,100000.00,,,,00,00"), sentence("GPZDA,100001.00,,,")], [], [], [], [],
        {12: (2, 0), 20: "      Date   : none in the log (ZDA without a date, no RMC)"}),
    "ZDA without its zone": (
        [sentence("GPZDA,100001.00,15,03,2010")], [], [], [], [], {12: (1, 0), 20: "      Date   : 2010-03-15"}),
}

LABELS = {12: ("Lines     : ", "Rejected  : "), 13: "Positions : ", 14: "Depths    : ", 15: "No fix    : ",
          16: "No depth  : ", 17: "Same fix  : ", 18: "Ignored   : "}


def default_row(row):
    """The row with every counter 0, the new rows absent."""
    if row == 12:
        return "      Lines     :         0        Rejected  :         0"
    if row in (13, 14, 15, 16):
        right = {13: "checksum  ", 14: "cut short ", 15: "bad field ", 16: "too long  "}[row]
        far = {13: "time back ", 14: "no time   ", 15: "junk      ", 16: "not NMEA  "}[row]
        return "      %s        0        %s:         0  %s:         0" % (LABELS[row], right, far)
    if row in (17, 18):
        return "      %s        0" % LABELS[row]
    return ""


def expected_row(row, value):
    """A row of the screen: a count of the left column (rows 13 to 18), the
    lines and rejected lines (row 12), or the whole row as text."""
    if isinstance(value, str):
        return value
    if row == 12:
        return "      Lines     : %9d        Rejected  : %9d" % value
    base = default_row(row)
    return base[:6] + LABELS[row] + "%9d" % value + base[27:]


class Receivers(SurveyCase):
    def split(self, data, args):
        self.survey.write("Log.nmea", data)
        run = self.survey.run("nmea_split", args=args + ["Log.nmea"])
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        return piped_screen(run.stdout)[0]

    def test_cases(self):
        for name, (lines, args, positions, depths, rejected, rows) in CASES.items():
            with self.subTest(name):
                screen = self.split(crlf(*lines), args)
                self.assertEqual(self.survey.read("Temp/Raw_Pos.txt"), crlf(*positions))
                self.assertEqual(self.survey.read("Temp/Raw_Dpt.txt"), crlf(*depths))
                self.assertEqual(self.survey.read("Temp/Nmea_Rejected.txt"), crlf(*rejected))
                for row in range(12, 20):
                    text = expected_row(row, rows[row]) if row in rows else default_row(row)
                    self.assertEqual(screen[row - 1].rstrip(), text, "row %d of\n%s" % (row, "\n".join(screen)))
                for row in (20, 22, 23):
                    if row in rows:
                        self.assertEqual(screen[row - 1].rstrip(), rows[row], "\n".join(screen))
                if 23 not in rows and positions:
                    self.assertEqual(screen[22].rstrip(), "      Fixes  : GGA, quality 1,2,3,4,5")

    def test_a_wrong_guess_of_the_first_lines(self):
        """The first 16384 lines hold GGA, the rest far more RMC: the log's
        kind is RMC, and the split is made again from the start with it."""
        lines = [fix(T0 + t, 0) for t in range(16384)]
        lines += [rmc(T0 + 16384 + t, 1) for t in range(20000)]
        screen = self.split(crlf(*lines), [])
        written = self.survey.read("Temp/Raw_Pos.txt").split(b"\r\n")
        self.assertEqual(len(written) - 1, 20000)
        self.assertEqual(written[0], pos(1, "14 33 4.00").encode())
        self.assertEqual(screen[17].rstrip(), expected_row(18, 16384))
        self.assertEqual(screen[22].rstrip(), "      Fixes  : RMC, quality 1,2,3,4,5")

    def test_lost_line_ends_lose_nothing(self):
        """A log whose line ends are lost, every second one (two sentences a
        line) or four in five, gives the fixes and soundings of the log with
        its line ends byte for byte, also over a receiver outage of 6000
        soundings, which a second reader of the log counts ahead (more than
        the 4096 held). In a tagged log (the logger tags what it received as
        one line) every sentence takes its line's tag: the same as the log
        with its line ends and that tag on each. The screen counts the lines
        so split."""
        depths = [sentence("SDDBT,,f,%.2f,M,,F" % (5 + (k % 700) / 100)) for k in range(6010)]
        untagged = [fix(T0, 0)] + depths[:6000] + [fix(T0 + 30, 1)] + depths[6000:] + [fix(T0 + 31, 2)]
        tagged = [fix(T0, 0)] + depths[:98] + [fix(T0 + 10, 1)] + depths[98:150]
        stamps = [T0 + k / 10 for k in range(len(tagged))]
        for every in (2, 5):
            groups = [range(i, min(i + every, len(untagged))) for i in range(0, len(untagged), every)]
            cases = [("untagged", [untagged[k] for k in range(len(untagged))],
                      ["".join(untagged[k] for k in g) for g in groups])]
            groups_t = [range(i, min(i + every, len(tagged))) for i in range(0, len(tagged), every)]
            cases.append(("tagged", [tag(stamps[g[0]]) + tagged[k] for g in groups_t for k in g],
                          [tag(stamps[g[0]]) + "".join(tagged[k] for k in g) for g in groups_t]))
            for name, one_a_line, joined in cases:
                with self.subTest(name, sentences_a_line=every):
                    self.split(crlf(*one_a_line), [])
                    expected = [self.survey.read("Temp/" + f) for f in ("Raw_Pos.txt", "Raw_Dpt.txt")]
                    self.assertGreater(expected[1].count(b"\n"), 100)
                    screen = self.split(crlf(*joined), [])
                    self.assertEqual([self.survey.read("Temp/" + f) for f in ("Raw_Pos.txt", "Raw_Dpt.txt")], expected)
                    self.assertEqual(self.survey.read("Temp/Nmea_Rejected.txt"), b"")
                    self.assertEqual(screen[11].rstrip(), expected_row(12, (len(joined), 0)))
                    split_lines = sum(1 for i in range(0, len(one_a_line), every) if len(one_a_line) - i > 1)
                    self.assertEqual(screen[18][58:].rstrip(), "Split line: %9d" % split_lines)

    def test_utf16_stops_and_touches_nothing(self):
        text = "\r\n".join([fix(T0, 0), DBT]) + "\r\n"
        for name, data in (("with its mark", text.encode("utf-16")), ("little-endian", text.encode("utf-16-le")),
                           ("big-endian", text.encode("utf-16-be"))):
            with self.subTest(name):
                self.survey.write("Temp/Raw_Pos.txt", b"old")
                self.survey.write("Log.nmea", data)
                run = self.survey.run("nmea_split", args=["Log.nmea"])
                self.assertEqual((run.returncode, run.stderr[-47:]),
                                 (1, b"nmea_split: Log.nmea is UTF-16 text, not ASCII\n"), run)
                self.assertEqual(self.survey.read("Temp/Raw_Pos.txt"), b"old")
                self.assertEqual(piped_screen(run.stdout)[0][11].rstrip(),
                                 "      The log is UTF-16 text: save it as ASCII or UTF-8. Nothing done.")

    def test_wrong_options_touch_nothing(self):
        cases = [
            (["--quality", "0"], "--quality needs fix qualities 1 to 9 separated by commas, not \"0\""),
            (["--quality", "2,,4"], "--quality needs fix qualities 1 to 9 separated by commas, not \"2,,4\""),
            (["--quality", "4,"], "--quality needs fix qualities 1 to 9 separated by commas, not \"4,\""),
            (["--position", "VTG"], "--position needs GGA, GNS, RMC or GLL, not \"VTG\""),
            (["--rtk-tide", "x"], "--rtk-tide needs the antenna's height in metres, not \"x\""),
            (["--datum", "0.3"], "--datum and --rtk-window go with --rtk-tide"),
            (["--rtk-tide", "1.85", "--rtk-window", "0.5"], "--rtk-window needs 1 to 86400 seconds"),
            (["--quality", "4", "--quality", "5"], "--quality given twice"),
            (["--fix-delay", "x"], "--fix-delay needs a number of seconds, not \"x\""),
            (["--fix-delay", "-0.1"], "--fix-delay needs 0 to 10 seconds"),
            (["--quality"], "--quality needs a value"),
            (["--tide"], "unknown option \"--tide\""),
        ]
        for args, problem in cases:
            with self.subTest(args=args):
                self.survey.write("Temp/Raw_Pos.txt", b"old")
                run = self.survey.run("nmea_split", args=["Log.nmea"] + args)
                self.assertEqual((run.returncode, run.stderr.decode()), (1, "nmea_split: %s\n%s" % (problem, USAGE)))
                self.assertEqual(self.survey.read("Temp/Raw_Pos.txt"), b"old")


# -- the RTK water level

START = 10 * 3600  # 10:00:00
SECONDS = 1800
ANTENNA, DATUM = 1.85, 0.30
BOTTOM = 15.0  # the sea bed, metres below the datum


def tide(t):
    """The water level above the datum at t seconds after the start: a
    semidiurnal tide (12.42 h)."""
    return 1.2 + 0.9 * math.sin(2 * math.pi * t / 44712.0)


def heave(t):
    return 0.35 * math.sin(2 * math.pi * t / 6.3) + 0.15 * math.sin(2 * math.pi * t / 4.1 + 1.0)


def quality(t):
    """RTK fixed (4), but float for a minute, a three-second drop to an
    autonomous fix, a stretch where only every third second is fixed, and an
    outage of the receiver."""
    if 600 <= t < 660:
        return 5
    if 1000 <= t < 1003:
        return 1
    if 1200 <= t < 1300:
        return 4 if t % 3 == 0 else 5
    if 1500 <= t < 1520:
        return 0
    return 4


def rtk_log():
    """An untagged log: each second GGA (altitude: the water level plus the
    antenna's height, the datum's and the heave) and two DBT (the bottom below
    the water surface, heave compensated). Returns the lines and the RTK
    heights by second as the GGA writes them."""
    lines, heights = [], {}
    for t in range(SECONDS):
        q = quality(t)
        if q == 0:
            lines.append(sentence("GPGGA,%s,,,,,0,00,,,M,,M,," % hhmmss(START + t)))
        else:
            altitude = "%.3f" % (tide(t) + ANTENNA + DATUM + heave(t))
            lines.append(sentence("GPGGA,%s,%s,N,02730.0000,E,%d,12,0.8,%s,M,36.9,M,," % (
                hhmmss(START + t), ddmm(42.5 + t * 1e-5, 2, 4), q, altitude)))
            if q == 4:
                heights[t] = float(altitude)
        for k in (1, 2):
            lines.append(sentence("SDDBT,,f,%.2f,M,,F" % (BOTTOM + tide(t + k / 3))))
    return lines, heights


def levels(heights, half=30):
    """The levels by second: the median of the heights within half seconds
    either side, when at least half the window's seconds have one."""
    out = {}
    for t in heights:
        window = sorted(h for s, h in heights.items() if abs(s - t) <= half)
        if 2 * len(window) < 2 * half + 1:
            continue
        n = len(window)
        median = window[n // 2] if n % 2 else (window[n // 2 - 1] + window[n // 2]) / 2
        out[t] = median - ANTENNA - DATUM
    return out


class RtkTide(SurveyCase):
    def test_level_follows_the_tide_and_join_reduces_to_the_datum(self):
        lines, heights = rtk_log()
        self.survey.write("Log.nmea", crlf(*lines))
        run = self.survey.run("nmea_split", args=["--rtk-tide", "1.85", "--datum", "0.3", "Log.nmea"])
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        screen = piped_screen(run.stdout)[0]

        # The levels: the seconds of the model, each within half a
        # millimetre of its median, and within the heave's residue of the
        # tide (the heave reaches 0.5 m; the one-sided windows at the ends
        # of the series leave most of it).
        model = levels(heights)
        written = {}
        for line in self.survey.read("Temp/Tide_Rtk.txt").decode().split("\r\n")[:-1]:
            h, m, s, level = line.split()
            written[(int(h) * 60 + int(m)) * 60 + int(s) - START] = float(level)
            self.assertRegex(line, r"^10 \d{1,2} \d{1,2} -?\d+\.\d{3}$")
        self.assertEqual(sorted(written), sorted(model))
        for t, level in written.items():
            self.assertAlmostEqual(level, model[t], delta=0.0005 + 1e-9, msg=t)
            self.assertLess(abs(level - tide(t)), 0.1, t)
        self.assertLess(sum(abs(level - tide(t)) for t, level in written.items()) / len(written), 0.03)
        # Gaps stay gaps: no level in the float minute, the outage, or where
        # fewer than half the seconds have an RTK fix (the sparse stretch but
        # its ends, where the window still reaches enough); the three-second
        # drop leaves a short gap.
        gaps = [(a, b) for a, b in zip(sorted(written), sorted(written)[1:]) if b - a > 1]
        self.assertEqual([(a, b) for a, b in gaps if b - a <= 10 and not 1200 <= a < 1300], [(999, 1003)])
        self.assertEqual([(a, b) for a, b in gaps if b - a > 10], [(599, 660), (1215, 1284), (1499, 1520)])
        low, high = min(written.values()), max(written.values())
        self.assertEqual(screen[10].rstrip(), "              Temp/Tide_Rtk.txt %d levels, %s to %s m" % (
            len(written), fixed(low, 3), fixed(high, 3)))

        # join --tide --tide-gap 10: the depths below the datum, the
        # soundings in the holes of the series dropped.
        run = self.survey.run("join", args=["--tide", "Temp/Tide_Rtk.txt", "--tide-gap", "10"])
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        tide_times = sorted(START + t for t in written)
        series = {START + t: level for t, level in written.items()}
        fixes = [(int(h) * 60 + int(m)) * 60 + float(s) - 1 for _, _, h, m, s in
                 (line.split() for line in self.survey.read("Temp/Raw_Pos.txt").decode().split("\r\n")[:-1])]
        expected, no_tide = [], 0
        for line in self.survey.read("Temp/Raw_Dpt.txt").decode().split("\r\n")[:-1]:
            d, h, m, s = line.split()
            ts = (int(h) * 60 + int(m)) * 60 + float(s)
            if not fixes[0] <= ts <= fixes[-2]:
                continue  # before the first fix, or in the last window (join ends when the fixes do)
            after = next(i for i, t in enumerate(tide_times) if t >= ts)
            t2, t1 = tide_times[after], tide_times[max(after - 1, 0)]
            if t2 - t1 > 10 and ts != t2:
                no_tide += 1
                continue
            l1, l2 = series[t1], series[t2]
            level = l1 if t2 == t1 else ((ts - t1) * (l2 - l1)) / (t2 - t1) + l1
            expected.append(fixed(float(d) - level, 1))
        data = [line.split()[2] for line in self.survey.read("Temp/Data.txt").decode().split("\r\n")[:-1]]
        self.assertEqual(data, expected)
        self.assertTrue(all(abs(float(d) - BOTTOM) <= 0.1 for d in data), data)
        self.assertGreater(no_tide, 2 * 60 + 2 * 20)  # the float minute and the outage at least
        self.assertEqual(run.counter("No tide : "), no_tide)

    def test_memory_holds_the_window_only(self):
        """RTK logs of 100 and 40000 seconds: the same peak memory."""
        peaks = []
        for seconds in (100, 40000):
            survey = Survey()
            self.addCleanup(survey.remove)
            survey.write("Log.nmea", crlf(*(sentence("GPGGA,%s,4230.0000,N,02730.0000,E,4,12,0.8,%.3f,M,36.9,M,," % (
                hhmmss(START + t), 3.2 + heave(t))) for t in range(seconds))))
            peaks.append(survey.peak_memory("nmea_split", ["--rtk-tide", "1.85", "Log.nmea"]))
            self.assertEqual(survey.read("Temp/Tide_Rtk.txt").count(b"\n"), seconds)
        self.assertLessEqual(peaks[1] - peaks[0], 1024, "peak RSS %d KiB, then %d KiB" % tuple(peaks))


if __name__ == "__main__":
    unittest.main()
