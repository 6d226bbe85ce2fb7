#!/usr/bin/env python3
"""Bad input for every tool: empty files, letters in numbers, lines of 1 MB,
tokens of 10,000 digits, byte 26 and NUL bytes, 1,000,000 "POINT" lines, and
a DXF cut after each of its lines in turn. Every run must end within its time
bound with the outcome the reading rules give:

- a number that cannot be read (letters, a file at its end where a number is
  due, a whole number beyond 64 bits) stops the tool with run-time error 106,
  and the outputs then hold what was written before it (a prefix of what the
  same input without the fault gives);
- bytes of 32 or less (NUL among them) separate numbers, across lines, so a
  1 MB line of blanks or NULs in place of blanks change nothing;
- whatever follows the last field a record reads is skipped, however long;
- a token is at most 255 bytes: a field of 10,000 digits is read as its first
  255 (so 9,990 zeros and 10 digits read as 0), the rest of the line skipped;
- byte 26 ends a file: what follows it is never read;
- the DXF scan compares whole lines; a drawing cut short yields the points
  complete before the cut, and a code line with no value after it is error
  106.
Where the outcome is "the same as" another input, both runs are compared."""

import math
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import dxf_drawing, fixed  # noqa: E402
from survey_test import Survey, SurveyCase, crlf  # noqa: E402

MB = 1 << 20
BOUND = 60.0  # seconds for any one run (the sanitizer build included)
LONG_ZERO = "0" * 9990 + "1234567890"  # 10,000 digits, the first 255 of them zeros
LONG_NINES = "9" * 10000

# The tools with small inputs, each file as a list of lines (CR LF between
# them; a file that ends with a line end has "" as its last item). last[path]
# is the index of the last field a record of that file reads.
RECORDS = [(541000.0 + 7.3 * i, 4705000.0 + 3.1 * i, -(8.0 + 0.37 * i)) for i in range(6)]


def points_lines():
    return ["%12s%12s%8s" % (fixed(x, 2), fixed(y, 2), fixed(z, 2)) for x, y, z in RECORDS]


def profile_points():
    """(distance, z) texts of RECORDS as echo_clean1 draws them."""
    d, (px, py, _) = 0.0, RECORDS[0]
    out = []
    for line in points_lines():
        x, y, z = (float(v) for v in line.split())
        d = d + math.sqrt((x - px) * (x - px) + (y - py) * (y - py))
        px, py = x, y
        out.append((repr(float(fixed(d, 4))), repr(float(fixed(z, 2)))))
    return out


def drawing_lines(points=None):
    return dxf_drawing(points or profile_points()).decode().split("\r\n")


