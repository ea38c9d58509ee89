#!/usr/bin/env python3
"""Draws the robot silhouette of the threat scene: data/robot_image.raw.

Usage: make_robot_image.py OUT.raw [--png REVIEW.png]

The image is 256x256 bytes, one per pixel, row-major, white (255) on black
(0) with antialiased edges: a robot seen from the front with a Santa cap
that bends over to the left into a bobble, a blocky head with slanted eye
slits and a zigzag mouth cut out, spiked shoulders, a body that runs off the
bottom edge and a gun held out to the right, pointing right and up. The
scene draws its glowing eyes and flashing mouth behind the picture, so the
head must stay opaque over columns 109-153, rows 71-179 apart from the cut
holes. Standard library only; the same run always writes the same bytes.
"""
import math
import struct
import sys
import zlib

SIZE = 256
SUB = 4  # supersampling per axis: 17 grey levels along the edges
HI = SIZE * SUB


def bezier(p0, p1, p2, p3, t):
    u = 1.0 - t
    return tuple(u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d
                 for a, b, c, d in zip(p0, p1, p2, p3))


def circle(cx, cy, r, n=72):
    return [(cx + r * math.cos(2 * math.pi * k / n), cy + r * math.sin(2 * math.pi * k / n))
            for k in range(n)]


def tube(p0, p1, p2, p3, w0, w1, n=40):
    """A tapering band along a cubic curve, as discs joined by quads (a union,
    so the inner side of a tight bend never cuts a hole)."""
    pts = [bezier(p0, p1, p2, p3, k / n) for k in range(n + 1)]
    widths = [(w0 + (w1 - w0) * (k / n) ** 0.7) * 0.5 for k in range(n + 1)]
    polys = [circle(x, y, w, 36) for (x, y), w in zip(pts, widths)]
    for k in range(n):
        (xa, ya), (xb, yb) = pts[k], pts[k + 1]
        length = math.hypot(xb - xa, yb - ya) or 1.0
        nx, ny = -(yb - ya) / length, (xb - xa) / length
        wa, wb = widths[k], widths[k + 1]
        polys.append([(xa + nx * wa, ya + ny * wa), (xb + nx * wb, yb + ny * wb),
                      (xb - nx * wb, yb - ny * wb), (xa - nx * wa, ya - ny * wa)])
    return polys


