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

#include "../output_probe.h"
#include "fuzz_support.h"
#include "music/mixer.h"
#include "music/music.h"
#include "music/replayer.h"
#include "music/voices.h"

// Blocks of 20 ms after the ring: 0.5 s, and 0.5 s more for each step of the selector.
static constexpr int RENDER_BLOCKS = 25, BLOCKS_PER_STEP = 25;

static const Song *rendering;
static int32_t check_count;  // checks run in this render

// `point` says where: at a "tick" or a "block".
static void check_voices(const char *point)
{
    const Song *song = rendering;
    ++check_count;
    for (int i = 0; i < VOICE_COUNT; ++i) {
        const Voice *v = &voices[i];
        const Sample *s = v->sample;
        // Just mixed: a voice on an empty sample has stopped.
        const int64_t end = s ? (int64_t)s->loop_start + s->loop_length : 0;
        const bool inside = !s || (s->data && s->length && end <= s->length && v->pos_int >= 0 &&
                                   v->pos_int < end &&
                                   (v->direction == 1 || v->pos_int >= (int64_t)s->loop_start));
        FUZZ_CHECK(inside && v->index == i && (v->direction == 1 || v->direction == 2) &&
                       (unsigned)v->pan <= 255 && (unsigned)v->gain <= 127 &&
                       (unsigned)v->gain_left <= 127 && (unsigned)v->gain_right <= 127,
                   "%s %d voice %d: index %d, direction %d, pan %d, gains %d %d %d, position "
                   "%d.%08x outside 0..%lld (step %d.%08x)",
                   point, check_count, i, v->index, v->direction, v->pan, v->gain,
                   v->gain_left, v->gain_right, v->pos_int, v->pos_frac, (long long)end,
                   v->step_int, v->step_frac);
    }
    for (int c = 0; c < song->channel_count; ++c)
        FUZZ_CHECK(channels[c].voice == &voices[c] ||
                       channels[c].voice == &voices[c + MAX_CHANNELS],
                   "channel %d plays on voice %d", c, (int)(channels[c].voice - voices));
    FUZZ_CHECK(song->order >= 0 && song->order < song->song_length && song->row >= 0 &&
                   song->row < song->patterns[song->order_table[song->order]].rows,
               "order %d of %d, row %d", song->order, song->song_length, song->row);
}

// A digest of the 16-bit output, in the order the blocks were rendered.
static uint64_t digest(uint64_t h, const int16_t *pcm, int32_t frames)
{
    for (int32_t i = 0; i < 2 * frames; ++i)
        h = (h ^ (uint16_t)pcm[i]) * 0x100000001B3ull;
    return h;
}

// Renders the song as the offline renderer does; returns the output's digest.
static uint64_t render(Song *song, int blocks)
{
    rendering = song, check_count = 0;
    FUZZ_CHECK(output_begin(song), "output_begin failed");
    uint64_t h = 0xCBF29CE484222325ull;
    for (int32_t b = 0; b < block_count; ++b)
        h = digest(h, output_block_pcm(b), block_frames);
    for (int k = 0; k < blocks; ++k) {
        const int32_t b = fill_index.load();
        fill_block();
        h = digest(h, output_block_pcm(b), block_frames);
    }
    // As music_render_soundtrack ends: the play buffers, then the ring.
    song_stop(song);
    audio_close();
    return h;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    output_set_rate(OUTPUT_RATE);
    fill_block_probe = [](int32_t) { check_voices("block"); };  // each block ends with a mix
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Song *song = size < 2 ? nullptr : fuzz_load_module(data, size - 1);
    if (!song)
        return 0;
    const int selector = data[size - 1] & 3;
    const int blocks = RENDER_BLOCKS + BLOCKS_PER_STEP * (data[size - 1] >> 2);
    // Every tick but the first follows a mix.
    song->tick_callback = [](Song *s) { check_voices("tick"), song_tick(s); };
    // Selector 3 renders with the plain kernels first, then the others against them.
    const bool every = selector == MIXER_KERNELS_BEST;
    if (every || !mixer_use_kernels(selector))
        mixer_use_kernels(MIXER_KERNELS_PLAIN);
    const uint64_t plain = render(song, blocks);
    for (int k = MIXER_KERNELS_PLAIN + 1; every && k < MIXER_KERNELS_BEST; ++k)
        FUZZ_CHECK(!mixer_use_kernels(k) || render(song, blocks) == plain,
                   "kernels %d differ from the plain ones", k);
    mixer_use_kernels(MIXER_KERNELS_BEST);
    song_free(song);
    return 0;
}
