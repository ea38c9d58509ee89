#!/usr/bin/env python3
"""pictures.py - looks at the PNG pictures the Windows checks produce.

  pictures.py forest DIR         some picture in DIR (PNG, or XWD screenshots
                                 of an X display) shows the forest scene
  pictures.py same A.png B.png   the two pictures are identical
  pictures.py text A.png B.png   they differ only in glyph pixels of the text
                                 band (rows 150-300), and in few of them

Standard library only: PNG is read with zlib (8-bit RGB/RGBA, all filters).
"""
import glob
import os
import struct
import sys
import zlib


def read_png(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(path + ': not a PNG file')
    pos, idat, width, height, colour = 8, b'', 0, 0, 0
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b'IHDR':
            width, height, depth, colour = struct.unpack('>IIBB', body[:10])
            if depth != 8 or colour not in (2, 6):
                raise ValueError(path + ': not 8-bit RGB or RGBA')
        elif kind == b'IDAT':
            idat += body
    bpp = 3 if colour == 2 else 4
    stride = width * bpp
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = previous[x]
            c = previous[x - bpp] if x >= bpp else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, bpp)])
        previous = line
    return width, height, rows


def read_xwd(path):
    """An X window dump of a TrueColor screen (xwd -root), as RGB rows."""
    data = open(path, 'rb').read()
    fields = struct.unpack('>25I', data[:100])
    header, width, height = fields[0], fields[4], fields[5]
    lsb_first, bits, stride, ncolours = fields[7] == 0, fields[11], fields[12], fields[19]
    masks = fields[14:17]
    size = bits // 8
    if size not in (3, 4):
        raise ValueError(path + ': %d bits per pixel' % bits)
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    start = header + ncolours * 12
    rows = []
    for y in range(height):
        line = data[start + y * stride:start + y * stride + width * size]
        row = []
        for x in range(0, width * size, size):
            value = int.from_bytes(line[x:x + size], 'little' if lsb_first else 'big')
            row.append(tuple((value & m) >> s for m, s in zip(masks, shifts)))
        rows.append(row)
    return width, height, rows


def read_picture(path):
    return read_xwd(path) if path.endswith('.xwd') else read_png(path)


def band_mean(rows, y0, y1):
    total, n = [0, 0, 0], 0
    for row in rows[y0:y1]:
        for pixel in row:
            for i in range(3):
                total[i] += pixel[i]
            n += 1
    return [t / max(n, 1) for t in total]


def looks_like_forest(path):
    """Night sky above (blue over red), earth below (red over blue)."""
    width, height, rows = read_picture(path)
    if height < 200:
        return False
    sky = band_mean(rows, 0, height // 5)
    earth = band_mean(rows, height * 3 // 5, height * 4 // 5)
    return sky[2] > sky[0] + 20 and earth[0] > earth[2] + 10 and sum(earth) / 3 > 30


def forest(folder):
    shots = sorted(glob.glob(os.path.join(folder, '*.png')) +
                   glob.glob(os.path.join(folder, '*.xwd')))
    seen = [s for s in shots if looks_like_forest(s)]
    print('%d of %d screenshots show the forest' % (len(seen), len(shots)))
    if not seen:
        print('FAIL: the forest was never on the screen')
    return bool(seen)


def differences(a, b):
    wa, ha, ra = read_png(a)
    wb, hb, rb = read_png(b)
    if (wa, ha) != (wb, hb):
        raise ValueError('%s is %dx%d, %s is %dx%d' % (a, wa, ha, b, wb, hb))
    return [(x, y) for y in range(ha) for x in range(wa) if ra[y][x] != rb[y][x]]


def main(argv):
    if len(argv) == 3 and argv[1] == 'forest':
        return 0 if forest(argv[2]) else 1
    if len(argv) == 4 and argv[1] in ('same', 'text'):
        diff = differences(argv[2], argv[3])
        print('%s vs %s: %d pixels differ' % (argv[2], argv[3], len(diff)))
        if argv[1] == 'same':
            return 0 if not diff else 1
        outside = [(x, y) for x, y in diff if not 150 <= y < 300]
        if outside or len(diff) > 2000:
            print('FAIL: %d differ outside the text band' % len(outside))
            return 1
        return 0
    print(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
