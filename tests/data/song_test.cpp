// The stored song: the facts the timeline and the replayer rely on, read
// with the intro's own loader (plus a walk over the raw file for what the
// loader converts away), the rows the words and the laugh fall on, and a
// render through the player for levels and gaps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/arena.h"
#include "embedded_data.h"
#include "music/music.h"
#include "music/song.h"
#include "music/song_source.h"

namespace {

constexpr int VOICE_CHANNEL = 9;

class StoredSong : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(arena_init(), 1);
        memsrc_set_data(EMBEDDED_SONG, EMBEDDED_SONG_SIZE);
        set_file_callbacks(memsrc_open, memsrc_close, memsrc_read, memsrc_seek, memsrc_tell);
        song = song_load("song");
        ASSERT_NE(song, nullptr) << song_load_error();
    }
    void TearDown() override
    {
        song_free(song);
        arena_release();
    }
    const PatternCell &cell(int pattern, int row, int channel) const
    {
        return song->patterns[pattern].cells[row * song->channel_count + channel];
    }
    // Rows in [first, last] of the pattern where the voice channel starts a note.
    std::set<int> spoken_rows(int pattern, int first, int last) const
    {
        std::set<int> rows;
        for (int r = first; r <= last; ++r) {
            uint8_t n = cell(pattern, r, VOICE_CHANNEL).note;
            if (n >= 1 && n <= 96)
                rows.insert(r);
        }
        return rows;
    }
    Song *song = nullptr;
};

TEST_F(StoredSong, HeaderFacts)
{
    EXPECT_EQ(song->channel_count, 10);
    EXPECT_EQ(song->song_length, 13);
    EXPECT_EQ(song->restart_position, 0);
    EXPECT_EQ(song->flags, SONG_LINEAR_FREQUENCIES);
    EXPECT_EQ(song->default_speed, 6);
    EXPECT_EQ(song->default_bpm, 136);
    const uint8_t orders[13] = {4, 2, 5, 7, 6, 2, 5, 3, 1, 0, 0, 0, 0};
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(song->order_table[i], orders[i]) << "order " << i;
    EXPECT_EQ(song->pattern_slots, 8);
    EXPECT_EQ(song->instrument_count, 30);
}

TEST_F(StoredSong, PatternsTempoAndBreaks)
{
    for (int p = 0; p < 8; ++p)
        EXPECT_EQ(song->patterns[p].rows, 64) << "pattern " << p;
    for (int r = 0; r < 64; ++r)
        for (int c = 0; c < 10; ++c) {
            const PatternCell &e = cell(0, r, c);
            EXPECT_EQ(e.note | e.instrument | e.volume | e.effect | e.param, 0)
                << "pattern 0 row " << r << " channel " << c;
        }
    // Pattern 4 plays first and sets the tempo again on its first row.
    std::set<std::pair<int, int>> tempo;
    for (int c = 0; c < 10; ++c)
        if (cell(4, 0, c).effect == 0x0F)
            tempo.insert({cell(4, 0, c).effect, cell(4, 0, c).param});
    EXPECT_EQ(tempo, (std::set<std::pair<int, int>>{{0x0F, 6}, {0x0F, 136}}));
    // Exactly the three breaks the timeline is written against.
    std::set<std::tuple<int, int, int>> breaks;
    for (int p = 0; p < 8; ++p)
        for (int r = 0; r < 64; ++r)
            for (int c = 0; c < 10; ++c)
                if (cell(p, r, c).effect == 0x0D)
                    breaks.insert({p, r, cell(p, r, c).param});
    EXPECT_EQ(breaks, (std::set<std::tuple<int, int, int>>{{3, 40, 0x00}, {6, 16, 0x32}, {7, 32, 0x00}}));
}

