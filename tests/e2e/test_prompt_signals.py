#!/usr/bin/env python3
"""A tool broken off while it waits at a prompt for a typed value, in a real
terminal (tmux): by Ctrl-C, SIGTERM or SIGHUP, at each of depth_filter's four
limits and at dat_reduce's text height. The tool dies of the signal (its exit
status in the shell, for the two sent to it alone), the
terminal is left with echo and line editing on (`stty -a` in the shell after
it), and the files are as the run left them: PM/La_Lo_De.txt empty (emptied
before the first prompt), PM/Out.Txt complete and no Temp/Out.Scr.

Ctrl-Z at each of depth_filter's prompts stops the tool and gives the shell
the terminal in its own mode; fg brings the window back as it was, and the
typing goes on to the same files as a piped run."""

import os
import signal
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import process_state  # noqa: E402
from survey_test import Survey, TerminalCase, crlf  # noqa: E402

WAYS = {
    "Ctrl-C": (signal.SIGINT, lambda term, pid: term.keys("C-c")),
    "SIGTERM": (signal.SIGTERM, lambda term, pid: os.kill(pid, signal.SIGTERM)),
    "SIGHUP": (signal.SIGHUP, lambda term, pid: os.kill(pid, signal.SIGHUP)),
}

DATA = crlf(*("42.%08d 27.50000000 %.1f" % (49900000 + 10000 * i, 9.0 + 0.1 * i) for i in range(5)))
OUT_DAT = crlf("540942.06 4705335.05 -9.68 1", "540950.36 4705334.11 -9.73 2")

# depth_filter's prompts: (row, text at column 7), one row apart with a blank row between.
LIMITS = [(7, "Min. Depth : "), (9, "Max. Depth : "), (11, "Min. Dist. : "), (13, "Max.Slope 1: ")]


class PromptSignals(TerminalCase):
    def break_off(self, pid, row, typed, way):
        """Types text at the prompt in row, sees it echoed, then ends the
        tool the given way; checks how it ended and the terminal."""
        self.term.type(typed)
        self.term.wait_for(lambda: typed in self.term.screen()[row - 1], "%r echoed in row %d" % (typed, row))
        signum, end = WAYS[way]
        end(self.term, pid)
        self.term.wait_gone(pid)
        if way != "Ctrl-C":  # (Ctrl-C also breaks off the shell's command line that saves the status)
            self.assertEqual(self.term.status(), 128 + signum, "the tool did not die of %s" % way)
        self.assert_terminal_restored()

    def test_depth_filter_limits(self):
        answers = ["1", "40", "3"]
        for way in WAYS:
            for k, (row, text) in enumerate(LIMITS):
                with self.subTest(way=way, prompt=text.strip()):
                    self.survey.write("Temp/Data.txt", DATA)
                    self.survey.write("PM/La_Lo_De.txt", b"an older list\r\n")
                    pid = self.term.start("depth_filter")
                    for (r, t), answer in zip(LIMITS[:k], answers):
                        self.term.wait_prompt(pid, r, t)
                        self.term.type(answer)
                        self.term.keys("Enter")
                    self.term.wait_prompt(pid, row, text)
                    self.break_off(pid, row, "12.5", way)
                    self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), b"")

    def test_dat_reduce_text_height(self):
        for way in WAYS:
            with self.subTest(way=way):
                self.survey.write("PM/Out.Dat", OUT_DAT)
                if os.path.exists(self.survey.path("Temp/Out.Scr")):
                    os.remove(self.survey.path("Temp/Out.Scr"))
                pid = self.term.start("dat_reduce")
                self.term.wait_prompt(pid, 13, "  Text Height: ")
                self.break_off(pid, 13, "2.5", way)
                self.assertEqual(self.survey.read("PM/Out.Txt"),
                                 crlf("540942.06 4705335.05 -9.68", "540950.36 4705334.11 -9.73"))
                self.assertFalse(os.path.exists(self.survey.path("Temp/Out.Scr")))


class Suspend(TerminalCase):
    def test_ctrl_z_at_each_depth_filter_prompt(self):
        answers = ["1", "40", "3", "0.5", ""]
        piped = Survey()
        self.addCleanup(piped.remove)
        piped.write("Temp/Data.txt", DATA)
        self.assertEqual(piped.run("depth_filter", "".join(a + "\n" for a in answers).encode()).returncode, 0)
        prompts = LIMITS + [(21, "Press ENTER  ...")]
        for k in range(len(prompts)):
            with self.subTest(prompt=prompts[k][1].strip()):
                self.survey.write("Temp/Data.txt", DATA)
                pid = self.term.start("depth_filter")
                for i, ((row, text), answer) in enumerate(zip(prompts, answers)):
                    self.term.wait_prompt(pid, row, text)
                    if i == k:  # Ctrl-Z with half the answer typed
                        self.term.type(answer[:1])
                        self.term.wait_for(lambda: self.term.screen()[row - 1][6:].startswith(text + answer[:1]),
                                           "the typing")
                        window = (self.term.screen(), self.term.cursor())
                        self.term.keys("C-z")  # stopped, the terminal in the shell's mode
                        self.term.wait_for(lambda: process_state(pid) == "T", "the tool to stop")
                        self.assertEqual(self.term.status(), 128 + signal.SIGTSTP)
                        self.term.wait_for(self.term.at_shell_prompt, "the shell prompt")
                        self.assertEqual(self.term.tty_modes(), {"echo", "icanon"})
                        self.term.type("fg")
                        self.term.keys("Enter")
                        self.term.wait_for(lambda: (self.term.screen(), self.term.cursor()) == window,
                                           "the window as it was before Ctrl-Z")
                        answer = answer[1:]
                    self.term.type(answer)
                    self.term.keys("Enter")
                self.term.wait_gone(pid)
                self.assertEqual(self.survey.read("PM/La_Lo_De.txt"), piped.read("PM/La_Lo_De.txt"))
                self.assert_terminal_restored()


if __name__ == "__main__":
    unittest.main()
