// mixer_bench.cpp - how fast the player renders, as a multiple of real time.
//
//   bench_mixer [--benchmark_filter=...]
//
// Renders a song offline exactly as the output ring would (the prefill, then
// block after block): the stored song, and a 10-channel
// module written here in which every channel keeps a looped voice busy, and a
// large one of the same kind: 32 channels over samples of up to 300,000
// frames, as big modules have. The
// counter x_real_time is seconds of audio per second of CPU time (shown as
// "k/s": 3.9k/s is 3900 times real time). The label carries a hash of the
// PCM, so a faster mixer can be checked to give the same output to the sample.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "embedded_data.h"
#include "music/mixer.h"
#include "music/music.h"
#include "music/output.h"
#include "xm_builder.h"

static std::vector<uint8_t> busy_module(int channels, int length_scale)
{
    XmModule m;
    m.channels = channels;
    m.speed = 6;
    m.bpm = 136;
    m.orders = {0, 1, 2, 3, 0, 1, 2, 3};
    for (int i = 0; i < 5; ++i) {
        int length = (1500 + 3700 * i) * length_scale;
        std::vector<int8_t> wave(length);
        for (int k = 0; k < length; ++k)
            wave[k] = (int8_t)lrint(100.0 * sin(k * (0.05 + 0.013 * i)) *
                                    (i & 1 ? 1.0 : cos(k * 0.0031)));
        XmSample s = xm_sample_8bit(wave);
        s.loop_type = i == 3 ? 2 : 1;
        s.loop_start = length / 4;
        s.loop_length = length - length / 4;
        s.volume = 48;
        s.panning = (uint8_t)(40 + 40 * i);
        s.relative_note = (int8_t)(i - 2);
        XmInstrument ins = xm_instrument(s);
        if (i == 2) {
            ins.volume_envelope = {{0, 64}, {8, 40}, {40, 20}};
            ins.volume_type = ENVELOPE_ON | ENVELOPE_SUSTAIN;
            ins.volume_sustain = 1;
            ins.fadeout = 256;
        }
        m.instruments.push_back(ins);
    }
    for (int p = 0; p < 4; ++p) {
        XmPattern pattern = xm_pattern(64, channels);
        for (int c = 0; c < channels; ++c)
            for (int row = (c % 4); row < 64; row += 4 + (c % 3)) {
                uint8_t note = (uint8_t)(25 + (row * 7 + c * 5 + p * 3) % 48);
                uint8_t effect = (row % 3 == 0) ? 1 : (row % 5 == 0) ? 2 : 0;
                uint8_t volume = (uint8_t)(row % 2 ? 0x10 + 20 + c * 4 : 0x64);
                xm_cell(pattern, channels, row, c) = {note, (uint8_t)(1 + (c + p) % 5), volume,
                                                      effect, 3};
            }
        m.patterns.push_back(pattern);
    }
    return xm_build(m);
}

static uint64_t hash_block(uint64_t h, const int16_t *pcm, int samples)
{
    for (int i = 0; i < samples; ++i) {
        h ^= (uint16_t)pcm[i];
        h *= 1099511628211ull;
    }
    return h;
}

// 1000 blocks (20 s of audio) per iteration: the whole ring, then 900 more.
static void render(benchmark::State &state, const std::vector<uint8_t> &module)
{
    Song *song = xm_load(module);
    if (!song) {
        state.SkipWithError(song_load_error());
        return;
    }
    output_set_rate(OUTPUT_RATE);
    const int more_blocks = 900;
    uint64_t hash = 0;
    for (auto _ : state) {
        output_begin(song);
        for (int i = 0; i < more_blocks; ++i)
            fill_block();
        benchmark::DoNotOptimize(output_block_pcm(0)[0]);
    }
    // The hash of one fixed render, outside the timing.
    output_begin(song);
    hash = 14695981039346656037ull;
    for (int b = 0; b < block_count; ++b)
        hash = hash_block(hash, output_block_pcm(b), 2 * block_frames);
    for (int i = 0; i < more_blocks; ++i) {
        int32_t b = fill_index.load();
        fill_block();
        hash = hash_block(hash, output_block_pcm(b), 2 * block_frames);
    }
    song_free(song);
    audio_close();
    double audio_seconds = (double)(block_count + more_blocks) * block_frames / OUTPUT_RATE;
    state.counters["x_real_time"] =
        benchmark::Counter(audio_seconds * (double)state.iterations(), benchmark::Counter::kIsRate);
    char label[48];
    snprintf(label, sizeof label, "pcm %016llx", (unsigned long long)hash);
    state.SetLabel(label);
}

// The argument picks the per-frame loops: 0 plain, 1 SSE2, 2 AVX2 (the
// default when the processor has it). All give the same hash.
static void BM_TenBusyChannels(benchmark::State &state)
{
    static const std::vector<uint8_t> module = busy_module(10, 1);
    if (!mixer_use_kernels((int)state.range(0))) {
        state.SkipWithError("these loops do not run here");
        return;
    }
    render(state, module);
    mixer_use_kernels(MIXER_KERNELS_BEST);
}
BENCHMARK(BM_TenBusyChannels)
    ->Arg(MIXER_KERNELS_PLAIN)
    ->Arg(MIXER_KERNELS_SSE2)
    ->Arg(MIXER_KERNELS_AVX2)
    ->Unit(benchmark::kMillisecond);

static void BM_ThirtyTwoBusyChannelsLongSamples(benchmark::State &state)
{
    static const std::vector<uint8_t> module = busy_module(32, 20);
    render(state, module);
}
BENCHMARK(BM_ThirtyTwoBusyChannelsLongSamples)->Unit(benchmark::kMillisecond);

static void BM_StoredSong(benchmark::State &state)
{
    static const std::vector<uint8_t> bytes(EMBEDDED_SONG, EMBEDDED_SONG + EMBEDDED_SONG_SIZE);
    render(state, bytes);
}
BENCHMARK(BM_StoredSong)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