TEST_F(StoredSong, OnlyTheCommandsTheReplayerKnows)
{
    std::set<int> effects, volume_kinds;
    int key_offs = 0;
    for (int p = 0; p < 8; ++p)
        for (int r = 0; r < 64; ++r)
            for (int c = 0; c < 10; ++c) {
                const PatternCell &e = cell(p, r, c);
                if (e.effect || e.param)
                    effects.insert(e.effect);
                if (e.volume >= 0x10 && e.volume <= 0x50)
                    volume_kinds.insert(1);
                else if (e.volume)
                    volume_kinds.insert(e.volume >> 4);
                key_offs += e.note == NOTE_KEY_OFF;
            }
    EXPECT_EQ(effects, (std::set<int>{0x01, 0x02, 0x0D, 0x0F}));
    EXPECT_EQ(volume_kinds, (std::set<int>{1, 0x8, 0x9}));  // set volume, fine down, fine up
    EXPECT_GT(key_offs, 0);
}

TEST_F(StoredSong, InstrumentsSamplesAndTheOneEnvelope)
{
    int empty = 0, enveloped = 0;
    for (int i = 0; i < song->instrument_count; ++i) {
        const Instrument &ins = song->instruments[i];
        ASSERT_EQ(ins.sample_count, 1) << "instrument " << i + 1;
        const Sample &s = *ins.samples[0];
        empty += s.length == 0;
        EXPECT_TRUE(s.loop_kind == LOOP_NONE || s.loop_kind == LOOP_FORWARD || s.length == 0)
            << "instrument " << i + 1;
        EXPECT_EQ(s.panning, 128) << "instrument " << i + 1;
        EXPECT_EQ(ins.fadeout, 256) << "instrument " << i + 1;  // 128 in the file
        if (ins.volume_type & ENVELOPE_ON) {
            ++enveloped;
            EXPECT_EQ(ins.volume_point_count, 2);
            EXPECT_TRUE(ins.volume_type & ENVELOPE_SUSTAIN);
            EXPECT_FALSE(ins.volume_type & ENVELOPE_LOOP);
            EXPECT_EQ(ins.volume_sustain, 0);
            EXPECT_EQ(ins.volume_envelope[0].value, 64);
            EXPECT_EQ(ins.volume_envelope[1].value, 0);  // released notes die away
        }
    }
    EXPECT_GE(empty, 3);
    EXPECT_EQ(enveloped, 1);
}

// The mouth, the flash and the caption react to these rows (the pictures'
// tables); a syllable, a laugh or a word starts on each and nowhere else.
TEST_F(StoredSong, WordsFallOnTheRowsThePicturesReactTo)
{
    const std::set<int> mouth = {0, 3, 5, 8, 10, 16, 19, 21, 24, 26, 32, 35, 37, 40, 42, 45, 47, 50, 52};
    std::set<int> mouth_to_32;
    for (int r : mouth)
        if (r <= 32)
            mouth_to_32.insert(r);
    EXPECT_EQ(spoken_rows(2, 0, 63), mouth);           // orders 1 and 5 (from row 32)
    EXPECT_EQ(spoken_rows(7, 0, 32), mouth_to_32);     // order 3, up to its break
    EXPECT_EQ(spoken_rows(6, 0, 16), (std::set<int>{0, 4, 8, 9, 10}));                   // order 4
    EXPECT_EQ(spoken_rows(3, 0, 40), (std::set<int>{0, 16, 17, 20, 24, 25, 26}));         // order 7
    EXPECT_EQ(spoken_rows(1, 0, 63), (std::set<int>{0, 4, 12, 16, 20, 23, 28, 32}));      // order 8
    EXPECT_TRUE(spoken_rows(4, 0, 63).empty());                                           // order 0
    EXPECT_TRUE(spoken_rows(5, 0, 63).empty());                                           // orders 2, 6
}