def shapes():
    """(fill, polygon) pairs in drawing order; later cuts win over earlier fills."""
    out = []
    add = lambda poly: out.append((True, poly))
    cut = lambda poly: out.append((False, poly))

    def place(cx, cy, degrees, outline):
        g = math.radians(degrees)
        ux, uy = math.cos(g), math.sin(g)
        return [(cx + ux * a - uy * b, cy + uy * a + ux * b) for a, b in outline]

    # Body: a chest narrowing a little to the waist, then running off the
    # bottom edge, where it spans about columns 28-209.
    add([(62, 204), (192, 204), (198, 216), (194, 234), (209.5, 256.5), (27.5, 256.5),
         (44, 234), (40, 216)])
    # Round shoulder pads, each with three spikes leaning outwards.
    add(circle(54, 210, 18))
    add(circle(188, 210, 17))
    for base, tip in (((40, 204), (22, 176)), ((54, 194), (46, 164)), ((68, 196), (70, 170)),
                      ((200, 202), (210, 174)), ((188, 194), (194, 164)), ((174, 196), (172, 170))):
        bx, by = base
        dx, dy = tip[0] - bx, tip[1] - by
        length = math.hypot(dx, dy)
        nx, ny = -dy / length * 8, dx / length * 8
        add([(bx + nx, by + ny + 6), tip, (bx - nx, by - ny + 6)])
    # Neck.
    add([(112, 180), (150, 180), (154, 206), (108, 206)])
    # Blocky head with chamfered corners and ear bolts.
    add([(104, 66), (158, 66), (165, 73), (165, 177), (158, 184), (104, 184), (97, 177), (97, 73)])
    add([(91, 112), (98, 112), (98, 132), (91, 132)])
    add([(164, 112), (171, 112), (171, 132), (164, 132)])
    # Santa cap: a thick brim, then a cone that rises, bends over to the left
    # and hangs down, ending in a round bobble.
    for poly in tube((131, 60), (132, 14), (90, 8), (56, 50), 66, 8):
        add(poly)
    add([(93, 56), (169, 56), (173, 60), (173, 71), (169, 75), (93, 75), (89, 71), (89, 60)])
    add(circle(53, 58, 12))
    # Gun arm: the upper arm leaves the right shoulder, the forearm is held
    # out to the right with the fist at its end.
    for poly in tube((190, 216), (200, 228), (206, 226), (212, 218), 18, 14, 12):
        add(poly)
    add(circle(213, 217, 9))
    # The gun in the fist: a grip hanging below, a boxy body and a long
    # barrel rising to the right with a muzzle at its end; drawn stocky so
    # it reads at a glance.
    gun = lambda outline: place(213, 213, -30, [(a * 1.05, b * 1.45) for a, b in outline])
    add(gun([(-8, -11), (16, -11), (18, -4), (16, 6), (-8, 6)]))
    add(gun([(-5, 4), (4, 4), (1, 16), (-8, 16)]))
    add(gun([(14, -9), (35, -8), (35, 1), (14, 2)]))
    add(gun([(33, -10), (38, -10), (38, 3), (33, 3)]))
    add(gun([(0, -11), (8, -11), (8, -15), (0, -15)]))

    # Eye slits, slanted down towards the nose: an angry look.
    cut([(111, 112.5), (129, 118), (128, 124), (110, 118.5)])
    cut([(151, 112.5), (133, 118), (134, 124), (152, 118.5)])
    # Jagged zigzag mouth: a band that zigzags like a row of sharp teeth.
    top, bottom = [], []
    for k in range(9):
        x = 110 + 42 * k / 8
        up = 148.5 if k % 2 == 0 else 156
        top.append((x, up))
        bottom.append((x, up + 12 if k % 2 == 0 else up + 12.5))
    cut(top + bottom[::-1])
    return out


def spans(poly, y):
    """x intervals inside poly on the horizontal line y (even-odd rule)."""
    xs = []
    n = len(poly)
    for i in range(n):
        x0, y0 = poly[i]
        x1, y1 = poly[(i + 1) % n]
        if (y0 <= y < y1) or (y1 <= y < y0):
            xs.append(x0 + (y - y0) * (x1 - x0) / (y1 - y0))
    xs.sort()
    return list(zip(xs[0::2], xs[1::2]))


def render():
    ops = [(fill, [(x * SUB, y * SUB) for x, y in poly]) for fill, poly in shapes()]
    acc = [[0] * SIZE for _ in range(SIZE)]
    for sy in range(HI):
        row = bytearray(HI)
        yc = sy + 0.5
        for fill, poly in ops:
            value = 1 if fill else 0
            for a, b in spans(poly, yc):
                # subsample sx is covered when its centre sx + 0.5 lies in [a, b)
                lo = max(0, math.ceil(a - 0.5))
                hi = min(HI, math.ceil(b - 0.5))
                if hi > lo:
                    row[lo:hi] = bytes([value]) * (hi - lo)
        line = acc[sy // SUB]
        for px in range(SIZE):
            line[px] += sum(row[px * SUB:(px + 1) * SUB])
    full = SUB * SUB
    img = bytearray(SIZE * SIZE)
    for y in range(SIZE):
        for x in range(SIZE):
            img[y * SIZE + x] = (acc[y][x] * 255 + full // 2) // full
    return bytes(img)


def write_png(path, img):
    raw = b"".join(b"\x00" + img[y * SIZE:(y + 1) * SIZE] for y in range(SIZE))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 0, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def main(argv):
    if len(argv) not in (2, 4) or (len(argv) == 4 and argv[2] != "--png"):
        sys.stderr.write(__doc__)
        return 2
    img = render()
    with open(argv[1], "wb") as f:
        f.write(img)
    if len(argv) == 4:
        write_png(argv[3], img)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
