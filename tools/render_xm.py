#!/usr/bin/env python3
"""Renders an XM module the way the intro's replayer plays it, to audition
the song before (or beside) the program's own player.

Usage: render_xm.py IN.xm OUT.wav [--orders N] [--only CHANNELS] [--instruments LIST]
                  [--positions]

Writes 44100 Hz 16-bit stereo. It follows the replayer's rules that shape
what is heard: rows and ticks (speed, BPM), effects 1, 2, D and F, the
volume column's set-volume and slides, key-off, the one volume envelope with
sustain, fade-out, a 128-frame gain ramp and the hand-off of a sounding note
to a fading second voice. It is a checking tool, not the program's player:
the mix is done in mono doubles and spread with the sample's panning.
--orders N stops after N orders (default: until order 10 row 32, where the
intro ends). --only 0,9 mixes just those channels; --instruments 7,11-27
mixes just the notes of those instruments (numbered from 1), on any channel,
to hear a part alone. --positions prints the time at which each row starts.
"""
import math
import struct
import sys

RATE = 44100
RAMP = 128


def load(path):
    d = open(path, "rb").read()
    assert d[:17] == b"Extended Module: "
    hsize = struct.unpack_from("<I", d, 60)[0]
    length, restart, chans, npat, nins, flags, speed, bpm = struct.unpack_from("<8H", d, 64)
    orders = list(d[80:80 + 256])
    pos = 60 + hsize
    patterns = []
    for _ in range(npat):
        _hl, _pt, rows, psize = struct.unpack_from("<IBHH", d, pos)
        pos += 9
        cells = [[(0, 0, 0, 0, 0)] * chans for _ in range(rows)]
        if psize:
            for r in range(rows):
                for c in range(chans):
                    b = d[pos]
                    pos += 1
                    cell = [0, 0, 0, 0, 0]
                    if b & 0x80:
                        for bit in range(5):
                            if b & (1 << bit):
                                cell[bit] = d[pos]
                                pos += 1
                    else:
                        cell = [b] + list(d[pos:pos + 4])
                        pos += 4
                    cells[r][c] = tuple(cell)
        patterns.append(cells)
    instruments = []
    for _ in range(nins):
        start = pos
        isize = struct.unpack_from("<I", d, pos)[0]
        ns = struct.unpack_from("<H", d, pos + 27)[0]
        ins = {"samples": [], "env": [], "env_on": False, "sustain": 0, "fadeout": 0}
        if ns:
            env = struct.unpack_from("<24H", d, pos + 129)
            npts = d[pos + 225]
            ins["env"] = [(env[2 * k], env[2 * k + 1]) for k in range(npts)]
            ins["sustain"] = d[pos + 227]
            ins["env_on"] = bool(d[pos + 233] & 1) and npts >= 2
            ins["env_sus"] = bool(d[pos + 233] & 2)
            ins["fadeout"] = struct.unpack_from("<H", d, pos + 239)[0] * 2
        pos = start + isize
        heads = []
        for _ in range(ns):
            ln, ls, ll, vol, fine, typ, pan, rel = struct.unpack_from("<IIIBbBBb", d, pos)
            heads.append([ln, ls, ll, vol, fine, typ, pan, rel])
            pos += 40
        for ln, ls, ll, vol, fine, typ, pan, rel in heads:
            bits = 16 if typ & 0x10 else 8
            raw = d[pos:pos + ln]
            pos += ln
            if bits == 16:
                vals = struct.unpack("<%dh" % (ln // 2), raw)
                ln, ls, ll = ln // 2, ls // 2, ll // 2
            else:
                vals = [v - 256 if v > 127 else v for v in raw]
            acc, data = 0, []
            for v in vals:
                acc = (acc + v) & (0xFFFF if bits == 16 else 0xFF)
                data.append((acc - 65536 if acc > 32767 else acc) if bits == 16
                            else (acc - 256 if acc > 127 else acc) * 256)
            loop = typ & 3
            if loop == 0 or ll == 0:
                loop, ls, ll = 0, 0, ln
            ins["samples"].append({"data": data + [0], "len": ln, "ls": ls, "le": ls + ll,
                                   "loop": loop, "vol": vol, "fine": fine, "pan": pan,
                                   "rel": rel})
        instruments.append(ins)
    return {"orders": orders, "length": length, "restart": restart, "chans": chans,
            "patterns": patterns, "ins": instruments, "speed": speed, "bpm": bpm,
            "linear": flags & 1}


class Voice:
    def __init__(self):
        self.sample = None
        self.pos = 0.0
        self.step = 0.0
        self.gain = 0.0     # target, 0..1 of full scale (gain/255 in the program)
        self.level = 0.0
        self.slope = 0.0
        self.left = 0


class Channel:
    def __init__(self):
        self.note = 0
        self.ins = 0
        self.sample = None
        self.period = 0
        self.volume = 0
        self.pan = 128
        self.env_tick = self.env_point = self.env_fixed = self.env_slope = 0
        self.env_volume = 64
        self.env_done = False
        self.fade = 65536
        self.key_off = False
        self.up = self.down = 0
        self.voice = Voice()
        self.old = []


def envelope_step(ch, ins):
    pts = ins["env"]
    i = ch.env_point
    if i < len(pts):
        if pts[i][0] == ch.env_tick:
            y = pts[i][1]
            if i == len(pts) - 1:
                ch.env_volume, ch.env_done = y, True
                return
            if ins.get("env_sus") and i == ins["sustain"] and not ch.key_off:
                ch.env_volume = y
                return
            dt = pts[i + 1][0] - pts[i][0]
            ch.env_slope = 0 if dt == 0 else int((pts[i + 1][1] - y) * 65536 / dt)
            ch.env_fixed = y * 65536
            ch.env_point = i + 1
        else:
            ch.env_fixed += ch.env_slope
    ch.env_volume = ch.env_fixed >> 16
    ch.env_tick += 1


def render(song, stop_order=10, stop_row=32, positions=False, only=None, instruments=None):
    heard = None
    if instruments is not None:
        heard = {id(s) for i in instruments if 0 < i <= len(song["ins"])
                 for s in song["ins"][i - 1]["samples"]}
    chans = [Channel() for _ in range(song["chans"])]
    speed, bpm = song["speed"], song["bpm"]
    order, row, tick = 0, 0, 0
    next_order = next_row = -1
    out = []
    frames_per_tick = RATE * 5 // (2 * bpm)
    frame = 0
    seen = set()
    while True:
        if tick == 0:
            if next_order >= 0:
                order = next_order
            if next_row >= 0:
                row = next_row
            if order == stop_order and row >= stop_row or order > stop_order:
                break
            if positions and (order, row) not in seen:
                seen.add((order, row))
                print("order %2d row %2d at %7.3f s" % (order, row, frame / RATE))
            next_order = next_row = -1
            pat = song["patterns"][song["orders"][order]]
            for c, ch in enumerate(chans):
                n, ins_no, vol, eff, par = pat[row][c]
                if ins_no:
                    ch.ins = ins_no - 1
                if n and n != 97:
                    ch.note = n - 1
                ins = song["ins"][ch.ins] if ch.ins < len(song["ins"]) else None
                smp = ins["samples"][0] if ins and ins["samples"] else None
                if ins:
                    ch.sample = smp
                trigger = False
                if n and n != 97 and smp is not None:
                    real = (n + smp["rel"] - 1) & 0xFF
                    ch.period = 7680 - 64 * real - int(smp["fine"] / 2)
                    trigger = True
                if ins_no and smp is not None:
                    ch.volume, ch.pan = smp["vol"], smp["pan"]
                    ch.env_volume, ch.env_point, ch.env_tick, ch.env_slope = 64, 0, 0, 0
                    ch.env_done, ch.key_off, ch.fade = False, False, 65536
                if vol:
                    hi, lo = vol >> 4, vol & 15
                    if 0x10 <= vol <= 0x50:
                        ch.volume = vol - 0x10
                    elif hi in (6, 8):
                        ch.volume = max(0, ch.volume - lo)
                    elif hi in (7, 9):
                        ch.volume = min(64, ch.volume + lo)
                    elif hi == 0xF:
                        trigger = False
                if n == 97 or eff == 0x14:
                    ch.key_off = True
                if ins and ins["env_on"]:
                    if not ch.env_done:
                        envelope_step(ch, ins)
                    if ch.key_off:
                        ch.fade = max(0, ch.fade - ins["fadeout"])
                elif ch.key_off:
                    ch.env_volume = 0
                    ch.fade = max(0, ch.fade - (ins["fadeout"] if ins else 0))
                if eff == 1 and par:
                    ch.up = par
                if eff == 2 and par:
                    ch.down = par
                if eff == 0x0D:
                    r = (par & 15) + (par >> 4) * 10
                    next_row = 0 if r > 63 else r
                    next_order = order + 1 if order + 1 < song["length"] else 0
                if eff == 0x0F:
                    if par < 32:
                        speed = par
                    else:
                        bpm = par
                        frames_per_tick = RATE * 5 // (2 * bpm)
                if trigger:
                    if ch.voice.sample is not None:
                        ch.voice.gain = 0.0
                        ch.voice.left = 0
                        ch.old.append(ch.voice)
                    v = Voice()
                    v.sample = smp
                    ch.voice = v
                update(ch, song)
            if next_row < 0:
                next_row = row + 1
                if next_row >= len(song["patterns"][song["orders"][order]]):
                    next_order = order + 1
                    if next_order >= song["length"]:
                        next_order = song["restart"]
                    next_row = 0
        else:
            pat = song["patterns"][song["orders"][order]]
            for c, ch in enumerate(chans):
                n, ins_no, vol, eff, par = pat[row][c]
                ins = song["ins"][ch.ins] if ch.ins < len(song["ins"]) else None
                if ins and ins["env_on"] and not ch.env_done:
                    envelope_step(ch, ins)
                if ch.key_off and ins:
                    ch.fade = max(0, ch.fade - ins["fadeout"])
                hi, lo = vol >> 4, vol & 15
                if hi == 6:
                    ch.volume = max(0, ch.volume - lo)
                elif hi == 7:
                    ch.volume = min(64, ch.volume + lo)
                if eff == 1:
                    ch.period = max(56, ch.period - 4 * ch.up)
                elif eff == 2:
                    ch.period += 4 * ch.down
                update(ch, song)
        tick += 1
        if tick >= speed:
            tick = 0
        block = [0.0] * frames_per_tick
        for c, ch in enumerate(chans):
            if only is not None and c not in only:
                continue
            for v in [ch.voice] + ch.old:
                if heard is None or id(v.sample) in heard:
                    mix(v, block)
            ch.old = [v for v in ch.old if v.sample is not None and v.level > 0]
        out.extend(block)
        frame += frames_per_tick
    return out


def update(ch, song):
    g = ch.volume * ch.env_volume * ch.fade * 64 * 255 / 2 ** 35
    ch.voice.gain = int(g) / 255.0
    if ch.period:
        f = 8363 * 2 ** ((4608 - ch.period) / 768.0)
        ch.voice.step = max(f, 100) / RATE


def mix(v, block):
    s = v.sample
    if s is None:
        return
    data, le, ls, loop = s["data"], s["le"], s["ls"], s["loop"]
    pos, step = v.pos, v.step
    if v.left == 0 and v.level != v.gain:
        v.left = RAMP
        v.slope = (v.gain - v.level) / RAMP
    level, slope, left = v.level, v.slope, v.left
    for i in range(len(block)):
        k = int(pos)
        if k >= le:
            if loop:
                pos -= (le - ls) * ((k - ls) // (le - ls))
                k = int(pos)
            else:
                v.sample = None
                break
        a = data[k]
        b = data[k + 1] if k + 1 < le else (data[ls] if loop else 0)
        block[i] += (a + (b - a) * (pos - k)) * level
        pos += step
        if left:
            level += slope
            left -= 1
            if left == 0:
                level = v.gain
    v.pos, v.level, v.left = pos, level, left


def main(argv):
    args, opts, i = [], {}, 1
    while i < len(argv):
        if argv[i] in ("--orders", "--only", "--instruments"):
            opts[argv[i]] = argv[i + 1]
            i += 2
        elif argv[i] == "--positions":
            opts["--positions"] = True
            i += 1
        else:
            args.append(argv[i])
            i += 1
    if len(args) != 2:
        sys.stderr.write(__doc__)
        return 2
    stop = (int(opts["--orders"]), 0) if "--orders" in opts else (10, 32)
    only = [int(c) for c in opts["--only"].split(",")] if "--only" in opts else None
    instruments = None
    if "--instruments" in opts:
        instruments = set()
        for part in opts["--instruments"].split(","):
            lo, _, hi = part.partition("-")
            instruments.update(range(int(lo), int(hi or lo) + 1))
    song = load(args[0])
    mono = render(song, stop[0], stop[1], "--positions" in opts, only, instruments)
    # pan 128: left gets 128/255 of the gain, right 127/255
    frames = bytearray()
    peak = 0
    for s in mono:
        left = int(round(s * 128 / 255))
        right = int(round(s * 127 / 255))
        peak = max(peak, abs(left))
        frames += struct.pack("<hh", max(-32768, min(32767, left)), max(-32768, min(32767, right)))
    with open(args[1], "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + len(frames)) + b"WAVEfmt "
                + struct.pack("<IHHIIHH", 16, 1, 2, RATE, RATE * 4, 4, 16)
                + b"data" + struct.pack("<I", len(frames)) + frames)
    print("peak %d of 32767 (%.1f dBFS), %.1f s" % (peak, 20 * math.log10(max(1, peak) / 32767),
                                                   len(mono) / RATE))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
