// The stored animation paths: the layout the loader reads, where each
// recording ends, and that the motion moves like a recording (smooth, a
// walk with legs and arms in counter-phase). tools/ regenerates the bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "embedded_data.h"

namespace {

// Points each path recorded; the rest of its 500 are zero.
const int RECORDED[23] = {153, 150, 160, 155, 155, 155, 157, 155, 154, 154, 148, 157,
                          153, 152, 173, 173, 173, 173, 173, 173, 173, 173, 173};

int coord(int path, int i, int axis)
{
    const unsigned char *p = PATH_TABLE[path] + i * 4 + axis * 2;
    return (int16_t)(p[0] | p[1] << 8);
}

double correlation_of_ys(int a, int b, int from, int to)
{
    double ma = 0, mb = 0, ab = 0, aa = 0, bb = 0;
    for (int i = from; i < to; ++i)
        ma += coord(a, i, 1) / (double)(to - from), mb += coord(b, i, 1) / (double)(to - from);
    for (int i = from; i < to; ++i) {
        const double da = coord(a, i, 1) - ma, db = coord(b, i, 1) - mb;
        ab += da * db, aa += da * da, bb += db * db;
    }
    return ab / std::sqrt(aa * bb);
}

TEST(StoredPaths, LayoutAndRecordedLengths)
{
    EXPECT_EQ(PATH_TABLE_COUNT, 23u);
    EXPECT_EQ(PATH_DATA_SIZE, 46000u);
    for (int p = 0; p < 23; ++p) {
        EXPECT_EQ(PATH_TABLE[p], PATH_DATA + p * 2000) << "path " << p;
        const int last = RECORDED[p] - 1;
        EXPECT_FALSE(coord(p, last, 0) == 0 && coord(p, last, 1) == 0) << "path " << p;
        for (int i = RECORDED[p]; i < 500; ++i)
            ASSERT_TRUE(coord(p, i, 0) == 0 && coord(p, i, 1) == 0) << p << ", point " << i;
    }
}

TEST(StoredPaths, MoveLikeARecording)
{
    for (int p = 0; p < 23; ++p) {
        double total = 0;
        for (int i = 1; i < RECORDED[p]; ++i) {
            const int step = std::max(std::abs(coord(p, i, 0) - coord(p, i - 1, 0)),
                                      std::abs(coord(p, i, 1) - coord(p, i - 1, 1)));
            EXPECT_TRUE(i >= 4 || step == 0) << "path " << p;  // the recording held still at first
            EXPECT_LE(step, 65) << "path " << p << " point " << i;  // at most 65 degrees in 100 ms
            total += step;
        }
        EXPECT_LT(total / (RECORDED[p] - 1), 10.0) << "path " << p;
    }
    // While the robot marches (points 40 to 70) its hips swing against each
    // other and each arm against the leg on its own side.
    EXPECT_LT(correlation_of_ys(9, 10, 40, 70), -0.8);
    EXPECT_LT(correlation_of_ys(5, 9, 40, 70), -0.8);
    EXPECT_LT(correlation_of_ys(6, 10, 40, 70), -0.8);
    double mean = 0;
    for (int i = 40; i < 70; ++i)
        mean += coord(9, i, 1) / 30.0;
    int crossings = 0;  // a step on every beat of 136 BPM: about 7 in 3 s
    for (int i = 41; i < 70; ++i)
        crossings += (coord(9, i - 1, 1) - mean) * (coord(9, i, 1) - mean) < 0;
    EXPECT_TRUE(crossings >= 5 && crossings <= 9) << crossings;
}

}  // namespace
