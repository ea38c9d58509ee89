// The stored animation paths: the table of recorded facts for every path,
// the layout the loader reads, and that the motion moves like the
// recording it stands for (smooth, a walk with legs and arms in
// counter-phase).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "embedded_data.h"

namespace {

struct Point {
    int x, y;
    bool operator==(const Point &o) const { return x == o.x && y == o.y; }
};

struct Recording {
    int count;
    Point first, last;
    int x_min, x_max, y_min, y_max;
};

const Recording RECORDINGS[23] = {
    {153, {214, 473}, {400, 468}, 214, 400, 345, 473},
    {150, {446, 294}, {322, 255}, 308, 446, 244, 294},
    {160, {38, 33}, {435, 392}, 0, 478, 11, 392},
    {155, {144, 248}, {314, 248}, 144, 418, 209, 283},
    {155, {305, 246}, {333, 231}, 265, 344, 213, 248},
    {155, {245, 187}, {285, 239}, 215, 361, 183, 272},
    {157, {309, 244}, {363, 251}, 290, 411, 203, 297},
    {155, {312, 224}, {307, 198}, 307, 315, 154, 224},
    {154, {314, 185}, {313, 161}, 293, 333, 84, 233},
    {154, {318, 225}, {293, 249}, 293, 325, 166, 322},
    {148, {325, 235}, {340, 246}, 323, 360, 160, 349},
    {157, {316, 240}, {326, 243}, 304, 333, 208, 350},
    {153, {310, 242}, {328, 230}, 300, 333, 194, 347},
    {152, {320, 240}, {636, 291}, 274, 639, 142, 387},
    {173, {292, 262}, {280, 298}, 280, 297, 261, 321},
    {173, {217, 255}, {186, 200}, 154, 271, 188, 255},
    {173, {308, 231}, {317, 214}, 282, 362, 213, 268},
    {173, {313, 231}, {314, 199}, 267, 358, 199, 256},
    {173, {285, 245}, {282, 234}, 203, 341, 151, 292},
    {173, {326, 238}, {350, 243}, 297, 382, 195, 309},
    {173, {308, 188}, {311, 186}, 305, 322, 158, 248},
    {173, {313, 177}, {314, 224}, 299, 336, 150, 233},
    {173, {314, 236}, {320, 246}, 237, 377, 191, 398},
};

Point point(int path, int i)
{
    const unsigned char *p = PATH_TABLE[path] + i * 4;
    return {(int16_t)(p[0] | p[1] << 8), (int16_t)(p[2] | p[3] << 8)};
}

std::vector<double> ys(int path, int from, int to)
{
    std::vector<double> v;
    for (int i = from; i < to; ++i)
        v.push_back(point(path, i).y);
    return v;
}

double correlation(const std::vector<double> &a, const std::vector<double> &b)
{
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= (double)a.size();
    mb /= (double)b.size();
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return ab / std::sqrt(aa * bb);
}

TEST(StoredPaths, LayoutCountAndAddresses)
{
    EXPECT_EQ(PATH_TABLE_COUNT, 23u);
    EXPECT_EQ(PATH_DATA_SIZE, 46000u);
    for (int p = 0; p < 23; ++p)
        EXPECT_EQ(PATH_TABLE[p], PATH_DATA + p * 2000) << "path " << p;
}

TEST(StoredPaths, EveryRecordingHasItsCountEndsAndRanges)
{
    for (int p = 0; p < 23; ++p) {
        SCOPED_TRACE("path " + std::to_string(p));
        const Recording &r = RECORDINGS[p];
        int recorded = 0;
        for (int i = 0; i < 500; ++i)
            if (!(point(p, i) == Point{0, 0}))
                recorded = i + 1;
        EXPECT_EQ(recorded, r.count);
        EXPECT_EQ(point(p, 0), r.first);
        EXPECT_EQ(point(p, r.count - 1), r.last);
        int x0 = 1 << 20, x1 = -(1 << 20), y0 = 1 << 20, y1 = -(1 << 20);
        for (int i = 0; i < r.count; ++i) {
            Point q = point(p, i);
            x0 = std::min(x0, q.x);
            x1 = std::max(x1, q.x);
            y0 = std::min(y0, q.y);
            y1 = std::max(y1, q.y);
        }
        EXPECT_EQ(x0, r.x_min);
        EXPECT_EQ(x1, r.x_max);
        EXPECT_EQ(y0, r.y_min);
        EXPECT_EQ(y1, r.y_max);
        for (int i = r.count; i < 500; ++i)
            ASSERT_EQ(point(p, i), (Point{0, 0})) << "point " << i;
    }
}

TEST(StoredPaths, MoveLikeARecording)
{
    for (int p = 0; p < 23; ++p) {
        SCOPED_TRACE("path " + std::to_string(p));
        // the recording held still for its first points
        for (int i = 1; i < 4; ++i)
            EXPECT_EQ(point(p, i), point(p, 0));
        // and never jumps: at most 65 degrees in 100 ms, mostly far less
        double total = 0;
        const int n = RECORDINGS[p].count;
        for (int i = 1; i < n; ++i) {
            int step = std::max(std::abs(point(p, i).x - point(p, i - 1).x),
                                std::abs(point(p, i).y - point(p, i - 1).y));
            EXPECT_LE(step, 65) << "point " << i;
            total += step;
        }
        EXPECT_LT(total / (n - 1), 10.0);
    }
}

// While the robot marches (points 40 to 70, about 4 to 7 s into the song)
// its hips swing against each other at walking pace and each arm swings
// against the leg on its own side.
TEST(StoredPaths, TheWalkSwingsLegsAndArmsInCounterPhase)
{
    const int from = 40, to = 70;
    EXPECT_LT(correlation(ys(9, from, to), ys(10, from, to)), -0.8);   // hips
    EXPECT_LT(correlation(ys(5, from, to), ys(9, from, to)), -0.8);    // arm against leg, -x side
    EXPECT_LT(correlation(ys(6, from, to), ys(10, from, to)), -0.8);   // and +x side
    std::vector<double> hip = ys(9, from, to);
    double mean = 0;
    for (double v : hip)
        mean += v / (double)hip.size();
    int crossings = 0;
    for (size_t i = 1; i < hip.size(); ++i)
        crossings += (hip[i - 1] - mean) * (hip[i] - mean) < 0;
    // a step on every beat of 136 BPM: about 7 crossings in 3 s
    EXPECT_GE(crossings, 5);
    EXPECT_LE(crossings, 9);
}

}  // namespace
