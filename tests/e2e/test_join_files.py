#!/usr/bin/env python3
"""join end to end in a temporary survey folder: Temp/Data.txt byte for byte,
the final counters, the ways of ending, the bundled sample, constant memory.

Every expected Data.txt below is worked out by hand from the join rules
(fix times are their stamps minus one second; a sounding on P1 or P2 takes
that fix, one between them is interpolated; latitude and longitude with eight
decimals, depth with one, rounded half up)."""

import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from survey_test import DATA, SAMPLE, Survey, SurveyCase, crlf  # noqa: E402

# Fixes 42.0 27.0 at 10:00:01 and 42.1 27.2 at 10:00:03 (times 36000 and
# 36002): the sounding of 10:00:01 lies halfway between them (step C), the one
# of 10:00:02 falls on the second fix (step D) and is the last sounding.
WORKED_POS = crlf("42.0 27.0 10 0 1", "42.1 27.2 10 0 3", "42.2 27.4 10 0 5")
WORKED_DPT = crlf("12.34 10 0 1", "13.0 10 0 2")
WORKED_DATA = crlf("42.05000000 27.10000000 12.3", "42.10000000 27.20000000 13.0")
OLD_DATA = crlf("41.00000000 26.00000000 1.0")


class JoinCase(SurveyCase):
    def join(self, positions, soundings, data, counts):
        """Runs join on the two logs; checks a normal end, Temp/Data.txt and
        the final (positions, depths, points) counters."""
        self.survey.write("Temp/Raw_Pos.txt", positions)
        self.survey.write("Temp/Raw_Dpt.txt", soundings)
        run = self.survey.run("join")
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(run.stderr, b"")
        self.assertIn(b"Press ENTER  ...", run.stdout)
        self.assertEqual(self.survey.read("Temp/Data.txt"), data)
        shown = tuple(run.counter(label) for label in ("Positions : ", "Depths : ", "3D Points : "))
        self.assertEqual(shown, counts, "counters (positions, depths, points)")
        return run


