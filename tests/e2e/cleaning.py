"""Helpers of the echo record cleaning and DXF tests: PM/Points.txt records,
the entries of Temp/Echo_Rec.scr, minimal ASCII DXF drawings made from them,
fixed-notation numbers by the writing rule of the tools, the screen of a run
with redirected output, and runs with a chosen locale.
"""

import math
import os
import re
import subprocess
from decimal import ROUND_DOWN, ROUND_HALF_EVEN, Decimal

from survey_test import WAIT, Run, tool_path


def fixed(x, d):
    """The text of write_fixed(x, 0, d): the exact value rounded to 17
    significant digits (ties to even), then half up at the d-th decimal; a
    first dropped digit 4 at most at the 14th significant place, followed by
    9s through the 15th and an 8 or 9 as the 16th, counts as 5."""
    negative = x < 0 or (x == 0 and math.copysign(1.0, x) < 0)
    unit = Decimal(1).scaleb(-d)
    m = Decimal(abs(x))
    up = False
    if m != 0:
        m = m.quantize(Decimal(1).scaleb(m.adjusted() - 16), rounding=ROUND_HALF_EVEN)
        top = m.adjusted()

        def digit(place):  # the digit at a significant place, from 1
            return int(m.scaleb(place - 1 - top)) % 10
        place = top + d + 2  # the first dropped digit
        up = digit(place) >= 5 if place >= 1 else False
        if (not up and 1 <= place <= 14 and digit(place) == 4
                and all(digit(p) == 9 for p in range(place + 1, 16)) and digit(16) >= 8):
            up = True
    m = m.quantize(unit, rounding=ROUND_DOWN) + (unit if up else 0)
    return ("-" if negative else "") + format(m.quantize(unit), "f")


def points_txt(records):
    """PM/Points.txt as utm_points writes it: easting and northing in 12
    columns, z in 8, two decimals each; CR LF between records, none after the
    last."""
    return b"\r\n".join(("%12s%12s%8s" % (fixed(x, 2), fixed(y, 2), fixed(z, 2))).encode()
                        for x, y, z in records)


def script_entries(script):
    """The (distance, z) texts of the entries of Temp/Echo_Rec.scr, checking
    the script's frame: the opening text before the first entry, one blank
    before every entry, "zoom e" as the last line, CR LF line ends."""
    text = script.decode("latin-1")
    assert text.endswith("\r\nzoom e\r\n"), repr(text[-40:])
    lines = text[:-len("\r\n")].split("\r\n")[:-1]
    head = "ucsicon off osnap off point"
    assert lines[0].startswith(head + " "), repr(lines[0])
    lines[0] = lines[0][len(head):]
    entries = []
    for line in lines:
        m = re.fullmatch(r" (-?\d+\.\d{4}),(-?\d+\.\d{2})", line)
        assert m, "not an entry: %r" % line
        entries.append((m.group(1), m.group(2)))
    return entries


def dxf_number(text):
    """A number as a CAD program writes it into DXF: the shortest text of the
    double it holds (5.0, 12.3456, -12.8)."""
    return repr(float(text))


def dxf_drawing(points, line_end="\r\n"):
    """A minimal ASCII DXF with one POINT entity on layer 0 for each (x, y)
    text pair, in list order, with z = 0."""
    lines = ["  0", "SECTION", "  2", "HEADER", "  9", "$ACADVER", "  1", "AC1009",
             "  0", "ENDSEC", "  0", "SECTION", "  2", "ENTITIES"]
    for x, y in points:
        lines += ["  0", "POINT", "  8", "0", " 10", x, " 20", y, " 30", "0.0"]
    lines += ["  0", "ENDSEC", "  0", "EOF"]
    return (line_end.join(lines) + line_end).encode("latin-1")


def cad_number(text):
    """A number as LibreCAD writes it: the shortest text of its double, whole
    numbers without a decimal point (0, -12.8)."""
    value = repr(float(text))
    return value[:-2] if value.endswith(".0") else value


