// The stored song through the intro's own loader: the facts the timeline
// and the replayer rely on, the rows the words fall on, and a render
// through the player for levels and gaps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/arena.h"
#include "embedded_data.h"
#include "geometry/robot.h"
#include "music/music.h"
#include "music/song.h"
#include "music/song_source.h"
#include "scenes/silhouette.h"

namespace {

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
    Song *song = nullptr;
};

TEST_F(StoredSong, OrdersBreaksAndTempoTheTimelineIsWrittenAgainst)
{
    EXPECT_EQ(std::make_tuple(song->channel_count, song->song_length, song->restart_position,
                              song->default_speed, song->default_bpm, song->pattern_slots),
              std::make_tuple(10, 13, 0, 6, 136, 8));
    EXPECT_EQ(song->flags, SONG_LINEAR_FREQUENCIES);
    const uint8_t orders[13] = {4, 2, 5, 7, 6, 2, 5, 3, 1, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(song->order_table, orders, 13), 0);
    // Only commands the player carries out: slides, breaks, speed and tempo.
    std::set<std::tuple<int, int, int, int>> commands;
    std::set<int> effects, volume_kinds;
    for (int p = 0; p < 8; ++p) {
        ASSERT_EQ(song->patterns[p].rows, 64) << p;
        for (int r = 0; r < 64; ++r)
            for (int c = 0; c < 10; ++c) {
                const PatternCell &e = cell(p, r, c);
                if (e.effect == 0x0D || e.effect == 0x0F)
                    commands.insert({p, r, e.effect, e.param});
                if (e.effect || e.param)
                    effects.insert(e.effect);
                if (e.volume)
                    volume_kinds.insert(e.volume >= 0x10 && e.volume <= 0x50 ? 1 : e.volume >> 4);
                const int used = e.note | e.instrument | e.volume | e.effect | e.param;
                EXPECT_TRUE(p != 0 || used == 0);  // the closing orders are silent
            }
    }
    EXPECT_EQ(commands, (std::set<std::tuple<int, int, int, int>>{{4, 0, 0x0F, 6},
                                                                  {4, 0, 0x0F, 136},
                                                                  {3, 40, 0x0D, 0},
                                                                  {6, 16, 0x0D, 0x32},
                                                                  {7, 32, 0x0D, 0}}));
    EXPECT_EQ(effects, (std::set<int>{0x01, 0x02, 0x0D, 0x0F}));
    EXPECT_EQ(volume_kinds, (std::set<int>{1, 0x8, 0x9}));  // set volume, fine down, fine up
}

// The mouth, the flash and the caption react to rows the code lists; a
// syllable, a laugh or a word starts on each of them and nowhere else.
TEST_F(StoredSong, WordsFallOnTheRowsThePicturesReactTo)
{
    auto spoken = [&](int pattern, int last) {
        std::set<int> rows;
        for (int r = 0; r <= last; ++r)
            if (cell(pattern, r, 9).note >= 1 && cell(pattern, r, 9).note <= 96)
                rows.insert(r);
        return rows;
    };
    auto flashing = [](int order, std::set<int> rows) {
        for (int r = 0; r < 64; ++r)
            if (is_flash_row(order, r))
                rows.insert(r);
        return rows;
    };
    const std::set<int> mouth(MOUTH_ROWS, MOUTH_ROWS + MOUTH_ROW_COUNT);
    EXPECT_EQ(spoken(2, 63), mouth);                                  // orders 1 and 5
    EXPECT_EQ(spoken(7, 32), std::set<int>(mouth.begin(), mouth.find(35)));  // 3, to its break
    EXPECT_EQ(spoken(6, 16), flashing(4, {}));                        // order 4
    EXPECT_EQ(spoken(3, 40), flashing(7, {0}));  // order 7: row 0 opens the mouth wide
    EXPECT_EQ(spoken(1, 63), flashing(8, {}));                        // order 8
    EXPECT_TRUE(spoken(4, 63).empty() && spoken(5, 63).empty());      // orders 0, 2, 6
}

// Through the intro's own player the sum never reaches full scale, and music
// plays wherever the pictures run, the closing message included, up to its fade.
TEST(StoredSongSound, RendersWithoutClippingOrGaps)
{
    const std::string path = testing::TempDir() + "data_song_soundtrack.wav";
    const double seconds = 59.4;  // to order 10 row 32, where the intro ends
    ASSERT_EQ(music_render_soundtrack(path.c_str(), seconds, nullptr, 0), 1);
    FILE *f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<int16_t> pcm(8 << 20);
    std::fseek(f, 44, SEEK_SET);  // the canonical header the writer emits
    const size_t frames = std::fread(pcm.data(), 4, pcm.size() / 2, f);
    std::fclose(f);
    std::remove(path.c_str());
    ASSERT_GE(frames, (size_t)(seconds * 44100) - 1);
    int peak = 0;
    for (size_t i = 0; i < frames * 2; ++i)
        peak = std::max(peak, std::abs((int)pcm[i]));
    EXPECT_LT(peak, 32767 * 9 / 10) << "the mix comes too close to clipping";
    EXPECT_GT(peak, 32767 / 4) << "the mix is far too quiet";
    auto rms = [&](double from, double to) {
        const size_t a = (size_t)(from * 44100), b = std::min(frames, (size_t)(to * 44100));
        double sum = 0;
        for (size_t i = a; i < b; ++i)
            sum += (double)pcm[i * 2] * pcm[i * 2];
        return std::sqrt(sum / (double)(b - a));
    };
    // Music from the first notes to order 10 row 16 (rows of 4860 frames).
    const double fade = (64 * 3 + 33 + 17 + 32 + 64 + 41 + 64 + 64 + 16) * 4860.0 / 44100.0;
    for (double t = 0.5; t + 0.5 < fade; t += 0.5)
        EXPECT_GT(rms(t, t + 0.5), 150.0) << "silence at " << t << " s";
}

}  // namespace
