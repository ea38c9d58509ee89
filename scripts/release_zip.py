#!/usr/bin/env python3
"""Writes a zip whose bytes depend only on its entries' contents.

    release_zip.py OUT.zip EPOCH NAME=PATH ...

Entries go in the order given, each dated EPOCH (the commit's time, as UTC,
to the two seconds a zip can say), with permissions 0755 for programs and
0644 for the rest, compressed at one fixed level; nothing of the machine
(user, time zone, file times, extra fields) reaches the archive.
"""
import os
import sys
import time
import zipfile


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    out, epoch, pairs = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    date = time.gmtime(max(epoch, 315532800))[:6]  # a zip's dates start in 1980
    with zipfile.ZipFile(out, "w") as z:
        for pair in pairs:
            name, _, path = pair.partition("=")
            with open(path, "rb") as f:
                data = f.read()
            info = zipfile.ZipInfo(name, date_time=date)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so the permissions below are read
            mode = 0o755 if os.access(path, os.X_OK) and not name.endswith((".nfo", ".diz", ".png")) \
                else 0o644
            info.external_attr = (0o100000 | mode) << 16
            z.writestr(info, data, compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    return 0


if __name__ == "__main__":
    sys.exit(main())
