#!/usr/bin/env python3
"""The heave of a motion sensor from the log to the depths: a tagged log made
here of a boat on a 2 m swell (8 s) over a flat seabed, Seapath's PSXN,23 at
10 Hz beside the sounder's DBT at 5 Hz and the receiver's GGA at 1 Hz;
nmea_split writes Temp/Raw_Heave.txt (checked line by line against the log),
and join --heave with the sensor's sign takes the swell out of the depths,
the wrong sign doubles it. Then the sentences around it: PSXN,22 and the
others without a heave, bad PSXN,23 lines, a log without heave and an
untagged one."""

import math
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from nmea_log import dbt, gga, sentence, tag  # noqa: E402
from piped_screen import piped_screen  # noqa: E402
from survey_test import SurveyCase, crlf  # noqa: E402

START = 10 * 3600  # 10:00:00
SECONDS = 90
DEPTH = 12.0  # the seabed below the transducer at rest


def up(t):
    """The boat above its mean level: a swell 2 m from trough to crest, 8 s."""
    return math.sin(2 * math.pi * t / 8)


def psxn23(heave_down, roll=1.5, pitch=-0.4, heading=87.3):
    return sentence("PSXN,23,%.2f,%.2f,%.2f,%.2f" % (roll, pitch, heading, heave_down))


def swell_log():
    """The log's lines and the heave records nmea_split must write (the tag's
    time of day with its three decimals, the heave as the sentence gives it).
    Each sentence is tagged 12 ms after its time; the heave at 10 Hz, the
    soundings at 5 Hz between them, a fix each second."""
    lines, heave = [], []
    for k in range(SECONDS * 10):
        t = k / 10
        now = START + t
        if k % 10 == 0:
            lines.append(tag(now + 0.012) + gga(now, 42.5 + 1e-5 * t, 27.5 + 2e-5 * t))
        h = round(-up(t), 2) + 0.0  # positive down; no -0.00
        lines.append(tag(now + 0.012) + psxn23(h))
        heave.append("10 %d %.3f %.2f" % ((t + 0.012) // 60, (t + 0.012) % 60, h))
        if k % 2 == 1:
            lines.append(tag(now + 0.062) + dbt(DEPTH + up(t + 0.05)))
    return lines, heave


class SwellCase(SurveyCase):
    def split(self, lines, args=("Log.nmea",)):
        self.survey.write("Log.nmea", crlf(*lines))
        run = self.survey.run("nmea_split", args=list(args))
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        return [row.rstrip() for row in piped_screen(run.stdout)[0]]

    def depths(self, args):
        run = self.survey.run("join", args=args)
        self.assertEqual((run.returncode, run.stderr), (0, b""), run)
        data = self.survey.read("Temp/Data.txt").decode().split("\r\n")[:-1]
        self.assertGreater(len(data), SECONDS * 4)
        return [float(line.split()[2]) for line in data]


class Swell(SwellCase):
    def test_the_swell_taken_out_of_a_flat_seabed(self):
        lines, heave = swell_log()
        screen = self.split(lines)
        self.assertEqual(self.survey.read("Temp/Raw_Heave.txt"), crlf(*heave))
        self.assertEqual(screen[7][40:], "Heave : Temp/Raw_Heave.txt")
        self.assertEqual(screen[8][40:], "        PSXN,23: --heave-sign down")
        self.assertEqual(screen[16][58:], "Heave     : %9d" % len(heave))
        self.assertEqual(screen[17], "      Ignored   :         0")

        raw = self.depths(["--cm"])
        self.assertAlmostEqual(max(raw) - min(raw), 2.0, delta=0.05)  # the swell as the sounder saw it
        flat = self.depths(["--cm", "--heave", "Temp/Raw_Heave.txt", "--heave-sign", "down"])
        self.assertLess(max(abs(d - DEPTH) for d in flat), 0.05)
        doubled = self.depths(["--cm", "--heave", "Temp/Raw_Heave.txt", "--heave-sign", "up"])
        self.assertAlmostEqual(max(doubled) - min(doubled), 4.0, delta=0.1)

    def test_the_sentences_around_it(self):
        lines = [
            "10:00:00.000 " + gga(START, 42.5, 27.5),
            "10:00:00.100 " + sentence("PSXN,20,0,0,0,0"),             # quality: ignored
            "10:00:00.200 " + sentence("PSXN,22,-0.05,-0.68"),         # the gyro's: ignored
            "10:00:00.300 " + psxn23(0.25),
            "10:00:00.400 " + psxn23(0.3)[:-2] + "00",                  # checksum
            "10:00:00.500 " + sentence("PSXN,23,1.0,2.0,3.0"),        # cut short
            "10:00:00.600 " + sentence("PSXN,23,1.0,2.0,3.0,0,35"),   # 0: a sixth field is not read
            "10:00:00.550 " + psxn23(0.2),                              # time goes back
            "10:00:00.700 " + sentence("PSXN,23,1.0,2.0,3.0,"),       # no heave given: ignored
            "10:00:00.800 " + sentence("PSXN,23,1.0,2.0,3.0,+0.1"),   # bad field
            psxn23(0.4),                                                # no time tag
            "10:00:00.900 " + dbt(12.0),
            "10:00:01.000 " + gga(START + 1, 42.5, 27.5001),
        ]
        screen = self.split(lines)
        self.assertEqual(self.survey.read("Temp/Raw_Heave.txt"), crlf("10 0 0.300 0.25", "10 0 0.600 0"))
        self.assertEqual(self.survey.read("Temp/Nmea_Rejected.txt"), crlf(
            "5 checksum does not match", "6 sentence cut short", "8 time goes back", "10 field not a number",
            "11 no time tag"))
        self.assertEqual(screen[16][58:], "Heave     : %9d" % 2)
        self.assertEqual(screen[17], "      Ignored   :         3")

    def test_no_heave_in_the_log_and_an_untagged_log(self):
        # An older Temp/Raw_Heave.txt goes: it is not this log's.
        self.survey.write("Temp/Raw_Heave.txt", b"10 0 0 0.5\r\n")
        plain = ["10:00:00.000 " + gga(START, 42.5, 27.5), "10:00:00.500 " + dbt(12.0),
                 "10:00:01.000 " + gga(START + 1, 42.5, 27.5001)]
        screen = self.split(plain)
        self.assertFalse(os.path.exists(self.survey.path("Temp/Raw_Heave.txt")))
        self.assertEqual((screen[7][40:], screen[8][40:], screen[16][58:]), ("", "", ""))
        # Untagged, the heave has no time: not taken, and said so.
        untagged = [gga(START, 42.5, 27.5), psxn23(0.1), dbt(12.0), psxn23(0.2), gga(START + 1, 42.5, 27.5001)]
        screen = self.split(untagged)
        self.assertFalse(os.path.exists(self.survey.path("Temp/Raw_Heave.txt")))
        self.assertEqual(screen[7][40:], "Heave : not taken, no time tags")
        self.assertEqual(screen[17], "      Ignored   :         2")


if __name__ == "__main__":
    unittest.main()