class Join(JoinCase):
    def test_worked_example(self):
        self.join(WORKED_POS, WORKED_DPT, WORKED_DATA, (2, 2, 2))

    def test_line_ends_blanks_and_extra_fields_read_alike(self):
        cases = {
            "LF": (b"42.0 27.0 10 0 1\n42.1 27.2 10 0 3\n42.2 27.4 10 0 5\n",
                   b"12.34 10 0 1\n13.0 10 0 2\n"),
            "CR": (b"42.0 27.0 10 0 1\r42.1 27.2 10 0 3\r42.2 27.4 10 0 5\r",
                   b"12.34 10 0 1\r13.0 10 0 2\r"),
            "no line end at the end": (b"42.0 27.0 10 0 1\r\n42.1 27.2 10 0 3\r\n42.2 27.4 10 0 5",
                                       b"12.34 10 0 1\n13.0 10 0 2"),
            "Ctrl-Z after the last line": (WORKED_POS + b"\x1a", WORKED_DPT + b"\x1a\r\n99 9 9 9\r\n"),
            "tabs, extra fields, a record over three lines": (
                b"  42.0\t27.0  10 00 01.00 1.2 9 GPS\r\n42.1 27.2 10 0 3 ;x,y\r\n"
                b"42.2 27.4 10 0 5 **\r\n",
                b"12.34 10 0 1.0 m 1,5\r\n13.0\r\n10 0\r\n2 end\r\n"),
        }
        for name, (positions, soundings) in cases.items():
            with self.subTest(name):
                self.join(positions, soundings, WORKED_DATA, (2, 2, 2))

    def test_soundings_on_fixes_keep_the_fix_coordinates(self):
        # Fixes at 09:59:59, 10:00:01, 10:00:03, 10:00:05 after the shift.
        # Pass 1: 09:59:59 on P1 (B), 10:00:01 on P2 (D, advance). Pass 2:
        # 10:00:03 on P2 (D), 10:00:05 read, the advance takes the last fix;
        # the loop ends at its test with that sounding pending and the fifth
        # sounding never read. 11.06 and 12.25 round half up to 11.1, 12.3.
        self.join(crlf("42.5 27.5 10 0 0", "42.6 27.7 10 0 2", "42.7 27.9 10 0 4", "42.8 28.1 10 0 6"),
                  crlf("10.04 9 59 59", "11.06 10 0 1", "12.25 10 0 3", "13.0 10 0 5", "14.0 10 0 6"),
                  crlf("42.50000000 27.50000000 10.0", "42.60000000 27.70000000 11.1",
                       "42.70000000 27.90000000 12.3"),
                  (4, 4, 3))

    def test_soundings_before_the_first_window_are_dropped_one_a_pass(self):
        # Window 10:00:09 .. 10:00:10: 10:00:05 and 10:00:07 are dropped
        # (counted, not written); then B and C (halfway in longitude), after
        # which the depth file is at its end.
        self.join(crlf("42.0 27.0 10 0 10", "42.0 27.5 10 0 11", "42.0 27.5 10 0 12"),
                  crlf("5.0 10 0 5", "6.0 10 0 7", "7.0 10 0 9", "8.0 10 0 9.5"),
                  crlf("42.00000000 27.00000000 7.0", "42.00000000 27.25000000 8.0"),
                  (2, 4, 2))

    def test_fixes_with_equal_times(self):
        # P1 and P2 both at 10:00:00: a sounding at that time goes to P1 (B),
        # the next one at the same time to P2 (D); no interpolation over a zero
        # interval. Then 10:00:01 lies halfway to the fix of 10:00:02.
        self.join(crlf("42.1 27.1 10 0 1", "42.2 27.2 10 0 1", "42.3 27.3 10 0 3", "42.4 27.4 10 0 5"),
                  crlf("3.0 10 0 0", "3.5 10 0 0", "4.0 10 0 1", "4.5 10 0 2"),
                  crlf("42.10000000 27.10000000 3.0", "42.20000000 27.20000000 3.5",
                       "42.25000000 27.25000000 4.0", "42.30000000 27.30000000 4.5"),
                  (3, 4, 4))

    def test_repeated_fixes(self):
        # E passes over the two repeats of 27.2 (uncounted): P2 is 27.6 at
        # 10:00:04, and 10:00:02 is a third of the way from 27.2. After the D
        # advance the repeat of 27.6 becomes P2 and counts, so 10:00:04.5
        # stays at 27.6. A change of latitude alone is a new fix. At last E
        # meets only a repeat before the end of the position file.
        self.join(crlf("42.0 27.0 10 0 1", "42.0 27.2 10 0 2", "42.0 27.2 10 0 3", "42.0 27.2 10 0 4",
                       "42.0 27.6 10 0 5", "42.0 27.6 10 0 6", "42.0 27.7 10 0 8", "42.1 27.7 10 0 10",
                       "42.1 27.7 10 0 11"),
                  crlf("1.0 10 0 2", "2.0 10 0 4", "3.0 10 0 4.5", "4.0 10 0 6", "5.0 10 0 8",
                       "6.0 10 0 12", "7.0 10 0 13"),
                  crlf("42.00000000 27.33333333 1.0", "42.00000000 27.60000000 2.0",
                       "42.00000000 27.60000000 3.0", "42.00000000 27.65000000 4.0",
                       "42.05000000 27.70000000 5.0"),
                  (6, 6, 5))

    def test_survey_past_midnight_keeps_its_soundings(self):
        # Each log adds a day when its clock falls back by more than 12 hours,
        # so 00:00:00 follows 23:59:58 two seconds later in both logs.
        self.join(crlf("42.5 27.50 23 59 56", "42.5 27.51 23 59 58", "42.5 27.52 0 0 0",
                       "42.5 27.53 0 0 2", "42.5 27.54 0 0 4", "42.5 27.55 0 0 6"),
                  crlf("10.0 23 59 55", "10.2 23 59 57", "10.4 23 59 58", "10.6 0 0 0",
                       "10.8 0 0 3", "10.9 0 0 5"),
                  crlf("42.50000000 27.50000000 10.0", "42.50000000 27.51000000 10.2",
                       "42.50000000 27.51500000 10.4", "42.50000000 27.52500000 10.6",
                       "42.50000000 27.54000000 10.8"),
                  (6, 6, 5))

    def test_backward_jumps_of_twelve_hours_or_less_are_no_new_day(self):
        positions = crlf("42.0 27.0 12 0 1", "42.0 27.4 12 0 3", "42.0 27.8 12 0 5", "42.0 28.2 12 0 7")
        with self.subTest("exactly 12 hours back"):
            # 00:00:01 is dropped in A like any early sounding.
            self.join(positions, crlf("5.0 12 0 1", "6.0 0 0 1", "7.0 12 0 3", "8.0 12 0 4"),
                      crlf("42.00000000 27.20000000 5.0", "42.00000000 27.60000000 7.0",
                           "42.00000000 27.80000000 8.0"),
                      (3, 4, 3))
        with self.subTest("half a second more: the next day"):
            # 00:00:00.5 is now after every fix: E takes the rest of the fixes.
            self.join(positions, crlf("5.0 12 0 1", "6.0 0 0 0.5", "7.0 12 0 3", "8.0 12 0 4"),
                      crlf("42.00000000 27.20000000 5.0"), (4, 2, 1))

    def test_logs_too_short_for_the_loop_give_an_empty_file(self):
        cases = {"two fixes": (crlf("42.0 27.0 10 0 1", "42.1 27.2 10 0 3"), WORKED_DPT),
                 "one sounding": (WORKED_POS, crlf("12.34 10 0 1"))}
        for name, (positions, soundings) in cases.items():
            with self.subTest(name):
                self.survey.write("Temp/Data.txt", OLD_DATA)
                run = self.join(positions, soundings, b"", (None, None, None))
                self.assertNotIn(b"Positions", run.stdout)

    def test_output_names_ignore_letter_case(self):
        shutil.rmtree(self.survey.path("Temp"))
        os.mkdir(self.survey.path("TEMP"))
        self.survey.write("TEMP/RAW_POS.TXT", crlf("1.0 2.0 10 0 1", "1.5 2.5 10 0 3", "2.0 3.0 10 0 5"))
        hour_ago = time.time() - 3600
        os.utime(self.survey.path("TEMP/RAW_POS.TXT"), (hour_ago, hour_ago))
        self.survey.write("TEMP/raw_pos.txt", WORKED_POS)
        self.survey.write("TEMP/raw_dpt.TXT", WORKED_DPT)
        self.survey.write("TEMP/DATA.txt", OLD_DATA)
        run = self.survey.run("join")
        self.assertEqual(run.returncode, 0, run)
        # The most recently modified of the case variants wins (here the last
        # in byte order), and an existing variant of Data.txt is written
        # over, not joined by another.
        self.assertEqual(self.survey.read("TEMP/DATA.txt"), WORKED_DATA)
        self.assertEqual(sorted(os.listdir(self.survey.path("TEMP"))),
                         ["DATA.txt", "RAW_POS.TXT", "raw_dpt.TXT", "raw_pos.txt"])