TOOLS = {
    "join": dict(answers=b"\n", files={
        "Temp/Raw_Pos.txt": ["42.5 27.%d 10 0 %d" % (50 + 2 * i, i + 1) for i in range(6)] + [""],
        "Temp/Raw_Dpt.txt": ["%d.0 10 0 %d.%d" % (5 + i, i // 2, 5 * (i % 2)) for i in range(12)] + [""]},
        last={"Temp/Raw_Pos.txt": 4, "Temp/Raw_Dpt.txt": 3}, words={"Temp/Raw_Pos.txt": 2}),
    "depth_filter": dict(answers=b"1\n40\n3\n0.5\n\n", files={
        "Temp/Data.txt": ["42.%08d 27.50000000 %.1f" % (49900000 + 10000 * i, 9.0 + 0.1 * i) for i in range(8)] + [""]},
        last={"Temp/Data.txt": 2}),
    "utm_points": dict(answers=b"\n", files={
        "PM/La_Lo_De.txt": ["Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel", "-" * 62,
                            "27.0 1.0 0.0 0.5 1.0 0.0 "] +
                           ["42.%08d 27.%08d %.1f" % (49920000 + 50 * i, 49820000 + 70 * i, 9.4 + 0.2 * i)
                            for i in range(6)]},
        last={"PM/La_Lo_De.txt": 2}, header=3),
    "echo_clean1": dict(answers=b"\n", files={"PM/Points.txt": points_lines()}, last={"PM/Points.txt": 2}),
    "echo_clean2": dict(answers=b"\n", files={"Temp/Clr_Rec.dxf": drawing_lines(), "PM/Points.txt": points_lines()},
                        last={"PM/Points.txt": 2}),
    "raw_convert": dict(answers=b"\n", files={
        "PM/Raw.Txt": ["42.%08d 27.%08d %.2f 2 9 14 10 12 %.2f" % (49937853 + 17 * i, 49883402 + 13 * i,
                                                                    11.5 + 0.07 * i, 5.4 + i) for i in range(5)]
                      + [""]},
        last={"PM/Raw.Txt": 8}, words={"PM/Raw.Txt": 3}),
    "dat_reduce": dict(answers=b"2\n\n", files={
        "PM/Out.Dat": ["%.2f %.2f %.2f %d" % (540942.06 + 8.3 * i, 4705335.05 - 0.9 * i, -9.68 - 0.35 * i, i + 1)
                       for i in range(6)] + [""]},
        last={"PM/Out.Dat": 2}),
    "dxf2txt": dict(answers=b"drawing.dxf\nlist.txt\n\n", files={"drawing.dxf": drawing_lines()}),
}
OUTPUTS = {
    "join": ["Temp/Data.txt"], "depth_filter": ["PM/La_Lo_De.txt"],
    "utm_points": ["PM/Points.txt", "Temp/Points.scr", "Temp/3DPoly.scr"], "echo_clean1": ["Temp/Echo_Rec.scr"],
    "echo_clean2": ["Temp/Clr_Rec.txt", "PM/PointsCl.txt", "Temp/PointsCl.scr"], "raw_convert": ["PM/Raw_Data.Txt"],
    "dat_reduce": ["PM/Out.Txt", "Temp/Out.Scr"], "dxf2txt": ["list.txt"],
}


def join_lines(lines):
    return "\r\n".join(lines).encode("latin-1")


def is_dxf(path):
    return path.lower().endswith(".dxf")


def record_rows(tool, path):
    """The indices of the record lines of a file (for a drawing: the value
    lines of the codes the tool reads)."""
    lines = TOOLS[tool]["files"][path]
    if is_dxf(path):
        codes = (" 10", " 20") if tool == "echo_clean2" else (" 10", " 20", " 30")
        return [i + 1 for i, l in enumerate(lines) if l in codes and i + 1 < len(lines)]
    first = TOOLS[tool].get("header", 0)
    return [i for i in range(first, len(lines)) if lines[i]]


def with_field(line, index, text):
    """The line with its field index replaced (fields then one blank apart)."""
    fields = line.split()
    fields[index] = text
    return " ".join(fields)


class Outcome:
    def __init__(self, run, outputs):
        self.run = run
        self.outputs = outputs  # path -> bytes, or None when not there


class BadInput(SurveyCase):
    def run_tool(self, tool, files, answers=None, bound=BOUND):
        """Runs tool on files ({path: bytes}) in a fresh survey folder."""
        survey = Survey()
        self.addCleanup(survey.remove)
        for path, data in files.items():
            survey.write(path, data)
        start = time.monotonic()
        run = survey.run(tool, TOOLS[tool]["answers"] if answers is None else answers, timeout=bound)
        self.assertLess(time.monotonic() - start, bound)
        outputs = {p: survey.read(p) if os.path.isfile(survey.path(p)) else None for p in OUTPUTS[tool]}
        return Outcome(run, outputs)

    def files(self, tool, replace=None):
        files = {p: join_lines(lines) for p, lines in TOOLS[tool]["files"].items()}
        files.update(replace or {})
        return files

    def baseline(self, tool):
        out = self.run_tool(tool, self.files(tool))
        self.assertEqual((out.run.returncode, out.run.stderr), (0, b""), out.run)
        return out

    def assert_same(self, got, want):
        self.assertEqual((got.run.returncode, got.run.stderr), (want.run.returncode, want.run.stderr), got.run)
        self.assertEqual(got.outputs, want.outputs)

    def assert_stop(self, got, base, code, path, line=None):
        """Run-time error code naming path (and line); each output there is a
        prefix of what the clean input gives."""
        where = self.assert_runtime_error(got.run, code)
        self.assertIn(path, where)
        if line is not None:
            self.assertIn("line %d:" % line, where)
        for p, data in got.outputs.items():
            if data is not None:
                self.assertEqual(data, base.outputs[p][:len(data)], "%s is no prefix of the clean output" % p)

    # -- the cases, each over every tool

    def test_empty_files(self):
        expected = {  # (tool, emptied file): exit status
            ("join", "Temp/Raw_Pos.txt"): 106, ("join", "Temp/Raw_Dpt.txt"): 106,
            ("depth_filter", "Temp/Data.txt"): 106, ("utm_points", "PM/La_Lo_De.txt"): 106,
            ("echo_clean1", "PM/Points.txt"): 106, ("echo_clean2", "Temp/Clr_Rec.dxf"): 106,
            ("echo_clean2", "PM/Points.txt"): 106, ("raw_convert", "PM/Raw.Txt"): 106,
            ("dat_reduce", "PM/Out.Dat"): 106, ("dxf2txt", "drawing.dxf"): 0,
        }
        for (tool, path), code in expected.items():
            with self.subTest(tool=tool, path=path):
                base = self.baseline(tool)
                got = self.run_tool(tool, self.files(tool, {path: b""}))
                if code == 0:  # dxf2txt: no point, an empty list
                    self.assertEqual((got.run.returncode, got.run.stderr), (0, b""), got.run)
                    self.assertEqual(got.outputs["list.txt"], b"")
                    continue
                # echo_clean2 stops at its first kept point when the drawing
                # has none (Temp/Clr_Rec.txt, empty, is named).
                named = "Temp/Clr_Rec.txt" if path == "Temp/Clr_Rec.dxf" else path
                self.assert_stop(got, base, 106, named)
        # Nothing typed at all: the first prompt for a number meets the end.
        for tool in ("depth_filter", "dat_reduce"):
            with self.subTest(tool=tool, typed=""):
                got = self.run_tool(tool, self.files(tool), answers=b"")
                self.assert_stop(got, self.baseline(tool), 106, "console")

    def test_letters_in_numbers(self):
        for tool, info in TOOLS.items():
            base = self.baseline(tool)
            for path, lines in info["files"].items():
                rows = record_rows(tool, path)
                # (join stops when its fixes run out, before the last soundings)
                for row in rows[:2] + (rows[-1:] if path != "Temp/Raw_Dpt.txt" else []):
                    with self.subTest(tool=tool, path=path, line=row + 1):
                        bad = list(lines)
                        bad[row] = bad[row].lstrip().replace(".", "x", 1) if is_dxf(path) else \
                            bad[row].replace(".", ".5a", 1)
                        got = self.run_tool(tool, self.files(tool, {path: join_lines(bad)}))
                        self.assert_stop(got, base, 106, path, row + 1)
        for tool, typed in (("depth_filter", b"1\n40x\n3\n0.5\n\n"), ("dat_reduce", b"2,5\n\n")):
            with self.subTest(tool=tool, typed=typed):
                got = self.run_tool(tool, self.files(tool), answers=typed)
                self.assert_stop(got, self.baseline(tool), 106, "console")

    def test_lines_of_a_megabyte(self):
        for tool, info in TOOLS.items():
            base = self.baseline(tool)
            for path, lines in info["files"].items():
                rows = record_rows(tool, path)
                variants = {
                    # a line of 1 MB of blanks and tabs before a record
                    "blank line": lines[:rows[1]] + [" \t" * (MB // 2)] + lines[rows[1]:],
                    # 1 MB after the last field a record reads
                    "tail": [l + (" " + "x" * MB if i == rows[0] else "") for i, l in enumerate(lines)],
                }
                for name, changed in variants.items():
                    with self.subTest(tool=tool, path=path, variant=name):
                        self.assert_same(self.run_tool(tool, self.files(tool, {path: join_lines(changed)})), base)
                with self.subTest(tool=tool, path=path, variant="letters"):
                    # 1 MB of letters where the first number is due
                    changed = list(lines)
                    changed[rows[0]] = "y" * MB
                    got = self.run_tool(tool, self.files(tool, {path: join_lines(changed)}))
                    if tool == "dxf2txt" or (tool == "echo_clean2" and is_dxf(path)):
                        self.assert_stop(got, base, 106, path)
                    else:
                        self.assert_stop(got, base, 106, path, rows[0] + 1)

    def test_tokens_of_ten_thousand_digits(self):
        for tool, info in TOOLS.items():
            for path, lines in info["files"].items():
                rows = record_rows(tool, path)
                # The last field a record reads, as 10,000 digits whose first
                # 255 are zeros: the same as a field 0.
                if is_dxf(path):
                    long, zero = list(lines), list(lines)
                    long[rows[0]], zero[rows[0]] = LONG_ZERO, "0"
                else:
                    k = info["last"][path]
                    long = [with_field(l, k, LONG_ZERO) if i == rows[1] else l for i, l in enumerate(lines)]
                    zero = [with_field(l, k, "0") if i == rows[1] else l for i, l in enumerate(lines)]
                with self.subTest(tool=tool, path=path, field="last"):
                    got = self.run_tool(tool, self.files(tool, {path: join_lines(long)}))
                    want = self.run_tool(tool, self.files(tool, {path: join_lines(zero)}))
                    self.assert_same(got, want)
                if path in info.get("words", {}):
                    with self.subTest(tool=tool, path=path, field="whole number"):
                        # 255 nines are beyond 64 bits
                        bad = [with_field(l, info["words"][path], LONG_NINES) if i == rows[0] else l
                               for i, l in enumerate(lines)]
                        got = self.run_tool(tool, self.files(tool, {path: join_lines(bad)}))
                        self.assert_stop(got, self.baseline(tool), 106, path, rows[0] + 1)

    def test_byte_26_and_nul(self):
        for tool, info in TOOLS.items():
            base = self.baseline(tool)
            for path, lines in info["files"].items():
                data = join_lines(lines)
                rows = record_rows(tool, path)
                # Byte 26 after the line end of the second record (in a
                # drawing: a few lines into its second point): the same as
                # the file cut there.
                cut_row = rows[2] + 3 if is_dxf(path) else rows[1]
                at = len(join_lines(lines[:cut_row + 1])) + 2
                with self.subTest(tool=tool, path=path, case="byte 26"):
                    got = self.run_tool(tool, self.files(tool, {path: data[:at] + b"\x1a" + b"1 2 3\r\n" + data[at:]}))
                    want = self.run_tool(tool, self.files(tool, {path: data[:at]}))
                    self.assert_same(got, want)
                    self.assertNotEqual(got.outputs, base.outputs)  # the cut did something
                with self.subTest(tool=tool, path=path, case="NUL for blanks"):
                    if is_dxf(path):  # a NUL before every value
                        changed = b"\r\n".join(b"\x00" + l if i in rows else l
                                               for i, l in enumerate(data.split(b"\r\n")))
                    else:
                        head = info.get("header", 0)
                        changed = join_lines(lines[:max(head - 1, 0)]) + (b"\r\n" if head > 1 else b"") + \
                            join_lines(lines[max(head - 1, 0):]).replace(b" ", b"\x00")
                    self.assert_same(self.run_tool(tool, self.files(tool, {path: changed})), base)
        with self.subTest(tool="dxf2txt", case="POINT and a NUL"):
            # The line "POINT\0" is not "POINT": that point is not found.
            lines = TOOLS["dxf2txt"]["files"]["drawing.dxf"]
            second = [i for i, l in enumerate(lines) if l == "POINT"][1]
            changed = join_lines(lines[:second]) + b"\r\nPOINT\x00\r\n" + join_lines(lines[second + 1:])
            got = self.run_tool("dxf2txt", self.files("dxf2txt", {"drawing.dxf": changed}))
            listed = self.baseline("dxf2txt").outputs["list.txt"].split(b"\r\n")
            del listed[1]
            self.assertEqual((got.run.returncode, got.outputs["list.txt"]), (0, b"\r\n".join(listed)), got.run)

    def test_a_million_point_lines(self):
        million = b"POINT\r\n" * 1000000
        last_point = b" 10\r\n1.5\r\n 20\r\n-2\r\n 30\r\n3e2\r\n"
        for tool, info in TOOLS.items():
            base = self.baseline(tool)
            path = next(iter(info["files"]))
            with self.subTest(tool=tool, path=path):
                got = self.run_tool(tool, self.files(tool, {path: million}))
                if tool == "dxf2txt":  # every point cut short: none
                    self.assertEqual((got.run.returncode, got.outputs["list.txt"]), (0, b""), got.run)
                elif tool == "echo_clean2":  # no point left in the drawing
                    self.assert_stop(got, base, 106, "Temp/Clr_Rec.txt")
                    self.assertEqual(got.outputs["Temp/Clr_Rec.txt"], b"")
                else:  # "POINT" is no number (utm_points skips two lines unread)
                    self.assert_stop(got, base, 106, path, 3 if tool == "utm_points" else 1)
        with self.subTest(tool="dxf2txt", case="then one point"):
            got = self.run_tool("dxf2txt", self.files("dxf2txt", {"drawing.dxf": million + last_point}))
            self.assertEqual((got.run.returncode, got.outputs["list.txt"]), (0, b"1.500 -2.000 300.000\r\n"),
                             got.run)

    def test_clock_time_not_a_number(self):
        """join: a sounding or a fix whose second reads "nan" (a number by the
        reading rules, equal to nothing) is passed over, as if its line were
        not there, and the join ends."""
        info = TOOLS["join"]["files"]
        for path in info:
            for row in (0, 3):
                with self.subTest(path=path, line=row + 1):
                    lines = info[path]
                    with_nan = lines[:row] + [with_field(lines[row], TOOLS["join"]["last"][path], "nan")] + lines[row:]
                    got = self.run_tool("join", self.files("join", {path: join_lines(with_nan)}), bound=10)
                    want = self.run_tool("join", self.files("join"))
                    self.assertEqual((got.run.returncode, got.run.stderr), (0, b""), got.run)
                    self.assertEqual(got.outputs, want.outputs)
                    self.assertEqual(want.outputs["Temp/Data.txt"].count(b"\r\n"), 9)

    def test_dxf_cut_after_every_line(self):
        lines = drawing_lines()[:-1]  # without the empty item after the last line end
        records = [l.split() for l in points_lines()]
        for n in range(len(lines) + 1):
            for line_end in (b"\r\n", b""):
                data = join_lines(lines[:n]) + (line_end if n else b"")
                found, stop = scan_model(data, 3)
                with self.subTest(tool="dxf2txt", lines=n, line_end=line_end):
                    got = self.run_tool("dxf2txt", {"drawing.dxf": data})
                    if stop:
                        self.assert_runtime_error(got.run, 106)
                    else:
                        self.assertEqual((got.run.returncode, got.run.stderr), (0, b""), got.run)
                    self.assertEqual(got.outputs["list.txt"],
                                     b"".join(crlf(" ".join(fixed(float(v), 3) for v in p)) for p in found))
                if line_end == b"":
                    continue
                found, stop = scan_model(data, 2)
                with self.subTest(tool="echo_clean2", lines=n):
                    got = self.run_tool("echo_clean2", {"Temp/Clr_Rec.dxf": data,
                                                        "PM/Points.txt": join_lines(points_lines())})
                    kept_list = b"".join(crlf("%s %s" % (fixed(float(x), 5), fixed(float(y), 2))) for x, y in found)
                    self.assertEqual(got.outputs["Temp/Clr_Rec.txt"], kept_list, got.run)
                    if stop or not found:
                        self.assert_runtime_error(got.run, 106)
                        self.assertIn(got.outputs["PM/PointsCl.txt"], (None, b""))
                    else:  # the points are the first records' own, in order
                        self.assertEqual((got.run.returncode, got.run.stderr), (0, b""), got.run)
                        self.assertEqual(got.outputs["PM/PointsCl.txt"],
                                         b"".join(crlf(" ".join(r)) for r in records[:len(found)]))


def scan_model(data, codes):
    """The POINT scan by its rules, over a drawing whose lines end in CR LF:
    (the points found, whether a value was missing)."""
    text = data.decode("latin-1")
    lines = text.split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    wanted = [" 10", " 20", " 30"][:codes]
    points, i = [], 0
    while True:
        line = lines[i] if i < len(lines) else ""
        i += 1
        if line == "POINT":
            values = []
            for code in wanted:
                while i < len(lines) and lines[i] != code:
                    i += 1
                if i >= len(lines):
                    return points, False  # cut during the search: dropped
                i += 1
                # the value: the next token across blank lines
                while i < len(lines) and lines[i].strip() == "":
                    i += 1
                if i >= len(lines):
                    return points, True
                values.append(lines[i].split()[0])
                i += 1
            points.append(values)
        if i >= len(lines):
            return points, False


if __name__ == "__main__":
    unittest.main()
