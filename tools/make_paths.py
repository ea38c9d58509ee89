#!/usr/bin/env python3
"""Writes the 23 recorded animation paths: data/paths.bin.

Usage: make_paths.py OUT.bin [--report]

Layout: 23 paths x 500 points, each point two little-endian signed 16-bit
values (x, y), the paths one after another (46,000 bytes). Points are
samples every 100 ms; scenes turn joints and cameras by (x - 320, y - 240)
degrees. Each path has a recorded part (148 to 173 points) whose count,
first point, last point and x/y ranges are fixed by RECORDINGS below; the
points after it are (0, 0).

The motion is composed as a little story, then fitted to those fixed facts:
  paths 0-13 (walk scene, live from the song's start for 128 rows ~ 14 s,
  hidden under the fade-in until ~3.5 s): the robot walks away, turns round,
  marches towards the camera with hips and knees in counter-phase and arms
  swinging against the legs, stops and talks, turned to the camera ("ho ho
  ho, humans! i am the robot") leaning back to laugh, squats and jumps on
  "enter the compo", then points at the viewer on "or the robot..."; the
  camera glides after it.
  paths 14-22 (talk scene, live from order 3 for ~17.9 s): the robot stands
  back on the slope below the camera, turned to it, gesturing with arms and
  head while it speaks (order 3 at points 0-36, order 5 at 52-91); orders 4
  and 6 hide the scene, and there the recording reaches its extremes; order
  7 (points 153-172) opens with a wide-mouthed shout straight into the scope,
  then the robot looks up into it. The camera keeps its chest in the
  crosshair until the recording ends.
--report prints, for the scenes' cameras, where the robot's head lands on
the 640x480 screen at a few moments (a check that the camera keeps it in
view). Standard library only; the same run always writes the same bytes.
"""
import math
import struct
import sys

POINTS = 500
RATE = 10.0  # points per second
ROW_POINTS = 6 * 2.5 / 136 * RATE  # one song row (speed 6, 136 BPM) in points

# path: (recorded points, first, last, (x min, x max), (y min, y max))
RECORDINGS = [
    (153, (214, 473), (400, 468), (214, 400), (345, 473)),
    (150, (446, 294), (322, 255), (308, 446), (244, 294)),
    (160, (38, 33), (435, 392), (0, 478), (11, 392)),
    (155, (144, 248), (314, 248), (144, 418), (209, 283)),
    (155, (305, 246), (333, 231), (265, 344), (213, 248)),
    (155, (245, 187), (285, 239), (215, 361), (183, 272)),
    (157, (309, 244), (363, 251), (290, 411), (203, 297)),
    (155, (312, 224), (307, 198), (307, 315), (154, 224)),
    (154, (314, 185), (313, 161), (293, 333), (84, 233)),
    (154, (318, 225), (293, 249), (293, 325), (166, 322)),
    (148, (325, 235), (340, 246), (323, 360), (160, 349)),
    (157, (316, 240), (326, 243), (304, 333), (208, 350)),
    (153, (310, 242), (328, 230), (300, 333), (194, 347)),
    (152, (320, 240), (636, 291), (274, 639), (142, 387)),
    (173, (292, 262), (280, 298), (280, 297), (261, 321)),
    (173, (217, 255), (186, 200), (154, 271), (188, 255)),
    (173, (308, 231), (317, 214), (282, 362), (213, 268)),
    (173, (313, 231), (314, 199), (267, 358), (199, 256)),
    (173, (285, 245), (282, 234), (203, 341), (151, 292)),
    (173, (326, 238), (350, 243), (297, 382), (195, 309)),
    (173, (308, 188), (311, 186), (305, 322), (158, 248)),
    (173, (313, 177), (314, 224), (299, 336), (150, 233)),
    (173, (314, 236), (320, 246), (237, 377), (191, 398)),
]


# ---------------------------------------------------------------- helpers

