#!/usr/bin/env python3
"""Makes the expected outputs of join, depth_filter and utm_points on the
bundled sample survey, beside this script: Data.txt, La_Lo_De.txt,
Points.txt, Points.scr and 3DPoly.scr.

The files are worked out here from the tools' rules alone, not taken from the
tools: join's passes over samples/survey/Temp/Raw_Pos.txt and Raw_Dpt.txt (a
fix counts a second before its stamp), depth_filter's tests on Data.txt with
the limits of samples/answers/depth_filter.txt, the Transverse Mercator
series with the stored constants, and the fixed-notation rule (exact value,
17 significant digits, then rounded half up at the last decimal kept, a 4
followed by 9s through the 15th digit and an 8 or 9 as the 16th counting as
5).

    python3 tests/data/sample/make_chain_expected.py
"""

import math
import os
from decimal import ROUND_HALF_EVEN, Decimal

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(os.path.dirname(HERE)))
ANSWERS = os.path.join(REPO, "samples", "answers", "depth_filter.txt")
SAMPLE = os.path.join(REPO, "samples", "survey", "Temp")

HEADER = (b"Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel\r\n" + b"-" * 62 + b"\r\n"
          b"27.0 1.0 0.0 0.5 1.0 0.0 \r\n")


def fixed(x, d):
    """x in fixed notation with d decimals."""
    if x != x:
        return "Nan"
    if math.isinf(x):
        return ("+" if x > 0 else "-") + "Inf"
    negative = math.copysign(1.0, x) < 0
    exact = Decimal(abs(x))
    if exact == 0:
        digits, exp = "0", 0
    else:
        q = exact.quantize(Decimal(1).scaleb(exact.adjusted() - 16), rounding=ROUND_HALF_EVEN)
        _, t, exp = q.as_tuple()
        digits = "".join(map(str, t))
    dropped_count = -d - exp
    if dropped_count <= 0:
        n = int(digits) * 10 ** -dropped_count
    else:
        if dropped_count <= len(digits):
            kept, dropped = digits[:-dropped_count] or "0", digits[-dropped_count:]
            place = len(digits) - dropped_count + 1  # significant place of the first dropped digit
        else:
            kept, dropped, place = "0", "0" * (dropped_count - len(digits)) + digits, 0
        up = dropped[0] >= "5"
        if (dropped[0] == "4" and 1 <= place <= 14 and len(digits) >= 16
                and set(digits[place:15]) <= {"9"} and digits[15] in "89"):
            up = True
        n = int(kept) + up
    text = str(n).rjust(d + 1, "0")
    if d > 0:
        text = text[:-d] + "." + text[-d:]
    return ("-" if negative else "") + text


def tm(lat, lon, meridian, k0, fe, fn):
    a, b, pi = 6378137.0, 6356752.314, 3.1415926535
    f = (a - b) / a
    e2 = (2 - f) * f
    e4 = e2 * e2
    e6 = e4 * e2
    ep2 = e2 / (1 - e2)
    m0 = 1 - e2 * 0.25 - 3 * e4 * 0.015625 - 5 * e6 * 0.00390625
    m2 = 45 * e6 * 0.0009765625 + (3 * e4 * 0.03125 + 3 * e2 * 0.125)
    m4 = 45 * e6 * 0.0009765625 + 15 * e4 * 0.00390625
    m6 = 35 * e6 / 3072
    lam0, phi, lam = (meridian / 180) * pi, (lat / 180) * pi, (lon / 180) * pi
    s, c = math.sin(phi), math.cos(phi)
    T = (s / c) * (s / c)
    C = (c * c * e2) / (1 - e2)
    A = (lam - lam0) * c
    nu = a / math.sqrt(1 - s * s * e2)

    def arc(p):
        return a * (m0 * p - m2 * math.sin(2 * p) + m4 * math.sin(4 * p) - m6 * math.sin(6 * p))

    A2 = A * A
    A4 = A2 * A2
    X = A + (A2 * ((1 - T) + C) * A) / 6
    X = X + (A4 * (72 * C + (T * T + (5 - 18 * T)) - 58 * ep2) * A) / 120
    Y = (A4 * (4 * C * C + (9 * C + (5 - T)))) / 24 + A2 * 0.5
    Y = Y + (A2 * (A4 * (600 * C + (T * T + (61 - 58 * T)) - 330 * ep2))) / 720
    return X * k0 * nu + fe, ((Y * nu * s) / c + (arc(phi) - arc(0.0))) * k0 + fn


def records(text):
    return [tuple(float(t) for t in line.split()[:3]) for line in text.splitlines() if line.strip()]


