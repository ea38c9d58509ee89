// The XM loader: cell unpacking, sample conversion, loop normalisation, and
// what a damaged or hostile module is turned into.
#include <gtest/gtest.h>

#include <cstring>

#include "music/output.h"
#include "music/song.h"
#include "xm_builder.h"

namespace {

XmModule one_pattern_module(int channels = 2)
{
    XmModule m;
    m.channels = channels;
    m.patterns.push_back(xm_pattern(64, channels));
    return m;
}

// ---- cells ----

TEST(XmLoaderCells, PackedAndUnpackedForms)
{
    XmModule m = one_pattern_module(2);
    XmPattern &p = m.patterns[0];
    p.rows = 2;
    p.raw = true;
    p.raw_packed = {
        0x80,                    // row 0 ch 0: empty
        0x81, 0x61,              // row 0 ch 1: key-off
        0x00, 5, 0x20, 0x0F, 6,  // row 1 ch 0: unpacked with note 0: still 4 more bytes
        0x9E, 200, 0x40, 0x0D, 0x32,  // row 1 ch 1: instrument 200 is none
    };
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr) << song_load_error();
    const PatternCell *c = song->patterns[0].cells;
    EXPECT_EQ(song->patterns[0].rows, 2);
    EXPECT_EQ(c[0].note, 0);
    EXPECT_EQ(c[0].effect, 0);
    EXPECT_EQ(c[1].note, NOTE_KEY_OFF);
    EXPECT_EQ(c[2].note, 0);
    EXPECT_EQ(c[2].instrument, 5);
    EXPECT_EQ(c[2].volume, 0x20);
    EXPECT_EQ(c[2].effect, 0x0F);
    EXPECT_EQ(c[2].param, 6);
    EXPECT_EQ(c[3].instrument, 0);
    EXPECT_EQ(c[3].volume, 0x40);
    EXPECT_EQ(c[3].param, 0x32);
    song_free(song);
}

// ---- samples ----

TEST(XmLoaderSamples, EightBitDeltasWidenAndWrap)
{
    XmModule m = one_pattern_module(1);
    XmSample s;
    s.raw = true;
    s.raw_length = 2;
    s.raw_data = {0x7F, 0x02};
    m.instruments.push_back(xm_instrument(s));
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr);
    const Sample *sample = song->instruments[0].samples[0];
    EXPECT_EQ(sample->length, 2u);
    EXPECT_EQ(sample->bits, 16);
    EXPECT_EQ(sample->data[0], 32512);
    EXPECT_EQ(sample->data[1], -32512);
    EXPECT_EQ(sample->data[2], 0);   // guard after an unlooped sample
    EXPECT_EQ(sample->data[-1], 0);  // and before every sample
    song_free(song);
}

TEST(XmLoaderSamples, LoopGuardsHoldWhatTheInterpolationMustRead)
{
    XmModule m = one_pattern_module(1);
    XmSample forward = xm_sample_8bit({10, 20, 30, 40, 50, 60});
    forward.loop_type = 1;
    forward.loop_start = 1;
    forward.loop_length = 3;  // frames 1..3; guard at 4
    XmSample pingpong = forward;
    pingpong.loop_type = 3;   // both bits: ping-pong
    XmInstrument ins;
    ins.samples = {forward, pingpong};
    m.instruments.push_back(ins);
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr);
    const Sample *f = song->instruments[0].samples[0];
    const Sample *p = song->instruments[0].samples[1];
    EXPECT_EQ(f->loop_kind, LOOP_FORWARD);
    EXPECT_EQ(f->data[4], 20 * 256);
    EXPECT_EQ(p->loop_kind, LOOP_PINGPONG);
    EXPECT_EQ(p->data[4], 40 * 256);
    EXPECT_EQ(p->data[5], 60 * 256);  // the sample past the loop is untouched
    song_free(song);
}

// ---- refusals and clamps ----

