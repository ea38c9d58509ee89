// The song source, the XM loader, and what a damaged or hostile module is
// turned into.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "base/arena.h"
#include "music/output.h"
#include "music/song_source.h"
#include "xm_builder.h"

namespace {

TEST(SongSource, ReadsAndSeeksStayInsideTheData)
{
    ASSERT_TRUE(arena.base || arena_init());
    std::vector<uint8_t> bytes(85546);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = (uint8_t)i;
    memsrc_set_data(bytes.data(), (uint32_t)bytes.size());
    void *f = memsrc_open("ignored");
    ASSERT_NE(f, nullptr);
    uint8_t out[10] = {};
    memsrc_seek(f, 85540, SEEK_FROM_START);
    const int got = memsrc_read(out, 10, f);
    EXPECT_EQ(std::tuple(got, out[5], memsrc_read(out, 10, f), memsrc_read(out, -5, f)),
              std::tuple(6, (uint8_t)85545, 0, 0));
    // {offset, mode, position after}: past the end clamps, only the low byte is a
    // mode, 3 is none, and below the start clamps so reads never precede the data.
    for (auto [offset, mode, after] : {std::array<int, 3>{100000, SEEK_FROM_START, 85546},
                                       {7, 0x100, 7}, {10, 0x103, 7},
                                       {-100, SEEK_FROM_CURRENT, 0}}) {
        memsrc_seek(f, offset, mode);
        EXPECT_EQ(memsrc_tell(f), after) << offset;
    }
    // One missing callback clears them all.
    set_file_callbacks(memsrc_open, memsrc_close, memsrc_read, nullptr, memsrc_tell);
    EXPECT_FALSE(file_callbacks_installed() || player_file_open("x") ||
                 player_file_read(nullptr, out, 2));
    memsrc_set_data(bytes.data(), 0x80000000u);  // more than a 32-bit offset reaches
    EXPECT_EQ(memsrc_open("x"), nullptr);
    player_file_close(nullptr);
}

XmModule one_pattern_module(int channels)
{
    XmModule m;
    m.channels = channels, m.patterns = {xm_pattern(64, channels)};
    return m;
}

// Header fields and data written exactly as given.
XmSample raw_sample(uint32_t length, uint8_t type, std::vector<uint8_t> data,
                    uint32_t loop_start = 0, uint32_t loop_length = 0)
{
    XmSample s;
    s.raw = true, s.raw_length = length, s.raw_type = type, s.raw_data = std::move(data);
    s.raw_loop_start = loop_start, s.raw_loop_length = loop_length;
    return s;
}

TEST(XmLoader, PackedAndUnpackedCells)
{
    XmModule m = one_pattern_module(2);
    m.patterns[0] = {2, {}, true, {
        0x81, 98,                     // a note past key-off is dropped
        0x81, 0x61,                   // key-off
        0x00, 128, 0x20, 0x0F, 6,     // unpacked, note 0: still 4 more; instrument 128 is the last
        0x9E, 129, 0x40, 0x0D, 0x32,  // instrument 129 is none
    }};
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr) << song_load_error();
    const uint8_t expected[4][5] = {{0, 0, 0, 0, 0}, {NOTE_KEY_OFF, 0, 0, 0, 0},
                                    {0, 128, 0x20, 0x0F, 6}, {0, 0, 0x40, 0x0D, 0x32}};
    EXPECT_EQ(memcmp(song->patterns[0].cells, expected, sizeof expected), 0);
    song_free(song);
}

