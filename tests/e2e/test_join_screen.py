#!/usr/bin/env python3
"""join's screen in a real terminal of 80 x 25 (tmux), cell by cell."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import piped_screen  # noqa: E402
from survey_test import Run, TerminalCase, crlf, write_small_survey  # noqa: E402

# The final screen of the small survey (6 fixes, 10 soundings read, 9 points).
FINAL_SCREEN = {
    3: "      JOIN",
    4: "      ----",
    6: "      Read  : Temp/Raw_Pos.txt",
    7: "              Temp/Raw_Dpt.txt",
    9: "      Write :    Temp/Data.txt",
    12: "      Positions :        6",
    13: "         Depths :       10",
    15: "      3D Points :        9",
    19: "      Press ENTER  ...",
}


class JoinScreen(TerminalCase):
    def test_final_screen_and_normal_end(self):
        write_small_survey(self.survey)
        pid = self.term.start("join")
        self.term.wait_prompt(pid, 19, "Press ENTER  ...")

        screen = self.term.screen()
        for row in range(1, 26):
            expected = FINAL_SCREEN.get(row, "").ljust(80)
            self.assertEqual(screen[row - 1], expected, "row %d of\n%s" % (row, self.term.dump()))
        self.assertEqual(self.term.cursor(), (23, 19))

        self.term.keys("Enter")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        # Enter moved the cursor to column 1 of the next row, where the shell
        # shows its prompt.
        self.term.wait_for(self.term.at_shell_prompt, "the shell prompt")
        self.assertEqual(self.term.cursor(), (3, 20), self.term.dump())
        self.assertEqual(self.term.screen()[18], FINAL_SCREEN[19].ljust(80))
        self.assert_terminal_restored()
        self.assertEqual(self.survey.read("Temp/Data.txt").count(b"\r\n"), 9)


# Every option at once: the corrections' rows below the counters, "Press
# ENTER" in the last row, and nothing cut or wrapped. With the latency the
# last sounding joined without it is left pending: 8 points.
ALL_OPTIONS = ["--latency", "0.25", "--max-gap", "3", "--tide", "Temp/Tide.txt", "--tide-gap", "10",
               "--heave", "Temp/Raw_Heave.txt", "--heave-sign", "down", "--sv-profile", "Temp/Sv.txt",
               "--sv-set", "1500", "--draft", "0.6", "--squat", "Temp/Squat.txt", "--cm"]
ALL_SCREEN = {
    3: "      JOIN",
    4: "      ----",
    6: "      Read  : Temp/Raw_Pos.txt",
    7: "              Temp/Raw_Dpt.txt",
    8: "      Tide  : Temp/Tide.txt  (gaps up to 10 s)",
    9: "      Write :    Temp/Data.txt",
    10: "      Latency   : 0.25 s",
    11: "      Max. gap  : 3 s",
    12: "      Positions :        6",
    13: "         Depths :       10",
    15: "      3D Points :        8",
    16: "        In gaps :        0",
    17: "        No tide :        0",
    18: "       No heave :        0",
    19: "      Heave     : Temp/Raw_Heave.txt, positive down",
    20: "      SV profile: Temp/Sv.txt",
    21: "      Sounder SV: 1500 m/s",
    22: "      Draft     : 0.6 m",
    24: "      Decimals  : 2 (--cm)",
    25: "      Press ENTER  ...",
}


class JoinScreenWithEveryOption(TerminalCase):
    def test_every_row_fits_the_window(self):
        write_small_survey(self.survey)
        for name, data in (("Temp/Tide.txt", crlf(*("10 0 %d 0.0" % s for s in range(20)))),
                           ("Temp/Raw_Heave.txt", crlf(*("10 0 %.1f 0.0" % (k / 10) for k in range(100)))),
                           ("Temp/Sv.txt", crlf("0 1500")), ("Temp/Squat.txt", crlf("0 0.05"))):
            self.survey.write(name, data)
        piped = self.survey.run("join", args=ALL_OPTIONS)
        self.assertEqual((piped.returncode, piped.stderr), (0, b""), piped)
        pid = self.term.start("join", args=ALL_OPTIONS)
        self.term.wait_prompt(pid, 25, "Press ENTER  ...")
        screen = self.term.screen()
        self.assertEqual(screen, piped_screen(piped.stdout)[0], self.term.dump())
        for row in range(1, 26):
            if row == 23:  # the small survey's boat runs 0.02 degrees of longitude a second
                self.assertRegex(screen[22], r"^      Squat     : Temp/Squat.txt, (\d+\.\d) to \1 kn, mean 0.050 m +$")
                continue
            expected = ALL_SCREEN.get(row, "")
            self.assertEqual(screen[row - 1], expected.ljust(80), "row %d of\n%s" % (row, self.term.dump()))
        self.assertEqual(self.term.cursor(), (23, 25))
        self.term.keys("Enter")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        self.term.wait_for(self.term.at_shell_prompt, "the shell prompt")
        # Enter in the last row scrolled the window by one: the blank first
        # row went, the shell's prompt stands in the last.
        self.assertEqual(self.term.screen()[1], ALL_SCREEN[3].ljust(80), self.term.dump())
        self.assert_terminal_restored()


# Long logs: a fix every second and a sounding every half second for a day and
# a half (the clock rolls over midnight once), so the run lasts long enough for
# the window to be redrawn while its counters move.
LONG_FIXES = 130000
COUNTER_LABELS = ("Positions : ", "Depths : ", "3D Points : ")


def long_logs(bad_sounding=None):
    fixes = crlf(*("42.%05d 27.%05d %d %d %d" % (t % 100000, (3 * t) % 100000, t // 3600 % 24,
                                                  t // 60 % 60, t % 60) for t in range(LONG_FIXES)))
    soundings = ["%d.%d %d %d %d.%d" % (5 + h % 20, h % 10, h // 7200 % 24, h // 120 % 60, h // 2 % 60,
                                        5 * (h % 2)) for h in range(2 * LONG_FIXES)]
    if bad_sounding is not None:
        soundings[bad_sounding] = "12x4 10 0 0"
    return fixes, crlf(*soundings)


class LongRunScreen(TerminalCase):
    def counters(self, rows):
        """The numbers of the three counters in the window's rows 12, 13, 15."""
        shown = []
        for row, label in zip((12, 13, 15), COUNTER_LABELS):
            text = rows[row - 1]
            at = text.index(label) + len(label)
            shown.append(int(text[at:at + 8]))
        return tuple(shown)

    def test_counters_at_the_end_and_at_a_stop_are_exact(self):
        """Counters rewritten after every record may skip values while the
        window is redrawn during the run, but the window at the final wait and
        at a run-time stop shows exactly what the same run shows piped."""
        for bad in (None, 230001):
            with self.subTest(bad_sounding=bad):
                fixes, soundings = long_logs(bad)
                self.survey.write("Temp/Raw_Pos.txt", fixes)
                self.survey.write("Temp/Raw_Dpt.txt", soundings)
                piped = self.survey.run("join")
                piped_counts = tuple(piped.counter(label) for label in COUNTER_LABELS)
                self.assertEqual(piped.returncode, 0 if bad is None else 106, piped)
                self.assertGreater(min(piped_counts), 100000, piped_counts)

                stderr = os.path.join(self.survey.root, "stderr.txt")
                pid = self.term.start("join", stderr=stderr)
                if bad is None:
                    self.term.wait_prompt(pid, 19, "Press ENTER  ...")
                    self.assertEqual(self.counters(self.term.screen()), piped_counts, self.term.dump())
                    self.term.keys("Enter")
                self.term.wait_gone(pid)
                self.assertEqual(self.term.status(), piped.returncode)
                self.assertEqual(self.counters(self.term.screen()), piped_counts, self.term.dump())
                if bad is not None:
                    with open(stderr, "rb") as f:
                        self.assertIn("Raw_Dpt.txt", self.assert_runtime_error(Run(106, b"", f.read()), 106))
                    # The shell's prompt followed the last counter; Enter gives
                    # it a row of its own.
                    self.term.keys("Enter")
                self.assert_terminal_restored()


if __name__ == "__main__":
    unittest.main()