TEST(XmLoaderRefuses, WhatTheFormatRules)
{
    std::vector<uint8_t> bytes = xm_build(one_pattern_module());
    bytes[9] = 'X';
    EXPECT_EQ(xm_load(bytes), nullptr);

    XmModule m = one_pattern_module();
    XmInstrument ins = xm_instrument(xm_sample_8bit({1}));
    ins.sample_count = 17;
    m.instruments = {xm_instrument(xm_sample_8bit({1})), ins};
    EXPECT_EQ(xm_load(xm_build(m)), nullptr);
    EXPECT_NE(strstr(song_load_error(), "16 samples"), nullptr);
}

TEST(XmLoaderRefuses, CountsTheModelCannotHold)
{
    for (int channels : {0, 33, 65535}) {
        XmModule m = one_pattern_module(1);
        m.channels = channels;
        EXPECT_EQ(xm_load(xm_build(m)), nullptr) << channels;
    }
    XmModule m = one_pattern_module(1);
    m.song_length = 0;
    EXPECT_EQ(xm_load(xm_build(m)), nullptr);
    m.song_length = 257;
    EXPECT_EQ(xm_load(xm_build(m)), nullptr);
    m.song_length = -1;
    m.pattern_count = 300;
    EXPECT_EQ(xm_load(xm_build(m)), nullptr);
}

TEST(XmLoaderRefuses, AmigaFrequencyModules)
{
    XmModule m = one_pattern_module(1);
    m.flags = 0;
    EXPECT_EQ(xm_load(xm_build(m)), nullptr);
    EXPECT_NE(strstr(song_load_error(), "Amiga"), nullptr);
}

TEST(XmLoaderRefuses, PatternDataPastTheEnd)
{
    XmModule m = one_pattern_module(4);
    m.patterns[0].raw = true;
    m.patterns[0].raw_packed = {0x80, 0x80, 0x83, 1};  // 256 cells promised, 3 given
    EXPECT_EQ(xm_load(xm_build(m)), nullptr);
    EXPECT_NE(strstr(song_load_error(), "past the end"), nullptr);

    XmModule headers = one_pattern_module(1);
    headers.pattern_count = 5;  // four headers missing
    EXPECT_EQ(xm_load(xm_build(headers)), nullptr);
}

TEST(XmLoaderClamps, RestartPositionAndInstrumentCount)
{
    XmModule m = one_pattern_module(1);
    m.orders = {0, 0};
    m.restart = 2;
    m.instrument_count = 300;  // headers of the missing ones read as zeros
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr) << song_load_error();
    EXPECT_EQ(song->restart_position, 0);
    EXPECT_EQ(song->instrument_count, 128);
    song_free(song);
}

TEST(XmLoaderClamps, EnvelopesStayInsideTheirPoints)
{
    XmModule m = one_pattern_module(1);
    XmInstrument ins = xm_instrument(xm_sample_8bit({1, 2}));
    ins.volume_envelope = {{0, 64}, {4, 200}, {8, 0}};
    ins.point_count = 40;
    ins.volume_type = ENVELOPE_ON | ENVELOPE_LOOP;
    ins.volume_loop_start = 30;
    ins.volume_loop_end = 2;
    m.instruments.push_back(ins);
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr);
    const Instrument &i = song->instruments[0];
    EXPECT_EQ(i.volume_point_count, 12);
    EXPECT_EQ(i.volume_type, ENVELOPE_ON);  // the loop to point 30 is gone
    EXPECT_EQ(i.volume_envelope[1].value, 64);
    song_free(song);
}

