#!/usr/bin/env python3
"""Run-time stops of the Windows programs under wine, hundreds of them, two at
a time, some broken into by a Ctrl-C (SIGINT, which wine hands to the
program's console control handler on a thread of its own) at a random moment.

A run ends in one of two ways, never in a mixture: the stop, with its own
status and its whole message; or the Ctrl-C, with 0xC000013A (58 as wine
hands it to Linux) and no message. Wine ends a run that gets the Ctrl-C
before the program's first instruction by itself (0, or killed by SIGINT),
with nothing written. A crash, a hang, a stop message with the Ctrl-C's
status or a message cut short fails. Once the stop has begun, a Ctrl-C no
longer breaks it off: a tool held while it writes its message (the standard
error a full pipe) and given a Ctrl-C then still ends with its own status.
"""

import concurrent.futures
import fcntl
import os
import random
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import ENV, WineCase, wine  # noqa: E402
from survey_test import WAIT  # noqa: E402

BROKEN_OFF = 0xC000013A & 0xFF  # the status of a run broken off, as wine hands it to Linux
RUNS = 200                      # per half: plain stops, and stops that may meet a Ctrl-C
PARAMETERS = b"Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel\r\n---\r\n27.0 1.0 0.0 0.5 1.0 0.0 \r\n"

# (tool, arguments, typed input, files of the survey folder (None: no folders
# at all), exit status, what the stop message says failed)
CASES = [
    ("utm_points", (), b"", None, 3, "open_input: PM/La_Lo_De.txt: path not found"),
    ("join", (), b"", {}, 2, "open_input: Temp/Raw_Pos.txt: file not found"),
    ("depth_filter", (), b"x\n", {"Temp/Data.txt": b"42.5 27.5 9.4\r\n"}, 106,
     "read_real: console: invalid numeric format"),
    ("utm_points", (), b"", {"PM/La_Lo_De.txt": PARAMETERS + b"42.4992 27.4981 9.4\r\n42.4992 27.498x 9.6\r\n"},
     106, "read_real: PM/La_Lo_De.txt, line 5: invalid numeric format"),
    ("nmea_split", ("none.nmea",), b"", {}, 2, "open_input: none.nmea: file not found"),
]


def make_folder(parent, files):
    root = tempfile.mkdtemp(dir=parent)
    if files is not None:
        for sub in ("PM", "Temp"):
            os.mkdir(os.path.join(root, sub))
        for rel, data in files.items():
            with open(os.path.join(root, rel), "wb") as f:
                f.write(data)
    return root


def stop_message(what, status):
    return "Runtime error %d at $ADDRESS\n  $ADDRESS  %s\n\n" % (status, what)


def without_addresses(stderr):
    return re.sub(r"\$[0-9A-F]{16}", "$ADDRESS", stderr.decode("latin-1"))


