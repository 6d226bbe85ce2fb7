#!/usr/bin/env python3
"""Makes the bundled sample survey: samples/survey/Temp/Raw_Pos.txt and
samples/survey/Temp/Raw_Dpt.txt (and the empty samples/survey/PM/ folder).

A small survey off the coast at about 42.5 N 27.5 E: four parallel lines,
300 m long and 40 m apart, run east and west in turn at about 2 m/s with a
half-circle turn between them, some eleven and a half minutes in all.

- Raw_Pos.txt: the receiver's fixes at 1 Hz, "latitude longitude hh mm ss.ss
  hdop satellites". Now and then the receiver repeats its last fix under the
  new time stamp. Its log starts a few seconds after the echo sounder's and
  ends a few seconds after it.
- Raw_Dpt.txt: the echo sounder's soundings at 5 Hz, "depth hh mm ss.ss".
  The bottom deepens from about 8 m near the first line to about 20 m beyond
  the last, with gentle undulations; a few spikes (surface clutter, a second
  echo) stand out. After the second line the sounder's logger was restarted:
  three seconds are missing and its stamps are 0.1 s out of step with the
  receiver's from then on.

Every line ends with CR LF and the times ascend. The output depends on
nothing but this script (fixed seed), so anyone can make the same bytes again:

    python3 samples/make_sample.py
"""

import math
import os
import random

LAT0 = 42.4992          # south-west corner of the survey area
LON0 = 27.4981
M_PER_DEG_LAT = 111132.0
M_PER_DEG_LON = 111320.0 * math.cos(math.radians(LAT0))

LINES = 4
LINE_LENGTH = 300.0     # metres
LINE_SPACING = 40.0     # metres
SPEED = 2.0             # metres per second along a line
TURN_TIME = 30          # seconds for the half circle between two lines
LINE_TIME = int(LINE_LENGTH / SPEED)

START = (9 * 3600 + 57 * 60 + 30) * 100   # first sounding, centiseconds
SOUNDER_LEAD = 4        # seconds the sounder logs before the receiver
RECEIVER_TAIL = 3       # seconds the receiver logs after the sounder
SURVEY_TIME = LINES * LINE_TIME + (LINES - 1) * TURN_TIME
RESTART_AT = 2 * LINE_TIME + TURN_TIME + 10   # seconds into the survey
RESTART_GAP = 3

SPIKES = {              # sounding number -> logged depth
    412: 0.62,
    903: 48.71,
    1377: 1.35,
    1822: 37.90,
    2468: 0.88,
    3105: 44.26,
}


def boat_position(t):
    """East and north offsets (metres) of the boat t seconds into the survey."""
    t = min(max(t, 0.0), SURVEY_TIME)
    leg, rest = divmod(t, LINE_TIME + TURN_TIME)
    leg = int(leg)
    eastward = leg % 2 == 0
    y = leg * LINE_SPACING
    if rest <= LINE_TIME or leg == LINES - 1:
        run = min(rest, LINE_TIME) * SPEED
        return (run if eastward else LINE_LENGTH - run), y
    # half circle to the next line, outside the survey box
    angle = math.pi * (rest - LINE_TIME) / TURN_TIME
    r = LINE_SPACING / 2
    dx = r * math.sin(angle)
    return (LINE_LENGTH + dx if eastward else -dx), y + r - r * math.cos(angle)


def bottom_depth(x, y):
    return (8.0 + 0.1 * y + 2.0 * math.sin(2 * math.pi * x / 150.0)
            + 1.0 * math.cos(2 * math.pi * (x + y) / 90.0))


def clock(cs):
    """'hh mm ss.ss' of a time of day in centiseconds."""
    h, rest = divmod(cs, 360000)
    m, rest = divmod(rest, 6000)
    return "%02d %02d %02d.%02d" % (h, m, rest // 100, rest % 100)


def make_positions(rng):
    lines = []
    first = START + SOUNDER_LEAD * 100
    last_fix = None
    for second in range(SURVEY_TIME - SOUNDER_LEAD + RECEIVER_TAIL + 1):
        cs = first + second * 100
        t = (cs - START) / 100.0
        if last_fix is not None and rng.random() < 0.04:
            fix = last_fix                     # receiver repeats its last fix
        else:
            x, y = boat_position(t)
            x += rng.uniform(-0.3, 0.3)
            y += rng.uniform(-0.3, 0.3)
            fix = ("%.8f" % (LAT0 + y / M_PER_DEG_LAT),
                   "%.8f" % (LON0 + x / M_PER_DEG_LON))
        last_fix = fix
        hdop = 0.8 + 0.1 * rng.randrange(6)
        sats = rng.randrange(8, 13)
        lines.append("%s %s %s %.1f %d" % (fix[0], fix[1], clock(cs), hdop, sats))
    return lines


def make_soundings(rng):
    lines = []
    n = 0
    step = 0
    while True:
        cs = START + step * 20
        t = (cs - START) / 100.0
        if t > SURVEY_TIME:
            break
        step += 1
        if RESTART_AT <= t < RESTART_AT + RESTART_GAP:
            continue
        if t >= RESTART_AT + RESTART_GAP:
            cs += 10                           # the restarted logger's phase
        x, y = boat_position(t)
        depth = bottom_depth(x, y) + rng.uniform(-0.03, 0.03)
        n += 1
        depth = SPIKES.get(n, depth)
        lines.append("%.2f %s" % (depth, clock(cs)))
    return lines


def write_lines(path, lines):
    with open(path, "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("ascii"))


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "survey")
    os.makedirs(os.path.join(root, "Temp"), exist_ok=True)
    os.makedirs(os.path.join(root, "PM"), exist_ok=True)
    open(os.path.join(root, "PM", ".gitkeep"), "wb").close()
    rng = random.Random(20240607)
    write_lines(os.path.join(root, "Temp", "Raw_Pos.txt"), make_positions(rng))
    write_lines(os.path.join(root, "Temp", "Raw_Dpt.txt"), make_soundings(rng))
    print("sample survey written to", root)


if __name__ == "__main__":
    main()