class Rand:
    """The C runtime's generator, so the jitter is the same everywhere."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 214013 + 2531011) & 0xFFFFFFFF
        return (self.state >> 16) & 0x7FFF

    def unit(self):
        return self.next() / 32767.0 * 2.0 - 1.0


def smooth_noise(seed, n, spacing, amp):
    """Hand tremor: random values every `spacing` points, cubic-smoothed."""
    r = Rand(seed)
    knots = [r.unit() * amp for _ in range(int(n / spacing) + 4)]
    out = []
    for t in range(n):
        u = t / spacing
        i = int(u)
        f = u - i
        p0, p1, p2, p3 = knots[i], knots[i + 1], knots[i + 2], knots[i + 3]
        out.append(p1 + 0.5 * f * (p2 - p0 + f * (2 * p0 - 5 * p1 + 4 * p2 - p3 + f * (3 * (p1 - p2) + p3 - p0))))
    return out


def keyed(keys, t):
    """Catmull-Rom through (time, value) keys; constant outside them."""
    if t <= keys[0][0]:
        return keys[0][1]
    if t >= keys[-1][0]:
        return keys[-1][1]
    i = 0
    while keys[i + 1][0] < t:
        i += 1
    t0, v0 = keys[max(i - 1, 0)]
    t1, v1 = keys[i]
    t2, v2 = keys[i + 1]
    t3, v3 = keys[min(i + 2, len(keys) - 1)]
    f = (t - t1) / (t2 - t1)
    # tangents scaled for uneven key spacing, flat at the ends
    m1 = 0.0 if i == 0 else (v2 - v0) / (t2 - t0) * (t2 - t1)
    m2 = 0.0 if i + 2 >= len(keys) else (v3 - v1) / (t3 - t1) * (t2 - t1)
    f2, f3 = f * f, f * f * f
    return ((2 * f3 - 3 * f2 + 1) * v1 + (f3 - 2 * f2 + f) * m1
            + (-2 * f3 + 3 * f2) * v2 + (f3 - f2) * m2)


def ramp(t, t0, t1):
    """0 before t0, 1 after t1, smooth in between."""
    if t <= t0:
        return 0.0
    if t >= t1:
        return 1.0
    u = (t - t0) / (t1 - t0)
    return u * u * (3 - 2 * u)


def talk_beats(rows, order_start, width=1.4):
    """Pulses at the song rows where a syllable falls, in points from the
    path's start: the gestures land on the words."""
    times = [order_start + r * ROW_POINTS for r in rows]

    def pulse(t):
        return sum(math.exp(-((t - c - 0.8) / width) ** 2) for c in times)
    return pulse


def fit(values, first, last, lo, hi, hold, ease=15):
    """Bend a designed curve onto its recorded facts: exact first and last
    value (the first held for `hold` points and eased into the design over
    `ease`), exact minimum and maximum, keeping the shape (a monotone
    piecewise-linear remap). A designed overshoot past an end point that is
    also the extreme is clipped."""
    n = len(values)
    v = list(values)
    d0, d1 = first - v[hold], last - v[-1]
    # Corrections stay local to the ends, so the middle keeps its design.
    for t in range(n):
        v[t] += d0 * (1 - ramp(t, hold, hold + ease)) + d1 * ramp(t, n - 16, n - 1)
    for t in range(hold):
        v[t] = v[hold]
    v[-1] = last
    knots = {first: first, last: last}
    src_lo, src_hi = min(v), max(v)
    if lo < min(first, last):
        if src_lo >= min(first, last):
            raise ValueError("design never goes below its end points")
        knots[src_lo] = lo
    if hi > max(first, last):
        if src_hi <= max(first, last):
            raise ValueError("design never goes above its end points")
        knots[src_hi] = hi
    keys = sorted(knots.items())
    out = []
    for x in v:
        if x <= keys[0][0]:
            y = keys[0][1]
        elif x >= keys[-1][0]:
            y = keys[-1][1]
        else:
            i = 0
            while keys[i + 1][0] < x:
                i += 1
            (s0, t0), (s1, t1) = keys[i], keys[i + 1]
            y = t0 + (x - s0) * (t1 - t0) / (s1 - s0)
        out.append(min(hi, max(lo, int(math.floor(y + 0.5)))))
    return out


# ---------------------------------------------------------------- the walk

WALK_ORDER1 = 128 * 0 + 64 * ROW_POINTS  # order 1 starts here (points)
HOLD = 4
# The walk is on screen for orders 0 and 1 (128 rows, ~141 points); the
# camera holds its last framing a few points longer, since the scene ends
# when the song is heard to get there.
EYE_LEAVES = 148


