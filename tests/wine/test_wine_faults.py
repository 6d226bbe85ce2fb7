#!/usr/bin/env python3
"""File faults under wine beside the same faults on Linux: the same exit
status, run-time stop (its addresses aside), piped screen and files left,
but for a full disk, whose code and words are the platform's (28 on Linux,
112 on Windows). And a file that another program holds open, which Windows
refuses (32), the stop saying so.

The permission cases (a file that may not be read or written) stay with the
Linux tests: wine runs here as root, whom no permission stops."""

import os
import re
import select
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import ENV, WineCase, run, wine  # noqa: E402
from survey_test import DATA, WAIT  # noqa: E402

ANSWERS = b"1\n40\n3\n0.5\n\n"  # depth_filter's limits and the final Enter


def put(root, rel, data=b""):
    with open(os.path.join(root, rel), "wb") as f:
        f.write(data)


def long_data_with_bad_number(line_no):
    """The sample's joined soundings three times over (300 kB, more than a
    read buffer), a comma in the depth of one line."""
    with open(os.path.join(DATA, "sample", "Data.txt"), "rb") as f:
        lines = f.read().split(b"\r\n") * 3
    lines[line_no - 1] = b",".join(lines[line_no - 1].rsplit(b".", 1))
    return b"\r\n".join(lines)


def move(root, *names):
    for old, new in zip(names[::2], names[1::2]):
        os.rename(os.path.join(root, old), os.path.join(root, new))


# (case, tool, its input, how the sample survey is changed, Linux status, Windows status)
CASES = [
    ("missing file", "join", b"", lambda r: os.remove(os.path.join(r, "Temp/Raw_Pos.txt")), 2, 2),
    ("missing folder", "join", b"", lambda r: shutil.rmtree(os.path.join(r, "Temp")), 3, 3),
    ("a file where a folder is expected", "join", b"",
     lambda r: (shutil.rmtree(os.path.join(r, "Temp")), put(r, "Temp")), 3, 3),
    ("a folder where a file is expected", "join", b"", lambda r: os.mkdir(os.path.join(r, "Temp/Data.txt")), 5, 5),
    ("a bad number on line 9000", "depth_filter", ANSWERS,
     lambda r: put(r, "Temp/Data.txt", long_data_with_bad_number(9000)), 106, 106),
    ("names in another letter case", "join", b"",
     lambda r: move(r, "Temp", "TEMP", "TEMP/Raw_Pos.txt", "TEMP/RAW_POS.TXT", "TEMP/Raw_Dpt.txt", "TEMP/raw_dpt.txt"),
     0, 0),
    ("a full disk", "join", b"", lambda r: os.symlink("/dev/full", os.path.join(r, "Temp/Data.txt")), 28, 112),
]
DISK_FULL_WORDS = {28: "No space left on device", 112: "disk full"}


def stop_text(run):
    return re.sub(r"\$[0-9A-F]{16}", "$ADDRESS", run.stderr.decode("latin-1"))


class FaultsUnderWine(WineCase):
    def test_faults_as_on_linux(self):
        for case, tool, answers, arrange, linux_code, windows_code in CASES:
            with self.subTest(case):
                self.setUp()
                arrange(self.linux)
                arrange(self.windows)
                linux, windows = self.run_both(tool, answers)
                self.assertEqual((linux.returncode, windows.returncode), (linux_code, windows_code),
                                 (linux, windows))
                self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                self.assertEqual(self.differing(), [])
                expected = stop_text(linux).replace(str(linux_code), str(windows_code), 1)
                if linux_code != windows_code:
                    expected = expected.replace(DISK_FULL_WORDS[linux_code], DISK_FULL_WORDS[windows_code])
                self.assertEqual(stop_text(windows), expected)
                self.assertEqual("line 9000: invalid" in expected, linux_code == 106, expected)

    def test_file_held_open_by_another_program(self):
        """depth_filter, waiting at its first prompt, holds PM/La_Lo_De.txt
        open for writing: utm_points may not read it (32) until depth_filter
        has ended."""
        shutil.copy(os.path.join(DATA, "sample", "Data.txt"), os.path.join(self.windows, "Temp"))
        holder = subprocess.Popen(wine("depth_filter"), cwd=self.windows, env=ENV, stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(holder.kill)
        shown, deadline = b"", time.monotonic() + WAIT
        while b"Min. Depth" not in shown:
            self.assertLess(time.monotonic(), deadline, "no prompt from depth_filter: %r" % shown)
            if select.select([holder.stdout], [], [], 0.1)[0]:
                shown += os.read(holder.stdout.fileno(), 65536) or self.fail("depth_filter ended: %r" % shown)
        held = run(wine("utm_points"), self.windows, b"")
        self.assertEqual(held.returncode, 32, held)
        self.assertIn(b"open_input: PM/La_Lo_De.txt: in use by another program; close it there\n", held.stderr)
        holder.communicate(ANSWERS, timeout=WAIT)
        self.assertEqual((holder.returncode, run(wine("utm_points"), self.windows, b"").returncode), (0, 0))


if __name__ == "__main__":
    unittest.main()
