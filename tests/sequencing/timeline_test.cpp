// The timeline from a made-up table with the program's start positions:
// expansion, the entry switch one entry a frame, the terminator, and the
// guards on layers, sizes and the arena.
#include <gtest/gtest.h>

#include "base/arena.h"
#include "sequencing/precalc.h"
#include "sequencing/timeline.h"

namespace {

void layer_a(int, int, int, int, int) {}
void layer_b(int, int, int, int, int) {}
const LayerFn LAYERS[] = {layer_a, layer_b};

// The program's start positions; past the terminator: never read.
const uint32_t TABLE[] = {10,  0,   2,   0, 1, 3,   2, 3, 4, 128, 1, 1,   0, 192, 1, 0,
                          2,   15,  16,  256, 1, 0, 0, 320, 1, 0, 0, 384, 1, 0,   0, 448,
                          1,   0,   0,   464, 1, 1, 0, 576, 1, 0, 0, 672, 0, 0xBAD, 0xBAD};

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(arena_init(), 1); }
    void TearDown() override { arena_release(); }
};

TEST_F(TimelineTest, ExpandsTheTableAndSwitchesOneEntryAFrame)
{
    TimelineEntry *t = timeline_build_from(TABLE, LAYERS, 2);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t[0].layers[0] == layer_a && t[0].layers[1] == layer_b && !t[9].layers);
    EXPECT_TRUE(t[0].path_count == 3 && t[0].path_ids[2] == 4 && t[2].path_ids[1] == 16);
    EXPECT_TRUE(t[1].path_ids == nullptr && t[9].start == 672 && t[9].layer_count == 0);
    const struct {
        int from;
        SongPosition position;
        int to;
    } frames[] = {
        {0, 127, 0}, {0, 128, 1},                // the next entry from its start on
        {5, 500, 6}, {6, 500, 7}, {7, 500, 7},  // a jump over two starts: one a frame
        {8, 672, 9}, {9, 100000, 9},             // nothing moves past the terminator
    };
    for (const auto &f : frames)
        EXPECT_EQ(timeline_advance(&t[f.from], f.position), &t[f.to]) << f.position;
}

TEST_F(TimelineTest, ATableWithoutTerminatorEndsOnAZeroedEntry)
{
    const uint32_t table[] = {2, 0, 1, 0, 0, 64, 1, 1, 1, 7};
    TimelineEntry *t = timeline_build_from(table, LAYERS, 2);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t[1].path_ids[0], 7);
    EXPECT_EQ(timeline_advance(&t[1], 65), &t[2]);
    EXPECT_TRUE(t[2].layer_count == 0 && t[2].layers == nullptr);
}

TEST_F(TimelineTest, RefusesUnknownLayersSizesPast32BitsAndAFullArena)
{
    const uint32_t bad_layer[] = {1, 0, 1, 2, 0};
    EXPECT_EQ(timeline_build_from(bad_layer, LAYERS, 2), nullptr);
    // So many entries that their bytes would wrap to nothing at 32 bits.
    const uint32_t huge[] = {(uint32_t)(0x100000000 / sizeof(TimelineEntry)) - 1, 0, 0};
    EXPECT_EQ(timeline_build_from(huge, LAYERS, 2), nullptr);
    ASSERT_NE(arena_alloc((uint32_t)arena.bytes_left - 60), nullptr);
    EXPECT_EQ(timeline_build_from(TABLE, LAYERS, 2), nullptr);
    const PrecalcTask tasks[3] = {};
    ASSERT_NE(arena_alloc((uint32_t)arena.bytes_left - 8), nullptr);
    EXPECT_EQ(precalc_list_build_from(tasks, 3), nullptr);
}

}  // namespace