TEST(XmLoaderClamps, SampleLengthsTheFileCannotHold)
{
    XmModule m = one_pattern_module(1);
    XmSample s;
    s.raw = true;
    s.raw_length = 0xFFFFFFF0u;  // 16-bit: would wrap the buffer size
    s.raw_type = 0x11;
    s.raw_loop_start = 4;
    s.raw_loop_length = 0x7FFFFFF0u;
    s.raw_data = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0};  // five frames
    m.instruments.push_back(xm_instrument(s));
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr) << song_load_error();
    const Sample *sample = song->instruments[0].samples[0];
    EXPECT_EQ(sample->length, 5u);
    EXPECT_EQ(sample->loop_kind, LOOP_FORWARD);
    EXPECT_EQ(sample->loop_start, 2u);
    EXPECT_EQ(sample->loop_length, 3u);
    EXPECT_EQ(sample->data[4], 5);
    EXPECT_EQ(sample->data[5], sample->data[2]);  // guard written inside the buffer
    song_free(song);
}

TEST(XmLoaderClamps, EveryTruncationLoadsOrIsRefusedCleanly)
{
    XmModule m = one_pattern_module(2);
    xm_cell(m.patterns[0], 2, 0, 0) = {49, 1, 0x40, 0x0F, 6};
    XmInstrument ins = xm_instrument(xm_sample_16bit({1, 2, 3, 4, 5, 6, 7, 8}));
    ins.samples.push_back(xm_sample_8bit({1, 2, 3}));
    ins.samples[0].loop_type = 1;
    ins.samples[0].loop_start = 2;
    ins.samples[0].loop_length = 6;
    m.instruments = {ins, ins};
    std::vector<uint8_t> bytes = xm_build(m);
    for (size_t size = 17; size < bytes.size(); ++size) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + (long)size);
        Song *song = xm_load(cut);
        if (!song)
            continue;
        for (int i = 0; i < song->instrument_count; ++i)
            for (int s = 0; s < song->instruments[i].sample_count; ++s) {
                const Sample *sample = song->instruments[i].samples[s];
                EXPECT_LE((uint64_t)sample->loop_start + sample->loop_length, sample->length);
            }
        song_free(song);
    }
}

// Damaged bytes anywhere: the module loads or is refused, and what loads
// plays without reading or writing outside its buffers (checked under the
// address sanitizer).
TEST(XmLoaderClamps, CorruptedModulesLoadAndPlayOrAreRefused)
{
    XmModule m = one_pattern_module(3);
    m.orders = {0, 1, 0};
    m.patterns.push_back(xm_pattern(16, 3));
    for (int row = 0; row < 16; ++row)
        xm_cell(m.patterns[1], 3, row, row % 3) = {(uint8_t)(20 + row * 4), 1, 0x40, 0x0D, 0x30};
    XmInstrument ins = xm_instrument(xm_sample_16bit({100, -200, 300, -400, 500, -600}));
    ins.samples.push_back(xm_sample_8bit({1, 50, 100, 50, 1}));
    ins.samples[1].loop_type = 2;
    ins.samples[1].loop_start = 1;
    ins.samples[1].loop_length = 3;
    ins.volume_envelope = {{0, 64}, {3, 20}, {9, 40}};
    ins.volume_type = ENVELOPE_ON | ENVELOPE_LOOP;
    ins.volume_loop_end = 2;
    ins.sample_map[40] = 1;
    m.instruments = {ins};
    const std::vector<uint8_t> clean = xm_build(m);
    output_set_rate(44100);
    uint32_t state = 12345;
    auto next = [&state] { return state = state * 214013u + 2531011u, (state >> 16) & 0x7FFF; };
    int loaded = 0;
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<uint8_t> bytes = clean;
        for (int k = 0, n = 1 + (int)next() % 6; k < n; ++k)
            bytes[60 + next() % (bytes.size() - 60)] = (uint8_t)(k & 1 ? 0xFF : next());
        Song *song = xm_load(bytes);
        if (!song)
            continue;
        ++loaded;
        ASSERT_TRUE(output_begin(song));  // two seconds through replayer and mixer
        song_free(song);
    }
    EXPECT_GT(loaded, 100);
}

}  // namespace
