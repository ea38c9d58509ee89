#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/arena.h"
#include "sequencing/paths.h"

// PATH_COUNT paths in their stored form (little-endian int16 pairs), point i
// of path p at (x_of(p, i), 100 + p), and the table of their addresses.
struct StoredPaths {
    std::vector<uint8_t> bytes = std::vector<uint8_t>((size_t)PATH_COUNT * PATH_POINTS * 4);
    const uint8_t *table[PATH_COUNT];
    explicit StoredPaths(int (*x_of)(int path, int point))
    {
        for (int p = 0; p < PATH_COUNT; ++p) {
            table[p] = bytes.data() + (size_t)p * PATH_POINTS * 4;
            for (int i = 0; i < PATH_POINTS; ++i) {
                const uint16_t x = (uint16_t)x_of(p, i), y = (uint16_t)(100 + p);
                const uint8_t point[4] = {(uint8_t)x, (uint8_t)(x >> 8), (uint8_t)y, 0};
                memcpy(bytes.data() + ((size_t)p * PATH_POINTS + i) * 4, point, 4);
            }
        }
    }
};

static int steps(int, int point) { return point < 3 ? 0 : 10; }  // 0 0 0 10 10 ...
static int ramp(int path, int point) { return point * 3 - path * 100; }

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(arena_init(), 1); }
    void TearDown() override { arena_release(); }
};

TEST_F(PathsTest, APathStartsAtItsPointOneAndRunsOnItsOwnClock)
{
    StoredPaths stored(ramp);
    ASSERT_EQ(paths_init_from(stored.table, PATH_COUNT), 1);
    const int32_t first[] = {4};
    paths_update(1000, first, 1);  // first use: local time 0
    EXPECT_EQ(path_value(4).x, (float)ramp(4, 1));
    EXPECT_EQ(path_value(4).y, 104.0f);
    paths_update(1250, first, 1);  // t = 2.5 on a straight ramp
    EXPECT_FLOAT_EQ(path_value(4).x, (float)ramp(4, 1) + 2.5f * 3);
    // A path not listed keeps its value; its clock runs on meanwhile.
    paths_update(5000, nullptr, 0);
    EXPECT_FLOAT_EQ(path_value(4).x, (float)ramp(4, 1) + 2.5f * 3);
    paths_update(2000, first, 1);
    EXPECT_FLOAT_EQ(path_value(4).x, (float)ramp(4, 1) + 10.0f * 3);
    // Another path starts only when it is first listed.
    const int32_t both[] = {4, 9};
    paths_update(2000, both, 2);
    EXPECT_EQ(path_value(9).x, (float)ramp(9, 1));
}

static int zigzag(int, int point) { return point * 37 % 101 - 50; }

TEST_F(PathsTest, TheCurvePassesThroughEveryPointAndOvershootsASingleStep)
{
    StoredPaths stored(zigzag);
    ASSERT_EQ(paths_init_from(stored.table, PATH_COUNT), 1);
    const int32_t id[] = {0};
    for (int k : {0, 1, 7, 250, 496}) {  // every 100 ms the next point, exactly
        paths_update(k * 100, id, 1);
        EXPECT_EQ(path_value(0).x, (float)zigzag(0, k + 1)) << k;
    }
    // Halfway from point 3 to 4 with points 2 to 5 at 0, 10, 10, 10 the curve
    // overshoots to 11.25; across a symmetric step 0, 0, 10, 10 it is at 5.
    StoredPaths step(steps);
    ASSERT_EQ(paths_init_from(step.table, PATH_COUNT), 1);
    const int32_t both[] = {0, 1};
    paths_update(0, both, 1);
    paths_update(100, both + 1, 1);
    paths_update(250, both, 2);
    EXPECT_FLOAT_EQ(path_value(0).x, 11.25f);
    EXPECT_FLOAT_EQ(path_value(1).x, 5.0f);
}

TEST_F(PathsTest, PastTheStoredPointsThePathHoldsAndBadIdsAreIgnored)
{
    StoredPaths stored(ramp);
    ASSERT_EQ(paths_init_from(stored.table, PATH_COUNT), 1);
    const int32_t ids[] = {2, -1, 23, 99};
    paths_update(0, ids, 4);
    paths_update(49700, ids, 4);
    float held = path_value(2).x;
    EXPECT_FLOAT_EQ(held, (float)ramp(2, 498));
    paths_update(200000, ids, 4);
    EXPECT_EQ(path_value(2).x, held);
    EXPECT_EQ(path_value(23).x, 0.0f);
    EXPECT_EQ(path_value(-5).y, 0.0f);
}

TEST_F(PathsTest, FailsWhenTheArenaIsFull)
{
    StoredPaths stored(ramp);
    ASSERT_NE(arena_alloc((uint32_t)arena.bytes_left - 4000), nullptr);
    EXPECT_EQ(paths_init_from(stored.table, PATH_COUNT), 0);
}