def join(positions, soundings):
    """Temp/Data.txt of join on the two logs' texts, and its final counters
    (positions, depths, points). One pass after another over the window of
    two fixes P1, P2 and the pending sounding S, the steps A to E of each
    pass in their order; a read of a next record at a log's end ends the
    pass and the join. The logs must not pass midnight."""
    fixes = [(float(a), float(b), (int(h) * 60 + int(m)) * 60 + float(sec) - 1.0)
             for a, b, h, m, sec in (line.split()[:5] for line in positions.splitlines())]
    depths = [(float(d), (int(h) * 60 + int(m)) * 60 + float(sec))
              for d, h, m, sec in (line.split()[:4] for line in soundings.splitlines())]
    for log in (fixes, depths):
        assert all(b[-1] > a[-1] - 43200 for a, b in zip(log, log[1:])), "the log passes midnight"
    out = []
    p1, p2, next_fix, counted = fixes[0], fixes[1], 2, 2
    s, next_depth = depths[0], 1

    class End(Exception):
        pass

    def read_sounding():
        nonlocal s, next_depth
        if next_depth == len(depths):
            raise End
        s, next_depth = depths[next_depth], next_depth + 1

    def read_fix():
        nonlocal next_fix
        if next_fix == len(fixes):
            raise End
        next_fix += 1
        return fixes[next_fix - 1]

    def write(lat, lon):
        out.append("%s %s %s\r\n" % (fixed(lat, 8), fixed(lon, 8), fixed(s[0], 1)))

    try:
        while next_fix < len(fixes) and next_depth < len(depths):
            if s[1] < p1[2]:                                  # A
                read_sounding()
            if s[1] == p1[2]:                                 # B
                write(p1[0], p1[1])
                read_sounding()
            if p1[2] < s[1] < p2[2]:                          # C
                t, t1, t2 = s[1], p1[2], p2[2]
                write(((t - t1) * (p2[0] - p1[0])) / (t2 - t1) + p1[0],
                      ((t - t1) * (p2[1] - p1[1])) / (t2 - t1) + p1[1])
                read_sounding()
            if s[1] == p2[2]:                                 # D
                write(p2[0], p2[1])
                read_sounding()
                p1, p2 = p2, read_fix()
                counted += 1
            if s[1] > p2[2]:                                  # E
                p1 = p2
                p2 = read_fix()
                while p2[0] == p1[0] and p2[1] == p1[1]:
                    p2 = read_fix()
                counted += 1
    except End:
        pass
    return "".join(out).encode(), (counted, next_depth, len(out))


def depth_filter(data, min_depth, max_depth, min_distance, max_slope):
    inside = lambda r: min_depth < r[2] < max_depth  # noqa: E731
    recs = records(data)
    kept = []
    i = 0
    while True:  # the first record inside the window, untested
        r = recs[i]
        i += 1
        if inside(r):
            kept.append(r)
        ref = r
        if inside(r) or i == len(recs):
            break
    for r in recs[i:]:
        if not inside(r) or (r[0] == ref[0] and r[1] == ref[1]):
            continue
        north = (ref[0] - r[0]) * 60 * 1800
        east = (ref[1] - r[1]) * 60 * 1300
        d = math.sqrt(north * north + east * east)
        if not d > min_distance or not abs(ref[2] - r[2]) / d < max_slope:
            continue
        kept.append(r)
        ref = r
    lines = ["%s %s %s" % (fixed(la, 8), fixed(lo, 8), fixed(de, 1)) for la, lo, de in kept]
    return HEADER + "\r\n".join(lines).encode()


def utm_points(point_list):
    """Points.txt, Points.scr, 3DPoly.scr for a point list with the default
    parameter line."""
    body = point_list[len(HEADER):].decode()
    points, script, poly = [], [], []
    for lat, lon, depth in records(body):
        e, n = tm(lat, lon, 27.0, 1.0, 9500113.804, 122.463)
        z = 0.0 - (1.0 * depth + 0.5 - 0.0)
        fe, fn, fz = fixed(e, 2), fixed(n, 2), fixed(z, 2)
        points.append(fe.rjust(12) + (" " if len(fn) >= 12 else "") + fn.rjust(12)
                      + (" " if len(fz) >= 8 else "") + fz.rjust(8))
        script.append("%s,%s,%s\r\n" % (fe, fn, fz))
    points_txt = "\r\n".join(points).encode()
    points_scr = ("osnap off point " + " ".join(script) + "zoom e\r\n").encode()
    poly_scr = ("osnap off 3DPoly " + "".join(script) + "\r\nzoom e\r\n").encode()
    return points_txt, points_scr, poly_scr


def main():
    with open(ANSWERS) as f:
        limits = [float(line.split()[0]) for line in f.read().splitlines()[:4]]
    logs = []
    for name in ("Raw_Pos.txt", "Raw_Dpt.txt"):
        with open(os.path.join(SAMPLE, name)) as f:
            logs.append(f.read())
    data, counters = join(*logs)
    print("join: positions %d, depths %d, points %d" % counters)
    point_list = depth_filter(data.decode(), *limits)
    outputs = {"Data.txt": data, "La_Lo_De.txt": point_list}
    outputs.update(zip(("Points.txt", "Points.scr", "3DPoly.scr"), utm_points(point_list)))
    for name, content in outputs.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(content)


if __name__ == "__main__":
    main()
