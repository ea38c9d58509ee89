#!/usr/bin/env python3
"""Composes the intro's song and writes it as an XM module: data/song.xm.

Usage: make_song.py OUT.xm [VOICE_DIR]

VOICE_DIR (default: data/voice beside this script's folder) holds the
robot's syllables recorded by make_voice.py; everything else is synthesised
here. Standard library only; the same run always writes the same bytes.

The module is written for the intro's own replayer, which knows only a few
commands: effects 1 and 2 (pitch slides), D (pattern break) and F (speed and
BPM), the volume column's set-volume and fine slides, key-off notes, and one
volume envelope. The pictures follow song positions, so the music is laid
out on the rows the scenes react to:

order pattern  rows   what plays / what the pictures do
  0     4     0-63   intro: music-box bells and a pad swelling in the dark,
                     sleigh bells and bass from row 32 as the forest fades in
  1     2     0-63   groove; the walking robot talks, one syllable on each
                     mouth row: "ho ho ho, hu-mans! i am the ro-bot.
                     en-ter the com-po or the ro-bot..."
  2     5     0-63   chorus with the Christmas tune ("it's almost xmas time
                     again!"), lift at row 32 ("time for... the frostmere
                     compo 2006!")
  3     7     0-32   close-up: "i am the ro-bot. hu-mans, en-ter it!" and a
                     chuckle on row 32, which breaks to the next order
  4     6     0-16   silhouette laughs "HA (0) HA (4) HA-ha-ha (8, 9, 10)"
                     on the flash rows; row 16 breaks to row 32 of order 5
  5     2    32-63   close-up: "en-ter the com-po or the ro-bot..."
  6     5     0-63   chorus again under the entry details; "OR THE ROBOT
                     GETS IT!" appears at row 32
  7     3     0-40   "NOW!" on row 0 (mouth wide), a rising siren while the
                     robot spins, then the laugh on the flash rows 16, 17,
                     20, 24, 25, 26; row 40 breaks to order 8
  8     1     0-63   "EN (0) TER (4) OR (12) THE (16) RO (20) BOT (23)
                     GETS (28) IT (32)", one hit per word; the band stands
                     back for "GETS IT" and answers on row 36, then the
                     music-box tune returns over the pad, which settles to
                     a hush and hands over (rows 52-61) to the closing
                     chord, one long sample that holds under the closing
                     message and fades out with the picture
  9-12  0            empty: the closing message over that chord, silent
                     from order 10 row 30; the intro ends at row 32

The drums vary from bar to bar (ghost snares, open hats, a fill every fourth
bar) and never stack the snare on a kick; hats, snare, cymbals and bells are
made at 33 kHz for their top end, and every one-shot fades to silence before
its end. tools/song_figures.py measures what the song sounds like.
"""
import math
import os
import struct
import sys

CHANNELS = 10
ROWS = 64
SPEED, BPM = 6, 136
ORDERS = [4, 2, 5, 7, 6, 2, 5, 3, 1, 0, 0, 0, 0]
C4_RATE = 8363.0  # a sample plays at this rate on C-4 with relative note 0

# ---------------------------------------------------------------- notes

NOTE_NAMES = {"C": 0, "C#": 1, "D": 2, "D#": 3, "E": 4, "F": 5, "F#": 6, "G": 7,
              "G#": 8, "A": 9, "A#": 10, "B": 11}
KEY_OFF = 97


def note(name):
    """'C-4', 'F#3' -> XM note number (C-0 = 1, C-4 = 49)."""
    pitch, octave = name[:-1].rstrip("-"), int(name[-1])
    return 1 + octave * 12 + NOTE_NAMES[pitch]


# ---------------------------------------------------------------- synthesis