TEST(XmLoader, SamplesWidenAndLoopGuardsHoldWhatTheInterpolationReads)
{
    XmModule m = one_pattern_module(1);
    XmSample forward = xm_sample_8bit({10, 20, 30, 40, 50, 60});
    forward.loop_type = 1, forward.loop_start = 1, forward.loop_length = 3;
    XmSample pingpong = forward;
    pingpong.loop_type = 3;  // both bits: ping-pong
    XmInstrument ins;
    ins.samples = {forward, pingpong, raw_sample(2, 0, {0x7F, 0x02}),
                   raw_sample(1000, 0x11, std::vector<uint8_t>(1000), 200, 0),
                   raw_sample(4, 1, {1, 2, 3, 4}, 4, 2)};
    m.instruments = {XmInstrument{}, ins};  // the first only a header
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->instruments[0].samples[0], &EMPTY_SAMPLE);
    Sample *const *s = song->instruments[1].samples;
    // Guards past the loops: the loop start, the loop end mirrored; past it untouched.
    EXPECT_EQ(std::vector<int>({s[0]->loop_kind, s[0]->data[4], s[1]->loop_kind, s[1]->data[4],
                                s[1]->data[5]}),
              std::vector<int>({LOOP_FORWARD, 20 * 256, LOOP_PINGPONG, 40 * 256, 60 * 256}));
    // 8-bit deltas wrap and widen; zero guards on both sides.
    EXPECT_EQ(s[2]->bits, 16);
    EXPECT_EQ(std::vector<int>(s[2]->data - 1, s[2]->data + 3),
              (std::vector<int>{0, 32512, -32512, 0}));
    // A 16-bit header counts bytes; a loop of length 0 is none, so is one
    // starting at the sample's end.
    EXPECT_EQ(std::vector<uint32_t>({s[3]->length, s[3]->loop_kind, s[3]->loop_length,
                                     s[4]->loop_kind, s[4]->loop_start, s[4]->loop_length}),
              std::vector<uint32_t>({500, LOOP_NONE, 500, LOOP_NONE, 0, 4}));
    song_free(song);
}

// A one-row pattern after the first, whose 256 empty cells leave the bytes
// the cut-short data would otherwise be read on into.
void cut_pattern(XmModule &m, std::vector<uint8_t> packed)
{
    m.patterns.push_back(xm_pattern(1, 4));
    m.patterns[1].raw = true, m.patterns[1].raw_packed = std::move(packed);
}

TEST(XmLoader, RefusesWhatTheFormatOrTheModelRules)
{
    using M = XmModule;
    using B = std::vector<uint8_t>;
    // A header size that would wrap a 32-bit offset seeks to the end, not near
    // the start; the file ends inside the packed size the pattern declares.
    const struct {
        const char *error;
        void (*damage)(M &);
        void (*bytes)(B &) = nullptr;
    } cases[] = {
        {"not an Extended Module", [](M &) {}, [](B &b) { b[9] = 'X'; }},
        {"pattern header runs past", [](M &) {}, [](B &b) { std::fill_n(&b[60], 4, 0xFF); }},
        {"packed pattern data runs past the end of the file",
         [](M &m) { cut_pattern(m, {0x80}), m.patterns[1].packed_size = 3; },
         [](B &b) { b.pop_back(); }},
        {"channel count", [](M &m) { m.channels = 0; }},
        {"channel count", [](M &m) { m.channels = 33; }},
        {"channel count", [](M &m) { m.channels = 65535; }},
        {"song length", [](M &m) { m.song_length = 0; }},
        {"song length", [](M &m) { m.song_length = 257; }},
        {"256 patterns", [](M &m) { m.pattern_count = 257; }},
        {"pattern header runs past", [](M &m) { m.pattern_count = 5; }},
        {"256 rows", [](M &m) { m.patterns[0] = xm_pattern(257, 4); }},
        {"Amiga", [](M &m) { m.flags = 0; }},
        {"16 samples", [](M &m) {
             m.instruments.assign(2, xm_instrument(xm_sample_8bit({1})));
             m.instruments[1].sample_count = 17;
         }},
        // Packed data that ends before a cell, inside a packed cell, inside an unpacked one.
        {"cells run past its packed size", [](M &m) { cut_pattern(m, {0x80, 0x80, 0x80}); }},
        {"past its packed size", [](M &m) { cut_pattern(m, {0x80, 0x80, 0x80, 0x83, 1}); }},
        {"past its packed size", [](M &m) { cut_pattern(m, {0x80, 0x80, 0x80, 0x00, 1, 2, 3}); }},
        {"shorter than its 9 bytes", [](M &m) { m.patterns[0].header_length = 8; }},
    };
    for (const auto &c : cases) {
        XmModule m = one_pattern_module(4);
        c.damage(m);
        std::vector<uint8_t> bytes = xm_build(m);
        if (c.bytes)
            c.bytes(bytes);
        EXPECT_EQ(xm_load(bytes), nullptr) << c.error;
        EXPECT_TRUE(strstr(song_load_error(), c.error)) << c.error << ": " << song_load_error();
    }
    set_file_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(song_load("x"), nullptr);
    EXPECT_TRUE(strstr(song_load_error(), "could not be opened"));
}

