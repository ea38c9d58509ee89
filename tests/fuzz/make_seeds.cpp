// make_seeds.cpp - writes the fuzz targets' seed inputs.
//
//   fuzz_make_seeds DIR
//
// DIR/fuzz_xm_loader/   the stored song and small modules from the music
//                       tests' XM writer, each one a file
// DIR/fuzz_xm_render/   the same modules, each followed by a kernel selector
//                       byte (see fuzz_xm_render.cpp)
// DIR/fuzz_texture_script/  the stored texture script's records, whole and
//                       cut into its ten textures, and one record of each op
// DIR/fuzz_capture_options/, fuzz_png_write/, fuzz_wav_write/  a few inputs
//                       in each target's own layout
//
// Every module written is loaded back and must load: a seed that the loader
// refuses would only test the signature check.
#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "embedded_data.h"
#include "fuzz_support.h"
#include "music/music.h"
#include "textures/script.h"
#include "xm_builder.h"

static std::string out_dir;
static int written;

static void write_file(const std::string &target, const std::string &name,
                       const std::vector<uint8_t> &bytes)
{
    mkdir((out_dir + "/" + target).c_str(), 0777);
    const std::string path = out_dir + "/" + target + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    const bool ok = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    FUZZ_CHECK((f ? fclose(f) == 0 : false) && ok, "cannot write %s", path.c_str());
    ++written;
}

// The module as a loader seed and, with selector bytes, as render seeds.
static void module_seed(const std::string &name, const std::vector<uint8_t> &bytes,
                        std::initializer_list<uint8_t> selectors)
{
    Song *song = fuzz_load_module(bytes.data(), bytes.size());
    FUZZ_CHECK(song, "seed %s does not load: %s", name.c_str(), song_load_error());
    fuzz_check_song(song), song_free(song);
    write_file("fuzz_xm_loader", name + ".xm", bytes);
    std::vector<uint8_t> with = bytes;
    with.push_back(0);
    for (uint8_t s : selectors)
        with.back() = s, write_file("fuzz_xm_render", name + "-k" + std::to_string(s) + ".xm", with);
}

// A sawtooth of n values from -amplitude up, repeating every `period`.
template <typename T> static std::vector<T> wave(int n, int period, int amplitude)
{
    std::vector<T> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = (T)((int64_t)(i % period) * 2 * amplitude / period - amplitude);
    return v;
}

static void music_seeds()
{
    module_seed("stored-song",
                std::vector<uint8_t>(EMBEDDED_SONG, EMBEDDED_SONG + EMBEDDED_SONG_SIZE), {3, 2});

    {  // ping-pong loop under portamento up and down
        XmModule m;
        XmPattern p = xm_pattern(24, 1);
        p.cells[0] = {25, 1, 0, 0x01, 0x20}, p.cells[6] = {0, 0, 0, 0x01, 0};
        p.cells[12] = {0, 0, 0, 0x02, 0x40}, p.cells[18] = {73, 0, 0, 0x03, 0x10};
        XmSample s = xm_sample_8bit(wave<int8_t>(300, 30, 100));
        s.loop_type = 2, s.loop_start = 50, s.loop_length = 100;
        m.patterns = {p}, m.instruments = {xm_instrument(s)};
        module_seed("ping-pong", xm_build(m), {2, 3});
    }
    // Millions of frames at the top notes, sliding higher, played long enough
    // (selectors 0x7C and up) to wrap at a forward loop's end and to turn at
    // both ends of a ping-pong loop from frame 0.
    for (uint8_t kind : {1, 2}) {
        XmModule m;
        m.patterns = {xm_pattern(256, 1)};
        m.patterns[0].cells[0] = {96, 1, 0, 0x01, 0xFF};
        XmSample s = kind == 1 ? xm_sample_8bit(wave<int8_t>(3000000, 1000, 100))
                               : xm_sample_16bit(wave<int16_t>(2000000, 999, 30000));
        s.loop_type = kind, s.relative_note = 30;
        s.loop_start = kind == 1 ? 1000000 : 0;
        s.loop_length = (uint32_t)s.values.size() - s.loop_start;
        m.instruments = {xm_instrument(s)};
        module_seed(kind == 1 ? "far-forward" : "far-ping-pong", xm_build(m), {0x7C, 0xFF});
    }
}

// Command lines (each word ended by NUL), pictures and runs of WAV writes.
static void other_seeds()
{
    int n = 0;
    for (std::string line : {"--out f --frames 0,7,70 --fps 30 ", "--video v.mkv --scale 2 ",
                             "--soundtrack s.flac --seconds 2.5 --module m.xm ",
                             "--textures t --quiet ", "--wav w --every 3 --log l --max-frames 9 "})
        std::replace(line.begin(), line.end(), ' ', '\0'),
            write_file("fuzz_capture_options", "line-" + std::to_string(n++), {line.begin(), line.end()});
    write_file("fuzz_png_write", "gradient", {15, 7, 2, 0, 60, 120, 180, 240, 200, 100, 128});
    // 3 channels over the writer's buffer: whole frames in every piece it writes.
    write_file("fuzz_wav_write", "three-channels",
               {0x44, 0xAC, 0, 0, 2, 0x10, 0x27, 1, 2, 3, 4, 5, 6, 7, 0, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,
                0xFF, 0x7F});
}

static void texture_seeds()
{
    const uint8_t *records = TEXTURE_SCRIPT + 2;
    const int count = (TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8) / 8;
    write_file("fuzz_texture_script", "stored-script", {records, records + count * 8});
    for (int k = 0, from = 0, texture = 0; k < count; ++k)
        if (records[k * 8] == TEX_OP_UPLOAD)
            write_file("fuzz_texture_script", "stored-texture-" + std::to_string(texture++),
                       std::vector<uint8_t>(records + from * 8, records + (k + 1) * 8)),
                from = k + 1;
    // One record of each operator on slots 1 and 2 into 3.
    std::vector<uint8_t> each;
    for (int op = 0; op < TEX_OP_COUNT; ++op)
        each.insert(each.end(), {(uint8_t)op, 3, 1, 2, 40, 90, 140, 200});
    write_file("fuzz_texture_script", "each-operator", each);
}

int main(int argc, char **argv)
{
    if (argc != 2)
        return fprintf(stderr, "usage: fuzz_make_seeds DIR\n"), 2;
    out_dir = argv[1];
    mkdir(out_dir.c_str(), 0777);
    music_seeds();
    texture_seeds();
    other_seeds();
    printf("fuzz_make_seeds: %d seed inputs in %s\n", written, out_dir.c_str());
    return 0;
}
