"""Shared helpers of the end-to-end tests: a temporary survey folder, running
a tool with piped input, and a real terminal (tmux, 80 x 25) to run it in.

The programs are taken from $SURVEY_BIN (set by CTest), else from the
default build folder of this checkout.
"""

import os
import re
import shlex
import shutil
import subprocess
import tempfile
import termios
import threading
import time
import unittest
import uuid

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BIN = os.environ.get("SURVEY_BIN", os.path.join(REPO, "build", "default", "bin"))
DATA = os.environ.get("SURVEY_DATA", os.path.join(REPO, "tests", "data"))
SAMPLE = os.path.join(REPO, "samples", "survey")
WAIT = 20.0  # seconds, the bound of every wait


def tool_path(name):
    path = os.path.join(BIN, name)
    if not os.access(path, os.X_OK):
        raise AssertionError("%s is not built (SURVEY_BIN=%s)" % (path, BIN))
    return path


def crlf(*lines):
    """The bytes of text lines, each ending with CR LF."""
    return b"".join(line.encode("latin-1") + b"\r\n" for line in lines)


class Run:
    def __init__(self, returncode, stdout, stderr):
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr

    def counter(self, label):
        """The last value shown after a counter label ("Positions : ")."""
        found = re.findall(re.escape(label.encode()) + rb"([ \d-]{8})", self.stdout)
        return int(found[-1]) if found else None

    def __repr__(self):
        return "exit %r\n--- stdout ---\n%r\n--- stderr ---\n%s" % (
            self.returncode, self.stdout[-2000:], self.stderr.decode("latin-1"))