// A pattern ends where its header says, whatever its cells take: padding
// after the cells or the header's fields is skipped.
TEST(XmLoader, PatternsEndWhereTheirHeadersSay)
{
    XmModule m;
    m.orders = {0, 1};
    m.patterns = {{4, {}, true, {49, 1, 0, 0, 0, 0x80, 0x80, 0x83, 61, 1}}, xm_pattern(4, 1)};
    xm_cell(m.patterns[1], 1, 2, 0) = {56, 1, 0x30, 0, 0};
    m.instruments = {xm_instrument(xm_sample_8bit({0, 60, 120, 60, 0, -60, -120, -60}))};
    m.instruments[0].samples[0].loop_type = 1, m.instruments[0].samples[0].loop_length = 8;
    const std::vector<int16_t> plain = xm_render(xm_build(m), 0.5);
    ASSERT_NE(std::count(plain.begin(), plain.end(), 0), (long)plain.size());
    // Padding within the bytes a pattern's cells could take, and past them.
    for (int k = 0; k < 4; ++k) {
        m.patterns[0].packed_size = k & 1 ? 30 : 14;
        m.patterns[1].header_length = k & 2 ? 13 : 9;
        EXPECT_EQ(xm_render(xm_build(m), 0.5), plain) << k << song_load_error();
    }
}

TEST(XmLoader, TheLargestCountsTheFormatAllows)
{
    XmModule m = one_pattern_module(32);
    m.patterns = {xm_pattern(256, 32)}, m.patterns.resize(256, xm_pattern(1, 32));
    m.orders.assign(256, 255);
    XmInstrument ins;
    ins.samples.assign(16, xm_sample_8bit({1, 2}));
    m.instruments = {ins};
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr) << song_load_error();
    EXPECT_EQ(std::vector<int>({song->channel_count, song->song_length, song->pattern_slots,
                                song->patterns[0].rows, song->instruments[0].sample_count}),
              std::vector<int>({32, 256, 256, 256, 16}));
    song_free(song);
}

