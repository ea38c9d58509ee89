// fuzz_xm_render.cpp - libFuzzer target: the XM loader, replayer and mixer.
//
// Input: a module file followed by one selector byte. The module is loaded
// from memory and, when it loads, played through the offline output path
// (output_begin renders the 2 s ring, fill_block then 0.5 s more and another
// half second for each step of the selector's upper six bits, so an input
// may play for up to 34 s: far enough into a long sample for its loop end) at
// 44100 Hz, as the capture tool renders a soundtrack. The selector's low
// two bits pick the mixer kernels: 0 plain, 1 SSE2, 2 AVX2 (plain when the
// processor lacks them), 3 every kernel the processor has, one after the
// other, with their 16-bit output compared: the kernels must agree to the bit.
//
// After every mix the voice pool is checked (at each tick, through the song's
// tick callback, and at each block's end, through fill_block_probe): a
// playing voice lies inside its sample's data and loop, moves forward or
// backward, and has a gain of 0..127; each channel plays on its voice or that
// voice's partner; the song position names an existing order and row. A read
// far past a sample's end can skip AddressSanitizer's red zones; the position
// check still sees where the voice went.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "../output_probe.h"
#include "fuzz_support.h"
#include "music/mixer.h"
#include "music/music.h"
#include "music/replayer.h"
#include "music/voices.h"

// Blocks of 20 ms after the ring: 0.5 s, and 0.5 s more for each step of the selector.
static constexpr int RENDER_BLOCKS = 25, BLOCKS_PER_STEP = 25;

static const Song *rendering;
// Where the checks run ("tick" or "block") and how many have run so far.
static const char *check_point = "";
static int32_t check_count;

static void check_voices()
{
    const char *at = check_point;
    const int32_t n = check_count;
    const Song *song = rendering;
    for (int i = 0; i < VOICE_COUNT; ++i) {
        const Voice *v = &voices[i];
        FUZZ_CHECK(v->index == i && (v->direction == 1 || v->direction == 2) &&
                       v->pan >= 0 && v->pan <= 255,
                   "%s %d voice %d: index %d, direction %d, pan %d", at, n, i, v->index,
                   v->direction, v->pan);
        for (int32_t gain : {v->gain, v->gain_left, v->gain_right})
            FUZZ_CHECK(gain >= 0 && gain <= 127, "%s %d voice %d: a gain of %d", at, n, i, gain);
        const Sample *s = v->sample;
        if (!s)
            continue;
        // Just mixed: a voice on an empty sample has stopped.
        FUZZ_CHECK(s->data && s->length, "%s %d voice %d: playing an empty sample", at, n, i);
        const int64_t end = (int64_t)s->loop_start + s->loop_length;
        FUZZ_CHECK(end <= s->length && v->pos_int >= 0 && v->pos_int < end &&
                       (v->direction == 1 || v->pos_int >= (int64_t)s->loop_start),
                   "%s %d voice %d: position %d.%08x, direction %d outside 0..%lld (length %u, "
                   "loop %u+%u, kind %d, step %d.%08x)",
                   at, n, i, v->pos_int, v->pos_frac, v->direction, (long long)end, s->length,
                   s->loop_start, s->loop_length, s->loop_kind, v->step_int, v->step_frac);
    }
    for (int c = 0; c < song->channel_count; ++c)
        FUZZ_CHECK(channels[c].voice == &voices[c] ||
                       channels[c].voice == &voices[c + MAX_CHANNELS],
                   "channel %d plays on voice %d", c, (int)(channels[c].voice - voices));
    const bool order_ok = song->order >= 0 && song->order < song->song_length;
    FUZZ_CHECK(order_ok && song->row >= 0 &&
                   song->row < song->patterns[song->order_table[song->order]].rows,
               "order %d of %d, row %d", song->order, song->song_length, song->row);
}

// Each block ends with a mix.
static void block_probe(int32_t)
{
    check_point = "block";
    ++check_count;
    check_voices();
}

// Every tick but the first follows a mix.
static void checked_tick(Song *song)
{
    check_point = "tick";
    ++check_count;
    check_voices();
    song_tick(song);
}

// A digest of the 16-bit output, in the order the blocks were rendered; a
// block is a whole number of 8-byte words (block_frames is a multiple of 4).
static uint64_t digest(uint64_t h, const int16_t *pcm, int32_t frames)
{
    const size_t words = (size_t)frames / 2;
    for (size_t i = 0; i < words; ++i) {
        uint64_t w;
        memcpy(&w, pcm + 4 * i, 8);
        h = (h ^ w) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    return h;
}

// Renders the song as the offline renderer does; returns the output's
// digest when asked for it, else 0.
static uint64_t render(Song *song, bool want_digest, int blocks)
{
    rendering = song;
    check_count = 0;
    FUZZ_CHECK(output_begin(song), "output_begin failed");
    uint64_t h = 0xCBF29CE484222325ull;
    if (want_digest)
        for (int32_t b = 0; b < block_count; ++b)
            h = digest(h, output_block_pcm(b), block_frames);
    for (int k = 0; k < blocks; ++k) {
        const int32_t b = fill_index.load();
        fill_block();
        if (want_digest)
            h = digest(h, output_block_pcm(b), block_frames);
    }
    // As music_render_soundtrack ends: the play buffers, then the ring.
    song_stop(song);
    audio_close();
    return want_digest ? h : 0;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    output_set_rate(OUTPUT_RATE);
    fill_block_probe = block_probe;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const int selector = data[size - 1] & 3;
    const int blocks = RENDER_BLOCKS + BLOCKS_PER_STEP * (data[size - 1] >> 2);
    Song *song = fuzz_load_module(data, size - 1);
    if (!song)
        return 0;
    FUZZ_CHECK(song->tick_callback == song_tick, "the loaded song does not tick with song_tick");
    song->tick_callback = checked_tick;
    if (selector < MIXER_KERNELS_BEST) {
        if (!mixer_use_kernels(selector))
            mixer_use_kernels(MIXER_KERNELS_PLAIN);
        render(song, false, blocks);
    } else {
        uint64_t first = 0;
        int first_kernels = -1;
        for (int k = 0; k < MIXER_KERNELS_BEST; ++k) {
            if (!mixer_use_kernels(k))
                continue;
            const uint64_t h = render(song, true, blocks);
            if (first_kernels < 0) {
                first = h;
                first_kernels = k;
            }
            FUZZ_CHECK(h == first, "kernels %d and %d give different output", first_kernels, k);
        }
    }
    mixer_use_kernels(MIXER_KERNELS_BEST);
    song_free(song);
    rendering = nullptr;
    return 0;
}
