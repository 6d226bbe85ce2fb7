#!/usr/bin/env python3
"""Makes the bundled sample survey: samples/survey/Temp/Raw_Pos.txt and
samples/survey/Temp/Raw_Dpt.txt (and the empty samples/survey/PM/ folder).

A small survey off the coast at about 42.5 N 27.5 E: four parallel lines,
300 m long and 40 m apart, run east and west in turn at about 2 m/s with a
half-circle turn between them, some eleven and a half minutes in all.

- Raw_Pos.txt: the receiver's fixes at 1 Hz, "latitude longitude hh mm ss.ss
  hdop satellites", each stamped a second after its time, as a logger stamps
  a fix when it arrives and as join takes it (it counts every fix a second
  before its stamp, so that every sounding is placed where it was measured;
  a fix stamped at its own time would put every sounding a second's run, 2 m,
  ahead along its line). Now and then the receiver repeats its last fix
  under the new time stamp. Its log starts a few seconds after the echo
  sounder's and ends a few seconds after it.
- Raw_Dpt.txt: the echo sounder's soundings at 5 Hz, "depth hh mm ss.ss".
  The bottom deepens from about 8 m near the first line to about 20 m beyond
  the last, with gentle undulations; a few spikes (surface clutter, a second
  echo) stand out. After the second line the sounder's logger was restarted:
  three seconds are missing and its stamps are 0.1 s out of step with the
  receiver's from then on.

A second survey of the same area after a channel was dredged through it:
samples/survey_dredged/Temp/Raw_Pos.txt and Raw_Dpt.txt, the same logs on
fifteen lines run north and south, 20 m apart, across the first survey's
lines, the fixes stamped a second after their time as well. The channel runs east-west along the middle of the area: 30 m wide at
its bottom, 16 m deep, its sides sloping 1 in 3 up to the old seabed; the
bottom elsewhere is as before. samples/survey_dredged/Channel.txt gives the
outline of the dredging works (the channel and its slopes, 78 m wide, across
the area) as "latitude longitude 0.0" lines, for run_sample.sh, which
projects it with utm_points as the boundary of survey_volume.

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
            x, y = boat_position(t - 1)        # stamped a second after its time
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


# The dredged survey: lines north and south across the area.
D_LINES = 15
D_FIRST_X = 10.0        # metres east of the corner, the first line
D_SPACING = 20.0
D_Y0, D_Y1 = -5.0, 125.0
D_LINE_TIME = int((D_Y1 - D_Y0) / SPEED)
D_TURN_TIME = 16
D_TIME = D_LINES * D_LINE_TIME + (D_LINES - 1) * D_TURN_TIME
D_START = (14 * 3600 + 5 * 60) * 100   # first sounding, centiseconds
CHANNEL_Y = 60.0        # the channel's middle line, metres north of the corner
CHANNEL_HALF = 15.0     # half its bottom width
CHANNEL_DEPTH = 16.0
CHANNEL_SLOPE = 3.0     # metres across for a metre up


def dredged_position(t):
    """East and north offsets (metres) of the boat t seconds into the dredged survey."""
    t = min(max(t, 0.0), D_TIME)
    leg, rest = divmod(t, D_LINE_TIME + D_TURN_TIME)
    leg = int(leg)
    northward = leg % 2 == 0
    x = D_FIRST_X + leg * D_SPACING
    if rest <= D_LINE_TIME or leg == D_LINES - 1:
        run = min(rest, D_LINE_TIME) * SPEED
        return x, (D_Y0 + run if northward else D_Y1 - run)
    angle = math.pi * (rest - D_LINE_TIME) / D_TURN_TIME
    r = D_SPACING / 2
    dy = r * math.sin(angle)
    return x + r - r * math.cos(angle), (D_Y1 + dy if northward else D_Y0 - dy)


def dredged_depth(x, y):
    away = abs(y - CHANNEL_Y) - CHANNEL_HALF
    channel = CHANNEL_DEPTH - max(0.0, away) / CHANNEL_SLOPE
    return max(bottom_depth(x, y), channel)


def make_dredged(rng):
    positions, soundings = [], []
    first = D_START + SOUNDER_LEAD * 100
    for second in range(D_TIME - SOUNDER_LEAD + RECEIVER_TAIL + 1):
        cs = first + second * 100
        x, y = dredged_position((cs - D_START) / 100.0 - 1)   # stamped a second after its time
        x += rng.uniform(-0.3, 0.3)
        y += rng.uniform(-0.3, 0.3)
        positions.append("%.8f %.8f %s %.1f %d" % (LAT0 + y / M_PER_DEG_LAT, LON0 + x / M_PER_DEG_LON, clock(cs),
                                                   0.8 + 0.1 * rng.randrange(6), rng.randrange(8, 13)))
    step = 0
    while step * 0.2 <= D_TIME:
        x, y = dredged_position(step * 0.2)
        soundings.append("%.2f %s" % (dredged_depth(x, y) + rng.uniform(-0.03, 0.03), clock(D_START + step * 20)))
        step += 1
    return positions, soundings


def channel_outline():
    """The outline of the dredging works: the channel and its slopes down from
    a seabed of 8 m, the shallowest there, as a rectangle across the area."""
    reach = CHANNEL_HALF + (CHANNEL_DEPTH - 8.0) * CHANNEL_SLOPE   # where the slope meets 8 m
    corners = [(0.0, CHANNEL_Y - reach), (300.0, CHANNEL_Y - reach),
               (300.0, CHANNEL_Y + reach), (0.0, CHANNEL_Y + reach)]
    return ["%.8f %.8f 0.0" % (LAT0 + y / M_PER_DEG_LAT, LON0 + x / M_PER_DEG_LON) for x, y in corners]


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "survey")
    os.makedirs(os.path.join(root, "Temp"), exist_ok=True)
    os.makedirs(os.path.join(root, "PM"), exist_ok=True)
    open(os.path.join(root, "PM", ".gitkeep"), "wb").close()
    rng = random.Random(20240607)
    write_lines(os.path.join(root, "Temp", "Raw_Pos.txt"), make_positions(rng))
    write_lines(os.path.join(root, "Temp", "Raw_Dpt.txt"), make_soundings(rng))
    print("sample survey written to", root)
    dredged = os.path.join(os.path.dirname(root), "survey_dredged")
    os.makedirs(os.path.join(dredged, "Temp"), exist_ok=True)
    os.makedirs(os.path.join(dredged, "PM"), exist_ok=True)
    open(os.path.join(dredged, "PM", ".gitkeep"), "wb").close()
    positions, soundings = make_dredged(random.Random(20261207))
    write_lines(os.path.join(dredged, "Temp", "Raw_Pos.txt"), positions)
    write_lines(os.path.join(dredged, "Temp", "Raw_Dpt.txt"), soundings)
    write_lines(os.path.join(dredged, "Channel.txt"), channel_outline())
    print("dredged survey written to", dredged)


if __name__ == "__main__":
    main()