class Failures(SurveyCase):
    def test_missing_input_leaves_the_older_output_alone(self):
        for missing, shown, unseen in (("Raw_Pos.txt", b"Temp/Raw_Pos.txt", b"Temp/Raw_Dpt.txt"),
                                       ("Raw_Dpt.txt", b"Temp/Raw_Dpt.txt", b"Temp/Data.txt")):
            with self.subTest(missing):
                self.survey.write("Temp/Raw_Pos.txt", WORKED_POS)
                self.survey.write("Temp/Raw_Dpt.txt", WORKED_DPT)
                self.survey.write("Temp/Data.txt", OLD_DATA)
                os.remove(self.survey.path("Temp/" + missing))
                run = self.survey.run("join")
                self.assert_runtime_error(run, 2)
                self.assertIn(shown, run.stdout)
                self.assertNotIn(unseen, run.stdout)
                self.assertEqual(self.survey.read("Temp/Data.txt"), OLD_DATA)

    def test_missing_folder_and_unwritable_output(self):
        with self.subTest("no Temp folder"):
            os.rmdir(self.survey.path("Temp"))
            self.assert_runtime_error(self.survey.run("join"), 3)
        with self.subTest("Temp/Data.txt is a folder"):
            os.mkdir(self.survey.path("Temp"))
            os.mkdir(self.survey.path("Temp/Data.txt"))
            self.survey.write("Temp/Raw_Pos.txt", WORKED_POS)
            self.survey.write("Temp/Raw_Dpt.txt", WORKED_DPT)
            self.assert_runtime_error(self.survey.run("join"), 5)

    def test_malformed_or_missing_numbers_stop_with_106(self):
        cases = {
            "letter O in a longitude": (crlf("42.0 27.O 10 0 1", "42.1 27.2 10 0 3", "42.2 27.4 10 0 5"),
                                        WORKED_DPT, "Raw_Pos.txt"),
            "letter O in an hour": (WORKED_POS, crlf("12.34 1O 0 1", "13.0 10 0 2"), "Raw_Dpt.txt"),
            "decimal comma": (WORKED_POS, crlf("12,34 10 0 1", "13.0 10 0 2"), "Raw_Dpt.txt"),
            "a single fix": (crlf("42.0 27.0 10 0 1"), WORKED_DPT, "Raw_Pos.txt"),
            "no sounding": (WORKED_POS, b"", "Raw_Dpt.txt"),
        }
        for name, (positions, soundings, culprit) in cases.items():
            with self.subTest(name):
                self.survey.write("Temp/Raw_Pos.txt", positions)
                self.survey.write("Temp/Raw_Dpt.txt", soundings)
                self.survey.write("Temp/Data.txt", OLD_DATA)
                run = self.survey.run("join")
                self.assertIn(culprit, self.assert_runtime_error(run, 106))
                self.assertEqual(self.survey.read("Temp/Data.txt"), b"")

    def test_blank_line_after_the_last_record(self):
        # Not at the end after the last record, so a record is read: the
        # depth 0 and empty hour and minute pass, the second is missing. The
        # two records written before are on disk.
        self.survey.write("Temp/Raw_Pos.txt", WORKED_POS)
        self.survey.write("Temp/Raw_Dpt.txt", WORKED_DPT + b"\r\n")
        run = self.survey.run("join")
        self.assertIn("Raw_Dpt.txt", self.assert_runtime_error(run, 106))
        self.assertEqual(self.survey.read("Temp/Data.txt"), WORKED_DATA)


