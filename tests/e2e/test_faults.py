#!/usr/bin/env python3
"""Faults, end to end, for every tool: a missing input file (run-time error 2),
a missing folder or a file where a folder is wanted (3), a file that may not
be read or written, as an unprivileged user (5), a folder where a file is
wanted (5), and an output on a full disk (28: /dev/full, and a small tmpfs
that fills up part way). Each stops the tool with the run-time error and that
exit status; dxf2txt alone answers a drawing it cannot open with its message
and status 0. After the stop, the outputs closed before the failure are
complete, the ones still open hold what was written before it (a prefix of a
normal run's output), and the ones not yet created keep their old content.

Every output is given the old content OLD before a run, where its folder is
there, to see which ones the tool touched."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from survey_test import WAIT, Run, SurveyCase, tool_path  # noqa: E402
from tool_setups import DXF2TXT_NOT_FOUND, reference, setups  # noqa: E402

OLD = b"OLD\r\n"
NOBODY = 65534
PAGE = 4096

# What each tool does with its files, in order: ("open", path), ("create",
# path), ("close", path) of its outputs.
EVENTS = {
    "join": [("open", "Temp/Raw_Pos.txt"), ("open", "Temp/Raw_Dpt.txt"), ("create", "Temp/Data.txt"),
             ("close", "Temp/Data.txt")],
    "depth_filter": [("open", "Temp/Data.txt"), ("create", "PM/La_Lo_De.txt"), ("close", "PM/La_Lo_De.txt")],
    "utm_points": [("open", "PM/La_Lo_De.txt"), ("create", "PM/Points.txt"), ("create", "Temp/Points.scr"),
                   ("create", "Temp/3DPoly.scr"), ("close", "PM/Points.txt"), ("close", "Temp/Points.scr"),
                   ("close", "Temp/3DPoly.scr")],
    "echo_clean1": [("open", "PM/Points.txt"), ("create", "Temp/Echo_Rec.scr"), ("close", "Temp/Echo_Rec.scr")],
    "echo_clean2": [("open", "Temp/Clr_Rec.dxf"), ("create", "Temp/Clr_Rec.txt"), ("close", "Temp/Clr_Rec.txt"),
                    ("open", "PM/Points.txt"), ("create", "PM/PointsCl.txt"), ("create", "Temp/PointsCl.scr"),
                    ("close", "PM/PointsCl.txt"), ("close", "Temp/PointsCl.scr")],
    "raw_convert": [("open", "PM/Raw.Txt"), ("create", "PM/Raw_Data.Txt"), ("close", "PM/Raw_Data.Txt")],
    "dat_reduce": [("open", "PM/Out.Dat"), ("create", "PM/Out.Txt"), ("close", "PM/Out.Txt"),
                   ("create", "Temp/Out.Scr"), ("close", "Temp/Out.Scr")],
    "dxf2txt": [("open", "drawing.dxf"), ("create", "list.txt"), ("close", "list.txt")],
    "nmea_split": [("open", "Log.nmea"), ("create", "Temp/Raw_Pos.txt"), ("create", "Temp/Raw_Dpt.txt"),
                   ("create", "Temp/Nmea_Rejected.txt"), ("close", "Temp/Raw_Pos.txt"),
                   ("close", "Temp/Raw_Dpt.txt"), ("close", "Temp/Nmea_Rejected.txt")],
}


def folder_of(path):
    return os.path.dirname(path)


def expected_states(tool, failing):
    """The state of each output when the tool stops at event index failing:
    complete (closed before), written (created, not closed: a prefix of the
    normal output), old (not created yet)."""
    states = {}
    for i, (what, path) in enumerate(EVENTS[tool]):
        if i >= failing:
            break
        if what == "create":
            states[path] = "written"
        elif what == "close":
            states[path] = "complete"
    return {path: states.get(path, "old") for what, path in EVENTS[tool] if what == "create"}


def first_event(tool, predicate):
    for i, event in enumerate(EVENTS[tool]):
        if predicate(*event):
            return i
    raise AssertionError("no such event of %s" % tool)


class Case:
    """One fault: how to set up the survey folder, the exit status, the path
    the stop names, and the event at which the tool stops."""

    def __init__(self, name, code, path, failing, arrange=None, as_nobody=False, skip=(), no_old=()):
        self.name, self.code, self.path, self.failing = name, code, path, failing
        self.arrange = arrange or (lambda survey: None)
        self.as_nobody = as_nobody
        self.skip = set(skip)      # outputs not to look at (the failing one itself)
        self.no_old = set(no_old)  # outputs not given old content


def cases(tool, setup):
    events = EVENTS[tool]
    out = []
    inputs = [p for w, p in events if w == "open" and p in setup.inputs]
    outputs = [p for w, p in events if w == "create"]
    for path in inputs:
        out.append(Case("missing file " + path, 2, path, first_event(tool, lambda w, p: p == path),
                        arrange=lambda s, path=path: os.remove(s.path(path))))
        out.append(Case("unreadable " + path, 5, path, first_event(tool, lambda w, p: p == path),
                        arrange=lambda s, path=path: os.chmod(s.path(path), 0), as_nobody=True))
        out.append(Case("folder named " + path, 5, path, first_event(tool, lambda w, p: p == path),
                        arrange=lambda s, path=path: (os.remove(s.path(path)), os.mkdir(s.path(path)))))
    for folder in sorted({folder_of(p) for w, p in events} - {""}):
        i = first_event(tool, lambda w, p: folder_of(p) == folder and w != "close")
        path = events[i][1]
        inside = [p for p in outputs if folder_of(p) == folder]
        out.append(Case("missing folder " + folder, 3, path, i, skip=inside, no_old=inside,
                        arrange=lambda s, folder=folder: shutil.rmtree(s.path(folder))))
        out.append(Case("file named " + folder, 3, path, i, skip=inside, no_old=inside,
                        arrange=lambda s, folder=folder: (shutil.rmtree(s.path(folder)),
                                                          s.write(folder, b"a file"))))
    for path in outputs:
        i = first_event(tool, lambda w, p: w == "create" and p == path)
        out.append(Case("read-only " + path, 5, path, i, skip=[path], as_nobody=True,
                        arrange=lambda s, path=path: os.chmod(s.path(path), 0o444)))
        out.append(Case("folder named " + path, 5, path, i, skip=[path], no_old=[path],
                        arrange=lambda s, path=path: os.mkdir(s.path(path))))
        out.append(Case("disk full at " + path, 28, path,
                        first_event(tool, lambda w, p: w == "close" and p == path), skip=[path], no_old=[path],
                        arrange=lambda s, path=path: os.symlink("/dev/full", s.path(path))))
    for folder in sorted({folder_of(p) for p in outputs} - {""}):
        inside = [p for p in outputs if folder_of(p) == folder]
        i = first_event(tool, lambda w, p: w == "create" and folder_of(p) == folder)
        out.append(Case("folder not writable " + folder, 5, events[i][1], i, skip=inside[:1],
                        no_old=inside, as_nobody=True,
                        arrange=lambda s, folder=folder: os.chmod(s.path(folder), 0o555)))
    return out


class EveryTool:
    """One test per tool, each a check_tool of the class; a class may
    replace the test of a tool that needs more."""

    def test_join(self):
        self.check_tool("join")

    def test_depth_filter(self):
        self.check_tool("depth_filter")

    def test_utm_points(self):
        self.check_tool("utm_points")

    def test_echo_clean1(self):
        self.check_tool("echo_clean1")

    def test_echo_clean2(self):
        self.check_tool("echo_clean2")

    def test_raw_convert(self):
        self.check_tool("raw_convert")

    def test_dat_reduce(self):
        self.check_tool("dat_reduce")

    def test_dxf2txt(self):
        self.check_tool("dxf2txt")

    def test_nmea_split(self):
        self.check_tool("nmea_split")


class ToolFaults(EveryTool, SurveyCase):
    """Each tool's faults, one subtest a case."""

    @classmethod
    def setUpClass(cls):
        # The programs, where the unprivileged user can run them.
        cls.bin = tempfile.mkdtemp(prefix="survey-faults-bin-")
        os.chmod(cls.bin, 0o755)
        for tool in EVENTS:
            shutil.copy(tool_path(tool), cls.bin)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.bin, ignore_errors=True)

    def run_tool(self, survey, tool, answers, as_nobody):
        command = [os.path.join(self.bin, tool)]
        if as_nobody:
            for folder, dirs, files in os.walk(survey.root):
                for name in dirs + files:
                    os.lchown(os.path.join(folder, name), NOBODY, NOBODY)
            os.chown(survey.root, NOBODY, NOBODY)
            command = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"] + command
        try:
            p = subprocess.run(command, cwd=survey.root, input=answers, capture_output=True, timeout=WAIT,
                               env=dict(os.environ, LC_ALL="C"))  # dxf2txt's texts as bytes
        except subprocess.TimeoutExpired:
            raise AssertionError("%s did not end within %s s" % (tool, WAIT))
        return Run(p.returncode, p.stdout, p.stderr)

    def check_outputs(self, survey, tool, ref, states, skip):
        for path, state in states.items():
            if path in skip:
                continue
            full = survey.path(path)
            if state == "old":
                if os.path.lexists(full):
                    self.assertEqual(survey.read(path), OLD, "%s was touched" % path)
                continue
            self.assertTrue(os.path.isfile(full), "%s is not there" % path)
            data = survey.read(path)
            if state == "complete":
                self.assertEqual(data, ref[path], "%s is not complete" % path)
            else:
                self.assertEqual(data, ref[path][:len(data)],
                                 "%s is not what a normal run writes first" % path)

    def check_tool(self, tool):
        setup = setups()[tool]
        ref = reference(setup)
        for case in cases(tool, setup):
            with self.subTest(case.name):
                survey = self.survey.__class__()
                self.addCleanup(survey.remove)
                setup.prepare(survey)
                for path in setup.outputs:
                    if path not in case.no_old:
                        survey.write(path, OLD)
                case.arrange(survey)
                run = self.run_tool(survey, tool, setup.answers, case.as_nobody)
                states = expected_states(tool, case.failing)
                if tool == "dxf2txt" and case.path == "drawing.dxf":
                    # Its own answer to a drawing it cannot open.
                    self.assertEqual((run.returncode, run.stderr), (0, b""), run)
                    self.assertIn(DXF2TXT_NOT_FOUND + b"drawing.dxf", run.stdout, run)
                else:
                    where = self.assert_runtime_error(run, case.code)
                    self.assertIn(case.path, where, run)
                self.check_outputs(survey, tool, ref, states, case.skip)

    def test_dxf2txt_typed_names(self):
        """A drawing or a text file named in a missing folder: the drawing
        gets the tool's message and status 0, the text file the stop 3."""
        setup = setups()["dxf2txt"]
        for answers, code, named in [(b"nodir/drawing.dxf\nlist.txt\n\n", 0, b"nodir/drawing.dxf"),
                                     (b"drawing.dxf\nnodir/list.txt\n\n", 3, b"nodir/list.txt"),
                                     (b"drawing.dxf\nPM\n\n", 5, b"PM"),
                                     (b"PM\nlist.txt\n\n", 0, b"PM")]:
            with self.subTest(answers=answers):
                survey = self.survey.__class__()
                self.addCleanup(survey.remove)
                setup.prepare(survey)
                run = self.run_tool(survey, "dxf2txt", answers, False)
                if code == 0:
                    self.assertEqual((run.returncode, run.stderr), (0, b""), run)
                    self.assertIn(DXF2TXT_NOT_FOUND + named, run.stdout, run)
                    self.assertFalse(os.path.exists(survey.path("list.txt")))
                else:
                    where = self.assert_runtime_error(run, code)
                    self.assertIn(named.decode(), where, run)


