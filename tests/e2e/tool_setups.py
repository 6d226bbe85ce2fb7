"""The tools with inputs from the sample survey, for the fault and bad
input tests: what each reads (paths in the survey folder), what is typed at
its prompts, and what it writes, in the order it creates its outputs."""

import os

from cleaning import drawing_from_script
from nmea_log import dbt, gga, tag
from survey_test import DATA, REPO, SAMPLE, Survey

DXF2TXT_NOT_FOUND = b"H\xc5 \xcd\xc0\xcc\xc8\xd0\xc0 \xd4\xc0\xc9\xcb "  # "HЕ НАМИРА ФАЙЛ " in Windows-1251 (after a blank that the screen does not redraw)


def _read(*parts):
    with open(os.path.join(*parts), "rb") as f:
        return f.read()


class Setup:
    """A tool with its inputs: inputs maps paths to bytes in the order the
    tool opens them; outputs lists the paths it creates, in order."""

    def __init__(self, tool, inputs, outputs, answers=b"\n"):
        self.tool = tool
        self.inputs = inputs
        self.outputs = outputs
        self.answers = answers

    def prepare(self, survey):
        """Writes the inputs into survey."""
        for path, data in self.inputs.items():
            survey.write(path, data)


def _echo_drawing(points_txt):
    """Temp/Clr_Rec.dxf with every point of echo_clean1's script kept."""
    survey = Survey()
    try:
        survey.write("PM/Points.txt", points_txt)
        run = survey.run("echo_clean1")
        if run.returncode != 0:
            raise AssertionError("echo_clean1 failed on the sample points: %r" % run)
        return drawing_from_script(survey.read("Temp/Echo_Rec.scr"))
    finally:
        survey.remove()


def _nmea_log():
    """The sample survey as a logger's tagged NMEA log: a GGA for every fix and
    a DBT for every sounding, by their stamps, after two lines it rejects."""
    lines = []
    for name, make in (("Raw_Pos.txt", lambda f: gga(f[0], float(f[1]), float(f[2]))),
                       ("Raw_Dpt.txt", lambda f: dbt(float(f[1])))):
        for record in _read(SAMPLE, "Temp", name).decode().splitlines():
            fields = record.split()
            h, m, sec = fields[-3:] if name == "Raw_Dpt.txt" else fields[2:5]
            t = (int(h) * 60 + int(m)) * 60 + float(sec)
            lines.append((t, tag(t) + make([t] + fields)))
    lines.sort(key=lambda line: line[0])
    return b"".join(line.encode() + b"\r\n" for line in ["Logger started", "\x01"] + [l for _, l in lines])


_cache = {}


def setups():
    """The setups of the tools, by tool name (made once)."""
    if _cache:
        return _cache
    points = _read(DATA, "sample", "Points.txt")
    drawing = _echo_drawing(points)
    _cache.update({s.tool: s for s in [
        Setup("join", {"Temp/Raw_Pos.txt": _read(SAMPLE, "Temp", "Raw_Pos.txt"),
                       "Temp/Raw_Dpt.txt": _read(SAMPLE, "Temp", "Raw_Dpt.txt")},
              ["Temp/Data.txt"]),
        Setup("depth_filter", {"Temp/Data.txt": _read(DATA, "sample", "Data.txt")},
              ["PM/La_Lo_De.txt"], _read(REPO, "samples", "answers", "depth_filter.txt")),
        Setup("utm_points", {"PM/La_Lo_De.txt": _read(DATA, "sample", "La_Lo_De.txt")},
              ["PM/Points.txt", "Temp/Points.scr", "Temp/3DPoly.scr"]),
        Setup("echo_clean1", {"PM/Points.txt": points}, ["Temp/Echo_Rec.scr"]),
        Setup("echo_clean2", {"Temp/Clr_Rec.dxf": drawing, "PM/Points.txt": points},
              ["Temp/Clr_Rec.txt", "PM/PointsCl.txt", "Temp/PointsCl.scr"]),
        Setup("raw_convert", {"PM/Raw.Txt": _read(SAMPLE, "PM", "Raw.Txt")}, ["PM/Raw_Data.Txt"]),
        Setup("dat_reduce", {"PM/Out.Dat": _read(SAMPLE, "PM", "Out.Dat")},
              ["PM/Out.Txt", "Temp/Out.Scr"], b"2\n\n"),
        Setup("dxf2txt", {"drawing.dxf": drawing}, ["list.txt"], b"drawing.dxf\nlist.txt\n\n"),
        Setup("nmea_split", {"Log.nmea": _nmea_log()},
              ["Temp/Raw_Pos.txt", "Temp/Raw_Dpt.txt", "Temp/Nmea_Rejected.txt"], b"Log.nmea\n\n"),
    ]})
    return _cache


def reference(setup):
    """The outputs of a normal run on the setup's inputs, by path. For join,
    depth_filter and utm_points they are first checked against the expected
    files of tests/data/sample, made from the rules."""
    survey = Survey()
    try:
        setup.prepare(survey)
        run = survey.run(setup.tool, setup.answers)
        if (run.returncode, run.stderr) != (0, b""):
            raise AssertionError("the normal run of %s failed: %r" % (setup.tool, run))
        out = {path: survey.read(path) for path in setup.outputs}
    finally:
        survey.remove()
    for path in out:
        expected = os.path.join(DATA, "sample", os.path.basename(path))
        if setup.tool in ("join", "depth_filter", "utm_points") and os.path.exists(expected):
            if out[path] != _read(expected):
                raise AssertionError("%s of the normal run of %s differs from %s"
                                     % (path, setup.tool, expected))
    return out
