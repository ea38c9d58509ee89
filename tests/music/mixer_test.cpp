// The mixer's boundaries, loops and ramps, and the clipper's rounding.
#include <gtest/gtest.h>

#include <cmath>

#include "music/mixer.h"
#include "music/voices.h"

// Voice 0 at full settled gain on a sample laid out as the loader leaves it,
// so the mix holds the interpolated sample values themselves: by default
// 0, 100, 200... over `length` frames.
Sample sample;
std::vector<int16_t> store;

Voice &start(uint32_t length, uint8_t kind, uint32_t loop_start, uint32_t loop_length,
             double position, double step, std::vector<int16_t> values = {})
{
    voices_reset(), mixer_set_rate(44100);
    for (uint32_t i = (uint32_t)values.size(); i < length; ++i)
        values.push_back((int16_t)(i * 100));
    store.assign(length + 2 * SAMPLE_GUARD, 0);
    std::copy(values.begin(), values.end(), store.begin() + SAMPLE_GUARD);
    sample = {}, sample.data = store.data() + SAMPLE_GUARD, sample.length = length;
    sample.loop_kind = kind, sample.loop_start = kind == LOOP_NONE ? 0 : loop_start;
    sample.loop_length = kind == LOOP_NONE ? length : loop_length;
    const uint32_t end = sample.loop_start + sample.loop_length;
    if (kind != LOOP_NONE)
        sample.data[end] = sample.data[kind == LOOP_FORWARD ? sample.loop_start : end - 1];
    Voice &v = voices[0];
    const uint64_t p = (uint64_t)llround(position * 4294967296.0);
    const uint64_t st = (uint64_t)llround(step * 4294967296.0);
    v.pos_int = (int32_t)(p >> 32), v.pos_frac = (uint32_t)p;
    v.step_int = (int32_t)(st >> 32), v.step_frac = (uint32_t)st;
    v.sample = &sample, v.gain_left = v.gain_right = v.ramp_target_left = v.ramp_target_right = 255;
    v.ramp_level_left = v.ramp_level_right = 255 * 256;
    return v;
}

std::vector<float> mix(int frames)
{
    std::vector<float> out(2 * (size_t)frames, 0.0f);
    return mix_voices(out.data(), frames), out;
}

TEST(Mixer, UnloopedSampleEndsOnItsZeroGuard)
{
    Voice &v = start(100, LOOP_NONE, 0, 0, 0.5, 1.0);
    std::vector<float> out = mix(150);
    EXPECT_EQ(std::vector<float>({out[0], out[2 * 98], out[2 * 99], out[2 * 100]}),
              std::vector<float>({50, 9850, 9900 / 2, 0}));  // halfway to the guard's 0
    EXPECT_EQ(v.sample, nullptr);
    // Found past its end (its sample changed under it): it stops at once; one
    // moving back below its loop turns at once.
    start(100, LOOP_NONE, 0, 0, 103.0, 1.0), mix(2);
    EXPECT_EQ(v.sample, nullptr);
    start(30, LOOP_PINGPONG, 10, 10, 5.0, 1.0).direction = 2, mix(1);
    EXPECT_EQ(std::tuple(v.direction, v.pos_int, v.pos_frac), std::tuple(1, 15, 0xFFFFFFFEu));
    // A forward loop without frames (never loaded so) ends the same way, and
    // never divides by its length (the child's exit says which happened).
    start(100, LOOP_FORWARD, 100, 0, 98.0, 1.0);
#if GTEST_HAS_DEATH_TEST
    EXPECT_EXIT((mix(3), exit(v.sample ? 2 : 0)), testing::ExitedWithCode(0), "");
#endif
}

TEST(Mixer, ForwardLoopWrapsAndPingPongReflectsBelowTheMirrorImage)
{
    Voice &v = start(30, LOOP_FORWARD, 10, 10, 18.0, 3.0);
    EXPECT_EQ(mix(3), (std::vector<float>{1800, 1800, 1100, 1100, 1400, 1400}));  // 21 became 11
    EXPECT_EQ(v.pos_int, 17);
    start(30, LOOP_PINGPONG, 10, 10, 19.5, 1.0), mix(1);
    EXPECT_EQ(std::tuple(v.direction, v.pos_int, v.pos_frac), std::tuple(2, 19, 0x7FFFFFFFu));
    mix(10);  // 9.5 reflects at the loop start
    EXPECT_EQ(std::pair(v.direction, v.pos_int), std::pair(1, 10));
    // Backward through a loop start of 0: -0.5 turns to just below 0.5. A
    // loop of 60 frames does not divide 2^32, so the position must be read
    // as negative there, not as 2^32 - 1 whole frames.
    start(64, LOOP_PINGPONG, 0, 60, 1.5, 1.0).direction = 2;
    EXPECT_EQ(mix(4), (std::vector<float>{150, 150, 50, 50, 50, 50, 150, 150}));
    EXPECT_EQ(std::tuple(v.direction, v.pos_int, v.pos_frac), std::tuple(1, 2, 0x7FFFFFFEu));
}

