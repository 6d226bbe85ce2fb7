#!/usr/bin/env python3
"""Makes the inputs of the two side tools in the bundled sample survey:
samples/survey/PM/Raw.Txt (raw_convert) and samples/survey/PM/Out.Dat
(dat_reduce).

Both belong to the same small area off the coast at about 42.5 N 27.5 E.

- Raw.Txt: the log of an older field logger that writes position, depth and
  time in one record, once a second, while the boat runs a cross line of
  about 600 m from south-west to north-east at some 2 m/s:
  "latitude longitude depth quality satellites gain hh mm ss.ss". quality is
  the receiver's fix quality (1 GPS, 2 DGPS), satellites the satellites in
  use, gain the echo sounder's gain setting; raw_convert drops those three.
  The logger does not pad hours and minutes with zeros.
- Out.Dat: a point file from the office's projection program, "x y z"
  followed by a point number: UTM zone 35 easting and northing (metres)
  and the height z of the sea bottom (metres, negative under the zero
  level), on six lines 25 m apart with a point every 8 m. Where the sounder
  lost the bottom the program wrote the height 999.00 (or 9999.00 for a
  rejected echo); dat_reduce drops those records.

Every line ends with CR LF. The output depends on nothing but this script
(fixed seed), so anyone can make the same bytes again:

    python3 samples/make_side_inputs.py
"""

import math
import os
import random

LAT0 = 42.4992          # south-west corner of the survey area
LON0 = 27.4981
M_PER_DEG_LAT = 111132.0
M_PER_DEG_LON = 111320.0 * math.cos(math.radians(LAT0))

# Easting and northing of the south-west corner in UTM zone 35 (central
# meridian 27 E, scale 0.9996, false easting 500 km).
EAST0 = 540927.52
NORTH0 = 4705324.44

RAW_START = 10 * 3600 + 12 * 60 + 5.4     # first raw record, seconds of day
RAW_RECORDS = 300
DAT_LINES = 6
DAT_LINE_SPACING = 25.0
DAT_POINT_SPACING = 8.0
DAT_POINTS_PER_LINE = 50
NO_BOTTOM_RUNS = ((1, 17, 3), (3, 5, 2), (4, 40, 4), (5, 22, 1))   # line, first point, count
REJECTED = ((0, 33), (2, 11), (5, 47))                            # line, point


def bottom_depth(x, y):
    """Depth (metres) of the bottom at x metres east, y north of the corner."""
    return (8.0 + 0.05 * y + 0.01 * x + 2.0 * math.sin(2 * math.pi * x / 150.0)
            + 1.0 * math.cos(2 * math.pi * (x + y) / 90.0))


def make_raw(rng):
    lines = []
    heading = math.radians(40.0)          # from north towards east
    for n in range(RAW_RECORDS):
        run = 2.0 * n + rng.uniform(-0.2, 0.2)
        x = 60.0 + run * math.sin(heading) + rng.uniform(-0.4, 0.4)
        y = 20.0 + run * math.cos(heading) + rng.uniform(-0.4, 0.4)
        depth = bottom_depth(x, y) + rng.uniform(-0.04, 0.04)
        quality = 2 if rng.random() < 0.85 else 1
        satellites = rng.randrange(7, 13)
        gain = rng.choice((12, 14, 14, 16))
        t = RAW_START + n + rng.choice((0.0, 0.0, 0.01, -0.01))
        hour, rest = divmod(t, 3600)
        minute, second = divmod(rest, 60)
        lines.append("%.8f %.8f %.2f %d %d %d %d %d %.2f" % (
            LAT0 + y / M_PER_DEG_LAT, LON0 + x / M_PER_DEG_LON, depth,
            quality, satellites, gain, hour, minute, second))
    return lines


def make_dat(rng):
    lost = {(line, first + k) for line, first, count in NO_BOTTOM_RUNS for k in range(count)}
    lines = []
    number = 0
    for line in range(DAT_LINES):
        y = 10.0 + line * DAT_LINE_SPACING
        for point in range(DAT_POINTS_PER_LINE):
            # the lines are run east and west in turn
            along = point if line % 2 == 0 else DAT_POINTS_PER_LINE - 1 - point
            x = 15.0 + along * DAT_POINT_SPACING + rng.uniform(-0.6, 0.6)
            yy = y + rng.uniform(-0.8, 0.8)
            if (line, point) in lost:
                z = 999.0
            elif (line, point) in REJECTED:
                z = 9999.0
            else:
                z = -(bottom_depth(x, yy) + rng.uniform(-0.05, 0.05))
            number += 1
            lines.append("%.2f %.2f %.2f %d" % (EAST0 + x, NORTH0 + yy, z, number))
    return lines


def write_lines(path, lines):
    with open(path, "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("ascii"))


def main():
    pm = os.path.join(os.path.dirname(os.path.abspath(__file__)), "survey", "PM")
    os.makedirs(pm, exist_ok=True)
    rng = random.Random(20240611)
    write_lines(os.path.join(pm, "Raw.Txt"), make_raw(rng))
    write_lines(os.path.join(pm, "Out.Dat"), make_dat(rng))
    print("PM/Raw.Txt and PM/Out.Dat written to", pm)


if __name__ == "__main__":
    main()
