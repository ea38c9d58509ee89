#!/usr/bin/env python3
"""Records the robot's syllables with espeak-ng: data/voice/*.raw.

Usage: make_voice.py OUT_DIR

Each syllable the robot says is spoken on its own (the choppy delivery is
the robot's), trimmed of leading and trailing silence and written at
espeak-ng's own 22050 Hz, signed 16-bit little-endian mono, NAME.raw: the
full rate keeps the consonants' hiss for the song to work from. make_song.py
builds the module's speech samples from these files, so the song can be
regenerated without espeak-ng; run this only to change the words. espeak-ng
versions may differ in their output, which is why the results are kept.
"""
import os
import struct
import subprocess
import sys

# name: (text given to espeak-ng, pitch 0-99, words per minute, voice).
# One small vocabulary serves every line; the song plays the threat words
# lower, which makes them deeper and slower:
#   "ho ho ho, humans! i am the robot. enter the compo or the robot..."
#   "i am the robot. humans, enter it!"   "ha! ha! ha-ha-ha!"   "now!"
#   "en... ter... or... the... ro-bot... gets... it!"
VOICE = "en-us+Mr_Serious"
SYLLABLES = {
    "ho": ("ho", 38, VOICE, 220),
    "hu": ("hew", 40, VOICE, 240),
    "mans": ("mens", 32, VOICE, 240),
    "i": ("eye", 40, VOICE, 240),
    "am": ("am", 34, VOICE, 240),
    "the": ("the", 34, VOICE, 260),
    "ro": ("roe", 40, VOICE, 240),
    "bot": ("bot", 30, VOICE, 240),
    "en": ("en", 40, VOICE, 240),
    "ter": ("ter", 32, VOICE, 240),
    "com": ("com", 38, VOICE, 240),
    "po": ("poe", 30, VOICE, 240),
    "or": ("or", 36, VOICE, 240),
    "gets": ("gets", 34, VOICE, 240),
    "it": ("it", 28, VOICE, 240),
    "ha": ("ha", 30, VOICE, 220),
    "now": ("now", 45, VOICE, 160),
}


def speak(text, pitch, voice, speed):
    wav = subprocess.run(["espeak-ng", "-v", voice, "-p", str(pitch), "-s", str(speed),
                          "-a", "150", "--stdout", text],
                         check=True, stdout=subprocess.PIPE).stdout
    # Find the data chunk of the RIFF file espeak-ng writes (22050 Hz mono s16).
    pos = 12
    while pos + 8 <= len(wav):
        kind, size = wav[pos:pos + 4], struct.unpack_from("<I", wav, pos + 4)[0]
        if kind == b"data":
            body = wav[pos + 8:pos + 8 + size] if size < 0x7FFFFFFF else wav[pos + 8:]
            return list(struct.unpack("<%dh" % (len(body) // 2), body[:len(body) // 2 * 2]))
        pos += 8 + size
    raise RuntimeError("no audio from espeak-ng for %r" % text)


def trim(samples, threshold=500):
    loud = [i for i, s in enumerate(samples) if abs(s) > threshold]
    if not loud:
        return samples
    return samples[max(0, loud[0] - 40):loud[-1] + 40]


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    os.makedirs(argv[1], exist_ok=True)
    for name, (text, pitch, voice, speed) in sorted(SYLLABLES.items()):
        s = trim(speak(text, pitch, voice, speed))
        with open(os.path.join(argv[1], name + ".raw"), "wb") as f:
            f.write(struct.pack("<%dh" % len(s), *s))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
