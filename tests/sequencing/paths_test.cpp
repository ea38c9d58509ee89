// The animation paths from made-up stored points: each path's own clock,
// the four-point cubic, and the guards on ids, table size, stored length
// and the arena.
#include <gtest/gtest.h>

#include <vector>

#include "base/arena.h"
#include "sequencing/paths.h"

namespace {

// Point i of every path at (x(i), 7), little-endian int16 pairs.
int x(int point) { return point * 37 % 101 - 50; }

TEST(Paths, EachRunsOnItsOwnClockThroughEveryPointAndHoldsPastTheLast)
{
    std::vector<uint8_t> bytes(PATH_POINTS * 4);
    for (int i = 0; i < PATH_POINTS; ++i)
        bytes[i * 4] = (uint8_t)x(i), bytes[i * 4 + 1] = (uint8_t)(x(i) >> 8), bytes[i * 4 + 2] = 7;
    const std::vector<const uint8_t *> table(PATH_COUNT + 1, bytes.data());
    ASSERT_EQ(arena_init(), 1);
    EXPECT_EQ(paths_init_from(table.data(), PATH_COUNT + 1), 0);
    const int32_t ids[] = {2, -1, PATH_COUNT - 1, PATH_COUNT, 9};
    ASSERT_EQ(paths_init_from(table.data(), PATH_COUNT), 1);
    paths_update(0, ids + 2, 1);  // the last path, at its point 1
    ASSERT_EQ(paths_init_from(table.data(), PATH_COUNT - 1), 1);  // a table without it
    paths_update(1000, ids, 1);  // path 2 starts: local time 0 is point 1
    EXPECT_TRUE(path_value(2).x == x(1) && path_value(2).y == 7);
    for (int k : {7, 250, 496}) {  // every 100 ms the next point, exactly
        paths_update(1000 + k * 100, ids, 5);
        EXPECT_EQ(path_value(2).x, (float)x(k + 1)) << k;
        EXPECT_EQ(path_value(9).x, (float)x(k - 6)) << k;  // started 700 ms later
    }
    for (int ms : {50750, 99000}) {  // past the stored points the path holds one
        paths_update(ms, ids, 5);
        EXPECT_EQ(path_value(2).x, (float)x(498)) << ms;
    }
    EXPECT_EQ(path_value(PATH_COUNT - 1).x, (float)x(1));  // not in the table: it holds
    const PathPoint none[] = {path_value(PATH_COUNT), path_value(-5)};  // no path: (0, 0)
    EXPECT_TRUE(none[0].x == 0 && none[0].y == 0 && none[1].x == 0 && none[1].y == 0);
    ASSERT_NE(arena_alloc((uint32_t)arena.bytes_left - 4000), nullptr);
    EXPECT_EQ(paths_init_from(table.data(), PATH_COUNT), 0);
    arena_release();
}

TEST(Paths, TheCubicOvershootsAStep)
{
    EXPECT_FLOAT_EQ(cubic_interpolate(0, 10, 10, 10, 0.5f), 11.25f);
    EXPECT_FLOAT_EQ(cubic_interpolate(0, 0, 10, 10, 0.5f), 5.0f);
}

}  // namespace