// Steps of a fraction unit or none at all (a first note under tone
// portamento): the chunk count is exact where its short form would divide by
// zero or say "now" (a hair short of a forward loop's end: one more frame,
// then the wrap), and a voice without a step holds still.
TEST(Mixer, TinyAndZeroStepsOnEveryKernel)
{
    for (int kernels = MIXER_KERNELS_PLAIN; kernels < MIXER_KERNELS_BEST; ++kernels) {
        if (!mixer_use_kernels(kernels))
            continue;
        Voice &v = start(30, LOOP_NONE, 0, 0, 12.0, 0.0);
        EXPECT_EQ(mix(100)[2 * 99], 1200.0f);
        EXPECT_EQ(std::tuple(v.sample, v.pos_int, v.pos_frac), std::tuple(&sample, 12, 0u));
        start(30, LOOP_FORWARD, 10, 10, 12.0, 100 / 4294967296.0), mix(1000);
        EXPECT_EQ(std::pair(v.pos_int, v.pos_frac), std::pair(12, 100000u)) << kernels;
        start(30, LOOP_FORWARD, 10, 10, 20.0 - 100 / 4294967296.0, 1.0), mix(3);
        EXPECT_EQ(v.pos_int, 12) << kernels;
    }
    mixer_use_kernels(MIXER_KERNELS_BEST);
    EXPECT_EQ(mixer_use_kernels(-1) | mixer_use_kernels(MIXER_KERNELS_BEST + 1), 0);
}

TEST(Mixer, RampsSpan128FramesAndRestartFromTheCurrentLevel)
{
    const std::vector<int16_t> level(1000, 1000);
    Voice &v = start(1000, LOOP_FORWARD, 0, 1000, 0, 1.0, level);
    v.ramp_level_left = v.ramp_level_right = 0;
    v.gain_left = v.gain_right = 63;  // gain 127 at pan 128
    std::vector<float> out = mix(200);
    EXPECT_TRUE(out[0] == 0.0f && out[2 * 127] > 1000.0f * 62 / 255 &&
                out[2 * 127] < 1000.0f * 63 / 255);  // not there before frame 128
    EXPECT_FLOAT_EQ(out[2 * 128], 1000.0f * (63.0f / 255.0f));
    EXPECT_EQ(v.ramp_level_left, 63 * 256);
    v.gain_left = 0, mix(64);
    v.gain_left = 127, mix(10);  // mid-ramp: a new 128-frame ramp from where it is
    EXPECT_EQ(v.ramp_frames_left, 118);
    // A call one frame longer than a ramp ends it on its gain, not a step past.
    start(1000, LOOP_FORWARD, 0, 1000, 0, 1.0, level).gain_left = 200, mix(ramp_length + 1);
    EXPECT_EQ(v.ramp_level_left, 200 * 256);
}

// The step of a note far above the top octave (the frequency capped at 2^31 Hz)
// moves tens of thousands of frames a frame, so one call crosses a boundary
// 17 million frames away. Inside the loop the sample holds 100, outside it
// 30000: a frame read past the boundary shows in the mix.
TEST(Mixer, NoFrameOutsideTheLoopIsMixedWhateverTheStepOrPosition)
{
    const uint32_t first = 2500000, end = 19500000;
    std::vector<int16_t> values(end + first, 30000);
    std::fill(values.begin() + first, values.begin() + end, 100);
    const double step = 2147483647.0 / 44100;
    const struct { uint8_t kind; uint32_t loop_start; double position; int direction; } cases[] = {
        {LOOP_NONE, 0, first, 1},  // the sample's end: its zero guard, then 30000
        {LOOP_FORWARD, first, first, 1},
        {LOOP_PINGPONG, first, first, 1},
        {LOOP_PINGPONG, first, end - 0.5, 2},
    };
    for (int kernels = MIXER_KERNELS_PLAIN; kernels < MIXER_KERNELS_BEST; ++kernels) {
        if (!mixer_use_kernels(kernels))
            continue;
        for (const auto &c : cases) {
            Voice &v = start(end + first, c.kind, c.loop_start, end - c.loop_start, c.position,
                             step, values);
            sample.length = end, v.direction = c.direction;
            if (c.kind == LOOP_NONE)
                sample.loop_length = end, sample.data[end] = 0;
            for (int call = 0; call < 3; ++call) {
                std::vector<float> out = mix(400);
                const auto [low, high] = std::minmax_element(out.begin(), out.end());
                const uint32_t at = (uint32_t)v.pos_int;
                EXPECT_TRUE(*low >= 0.0f && *high <= 100.0f &&
                            (!v.sample || (at >= c.loop_start && at < end)))
                    << kernels << " " << (&c - cases) << ": " << at;
            }
        }
    }
    mixer_use_kernels(MIXER_KERNELS_BEST);
}

// 13 frames: through the eight-wide, the four-wide and the one-at-a-time
// loops, with a value past the int range in every group each takes.
TEST(Clipper, RoundsToEvenAndClamps)
{
    const float in[26] = {
        2.5f, 3.5f, -2.5f, 40000.0f, -40000.0f, 32767.5f, -0.4f, 1e30f,  // eight
        0.5f, 1.5f, -1.5f, 7.0f, -1e30f, 0.0f, 1.0f, -1.0f,              // wide
        -3.5f, -1e30f, 1e30f, 4.5f, 5.5f, -1e30f, 6.5f, 8.0f,            // four wide
        1e30f, -1e30f};                                                  // one
    int16_t out[26] = {};
    clip_to_pcm16(out, in, 13);
    EXPECT_EQ(std::vector<int16_t>(out, out + 26),
              (std::vector<int16_t>{2, 4, -2, 32767, -32768, 32767, 0, 32767,
                                    0, 2, -2, 7, -32768, 0, 1, -1,
                                    -4, -32768, 32767, 4, 6, -32768, 6, 8,
                                    32767, -32768}));
}