class Survey:
    """A survey folder (with PM/ and Temp/ unless told otherwise) in a fresh
    temporary directory."""

    def __init__(self, folders=("PM", "Temp")):
        self.root = tempfile.mkdtemp(prefix="survey-e2e-")
        for folder in folders:
            os.mkdir(os.path.join(self.root, folder))

    def path(self, rel):
        return os.path.join(self.root, rel)

    def write(self, rel, data):
        with open(self.path(rel), "wb") as f:
            f.write(data)

    def read(self, rel):
        with open(self.path(rel), "rb") as f:
            return f.read()

    def run(self, tool, stdin=b"\n", timeout=WAIT, args=()):
        """Runs a tool with stdin piped in (None: from /dev/null) and the
        command-line arguments args."""
        redirect = {"stdin": subprocess.DEVNULL} if stdin is None else {"input": stdin}
        try:
            p = subprocess.run([tool_path(tool)] + list(args), cwd=self.root, capture_output=True,
                               timeout=timeout, **redirect)
        except subprocess.TimeoutExpired:
            raise AssertionError("%s did not end within %s s" % (tool, timeout))
        return Run(p.returncode, p.stdout, p.stderr)

    def peak_memory(self, tool, args=()):
        """The tool's peak resident memory (KiB), read at its final prompt
        "Press ENTER  ..." (the rusage of a child started from this process
        would count this process's own peak as well, through fork and exec)."""
        p = subprocess.Popen([tool_path(tool)] + list(args), cwd=self.root, stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        timer = threading.Timer(60, p.kill)
        timer.start()
        try:
            shown = b""
            while b"Press ENTER  ..." not in shown:
                chunk = p.stdout.read1(65536)
                if not chunk:
                    raise AssertionError("%s ended early: %r" % (tool, shown[-500:]))
                shown = shown[-1000:] + chunk
            with open("/proc/%d/status" % p.pid) as f:
                peak = int(re.search(r"^VmHWM:\s+(\d+) kB", f.read(), re.M).group(1))
            p.stdin.write(b"\n")
            p.stdin.close()
            p.stdout.read()
            if p.wait() != 0:
                raise AssertionError("%s ended with status %d" % (tool, p.returncode))
        finally:
            timer.cancel()
            p.kill()
            p.wait()
            p.stdout.close()
        return peak

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class SurveyCase(unittest.TestCase):
    """A test case with a fresh survey folder in self.survey."""

    def setUp(self):
        self.survey = Survey()
        self.addCleanup(self.survey.remove)

    def assert_runtime_error(self, run, code):
        """The run-time stop: exit status code, and on the standard error the
        line "Runtime error <code> at $<16 hex digits>", one or more location
        lines beginning "  $", then an empty line."""
        self.assertEqual(run.returncode, code, run)
        lines = run.stderr.decode("latin-1").replace("\r\n", "\n").split("\n")
        self.assertRegex(lines[0], r"^Runtime error %d at \$[0-9A-Fa-f]{16}$" % code, run)
        self.assertEqual(lines[-2:], ["", ""], "no empty line at the end: %r" % run)
        locations = lines[1:-2]
        self.assertTrue(locations, run)
        for line in locations:
            self.assertRegex(line, r"^  \$[0-9A-Fa-f]+", run)
        return "\n".join(locations)

    def run_ending(self, tool, answers, code):
        """Runs the tool with the answers piped in; checks how it ended: status 0
        and nothing on the standard error, or else the run-time stop code."""
        run = self.survey.run(tool, answers)
        if code == 0:
            self.assertEqual(run.returncode, 0, run)
            self.assertEqual(run.stderr, b"")
        else:
            self.assert_runtime_error(run, code)
        return run

    def assert_rows(self, rows, expected):
        """The window's rows, row by row, as expected."""
        for n, (got, want) in enumerate(zip(rows, expected), start=1):
            self.assertEqual(got, want, "row %d of\n%s" % (n, "\n".join(rows)))

    def printed_page(self, dxf_path, dpi=36):
        """The grey pixels of the drawing as LibreCAD prints it headless to a
        PDF page fitted to the drawing (dxf2pdf -a) and pdftoppm reads it."""
        librecad, pdftoppm = shutil.which("librecad"), shutil.which("pdftoppm")
        if librecad is None or pdftoppm is None:
            self.fail("LibreCAD and pdftoppm are needed: apt-get install librecad poppler-utils")
        out = tempfile.mkdtemp(prefix="survey-pdf-")
        self.addCleanup(shutil.rmtree, out, True)
        name = os.path.splitext(os.path.basename(dxf_path))[0]
        shutil.copy(dxf_path, os.path.join(out, name + ".dxf"))
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=out)
        try:
            p = subprocess.run([librecad, "dxf2pdf", "-a", "-t", out, name + ".dxf"], cwd=out, env=env,
                               capture_output=True, timeout=120)
        except subprocess.TimeoutExpired:
            raise AssertionError("LibreCAD did not end on %s (a message box?)" % dxf_path)
        said = (p.stdout + p.stderr).decode("latin-1")
        self.assertEqual(p.returncode, 0, said)
        self.assertIn("DONE", said)
        page = os.path.join(out, name)
        subprocess.run([pdftoppm, "-gray", "-r", str(dpi), "-singlefile", page + ".pdf", page], check=True,
                       timeout=WAIT)
        with open(page + ".pgm", "rb") as f:
            return f.read().split(b"\n", 3)[3]


