#!/usr/bin/env python3
"""Regenerates data/song.xm, data/paths.bin and data/robot_image.raw into a
temporary folder and compares them byte for byte with the committed files.

Usage: check_data.py [SOURCE_DIR]   (default: the folder above tools/)

Then measures the committed song with song_figures.py, which fails when a
figure the song must keep (levels, gaps, top end, the chorus's lift and
balance, clean one-shot ends, syllables on their rows, an ending that fades
to silence with the picture) is lost.

Exit status 0 when all three match and the figures hold. The song is built
from the committed voice recordings (data/voice), so espeak-ng is not needed.
"""
import filecmp
import os
import subprocess
import sys
import tempfile


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    tools, data = os.path.join(root, "tools"), os.path.join(root, "data")
    jobs = [
        ("song.xm", ["make_song.py", None, os.path.join(data, "voice")]),
        ("paths.bin", ["make_paths.py", None]),
        ("robot_image.raw", ["make_robot_image.py", None]),
    ]
    failed = 0
    with tempfile.TemporaryDirectory() as tmp:
        for name, cmd in jobs:
            out = os.path.join(tmp, name)
            args = [sys.executable, os.path.join(tools, cmd[0])] + [out if a is None else a for a in cmd[1:]]
            subprocess.run(args, check=True)
            same = filecmp.cmp(out, os.path.join(data, name), shallow=False)
            print("%-16s %s" % (name, "identical" if same else "DIFFERS from the committed file"))
            failed += not same
    figures = subprocess.run([sys.executable, os.path.join(tools, "song_figures.py"),
                              os.path.join(data, "song.xm")], capture_output=True, text=True)
    print("%-16s %s" % ("song figures", "kept" if figures.returncode == 0 else "LOST:"))
    if figures.returncode != 0:
        print(figures.stdout + figures.stderr)
    failed += figures.returncode != 0
    print("%d passed, %d failed" % (len(jobs) + 1 - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
