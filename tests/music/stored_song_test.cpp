// The song built into the program: it loads, and its rows and orders run the
// way the timeline was written against.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "music/music.h"
#include "music/output.h"
#include "music/replayer.h"
#include "xm_builder.h"

namespace {

TEST(StoredSong, RowsAndOrdersRunAsTheTimelineExpects)
{
    const uint8_t *module;
    uint32_t size;
    if (!music_embedded_song(&module, &size))
        GTEST_SKIP() << "no song is built in";
    Song *song = xm_load(std::vector<uint8_t>(module, module + size));
    ASSERT_NE(song, nullptr) << song_load_error();
    output_set_rate(44100);
    song_rewind(song);
    // Each jump: from order, row to order, row.
    std::vector<std::array<int, 4>> jumps;
    int order = -1, row = -1;
    for (long ticks = 0; jumps.size() < 13 && ticks < 200000; ++ticks) {
        bool row_tick = song->tick_counter == 0;
        song_tick(song);
        if (!row_tick)
            continue;
        if (order >= 0 && !(song->order == order && song->row == row + 1))
            jumps.push_back({order, row, song->order, song->row});
        order = song->order;
        row = song->row;
    }
    EXPECT_EQ(song->speed, 6);
    EXPECT_EQ(song->samples_per_tick, 810);
    const std::vector<std::array<int, 4>> expected = {
        {0, 63, 1, 0}, {1, 63, 2, 0}, {2, 63, 3, 0}, {3, 32, 4, 0},   {4, 16, 5, 32},
        {5, 63, 6, 0}, {6, 63, 7, 0}, {7, 40, 8, 0}, {8, 63, 9, 0},   {9, 63, 10, 0},
        {10, 63, 11, 0}, {11, 63, 12, 0}, {12, 63, 0, 0},
    };
    EXPECT_EQ(jumps, expected);
    song_free(song);
}

}  // namespace
