# frame_compare.py - reads the 8-bit RGB and RGBA PNG files frostmere-capture
# and the page write (zlib only; no imaging library on the test machines)
# and measures how far two frames are apart:
#   rgb = png_rgb(path)              # width, height, bytes of R, G, B rows
#   d = frame_difference(a, b)      # {'mean': ..., 'over': fraction, 'blocks': ...}
import struct
import zlib

OVER = 24  # a channel this far apart is a pixel drawn differently, not rounding
BLOCK = 16  # the side of the squares whose average colours 'blocks' compares


def png_rgb(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(f'{path}: not a PNG file')
    at, idat, width = 8, [], 0
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b'IHDR':
            width, height, depth, color, _, _, interlace = struct.unpack('>IIBBBBB', body)
            if depth != 8 or color not in (2, 6) or interlace:
                raise ValueError(f'{path}: only 8-bit RGB or RGBA, not interlaced')
            bpp = 3 if color == 2 else 4
        elif kind == b'IDAT':
            idat.append(body)
        at += 12 + length
    raw = zlib.decompress(b''.join(idat))
    stride = width * bpp
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 255
        elif kind == 2:
            line = bytearray((a + b) & 255 for a, b in zip(line, previous))
        elif kind == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 255
        elif kind == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b = previous[i]
                c = previous[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    pixels = b''.join(rows)
    if bpp == 4:
        pixels = bytes(b for i, b in enumerate(pixels) if i % 4 != 3)
    return width, height, pixels


def block_averages(rgb):
    # The average colour of each BLOCK x BLOCK square, row by row.
    width, height, pixels = rgb
    out = []
    for by in range(0, height - BLOCK + 1, BLOCK):
        for bx in range(0, width - BLOCK + 1, BLOCK):
            sums = [0, 0, 0]
            for y in range(by, by + BLOCK):
                row = pixels[(y * width + bx) * 3:(y * width + bx + BLOCK) * 3]
                for c in range(3):
                    sums[c] += sum(row[c::3])
            out.append([v / (BLOCK * BLOCK) for v in sums])
    return out


def frame_difference(a, b):
    # Per pixel the largest channel difference: its mean over the frame
    # ('mean', in levels of 255) and the fraction of pixels more than OVER
    # apart ('over'); and the mean of the same over the squares' average
    # colours ('blocks'), which keeps where things are and how much of them
    # there is but not their shapes a pixel or two apart.
    if a[:2] != b[:2]:
        return {'mean': 255.0, 'over': 1.0, 'blocks': 255.0}
    pa, pb = a[2], b[2]
    total, over, n = 0, 0, len(pa) // 3
    for i in range(0, len(pa), 3):
        d = max(abs(pa[i] - pb[i]), abs(pa[i + 1] - pb[i + 1]), abs(pa[i + 2] - pb[i + 2]))
        total += d
        if d > OVER:
            over += 1
    squares = [max(abs(x - y) for x, y in zip(p, q))
               for p, q in zip(block_averages(a), block_averages(b))]
    return {'mean': total / n, 'over': over / n, 'blocks': sum(squares) / len(squares)}
