#!/usr/bin/env python3
"""join's screen in a real terminal of 80 x 25 (tmux), cell by cell."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from survey_test import TerminalCase, write_small_survey  # noqa: E402

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


if __name__ == "__main__":
    unittest.main()
