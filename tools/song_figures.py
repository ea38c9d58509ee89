#!/usr/bin/env python3
"""Measures the song where ears cannot: levels, top end, sample tails,
section loudness, the hook against the band and the robot's syllables
against the rows they fall on.

Usage: song_figures.py [IN.xm]   (default: data/song.xm)

Renders the module with render_xm.py (the whole mix, the voice alone, the
band without the voice, the lead alone and the band without lead or voice)
and prints:
  closing    RMS in dBFS of orders 9-10 (to order 10 row 32, where the intro
             ends), of the second before the picture's last fade (order 10
             row 16) and the time of the last sample that is not zero; then
             the level of each half second from that fade to the end;
  top end    the share of each order's energy above 8 kHz (an 8th-order
             Butterworth high-pass);
  tails      each one-shot sample's last 16 frames against its peak, in dB;
  loudness   each order's K-weighted level without gating (BS.1770 filters,
             LUFS-like), the chorus halves, and the hook (the lead) against
             the rest of the band, voice left out, over both choruses;
  voice      per syllable: the delay from its row to the first point of its
             5 ms RMS envelope within 20 dB of the envelope's peak, and its
             level over the band in 300-3400 Hz (first 250 ms); the voice's
             share of energy above 3.5 kHz, and the samples' peak-to-RMS
             ratio (a hard saturation squashes it towards 0 dB);
  chorus     the hits of lead, kick, snare and bass, each rendered alone, over
             both choruses: the 95th percentile of their 50 ms RMS windows in
             dBFS; and the share of the whole chorus's energy in the
             500-1000 Hz octave, where a bare square lead piles up.
Then checks the figures the song must keep (check() lists the limits) and
exits 1, naming each one missed, so a regenerated song cannot quietly lose
them; tools/check_data.py runs it on the committed song.

Standard library only; a full run takes a minute or two.
"""
import math
import os
import statistics
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import render_xm  # noqa: E402

RATE = 44100
ROW_FRAMES = 4860  # 6 ticks of 810 frames at 136 BPM
LEFT = 128 / 255 / 32768  # the left channel of pan 128, as a fraction of full scale
VOICE_CHANNEL = 9


def biquad(x, b0, b1, b2, a1, a2):
    y, x1, x2, y1, y2 = [], 0.0, 0.0, 0.0, 0.0
    append = y.append
    for v in x:
        o = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2
        x2, x1, y2, y1 = x1, v, y1, o
        append(o)
    return y