def walk_phase(t):
    """Walking phase in radians: one full leg cycle every two beats while
    marching, slower while stepping away or turning, none while standing."""
    beat = 2 * math.pi / (8 * ROW_POINTS)  # a full cycle spans 8 rows = 2 beats
    speed = (0.55 * ramp(t, HOLD, 9) * (1 - ramp(t, 18, 22))
             + 0.6 * ramp(t, 20, 24) * (1 - ramp(t, 33, 37))
             + 1.0 * ramp(t, 34, 38) * (1 - ramp(t, 72, 80)))
    return speed * beat


def integrate(rate_fn, n):
    acc, out = 0.0, []
    for t in range(n):
        out.append(acc)
        acc += rate_fn(t)
    return out


def walk_paths():
    n = 170
    phase = integrate(walk_phase, n)
    walking = [min(1.0, walk_phase(t) / (2 * math.pi / (8 * ROW_POINTS))) for t in range(n)]
    o1 = WALK_ORDER1
    talk1 = talk_beats([0, 3, 5, 8, 10, 16, 19, 21, 24, 26, 32, 35, 37, 40, 42, 45, 47, 50, 52], o1)
    squat = lambda t: math.exp(-((t - (o1 + 31)) / 2.2) ** 2)    # crouch before the jump
    air = lambda t: math.exp(-((t - (o1 + 36.5)) / 1.8) ** 2)     # in the air, on "NOW"
    land = lambda t: math.exp(-((t - (o1 + 41)) / 1.6) ** 2)      # landing crouch
    laugh = lambda t: ramp(t, o1 - 1, o1 + 2) * (1 - ramp(t, o1 + 11, o1 + 15))
    wide = lambda t: ramp(t, o1 + 16, o1 + 19) * (1 - ramp(t, o1 + 27, o1 + 30))
    point = lambda t: ramp(t, o1 + 47, o1 + 50) * (1 - ramp(t, o1 + 62, o1 + 68))
    paths = {}

    # Path 2, body place in the ground plane: a few steps away from the
    # camera, the turn, the march to the right and forwards, the jump back
    # in towards the middle.
    place_x = [(0, 38), (HOLD, 38), (20, 2), (34, 8), (50, 200), (66, 400), (76, 470),
               (o1 + 31, 474), (o1 + 41, 438), (150, 430), (169, 435)]
    place_y = [(0, 33), (HOLD, 33), (20, 12), (34, 30), (50, 120), (66, 230), (76, 300),
               (o1 + 31, 312), (o1 + 41, 380), (150, 390), (169, 392)]
    sway = lambda t: math.sin(phase[t]) * 3.0 * walking[t]
    paths[2] = ([keyed(place_x, t) + sway(t) for t in range(n)],
                [keyed(place_y, t) - sway(t) for t in range(n)])

    # Path 3, torso: faces away, turns round through the camera, looks to
    # the right while marching, faces the viewer to talk; leans back to
    # laugh, bows into the squat, twists with each step.
    yaw = [(0, -176), (20, -170), (26, -120), (34, 30), (40, 70), (48, 95), (58, 60),
           (72, 40), (78, 5), (o1 + 20, -4), (o1 + 40, 8), (o1 + 52, -14), (169, -6)]
    pitch = [(0, 8), (34, 10), (72, 6), (o1, 6), (o1 + 5, -30), (o1 + 12, -22), (o1 + 17, 4),
             (o1 + 31, 42), (o1 + 36, -12), (o1 + 41, 30), (o1 + 46, 4), (169, 8)]
    paths[3] = ([320 + keyed(yaw, t) + 6 * math.sin(phase[t]) * walking[t] for t in range(n)],
                [240 + keyed(pitch, t) + 3 * math.sin(2 * phase[t]) * walking[t]
                 + 4 * math.sin(t * 2.2) * laugh(t) for t in range(n)])

    # Path 4, head: looks about while walking, nods on the syllables, shakes
    # with the laugh.
    head_yaw = [(0, -15), (20, -30), (34, -5), (50, 20), (66, -20), (o1, 0), (o1 + 20, 10),
                (o1 + 44, -8), (o1 + 56, 15), (169, 13)]
    paths[4] = ([320 + keyed(head_yaw, t) + 6 * math.sin(t * 1.9) * laugh(t) for t in range(n)],
                [240 + 6 - 2 * math.cos(2 * phase[t]) * walking[t] - 28 * laugh(t) + 6 * talk1(t)
                 - 8 * ramp(t, 150, 169) for t in range(n)])

    # Paths 5 and 6, shoulders (turn B: x spreads the arm sideways, y swings
    # it forwards and back); each arm swings against its own side's leg.
    hip_swing = lambda t, side: math.sin(phase[t] + side * math.pi)
    for pid, side, out in ((5, 0, -1), (6, 1, 1)):
        spread = (14 + 45 * laugh(t) + 50 * wide(t) + 20 * squat(t) + 60 * air(t)
                  for t in range(n))
        spread = list(spread)
        # On landing both arms swing in across the chest for balance.
        xs = [320 + out * (spread[t] + 6 * talk1(t)) + (10 * out * point(t) if side else 0)
              - out * (95 if side == 0 else 55) * land(t) for t in range(n)]
        ys = [240 + 30 * hip_swing(t, side) * walking[t]
              - (85 * point(t) if side else 25 * point(t))
              - 30 * laugh(t) - 40 * air(t) + 25 * squat(t) - 10 * talk1(t) * (1 - point(t))
              for t in range(n)]
        if side == 0:
            xs = [x - 40 * (1 - ramp(t, HOLD, 14)) for t, x in enumerate(xs)]
            ys = [y - 40 * (1 - ramp(t, HOLD, 14)) - 20 * air(t) for t, y in enumerate(ys)]
        paths[pid] = (xs, ys)

    # Paths 7 and 8, elbows: bent a little while walking (more on the
    # forward swing), flexed for the laugh, the right one raised to aim.
    for pid, side in ((7, 0), (8, 1)):
        xs = [320 + (2 if side == 0 else 10) * math.sin(t * 0.5) + 5 * wide(t) for t in range(n)]
        ys = [240 - 30 - 15 * (0.5 + 0.5 * hip_swing(t, 1 - side)) * walking[t]
              - 40 * laugh(t) - (20 if side == 0 else 60) * wide(t)
              - (0 if side == 0 else 90) * air(t) - 15 * talk1(t)
              + (0 if side == 0 else 75) * point(t) for t in range(n)]
        paths[pid] = (xs, ys)

    # Paths 9-12, hips and knees: the legs swing in counter-phase; a knee
    # bends while its leg swings through; both fold deep for the squat and
    # the landing, and stretch back in the air.
    for pid, side in ((9, 0), (10, 1)):
        xs = [320 + (3 if side == 0 else 12) * math.sin(phase[t] * 0.5 + side)
              + (30 if side else -5) * squat(t) for t in range(n)]
        ys = [240 - 34 * hip_swing(t, side) * walking[t] - 80 * squat(t) - 60 * land(t)
              + (70 if side == 0 else 95) * air(t) for t in range(n)]
        paths[pid] = (xs, ys)
    for pid, side in ((11, 0), (12, 1)):
        xs = [320 + (4 if side == 0 else 5) * math.sin(t * 0.3 + side) for t in range(n)]
        swing = [max(0.0, math.sin(phase[t] + side * math.pi + 1.2)) for t in range(n)]
        ys = [240 + 2 + 55 * swing[t] ** 1.5 * walking[t] + 108 * squat(t) + 85 * land(t)
              - (30 if side == 0 else 44) * air(t) for t in range(n)]
        paths[pid] = (xs, ys)

    # Path 13, body height (y): bobs with every step, sinks into the squat,
    # rises into the jump. x is unused by the scene and drifts with the
    # recording hand.
    drift = [(0, 320), (HOLD, 320), (14, 282), (60, 420), (100, 560), (140, 650), (152, 636)]
    paths[13] = ([keyed(drift, t) + 8 * math.sin(t * 0.3) for t in range(n)],
                 [240 - 6 * abs(math.sin(phase[t])) * walking[t] + 145 * squat(t) - 100 * air(t)
                  + 110 * land(t) + 50 * ramp(t, 120, 150) for t in range(n)])

    # Paths 0 and 1, camera place and turn: swings in from a high angle
    # while the scene is still black, glides along behind the marching
    # robot, moves in close while it talks and pulls back out for the jump.
    # The eye stands 25 units up and the hills reach 25.5, so it is keyed
    # by where it stands on the ground (world x, z: the scene puts it at
    # half the path's offset from (320, 240)) and keeps to low ground: down
    # the western slope, across the saddle at z ~ 53 (as near as the
    # recording comes to the robot), back out over the hollow at x ~ 20.
    # The recording ends on the eastern ridge (40, 114), which the eye
    # only climbs once the walk is off screen.
    eye_x = [(0, -53), (HOLD, -53), (30, -45), (44, -35), (56, -29), (66, -16), (76, 4),
             (o1 + 15, 24), (o1 + 25, 27), (o1 + 40, 21), (o1 + 50, 20), (140, 22),
             (EYE_LEAVES, 23), (152, 40)]
    eye_z = [(0, 116.5), (HOLD, 116.5), (30, 100), (44, 84), (56, 66), (66, 55), (76, 54),
             (o1 + 15, 53), (o1 + 25, 53.5), (o1 + 40, 78), (o1 + 50, 95), (140, 103),
             (EYE_LEAVES, 104), (152, 114)]
    cam_x = [(t, 320 + 2 * x) for t, x in eye_x]
    cam_y = [(t, 240 + 2 * z) for t, z in eye_z]
    paths[0] = ([keyed(cam_x, t) for t in range(n)], [keyed(cam_y, t) for t in range(n)])

    # While it talks (order 1's rows 0-52, points 67-128 by either timing)
    # the robot turns body and head to face the camera, keeping a little of
    # its designed twist.
    for t in range(n):
        w = ramp(t, 60, 66) * (1 - ramp(t, 130, 136))
        robot = (paths[2][0][t] * 0.2 + 8 - 56, paths[2][1][t] * 0.2 - 48)
        eye = ((paths[0][0][t] - 320) * 0.5, (paths[0][1][t] - 240) * 0.5)
        face = math.degrees(math.atan2(eye[0] - robot[0], eye[1] - robot[1]))
        body = paths[3][0][t] - 320
        want = face - (paths[4][0][t] - 320) + 0.3 * (body - keyed(yaw, t))
        paths[3][0][t] = 320 + body + w * (want - body)
    return paths


