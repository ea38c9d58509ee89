// The song built into the program: it loads, and its rows and orders run the
// way the timeline was written against.
#include <gtest/gtest.h>

#include <vector>

#include "music/music.h"
#include "music/output.h"
#include "music/replayer.h"
#include "xm_builder.h"

namespace {

class StoredSong : public ::testing::Test {
protected:
    Song *song = nullptr;
    std::vector<uint8_t> bytes;
    void SetUp() override
    {
        const uint8_t *module;
        uint32_t size;
        if (!music_embedded_song(&module, &size))
            GTEST_SKIP() << "no song is built in";
        bytes.assign(module, module + size);
        song = xm_load(bytes);
        ASSERT_NE(song, nullptr) << song_load_error();
        output_set_rate(44100);
    }
    void TearDown() override { song_free(song); }
};

TEST_F(StoredSong, RowsAndOrdersRunAsTheTimelineExpects)
{
    song_rewind(song);
    struct Jump { int from_order, from_row, to_order, to_row; };
    std::vector<Jump> jumps;
    int order = -1, row = -1;
    long ticks = 0, ticks_to_end = -1;
    while (jumps.size() < 13 && ticks < 200000) {
        bool row_tick = song->tick_counter == 0;
        song_tick(song);
        ++ticks;
        if (!row_tick)
            continue;
        if (order >= 0 && !(song->order == order && song->row == row + 1))
            jumps.push_back({order, row, song->order, song->row});
        order = song->order;
        row = song->row;
        if (order == 10 && row == 32 && ticks_to_end < 0)
            ticks_to_end = ticks - 1;
    }
    EXPECT_EQ(song->speed, 6);
    EXPECT_EQ(song->samples_per_tick, 810);
    const std::vector<Jump> expected = {
        {0, 63, 1, 0}, {1, 63, 2, 0}, {2, 63, 3, 0}, {3, 32, 4, 0},   {4, 16, 5, 32},
        {5, 63, 6, 0}, {6, 63, 7, 0}, {7, 40, 8, 0}, {8, 63, 9, 0},   {9, 63, 10, 0},
        {10, 63, 11, 0}, {11, 63, 12, 0}, {12, 63, 0, 0},
    };
    ASSERT_EQ(jumps.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(jumps[i].from_order, expected[i].from_order) << i;
        EXPECT_EQ(jumps[i].from_row, expected[i].from_row) << i;
        EXPECT_EQ(jumps[i].to_order, expected[i].to_order) << i;
        EXPECT_EQ(jumps[i].to_row, expected[i].to_row) << i;
    }
    ASSERT_GT(ticks_to_end, 0);
    printf("the timeline's end (order 10, row 32) sounds after %.2f s\n",
           ticks_to_end * 810.0 / 44100.0);
}

}  // namespace
