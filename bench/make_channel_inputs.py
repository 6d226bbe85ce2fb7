#!/usr/bin/env python3
"""A dredged channel for survey_channel's bench: a centreline of about 10 km
with gentle bends (Temp/Channel.txt, three reaches), a condition survey of
n points (1,000,000 unless told) on lines across the channel 10 m apart,
each 240 m long (PM/PointsCl.txt), and the survey before the works on lines
along it (before.txt), x y z lists with two decimals and CR LF.

    python3 bench/make_channel_inputs.py DIR [N]
"""
import math
import os
import random
import sys

E0, N0 = 500000.0, 4700000.0
# The centreline: from the south-west, bending by 10 to 25 degrees.
HEADINGS = [40, 55, 45, 70, 60, 35]  # degrees from east, each leg 1700 m
LEG = 1700.0


def centreline():
    points, x, y = [(0.0, 0.0)], 0.0, 0.0
    for h in HEADINGS:
        x += LEG * math.cos(math.radians(h))
        y += LEG * math.sin(math.radians(h))
        points.append((x, y))
    return points


def seabed(x, y, offset):
    """A natural seabed at 9 to 11 m, shallower off the channel, 1.5 m
    deeper in the part of the channel already dredged."""
    z = -10 + 0.6 * math.sin(x / 170) + 0.4 * math.cos(y / 230) + 0.02 * max(0.0, abs(offset) - 40)
    return z - (1.5 if abs(offset) < 20 else 0.0)


def frames(points):
    """Each leg's start, direction, right normal and start station."""
    out, station = [], 0.0
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        length = math.hypot(bx - ax, by - ay)
        tx, ty = (bx - ax) / length, (by - ay) / length
        out.append((ax, ay, tx, ty, ty, -tx, station, length))
        station += length
    return out, station


def main():
    folder = sys.argv[1]
    n = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
    os.makedirs(os.path.join(folder, "PM"), exist_ok=True)
    os.makedirs(os.path.join(folder, "Temp"), exist_ok=True)
    points = centreline()
    legs, length = frames(points)
    with open(os.path.join(folder, "Temp", "Channel.txt"), "w", newline="") as f:
        f.write("# bench: a channel of %.0f m\r\n" % length)
        for x, y in points:
            f.write("point %.2f %.2f\r\n" % (E0 + x, N0 + y))
        end = math.floor(length * 100) / 100
        f.write("reach 0 3000 -12.5 30 30 3 3 0.5\r\n")
        f.write("reach 3000 7000 -12 25 30 3 2.5 0.5\r\n")
        f.write("reach 7000 %.2f -11.5 25 25 2 2 0.4\r\n" % end)
    rng = random.Random(31)
    lines = int(length / 10)
    per_line = max(2, n // lines)
    with open(os.path.join(folder, "PM", "PointsCl.txt"), "w", newline="") as f:
        out = []
        for k in range(lines):
            s = 10.0 * k + 5
            leg = next(l for l in legs if l[6] <= s < l[6] + l[7])
            ax, ay, tx, ty, nx, ny, s0, _ = leg
            cx, cy = ax + (s - s0) * tx, ay + (s - s0) * ty
            for i in range(per_line):
                o = -120 + 240.0 * i / (per_line - 1)
                wander = 1.5 * math.sin(o / 23 + k)  # the boat does not hold the line exactly
                x, y = cx + o * nx + wander * tx, cy + o * ny + wander * ty
                z = seabed(x, y, o) + rng.uniform(-0.05, 0.05)
                out.append("%.2f %.2f %.2f\r\n" % (E0 + x, N0 + y, z))
            if len(out) > 100000:
                f.write("".join(out))
                out = []
        f.write("".join(out))
    with open(os.path.join(folder, "before.txt"), "w", newline="") as f:
        out = []
        for o in range(-120, 121, 10):
            for ax, ay, tx, ty, nx, ny, s0, leg_length in legs:
                for j in range(int(leg_length / 2)):
                    x, y = ax + 2.0 * j * tx + o * nx, ay + 2.0 * j * ty + o * ny
                    out.append("%.2f %.2f %.2f\r\n" % (E0 + x, N0 + y, seabed(x, y, o) + 1.5 * (abs(o) < 20)))
        f.write("".join(out))


if __name__ == "__main__":
    main()