# ---------------------------------------------------------------- the talk

ORDER3 = 0.0
ORDER5 = 33 * ROW_POINTS + 17 * ROW_POINTS - 32 * ROW_POINTS  # row 0 of order 5's pattern
ORDER6 = ORDER5 + 64 * ROW_POINTS
ORDER7 = ORDER6 + 64 * ROW_POINTS


# The scene is on screen for order 3 (points 0-36), order 5 from row 32
# (52-91) and order 7 to row 16 (153-172); a display that hands out whole
# milliseconds runs the paths up to 4 % slow against the song, so each
# window covers both timings. Order 4 and order 6 (37-52, 91-153) show other
# scenes: there the recording reaches the extremes its facts require.
TALK_HIDDEN = (98, 146)
TALK_HOLD = 0  # the first point is the recording's; the design starts at the next


def talk_paths():
    n = 190
    words = talk_beats([0, 3, 5, 8, 10, 16, 19, 21, 24, 26], ORDER3)
    words5 = talk_beats([32, 35, 37, 40, 42, 45, 47, 50, 52], ORDER5)
    speech = lambda t: words(t) + words5(t)
    # "NOW!" lands on points 155-161 (by the display's timing): the shout
    # pose holds across both, then the robot looks up into the scope.
    shout = lambda t: ramp(t, 150, 154) * (1 - ramp(t, 163, 167))
    look_up = lambda t: ramp(t, 163, 171)
    phrase1 = lambda t: ramp(t, 2, 7) * (1 - ramp(t, 14, 17))        # "I am the robot"
    phrase2 = lambda t: ramp(t, 16, 19) * (1 - ramp(t, 31, 36))      # "humans, enter it"
    phrase3 = lambda t: ramp(t, ORDER5 + 34, ORDER5 + 36) * (1 - ramp(t, ORDER5 + 46, ORDER5 + 48))
    phrase4 = lambda t: ramp(t, ORDER5 + 47, ORDER5 + 49) * (1 - ramp(t, ORDER5 + 60, ORDER5 + 66))
    hidden = lambda t: ramp(t, ORDER6 + 2, ORDER6 + 12) * (1 - ramp(t, ORDER7 - 14, ORDER7 - 3))
    h0, h1 = TALK_HIDDEN
    hm = (h0 + h1) / 2
    paths = {}

    # Path 15, body place: stands back on the slope below the camera, far
    # enough for the whole robot to fit the frame, shifts its weight on the
    # phrases; wanders off while the scene is hidden; steps in for the shout.
    px = [(0, 168), (16, 165), (30, 171), (ORDER5 + 36, 168), (ORDER5 + 52, 164), (92, 168),
          (h0, 168), (h0 + 10, 154), (hm + 6, 271), (h1, 172), (150, 172), (160, 178), (172, 186)]
    py = [(0, 194), (18, 192), (32, 196), (ORDER5 + 40, 194), (92, 194), (h0, 194),
          (h0 + 12, 188), (hm + 10, 230), (h1, 196), (150, 196), (172, 200)]
    paths[15] = ([keyed(px, t) for t in range(n)], [keyed(py, t) for t in range(n)])
    # Path 22, body height (y): raised, bouncing on the words; sinks while
    # hidden and crouches after the shout. x is unused by the scene.
    lift = [(0, 197), (92, 197), (h0, 197), (hm - 6, 398), (h1, 200), (152, 200), (162, 206),
            (172, 246)]
    paths[22] = ([314 + 60 * math.sin(t * 0.05) * ramp(t, 5, 40) for t in range(n)],
                 [keyed(lift, t) - 6 * speech(t) * (t < 100) for t in range(n)])
    # Path 16, torso: turned towards the camera, bows into each phrase; leans
    # back for the shout and further to look up.
    body_x = [(0, 344), (92, 344), (h0, 344), (h0 + 8, 282), (hm + 8, 362), (h1, 338),
              (152, 336), (172, 317)]
    body_y = [(0, 238), (92, 238), (h0, 238), (h0 + 14, 268), (hm + 14, 213), (h1, 236),
              (150, 236), (157, 226), (165, 224), (172, 214)]
    paths[16] = ([keyed(body_x, t) + 8 * phrase2(t) - 8 * phrase4(t) for t in range(n)],
                 [keyed(body_y, t) + 5 * speech(t) + 6 * phrase2(t) - 4 * phrase4(t)
                  for t in range(n)])
    # Path 17, head: lifted to the camera above, tilts and nods on every
    # syllable, looks up into the scope at the end.
    neck_x = [(0, 328), (92, 328), (h0, 328), (h0 + 18, 267), (hm + 18, 358), (h1, 326),
              (152, 324), (172, 314)]
    neck_y = [(0, 224), (92, 224), (h0, 224), (h0 + 4, 256), (hm + 4, 199), (h1, 222),
              (152, 220), (158, 214), (164, 212), (172, 199)]
    paths[17] = ([keyed(neck_x, t) + 10 * math.sin(t * 0.23) * (phrase1(t) + phrase3(t))
                  - 12 * phrase2(t) + 12 * phrase4(t) for t in range(n)],
                 [keyed(neck_y, t) + 8 * speech(t) for t in range(n)])
    # Paths 18-21, arms: the left arm opens on "I am the robot" and beats
    # time; the right (gun) arm swings up and aims on "or the robot"; both
    # fly up for the shout.
    paths[18] = ([285 - 40 * phrase1(t) - 30 * speech(t) * (1 - phrase4(t)) - 60 * hidden(t)
                  + 50 * shout(t) + 10 * phrase4(t) for t in range(n)],
                 [245 - 30 * phrase1(t) - 20 * phrase2(t) - 25 * speech(t) + 40 * hidden(t)
                  - 90 * shout(t) + 20 * look_up(t) for t in range(n)])
    paths[19] = ([326 + 35 * phrase2(t) + 20 * speech(t) + 50 * hidden(t) - 25 * shout(t)
                  + 10 * phrase4(t) + 24 * look_up(t) for t in range(n)],
                 [238 - 20 * phrase2(t) - 15 * speech(t) - 60 * phrase4(t) + 70 * hidden(t)
                  - 40 * shout(t) for t in range(n)])
    paths[20] = ([308 + 8 * phrase1(t) + 6 * math.sin(t * 0.4) * hidden(t) for t in range(n)],
                 [188 - 30 * phrase1(t) - 20 * speech(t) + 60 * hidden(t) - 30 * shout(t)
                  for t in range(n)])
    paths[21] = ([313 + 12 * phrase4(t) - 10 * phrase2(t) + 10 * hidden(t) for t in range(n)],
                 [177 + 25 * phrase4(t) - 25 * phrase2(t) - 12 * speech(t) + 55 * hidden(t)
                  + 20 * look_up(t) for t in range(n)])
    return paths


