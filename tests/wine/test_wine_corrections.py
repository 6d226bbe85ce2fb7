#!/usr/bin/env python3
"""The depth corrections under wine: join with every option (heave, a sound
velocity cast, squat, the water level, --cm) on the sample survey,
depth_filter --cm after it, bar_check on a bar check and on one it refuses,
then nmea_split on a log with a motion sensor's heave and join --heave on
what it wrote, by the Windows programs and by the Linux programs: the same
files, byte for byte, the same piped screens and exit statuses."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import WineCase  # noqa: E402
from survey_test import crlf  # noqa: E402
from test_nmea_heave import swell_log  # noqa: E402

TABLES = {
    "Temp/Sv.txt": b"0 1512.5 surface\r\n4 1508\r\n4 1486\r\n\r\n25 1479.25\r\n",
    "Temp/Squat.txt": b"2 0.01\r\n4 0.04\r\n8 0.16\r\n",
    "Bar.txt": b"1.09 0.50\r\n1.58 1.00\r\n2.07 1.51\r\n2.56 2.00\r\n3.05 2.49\r\n",
    "Flat.txt": b"2.0 1.4\r\n2.0 1.5\r\n",
}
EVERY_OPTION = ("--cm", "--heave", "Temp/Raw_Heave.txt", "--heave-sign", "up", "--sv-profile", "Temp/Sv.txt",
                "--sv-set", "1500", "--draft", "0.45", "--squat", "Temp/Squat.txt", "--tide", "Temp/Tide.txt",
                "--tide-gap", "5")


def tenths_series(path, value):
    """A series of "hour minute second value" a tenth of a second apart from
    the first sounding of a log on, over 800 s, its k-th value value(k)."""
    with open(path, "rb") as f:
        first = f.readline().split()
    start = int(first[1]) * 3600 + int(first[2]) * 60 + int(float(first[3]))
    return b"".join(b"%d %d %.1f %.3f\r\n" % ((start + k / 10) // 3600, (start + k / 10) // 60 % 60,
                                                (start + k / 10) % 60, value(k)) for k in range(8000))


class CorrectionsUnderWine(WineCase):
    def test_the_same_files_and_screens(self):
        for name, data in TABLES.items():
            self.write(name, data)
        self.write("Swell.nmea", crlf(*swell_log()[0]))
        dpt = os.path.join(self.linux, "Temp/Raw_Dpt.txt")
        self.write("Temp/Raw_Heave.txt", tenths_series(dpt, lambda k: 0.8 * ((k % 80) / 40 - 1)))
        self.write("Temp/Tide.txt", tenths_series(dpt, lambda k: 0.25 + k / 40000))
        self.assert_steps([
            ("join", b"", EVERY_OPTION, ["Temp/Data.txt"]),
            ("depth_filter", b"0.5\n40\n3\n5\n\n", ("--cm",), ["PM/La_Lo_De.txt"]),
            ("bar_check", b"", ("--sv-set", "1480", "Bar.txt"), ["Temp/Bar_Check.txt"]),
            ("bar_check", b"Flat.txt\n", (), ["Temp/Bar_Check.txt"], 1),
            ("nmea_split", b"", ("Swell.nmea",), ["Temp/Raw_Pos.txt", "Temp/Raw_Dpt.txt", "Temp/Raw_Heave.txt"]),
            ("join", b"", ("--cm", "--heave", "Temp/Raw_Heave.txt", "--heave-sign", "down"), ["Temp/Data.txt"]),
        ])


if __name__ == "__main__":
    unittest.main()