class Rand:
    """The C runtime's generator: the same noise on every machine."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def unit(self):
        self.state = (self.state * 214013 + 2531011) & 0xFFFFFFFF
        return ((self.state >> 16) & 0x7FFF) / 16383.5 - 1.0


def normalise(samples, peak):
    top = max(1e-9, max(abs(s) for s in samples))
    return [s * peak / top for s in samples]


def lowpass(samples, amount):
    """One-pole low-pass; amount 0..1 (1 = no filtering)."""
    out, y = [], 0.0
    for s in samples:
        y += amount * (s - y)
        out.append(y)
    return out


def tuning(rate, f0):
    """Relative note and finetune so that a sample recorded at `rate` whose
    tone is f0 Hz sounds at the pitch of the note it is played on."""
    semis = 12 * math.log2(440.0 * rate / (f0 * C4_RATE)) - 9
    rel = int(math.floor(semis + 0.5))
    fine = int(math.floor((semis - rel) * 128 + 0.5))
    return rel, max(-128, min(127, fine))


def rate_tuning(rate):
    """Relative note and finetune that play a sample at its own rate on C-4."""
    semis = 12 * math.log2(rate / C4_RATE)
    rel = int(math.floor(semis + 0.5))
    return rel, max(-128, min(127, int(math.floor((semis - rel) * 128 + 0.5))))


PERC_RATE = 33075.0  # three quarters of the output rate: hiss up to 16 kHz


def fade_out(samples, n):
    """A raised-cosine fade over the last n frames, so a one-shot dies out
    instead of stopping on a step the mixer would turn into a click."""
    n = min(n, len(samples))
    out = list(samples)
    for k in range(n):
        out[len(out) - n + k] *= 0.5 * (1 + math.cos(math.pi * (k + 1) / n))
    return out


def kick():
    rate = C4_RATE
    n = int(rate * 0.24)
    out, phase = [], 0.0
    for i in range(n):
        t = i / rate
        f = 48 + 150 * math.exp(-t * 30)
        phase += 2 * math.pi * f / rate
        amp = math.exp(-t * 11) * (1 - math.exp(-i / 6.0))
        click = math.exp(-t * 250) * 0.6
        out.append(math.sin(phase) * amp + click * math.sin(phase * 3.1))
    return rate, fade_out(normalise(out, 1.0), n // 3)


def snare():
    rate = PERC_RATE
    r = Rand(7)
    n = int(rate * 0.13)
    out, phase = [], 0.0
    prev = 0.0
    for i in range(n):
        t = i / rate
        x = r.unit()
        hiss = x - 0.7 * prev  # tilted up: the wires' rattle
        prev = x
        phase += 2 * math.pi * (190 + 70 * math.exp(-t * 45)) / rate
        body = math.sin(phase) * math.exp(-t * 24) * 0.9
        # driven into a soft clip: a fuller crack for the same peak
        out.append(math.tanh(2.2 * (body * 0.8 + hiss * (0.75 * math.exp(-t * 16)
                                                         + 0.35 * math.exp(-t * 60)))))
    return rate, fade_out(normalise(out, 1.0), n // 3)


def hihat():
    rate = PERC_RATE
    r = Rand(11)
    n = int(rate * 0.08)
    prev, out = 0.0, []
    for i in range(n):
        t = i / rate
        x = r.unit()
        metal = math.sin(2 * math.pi * 10530 * t) * 0.3 + math.sin(2 * math.pi * 13270 * t) * 0.25
        out.append((x - prev + metal) * (0.5 * math.exp(-t * 70) + 0.5 * math.exp(-t * 28)))  # the hiss, not the rumble
        prev = x
    return rate, fade_out(normalise(out, 1.0), n // 3)


def crash():
    rate = PERC_RATE
    r = Rand(13)
    n = int(rate * 0.25)
    prev, out = 0.0, []
    for i in range(n):
        t = i / rate
        x = r.unit()
        hiss = x - 0.5 * prev
        prev = x
        ring = (math.sin(2 * math.pi * 3170 * t) * 0.15 + math.sin(2 * math.pi * 5230 * t) * 0.1
                + square(8410 * t) * 0.08)
        out.append((hiss + ring) * math.exp(-t * 9) * (1 - math.exp(-i / 30.0)))
    return rate, fade_out(normalise(out, 1.0), n // 2)


def sleigh():
    """Sleigh bells: a shake of small bright jingles."""
    rate = PERC_RATE
    r = Rand(17)
    n = int(rate * 0.1)
    out = [0.0] * n
    partials = (2630.0, 3510.0, 4790.0, 6120.0, 8350.0)
    for k in range(8):
        start = int(abs(r.unit()) * n * 0.3)
        f = partials[k % 5] * (1 + 0.03 * r.unit())
        for i in range(start, n):
            t = (i - start) / rate
            out[i] += math.sin(2 * math.pi * f * t) * math.exp(-t * 45) * (0.6 + 0.4 * r.unit())
    return rate, fade_out(normalise(out, 1.0), n // 3)


def no_dc(samples):
    mean = sum(samples) / len(samples)
    return [s - mean for s in samples]


def looped_wave(cycles_a, cycles_b, length, shape, bright):
    """A loop holding whole cycles of two detuned oscillators, so it repeats
    seamlessly and beats once per loop (a chorus shimmer)."""
    out = []
    for i in range(length):
        u = i / length
        out.append(shape(cycles_a * u) + shape(cycles_b * u))
    # soften by averaging neighbours circularly
    for _ in range(bright):
        out = [(out[i - 1] + 2 * out[i] + out[(i + 1) % length]) * 0.25 for i in range(length)]
    return out


def saw(u):
    return 2.0 * (u - math.floor(u + 0.5))


def square(u):
    return 1.0 if (u - math.floor(u)) < 0.5 else -1.0


def triangle(u):
    return 1.0 - 4.0 * abs(u - math.floor(u + 0.5))


def pad():
    length, cyc = 2048, 32  # no partials above 4 kHz, so half the rate does
    rate = C4_RATE
    w = looped_wave(cyc, cyc + 1, length, saw, 6)
    w2 = looped_wave(cyc * 2, cyc * 2 - 1, length, triangle, 1)
    out = [a + 0.4 * b for a, b in zip(w, w2)]
    return rate, normalise(no_dc(out), 1.0), rate * cyc / length


def bass():
    """A bright saw over a square's hollow middle: the harmonics carry the
    line on speakers too small for its root."""
    length, cyc = 512, 4
    rate = C4_RATE
    w = looped_wave(cyc, cyc, length, saw, 1)
    sq = looped_wave(cyc, cyc, length, square, 2)
    sub = [math.sin(2 * math.pi * cyc * i / length) for i in range(length)]
    out = [0.55 * a + 0.2 * q + 0.45 * b for a, b, q in zip(w, sub, sq)]
    return rate, normalise(no_dc(out), 1.0), rate * cyc / length


LEAD_CYCLE = 32  # frames per cycle: room for the twelve harmonics the lead keeps
LEAD_ATTACK = 40  # cycles of a brighter tone before the loop
LEAD_LOOP = 104  # cycles in the loop: one vibrato period, ~5 Hz on C-5
LEAD_VIBRATO = 0.009  # +-15 cents


def lead():
    """A mellow square: odd harmonics strong, even ones faint, rolled off
    above the fifth. The attack opens brighter and closes down over its first
    cycles like a filter sweeping shut, then the loop holds one period of
    vibrato, its phase summing to whole cycles so the loop point is seamless.
    Returns the sample, its rate, its pitch and where its loop starts."""
    rate = C4_RATE * 2
    f0 = rate / LEAD_CYCLE
    attack, loop = LEAD_ATTACK * LEAD_CYCLE, LEAD_LOOP * LEAD_CYCLE
    out = []
    for i in range(attack + loop):
        if i < attack:
            cycles, open_ = i / LEAD_CYCLE, 1 - i / attack
        else:
            u = (i - attack) / loop
            cycles = LEAD_ATTACK + LEAD_LOOP * (u + LEAD_VIBRATO * (1 - math.cos(2 * math.pi * u))
                                                / (2 * math.pi))
            open_ = 0.0
        v = 0.0
        for k in range(1, 13):
            weight = (1.0 if k % 2 else 0.25) / k
            weight /= 1 + (k / (3 + 6 * open_ * open_)) ** 2
            v += weight * math.sin(2 * math.pi * k * cycles)
        out.append(v)
    return rate, normalise(no_dc(out), 1.0), f0, attack


def bells():
    """A music-box / glockenspiel strike: inharmonic partials decaying."""
    rate = PERC_RATE
    f0 = 1046.5
    n = int(rate * 0.25)
    out = []
    for i in range(n):
        t = i / rate
        s = (math.sin(2 * math.pi * f0 * t) * math.exp(-t * 9)
             + 0.45 * math.sin(2 * math.pi * f0 * 2.76 * t) * math.exp(-t * 16)
             + 0.25 * math.sin(2 * math.pi * f0 * 5.40 * t) * math.exp(-t * 30)
             + 0.2 * math.sin(2 * math.pi * f0 * 4 * t) * math.exp(-t * 60)
             + 0.12 * math.sin(2 * math.pi * f0 * 8.93 * t) * math.exp(-t * 90))
        out.append(s * (1 - math.exp(-i / 8.0)))
    return rate, fade_out(normalise(out, 1.0), n // 2), f0


ROW_SECONDS = SPEED * (44100 * 5 // (2 * BPM)) / 44100.0  # as the replayer counts its ticks
CLOSE_RATE = C4_RATE * 2 ** (-22 / 12.0)  # on C-4; the chord keeps nothing above 650 Hz
CLOSE_ROW = 52  # pattern 1's row where the closing chord comes in under the pad
CLOSE_TONES = (("A-2", 0.8), ("E-3", 0.7), ("A-3", 1.0), ("C-4", 0.8), ("E-4", 0.7))


def closing_chord():
    """The chord under the closing screen as one long one-shot, its whole
    life written into it: the song's last patterns are empty, so nothing
    could start a fade there, while a sample that runs out ends the note by
    itself. It swells in as the pad slides away, breathes (each tone beats
    slowly against a softer twin three cents off) and sinks 3 dB while the
    message holds, then fades out with the picture (order 10 rows 16 to 30)
    and is silent when the intro ends at row 32. Dark on purpose: a few
    harmonics of each tone, so a low rate carries all twelve seconds."""
    rate = CLOSE_RATE
    rows_to_fade = ROWS - CLOSE_ROW + ROWS + 16
    swell, fade, tail = 10 * ROW_SECONDS, 14 * ROW_SECONDS, 2 * ROW_SECONDS
    fade_at = rows_to_fade * ROW_SECONDS
    n = int((fade_at + fade + tail) * rate)
    partials = []
    for name, level in CLOSE_TONES:
        f = 440.0 * 2 ** ((note(name) - note("A-4")) / 12.0)
        for k in range(1, 6):
            if k * f < 650:
                a = level / k / (1 + (k * f / 400) ** 4)
                partials += [(k * f * (1 + d), a * w, phase)
                             for d, w, phase in ((-0.0008, 1.0, 0.0), (0.0008, 0.4, 1.3 * k))]
    out = []
    for i in range(n):
        t = i / rate
        if t < swell:
            amp = math.sin(0.5 * math.pi * t / swell) ** 2
        elif t < fade_at:
            amp = 10 ** (-3 / 20.0 * (t - swell) / (fade_at - swell))
        else:
            x = min(1.0, (t - fade_at) / fade)
            amp = 10 ** (-3 / 20.0) * math.cos(0.5 * math.pi * x) ** 2
        out.append(amp * sum(a * math.sin(2 * math.pi * f * t + ph) for f, a, ph in partials))
    return rate, normalise(out, 1.0)


def pluck():
    """A short plucked square for arpeggios."""
    rate = C4_RATE * 2
    f0 = 523.25
    n = int(rate * 0.14)
    out, phase = [], 0.0
    for i in range(n):
        t = i / rate
        phase += f0 / rate
        s = square(phase) * 0.6 + saw(phase * 2) * 0.3
        out.append(s * math.exp(-t * 18))
    return rate, fade_out(normalise(lowpass(out, 0.5), 1.0), n // 3), f0


VOICE_SOURCE_RATE = 22050.0  # make_voice.py's recordings
VOICE_RATE = VOICE_SOURCE_RATE / 2  # the consonants' hiss up to 5.5 kHz


def envelope(samples, half):
    """RMS over a window of 2 * half + 1 frames around each frame."""
    acc, out, n = 0.0, [], len(samples)
    sq = [v * v for v in samples]
    for i in range(min(half, n)):
        acc += sq[i]
    for i in range(n):
        if i + half < n:
            acc += sq[i + half]
        if i - half - 1 >= 0:
            acc -= sq[i - half - 1]
        out.append(math.sqrt(max(0.0, acc) / (2 * half + 1)))
    return out


def halve(samples):
    """Half the rate through a windowed-sinc low-pass at 4.9 kHz, so the
    hiss above the new limit does not fold back down."""
    taps = 31
    mid = taps // 2
    h = []
    for k in range(taps):
        x = k - mid
        sinc = 0.445 if x == 0 else math.sin(math.pi * 0.445 * x) / (math.pi * x)
        h.append(sinc * (0.42 - 0.5 * math.cos(2 * math.pi * k / (taps - 1))
                         + 0.08 * math.cos(4 * math.pi * k / (taps - 1))))
    total = sum(h)
    h = [v / total for v in h]
    n = len(samples)
    return [sum(h[k] * samples[i + k - mid] for k in range(taps) if 0 <= i + k - mid < n)
            for i in range(0, n, 2)]


def robot_voice(path):
    """A recorded syllable made metallic (ring-modulated, through a short
    comb), evened out by a slow compressor rather than clipped, halved to
    VOICE_RATE with its consonants kept, and faded at both ends."""
    with open(path, "rb") as f:
        data = f.read()
    src = [v / 32768.0 for v in struct.unpack("<%dh" % (len(data) // 2), data)]
    rate = VOICE_SOURCE_RATE
    # Start where the syllable is heard (within 20 dB of its loudest), with
    # 8 ms of its breath or consonant before it, so the word lands on its row.
    env = envelope(src, int(rate * 0.0025))
    heard = next(i for i, e in enumerate(env) if e >= 0.1 * max(env))
    src = src[max(0, heard - int(rate * 0.008)):]
    delay = int(rate * 0.0045)
    buf = [0.0] * len(src)
    for i, s in enumerate(src):
        ring = s * math.sin(2 * math.pi * 95 * i / rate)
        x = 0.6 * s + 0.4 * ring
        if i >= delay:
            x += 0.35 * buf[i - delay]
        buf[i] = x
    # a lift above ~2 kHz keeps the consonants crisp against the band
    out = [buf[i] + 1.4 * (buf[i] - buf[i - 1]) if i else buf[i] for i in range(len(buf))]
    # the quiet parts come up by up to 9 dB, gently, over 10 ms
    env = envelope(out, int(rate * 0.005))
    top = max(env)
    gain, g = [], 1.0
    for e in env:
        want = min(4.0, (max(e, 1e-6) / top) ** -0.6)
        g += 0.01 * (want - g)
        gain.append(g)
    out = [v * k for v, k in zip(out, gain)]
    # and the peaks go down by up to 6 dB, the gain gliding down in the 1 ms
    # before them and back over 20 ms: no clipped corners, no gain steps
    ahead = int(rate * 0.001)
    ceiling = 0.5 * max(abs(v) for v in out)
    down, up = 1 - math.exp(-1 / (rate * 0.00025)), 1 / (rate * 0.02)
    g, gain = 1.0, []
    for i in range(len(out)):
        want = min(1.0, ceiling / max(1e-9, max(abs(v) for v in out[i:i + 2 * ahead + 1])))
        g += (want - g) * (down if want < g else up)
        gain.append(g)
    out = [v * k for v, k in zip(out, gain)]
    out = halve(out)
    n = len(out)
    fade = int(VOICE_RATE * 0.002)
    for i in range(min(fade, n)):
        out[i] *= (i + 1) / (fade + 1)
    out = fade_out(out, int(VOICE_RATE * 0.03))
    return VOICE_RATE, normalise(out, 0.97)


# ---------------------------------------------------------------- instruments

class Instrument:
    def __init__(self, name, samples=None, rate=C4_RATE, f0=None, loop=False, volume=64,
                 bits=8, envelope=None, loop_start=0):
        self.name = name
        self.samples = samples or []
        self.loop = loop
        self.loop_start = loop_start
        self.volume = volume
        self.bits = bits
        self.envelope = envelope
        if f0 is None:
            self.rel, self.fine = rate_tuning(rate)
        else:
            self.rel, self.fine = tuning(rate, f0)


def build_instruments(voice_dir):
    inst = []
    r, s = kick()
    inst.append(Instrument("kick", s, r, volume=50, bits=16))
    r, s = snare()
    inst.append(Instrument("snare", s, r, volume=56))
    r, s = hihat()
    inst.append(Instrument("hihat", s, r, volume=30))
    r, s = crash()
    inst.append(Instrument("crash", s, r, volume=36))
    r, s, f = bass()
    inst.append(Instrument("bass", s, r, f, loop=True, volume=20))
    r, s, f = pad()
    # The one enveloped instrument: holds while the key is down, then dies
    # away over 120 ticks (~2.2 s) after key-off.
    inst.append(Instrument("pad", s, r, f, loop=True, volume=24, envelope=[(0, 64), (120, 0)]))
    r, s, f, start = lead()
    inst.append(Instrument("lead", s, r, f, loop=True, volume=24, loop_start=start))
    r, s, f = bells()
    inst.append(Instrument("bells", s, r, f, volume=40))
    r, s = sleigh()
    inst.append(Instrument("sleigh bells", s, r, volume=30))
    r, s, f = pluck()
    inst.append(Instrument("pluck", s, r, f, volume=26))
    for word in VOICE_WORDS:
        r, s = robot_voice(os.path.join(voice_dir, word + ".raw"))
        inst.append(Instrument("voice " + word, s, r, volume=60))
    r, s = closing_chord()
    inst.append(Instrument("closing chord", s, r, volume=40))
    while len(inst) < 30:
        inst.append(Instrument("", []))
    return inst


VOICE_WORDS = ["ho", "hu", "mans", "i", "am", "the", "ro", "bot", "en", "ter", "com", "po",
               "or", "gets", "it", "ha", "now"]
KICK, SNARE, HAT, CRASH, BASS, PAD, LEAD, BELL, SLEIGH, PLUCK = range(1, 11)
WORD = {w: 11 + i for i, w in enumerate(VOICE_WORDS)}
CLOSING = 11 + len(VOICE_WORDS)

# channels
CH_KICK, CH_SNARE, CH_HAT, CH_BASS, CH_PAD, CH_LEAD, CH_BELL, CH_VOICE = 0, 1, 2, 3, 4, 7, 8, 9
PAD_CHANNELS = (4, 5, 6)


# ---------------------------------------------------------------- patterns

class Pattern:
    def __init__(self):
        self.cells = [[None] * CHANNELS for _ in range(ROWS)]

    def put(self, row, ch, n=0, ins=0, vol=0, eff=0, par=0):
        if isinstance(n, str):
            n = KEY_OFF if n == "off" else note(n)
        old = self.cells[row][ch]
        if old is not None and eff == 0 and par == 0 and old[3] in (0x0D, 0x0F):
            eff, par = old[3], old[4]  # keep a break or tempo already on this cell
        self.cells[row][ch] = (n, ins, vol, eff, par)

    def effect(self, row, ch, eff, par):
        old = self.cells[row][ch] or (0, 0, 0, 0, 0)
        self.cells[row][ch] = (old[0], old[1], old[2], eff, par)

    def pack(self):
        out = bytearray()
        for row in self.cells:
            for cell in row:
                if cell is None or cell == (0, 0, 0, 0, 0):
                    out.append(0x80)
                    continue
                flags, body = 0x80, bytearray()
                for bit, value in enumerate(cell):
                    if value:
                        flags |= 1 << bit
                        body.append(value)
                if flags == 0x9F:
                    out += bytes(cell)  # all five present: the plain form is shorter
                else:
                    out.append(flags)
                    out += body
        return bytes(out)


def vol(v):
    """Volume-column set volume, v 0..64."""
    return 0x10 + v


CHORDS = {
    "Am": ("A-3", "C-4", "E-4"), "F": ("A-3", "C-4", "F-4"), "C": ("G-3", "C-4", "E-4"),
    "G": ("G-3", "B-3", "D-4"), "Dm": ("A-3", "D-4", "F-4"), "E": ("G#3", "B-3", "E-4"),
    "Em": ("G-3", "B-3", "E-4"),
}
ROOTS = {"Am": "A-2", "F": "F-2", "C": "C-3", "G": "G-2", "Dm": "D-3", "E": "E-2", "Em": "E-2"}
ARPS = {k: [v[0], v[1], v[2]] for k, v in CHORDS.items()}
NOTE_ORDER = ["C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"]


def octave(name, shift):
    return name[:-1] + str(int(name[-1]) + shift)


def transpose(name, semis):
    k = note(name) - 1 + semis
    return NOTE_ORDER[k % 12] + str(k // 12)


def pads(p, row, chord, volume=40):
    for ch, n in zip(PAD_CHANNELS, CHORDS[chord]):
        p.put(row, ch, n, PAD, vol(volume))


# (row in the bar, semitones over the root, accent): root and octave in a
# syncopated figure with the fifth, short notes so the line bounces.
BASS_RIFF = [(0, 0, 1), (2, 0, 0), (3, 12, 0), (6, 0, 1), (8, 7, 1), (10, 0, 0),
             (11, 12, 0), (14, 7, 0)]


def bassline(p, bar, chord, style="riff", volume=44):
    root = ROOTS[chord]
    base = bar * 16
    if style == "riff":
        for row, semis, accent in BASS_RIFF:
            p.put(base + row, CH_BASS, transpose(root, semis), BASS, vol(volume if accent else volume - 8))
        for row in (1, 7, 12):  # let the line breathe
            p.put(base + row, CH_BASS, "off")
    elif style == "long":
        p.put(base, CH_BASS, root, BASS, vol(volume))
    elif style == "pulse":
        for k in (0, 6, 8, 14):
            p.put(base + k, CH_BASS, root, BASS, vol(volume))
        for k in (3, 10):
            p.put(base + k, CH_BASS, "off")


# A bar of drums each: kick rows, snare rows (never under a kick), quiet
# ghost snares, rows where the hat is left open (a cymbal played high and
# soft, choked by the next closed hat) and whether the closed hats run in
# sixteenths.
BEATS = {
    "a": ((0, 8, 10), (4, 12), (7, 15), (14,), True),
    "b": ((0, 6, 8), (4, 12), (10, 14), (), True),
    "c": ((0, 3, 8, 11), (4, 12), (6, 15), (14,), True),
    "half": ((0, 10), (8,), (14,), (6,), True),
    "fill": ((0, 8), (4, 10, 12, 13, 14, 15), (2, 7), (), False),
}


def beat(p, bar, kind, hat_volume=30, snare_volume=46, kick_volume=42):
    kicks, snares, ghosts, opens, sixteenths = BEATS[kind]
    base = bar * 16
    for k in kicks:
        p.put(base + k, CH_KICK, "C-4", KICK, vol(kick_volume))
    for k in snares:
        rise = 0 if kind != "fill" or k < 10 else (k - 10) * 3 - 8
        p.put(base + k, CH_SNARE, "C-4", SNARE, vol(min(64, snare_volume + rise)))
    for k in ghosts:
        p.put(base + k, CH_SNARE, "C-4", SNARE, vol(12))
    for k in range(16 if kind != "fill" else 10):
        if p.cells[base + k][CH_HAT] is not None:
            continue
        if k in opens:
            p.put(base + k, CH_HAT, "C-5", CRASH, vol(hat_volume - 6))
        elif k % 2 == 0:
            p.put(base + k, CH_HAT, "C-4", HAT, vol(hat_volume if k % 4 == 2 else hat_volume - 8))
        elif sixteenths:
            p.put(base + k, CH_HAT, "C-4", HAT, vol(hat_volume - 14))


def arp(p, bar, chord, start=0, end=16, volume=30, ch=CH_BELL, ins=PLUCK, up=1):
    tones = ARPS[chord]
    seq = [octave(tones[0], up), octave(tones[1], up), octave(tones[2], up), octave(tones[1], up)]
    for k in range(start, end, 2):
        p.put(bar * 16 + k, ch, seq[(k // 2) % 4], ins, vol(volume))


def melody(p, ch, ins, notes, volume=40, release=True):
    """notes: (row, note, length) with length in rows; key-off at the end
    of each note so the looped lead never drones."""
    for row, n, length in notes:
        p.put(row, ch, n, ins, vol(volume))
        end = row + length
        if release and end < ROWS and p.cells[end][ch] is None:
            p.put(end, ch, "off")


def say(p, row, word, pitch="C-4", volume=60, double=CH_LEAD, eff=0, par=0):
    """The robot speaks on the voice channel, doubled in unison on a free
    channel: twice the level, so the words ride on top of the band."""
    for ch in (CH_VOICE, double):
        p.put(row, ch, pitch, WORD[word], vol(volume), eff, par)


def say_line(p, rows, words, pitches=None, double=CH_LEAD):
    pitches = pitches or ["C-4"] * len(words)
    for row, word, pitch in zip(rows, words, pitches):
        say(p, row, word, pitch, double=double)


CHORUS_TUNE = [  # (row, note, rows held): a carol-like tune of our own
    (0, "C-5", 4), (4, "A-4", 2), (6, "C-5", 2), (8, "F-5", 6), (14, "E-5", 2),
    (16, "D-5", 4), (20, "B-4", 2), (22, "D-5", 2), (24, "G-5", 6), (30, "F-5", 2),
    (32, "E-5", 2), (34, "D-5", 2), (36, "C-5", 4), (40, "E-5", 2), (42, "D-5", 2),
    (44, "C-5", 2), (46, "B-4", 2), (48, "B-4", 4), (52, "G#4", 4), (56, "E-5", 6),
]
MUSIC_BOX = [  # the tune's head, slower, for the intro and the end
    (0, "E-5", 4), (4, "A-5", 4), (8, "G-5", 2), (10, "E-5", 2), (12, "C-5", 4),
    (16, "D-5", 4), (20, "F-5", 4), (24, "E-5", 2), (26, "C-5", 2), (28, "A-4", 4),
]


def pattern_intro():
    """Pattern 4, order 0."""
    p = Pattern()
    p.put(0, CH_KICK, 0, 0, 0, 0x0F, SPEED)
    p.put(0, CH_SNARE, 0, 0, 0, 0x0F, BPM)
    # the pad swells in out of the dark with fine volume slides
    for bar, chord in enumerate(("Am", "F", "C", "Dm")):
        pads(p, bar * 16, chord, 12 if bar == 0 else 36)
    pads(p, 56, "E", 36)  # the dominant, under the roll into the groove
    for row in range(2, 16, 2):
        for ch in PAD_CHANNELS:
            p.put(row, ch, 0, 0, 0x94)
    for row, n, length in MUSIC_BOX:
        p.put(row, CH_BELL, n, BELL, vol(44))
    for row, n, length in MUSIC_BOX:
        p.put(row + 32, CH_BELL, n, BELL, vol(40))
    # the forest fades in: sleigh bells and a bass pulse
    for row in range(32, 64, 2):
        p.put(row, CH_HAT, "C-4", SLEIGH, vol(34 if row % 4 == 0 else 22))
    bassline(p, 2, "C", "long", 40)
    for row, n in ((48, "D-3"), (54, "D-3"), (56, "E-2"), (62, "E-2")):
        p.put(row, CH_BASS, n, BASS, vol(40))
    for k in (48, 52, 56, 60):
        p.put(k, CH_KICK, "C-4", KICK, vol(36 + (k - 48)))
    for k in range(56, 64):  # snare roll into the groove
        p.put(k, CH_SNARE, "C-4", SNARE, vol(14 + (k - 56) * 5))
    return p


def groove(p, chords, kinds, bass_style="riff", pad_volume=30, hat_volume=30, bass_volume=44,
           drums=(46, 42)):
    """drums: the volumes of the snare and the kick."""
    for bar, chord in enumerate(chords):
        beat(p, bar, kinds[bar], hat_volume, *drums)
        bassline(p, bar, chord, bass_style, bass_volume)
        pads(p, bar * 16, chord, pad_volume)


def pattern_verse():
    """Pattern 2: order 1 (all of it) and order 5 (rows 32-63)."""
    p = Pattern()
    p.put(0, CH_HAT, "C-4", CRASH, vol(34))
    p.put(32, CH_HAT, "C-4", CRASH, vol(30))
    groove(p, ("Am", "F", "Dm", "E"), ("a", "b", "a", "fill"), pad_volume=15, hat_volume=62,
           bass_volume=18, drums=(40, 42))
    # the robot speaks, one syllable on every mouth row
    say_line(p, [0, 3, 5, 8, 10], ["ho", "ho", "ho", "hu", "mans"],
             ["C-4", "C-4", "D-4", "A#3", "A-3"])
    say_line(p, [16, 19, 21, 24, 26], ["i", "am", "the", "ro", "bot"],
             ["C-4", "C-4", "A#3", "C-4", "A-3"])
    say_line(p, [32, 35, 37, 40, 42], ["en", "ter", "the", "com", "po"],
             ["D-4", "C-4", "A#3", "C-4", "A-3"])
    say_line(p, [45, 47, 50, 52], ["or", "the", "ro", "bot"],
             ["C-4", "A#3", "C-4", "G-3"])
    # bells answer in the gaps between the lines
    for row, n in ((12, "E-5"), (13, "C-5"), (14, "A-4"), (28, "F-5"), (29, "D-5"),
                   (30, "A-4"), (44, "D-5"), (54, "B-4"), (56, "E-5"), (58, "G#5"),
                   (60, "B-5"), (62, "E-6")):
        p.put(row, CH_BELL, n, BELL, vol(24))
    return p


def pattern_chorus():
    """Pattern 5: orders 2 and 6, the invitation screens. The hook leads;
    from row 32 the band opens up under it (sixteenth hats, the arpeggio,
    the bells doubling the tune)."""
    p = Pattern()
    p.put(0, CH_HAT, "C-4", CRASH, vol(44))
    p.put(32, CH_HAT, "C-4", CRASH, vol(52))  # "time for ... the frostmere compo"
    chords = ("F", "G", "Am", "E")
    groove(p, chords, ("b", "a", "c", "fill"), pad_volume=10, hat_volume=64, bass_volume=28,
           drums=(60, 54))
    for bar in (2, 3):
        pads(p, bar * 16, chords[bar], 17)
        bassline(p, bar, chords[bar], "riff", 34)
    melody(p, CH_LEAD, LEAD, CHORUS_TUNE[:10], 38)
    melody(p, CH_LEAD, LEAD, CHORUS_TUNE[10:], 52)
    for row, n, length in CHORUS_TUNE[10:]:
        p.put(row, CH_BELL, octave(n, 1), BELL, vol(48))
    for bar, chord in enumerate(chords[:2]):
        arp(p, bar, chord, volume=16, up=1, ch=CH_BELL)
    return p


def pattern_closeup():
    """Pattern 7: order 3, rows 0-32; row 32 breaks, so nothing past it is
    heard and nothing on it but the chuckle that leads into the laugh."""
    p = Pattern()
    p.put(0, CH_HAT, "C-4", CRASH, vol(34))
    groove(p, ("Am", "Dm"), ("half", "fill"), bass_style="pulse", pad_volume=12, hat_volume=64,
           bass_volume=24)
    say_line(p, [0, 3, 5, 8, 10], ["i", "am", "the", "ro", "bot"],
             ["C-4", "C-4", "A#3", "C-4", "A-3"])
    say_line(p, [16, 19, 21, 24, 26], ["hu", "mans", "en", "ter", "it"],
             ["C-4", "A#3", "D-4", "C-4", "A-3"])
    say(p, 32, "ha", "C-4", 50)  # a chuckle into the laugh that follows
    p.effect(32, CH_KICK, 0x0D, 0x00)
    return p


def laugh(p, rows_big, rows_small, double):
    """HA on the big rows, falling in pitch; quicker, higher ha-ha after."""
    for row in rows_big:
        say(p, row, "ha", "G-3", 54, double, 0x02, 0x06)
    for row in rows_small:
        say(p, row, "ha", "A#3", 46, double, 0x02, 0x0A)


def pattern_laugh():
    """Pattern 6: order 4, rows 0-16; row 16 breaks to row 32 of the next,
    whose downbeat is the next hit, so row 16 adds nothing of its own."""
    p = Pattern()
    laugh(p, [0, 4, 8], [9, 10], CH_LEAD)
    for row in (0, 4, 8):
        p.put(row, CH_KICK, "C-4", KICK, vol(44))
        p.put(row, CH_BASS, "A-2", BASS, vol(26))
        p.put(row + 2, CH_BASS, "off")
    p.put(0, CH_HAT, "C-4", CRASH, vol(32))
    p.put(4, CH_HAT, "C-4", CRASH, vol(22))
    p.put(8, CH_HAT, "C-4", CRASH, vol(18))
    for ch, n in zip(PAD_CHANNELS, ("A-3", "C-4", "D#4")):  # a dissonant stab
        p.put(0, ch, n, PAD, vol(18))
    for row in (12, 13, 14, 15):
        p.put(row, CH_SNARE, "C-4", SNARE, vol(30 + (row - 12) * 6))
    p.effect(16, CH_VOICE, 0x0D, 0x32)
    return p


def pattern_now():
    """Pattern 3: order 7, rows 0-40; breaks on row 40 into order 8, whose
    first row brings the next hit."""
    p = Pattern()
    say(p, 0, "now", "A#3", 64, CH_BELL)
    p.put(0, CH_KICK, "C-4", KICK, vol(40))
    p.put(0, CH_BASS, "A-2", BASS, vol(24))
    p.put(4, CH_HAT, "C-4", CRASH, vol(40))  # after the word, not over it
    for ch, n in zip(PAD_CHANNELS, ("A-3", "C-4", "E-4")):
        p.put(0, ch, n, PAD, vol(18))
    # the siren rises while the robot spins
    p.put(2, CH_LEAD, "A-3", LEAD, vol(34), 0x01, 0x04)
    for row in range(3, 16):
        p.put(row, CH_LEAD, 0, 0, 0x91 if row % 2 else 0, 0x01, 0x00)
    p.put(16, CH_LEAD, "off")
    for row in range(4, 16, 2):
        p.put(row, CH_SNARE, "C-4", SNARE, vol(14 + row * 2))
    for row in (13, 15):
        p.put(row, CH_SNARE, "C-4", SNARE, vol(44))
    # the laugh on the flash rows
    laugh(p, [16, 20, 24], [17, 25, 26], CH_BELL)
    for row in (16, 20, 24):
        p.put(row, CH_KICK, "C-4", KICK, vol(44))
        p.put(row, CH_HAT, "C-4", CRASH, vol(18))
        p.put(row, CH_BASS, "A-2", BASS, vol(24))
        p.put(row + 2, CH_BASS, "off")
    for ch, n in zip(PAD_CHANNELS, ("A-3", "C-4", "D#4")):
        p.put(16, ch, n, PAD, vol(18))
    # a march into the threat
    for row in (28, 30, 32, 34, 36, 37, 38, 39):
        p.put(row, CH_SNARE, "C-4", SNARE, vol(26 + (row - 28) * 3))
    for row in (28, 32, 36):
        p.put(row, CH_KICK, "C-4", KICK, vol(44))
        p.put(row, CH_BASS, "E-2", BASS, vol(28))
    pads(p, 28, "E", 20)
    p.effect(40, CH_VOICE, 0x0D, 0x00)
    return p


def pattern_threat():
    """Pattern 1: order 8, the threat word by word, then the ending. The
    band stands back for "GETS IT" and answers after it; the last chord is
    never released, so it rings on under the closing screen."""
    p = Pattern()
    words = [(0, "en", "A-3", "Am"), (4, "ter", "G-3", "Am"), (12, "or", "A-3", "F"),
             (16, "the", "G-3", "F"), (20, "ro", "A-3", "G"), (23, "bot", "G-3", "G"),
             (28, "gets", "A-3", "E"), (32, "it", "E-3", "Am")]
    for row, word, pitch, chord in words:
        say(p, row, word, pitch, 64)
        if row < 28:
            p.put(row, CH_KICK, "C-4", KICK, vol(40))
            p.put(row, CH_BASS, ROOTS[chord], BASS, vol(26))
            pads(p, row, chord, 16)
            p.put(row, CH_HAT, "C-4", CRASH if row in (0, 12, 20) else HAT, vol(28))
    pads(p, 28, "E", 14)
    p.put(28, CH_BASS, "off")
    for row in (8, 10, 14, 18, 22, 26):
        p.put(row, CH_SNARE, "C-4", SNARE, vol(14 + row))
    p.put(24, CH_KICK, "C-4", KICK, vol(32))
    # after "IT": the last hit, then the music box over the held chord
    p.put(36, CH_KICK, "C-4", KICK, vol(48))
    p.put(36, CH_SNARE, "C-4", SNARE, vol(40))
    p.put(36, CH_HAT, "C-4", CRASH, vol(52))
    p.put(36, CH_BASS, "A-2", BASS, vol(44))
    pads(p, 36, "Am", 30)
    for row, n, length in MUSIC_BOX:
        if row + 36 < ROWS:
            p.put(row + 36, CH_BELL, n, BELL, vol(34 - row // 2))
    for row in range(38, 64, 4):
        p.put(row, CH_HAT, "C-4", SLEIGH, vol(28 - (row - 38) // 2))
    p.put(42, CH_BASS, "off")
    for row in range(40, 62):  # the chord settles to a hush, then hands over
        for ch in PAD_CHANNELS:
            p.put(row, ch, 0, 0, 0x81 if row < CLOSE_ROW + 2 else 0x82)
    # the chord that holds under the closing screen and fades with its picture
    p.put(CLOSE_ROW, CH_LEAD, "C-4", CLOSING, vol(40))
    return p


def build_patterns():
    pats = [Pattern() for _ in range(8)]
    pats[1] = pattern_threat()
    pats[2] = pattern_verse()
    pats[3] = pattern_now()
    pats[4] = pattern_intro()
    pats[5] = pattern_chorus()
    pats[6] = pattern_laugh()
    pats[7] = pattern_closeup()
    return pats


# ---------------------------------------------------------------- XM file

def quantise(samples, bits):
    scale = 127 if bits == 8 else 32767
    lo = -128 if bits == 8 else -32768
    return [max(lo, min(scale, int(math.floor(s * scale + 0.5)))) for s in samples]


def delta(values, bits):
    out, prev = [], 0
    mask = 0xFF if bits == 8 else 0xFFFF
    for v in values:
        out.append((v - prev) & mask)
        prev = v
    if bits == 8:
        return bytes(out)
    return struct.pack("<%dH" % len(out), *out)


def name_field(text, size):
    return text.encode("ascii")[:size].ljust(size, b"\0")


def write_xm(patterns, instruments):
    out = bytearray()
    out += b"Extended Module: " + name_field("frostmere invitation", 20) + b"\x1a"
    out += name_field("frostmere tools", 20) + struct.pack("<H", 0x0104)
    order_table = bytes(ORDERS).ljust(256, b"\0")
    out += struct.pack("<IHHHHHHHH", 20 + 256, len(ORDERS), 0, CHANNELS, len(patterns),
                       len(instruments), 1, SPEED, BPM) + order_table
    for p in patterns:
        data = p.pack()
        if all(c is None for row in p.cells for c in row):
            data = b""
        out += struct.pack("<IBHH", 9, 0, ROWS, len(data)) + data
    for ins in instruments:
        q = quantise(ins.samples, ins.bits)
        length_bytes = len(q) * (ins.bits // 8)
        env = ins.envelope or []
        env_points = b"".join(struct.pack("<HH", t, v) for t, v in env).ljust(48, b"\0")
        header = name_field(ins.name, 22) + b"\0" + struct.pack("<H", 1)
        header += struct.pack("<I", 40) + bytes(96) + env_points + bytes(48)
        header += bytes([len(env), 0, 0, 0, 0, 0, 0, 0, 3 if env else 0, 0, 0, 0, 0, 0])
        header += struct.pack("<H", 128) + bytes(22)
        out += struct.pack("<I", 4 + len(header)) + header
        loop_type = 1 if (ins.loop and q) else 0
        sample_type = loop_type | (0x10 if ins.bits == 16 else 0)
        start = ins.loop_start * (ins.bits // 8) if loop_type else 0
        loop_len = length_bytes - start if loop_type else 0
        out += struct.pack("<IIIBbBBbB", length_bytes, start, loop_len, ins.volume, ins.fine,
                           sample_type, 128, ins.rel, 0) + name_field(ins.name, 22)
        out += delta(q, ins.bits)
    return bytes(out)


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write(__doc__)
        return 2
    here = os.path.dirname(os.path.abspath(__file__))
    voice_dir = argv[2] if len(argv) == 3 else os.path.join(here, "..", "data", "voice")
    song = write_xm(build_patterns(), build_instruments(voice_dir))
    with open(argv[1], "wb") as f:
        f.write(song)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