// What the loader turns into 16-bit frames and doubles, read from the file.
TEST(StoredSongFile, SampleDepthsAndInstrumentFields)
{
    const unsigned char *d = EMBEDDED_SONG;
    auto u16 = [&](uint32_t o) { return (uint32_t)(d[o] | d[o + 1] << 8); };
    auto u32 = [&](uint32_t o) { return u16(o) | u16(o + 2) << 16; };
    ASSERT_LT(EMBEDDED_SONG_SIZE, 100u * 1024u);
    ASSERT_EQ(std::memcmp(d, "Extended Module: ", 17), 0);
    uint32_t pos = 60 + u32(60);
    const uint32_t patterns = u16(70), instruments = u16(72);
    for (uint32_t p = 0; p < patterns; ++p)
        pos += 9 + u16(pos + 7);
    int sixteen_bit = 0;
    for (uint32_t i = 0; i < instruments; ++i) {
        ASSERT_LT(pos + 243, EMBEDDED_SONG_SIZE);
        const uint32_t samples = u16(pos + 27);
        EXPECT_EQ(u16(pos + 239), 128u) << "fade-out of instrument " << i + 1;
        uint32_t header = pos + u32(pos), data = header + samples * 40;
        for (uint32_t s = 0; s < samples; ++s, header += 40) {
            const uint8_t type = d[header + 14];
            EXPECT_LE(type & 3, 1) << "loop of instrument " << i + 1;
            EXPECT_EQ(d[header + 15], 128) << "panning of instrument " << i + 1;
            sixteen_bit += (type & 0x10) != 0;
            data += u32(header);
        }
        pos = data;
    }
    EXPECT_EQ(pos, EMBEDDED_SONG_SIZE);  // nothing after the last sample
    EXPECT_EQ(sixteen_bit, 1);
}

// The song through the intro's own player: the sum never reaches full
// scale, music plays wherever the pictures run, and the closing message
// ends over silence.
TEST(StoredSongSound, RendersWithoutClippingOrGaps)
{
    const std::string path = testing::TempDir() + "data_song_soundtrack.wav";
    const double seconds = 59.4;  // to order 10 row 32, where the intro ends
    ASSERT_EQ(music_render_soundtrack(path.c_str(), seconds, nullptr, 0), 1);
    FILE *f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    std::remove(path.c_str());
    ASSERT_GT(bytes.size(), 44u);
    // Find the data chunk.
    size_t at = 12, data = 0, size = 0;
    while (at + 8 <= bytes.size()) {
        uint32_t len = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | (uint32_t)bytes[at + 7] << 24;
        if (std::memcmp(&bytes[at], "data", 4) == 0) {
            data = at + 8;
            size = std::min<size_t>(len, bytes.size() - data);
            break;
        }
        at += 8 + len;
    }
    ASSERT_GT(data, 0u);
    const size_t frames = size / 4;
    ASSERT_GE(frames, (size_t)(seconds * 44100) - 1);
    auto sample = [&](size_t frame, int side) {
        size_t o = data + frame * 4 + side * 2;
        return (int16_t)(bytes[o] | bytes[o + 1] << 8);
    };
    int peak = 0;
    for (size_t i = 0; i < frames; ++i)
        for (int side = 0; side < 2; ++side)
            peak = std::max(peak, std::abs((int)sample(i, side)));
    EXPECT_LT(peak, 32767 * 9 / 10) << "the mix comes too close to clipping";
    EXPECT_GT(peak, 32767 / 4) << "the mix is far too quiet";
    auto rms = [&](double from, double to) {
        size_t a = (size_t)(from * 44100), b = std::min(frames, (size_t)(to * 44100));
        double sum = 0;
        for (size_t i = a; i < b; ++i)
            sum += (double)sample(i, 0) * sample(i, 0);
        return std::sqrt(sum / (double)(b - a));
    };
    // Music from the first notes to the end of order 8 (row 4860 frames).
    const double row = 4860.0 / 44100.0;
    const double order9 = (64 * 3 + 33 + 17 + 32 + 64 + 41 + 64) * row;
    for (double t = 0.5; t + 0.5 < order9; t += 0.5)
        EXPECT_GT(rms(t, t + 0.5), 150.0) << "silence at " << t << " s";
    EXPECT_LT(rms(seconds - 3.0, seconds), 30.0) << "the closing message should end over silence";
}

}  // namespace
