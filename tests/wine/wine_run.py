"""The Windows programs (build/windows/bin/*.exe) under wine beside the Linux
programs (build/default/bin), each in a survey folder of its own. The Linux
programs run under the C locale, where the console gets the tools'
Windows-1251 bytes unchanged, as the Windows console does.

Wine runs in $WINEPREFIX (run_tests.sh: build/windows/wineprefix). Its server
and services are started before the tests with no pipe of a test open (a
service that inherits a tool's standard output keeps the pipe open, and the
test waiting, for seconds after the tool has ended), and stopped after them.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
from survey_test import REPO, SAMPLE, WAIT, Run, tool_path  # noqa: E402

WIN_BIN = os.environ.get("SURVEY_WIN_BIN", os.path.join(REPO, "build", "windows", "bin"))
WINEPREFIX = os.environ.get("WINEPREFIX", os.path.join(REPO, "build", "windows", "wineprefix"))
ENV = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
ENV.update(WINEPREFIX=WINEPREFIX, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")


def wine(tool=None):
    """The command that runs wine, or the tool under wine."""
    if shutil.which("wine") is None:
        raise AssertionError("wine is needed for the Windows tests and is not installed")
    exe = os.path.join(WIN_BIN, "%s.exe" % tool)
    if tool and not os.path.isfile(exe):
        raise AssertionError("%s is not built (SURVEY_WIN_BIN=%s)" % (exe, WIN_BIN))
    return ["wine"] + ([exe] if tool else [])


def run(command, cwd, stdin=b"\n", env=ENV):
    try:
        p = subprocess.run(command, cwd=cwd, input=stdin, capture_output=True, timeout=WAIT, env=env)
    except subprocess.TimeoutExpired:
        raise AssertionError("%s did not end within %s s" % (command, WAIT))
    return Run(p.returncode, p.stdout, p.stderr)


class WineCase(unittest.TestCase):
    """Two survey folders named alike (survey_plot writes the folder's name
    into its pictures) with the sample survey: self.linux, self.windows."""

    @classmethod
    def setUpClass(cls):
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=ENV)
        subprocess.run(["wineserver", "-p30"], timeout=WAIT, **quiet)  # 30 s after the last program
        if subprocess.run(wine() + ["cmd", "/c", "exit"], timeout=WAIT, **quiet).returncode != 0:
            raise AssertionError("wine does not start in %s" % WINEPREFIX)

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], env=ENV, timeout=WAIT, capture_output=True)

    def setUp(self):
        parents = [tempfile.mkdtemp(prefix="survey-wine-") for _ in range(2)]
        for parent in parents:
            self.addCleanup(shutil.rmtree, parent, True)
            shutil.copytree(SAMPLE, os.path.join(parent, "survey"))
        self.linux, self.windows = (os.path.join(p, "survey") for p in parents)

    def write(self, rel, data):
        for root in (self.linux, self.windows):
            with open(os.path.join(root, rel), "wb") as f:
                f.write(data)

    def run_both(self, tool, stdin=b"\n", args=()):
        """(Linux run, wine run) of the tool with the same input and arguments."""
        return (run([tool_path(tool)] + list(args), self.linux, stdin, dict(os.environ, LC_ALL="C")),
                run(wine(tool) + list(args), self.windows, stdin))

    @staticmethod
    def files(root):
        """Every file under root with its bytes (a symbolic link with its target)."""
        found = {}
        for folder, _, names in os.walk(root):
            for path in (os.path.join(folder, name) for name in names):
                if os.path.islink(path):
                    found[os.path.relpath(path, root)] = os.readlink(path)
                    continue
                with open(path, "rb") as f:
                    found[os.path.relpath(path, root)] = f.read()
        return found

    def assert_steps(self, steps):
        """Runs each step (tool, standard input, arguments, the files it
        writes[, exit status, 0 when left out]) with both programs: the same
        status and standard error, the same piped screen, every file it
        writes written anew, and both folders the same after it."""
        for tool, stdin, args, outputs, *status in steps:
            status = status[0] if status else 0
            with self.subTest(tool=tool, args=args):
                before = self.files(self.linux)
                linux, windows = self.run_both(tool, stdin, args)
                self.assertEqual(linux.returncode, status, linux)
                self.assertEqual((windows.returncode, windows.stderr.replace(b"\r\n", b"\n")),
                                 (status, linux.stderr), windows)
                self.assertEqual(windows.stdout, linux.stdout, "the piped screens differ")
                after = self.files(self.linux)
                self.assertEqual([p for p in outputs if not after.get(p) or after[p] == before.get(p)], [])
                self.assertEqual(self.differing(), [])

    def differing(self):
        """The files that are not the same in both folders (or not in both)."""
        linux, windows = self.files(self.linux), self.files(self.windows)
        return sorted(p for p in set(linux) | set(windows) if linux.get(p) != windows.get(p))