# ---------------------------------------------------------------- cameras

def look_angles(eye, target):
    """(yaw, pitch) in degrees that make the scenes' camera rotation
    (pitch about x after yaw about y, looking down -z) face target."""
    dx, dy, dz = (target[i] - eye[i] for i in range(3))
    yaw = math.degrees(math.atan2(dx, -dz))
    horizontal = math.hypot(dx, dz)
    pitch = math.degrees(math.atan2(-dy, horizontal))
    return yaw, pitch


def follow(values, k):
    """A camera operator's lag: each point moves a fraction k towards the
    wanted angle."""
    out, cur = [], values[0]
    for v in values:
        cur += k * (v - cur)
        out.append(cur)
    return out


def walk_camera(table, n=170):
    """Path 1: swings in from a high angle under the fade, then follows the
    marching robot's chest."""
    yaw, pitch = [], []
    for t in range(n):
        place, lift, cam = table[2][t], table[13][t], table[0][t]
        eye = ((cam[0] - 320) * 0.5, 25.0, (cam[1] - 240) * 0.5)
        chest = (place[0] * 0.2 + 8 - 56, 41 - lift[1] * 0.1 + 9, place[1] * 0.2 - 48)
        y, p = look_angles(eye, chest)
        yaw.append(y)
        pitch.append(p)
    yaw, pitch = follow(yaw, 0.3), follow(pitch, 0.3)
    swing = [1 - ramp(t, HOLD, 40) for t in range(n)]
    return ([320 + yaw[t] * (1 - swing[t]) + 126 * swing[t] for t in range(n)],
            [240 + pitch[t] * (1 - swing[t]) + 54 * swing[t] for t in range(n)])