# A small survey that runs normally (6 fixes at 1 Hz, 12 soundings at 2 Hz):
# the position file runs out after 6 fixes, so the join stops with 10 soundings
# read and 9 records written.
SMALL_POSITIONS = crlf(*("42.5 27.%d 10 0 %d" % (50 + 2 * i, i + 1) for i in range(6)))
SMALL_SOUNDINGS = crlf(*("%d.0 10 0 %d.%d" % (5 + i, i // 2, 5 * (i % 2)) for i in range(12)))


def write_small_survey(survey):
    survey.write("Temp/Raw_Pos.txt", SMALL_POSITIONS)
    survey.write("Temp/Raw_Dpt.txt", SMALL_SOUNDINGS)


def ensure_tmux():
    """The path of tmux; a test never installs it (.ci/run does)."""
    path = shutil.which("tmux")
    if path is None:
        raise AssertionError("tmux is needed for the terminal tests and is not installed "
                             "(apt-get install tmux)")
    return path


def _proc_stat(pid):
    """(state, parent pid) of a process, or None when it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            text = f.read()
    except OSError:
        return None
    fields = text[text.rindex(")") + 2:].split()
    return fields[0], int(fields[1])


class Terminal:
    """A shell (/bin/sh) in a tmux window of 80 x 25 on a tmux server of its
    own, started in the folder cwd."""

    WIDTH, HEIGHT = 80, 25

    def __init__(self, cwd):
        self.tmux = ensure_tmux()
        self.dir = tempfile.mkdtemp(prefix="survey-tmux-")
        self.server = "survey-%d-%s" % (os.getpid(), uuid.uuid4().hex[:10])
        self.cwd = cwd
        conf = os.path.join(self.dir, "tmux.conf")
        with open(conf, "w") as f:
            f.write("set -g status off\nset -g history-limit 0\n")
        shrc = os.path.join(self.dir, "shrc")
        with open(shrc, "w") as f:
            f.write("PS1='$ '\n")
        try:
            self._tmux("-f", conf, "new-session", "-d", "-x", str(self.WIDTH), "-y", str(self.HEIGHT),
                       "-c", cwd, "-e", "ENV=" + shrc, "/bin/sh")
            size = self._display("#{pane_width}x#{pane_height}")
            if size != "%dx%d" % (self.WIDTH, self.HEIGHT):
                raise AssertionError("the tmux pane is %s, not 80x25" % size)
            self.socket = self._display("#{socket_path}")
            self.shell_pid = int(self._display("#{pane_pid}"))
            self.tty = self._display("#{pane_tty}")
            self.wait_for(self.at_shell_prompt, "the shell prompt")
        except BaseException:
            self.close()
            raise

    def _tmux(self, *args):
        p = subprocess.run([self.tmux, "-L", self.server] + list(args),
                           capture_output=True, text=True, timeout=WAIT)
        if p.returncode != 0:
            raise AssertionError("tmux %s failed: %s" % (" ".join(args), p.stderr))
        return p.stdout

    def _display(self, fmt):
        return self._tmux("display-message", "-p", "-t", "0", fmt).strip()

    def close(self):
        subprocess.run([self.tmux, "-L", self.server, "kill-server"], capture_output=True)
        if getattr(self, "socket", None):
            try:
                os.remove(self.socket)
            except OSError:
                pass
        shutil.rmtree(self.dir, ignore_errors=True)

    # -- looking at the terminal

    def screen(self):
        """The 25 rows of the window, each 80 characters wide."""
        rows = self._tmux("capture-pane", "-p", "-t", "0").split("\n")[:self.HEIGHT]
        rows += [""] * (self.HEIGHT - len(rows))
        for row in rows:
            if len(row) > self.WIDTH:
                raise AssertionError("a row wider than the window: %r" % row)
        return [row.ljust(self.WIDTH) for row in rows]

    def cursor(self):
        """(column, row) of the cursor, both from 1."""
        x, y = self._display("#{cursor_x} #{cursor_y}").split()
        return int(x) + 1, int(y) + 1

    def at_shell_prompt(self):
        """The shell waits for a command (its prompt "$ " is in the cursor's
        row and it sleeps)."""
        stat = _proc_stat(self.shell_pid)
        return (stat is not None and stat[0] == "S"
                and self.screen()[self.cursor()[1] - 1].startswith("$ "))

    def dump(self):
        return "\n".join("%2d|%s|" % (i + 1, row) for i, row in enumerate(self.screen()))

    def tty_modes(self):
        """The set of the local modes ECHO, ICANON that are on at the pane's
        terminal."""
        fd = os.open(self.tty, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
        try:
            lflag = termios.tcgetattr(fd)[3]
        finally:
            os.close(fd)
        return {name for name, bit in (("echo", termios.ECHO), ("icanon", termios.ICANON))
                if lflag & bit}

    def wait_for(self, condition, what, timeout=WAIT):
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                raise AssertionError("waited %s s for %s; the screen:\n%s"
                                     % (timeout, what, self.dump()))
            time.sleep(0.02)

    # -- typing

    def type(self, text):
        self._tmux("send-keys", "-t", "0", "-l", text)

    def keys(self, *names):
        self._tmux("send-keys", "-t", "0", *names)

    # -- running a tool

    def start(self, tool, stderr=None, args=()):
        """Types the tool's command (with the arguments args) at the shell
        prompt; its exit status goes to a file (see status()), its standard
        error to the file stderr when given. Returns the tool's pid once it
        runs."""
        self.status_file = os.path.join(self.dir, "status")
        if os.path.exists(self.status_file):
            os.remove(self.status_file)
        redirect = " 2>'%s'" % stderr if stderr else ""
        words = "".join(" " + shlex.quote(a) for a in args)
        self.type("'%s'%s%s; echo $? > '%s.tmp'; mv '%s.tmp' '%s'"
                  % (tool_path(tool), words, redirect, self.status_file, self.status_file, self.status_file))
        self.keys("Enter")
        found = []

        def running():
            found[:] = [pid for pid in self._children(self.shell_pid)
                        if self._comm(pid) == tool]
            return bool(found)
        self.wait_for(running, "%s to start" % tool)
        return found[0]

    def wait_prompt(self, pid, row, text):
        """Waits until text stands at column 7 of row and the tool is waiting
        for keys (asleep, the terminal's echo and line mode off)."""
        def waiting():
            stat = _proc_stat(pid)
            if stat is None:
                raise AssertionError("the tool ended before its prompt:\n" + self.dump())
            return (self.screen()[row - 1][6:].startswith(text) and stat[0] == "S"
                    and not self.tty_modes())
        self.wait_for(waiting, "the prompt %r in row %d" % (text, row))

    def wait_gone(self, pid):
        def gone():
            stat = _proc_stat(pid)
            return stat is None or stat[0] == "Z"
        self.wait_for(gone, "the tool to end")

    def status(self):
        self.wait_for(lambda: os.path.exists(self.status_file), "the exit status")
        with open(self.status_file) as f:
            return int(f.read())

    def shell_stty(self):
        """`stty -a` as run by the pane's shell at its next prompt, as a set of
        words."""
        self.wait_for(self.at_shell_prompt, "the shell prompt")
        out = os.path.join(self.dir, "stty")
        if os.path.exists(out):
            os.remove(out)
        self.type("stty -a > '%s.tmp'; mv '%s.tmp' '%s'" % (out, out, out))
        self.keys("Enter")
        self.wait_for(lambda: os.path.exists(out), "stty -a")
        with open(out) as f:
            return set(f.read().replace(";", " ").split())

    @staticmethod
    def _children(ppid):
        pids = []
        for name in os.listdir("/proc"):
            if name.isdigit():
                stat = _proc_stat(int(name))
                if stat is not None and stat[1] == ppid:
                    pids.append(int(name))
        return pids

    @staticmethod
    def _comm(pid):
        try:
            with open("/proc/%d/comm" % pid) as f:
                return f.read().strip()
        except OSError:
            return None


class TerminalCase(SurveyCase):
    """A survey folder and a terminal started in it (self.term)."""

    def setUp(self):
        super().setUp()
        self.term = Terminal(self.survey.root)
        self.addCleanup(self.term.close)

    def assert_terminal_restored(self):
        """`stty -a` in the pane's shell shows echo and icanon on."""
        words = self.term.shell_stty()
        left = [mode for mode in ("echo", "icanon") if mode not in words or "-" + mode in words]
        if left:
            self.term.type("stty sane")  # for the tests that follow
            self.term.keys("Enter")
            self.fail("the terminal is left with -%s" % " -".join(left))
