#!/usr/bin/env python3
"""Two surveys of one 2 km x 2 km area for survey_volume's bench, written as
x y z lists (two decimals, CR LF): before.txt on east-west lines, after.txt
either on east-west lines between them or, with --crossing, on north-south
lines; lines 10 m apart, a point every 0.4 m, n points in each (1,000,000
unless told), the after survey 1.5 m deeper in a dredged channel.

    python3 bench/make_volume_inputs.py DIR [N] [--crossing]
"""
import math
import os
import random
import sys

def seabed(x, y):
    return -12 + 0.002 * y + 1.5 * math.sin(x / 130) + math.cos((x + y) / 90)

def channel(x, y):
    # 200 m wide, running north-east, 1.5 m deeper with 1:3 slopes
    d = abs((x - y) / math.sqrt(2))
    return -1.5 if d < 100 else (-max(0.0, 1.5 - (d - 100) / 3))

def write(path, n, east_west, offset, dredged, rng):
    lines = 200
    per_line = max(1, n // lines)
    with open(path, "w", newline="") as f:
        out = []
        for k in range(lines):
            for i in range(per_line):
                along = (i + rng.uniform(-0.1, 0.1)) * 2000.0 / per_line
                across = offset + 10.0 * k + 0.8 * math.sin(along / 37.0 + k)  # the boat wanders smoothly
                x, y = (along, across) if east_west else (across, along)
                z = seabed(x, y) + rng.uniform(-0.05, 0.05) + (channel(x, y) if dredged else 0)
                out.append("%.2f %.2f %.2f\r\n" % (500000 + x, 4700000 + y, z))
            if len(out) > 100000:
                f.write("".join(out))
                out = []
        f.write("".join(out))

def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    crossing = "--crossing" in sys.argv
    folder = args[0]
    n = int(args[1]) if len(args) > 1 else 1000000
    os.makedirs(os.path.join(folder, "PM"), exist_ok=True)
    os.makedirs(os.path.join(folder, "Temp"), exist_ok=True)
    rng = random.Random(21)
    write(os.path.join(folder, "before.txt"), n, True, 0.0, False, rng)
    write(os.path.join(folder, "PM", "PointsCl.txt"), n, not crossing, 5.0, True, rng)

if __name__ == "__main__":
    main()