class SampleSurvey(JoinCase):
    def test_sample_survey(self):
        # 3436 soundings at 5 Hz from 09:57:30, 690 fixes at 1 Hz from
        # 09:57:34 (time 09:57:33). Checked by hand: the 15 soundings before
        # 09:57:33 are dropped; the first record is that fix itself, the
        # second lies a fifth of the way to the next fix; the last sounding is
        # pending when the depth log ends. After the logger restart (phase
        # 0.1 s) the window moves in step E, passing over the 15 repeats left
        # (e.g. 10:07:56.10 lies 1.1 s into the 3 s from the fix of 10:07:56 to
        # that of 10:07:59, 42.50028140 27.49968707 to 42.50027997 27.49960915:
        # 42.50028088 27.49965850 18.4); the last fix is never read.
        # 690 - 15 - 1 = 674 fixes, 3436 - 16 = 3420 points.
        with open(os.path.join(DATA, "sample", "Data.txt"), "rb") as f:
            expected = f.read()
        self.assertIn(b"\r\n42.50028088 27.49965850 18.4\r\n", expected)
        with open(os.path.join(SAMPLE, "Temp", "Raw_Pos.txt"), "rb") as f:
            positions = f.read()
        with open(os.path.join(SAMPLE, "Temp", "Raw_Dpt.txt"), "rb") as f:
            soundings = f.read()
        self.join(positions, soundings, expected, (674, 3436, 3420))


def make_log(folder, soundings):
    """A log of soundings at 20 Hz from 06:00:00 with fixes at 1 Hz."""
    fixes = soundings // 20 + 3
    with open(os.path.join(folder, "Temp", "Raw_Pos.txt"), "w", newline="") as f:
        f.write("".join("%.7f %.7f %d %d %d\r\n" % (42.5 + s * 1e-5, 27.5 + s * 1e-5,
                                                    6 + s // 3600, s // 60 % 60, s % 60)
                        for s in range(fixes)))
    with open(os.path.join(folder, "Temp", "Raw_Dpt.txt"), "w", newline="") as f:
        for block in range(0, soundings, 20000):
            f.write("".join("%d.%d %d %d %d.%02d\r\n" % (10 + i % 9, i % 10, 6 + i // 72000,
                                                         i // 1200 % 60, i // 20 % 60, i % 20 * 5)
                            for i in range(block, min(block + 20000, soundings))))


class ConstantMemory(unittest.TestCase):
    def peak_rss(self, soundings):
        """join's peak resident memory (KiB) on a generated log."""
        survey = Survey()
        self.addCleanup(survey.remove)
        make_log(survey.root, soundings)
        peak = survey.peak_memory("join")
        with open(survey.path("Temp/Data.txt"), "rb") as f:
            joined = f.read().count(b"\r\n")
        self.assertGreater(joined, soundings - 25)
        return peak

    def test_peak_memory_does_not_grow_with_the_log(self):
        small = self.peak_rss(1000)
        large = self.peak_rss(1000000)
        self.assertLessEqual(large - small, 1024, "peak RSS %d KiB for 1000 soundings, %d KiB for "
                             "1000000" % (small, large))


if __name__ == "__main__":
    unittest.main()
