#!/usr/bin/env python3
"""scripts/install_packages.sh on a faked system: a PATH of stand-in commands,
a root folder (SURVEY_ROOT) of stand-in headers and libraries and a stand-in
/usr/bin/python3, made from the script's own table, from which some are left
out. The script must name exactly what was left out, install it as root (a
stand-in apt-get records what it was asked), stop with the sudo line
otherwise, say nothing when nothing is missing; run_sample.sh and
run_tests.sh must stop before building. docs/building.md's table must be the
script's. Nothing is installed on the real system."""

import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from survey_test import REPO  # noqa: E402

SCRIPT = os.path.join(REPO, "scripts", "install_packages.sh")
BASH = shutil.which("bash") or "/bin/bash"
# The commands the scripts themselves run, besides the checked ones.
UTILITIES = ["bash", "dirname", "mktemp", "cat", "rm"]


def table():
    """The script's rows: (packages, sets, check kind, check names)."""
    rows = []
    with open(SCRIPT, encoding="utf-8") as f:
        for line in f:
            m = re.match(r'\s*"([^|"]+)\|([stwf]+)\|(\w+) ([^|]+)\|[^"]*"\s*$', line)
            if m:
                rows.append((m[1].split(), m[2], m[3], m[4].split()))
    return rows


def executable(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)


class FakeSystem:
    """Everything the table checks, but for the hidden commands, files and
    python modules; `id` says uid, apt-get writes its arguments to a log."""

    def __init__(self, folder, hide=(), uid=0):
        self.bin = os.path.join(folder, "bin")
        self.root = os.path.join(folder, "root")
        self.apt_log = os.path.join(folder, "apt.log")
        os.makedirs(self.bin)
        hidden_modules = []
        for _, _, kind, names in table():
            if kind == "command" and names[0] not in hide:
                executable(os.path.join(self.bin, names[0]), "#!/bin/sh\nexit 0\n")
            elif kind == "file" and names[0] not in hide:
                path = self.root + names[0].replace("*", "any")
                os.makedirs(os.path.dirname(path), exist_ok=True)
                open(path, "w").close()
            elif kind == "python":
                hidden_modules += [n for n in names if n in hide]
        if "/usr/bin/python3" not in hide:
            # A stand-in python3 that fails the import of a hidden module.
            executable(self.root + "/usr/bin/python3",
                       "#!/bin/sh\ncase \"$2\" in\n" +
                       "".join(f"  *{m}*) exit 1 ;;\n" for m in hidden_modules) + "esac\nexit 0\n")
        for name in UTILITIES:
            os.symlink(shutil.which(name), os.path.join(self.bin, name))
        executable(os.path.join(self.bin, "id"), f"#!/bin/sh\necho {uid}\n")
        executable(os.path.join(self.bin, "apt-get"),
                   f"#!/bin/sh\necho \"$*\" >>'{self.apt_log}'\n")

    def run(self, *args, script=SCRIPT):
        env = {"PATH": self.bin, "SURVEY_ROOT": self.root, "HOME": os.environ.get("HOME", "/")}
        return subprocess.run([BASH, script, *args], env=env, capture_output=True, text=True,
                              timeout=60)

    def apt_calls(self):
        if not os.path.exists(self.apt_log):
            return []
        with open(self.apt_log, encoding="utf-8") as f:
            return f.read().splitlines()


class InstallPackagesTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="install_packages_")
        self.addCleanup(shutil.rmtree, self.tmp)
        self.count = 0

    def fake(self, hide=(), uid=0):
        self.count += 1
        return FakeSystem(os.path.join(self.tmp, str(self.count)), hide, uid)

    def test_missing_by_set(self):
        hide = ("cmake", "/usr/include/CGAL/Delaunay_triangulation_2.h", "tmux", "scipy.spatial",
                "x86_64-w64-mingw32-g++")
        cases = [
            ("sample", ["cmake", "libcgal-dev"]),
            ("tests", ["cmake", "libcgal-dev", "tmux", "python3-numpy", "python3-scipy"]),
            ("windows", ["cmake", "libcgal-dev", "tmux", "g++-mingw-w64-x86-64"]),
            ("fuzz", ["cmake"]),
            ("ci", ["cmake", "libcgal-dev", "tmux", "python3-numpy", "python3-scipy",
                    "g++-mingw-w64-x86-64"]),
        ]
        system = self.fake(hide)
        for name, expected in cases:
            with self.subTest(set=name):
                done = system.run("--missing", name)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertEqual(done.stdout.split(), expected)
        # No python3 at all: python3 and every python3-* package.
        done = self.fake(("/usr/bin/python3",)).run("--missing", "tests")
        self.assertEqual(done.stdout.split(),
                         ["python3", "python3-numpy", "python3-scipy", "python3-ezdxf", "python3-pyproj"])
        self.assertEqual(system.apt_calls(), [])

    def test_install_as_root_and_not(self):
        hide = ("cmake", "/usr/include/CGAL/Delaunay_triangulation_2.h", "tmux")
        root = self.fake(hide, uid=0)
        done = root.run("tests")
        self.assertEqual(done.returncode, 0, done.stderr)
        lines = done.stdout.splitlines()
        self.assertEqual(len(lines), 1, done.stdout)
        self.assertRegex(lines[0], r"^Installing for the tests: cmake \(.+\), libcgal-dev \(.+\), "
                                   r"tmux \(.+\)$")
        self.assertEqual(root.apt_calls(), ["update", "install -y cmake libcgal-dev tmux"])

        user = self.fake(hide, uid=1000)
        done = user.run("tests")
        self.assertEqual(done.returncode, 1)
        self.assertIn("    sudo apt-get install cmake libcgal-dev tmux\n", done.stderr)
        self.assertEqual(user.apt_calls(), [])

    def test_nothing_missing_says_nothing(self):
        system = self.fake()
        for name in ("sample", "tests", "windows", "fuzz", "ci"):
            with self.subTest(set=name):
                done = system.run(name)
                self.assertEqual((done.returncode, done.stdout, done.stderr), (0, "", ""))
        self.assertEqual(system.apt_calls(), [])

    def test_wrong_calls(self):
        system = self.fake()
        for args in [(), ("everything",), ("--list",), ("--missing", "tests", "more")]:
            with self.subTest(args=args):
                done = system.run(*args)
                self.assertEqual(done.returncode, 2)
                self.assertIn("usage:", done.stderr)

    def test_run_scripts_stop_before_building(self):
        # Not as root, with cmake hidden: the sudo line, and no build begun
        # (cmake is not on the PATH, so a build would fail otherwise).
        for script, words in [("run_sample.sh", []), ("run_tests.sh", []),
                              ("run_tests.sh", ["windows"])]:
            with self.subTest(script=script, words=words):
                system = self.fake(("cmake",), uid=1000)
                done = system.run(*words, script=os.path.join(REPO, script))
                self.assertEqual(done.returncode, 1, done.stdout + done.stderr)
                self.assertIn("sudo apt-get install cmake\n", done.stderr)
                self.assertNotIn("Building", done.stdout)

    def test_building_md_has_the_scripts_table(self):
        with open(os.path.join(REPO, "docs", "building.md"), encoding="utf-8") as f:
            text = f.read()
        m = re.search(r"<!-- install_packages.sh --markdown: begin -->\n(.*)"
                      r"<!-- install_packages.sh --markdown: end -->", text, re.S)
        self.assertIsNotNone(m, "docs/building.md has no generated package table")
        done = subprocess.run([BASH, SCRIPT, "--markdown"], capture_output=True, text=True,
                              check=True)
        self.assertEqual(m[1], done.stdout)


if __name__ == "__main__":
    unittest.main()