class DiskFillsUp(EveryTool, SurveyCase):
    """The folder of a tool's first output is a small tmpfs (in a mount
    namespace of the run's own) with room for part of the output: the tool
    stops with error 28, the output holds exactly what fitted (the file
    system is full: nothing was held back) and it is what a normal run writes
    first; the outputs before it are complete."""

    SCRIPT = r"""
set -e
cd "$1"
folder=$2
mkdir "$folder.keep"
cp -a "$folder/." "$folder.keep/"
mount -t tmpfs -o "size=$3" survey-full "$folder"
cp -a "$folder.keep/." "$folder/"
set +e
"$4" > "$5/stdout" 2> "$5/stderr"
echo $? > "$5/status"
stat -f -c %a "$folder" > "$5/free"
mkdir "$folder.after"
cp -a "$folder/." "$folder.after/"
"""

    def check_tool(self, tool, answers=None, output=None):
        setup = setups()[tool]
        ref = reference(setup)
        output = output or setup.outputs[0]
        folder = os.path.dirname(output)
        survey = self.survey
        setup.prepare(survey)
        if not os.path.isdir(survey.path(folder)):
            os.mkdir(survey.path(folder))
        used = sum((len(survey.read(os.path.join(folder, n))) + PAGE - 1) // PAGE
                   for n in os.listdir(survey.path(folder)))
        room = max(1, len(ref[setup.outputs[0]]) // PAGE // 2)
        self.assertLess(room * PAGE, len(ref[setup.outputs[0]]))
        results = tempfile.mkdtemp(prefix="survey-full-")
        self.addCleanup(shutil.rmtree, results, True)
        try:
            p = subprocess.run(["unshare", "-m", "--propagation", "private", "sh", "-c", self.SCRIPT, "sh",
                                survey.root, folder, "%dk" % ((used + room) * PAGE // 1024),
                                tool_path(tool), results],
                               input=answers or setup.answers, capture_output=True, timeout=WAIT)
        except subprocess.TimeoutExpired:
            raise AssertionError("%s did not end within %s s" % (tool, WAIT))
        self.assertEqual(p.returncode, 0, p.stderr.decode("latin-1"))

        def result(name):
            with open(os.path.join(results, name), "rb") as f:
                return f.read()
        run = Run(int(result("status")), result("stdout"), result("stderr"))
        where = self.assert_runtime_error(run, 28)
        self.assertIn(output, where, run)
        self.assertEqual(int(result("free")), 0, "the tmpfs was not filled")
        after = os.path.join(survey.root, folder + ".after")
        with open(os.path.join(after, os.path.basename(output)), "rb") as f:
            data = f.read()
        self.assertEqual(len(data), room * PAGE, "not everything that fitted was written")
        self.assertEqual(data, ref[setup.outputs[0]][:len(data)])
        return survey

    def test_utm_points(self):
        # PM/Points.txt fails at its close; the scripts are written out at the stop.
        survey = self.check_tool("utm_points")
        ref = reference(setups()["utm_points"])
        for path in ("Temp/Points.scr", "Temp/3DPoly.scr"):
            data = survey.read(path)
            self.assertTrue(data and data == ref[path][:len(data)], path)

    def test_dxf2txt(self):
        survey = self.survey
        os.mkdir(survey.path("out"))
        self.check_tool("dxf2txt", answers=b"drawing.dxf\nout/list.txt\n\n", output="out/list.txt")


if __name__ == "__main__":
    unittest.main()