def talk_camera(table, n=190):
    """Path 14: stands above the robot and turns to keep its chest in the
    crosshair, a little late, as a hand-held camera would. The recording
    only turns 280-297 and 261-321 (yaw -40 to -23, pitch 21 to 81 degrees
    down); it reaches those ends while the scene is hidden."""
    count, first, last, (x_lo, x_hi), (y_lo, y_hi) = RECORDINGS[14]
    yaw, pitch = [], []
    for t in range(n):
        # Point 0 only shapes the start of the curve: aim from point 1 on.
        at = min(max(t, 1), 172)
        place, lift = table[15][at], table[22][at]
        height = 45.0 if t < sum(TALK_HIDDEN) / 2 else 80.0
        chest = (place[0] * 0.2 + 8, 41 - lift[1] * 0.1 + 6, place[1] * 0.2 - 48)
        y, p = look_angles((60.0, height, 20.0), chest)
        yaw.append(y)
        pitch.append(p)
    yaw, pitch = follow(yaw, 0.5), follow(pitch, 0.5)
    xs = [min(x_hi, max(x_lo, 320 + y)) for y in yaw]
    ys = [min(y_hi, max(y_lo, 240 + p)) for p in pitch]
    h0, h1 = TALK_HIDDEN
    for t in range(h0, h1 + 1):  # the excursions, eased in and out
        w = math.sin(math.pi * (t - h0) / (h1 - h0))
        xs[t] += w * ((x_lo if t < (h0 + h1) / 2 else x_hi) - xs[t])
        ys[t] += w * ((y_hi if t < (h0 + h1) / 2 else y_lo) - ys[t])
    # The last framing is the recording's: the camera settles onto it.
    end = [ramp(t, 160, 172) for t in range(n)]
    return ([x + (last[0] - x) * end[t] for t, x in enumerate(xs)],
            [y + (last[1] - y) * end[t] for t, y in enumerate(ys)])


