#!/usr/bin/env python3
"""Run-time stops of the Windows programs under wine, hundreds of them, two at
a time, and a Ctrl-C (SIGINT, which wine hands to the program's console
control handler on a thread of its own) in the middle of them.

A run ends in one of two ways, never in a mixture: the stop, with its own
status and its whole message; or the Ctrl-C, with 0xC000013A (58 as wine
hands it to Linux) and no message. A tool waiting at a prompt that a pipe
feeds is the sharpest case: under wine the SIGINT both ends the read, as the
end of the input (the tool stops: 106), and runs the control handler, so the
two ends race on every run. A crash, a hang, a stop message with the
Ctrl-C's status or a message cut short fails. Once the stop has begun, a
Ctrl-C no longer breaks it off: a tool held while it writes its message (the
standard error a full pipe) and given a Ctrl-C then still ends with its own
status. A run that wine failed to start (no byte of the program: under
load its loader may fail to map its memory) is run again, five at most.
No run starts after a wrong one (a hang costs its WAIT once, not hundreds
of times) nor once the runs' time is up (STOPS_BUDGET, PROMPTS_BUDGET: a
loaded machine runs fewer of them, MIN_RUNS at least).
"""

import concurrent.futures
import fcntl
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_run import ENV, WineCase, wine  # noqa: E402
from survey_test import WAIT  # noqa: E402

BROKEN_OFF = 0xC000013A & 0xFF  # the status of a run broken off, as wine hands it to Linux
RUNS = 300       # plain stops
PROMPT_RUNS = 120  # Ctrl-C at a prompt
STOPS_BUDGET, PROMPTS_BUDGET = 60.0, 40.0  # seconds after which no more of them start
MIN_RUNS = 60  # of each, however loaded the machine
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


# (tool, its files, the prompt it waits at, what the stop says failed): the
# prompts of a number, whose input ends (106) when wine breaks the read off.
PROMPTS = [
    ("depth_filter", {"Temp/Data.txt": b"42.5 27.5 9.4\r\n"}, b"Min. Depth", "read_real: console: invalid numeric format"),
    ("dat_reduce", {"PM/Out.Dat": b"1000.0 2000.0 -5.0\r\n1001.0 2001.0 999.5\r\n"}, b"Text Height",
     "read_real: console: invalid numeric format"),
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


def run_once(case, cwd):
    """(status, standard output, standard error, seconds) of one run."""
    tool, args, typed = case[:3]
    started = time.monotonic()
    p = subprocess.Popen(wine(tool) + list(args), cwd=cwd, env=ENV, stdin=subprocess.PIPE,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        out, err = p.communicate(typed, timeout=WAIT)
    except subprocess.TimeoutExpired:
        p.kill()
        p.communicate()
        return None, b"", b"did not end within %d s" % WAIT, time.monotonic() - started
    return p.returncode, out, err, time.monotonic() - started


def judge(status, err, what, code, broken_into):
    """What is wrong with a run's end ('' when nothing). A thread that wine
    starts for a SIGINT while the process ends may find wine's server gone
    and say so ("wine client error:598: ..."), cut off by the end: wine's
    words, not the program's, they may follow the program's own."""
    err = re.sub(rb"wine client error:[0-9a-f]+: [^\n]*\n?$", b"", err)
    if status == code and without_addresses(err) == stop_message(what, code):
        return ""
    if broken_into and status == BROKEN_OFF and b"Runtime error" not in err:
        return ""
    return "status %s, standard error %r" % (status, err[:300])


def wine_failed_to_start(result):
    """Wine gave up before the program began: under load its loader may
    fail to map its memory (status 1, its words only with WINEDEBUG). Every
    program here writes its screen before it stops or waits; no byte of it
    and no stop means it never ran. (A run that did not end is no such one.)"""
    status, out, err, _ = result
    return status is not None and status != 0 and out == b"" and b"Runtime error" not in err


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
        self.restarts, self.restarts_lock = 0, threading.Lock()
        self.addCleanup(shutil.rmtree, self.parent, True)

    def test_stops_two_at_a_time(self):
        """RUNS stops of the cases in turn, two at a time, each in a folder
        of its own."""
        def one(case):
            r = self.run_started(lambda: run_once(case, make_folder(self.parent, case[3])))
            wrong = judge(r[0], r[2], case[5], case[4], False)
            return wrong and "%s %s: %s" % (case[0], case[5], wrong)
        self.run_all([CASES[k % len(CASES)] for k in range(RUNS)], one, STOPS_BUDGET)

    def test_ctrl_c_at_a_prompt(self):
        """PROMPT_RUNS runs, two at a time, each given a Ctrl-C 0 to 20 ms
        after its prompt shows: either the stop (106, its whole message) or
        broken off (no message). (Which of them wins depends on the moment:
        a Ctrl-C while the tool works breaks it off, below.)"""
        rng = random.Random(time.time())
        def one(planned):
            prompt, delay = planned
            r = self.run_started(lambda: self.ctrl_c_at_prompt(prompt, delay))
            wrong = judge(r[0], r[2], prompt[3], 106, True)
            return wrong and "%s after %.3f s: %s" % (prompt[0], delay, wrong)
        self.run_all([(PROMPTS[k % len(PROMPTS)], rng.uniform(0, 0.02)) for k in range(PROMPT_RUNS)], one,
                     PROMPTS_BUDGET)

    def run_all(self, plan, one, budget):
        """one(item) for the items of the plan, two at a time: what went
        wrong ('' when nothing). None starts after a wrong one, nor after
        budget seconds; at least MIN_RUNS must have run."""
        deadline = time.monotonic() + budget
        stopped = threading.Event()

        def started(item):
            if stopped.is_set() or time.monotonic() > deadline:
                return None
            wrong = one(item)
            if wrong:
                stopped.set()
            return wrong

        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            outcomes = [o for o in pool.map(started, plan) if o is not None]
        self.assertEqual([o for o in outcomes if o], [])
        self.assertGreaterEqual(len(outcomes), MIN_RUNS, "too few runs within %.0f s" % budget)
        if len(outcomes) < len(plan):
            print("%d of %d runs within %.0f s" % (len(outcomes), len(plan), budget), file=sys.stderr)

    def run_started(self, run):
        """run(), once more when wine failed to start the program (counted)."""
        result = run()
        if wine_failed_to_start(result):
            with self.restarts_lock:
                self.restarts += 1
                self.assertLessEqual(self.restarts, 5, "wine failed to start a program too often: %r" % (result,))
            result = run()
        return result

    def ctrl_c_at_prompt(self, prompt, delay):
        tool, files, shown_text, _ = prompt
        p = subprocess.Popen(wine(tool), cwd=make_folder(self.parent, files), env=ENV, stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        started, shown = time.monotonic(), b""
        while shown_text not in shown and time.monotonic() - started < WAIT:
            part = os.read(p.stdout.fileno(), 65536)
            if not part:
                break
            shown += part
        time.sleep(delay)
        if p.poll() is None:
            p.send_signal(signal.SIGINT)
        try:
            out, err = p.communicate(timeout=WAIT)
        except subprocess.TimeoutExpired:
            p.kill()
            p.communicate()
            return None, shown, b"did not end within %d s" % WAIT, time.monotonic() - started
        return p.returncode, shown + out, err, time.monotonic() - started

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
