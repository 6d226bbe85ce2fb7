#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets to fuzz/corpus/<target>/: slices
of the sample survey and of the DXF fixtures, and hand-made edge cases. The
files are named by content, so running it again changes nothing; inputs kept
there under other names (the ones that found bugs) are left alone.

A tool target's input is made of segments separated by the byte 0x1E: the
console answers, then the tool's input files in order (see tool_harness.h)."""

import hashlib
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
SAMPLE = os.path.join(REPO, "samples", "survey")
DATA = os.path.join(REPO, "tests", "data")
SEP = b"\x1e"

# A drawing for dxf2txt --survey: block A (a POINT, a TEXT label, an INSERT
# of B, arrayed and rotated), block B, paper space, Defpoints, a polyline.
SURVEY_DXF = "\n".join([
    "0", "SECTION", "2", "BLOCKS",
    "0", "BLOCK", "2", "A", "10", "1", "20", "1", "30", "0",
    "0", "POINT", "8", "0", "10", "2", "20", "3", "30", "4",
    "0", "TEXT", "8", "LBL", "10", "1", "20", "2", "30", "0", "1", "12,5", "72", "1", "11", "3", "21", "4", "31", "0",
    "0", "INSERT", "8", "0", "2", "B", "10", "5", "20", "5", "30", "0", "50", "90", "41", "2",
    "0", "ENDBLK",
    "0", "BLOCK", "2", "B", "10", "0", "20", "0", "30", "0", "0", "ENDBLK",
    "0", "ENDSEC",
    "0", "SECTION", "2", "ENTITIES",
    "0", "INSERT", "8", "L1", "2", "A", "10", "100", "20", "200", "30", "0", "70", "2", "71", "2", "44", "10", "45", "5",
    "210", "0", "220", "0.6", "230", "0.8",
    "0", "POINT", "8", "L2", "67", "1", "10", "1", "20", "1", "30", "1",
    "0", "POINT", "8", "DEFPOINTS", "10", "1", "20", "1", "30", "1",
    "0", "MTEXT", "8", "L3", "10", "7", "20", "8", "30", "0", "1", "{\\fArial|b1;-3.25}",
    "0", "LWPOLYLINE", "8", "L4", "38", "2.5", "10", "1", "20", "2", "10", "3", "20", "4",
    "0", "POLYLINE", "8", "L5", "70", "8", "0", "VERTEX", "10", "1", "20", "2", "30", "3", "0", "SEQEND",
    "0", "ENDSEC", "0", "EOF", ""]).encode()

sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
from nmea_log import dbt, gga, rmc, sentence, tag  # noqa: E402


def read(*parts):
    with open(os.path.join(*parts), "rb") as f:
        return f.read()


def head(data, n):
    """The first n lines (with their line ends)."""
    return b"".join(data.splitlines(keepends=True)[:n])


def crlf(*lines):
    return b"".join(l.encode("latin-1") + b"\r\n" for l in lines)


def tool(console, *files):
    """A tool input: console answers, then the files (None: not there)."""
    segments = [console]
    for f in files:
        if f is None:
            break
        segments.append(f)
    return SEP.join(segments)


RAW_POS = read(SAMPLE, "Temp", "Raw_Pos.txt")
RAW_DPT = read(SAMPLE, "Temp", "Raw_Dpt.txt")
RAW_TXT = read(SAMPLE, "PM", "Raw.Txt")
OUT_DAT = read(SAMPLE, "PM", "Out.Dat")
DATA_TXT = read(DATA, "sample", "Data.txt")
LIST = read(DATA, "sample", "La_Lo_De.txt")
POINTS = read(DATA, "sample", "Points.txt")
DXF_R12 = read(DATA, "dxf", "profile_r12.dxf")

LIMITS = b"1\n40\n3\n0.5\n\n"


def small_points(n):
    """The first n records of the sample PM/Points.txt, no line end after the last."""
    return head(POINTS, n).rstrip(b"\r\n")


def profile_dxf(points_txt, keep=None, code_width=3):
    """A drawing of the echo record of a points file, as echo_clean1 draws it:
    one POINT per record at the distance along the track and z."""
    recs = [tuple(map(float, l.split()[:3])) for l in points_txt.splitlines() if l.strip()]
    out = ["  0", "SECTION", "  2", "ENTITIES"]
    d = 0.0
    px, py = recs[0][0], recs[0][1]
    for i, (x, y, z) in enumerate(recs):
        d = d + math.sqrt((x - px) ** 2 + (y - py) ** 2)
        px, py = x, y
        if keep is not None and i not in keep:
            continue
        out += ["  0", "POINT", "  8", "0", "10".rjust(code_width), "%.4f" % d,
                "20".rjust(code_width), "%.2f" % z, "30".rjust(code_width), "0.0"]
    out += ["  0", "ENDSEC", "  0", "EOF"]
    return crlf(*out)