def butter_sections(kind, fc, order):
    """Bilinear Butterworth as second-order sections (order even)."""
    k = math.tan(math.pi * fc / RATE)
    out = []
    for i in range(order // 2):
        q = 1 / (2 * math.cos(math.pi * (2 * i + 1) / (2 * order)))
        norm = 1 / (1 + k / q + k * k)
        if kind == "high":
            b = (norm, -2 * norm, norm)
        else:
            b = (k * k * norm, 2 * k * k * norm, k * k * norm)
        out.append(b + (2 * (k * k - 1) * norm, (1 - k / q + k * k) * norm))
    return out


def k_weighting():
    """The two BS.1770 stages (a +4 dB shelf above ~1.5 kHz, a high-pass at
    38 Hz), derived for 44.1 kHz from their analogue prototypes."""
    f0, g, q = 1681.974450955533, 3.999843853973347, 0.7071752369554196
    k = math.tan(math.pi * f0 / RATE)
    vh = 10 ** (g / 20)
    vb = vh ** 0.4996667741545416
    a0 = 1 + k / q + k * k
    shelf = ((vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0,
             (vh - vb * k / q + k * k) / a0, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0)
    f0, q = 38.13547087602444, 0.5003270373238773
    k = math.tan(math.pi * f0 / RATE)
    a0 = 1 + k / q + k * k
    high = (1.0, -2.0, 1.0, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0)
    return [shelf, high]


def cascade(x, sections):
    for s in sections:
        x = biquad(x, *s)
    return x


def energy(x, a, b):
    return sum(v * v for v in x[a:b])


def db(power_ratio):
    return 10 * math.log10(power_ratio) if power_ratio > 0 else float("-inf")


def schedule(song):
    """(order, row, first frame) of every row the intro plays."""
    rows, order, row, frame = [], 0, 0, 0
    while order < 10 or (order == 10 and row < 32):
        rows.append((order, row, frame))
        frame += ROW_FRAMES
        pat = song["patterns"][song["orders"][order]]
        jump = [c for c in pat[row] if c[3] == 0x0D]
        if jump:
            order, row = order + 1, (jump[0][4] >> 4) * 10 + (jump[0][4] & 15)
        elif row == 63:
            order, row = order + 1, 0
        else:
            row += 1
    return rows, frame


def spans(rows, end):
    """First and end frame of each order, and of each chorus half."""
    out = {}
    for order, row, frame in rows:
        a, _ = out.get(order, (frame, frame))
        out[order] = (a, frame + ROW_FRAMES)
        if order in (2, 6):
            key = "%d%s" % (order, "a" if row < 32 else "b")
            a, _ = out.get(key, (frame, frame))
            out[key] = (a, frame + ROW_FRAMES)
    return out


def syllables(song, rows):
    """(frame, instrument, order, row) of every note on the voice channel."""
    out = []
    for order, row, frame in rows:
        n, ins = song["patterns"][song["orders"][order]][row][VOICE_CHANNEL][:2]
        if 1 <= n <= 96 and ins:
            out.append((frame, ins, order, row))
    return out


def loudness(x, a, b):
    return -0.691 + db(2 * energy(x, a, b) / max(1, b - a))


def render(song, instruments=None, stop_order=10):
    return [v * LEFT for v in render_xm.render(song, stop_order, 32 if stop_order == 10 else 0,
                                               instruments=instruments)]


def hits(x, spans_):
    """dBFS of the 95th percentile of the 50 ms RMS windows in the spans:
    how loud a part's hits are, whatever sits between them."""
    w = RATE // 20
    powers = sorted(energy(x, a, a + w) / w for lo, hi in spans_ for a in range(lo, hi - w + 1, w))
    return db(powers[int(0.95 * (len(powers) - 1))])


def halves(x, a, b):
    """dBFS of each half second from a to b (the last may be shorter)."""
    return [db(energy(x, s, min(b, s + RATE // 2)) / (min(b, s + RATE // 2) - s))
            for s in range(a, b, RATE // 2)]


def check(f):
    """The limits the figures must keep: a list of the ones missed."""
    k = f["levels"]
    chorus = min(k[2], k[6])
    limits = [
        ("the closing screen sounds at -35 to -20 dBFS", -35 < f["closing"] < -20),
        ("the last half second before the fade is above -40 dBFS", f["before_fade"] > -40),
        ("the mix peaks between a quarter and 90 % of full scale", 0.25 < f["peak"] < 0.9),
        ("no half second from 0.5 s to the fade is silent (RMS 150 of 32768)",
         f["quietest"] * 32768 > 150),
        ("verse and chorus keep 2 % of their energy above 8 kHz",
         all(f["top"][o] > 0.02 for o in (1, 2, 5, 6))),
        ("the chorus is 1 LU louder than every other section",
         all(chorus > k[o] + 1 for o in (0, 1, 3, 4, 5, 7, 8))),
        ("each chorus lifts 1 LU halfway", k["2b"] > k["2a"] + 1 and k["6b"] > k["6a"] + 1),
        ("the 20 or more one-shots end 60 dB below their peak",
         len(f["tails"]) >= 20 and max(f["tails"]) < -60),
        ("all 59 syllables are heard within 20 ms of their rows",
         f["syllables"] == 59 and f["latest"] < 20),
        ("the chorus's kick and snare hit within 6 dB of the lead, the bass within 4 dB",
         all(abs(f["hits"][p] - f["hits"]["lead"]) <= limit
             for p, limit in (("kick", 6), ("snare", 6), ("bass", 4)))),
        ("at most 42 % of the chorus's energy is in 500-1000 Hz", f["mid"] < 0.42),
        ("the closing sound falls with the picture's fade, each half second 2 dB quieter",
         all(b < a - 2 for a, b in zip(f["fading"], f["fading"][1:]))),
        ("the intro ends in silence (its last quarter second below -70 dBFS)",
         f["last_quarter"] < -70),
    ]
    return [name for name, kept in limits if not kept]


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    path = argv[1] if len(argv) > 1 else os.path.join(here, "..", "data", "song.xm")
    song = render_xm.load(path)
    rows, end = schedule(song)
    span = spans(rows, end)
    voice_ins = set(range(11, 28))
    lead_ins = {7}
    everything = set(range(1, len(song["ins"]) + 1))
    print("module %s: %d bytes" % (path, os.path.getsize(path)))

    mix = render(song)
    closing = span[9][0]
    fade = next(f for o, r, f in rows if o == 10 and r == 16)
    last = max((i for i, v in enumerate(mix) if abs(v) * 32768 >= 0.5), default=0)
    fig = {"closing": db(energy(mix, closing, end) / (end - closing)),
           "before_fade": db(energy(mix, fade - RATE // 2, fade) / (RATE // 2)),
           "peak": max(abs(v) for v in mix)}
    fig["quietest"] = min(math.sqrt(energy(mix, a, a + RATE // 2) / (RATE // 2))
                          for a in range(RATE // 2, fade - RATE // 2, RATE // 2))
    print("closing    orders 9-10 %.1f dBFS RMS, before the fade %.1f dBFS, last sound %.2f s "
          "(intro ends %.2f s)" % (db(energy(mix, closing, end) / (end - closing)),
                                   db(energy(mix, fade - RATE, fade) / RATE), last / RATE, end / RATE))
    fig["fading"] = halves(mix, fade, end)
    fig["last_quarter"] = db(energy(mix, end - RATE // 4, end) / (RATE // 4))
    print("           from the fade (order 10 row 16) per 0.5 s: %s dBFS; last quarter second "
          "%.1f dBFS; the mix peaks at %.2f of full scale"
          % (" ".join("%.1f" % v for v in fig["fading"]), fig["last_quarter"], fig["peak"]))

    high = cascade(mix, butter_sections("high", 8000, 8))
    shares = ["%d:%.2f%%" % (o, 100 * energy(high, *span[o]) / max(1e-30, energy(mix, *span[o])))
              for o in range(11)]
    drums = [1, 2, 5, 6]
    share = sum(energy(high, *span[o]) for o in drums) / sum(energy(mix, *span[o]) for o in drums)
    fig["top"] = {o: energy(high, *span[o]) / max(1e-30, energy(mix, *span[o])) for o in drums}
    print("top end    above 8 kHz: %s; verse and chorus %.2f%%" % (" ".join(shares), 100 * share))

    tails = []
    for i, ins in enumerate(song["ins"]):
        s = ins["samples"][0]
        if s["len"] and not s["loop"]:
            data = s["data"][:s["len"]]
            peak = max(abs(v) for v in data)
            tails.append((db((max(abs(v) for v in data[-16:]) / peak) ** 2), i + 1))
    print("tails      one-shot ends re peak (worst first): " +
          " ".join("%d:%.0f" % (n, t) for t, n in sorted(tails, reverse=True)[:8]) +
          " dB; %d one-shots" % len(tails))

    fig["tails"] = [t for t, _ in tails]
    kmix = cascade(mix, k_weighting())
    levels = {k: loudness(kmix, *v) for k, v in span.items()}
    fig["levels"] = levels
    print("loudness   " + " ".join("%d:%.1f" % (o, levels[o]) for o in range(11)) +
          " LUFS (K-weighted, ungated)")
    verse = loudness(kmix, *span[1])
    chorus = (levels[2] + levels[6]) / 2
    print("           chorus - verse %.1f LU; chorus halves %.1f/%.1f and %.1f/%.1f (lift %.1f, %.1f)"
          % (chorus - verse, levels["2a"], levels["2b"], levels["6a"], levels["6b"],
             levels["2b"] - levels["2a"], levels["6b"] - levels["6a"]))
    lead_alone = render(song, lead_ins)
    lead = cascade(lead_alone, k_weighting())
    rest = cascade(render(song, everything - lead_ins - voice_ins), k_weighting())
    ch = [span[2], span[6]]
    hook = sum(energy(lead, a, b) for a, b in ch)
    band = sum(energy(rest, a, b) for a, b in ch)
    print("           hook over the band in the choruses %.1f dB" % db(hook / band))

    voice = render(song, voice_ins)
    band = render(song, everything - voice_ins)
    bp = butter_sections("high", 300, 2) + butter_sections("low", 3400, 2)
    voice_bp, band_bp = cascade(voice, bp), cascade(band, bp)
    spoken = syllables(song, rows)
    delays, clarity = [], []
    half = RATE // 400  # a 5 ms window, centred
    for k, (frame, ins, order, row) in enumerate(spoken):
        stop = min(spoken[k + 1][0] if k + 1 < len(spoken) else end, frame + RATE // 2)
        power = [energy(voice, max(frame, i - half), i + half) for i in range(frame, stop, 44)]
        first = next(i for i, p in enumerate(power) if p >= 0.01 * max(power))
        delays.append((first * 44 * 1000 / RATE, order, row, ins))
        body = min(stop, frame + RATE // 4)
        clarity.append((db(energy(voice_bp, frame, body) / max(1e-30, energy(band_bp, frame, body))),
                        order, row, ins))
    worst = sorted(delays, reverse=True)[:3]
    fig["syllables"], fig["latest"] = len(delays), worst[0][0]
    print("voice      heard onset after its row: max %.0f ms, median %.0f ms; latest %s" % (
        worst[0][0], statistics.median(d for d, *_ in delays),
        ", ".join("%.0f ms (order %d row %d, ins %d)" % w for w in worst)))
    low = sorted(clarity)[:4]
    print("           over the band 300-3400 Hz: median %+.1f dB, the last word %+.1f dB; weakest %s"
          % (statistics.median(c for c, *_ in clarity), clarity[-1][0],
             ", ".join("%+.1f (order %d row %d, ins %d)" % w for w in low)))
    vhigh = cascade(voice, butter_sections("high", 3500, 8))
    crest = []
    for i in sorted({ins for _, ins, _, _ in spoken}):
        s = song["ins"][i - 1]["samples"][0]["data"][:-1]
        crest.append(db(max(v * v for v in s) * len(s) / sum(v * v for v in s)))
    print("           above 3.5 kHz %.2f%% of its energy; samples' peak over RMS %.1f dB (median); "
          "%d syllables" % (100 * energy(vhigh, 0, end) / energy(voice, 0, end),
                            statistics.median(crest), len(spoken)))
    fig["hits"] = {"lead": hits(lead_alone, ch)}
    fig["hits"].update((name, hits(render(song, ins, 7), ch))
                       for name, ins in (("kick", {1}), ("snare", {2}), ("bass", {5})))
    mid = cascade(mix, butter_sections("high", 500, 4) + butter_sections("low", 1000, 4))
    fig["mid"] = sum(energy(mid, a, b) for a, b in ch) / sum(energy(mix, a, b) for a, b in ch)
    print("chorus     hits (95th percentile of 50 ms RMS): " +
          " ".join("%s %.1f" % kv for kv in fig["hits"].items()) +
          " dBFS; %.0f%% of its energy in 500-1000 Hz" % (100 * fig["mid"]))
    missed = check(fig)
    for name in missed:
        print("MISSED     " + name)
    print("checks     %d of %d limits missed" % (len(missed), 13))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
