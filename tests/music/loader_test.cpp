// The XM loader: cell unpacking, sample conversion and loops, and what a
// damaged or hostile module is turned into.
#include <gtest/gtest.h>

#include <cstring>

#include "music/output.h"
#include "music/song.h"
#include "xm_builder.h"

namespace {

XmModule one_pattern_module(int channels)
{
    XmModule m;
    m.channels = channels;
    m.patterns.push_back(xm_pattern(64, channels));
    return m;
}

// A sample whose header fields and data are written exactly as given.
XmSample raw_sample(uint32_t length, uint8_t type, std::vector<uint8_t> data,
                    uint32_t loop_start = 0, uint32_t loop_length = 0)
{
    XmSample s;
    s.raw = true;
    s.raw_length = length;
    s.raw_type = type;
    s.raw_data = std::move(data);
    s.raw_loop_start = loop_start;
    s.raw_loop_length = loop_length;
    return s;
}

TEST(XmLoader, PackedAndUnpackedCells)
{
    XmModule m = one_pattern_module(2);
    m.patterns[0].rows = 2;
    m.patterns[0].raw = true;
    m.patterns[0].raw_packed = {
        0x81, 120,                    // row 0 ch 0: a note past key-off is dropped
        0x81, 0x61,                   // row 0 ch 1: key-off
        0x00, 5, 0x20, 0x0F, 6,       // row 1 ch 0: unpacked, note 0: still 4 more bytes
        0x9E, 200, 0x40, 0x0D, 0x32,  // row 1 ch 1: instrument 200 is none
    };
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr) << song_load_error();
    auto cell = [&](int i) {
        const PatternCell &c = song->patterns[0].cells[i];
        return std::vector<int>{c.note, c.instrument, c.volume, c.effect, c.param};
    };
    EXPECT_EQ(cell(0), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(cell(1), (std::vector<int>{NOTE_KEY_OFF, 0, 0, 0, 0}));
    EXPECT_EQ(cell(2), (std::vector<int>{0, 5, 0x20, 0x0F, 6}));
    EXPECT_EQ(cell(3), (std::vector<int>{0, 0, 0x40, 0x0D, 0x32}));
    song_free(song);
}

TEST(XmLoader, SamplesWidenAndLoopGuardsHoldWhatTheInterpolationReads)
{
    XmModule m = one_pattern_module(1);
    XmSample forward = xm_sample_8bit({10, 20, 30, 40, 50, 60});
    forward.loop_type = 1;
    forward.loop_start = 1;
    forward.loop_length = 3;  // frames 1..3; guard at 4
    XmSample pingpong = forward;
    pingpong.loop_type = 3;   // both bits: ping-pong
    XmInstrument ins;
    ins.samples = {forward, pingpong, raw_sample(2, 0, {0x7F, 0x02}),
                   raw_sample(1000, 0x11, std::vector<uint8_t>(1000), 200, 0)};
    m.instruments = {XmInstrument{}, ins};  // the first only a header
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->instruments[0].samples[0], &EMPTY_SAMPLE);
    const Sample *f = song->instruments[1].samples[0];
    const Sample *p = song->instruments[1].samples[1];
    const Sample *deltas = song->instruments[1].samples[2];
    const Sample *halved = song->instruments[1].samples[3];
    EXPECT_EQ(f->loop_kind, LOOP_FORWARD);
    EXPECT_EQ(f->data[4], 20 * 256);
    EXPECT_EQ(p->loop_kind, LOOP_PINGPONG);
    EXPECT_EQ(p->data[4], 40 * 256);
    EXPECT_EQ(p->data[5], 60 * 256);  // the sample past the loop is untouched
    // 8-bit deltas add up with wrap-around and widen to 16 bits.
    EXPECT_EQ(deltas->bits, 16);
    EXPECT_EQ(deltas->data[0], 32512);
    EXPECT_EQ(deltas->data[1], -32512);
    EXPECT_EQ(deltas->data[2], 0);   // guard after an unlooped sample
    EXPECT_EQ(deltas->data[-1], 0);  // and before every sample
    // A 16-bit header counts bytes; a loop of length 0 is none.
    EXPECT_EQ(halved->length, 500u);
    EXPECT_EQ(halved->loop_kind, LOOP_NONE);
    EXPECT_EQ(halved->loop_length, 500u);
    song_free(song);
}