def cad_2d_drawing(points):
    """A drawing of the (x, y) texts as LibreCAD saves it in DXF 2000 and
    later: LF line ends, a handle (code 5) and subclass markers (code 100) in
    every entity, and POINT entities without z (no code 30)."""
    lines = ["  0", "SECTION", "  2", "HEADER", "  9", "$ACADVER", "  1", "AC1015", "  0", "ENDSEC",
             "  0", "SECTION", "  2", "ENTITIES"]
    for handle, (x, y) in enumerate(points, start=0x30):
        lines += ["  0", "POINT", "  5", "%X" % handle, "100", "AcDbEntity", "  8", "0", " 62", "   256",
                  "100", "AcDbPoint", " 10", x, " 20", y]
    return "".join(line + "\n" for line in lines + ["  0", "ENDSEC", "  0", "EOF"]).encode()


def drawing_from_script(script, delete=(), move=None, add=(), line_end="\r\n"):
    """The drawing that the user saves after running Temp/Echo_Rec.scr: one
    point for each entry, in script order, with the entries at the 0-based
    indices in delete left out, those in move ({index: (x, y)}) placed
    elsewhere, and the points of add ([(index, (x, y))]) inserted before the
    entry of that index (len(entries) appends them)."""
    entries = script_entries(script)
    move = move or {}
    points = []
    for i, entry in enumerate(entries + [None]):
        points += [(dxf_number(x), dxf_number(y)) for at, (x, y) in add if at == i]
        if entry is None or i in delete:
            continue
        x, y = move.get(i, entry)
        points.append((dxf_number(x), dxf_number(y)))
    return dxf_drawing(points, line_end)


def profile(n):
    """The echo record profile of the library-made drawings in tests/data/dxf
    (see its README): the records, and the distance (4 decimals) and height
    of each point."""
    x0, y0 = 9541213.36, 4707419.57
    px, py, d = x0, y0, 0.0
    records, points = [], []
    for i in range(n):
        x, y = round(x0 + 0.73 * i, 2), round(y0 + 1.11 * i, 2)
        d += math.sqrt((x - px) * (x - px) + (y - py) * (y - py))
        px, py = x, y
        z = round(-(12.0 + 3 * math.sin(i / 9.0) + 0.5), 2)
        records.append((x, y, z))
        points.append((round(d, 4), z))
    return records, points


def render(output, encoding="utf-8", width=80, height=25):
    """The screen that a run with redirected output leaves: its output holds
    the cells that changed, placed with the cursor sequences ESC [ row ; col H,
    after ESC [ H ESC [ 2 J for a cleared window. The rows, and the cursor
    (column, row) at the end."""
    cells = [[" "] * width for _ in range(height)]
    x = y = 1
    text = output.decode(encoding)
    i = 0
    while i < len(text):
        m = re.compile(r"\x1b\[(?:(\d+);(\d+))?H|\x1b\[2J").match(text, i)
        if m:
            if m.group(0) == "\x1b[2J":
                cells = [[" "] * width for _ in range(height)]
            else:
                y, x = (int(m.group(1)), int(m.group(2))) if m.group(1) else (1, 1)
            i = m.end()
            continue
        assert text[i] >= " ", "a control character in the screen output: %r" % text[i]
        cells[y - 1][x - 1] = text[i]
        x += 1
        i += 1
    return ["".join(row) for row in cells], (x, y)


def locale_env(**settings):
    """The environment of this process with the locale variables replaced."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("LC_") and k != "LANG"}
    env.update(settings)
    return env


def run_env(survey, tool, stdin, env):
    """Runs a tool in the survey folder with stdin piped in and the given
    environment."""
    try:
        p = subprocess.run([tool_path(tool)], cwd=survey.root, input=stdin, env=env,
                           capture_output=True, timeout=WAIT)
    except subprocess.TimeoutExpired:
        raise AssertionError("%s did not end within %s s" % (tool, WAIT))
    return Run(p.returncode, p.stdout, p.stderr)


def screen_rows(rows):
    """The 25 rows of 80 columns of a screen given as {row: text}."""
    return [rows.get(r, "").ljust(80) for r in range(1, 26)]


def process_state(pid):
    """The state letter of a process (S: asleep), or None when it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            text = f.read()
    except OSError:
        return None
    return text[text.rindex(")") + 2:].split()[0]


def wait_keys(term, pid, cursor):
    """Waits until the tool in the terminal waits for keys (asleep, the
    terminal's echo and line mode off) with its cursor at (column, row)."""
    def waiting():
        state = process_state(pid)
        if state is None or state == "Z":
            raise AssertionError("the tool ended:\n" + term.dump())
        return state == "S" and not term.tty_modes() and term.cursor() == cursor
    term.wait_for(waiting, "the tool to wait for keys at %r" % (cursor,))