TEST(XmLoader, ClampsWhatItCanMendInsteadOfRefusing)
{
    XmModule m = one_pattern_module(1);
    m.orders = {0, 9, 10}, m.restart = 3;  // patterns 2 to 10 missing
    m.instrument_count = 300;  // the missing headers read as zeros
    m.patterns.push_back(xm_pattern(0, 1));
    XmInstrument ins = xm_instrument(
        raw_sample(0x100000, 0x11, {1, 0, 1, 0, 1, 0, 1, 0, 1, 0}, 4, 0x7FFFFFF0u));
    ins.samples[0].volume = 255;
    ins.volume_envelope = {{0, 64}, {4, 65}, {8, 0}}, ins.point_count = 13;
    ins.volume_type = ENVELOPE_ON | ENVELOPE_LOOP;
    ins.volume_loop_start = 30, ins.volume_loop_end = 2;
    // One point is no envelope; a loop to the point just past the last is none.
    XmInstrument one_point = xm_instrument(raw_sample(0, 0, {}));
    one_point.volume_envelope = {{0, 64}}, one_point.volume_type = ENVELOPE_ON;
    XmInstrument loop_past = one_point;
    loop_past.volume_envelope = {{0, 64}, {4, 20}, {8, 0}};
    loop_past.volume_type = ENVELOPE_ON | ENVELOPE_LOOP, loop_past.volume_loop_start = 3;
    // Without samples the header ends after the count: nothing further is read.
    // The long sample comes last: it takes the rest of the file.
    m.instruments = {one_point, loop_past, XmInstrument{}, ins};
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr) << song_load_error();
    const Instrument *more = song->instruments, &i = more[3];
    EXPECT_EQ(std::vector<int>({more[0].volume_type, more[1].volume_type,
                                *std::max_element(more[2].sample_map, more[2].sample_map + 96)}),
              std::vector<int>({0, ENVELOPE_ON, 0}));
    // An empty sample holds no data; a 0-row pattern plays as 64 empty rows.
    EXPECT_EQ(std::pair(more[0].samples[0]->length, more[0].samples[0]->data),
              std::pair(0u, (int16_t *)nullptr));
    EXPECT_EQ(song->patterns[1].rows, 64);
    // The loop to point 30 is gone.
    EXPECT_EQ(std::vector<int>({song->restart_position, song->pattern_slots,
                                song->patterns[10].rows, song->instrument_count,
                                i.volume_point_count, i.volume_type, i.volume_envelope[1].value}),
              std::vector<int>({0, 11, 64, 128, 12, ENVELOPE_ON, 64}));
    // A length past the file's end: cut to the five frames held.
    const Sample *s = i.samples[0];
    EXPECT_EQ(std::vector<uint32_t>({s->length, s->loop_kind, s->loop_start, s->loop_length,
                                     s->volume}),
              std::vector<uint32_t>({5, LOOP_FORWARD, 2, 3, 64}));
    EXPECT_EQ(s->data[5], s->data[2]);
    song_free(song);
}

// Cut short or damaged anywhere: loaded or refused, and what loads keeps its
// loops inside its samples and plays inside its buffers (under ASan).
TEST(XmLoader, DamagedModulesLoadAndPlayOrAreRefused)
{
    XmModule m = one_pattern_module(3);
    m.orders = {0, 1, 0}, m.patterns.push_back(xm_pattern(16, 3));
    for (int row = 0; row < 16; ++row)
        xm_cell(m.patterns[1], 3, row, row % 3) = {(uint8_t)(20 + row * 4), 1, 0x40, 0x0D, 0x30};
    XmInstrument ins = xm_instrument(xm_sample_16bit({100, -200, 300, -400, 500, -600}));
    ins.samples.push_back(xm_sample_8bit({1, 50, 100, 50, 1}));
    ins.samples[1].loop_type = 2, ins.samples[1].loop_start = 1, ins.samples[1].loop_length = 3;
    ins.volume_envelope = {{0, 64}, {3, 20}, {9, 40}};
    ins.volume_type = ENVELOPE_ON | ENVELOPE_LOOP, ins.volume_loop_end = 2, ins.sample_map[40] = 1;
    m.instruments = {ins};
    const std::vector<uint8_t> clean = xm_build(m);
    output_set_rate(44100);
    uint32_t state = 12345;
    auto next = [&state] { return state = state * 214013u + 2531011u, (state >> 16) & 0x7FFF; };
    int mutants_loaded = 0;
    for (size_t trial = 17; trial < clean.size() + 300; ++trial) {
        // First every length cut short, then random bytes overwritten.
        std::vector<uint8_t> bytes(clean.begin(), clean.begin() + std::min(trial, clean.size()));
        for (int k = 0, n = trial < clean.size() ? 0 : 1 + (int)next() % 6; k < n; ++k)
            bytes[60 + next() % (bytes.size() - 60)] = (uint8_t)(k & 1 ? 0xFF : next());
        Song *song = xm_load(bytes);
        for (int i = 0; song && i < song->instrument_count; ++i)
            for (int k = 0; k < song->instruments[i].sample_count; ++k) {
                const Sample *s = song->instruments[i].samples[k];
                EXPECT_LE((uint64_t)s->loop_start + s->loop_length, s->length);
            }
        if (song && trial >= clean.size()) {
            ++mutants_loaded;
            ASSERT_TRUE(output_begin(song));  // two seconds through replayer and mixer
        }
        song_free(song);
    }
    EXPECT_GT(mutants_loaded, 100);
}

}  // namespace
