#!/usr/bin/env python3
"""DEMO ONLY, not a part of the survey tools: stands in for the surveyor who
opens the echo record drawing (Temp/Clr_Rec.dxf, drawn by scr2dxf from
Temp/Echo_Rec.scr) in a CAD program, deletes the points that plainly stand
out from the record and saves the drawing. run_sample.sh uses it so that the
cleaning loop runs without a CAD program and without typing.

    python3 samples/demo_clean_spikes.py DRAWING [METRES]

A point counts as a spike when its height lies more than METRES (default 2.0)
above both of its neighbours along the record, or more than that below both.
Its POINT entity is taken out of the drawing; every other line stays as it
was. Real cleaning is done by eye: this rule only finds the obvious cases.
"""

import sys


def entities(lines):
    """The drawing's lines cut into runs that each begin with a group code 0
    line (the first run: whatever stands before the first one)."""
    runs, start = [], 0
    for i in range(0, len(lines) - 1, 2):
        if lines[i].strip() == b"0" and i > start:
            runs.append(lines[start:i])
            start = i
    runs.append(lines[start:])
    return runs


def point_of(run):
    """(x, y) of a POINT entity's run, else None."""
    if len(run) < 2 or run[1].strip() != b"POINT":
        return None
    values = {run[i].strip(): run[i + 1].strip() for i in range(0, len(run) - 1, 2)}
    return float(values[b"10"]), float(values[b"20"])


def main():
    path = sys.argv[1]
    limit = float(sys.argv[2]) if len(sys.argv) > 2 else 2.0
    with open(path, "rb") as f:
        lines = f.read().splitlines(keepends=True)
    runs = entities(lines)
    points = [(i, p) for i, p in ((i, point_of(run)) for i, run in enumerate(runs)) if p]
    spikes = set()
    for k in range(1, len(points) - 1):
        before, (i, (x, y)), after = points[k - 1][1][1], points[k], points[k + 1][1][1]
        if (y - before > limit and y - after > limit) or (before - y > limit and after - y > limit):
            spikes.add(i)
            print("demo cleaning: deleted the point at %.4f, %.2f (neighbours %.2f, %.2f)"
                  % (x, y, before, after))
    with open(path, "wb") as f:
        f.write(b"".join(line for i, run in enumerate(runs) if i not in spikes for line in run))
    print("demo cleaning: %d of %d points deleted from %s" % (len(spikes), len(points), path))


if __name__ == "__main__":
    main()