def run_once(case, cwd, ctrl_c_after=None):
    """(status, standard output, standard error) of one run; a Ctrl-C after
    the given seconds, when given."""
    tool, args, typed = case[:3]
    started = time.monotonic()
    p = subprocess.Popen(wine(tool) + list(args), cwd=cwd, env=ENV, stdin=subprocess.PIPE,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if ctrl_c_after is not None:
        time.sleep(ctrl_c_after)
        if p.poll() is None:
            p.send_signal(signal.SIGINT)
    try:
        out, err = p.communicate(typed, timeout=WAIT)
    except subprocess.TimeoutExpired:
        p.kill()
        p.communicate()
        return None, b"", b"did not end within %d s" % WAIT, time.monotonic() - started
    return p.returncode, out, err, time.monotonic() - started


def judge(case, result, broken_into):
    """What is wrong with a run's end ('' when nothing)."""
    status, out, err, _ = result
    expected = stop_message(case[5], case[4])
    if status == case[4] and without_addresses(err) == expected:
        return ""
    if broken_into and b"Runtime error" not in err:
        if status == BROKEN_OFF:
            return ""
        if status in (0, -signal.SIGINT) and out == b"" and err == b"":  # before the program began
            return ""
    return "status %s, standard error %r" % (status, err[:300])


def full_pipe():
    """A pipe whose write end takes no byte more until the read end is read."""
    r, w = os.pipe()
    flags = fcntl.fcntl(w, fcntl.F_GETFL)
    fcntl.fcntl(w, fcntl.F_SETFL, flags | os.O_NONBLOCK)
    filled = 0
    for size in (65536, 1):
        try:
            while True:
                filled += os.write(w, b"." * size)
        except BlockingIOError:
            pass
    fcntl.fcntl(w, fcntl.F_SETFL, flags)
    return r, w, filled


class StopsUnderWine(WineCase):
    def setUp(self):
        self.parent = tempfile.mkdtemp(prefix="survey-wine-stops-")
        self.addCleanup(shutil.rmtree, self.parent, True)

    def run_many(self, broken_into, seed):
        """RUNS runs of the cases in turn, two at a time, each in a folder
        of its own; with broken_into, every other one gets a Ctrl-C within
        the time that a run of its case takes. The runs that went wrong."""
        rng = random.Random(seed)
        folders = [[make_folder(self.parent, case[3]) for case in CASES] for _ in range(RUNS)]
        durations = {}
        if broken_into:  # how long a run of each case takes here, now
            for i, case in enumerate(CASES):
                durations[i] = statistics.median(run_once(case, folders[k][i])[3] for k in range(3))
        plan = []
        for k in range(RUNS):
            i = k % len(CASES)
            delay = rng.uniform(0, 1.2 * durations[i]) if broken_into and k % 2 else None
            plan.append((CASES[i], folders[k][i], delay))
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            results = list(pool.map(lambda p: run_once(p[0], p[1], p[2]), plan))
        wrong = []
        for (case, _, delay), result in zip(plan, results):
            fault = judge(case, result, delay is not None)
            if fault:
                wrong.append("%s %s (Ctrl-C after %s s): %s" % (case[0], case[5], delay, fault))
        return wrong, results, plan

    def test_stops_two_at_a_time(self):
        wrong, _, _ = self.run_many(False, 1)
        self.assertEqual(wrong, [])

    def test_stops_broken_into_by_ctrl_c(self):
        seed = int(time.time())
        wrong, results, plan = self.run_many(True, seed)
        self.assertEqual(wrong, [], "seed %d" % seed)
        # Both ends were met: the delays reach past the stops' starts.
        interrupted = [r[0] for (_, _, d), r in zip(plan, results) if d is not None]
        self.assertGreater(interrupted.count(BROKEN_OFF), 0, interrupted)

    def test_ctrl_c_while_the_stop_writes_its_message(self):
        """The standard error a full pipe: the stop waits in its message; a
        Ctrl-C then leaves it its end. The message follows the pipe's old
        bytes whole once they are read, and the status is the stop's."""
        for case in (CASES[0], CASES[2]):
            with self.subTest(case[0]):
                r, w, filled = full_pipe()
                p = subprocess.Popen(wine(case[0]) + list(case[1]), cwd=make_folder(self.parent, case[3]), env=ENV,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=w)
                os.close(w)
                p.stdin.write(case[2])
                p.stdin.close()
                os.read(p.stdout.fileno(), 1)  # the stop shows the last screen, then writes its message
                time.sleep(0.3)
                p.send_signal(signal.SIGINT)
                time.sleep(0.5)
                self.assertIsNone(p.poll(), "ended by the Ctrl-C while writing its message")
                err = b""
                while True:
                    part = os.read(r, 65536)
                    if not part:
                        break
                    err += part
                os.close(r)
                p.stdout.read()
                p.stdout.close()
                self.assertEqual(p.wait(timeout=WAIT), case[4])
                self.assertEqual(without_addresses(err[filled:]), stop_message(case[5], case[4]))

    def test_ctrl_c_while_a_tool_works_breaks_the_run_off(self):
        """utm_points on 60,000 points, given a Ctrl-C once its first block
        of PM/Points.txt is on disk: the run ends broken off, with no stop
        message. (Not at a prompt: under wine a SIGINT ends a read of a
        piped standard input as its end, and the stop follows.)"""
        points = b"".join(b"%.8f %.8f 9.4\r\n" % (42.49 + k * 1e-6, 27.49 + k * 1e-6) for k in range(60000))
        root = make_folder(self.parent, {"PM/La_Lo_De.txt": PARAMETERS + points})
        p = subprocess.Popen(wine("utm_points"), cwd=root, env=ENV, stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        written, deadline = os.path.join(root, "PM", "Points.txt"), time.monotonic() + WAIT
        while not (os.path.exists(written) and os.path.getsize(written) > 0):
            self.assertIsNone(p.poll(), "utm_points ended before a Ctrl-C could come")
            self.assertLess(time.monotonic(), deadline, "utm_points wrote nothing")
            time.sleep(0.002)
        p.send_signal(signal.SIGINT)
        out, err = p.communicate(timeout=WAIT)
        self.assertEqual((p.returncode, err), (BROKEN_OFF, b""))
        self.assertLess(os.path.getsize(written), 60000 * 36, "the run was not broken off")


if __name__ == "__main__":
    unittest.main()
