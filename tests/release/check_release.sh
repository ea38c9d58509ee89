#!/usr/bin/env bash
# The party release, checked as a downloader and a second builder would:
#   - scripts/release run twice, in two folders at two times, gives the same
#     SHA256SUMS;
#   - the zip holds both programs for both systems, the .nfo (ASCII, at most
#     80 columns) and file_id.diz (at most 45 columns, 10 lines);
#   - the Windows programs import only Windows' own DLLs; the Linux programs
#     need only the C library, OpenGL and the display and sound libraries
#     SDL calls (the README lists them);
#   - the Linux capture tool from the zip, unpacked alone into an empty
#     folder, draws the same frames as the tree's own build (TREE_CAPTURE).
#
#   tests/release/check_release.sh TREE_CAPTURE
set -euo pipefail
cd "$(dirname "$0")/../.."
tree_capture=$(realpath "${1:?usage: check_release.sh PATH_TO_TREE_BUILD_FRAMES_TOOL}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "release check: $*" >&2; exit 1; }

mkdir -p "$work/a" "$work/b"
commit=$(git rev-parse HEAD)
TMPDIR="$work/a" scripts/release --commit "$commit" --out "$work/a/dist"
sleep 2
TMPDIR="$work/b" TZ=Australia/Sydney scripts/release --commit "$commit" --out "$work/b/dist"
if ! cmp -s "$work/a/dist/SHA256SUMS" "$work/b/dist/SHA256SUMS"; then
  diff "$work/a/dist/SHA256SUMS" "$work/b/dist/SHA256SUMS" >&2 || true
  fail "two builds of one commit differ"
fi
echo "release check: two builds give the same SHA256SUMS ($(wc -l <"$work/a/dist/SHA256SUMS") files)"

dist=$work/a/dist
unz=$work/unzipped
mkdir -p "$unz"
# As unzip does: each entry with the permissions the zip stores for it, which
# must make the programs executable.
python3 - "$dist/frostmere-invite-2006.zip" "$unz" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for info in z.infolist():
        path = z.extract(info, sys.argv[2])
        os.chmod(path, info.external_attr >> 16 & 0o777)
PY
for f in frostmere.exe frostmere-capture.exe linux/frostmere linux/frostmere-capture; do
  [ -x "$unz/$f" ] || fail "the zip does not mark $f executable"
done
for f in frostmere.exe frostmere-capture.exe linux/frostmere linux/frostmere-capture \
         frostmere.nfo file_id.diz frostmere.png; do
  [ -s "$unz/$f" ] || fail "the zip has no $f"
done
[ -s "$dist/frostmere-web/index.html" ] && [ -s "$dist/frostmere-web/frostmere.wasm.gz" ] ||
  fail "frostmere-web/ lacks the page or its precompressed wasm"

LC_ALL=C grep -q -P '[^\x0A\x0D\x20-\x7E]' "$unz/frostmere.nfo" "$unz/file_id.diz" &&
  fail "the .nfo or file_id.diz holds a character outside printable ASCII"
awk 'length($0) > 80 { exit 1 }' "$unz/frostmere.nfo" || fail "the .nfo is wider than 80 columns"
awk 'length($0) > 45 { exit 1 } END { exit NR > 10 }' "$unz/file_id.diz" ||
  fail "file_id.diz is wider than 45 columns or longer than 10 lines"

cmake -DOBJDUMP=x86_64-w64-mingw32-objdump \
  "-DEXECUTABLES=$unz/frostmere.exe;$unz/frostmere-capture.exe" -P tests/windows/check_imports.cmake
# The C library, OpenGL, and what Debian's SDL2 calls directly for the
# display (X11 and its extensions, Wayland, xkbcommon, libdecor, DRM/GBM) and
# the sound (ALSA, PulseAudio, libsamplerate).
allowed='lib(c|m|GL|OpenGL|GLX|X11|Xext|Xcursor|Xi|Xfixes|Xrandr|Xss|xkbcommon|wayland-(client|egl|cursor)|decor-0|drm|gbm|asound|pulse|pulse-simple|samplerate)\.so\.[0-9.]+|ld-linux-x86-64\.so\.2'
for exe in linux/frostmere linux/frostmere-capture; do
  bad=$(readelf -d "$unz/$exe" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' |
        grep -v -x -E "$allowed" || true)
  [ -z "$bad" ] || fail "$exe needs $(echo $bad)"
done
echo "release check: the zip's contents, imports and libraries are as they should be"

# The zip's Linux build alone in an empty folder, on the offscreen driver.
frames=0,700,1500,2306,3180
lone=$work/lone
mkdir -p "$lone"
cp "$unz/linux/frostmere-capture" "$lone/"
(cd "$lone" && SDL_AUDIODRIVER=dummy ./frostmere-capture --out zip-frames --frames "$frames" --quiet)
SDL_AUDIODRIVER=dummy "$tree_capture" --out "$work/tree-frames" --frames "$frames" --quiet
for f in "$work"/tree-frames/*.png; do
  cmp -s "$f" "$lone/zip-frames/$(basename "$f")" || fail "$(basename "$f") differs from the tree's build"
done
echo "release check: the zip's Linux capture tool draws the tree's frames ($frames)"