# ---------------------------------------------------------------- output

def build():
    designed = {}
    designed.update(walk_paths())
    designed.update(talk_paths())
    table = [None] * len(RECORDINGS)

    def record(pid):
        count, first, last, xr, yr = RECORDINGS[pid]
        xs, ys = designed[pid]
        jitter_x = smooth_noise(1000 + pid, count, 3.0, 1.2)
        jitter_y = smooth_noise(2000 + pid, count, 3.0, 1.2)
        rx = [xs[t] + jitter_x[t] for t in range(count)]
        ry = [ys[t] + jitter_y[t] for t in range(count)]
        try:
            hold, ease = (TALK_HOLD, 1) if pid >= 14 else (HOLD, 15)
            fx = fit(rx, first[0], last[0], xr[0], xr[1], hold, ease)
            fy = fit(ry, first[1], last[1], yr[0], yr[1], hold, ease)
        except ValueError as e:
            raise ValueError("path %d: %s" % (pid, e))
        table[pid] = list(zip(fx, fy)) + [(0, 0)] * (POINTS - count)

    # The cameras are aimed at where the fitted robot actually is.
    for pid in range(len(RECORDINGS)):
        if pid not in (1, 14):
            record(pid)
    designed[1] = walk_camera(table)
    designed[14] = talk_camera(table)
    record(1)
    record(14)
    return table


