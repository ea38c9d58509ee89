#include <gtest/gtest.h>

#include <vector>

#include "base/arena.h"
#include "sequencing/precalc.h"
#include "sequencing/timeline.h"

static void layer_a(int, int, int, int, int) {}
static void layer_b(int, int, int, int, int) {}
static const LayerFn LAYERS[] = {layer_a, layer_b};

// The program's start positions, with made-up layers and paths.
static const uint32_t TABLE[] = {
    10,
    0, 2, 0, 1, 3, 2, 3, 4,
    128, 1, 1, 0,
    192, 1, 0, 2, 15, 16,
    256, 1, 0, 0,
    320, 1, 0, 0,
    384, 1, 0, 0,
    448, 1, 0, 0,
    464, 1, 1, 0,
    576, 1, 0, 0,
    672, 0,
    0xBAD, 0xBAD,  // past the terminator: never read
};

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(arena_init(), 1); }
    void TearDown() override { arena_release(); }
};

TEST_F(TimelineTest, ExpandsRecordsAndStopsAtTheTerminator)
{
    TimelineEntry *t = timeline_build_from(TABLE, LAYERS, 2);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t[0].start, 0u);
    ASSERT_EQ(t[0].layer_count, 2u);
    EXPECT_EQ(t[0].layers[0], layer_a);
    EXPECT_EQ(t[0].layers[1], layer_b);
    ASSERT_EQ(t[0].path_count, 3u);
    EXPECT_EQ(t[0].path_ids[2], 4);
    EXPECT_EQ(t[1].path_ids, nullptr);
    EXPECT_EQ(t[2].path_ids[1], 16);
    EXPECT_EQ(t[7].start, 464u);
    EXPECT_EQ(t[9].start, 672u);
    EXPECT_EQ(t[9].layer_count, 0u);
    EXPECT_EQ(t[9].layers, nullptr);
    EXPECT_EQ(t[9].path_ids, nullptr);
}

TEST_F(TimelineTest, SwitchesOneEntryPerFrameWhenThePositionReachesTheNextStart)
{
    TimelineEntry *t = timeline_build_from(TABLE, LAYERS, 2);
    ASSERT_NE(t, nullptr);
    const TimelineEntry *current = t;
    current = timeline_advance(current, song_position(1, 63));  // 127
    EXPECT_EQ(current, &t[0]);
    current = timeline_advance(current, song_position(2, 0));  // 128
    EXPECT_EQ(current, &t[1]);

    current = &t[5];
    current = timeline_advance(current, 400);  // entry 5 starts at 384
    EXPECT_EQ(current, &t[5]);
    current = timeline_advance(current, 500);  // a jump over 448 and 464
    EXPECT_EQ(current, &t[6]);
    current = timeline_advance(current, 500);
    EXPECT_EQ(current, &t[7]);
    current = timeline_advance(current, 500);
    EXPECT_EQ(current, &t[7]);

    current = timeline_advance(&t[8], 672);
    EXPECT_EQ(current, &t[9]);
    // The terminator is where it ends: nothing moves past it.
    EXPECT_EQ(timeline_advance(current, 100000), &t[9]);
}

TEST_F(TimelineTest, ATableWithoutTerminatorEndsOnAZeroedEntry)
{
    const uint32_t table[] = {2, 0, 1, 0, 0, 64, 1, 1, 1, 7};
    TimelineEntry *t = timeline_build_from(table, LAYERS, 2);
    ASSERT_NE(t, nullptr);
    const TimelineEntry *current = timeline_advance(t, 64);
    ASSERT_EQ(current, &t[1]);
    EXPECT_EQ(current->path_ids[0], 7);
    current = timeline_advance(current, 65);
    EXPECT_EQ(current, &t[2]);
    EXPECT_EQ(current->layer_count, 0u);
    EXPECT_EQ(current->layers, nullptr);
}

// The task list's copy is run by the precalc loop's tests.
TEST_F(TimelineTest, ListsFailOnUnknownLayersAndAFullArena)
{
    const uint32_t bad_layer[] = {1, 0, 1, 2, 0};
    EXPECT_EQ(timeline_build_from(bad_layer, LAYERS, 2), nullptr);
    ASSERT_NE(arena_alloc((uint32_t)arena.bytes_left - 60), nullptr);
    EXPECT_EQ(timeline_build_from(TABLE, LAYERS, 2), nullptr);
    const PrecalcTask tasks[3] = {};
    ASSERT_NE(arena_alloc((uint32_t)arena.bytes_left - 8), nullptr);
    EXPECT_EQ(precalc_list_build_from(tasks, 3), nullptr);
}
