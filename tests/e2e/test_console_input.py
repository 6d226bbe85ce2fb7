#!/usr/bin/env python3
"""Console input of the tools, met at join's final prompt: line editing in a
real terminal (tmux), the terminal given back on every way out, and piped
input that ends."""

import os
import signal
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from survey_test import SurveyCase, TerminalCase, write_small_survey  # noqa: E402

PROMPT = "      Press ENTER  ..."


class FinalPrompt(TerminalCase):
    def setUp(self):
        super().setUp()
        write_small_survey(self.survey)

    def start_join(self):
        pid = self.term.start("join")
        self.term.wait_prompt(pid, 19, "Press ENTER  ...")
        return pid

    def expect_line(self, typed):
        """Waits until row 19 shows the prompt and typed, with the cursor
        right after it."""
        want = (PROMPT + typed).ljust(80)
        self.term.wait_for(lambda: self.term.screen()[18] == want
                           and self.term.cursor() == (len(PROMPT + typed) + 1, 19),
                           "row 19 to read %r" % (PROMPT + typed))

    def test_typed_line_is_echoed_and_edited(self):
        pid = self.start_join()
        self.term.type("abc")
        self.expect_line("abc")
        self.term.keys("BSpace")
        self.expect_line("ab")
        self.term.keys("Left")
        self.expect_line("a")
        self.term.type("xy z")
        self.expect_line("axy z")
        self.term.keys("Escape")
        self.expect_line("")
        self.term.type("ok")
        self.expect_line("ok")
        self.term.keys("Enter")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        self.assert_terminal_restored()

    def test_terminal_is_restored_on_every_way_out(self):
        ways = {
            "Ctrl-C": lambda pid: self.term.keys("C-c"),
            "SIGTERM": lambda pid: os.kill(pid, signal.SIGTERM),
            "SIGHUP": lambda pid: os.kill(pid, signal.SIGHUP),
        }
        for name, end in ways.items():
            with self.subTest(name):
                pid = self.start_join()
                self.term.type("12")
                self.expect_line("12")
                end(pid)
                self.term.wait_gone(pid)
                self.assert_terminal_restored()


    def test_ctrl_d_on_an_empty_line_ends_the_input(self):
        # The end of typed input: the final wait returns and the tool ends
        # normally; after typed text the key does nothing.
        pid = self.start_join()
        self.term.type("7")
        self.expect_line("7")
        self.term.keys("C-d")
        self.expect_line("7")
        self.term.keys("BSpace")
        self.expect_line("")
        self.term.keys("C-d")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        self.assert_terminal_restored()


class PipedInput(SurveyCase):
    def test_final_wait_returns_at_the_end_of_the_input(self):
        write_small_survey(self.survey)
        run = self.survey.run("join", stdin=None, timeout=5)
        self.assertEqual(run.returncode, 0, run)
        self.assertIn(b"Press ENTER  ...", run.stdout)
        self.assertEqual(self.survey.read("Temp/Data.txt").count(b"\r\n"), 9)


if __name__ == "__main__":
    unittest.main()
