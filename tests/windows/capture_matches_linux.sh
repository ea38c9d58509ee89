#!/usr/bin/env bash
# frostmere-capture.exe under Wine against the Linux frostmere-capture: the
# ten textures and the song's sound come out byte for byte the same, and so
# does a forest frame
# (both draw on Mesa here). The loading screen differs only in the glyphs of
# its text band: GDI has no Impact and draws its stand-in, Liberation Sans
# Narrow, in the regular weight, where fontconfig picks the bold one.
#   capture_matches_linux.sh frostmere-capture frostmere-capture.exe OUTDIR
set -uo pipefail
linux=$1 windows=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  echo "FAIL: Wine needs an X display here: run the Windows tests under xvfb-run"
  exit 1
fi
rm -rf "$out" && mkdir -p "$out"
wine_run() { "$here/../../scripts/wine-run" "$@"; }

fail=0
"$linux" --textures "$out/linux-textures" > /dev/null || fail=1
wine_run "$windows" --textures "$out/windows-textures" > /dev/null || fail=1
if diff -r "$out/linux-textures" "$out/windows-textures"; then
  echo "textures: all $(ls "$out/linux-textures" | wc -l) files identical"
else
  echo "FAIL: the textures differ"; fail=1
fi

"$linux" --soundtrack "$out/linux.wav" --seconds 65 > /dev/null || fail=1
wine_run "$windows" --soundtrack "$out/windows.wav" --seconds 65 > /dev/null || fail=1
if cmp "$out/linux.wav" "$out/windows.wav"; then
  echo "sound: the whole song's $(stat -c %s "$out/linux.wav") bytes of WAV identical"
  rm -f "$out/linux.wav" "$out/windows.wav"
else
  echo "FAIL: the sound differs"; fail=1
fi

# Frame 40 is a loading screen, frame 400 the forest with the walking robot.
frames=0,40,400
"$linux" --out "$out/linux-frames" --frames $frames > /dev/null || fail=1
wine_run "$windows" --out "$out/windows-frames" --frames $frames > /dev/null || fail=1
for frame in 000000 000040; do
  python3 "$here/pictures.py" text "$out/linux-frames/frame-$frame.png" \
    "$out/windows-frames/frame-$frame.png" || fail=1
done
python3 "$here/pictures.py" same "$out/linux-frames/frame-000400.png" \
  "$out/windows-frames/frame-000400.png" || fail=1
exit $fail