def cut_lines(data, count):
    """The first count lines of data, the last without its line end."""
    return head(data, count).rstrip(b"\r\n")


EDGE_NUMBERS = [b"", b"\n", b"\r\n\r\n", b"abc", b"1,5 2 3", b"12.5; 1 2", b"1e400 -1e-400 5",
                b"\x1a42 1 2", b"42\x001 2", b"+ - .5 5. 1e 1e+", b"Inf -nan NAN +inf",
                b"9" * 300, b"1" + b"0" * 400 + b" 2 3", b"0x1F $ff %101 &17 70000 -1",
                b"1\r2\r3\r", b"\xff\xfe 1 2 3"]


def corpora():
    c = {}
    # -- the readers: byte 0 = program length (and the buffer-straddling
    # filler in its two high bits), then the operations, then the file.
    r = []
    for prog in ([1, 4], [2, 2, 4], [3, 4], [0, 1, 2, 3, 4], [1, 1, 1], [3, 3, 4, 0]):
        for body in EDGE_NUMBERS + [head(RAW_POS, 3), head(RAW_TXT, 2), cut_lines(DXF_R12, 12)]:
            r.append(bytes([len(prog)]) + bytes(prog) + body)
    r.append(bytes([0xC2, 1, 4]) + head(RAW_POS, 4))
    r.append(bytes([0xFF, 2, 3, 4]) + b"12345678 1\r\n2")
    r.append(bytes([0xC1, 3]) + b"A" * 600 + b"\r\nB")
    c["readers"] = r[::2] + r[-3:]

    # -- write_fixed: 8 bytes x, 2 bytes w, 2 bytes d, a mode byte (odd:
    # x is a whole number of 8 bytes scaled by 10^-(mode >> 2)).
    w = []
    def fixed(x, width, d):
        w.append(struct.pack("<dhh", x, width, d) + b"\x00")
    def scaled(whole, k, width, d):
        sign = 2 if whole < 0 else 0
        w.append(struct.pack("<Qhh", abs(whole), width, d) + bytes([1 | sign | (k << 2)]))
    for x, width, d in [(3.14159, 0, 2), (3.14159, 8, 3), (-12.5, 3, 1), (0.125, 0, 2), (2.5, 0, 0),
                        (-0.004, 0, 2), (-0.0, 0, 2), (1e300, 0, 0), (1.7976931348623157e308, 0, 8),
                        (5e-324, 0, 330), (float("nan"), 6, 2), (float("inf"), 6, 2),
                        (float("-inf"), 0, 0), (9541213.356, 12, 2), (42.49920027, 0, 8),
                        (0.5, 0, 0), (1.5, 0, 0), (9.995, 0, 2), (123456789012345678.0, 0, 1),
                        (1e-5, 0, 5), (99999.99999999999, 0, 3), (-999.5, 8, 0)]:
        fixed(x, width, d)
    for whole, k, d in [(1005, 3, 2), (2675, 3, 2), (5, 1, 0), (15, 1, 0), (125, 3, 2), (4445, 4, 3),
                        (-1005, 3, 2), (999995, 5, 4), (123456789012345675, 2, 1), (45, 1, 0)]:
        scaled(whole, k, 0, d)
    c["write_fixed"] = w

    # -- the DXF scan: byte 0 even = codes 10, 20; odd = 10, 20, 30.
    pts = small_points(6)
    dxf_cases = [DXF_R12, profile_dxf(pts), profile_dxf(pts, keep={1, 3}), profile_dxf(pts, keep=set()),
                 profile_dxf(pts, code_width=2), crlf("POINT"), crlf("POINT", " 10", "1.5"),
                 crlf("POINT", " 10", "abc", " 20", "2"), crlf("POINT", " 20", "2", " 10", "1", " 20", "3"),
                 crlf("POINT", " 10", "   7.25 rest", " 20", "-1e3"), b"POINT\r 10\r1\r 20\r2\r 30\r3\r",
                 b"POINT\n 10\n1\n 20\n2\n 30\n\x1a3\n", crlf("LINE", "  8", "POINT", " 10", "1", " 20", "2", " 30", "3"),
                 crlf("POINT", " 10", "1", " 20"), crlf("POINT", "POINT", " 10", "1", " 20", "2", " 30", "3"),
                 b"", b"\n\n\n", b"POINT\x00\n 10\n1\n"]
    # Entities as a 2D CAD program writes them (LF, handles, subclass
    # markers, no z): a POINT after "  0" ends at the next "  0".
    cad = lambda *values: ["  0", "POINT", "  5", "2F", "100", "AcDbEntity", "  8", "0", "100", "AcDbPoint"] + list(values)
    lf = lambda lines: "".join(l + "\n" for l in lines).encode()
    dxf_cases += [lf(cad(" 10", "1", " 20", "2") + cad(" 10", "3", " 20", "4", " 30", "5") + ["  0", "EOF"]),
                  lf(cad(" 10", "-9.800000000000001", " 20", "0") + cad(" 10", "1") + cad(" 20", "2", " 10", "3")
                     + ["  0", "EOF"]),
                  lf(["  0", "LINE", "  8", "POINT", " 10", "1", " 20", "2"] + cad(" 10", "3", " 20", "4", " 30", "5")),
                  crlf("  0", "POINT", " 10", "1", "  0", "POINT", " 10", "3", " 20", "4", "  0", "EOF")]
    c["dxf_scan"] = [bytes([i % 2]) + d for i, d in enumerate(dxf_cases)] + \
                    [b"\x01" + cut_lines(profile_dxf(pts), n) for n in (5, 6, 7, 8, 9, 10)] + \
                    [b"\x01" + b"0\nPOINT\n5\n10\n62\n 20\n10\n1\n20\n2\n0\nPOINT\n10\t\n3\n 20 \n4\n30\n5\n\t0\nEOF\n",
                     b"\x00" + profile_dxf(pts).replace(b"  0\r\n", b"0 \r\n").replace(b" 20\r\n", b"20\r\n")]

    # -- the tools
    pos, dpt = head(RAW_POS, 6), head(RAW_DPT, 30)
    c["join"] = [
        tool(b"\n", pos, dpt), tool(b"", head(RAW_POS, 2), head(RAW_DPT, 3)), tool(b"\n", pos),
        tool(b"\n"), tool(b"\n", b"", dpt), tool(b"\n", pos, b""), tool(b"\n", head(RAW_POS, 1), dpt),
        tool(b"\n", pos + b"\r\n", dpt), tool(b"\n", pos, dpt + b"\r\n"),
        tool(b"\n", crlf("42.5 27.5 23 59 59", "42.6 27.6 0 0 1", "42.7 27.7 0 0 3"),
             crlf("5.0 23 59 59", "6.0 0 0 0.5", "7.0 0 0 2")),
        tool(b"\n", crlf("42.5 27.5 $0A 0 1", "42.5 27.5 x0A 0 2", "42.6 27.6 0x0A 0 3"), crlf("1 10 0 2", "2 10 0 2.5")),
        tool(b"\n", crlf("42.5 27.5 10 0 1", "42.5 27.5 10 0 1", "42.6 27.6 10 0 1"), crlf("1 10 0 0", "2 10 0 0")),
        tool(b"\n", pos.replace(b"27.", b"27,", 1), dpt), tool(b"\n", pos, dpt.replace(b"\n", b"\x1a", 5)),
        tool(b"\n", pos.replace(b"\r\n", b"\r"), dpt.replace(b"\r\n", b"\n")),
        tool(b"\n", crlf("42.5 27.5 70000 0 1", "nan inf 10 0 2", "1e308 -1e308 10 0 3"), crlf("1e400 10 0 1")),
        tool(b"\n", crlf("42.5 27.5 -1 0 1"), dpt), tool(b"\n", pos, b"\x00" + dpt),
    ]
    # join's options: the command line, one argument a line, then Tide.txt.
    tide = crlf("9 57 30 0.4", "9 58 0 0.5", "9 58 30 0.45")
    for args, tide_file in [(b"--latency\n0.5", None), (b"--latency\n-1.25\n--max-gap\n2", None),
                            (b"--max-gap\n0", None), (b"--tide\nTide.txt", tide), (b"--tide\nTide.txt", b""),
                            (b"--tide\nTide.txt\n--max-gap\n1.5\n--latency\n0.3", tide),
                            (b"--tide\nTide.txt", crlf("9 58 0 0.5", "9 58 0 0.6", "nan 0 0 1", "23 0 0 1")),
                            (b"--tide\nMissing.txt", None), (b"--latency", None), (b"--latency\nx", None),
                            (b"--gap\n3", None), (b"--max-gap\n-1", None), (b"--max-gap\n1\n--max-gap\n2", None),
                            (b"--tide\n", None), (b"--latency\ninf", None),
                            (b"--tide\nTide.txt\n--tide-gap\n10", crlf("9 57 30 0.4", "9 57 31 0.5", "9 58 30 0.45")),
                            (b"--tide-gap\n5", None), (b"--tide\nTide.txt\n--tide-gap\n-1", tide)]:
        c["join"].append(tool(b"\n", pos, dpt, args, tide_file))
    # The depth corrections and --cm: after Tide.txt come Heave.txt, Sv.txt and
    # Squat.txt.
    heave = crlf(*("9 57 %.1f %.2f" % (30 + k / 10, (k % 20 - 10) / 20) for k in range(120)))
    sv, squat = crlf("0 1510", "5 1510", "5 1480", "", "40 1480 bottom"), crlf("2 0.01", "8 0.2")
    for args, files in [(b"--cm", ()), (b"--heave\nHeave.txt\n--heave-sign\nup\n--cm", (b"", heave)),
                        (b"--heave\nHeave.txt\n--heave-sign\ndown", (b"", crlf("9 57 30 0.1", "9 57 33 0.2", "nan 0 0 1"))),
                        (b"--sv-profile\nSv.txt\n--draft\n0.5\n--sv-set\n1490", (b"", b"", sv)),
                        (b"--squat\nSquat.txt\n--cm", (b"", b"", b"", squat)),
                        (b"--cm\n--tide\nTide.txt\n--squat\nSquat.txt\n--sv-profile\nSv.txt\n--heave\nHeave.txt"
                         b"\n--heave-sign\nup\n--latency\n0.2", (tide, heave, sv, squat)),
                        (b"--sv-profile\nSv.txt", (b"", b"", crlf("0 1500", "5 1490", "4 1480"))),
                        (b"--sv-profile\nSv.txt", (b"", b"", crlf("0 1500", "5 1,490"))),
                        (b"--squat\nSquat.txt", (b"", b"", b"", crlf("4 0.1", "4 0.2"))),
                        (b"--squat\nSquat.txt", (b"", b"", b"", b"\r\n")),
                        (b"--heave\nHeave.txt", (b"", heave)), (b"--sv-set\n1500", ()), (b"--cm\n--cm", ())]:
        c["join"].append(tool(b"\n", pos, dpt, args, *files))
    data = head(DATA_TXT, 20)
    c["depth_filter"] = [
        tool(LIMITS, data), tool(LIMITS, head(DATA_TXT, 1)), tool(LIMITS), tool(LIMITS, b""),
        tool(b"", data), tool(b"1\n40\n", data), tool(b"x\n", data), tool(b"1\n40\n3\n0.5;\n", data),
        tool(b"\n\n1 40 3 0.5\n", data), tool(b"nan\ninf\n-inf\nnan\n\n", data), tool(b"40\n1\n3\n0.5\n", data),
        tool(LIMITS, data + b"\r\n"), tool(LIMITS, data + b"   "), tool(LIMITS, data.replace(b" ", b"\t")),
        tool(b"0\n1e9\n0\n1e9\n\n", crlf("42.5 27.5 3", "42.5 27.5 4", "42.50001 27.5 5")),
        tool(LIMITS, data.replace(b"9.", b"x.", 1)), tool(LIMITS, b"\x1a" + data), tool(b"1\x1a\n", data),
        tool(LIMITS, data, b"--cm"), tool(LIMITS, data, b"--cm\n--cm"), tool(LIMITS, data, b"--mm"),
    ]
    lst = head(LIST, 12)
    c["utm_points"] = [
        tool(b"\n", lst), tool(b"\n", head(LIST, 4)), tool(b"\n", head(LIST, 3)), tool(b"\n", b""), tool(b"\n"),
        tool(b"\n", lst.replace(b"27.0 1.0", b"24.0 1.0", 1)), tool(b"\n", lst.replace(b"27.0 1.0", b"27.0 0.9996", 1)),
        tool(b"\n", lst.replace(b"0.0 0.5 1.0 0.0 ", b"0.0 0.5 1.0 ", 1)),
        tool(b"\n", lst.replace(b"0.0 0.5 1.0 0.0 ", b"0.0 0.5 1.0 0.0 7 ", 1)),
        tool(b"\n", lst + b"\r\n"), tool(b"\n", lst.replace(b"9.4", b"1000.4", 1)),
        tool(b"\n", crlf("h", "-", "27.0 1.0 0.35 0.8 1.0 0.12", "42.5 27.5 3.4", "90 180 1e300", "-90 -180 nan")),
        tool(b"\n", crlf("h", "-", "27 1 0 0.5 1 0", "42.5 27.5 abc")), tool(b"\n", b"h\r\n-\r\n\x1a27 1 0 0 1 0"),
        tool(b"\n", lst.replace(b"\r\n", b"\n")),
    ]
    # utm_points's grids: the command line, one argument a line, then PM/Grid.txt.
    shift = b"--helmert\n598.1 73.7 418.2 0.202 0.045 -2.455 6.7\n--rotation\n"
    for args, grid_file in [(b"--grid\nUTM 35N", None), (b"--grid\nEPSG:7801", None), (b"--grid\nEPSG:2154", None),
                            (b"--grid\ntm 27 1 5500000 0 Krassovsky1940\n" + shift + b"coordinate-frame", None),
                            (b"--grid\nlcc1 42.5 27 0.9999 500000 0 Bessel1841", None),
                            (b"--grid\nUTM 35S", None), (b"--grid\nUTM 0N", None), (b"--grid\nEPSG:4326", None),
                            (b"--grid\nUTM 35N\n" + shift, None), (shift + b"position-vector", None),
                            (b"--grid", None), (b"", b"Grid: UTM 35N\r\n"), (b"", b"grid: epsg:25835"),
                            (b"", b"Grid: tm 9 1 3500000 0 Bessel1841\r\nHelmert: 1 2 3 4 5 6 7\r\n"
                                  b"Rotation: position-vector\r\n"),
                            (b"", b"Grid: UTM 99N\r\n"), (b"", b"UTM 35N"), (b"", b"\x1a"), (b"", b""),
                            (b"--grid\nUTM 34N", b"Grid: nonsense\r\n")]:
        c["utm_points"].append(tool(b"\n", lst, args, grid_file))
    c["utm_points"].append(tool(b"\n", crlf("h", "-", "27 1 0 0.5 1 0", "42.5 27.5 3", "nan 27 1"), b"--grid\nUTM 35N"))
    c["echo_clean1"] = [
        tool(b"\n", small_points(8)), tool(b"\n", small_points(1)), tool(b"\n", small_points(8) + b"\r\n"),
        tool(b"\n", b""), tool(b"\n"), tool(b"\n", small_points(3) + b" \r\n "),
        tool(b"\n", small_points(3).replace(b".", b",", 1)), tool(b"\n", b"1 2 3 4 5 6 7 8 9"),
        tool(b"\n", b"1e308 1e308 1\r\n-1e308 -1e308 2"), tool(b"\n", b"nan 0 0\r\n1 1 1"),
        tool(b"\n", small_points(4).replace(b"\r\n", b"\x1a", 1)), tool(b"", small_points(2)),
    ]
    c["echo_clean2"] = [
        tool(b"\n", profile_dxf(pts), pts), tool(b"\n", profile_dxf(pts, keep={0, 2, 5}), pts),
        tool(b"\n", profile_dxf(pts, keep={5}), pts), tool(b"\n", profile_dxf(pts, keep=set()), pts),
        tool(b"\n", profile_dxf(pts, keep={1, 2}), pts), tool(b"\n", profile_dxf(pts)), tool(b"\n"),
        tool(b"\n", profile_dxf(pts), b""), tool(b"\n", b"", pts), tool(b"\n", profile_dxf(pts, code_width=2), pts),
        tool(b"\n", cut_lines(profile_dxf(pts), 9), pts), tool(b"\n", cut_lines(profile_dxf(pts), 12), pts),
        tool(b"\n", profile_dxf(pts).replace(b"\r\n-", b"\r\nx", 1), pts),
        tool(b"\n", crlf("POINT", " 10", "0.0", " 20", "1.0", "POINT", " 10", "-5", " 20", "2"), b"0 0 1\r\n3 4 2"),
        tool(b"\n", profile_dxf(pts), pts + b"\r\n"), tool(b"\n", profile_dxf(b"1 1 5\r\n1 1 6\r\n1 1 7"), b"1 1 5\r\n1 1 6\r\n1 1 7"),
        tool(b"\n", profile_dxf(pts).replace(b"  0\r\n", b"0\r\n").replace(b" 10\r\n", b"10\t\r\n"), pts),
        tool(b"\n", b"AutoCAD Binary DXF\r\n\x1a\x00" + bytes(range(32)), pts),
    ]
    raw = head(RAW_TXT, 5)
    c["raw_convert"] = [
        tool(b"\n", raw), tool(b"\n", head(RAW_TXT, 1)), tool(b"\n", b""), tool(b"\n"), tool(b"\n", raw + b"\r\n"),
        tool(b"\n", crlf("42.5 27.123 5.3 $1F 0x1F x1f 9 5 3.25", "1 2 3 %101 &17 0 23 59 59.999")),
        tool(b"\n", crlf("42.5 27.5 5.3 1 2 3 70000 65536 1e6")), tool(b"\n", crlf("42.5 27.5 5.3 1 2 -3 9 5 3")),
        tool(b"\n", crlf("42.5 27.5 5.3 1 2 3 9 5 3.25 extra words", "1e300 -1e300 nan 1 2 3 4 5 inf")),
        tool(b"\n", crlf("42.5 27.5 5.3 1 2 3.5 9 5 3")), tool(b"\n", raw.replace(b"\r\n", b"\r")),
        tool(b"\n", raw[:40] + b"\x1a" + raw[40:]), tool(b"\n", crlf("42.5 27.5 5.3 1 2 3 9 5")),
        tool(b"\n", crlf("42.5 27.5 5.3 18446744073709551615 18446744073709551616 3 9 5 3")),
    ]
    dat = head(OUT_DAT, 8)
    c["dat_reduce"] = [
        tool(b"2\n\n", dat), tool(b"0\n", dat), tool(b"-1.5\n\n", dat), tool(b"x\n", dat), tool(b"", dat),
        tool(b"2\n\n", crlf("1 2 999", "3 4 999.5")), tool(b"2\n\n", crlf("1 2 998.99", "3 4 999")),
        tool(b"2\n\n", crlf("1 2 -2.25", "3 4 -2.35", "5 6 2.4", "7 8 0.3", "9 10 -0.04", "1 1 -0.05")),
        tool(b"2\n\n", b""), tool(b"2\n\n"), tool(b"2\n\n", dat + b"\r\n"),
        tool(b"2\n\n", crlf("1 2 nan", "3 4 inf", "5 6 -inf", "7 8 -1e300")),
        tool(b"1e300\n\n", dat), tool(b"nan\n\n", dat), tool(b"2\n\n", dat.replace(b"-9.", b"-9,", 1)),
        tool(b"2\n\n", crlf("1 2 -5 rest", "3 4 -6")), tool(b"\n\n2\n\n", head(OUT_DAT, 1)),
    ]
    drawing = profile_dxf(pts)
    c["dxf2txt"] = [
        tool(b"drawing.dxf\nout.txt\n\n", drawing), tool(b"DRAWING.DXF\nout.txt\n\n", drawing),
        tool(b"missing.dxf\nout.txt\n\n", drawing), tool(b"drawing.dxf\n\n\n", drawing),
        tool(b"\nout.txt\n" + drawing), tool(b"\n\n" + crlf("POINT", " 10", "1", " 20", "2", " 30", "3")),
        tool(b"drawing.dxf\nPM\n\n", drawing), tool(b"PM\nout.txt\n\n", drawing), tool(b"drawing.dxf\nout.txt\n", b""),
        tool(b"drawing.dxf\nout.txt\n\n", crlf("POINT", " 10", "1", " 20", "2", " 30", "x")),
        tool(b"drawing.dxf\nout.txt\n\n", cut_lines(drawing, 11)), tool(b"drawing.dxf\nout.txt\n\n", DXF_R12),
        tool(b"drawing.dxf\nout.txt\n\n", crlf("POINT", " 10", "-1e300", " 20", "nan", " 30", "inf")),
        tool(b"drawing.dxf\n", drawing), tool(b"", drawing), tool(b"drawing.dxf\nout.txt", drawing),
        # Unpadded codes, a binary drawing, and --survey with blocks (one that
        # inserts itself), labels and lines.
        tool(b"drawing.dxf\nout.txt\n\n", b"0\nPOINT\n8\n0\n10\n1\n20\n2\n30\n3\n0\nEOF\n"),
        tool(b"drawing.dxf\nout.txt\n\n", b"AutoCAD Binary DXF\r\n\x1a\x00" + bytes(range(64))),
        tool(b"drawing.dxf\nout.txt\n\n", SURVEY_DXF, b"--survey\n--labels\n--inserts\n--lines\n--with-layer"),
        tool(b"drawing.dxf\nout.txt\n\n", SURVEY_DXF, b"--layer\nL*\n--inserts"),
        tool(b"drawing.dxf\nout.txt\n\n", SURVEY_DXF.replace(b"2\nB\n10\n0\n20\n0\n30\n0\n0\nENDBLK",
                                                              b"2\nB\n10\n0\n20\n0\n30\n0\n0\nINSERT\n2\nA\n0\nENDBLK"),
             b"--survey"),
        tool(b"drawing.dxf\nout.txt\n\n", drawing, b"--survey\n--bad"),
    ]
    # nmea_split: the console answers, Log.nmea, then the command line.
    start = 9 * 3600 + 57 * 60 + 30
    untagged, tagged = [], []
    for t in range(6):
        lat, lon = 42.5 + 2e-5 * t, 27.5 - 1e-5 * t
        for line in [gga(start + t, lat, lon), rmc(start + t, lat, lon)] + [dbt(8 + 0.1 * k) for k in range(3)]:
            untagged.append(line)
            tagged.append(tag(start + t + 0.4) + line)
    faults = [sentence("GPGGA,095730.00,,,,,0,00,,,M,,M,,"), sentence("GPRMC,095731.00,V,,,,,,,150310,,"),
              dbt(9)[:-2] + "00", "$SDDBT,1.0,f,", "\x01\x1a\xfe", "x" * 300, sentence("SDDBT,,f,1x,M,,F"),
              sentence("GPZDA,095732.00,15,03,2010,00,00"), sentence("SDDPT,7.5,0.5"), sentence("SDDBS,1,f,0.3,M,,F"),
              sentence("GPGLL,4230.0000,N,02730.0000,E,095733.00,A"), "", "Logger started"]
    receivers = [gga(start, 42.5, 27.5, quality=8), gga(start + 1, 42.5, 27.5, quality=6),
                 rmc(start + 1, 42.5, 27.5) + ",,S", sentence("GNGNS,095731.00,4230.0000,N,02730.0000,E,RN,12,,,,,"),
                 sentence("GPGLL,4230.0000,N,02730.0000,E"), "!AIVDM,1,1,,A,13aE,0*26" + gga(start + 2, 42.6, 27.6),
                 "\xb5\x62\x01$\x02" + dbt(8), sentence("SDDBT,1.0,M,0.3,f,,F"), sentence("SDDPT,-7.5,0.5"),
                 sentence("GPZDA,095732.00,,,"), sentence("GPZDA,095733.00,15,03,2010")]
    rtk = []
    for t in range(12):
        rtk.append(tag(start + t) + sentence("GPGGA,%02d%02d%02d.00,4230.0000,N,02730.0000,E,%d,12,0.8,%.3f,M,36.9,M,," % (
            (start + t) // 3600, (start + t) // 60 % 60, (start + t) % 60, 4 if t % 5 else 5, 3.1 + 0.1 * (t % 3))))
        rtk.append(tag(start + t + 0.5) + dbt(8 + 0.1 * t))
    # Fixes on their own time: tags that jitter, a logger's clock set on by
    # 30 s, a receiver time that goes back.
    jitter = []
    for t in range(8):
        ahead = 30 if t > 5 else 0
        jitter.append(tag(start + t + 0.4 + 0.05 * (t % 3) + ahead) + gga(start + t - (3 if t == 4 else 0),
                                                                       42.5 + 1e-5 * t, 27.5))
        jitter.append(tag(start + t + 0.7 + ahead) + dbt(8 + 0.1 * t))
    log = lambda lines, end="\r\n": end.join(lines).encode("latin-1") + end.encode()  # noqa: E731
    arg = b"Log.nmea"
    c["nmea_split"] = [
        tool(b"\n", log(untagged), arg), tool(b"\n", log(tagged), arg), tool(b"Log.nmea\n\n", log(tagged)),
        tool(b"\n", log(untagged[:7] + faults + untagged[7:]), arg),
        tool(b"\n", log(tagged[:7] + faults + tagged[7:] + tagged[:3]), arg),
        tool(b"\n", log([sentence("SDDBS,1,f,0.3,M,,F"), gga(start, 42.5, 27.5), sentence("SDDBS,,f,,M,,F"),
                          gga(start + 2, 42.6, 27.6)]), arg),
        tool(b"\n", log([sentence("SDDPT,7.5,0.5"), gga(start, 42.5, 27.5), sentence("SDDPT,7.75,-0.3"),
                          gga(86399, 42.6, 27.6), sentence("SDDPT,8,"), gga(1, 42.7, 27.7)], "\n"), arg),
        tool(b"\n", log(tagged, "\r"), arg), tool(b"\n", b"", arg), tool(b"\n"), tool(b"\n", log(tagged)),
        tool(b"\n", log(tagged), b"Missing.nmea"), tool(b"\n", log(tagged), b"Log.nmea\nLog.nmea"),
        tool(b"\n", log(tagged), b""), tool(b"\n", log(faults), arg), tool(b"\n", log(tagged), b"L" * 300),
        tool(b"\n", log(untagged) + b"\x00" * 40 + b"$GPGGA,", arg),
        # Real receivers' forms: fix qualities and modes, GNS, NMEA 1.5 GLL,
        # sentences after other text, a byte-order mark, UTF-16; the options.
        tool(b"\n", log(receivers), arg), tool(b"\n", b"\xef\xbb\xbf" + log(untagged), arg),
        tool(b"\n", log(untagged).decode("latin-1").encode("utf-16"), arg),
        tool(b"\n", log(rtk), b"Log.nmea\n--rtk-tide\n1.85\n--datum\n0.3\n--rtk-window\n4"),
        tool(b"\n", log(rtk), b"--quality\n4,5\n--position\nGNS\nLog.nmea"),
        tool(b"\n", log(receivers), b"--position\nGLL\n--rtk-tide\n-2\nLog.nmea"),
        tool(b"\n", log(jitter), b"--fix-delay\n0.15\nLog.nmea"),
        tool(b"\n", log(untagged), b"--fix-delay\n0.2\nLog.nmea"),
        tool(b"\n", log(untagged), b"--fix-delay\n-1\nLog.nmea"),
        # Lost line ends: two or three sentences a line, a wrong sum in one.
        tool(b"\n", log(["".join(untagged[i:i + 2 + i % 2]) for i in range(0, len(untagged), 3)]
                        + [dbt(9) + dbt(9.5)[:-2] + "00" + gga(start + 7, 42.6, 27.6)]), arg),
        tool(b"\n", log([tagged[i] + untagged[i + 1] for i in range(0, len(tagged) - 1, 2)]), arg),
    ]
    # A motion sensor's heave (Seapath's PSXN) in a tagged and an untagged log,
    # with its faults: a wrong checksum, cut short, an empty heave, a time
    # that goes back, the other PSXN messages.
    psxn = lambda body: sentence("PSXN," + body)  # noqa: E731
    heave = []
    for k in range(40):
        heave.append(tag(start + k / 10) + psxn("23,1.2,-0.4,87.0,%.2f" % ((k % 16 - 8) / 8)))
        if k % 5 == 0:
            heave.append(tag(start + k / 10 + 0.01) + dbt(9 + 0.1 * k))
        if k % 10 == 0:
            heave.append(tag(start + k / 10 + 0.02) + gga(start + k // 10, 42.5 + 1e-5 * k, 27.5))
    heave += [tag(start + 1) + psxn("23,1,2,3,0.1")[:-2] + "00", tag(start + 5) + "$PSXN,23,1,2",
              tag(start + 5.1) + psxn("23,1,2,3,"), tag(start + 2) + psxn("23,1,2,3,0.5"),
              tag(start + 5.2) + psxn("22,-0.05,-0.68"), tag(start + 5.3) + psxn("20,0,0,0,0"), psxn("23,0,0,0,1")]
    c["nmea_split"] += [tool(b"\n", log(heave), arg),
                        tool(b"\n", log([line.split(" ", 1)[-1] for line in heave]), arg)]
    return c


def main():
    for target, inputs in corpora().items():
        folder = os.path.join(HERE, "corpus", target)
        os.makedirs(folder, exist_ok=True)
        for name in os.listdir(folder):  # inputs that found bugs (not seed-*) stay
            if name.startswith("seed-"):
                os.remove(os.path.join(folder, name))
        for data in inputs:
            name = "seed-" + hashlib.sha1(data).hexdigest()[:16]
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        print("%-12s %3d seeds" % (target, len(set(inputs))))


if __name__ == "__main__":
    main()
