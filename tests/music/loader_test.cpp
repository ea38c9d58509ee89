// The song source, the XM loader, and what a damaged or hostile module is
// turned into.
#include <gtest/gtest.h>

#include "base/arena.h"
#include "music/output.h"
#include "music/song_source.h"
#include "support/crt_rand.h"
#include "xm_builder.h"

TEST(SongSource, ReadsAndSeeksStayInsideTheData)
{
    std::vector<uint8_t> bytes(300);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = (uint8_t)i;
    memsrc_set_data(bytes.data(), 300);
    ASSERT_TRUE(arena.base || arena_init());  // the source's records live in it
    void *f = memsrc_open("ignored");
    uint8_t out[10] = {};
    const int got = (memsrc_seek(f, 294, SEEK_FROM_START), memsrc_read(out, 10, f));
    EXPECT_EQ(std::tuple(got, out[5], memsrc_read(out, 10, f), memsrc_read(out, -5, f)),
              std::tuple(6, (uint8_t)299, 0, 0));
    // {offset, mode, position after}: past the end clamps, only the low byte is a
    // mode, 3 is none, and below the start clamps so reads never precede the data.
    for (auto [offset, mode, after] : {std::array<int, 3>{1000, SEEK_FROM_START, 300},
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
}

XmModule one_pattern_module(int channels)
{
    XmModule m;
    m.channels = channels, m.patterns = {xm_pattern(64, channels)};
    return m;
}

TEST(XmLoader, CellsAndSamplesAsThePlayerReadsThem)
{
    XmModule m = one_pattern_module(2);
    // A pattern ends where its header says, whatever its cells take: padding
    // past the cells (to 30 bytes), or past the header's fields, is skipped.
    m.patterns[0] = {2, {}, {
        0x81, 98,                     // a note past key-off is dropped
        0x81, 0x61,                   // key-off
        0x00, 128, 0x20, 0x0F, 6,     // unpacked, note 0: still 4 more; instrument 128 is the last
        0x9E, 129, 0x40, 0x0D, 0x32,  // instrument 129 is none
    }, 9, 30};
    m.patterns.push_back(xm_pattern(1, 2));
    m.patterns[1].header_length = 13, m.patterns[1].cells[1] = {56, 1, 0x30, 0x0C, 0};
    XmSample past = xm_sample_8bit({1, 2, 3, 4});  // a loop from its end is none
    past.loop_type = 1, past.loop_start = 4, past.loop_length = 2;
    m.instruments = {xm_instrument(past)};
    Song *song = xm_load(xm_build(m));
    ASSERT_NE(song, nullptr) << song_load_error();
    const uint8_t cells[6][5] = {{0, 0, 0, 0, 0}, {NOTE_KEY_OFF, 0, 0, 0, 0},
                                 {0, 128, 0x20, 0x0F, 6}, {0, 0, 0x40, 0x0D, 0x32},
                                 {0, 0, 0, 0, 0}, {56, 1, 0x30, 0x0C, 0}};
    EXPECT_EQ(memcmp(song->patterns[0].cells, cells, 4 * 5) |
                  memcmp(song->patterns[1].cells, cells[4], 2 * 5), 0);
    const Sample *s = song->instruments[0].samples[0];
    EXPECT_EQ(std::tuple(s->loop_kind, s->loop_start, s->loop_length),
              std::tuple(LOOP_NONE, 0u, 4u));
    song_free(song);
}

// A one-row pattern after the first, whose 256 empty cells leave the bytes
// the cut-short data would otherwise be read on into.
void cut_pattern(XmModule &m, std::vector<uint8_t> packed)
{
    m.patterns.push_back({1, std::vector<PatternCell>(4), std::move(packed)});
}

// Each count at the largest the format allows loads; one more, or what the
// player does not model, is refused with its reason.
TEST(XmLoader, RefusesWhatTheFormatOrTheModelRules)
{
    using M = XmModule;
    using B = std::vector<uint8_t>;
    // A header size that would wrap a 32-bit offset seeks to the end, not near
    // the start; the file ends inside the packed size the pattern declares.
    const struct {
        const char *error;  // null: it loads
        void (*damage)(M &);
        void (*bytes)(B &) = [](B &) {};
    } cases[] = {
        {"not an Extended Module", [](M &) {}, [](B &b) { b[9] = 'X'; }},
        {"pattern header runs past", [](M &) {}, [](B &b) { std::fill_n(&b[60], 4, 0xFF); }},
        {"packed pattern data runs past the end of the file",
         [](M &m) { cut_pattern(m, {0x80}), m.patterns[1].packed_size = 3; },
         [](B &b) { b.pop_back(); }},
        {nullptr, [](M &m) { m = one_pattern_module(32); }},
        {"channel count", [](M &m) { m.channels = 0; }},
        {"channel count", [](M &m) { m.channels = 33; }},
        {nullptr, [](M &m) { m.orders.assign(256, 0); }},
        {"song length", [](M &m) { m.song_length = 0; }},
        {"song length", [](M &m) { m.song_length = 257; }},
        {nullptr, [](M &m) { m.patterns.resize(256, xm_pattern(1, 4)); }},
        {"256 patterns", [](M &m) { m.pattern_count = 257; }},
        {"pattern header runs past", [](M &m) { m.pattern_count = 5; }},
        {nullptr, [](M &m) { m.patterns[0] = xm_pattern(256, 4); }},
        {"256 rows", [](M &m) { m.patterns[0] = xm_pattern(257, 4); }},
        {"Amiga", [](M &m) { m.flags = 0; }},
        {nullptr, [](M &m) { m.instruments.assign(1, {}), m.instruments[0].samples.resize(16); }},
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
        c.bytes(bytes);
        Song *song = xm_load(bytes);
        EXPECT_EQ(song == nullptr, c.error != nullptr) << (&c - cases) << song_load_error();
        EXPECT_TRUE(strstr(song_load_error(), c.error ? c.error : ""))
            << (&c - cases) << ": " << song_load_error();
        song_free(song);
    }
    set_file_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(song_load("x"), nullptr);
    EXPECT_TRUE(strstr(song_load_error(), "could not be opened"));
}

TEST(XmLoader, ClampsWhatItCanMendInsteadOfRefusing)
{
    XmModule m = one_pattern_module(1);
    // Patterns 2 to 10 are missing; the missing instrument headers read as zeros.
    m.orders = {0, 9, 10}, m.restart = 3, m.instrument_count = 300;
    m.patterns.push_back(xm_pattern(0, 1));
    XmSample longer = xm_sample_16bit({1, 2, 3, 4, 5});
    longer.loop_type = 1, longer.loop_start = 2, longer.loop_length = 0x3FFFFFF8;
    longer.volume = 255, longer.declared_bytes = 0x100000;
    XmInstrument ins = xm_instrument(longer);
    ins.volume_envelope = {{0, 64}, {4, 65}, {8, 0}}, ins.point_count = 13, ins.volume_loop_end = 2;
    ins.volume_type = ENVELOPE_ON | ENVELOPE_LOOP, ins.volume_loop_start = 30;
    // One point is no envelope; a loop to the point just past the last is none.
    XmInstrument one_point = xm_instrument(xm_sample_8bit({}));
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
    const Sample *s = i.samples[0];
    // An empty sample holds no data; a 0-row pattern plays as 64 empty rows;
    // the loop to point 30 is gone; a length past the file's end is cut to
    // the five frames held.
    EXPECT_EQ(std::vector<int64_t>({more[0].volume_type, more[1].volume_type,
                  *std::max_element(more[2].sample_map, more[2].sample_map + 96),
                  more[0].samples[0]->length, !more[0].samples[0]->data, song->patterns[1].rows,
                  song->restart_position, song->pattern_slots, song->patterns[10].rows,
                  song->instrument_count, i.volume_point_count, i.volume_type,
                  i.volume_envelope[1].value, s->length, s->loop_kind, s->loop_start,
                  s->loop_length, s->volume, s->data[5]}),
              std::vector<int64_t>({0, ENVELOPE_ON, 0, 0, 1, 64, 0, 11, 64, 128, 12, ENVELOPE_ON,
                                    64, 5, LOOP_FORWARD, 2, 3, 64, s->data[2]}));
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
    crt_srand(12345);
    int mutants_loaded = 0;
    for (size_t trial = 17; trial < clean.size() + 300; ++trial) {
        // First every length cut short, then random bytes overwritten.
        std::vector<uint8_t> bytes(clean.begin(), clean.begin() + std::min(trial, clean.size()));
        for (int k = 0, n = trial < clean.size() ? 0 : 1 + crt_rand() % 6; k < n; ++k)
            bytes[60 + crt_rand() % (bytes.size() - 60)] = (uint8_t)(k & 1 ? 0xFF : crt_rand());
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
