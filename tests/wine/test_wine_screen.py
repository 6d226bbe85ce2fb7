#!/usr/bin/env python3
"""The Windows programs in a real terminal (tmux, 80 x 25) under wine, whose
console shows what the console API puts in its cells, beside the Linux
programs in a terminal of their own: the same keys typed, and at every prompt
the same cells and cursor. depth_filter with its limits typed (slips taken
back with Backspace and the left arrow, one cleared with Escape); dxf2txt with its Bulgarian
prompts and a Cyrillic file name typed; Ctrl-C at a prompt ends a tool with
the status of a run broken off.

The Windows programs start after `clear`: wine's console knows nothing of
what the terminal showed before and draws only the cells it changes."""

import os
import shlex
import signal
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import ENV, WineCase, wine  # noqa: E402
from survey_test import DATA, Terminal  # noqa: E402
from test_depth_filter import WORKED_DATA  # noqa: E402

ENTER = ("Enter",)


class Session:
    """A tool started in a terminal of its own (under wine for windows)."""

    def __init__(self, case, root, tool, windows):
        self.term = Terminal(root)
        case.addCleanup(self.term.close)
        case.addCleanup(self.end_processes)
        self.windows = windows
        if not windows:
            self.pid = self.term.start(tool)
            return
        self.term.status_file = status = shlex.quote(os.path.join(self.term.dir, "status"))
        env = " ".join("%s=%s" % (k, shlex.quote(ENV[k])) for k in ("WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES"))
        self.term.type("clear; %s %s; echo $? > %s.tmp; mv %s.tmp %s"
                       % (env, " ".join(map(shlex.quote, wine(tool))), status, status, status))
        self.term.keys("Enter")

    def at_prompt(self, row, text, cursor):
        """Waits for text at column 7 of row and the tool waiting for keys
        (wine's console keeps keys typed until the tool reads them: the
        cursor at its place is enough); the rows and the cursor."""
        if self.windows:
            self.term.wait_for(lambda: self.term.screen()[row - 1][6:].startswith(text)
                               and self.term.cursor() == cursor, "%r in row %d" % (text, row))
        else:
            self.term.wait_prompt(self.pid, row, text)
        return self.term.screen(), self.term.cursor()

    def end_processes(self):
        """Ends wine's console on the terminal: it may outlive a program ended
        by Ctrl-C. (wine's server, which holds the terminal too, is ended with
        the other programs of wine after the tests.)"""
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    if b"conhost.exe" in f.read() and any(
                            os.readlink("/proc/%s/fd/%s" % (pid, fd)) == self.term.tty
                            for fd in os.listdir("/proc/%s/fd" % pid)):
                        os.kill(int(pid), signal.SIGKILL)
            except OSError:
                continue


class ScreensUnderWine(WineCase):
    def setUp(self):
        super().setUp()
        saved = os.environ.get("LC_ALL")
        os.environ["LC_ALL"] = "C.UTF-8"  # the terminals show Cyrillic
        self.addCleanup(lambda: os.environ.pop("LC_ALL") if saved is None else os.environ.update(LC_ALL=saved))

    def type_both(self, tool, steps):
        """At each prompt (row, text, cursor) the keys: a text to type, or a
        key by name with the row, text and cursor to wait for after it. The
        screens at the prompts, the exit statuses and the files must agree."""
        seen = []
        for root, windows in ((self.linux, False), (self.windows, True)):
            session, screens = Session(self, root, tool, windows), []
            for row, prompt, cursor, keys in steps:
                screens.append(session.at_prompt(row, prompt, cursor))
                for key in keys:
                    session.term.type(key) if isinstance(key, str) else session.term.keys(key[0])
                    if isinstance(key, tuple) and len(key) > 1:
                        session.at_prompt(*key[1:])
            seen.append((screens, session.term.status()))
        self.assertEqual(seen[1], seen[0], "the last screen under wine:\n" + "\n".join(seen[1][0][-1][0]))
        self.assertEqual((seen[0][1], self.differing()), (0, []))

    def test_depth_filter_typed_limits(self):
        self.write("Temp/Data.txt", WORKED_DATA)
        self.type_both("depth_filter", [
            (7, "Min. Depth : ", (20, 7), ["55", ("BSpace", 7, "Min. Depth : 5 ", (21, 7)), ENTER]),
            (9, "Max. Depth : ", (20, 9), ["3", ("Escape", 9, "Max. Depth :  ", (20, 9)), "301",
                                           ("Left", 9, "Max. Depth : 30 ", (22, 9)), ENTER]),
            (11, "Min. Dist. : ", (20, 11), ["105.46875", ENTER]),
            (13, "Max.Slope 1: ", (20, 13), ["0.05", ENTER]),
            (21, "Press ENTER  ...", (23, 21), [ENTER]),
        ])
        with open(os.path.join(self.windows, "PM", "La_Lo_De.txt"), "rb") as f:
            self.assertEqual(f.read().count(b"\r\n"), 3 + 6 - 1)  # the header and 6 soundings

    def test_dxf2txt_cyrillic_prompts_and_name(self):
        with open(os.path.join(DATA, "dxf", "profile_r2000.dxf"), "rb") as f:
            self.write("Temp/profile_r2000.dxf", f.read())
        self.type_both("dxf2txt", [
            (9, "Чете от  *.DXF  файл ? :", (33, 9), ["temp/Profile_R2000.DXF", ENTER]),
            (11, "Пише  в  *.TXT  Файл ? :", (33, 11), ["списък.txt", ENTER]),
            (18, " " * 23 + "Регистъра е завършен.", (53, 18), ["x"]),
        ])
        with open(os.path.join(self.windows, "списък.txt"), "rb") as f:
            self.assertEqual(f.read().count(b"\r\n"), 40)

    def test_ctrl_c_at_a_prompt(self):
        session = Session(self, self.windows, "dxf2txt", True)
        session.at_prompt(9, "Чете от", (33, 9))
        session.term.type("abc")
        session.term.keys("C-c")
        self.assertEqual(session.term.status(), 0xC000013A & 0xFF)  # STATUS_CONTROL_C_EXIT, as wine hands it on


if __name__ == "__main__":
    unittest.main()