TEST(XmLoader, RefusesWhatTheFormatOrTheModelRules)
{
    std::vector<uint8_t> bytes = xm_build(one_pattern_module(1));
    bytes[9] = 'X';
    EXPECT_EQ(xm_load(bytes), nullptr);

    struct Case {
        const char *what;
        void (*damage)(XmModule &);
        const char *error;
    };
    const Case cases[] = {
        {"no channels", [](XmModule &m) { m.channels = 0; }, nullptr},
        {"33 channels", [](XmModule &m) { m.channels = 33; }, nullptr},
        {"65535 channels", [](XmModule &m) { m.channels = 65535; }, nullptr},
        {"no orders", [](XmModule &m) { m.song_length = 0; }, nullptr},
        {"257 orders", [](XmModule &m) { m.song_length = 257; }, nullptr},
        {"300 patterns", [](XmModule &m) { m.pattern_count = 300; }, nullptr},
        {"pattern headers missing", [](XmModule &m) { m.pattern_count = 5; }, nullptr},
        {"Amiga frequencies", [](XmModule &m) { m.flags = 0; }, "Amiga"},
        {"17 samples",
         [](XmModule &m) {
             m.instruments = {xm_instrument(xm_sample_8bit({1})),
                              xm_instrument(xm_sample_8bit({1}))};
             m.instruments[1].sample_count = 17;
         },
         "16 samples"},
        {"cells past the end",
         [](XmModule &m) {
             m.patterns[0].raw = true;
             m.patterns[0].raw_packed = {0x80, 0x80, 0x83, 1};  // 256 cells promised
         },
         "past the end"},
    };
    for (const Case &c : cases) {
        XmModule m = one_pattern_module(4);
        c.damage(m);
        EXPECT_EQ(xm_load(xm_build(m)), nullptr) << c.what;
        if (c.error) {
            EXPECT_NE(strstr(song_load_error(), c.error), nullptr) << c.what;
        }
    }
}

TEST(XmLoader, ClampsWhatItCanMendInsteadOfRefusing)
{
    XmModule m = one_pattern_module(1);
    m.orders = {0, 9};         // patterns 1 to 9 missing
    m.restart = 2;
    m.instrument_count = 300;  // headers of the missing ones read as zeros
    XmInstrument ins = xm_instrument(
        raw_sample(0xFFFFFFF0u, 0x11, {1, 0, 1, 0, 1, 0, 1, 0, 1, 0}, 4, 0x7FFFFFF0u));
    ins.volume_envelope = {{0, 64}, {4, 200}, {8, 0}};
    ins.point_count = 40;
    ins.volume_type = ENVELOPE_ON | ENVELOPE_LOOP;
    ins.volume_loop_start = 30;
    ins.volume_loop_end = 2;
    m.instruments.push_back(ins);
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr) << song_load_error();
    EXPECT_EQ(song->restart_position, 0);
    EXPECT_EQ(song->pattern_slots, 10);
    EXPECT_EQ(song->patterns[9].rows, 64);
    EXPECT_EQ(song->instrument_count, 128);
    const Instrument &i = song->instruments[0];
    EXPECT_EQ(i.volume_point_count, 12);
    EXPECT_EQ(i.volume_type, ENVELOPE_ON);  // the loop to point 30 is gone
    EXPECT_EQ(i.volume_envelope[1].value, 64);
    // A 16-bit length that would wrap the buffer size: cut to the five frames
    // the file holds, the loop with it, and the guard written inside.
    const Sample *sample = i.samples[0];
    EXPECT_EQ(sample->length, 5u);
    EXPECT_EQ(sample->loop_kind, LOOP_FORWARD);
    EXPECT_EQ(sample->loop_start, 2u);
    EXPECT_EQ(sample->loop_length, 3u);
    EXPECT_EQ(sample->data[5], sample->data[2]);
    song_free(song);
}

// Cut short or damaged anywhere: the module loads or is refused, and what
// loads keeps its loops inside its samples and plays without reading or
// writing outside its buffers (checked under the address sanitizer).
TEST(XmLoader, DamagedModulesLoadAndPlayOrAreRefused)
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
    for (size_t size = 17; size < clean.size(); ++size) {
        Song *song = xm_load(std::vector<uint8_t>(clean.begin(), clean.begin() + (long)size));
        for (int i = 0; song && i < song->instrument_count; ++i)
            for (int s = 0; s < song->instruments[i].sample_count; ++s) {
                const Sample *sample = song->instruments[i].samples[s];
                EXPECT_LE((uint64_t)sample->loop_start + sample->loop_length, sample->length);
            }
        song_free(song);
    }
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