def check(table):
    for pid, (count, first, last, xr, yr) in enumerate(RECORDINGS):
        pts = table[pid]
        rec = pts[:count]
        assert rec[0] == first and rec[-1] == last, pid
        assert (min(p[0] for p in rec), max(p[0] for p in rec)) == xr, (pid, 'x')
        assert (min(p[1] for p in rec), max(p[1] for p in rec)) == yr, (pid, 'y')
        assert all(p == (0, 0) for p in pts[count:]), pid


def rot_x(v, a):
    c, s = math.cos(math.radians(a)), math.sin(math.radians(a))
    return (v[0], c * v[1] - s * v[2], s * v[1] + c * v[2])


def rot_y(v, a):
    c, s = math.cos(math.radians(a)), math.sin(math.radians(a))
    return (c * v[0] + s * v[2], v[1], -s * v[0] + c * v[2])


def screen(v):
    f = 1 / math.tan(math.radians(22.5))
    if v[2] > -1:
        return None
    return (round((f / (4 / 3) * v[0] / -v[2] + 1) * 320), round((1 - f * v[1] / -v[2]) * 240))


def report(table):
    def at(pid, t):
        return table[pid][int(t)]
    print("walk scene: robot head on screen (visible from point ~35)")
    for t in range(30, 145, 8):
        place, lift, turn, cam = at(2, t), at(13, t), at(1, t), at(0, t)
        head = (place[0] * 0.2 + 8 - 56, 41 - lift[1] * 0.1 + 13, place[1] * 0.2 - 48)
        v = (head[0] + (320 - cam[0]) * 0.5, head[1] - 25, head[2] + (240 - cam[1]) * 0.5)
        v = rot_x(rot_y(v, turn[0] - 320), turn[1] - 240)
        print("  point %3d head %s dist %.0f" % (t, screen(v), math.sqrt(sum(c * c for c in v))))
    print("talk scene: robot head on screen")
    for t in list(range(0, 37, 6)) + list(range(56, 91, 6)) + list(range(161, 180, 3)):
        place, lift, turn = at(15, t), at(22, t), at(14, t)
        shift = -45 if t < ORDER7 else -80
        head = (place[0] * 0.2 + 8, 41 - lift[1] * 0.1 + 13, place[1] * 0.2 - 48)
        v = (head[0] - 60, head[1] + shift, head[2] - 20)
        v = rot_x(rot_y(v, turn[0] - 320), turn[1] - 240)
        print("  point %3d head %s" % (t, screen(v)))


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write(__doc__)
        return 2
    table = build()
    check(table)
    with open(argv[1], "wb") as f:
        for pts in table:
            f.write(b"".join(struct.pack("<hh", x, y) for x, y in pts))
    if len(argv) == 3 and argv[2] == "--report":
        report(table)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
