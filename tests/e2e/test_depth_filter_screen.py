#!/usr/bin/env python3
"""depth_filter in a real terminal of 80 x 25 (tmux): the limits typed at
its prompts (each typed only once its prompt is shown and the tool waits for
keys), the echo on rows 7, 9, 11 and 13, the final screen cell by cell."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import expected_rows  # noqa: E402
from survey_test import TerminalCase  # noqa: E402
from test_depth_filter import OLD_LIST, WORKED_DATA, WORKED_LIST  # noqa: E402

READ_LINES = {3: "       Read :   Temp/Data.txt", 5: "      Write : PM/La_Lo_De.txt"}


class DepthFilterScreen(TerminalCase):
    def setUp(self):
        super().setUp()
        self.survey.write("Temp/Data.txt", WORKED_DATA)
        self.survey.write("PM/La_Lo_De.txt", OLD_LIST)
        self.pid = self.term.start("depth_filter")

    def assert_screen(self, texts, cursor):
        self.assertEqual(self.term.screen(), expected_rows(texts), self.term.dump())
        self.assertEqual(self.term.cursor(), cursor, self.term.dump())

    def answer(self, row, prompt, text):
        self.term.wait_prompt(self.pid, row, prompt)
        self.term.type(text)
        self.term.keys("Enter")

    def test_typed_limits_and_final_screen(self):
        self.term.wait_prompt(self.pid, 7, "Min. Depth : ")
        # The point list was emptied before the first prompt.
        self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), b"")
        self.assert_screen({**READ_LINES, 7: "      Min. Depth : "}, (20, 7))
        # A slip taken back with Backspace.
        self.term.type("55")
        self.term.keys("BSpace")
        self.term.keys("Enter")
        self.answer(9, "Max. Depth : ", "30")
        self.answer(11, "Min. Dist. : ", "105.46875")
        self.answer(13, "Max.Slope 1: ", "0.05")

        self.term.wait_prompt(self.pid, 21, "Press ENTER  ...")
        self.assert_screen({
            **READ_LINES,
            7: "      Min. Depth : 5",
            9: "      Max. Depth : 30",
            11: "      Min. Dist. : 105.46875",
            13: "      Max.Slope 1: 0.05",
            16: "       Read:       16",
            18: "      Write:        6",
            21: "      Press ENTER  ...",
        }, (23, 21))

        self.term.keys("Enter")
        self.term.wait_gone(self.pid)
        self.assertEqual(self.term.status(), 0)
        self.assert_terminal_restored()
        self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), WORKED_LIST)

    def test_enter_alone_then_letters_typed(self):
        # Enter alone at a prompt: the tool waits for the number on the next
        # row, and the next prompt moves one row down.
        self.term.wait_prompt(self.pid, 7, "Min. Depth : ")
        self.term.keys("Enter")
        self.term.wait_for(lambda: self.term.cursor() == (1, 8), "the cursor at row 8")
        self.answer(7, "Min. Depth : ", "5")  # typed on row 8, once the tool waits again
        self.term.wait_prompt(self.pid, 10, "Max. Depth : ")
        self.assert_screen({**READ_LINES, 7: "      Min. Depth : ", 8: "5",
                            10: "      Max. Depth : "}, (20, 10))
        # Letters where a number is due stop the tool with 106; the point
        # list stays empty, the terminal is left as it was.
        self.term.type("abc")
        self.term.keys("Enter")
        self.term.wait_gone(self.pid)
        self.assertEqual(self.term.status(), 106)
        self.term.wait_for(lambda: any(r.startswith("Runtime error 106 at $") for r in self.term.screen()),
                           "the run-time error")
        self.assert_terminal_restored()
        self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), b"")


if __name__ == "__main__":
    unittest.main()
