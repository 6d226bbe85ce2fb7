#!/usr/bin/env python3
"""Byte identity on large inputs: every tool is run on the inputs that
bench/make_inputs makes (RECORDS records, 1,000,000 in the default build), and
the sha256 of every file it writes and of its final screen (replayed from the
redirected output) must equal the ones in tests/data/speed_checksums.txt.

Those checksums were recorded with --record from the tools as they stood
before any work on their speed, so a faster reading or writing path that
changes a single byte of any output, or a final counter, fails here. The
inputs' own checksums are stored too: when they differ, the input maker has
changed, not a tool.

    SURVEY_BIN=build/h8/bin SURVEY_MAKE_INPUTS=build/h8/bench/make_inputs \\
        SURVEY_SPEED_RECORDS=1000000 python3 tests/e2e/test_speed_identity.py [--record]
"""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import piped_screen  # noqa: E402
from survey_test import DATA, REPO, tool_path  # noqa: E402

TOOLS = ["join", "depth_filter", "utm_points", "echo_clean1", "echo_clean2", "dat_reduce",
         "raw_convert", "dxf2txt", "survey_soundings"]
RECORDS = int(os.environ.get("SURVEY_SPEED_RECORDS", "1000000"))
MAKE_INPUTS = os.environ.get("SURVEY_MAKE_INPUTS",
                             os.path.join(REPO, "build", "default", "bench", "make_inputs"))
CHECKSUMS = os.path.join(DATA, "speed_checksums.txt")
TIMEOUT = 600  # seconds for one tool (sanitizer builds are slow)
# The screen is replayed as bytes; the C locale keeps dxf2txt's texts single bytes.
ENV = dict(os.environ, LC_ALL="C", LANG="C")


def sha256_file(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def files_in(folder):
    """Relative paths of every file under folder, "/" separated, sorted."""
    found = []
    for root, _, names in os.walk(folder):
        for name in names:
            found.append(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/"))
    return sorted(found)


def make_inputs(root, tool):
    """Makes the tool's survey folder; returns it and the {path: sha256} of
    its inputs (answers.txt included)."""
    if not os.access(MAKE_INPUTS, os.X_OK):
        raise AssertionError("%s is not built (SURVEY_MAKE_INPUTS)" % MAKE_INPUTS)
    p = subprocess.run([MAKE_INPUTS, str(RECORDS), root, tool], capture_output=True)
    if p.returncode != 0:
        raise AssertionError("make_inputs failed: %s" % p.stderr.decode("latin-1"))
    folder = os.path.join(root, tool)
    return folder, {rel: sha256_file(os.path.join(folder, rel)) for rel in files_in(folder)}


def run_tool(tool):
    """Runs the tool on a fresh input of RECORDS records; returns {name: sha256}
    of its inputs ("input:" and the path), of every file it wrote (the path)
    and of its final screen ("screen")."""
    root = tempfile.mkdtemp(prefix="survey-speed-")
    try:
        folder, inputs = make_inputs(root, tool)
        with open(os.path.join(folder, "answers.txt"), "rb") as answers:
            p = subprocess.run([tool_path(tool)], cwd=folder, stdin=answers, capture_output=True,
                               env=ENV, timeout=TIMEOUT)
        if p.returncode != 0 or p.stderr:
            raise AssertionError("%s: exit %d\n%s" % (tool, p.returncode,
                                                     p.stderr.decode("latin-1")))
        rows, cursor = piped_screen(p.stdout)
        screen = "\n".join(rows) + "\ncursor %d %d\n" % cursor
        sums = {"input:" + rel: digest for rel, digest in inputs.items()}
        for rel in files_in(folder):
            if rel not in inputs:
                sums[rel] = sha256_file(os.path.join(folder, rel))
        sums["screen"] = hashlib.sha256(screen.encode("latin-1")).hexdigest()
        return sums
    finally:
        shutil.rmtree(root, ignore_errors=True)


def read_checksums():
    """{(records, tool): {name: sha256}} of the checksum file."""
    table = {}
    with open(CHECKSUMS) as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            records, tool, name, digest = line.split()
            table.setdefault((int(records), tool), {})[name] = digest
    return table


class SpeedIdentity(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.expected = read_checksums()

    def check(self, tool):
        expected = self.expected.get((RECORDS, tool))
        if expected is None:
            self.fail("no checksums of %s for %d records in %s" % (tool, RECORDS, CHECKSUMS))
        got = run_tool(tool)
        inputs_expected = {k: v for k, v in expected.items() if k.startswith("input:")}
        inputs_got = {k: v for k, v in got.items() if k.startswith("input:")}
        self.assertEqual(inputs_got, inputs_expected,
                         "the inputs made by make_inputs are not the recorded ones")
        differ = sorted(k for k in set(expected) | set(got) if expected.get(k) != got.get(k))
        self.assertEqual(differ, [], "%s: outputs that differ from the recorded ones" % tool)


def _add_test(tool):
    setattr(SpeedIdentity, "test_" + tool, lambda self: self.check(tool))


for _tool in TOOLS:
    _add_test(_tool)


def record():
    """Replaces the checksums of RECORDS records in the checksum file."""
    kept = []
    if os.path.exists(CHECKSUMS):
        with open(CHECKSUMS) as f:
            kept = [line for line in f if line.strip() and not line.startswith("#")
                    and int(line.split()[0]) != RECORDS]
    lines = []
    for tool in TOOLS:
        for name, digest in sorted(run_tool(tool).items()):
            lines.append("%d %s %s %s\n" % (RECORDS, tool, name, digest))
        print("recorded", tool, file=sys.stderr)
    body = sorted(kept + lines, key=lambda l: (-int(l.split()[0]), TOOLS.index(l.split()[1]),
                                               l.split()[2]))
    with open(CHECKSUMS, "w") as f:
        f.write("# sha256 of the inputs made by bench/make_inputs (input:...), of every file each\n"
                "# tool writes from them and of its final screen, recorded with\n"
                "# tests/e2e/test_speed_identity.py --record from the tools as they stood before\n"
                "# the work on their speed. Columns: records, tool, file, sha256.\n")
        f.writelines(body)


if __name__ == "__main__":
    if sys.argv[1:] == ["--record"]:
        record()
    else:
        unittest.main()
