#!/usr/bin/env python3
"""Makes the crosslines of the bundled sample survey, a survey folder of their
own: samples/crosslines/Temp/Raw_Pos.txt and samples/crosslines/Temp/Raw_Dpt.txt
(and the empty samples/crosslines/PM/ folder).

Six lines run north and south in turn across the four main lines of
samples/survey (make_sample.py), 25 m to 275 m east of its south-west corner
and 50 m apart, from 20 m south of the first main line to 20 m north of the
last, at about 2 m/s with a half-circle turn between them, a few minutes
after the main lines, over the same bottom; the sounder logs on the lines
only, not in the turns. They go through the same chain (join, depth_filter,
utm_points), and survey_qc compares them with the main lines where they
cross: 24 crossings.

What the check should find: the crosslines' sounder was set up 0.10 m too
deep (their depths read 0.10 m more, so their heights are 0.10 m lower: a
mean difference crossline - main line of -0.10 m), and its noise is larger
than on the main lines (normal, 0.05 m standard deviation, against uniform
within 0.03 m). The receiver's fixes have the main survey's noise and
repeats, and are stamped a second after their time, as the main survey's
and as join takes them (it counts every fix a second earlier), so that
every sounding is placed where it was measured.

The output depends on nothing but this script and make_sample.py (fixed
seed):

    python3 samples/make_crosslines.py
"""

import math
import os
import random

from make_sample import (LAT0, LINE_SPACING, LINES, LON0, M_PER_DEG_LAT, M_PER_DEG_LON, bottom_depth, clock,
                         write_lines)

CROSS_X = (25.0, 75.0, 125.0, 175.0, 225.0, 275.0)   # metres east of the corner
SOUTH, NORTH = -20.0, (LINES - 1) * LINE_SPACING + 20.0
SPEED = 2.0
LINE_TIME = int((NORTH - SOUTH) / SPEED)
TURN_RADIUS = (CROSS_X[1] - CROSS_X[0]) / 2
TURN_TIME = int(math.pi * TURN_RADIUS / SPEED)
SURVEY_TIME = len(CROSS_X) * LINE_TIME + (len(CROSS_X) - 1) * TURN_TIME
START = (10 * 3600 + 15 * 60) * 100   # first sounding, centiseconds
SOUNDER_LEAD = 3
RECEIVER_TAIL = 3
BIAS = 0.10                           # metres the crosslines' depths read too deep
NOISE = 0.05                          # the standard deviation of their sounder's noise


def boat_position(t):
    """East and north offsets (metres) of the boat t seconds into the crosslines."""
    t = min(max(t, 0.0), SURVEY_TIME)
    leg, rest = divmod(t, LINE_TIME + TURN_TIME)
    leg = int(leg)
    northward = leg % 2 == 0
    x = CROSS_X[leg]
    if rest <= LINE_TIME or leg == len(CROSS_X) - 1:
        run = min(rest, LINE_TIME) * SPEED
        return x, (SOUTH + run if northward else NORTH - run)
    # half circle to the next line, beyond the end of this one
    angle = math.pi * (rest - LINE_TIME) / TURN_TIME
    dy = TURN_RADIUS * math.sin(angle)
    return x + TURN_RADIUS - TURN_RADIUS * math.cos(angle), (NORTH + dy if northward else SOUTH - dy)


def make_positions(rng):
    lines = []
    first = START + SOUNDER_LEAD * 100
    last_fix = None
    for second in range(SURVEY_TIME - SOUNDER_LEAD + RECEIVER_TAIL + 1):
        cs = first + second * 100
        if last_fix is not None and rng.random() < 0.04:
            fix = last_fix
        else:
            x, y = boat_position((cs - START) / 100.0 - 1)   # stamped a second late
            x += rng.uniform(-0.3, 0.3)
            y += rng.uniform(-0.3, 0.3)
            fix = ("%.8f" % (LAT0 + y / M_PER_DEG_LAT), "%.8f" % (LON0 + x / M_PER_DEG_LON))
        last_fix = fix
        lines.append("%s %s %s %.1f %d" % (fix[0], fix[1], clock(cs), 0.8 + 0.1 * rng.randrange(6),
                                           rng.randrange(8, 13)))
    return lines


def make_soundings(rng):
    lines = []
    step = 0
    while step * 0.2 <= SURVEY_TIME:
        cs = START + step * 20
        t = step * 0.2
        step += 1
        leg, rest = divmod(t, LINE_TIME + TURN_TIME)
        if rest > LINE_TIME and leg < len(CROSS_X) - 1:
            continue                          # no logging in the turns
        x, y = boat_position(t)
        depth = bottom_depth(x, y) + BIAS + rng.gauss(0.0, NOISE)
        lines.append("%.2f %s" % (depth, clock(cs)))
    return lines


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "crosslines")
    os.makedirs(os.path.join(root, "Temp"), exist_ok=True)
    os.makedirs(os.path.join(root, "PM"), exist_ok=True)
    open(os.path.join(root, "PM", ".gitkeep"), "wb").close()
    rng = random.Random(20240608)
    write_lines(os.path.join(root, "Temp", "Raw_Pos.txt"), make_positions(rng))
    write_lines(os.path.join(root, "Temp", "Raw_Dpt.txt"), make_soundings(rng))
    print("sample crosslines written to", root)


if __name__ == "__main__":
    main()
