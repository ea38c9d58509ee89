// Generators: each fills its slot from parameters alone.
#include <cmath>

#include "texture_test_util.h"

TEST(Generators, ClearZeroesAllFourBytes)
{
    fill_slot(0, 9, 8, 7, 6);
    TextureOp op = record(TEX_OP_CLEAR, 0, 0, 0);
    tex_clear(&op);
    for (int i = 0; i < TEXTURE_SLOT_BYTES; ++i)
        ASSERT_EQ(tex_slot(0)[i], 0);
}

TEST(Generators, SinePlasmaRowsFollowOneSinePeriod)
{
    fill_slot(1, 0, 0, 0, 77);
    TextureOp op = record(TEX_OP_SINE_PLASMA, 1, 0, 0, 0, 1);
    tex_sine_plasma(&op);
    int top = 0, bottom = 255;
    for (int y = 0; y < 256; ++y) {
        const uint8_t v = tex_pixel(1, 0, y)[0];
        for (int x = 0; x < 256; ++x) {
            const uint8_t *p = tex_pixel(1, x, y);
            ASSERT_TRUE(p[0] == v && p[1] == v && p[2] == v) << x << "," << y;
            ASSERT_EQ(p[3], 77);
        }
        top = std::max<int>(top, v);
        bottom = std::min<int>(bottom, v);
    }
    EXPECT_EQ(tex_pixel(1, 0, 0)[0], 190);
    EXPECT_EQ(top, 253);
    EXPECT_EQ(tex_pixel(1, 0, 64)[0], 253);
    EXPECT_EQ(bottom, 127);
    EXPECT_EQ(tex_pixel(1, 0, 192)[0], 127);

    op = record(TEX_OP_SINE_PLASMA, 1, 0, 0, 0, 0);
    tex_sine_plasma(&op);
    for (int i = 0; i < 256 * 256; ++i)
        ASSERT_EQ(tex_slot(1)[i * 4 + 1], 190);
}

TEST(Generators, NoiseLatticeCodeUsesLowTwoBitsAndDrawsThreePerPoint)
{
    TextureOp op = record(TEX_OP_NOISE, 0, 0, 0, 3, 255, 0);
    tex_noise(&op);
    const std::vector<uint8_t> three = slot_copy(0);
    op.p0 = 7;
    tex_noise(&op);
    EXPECT_EQ(slot_copy(0), three);

    // p0 = 0: a 2 x 2 lattice, 12 draws; red of each lattice point is its
    // first draw mod 255 and survives the interpolation.
    op = record(TEX_OP_NOISE, 0, 0, 0, 0, 1, 2);
    tex_noise(&op);
    const int after = crt_rand();
    crt_srand(1 * 256 + 2);
    int draws[12];
    for (int &d : draws)
        d = crt_rand();
    EXPECT_EQ(after, crt_rand());
    EXPECT_EQ(tex_pixel(0, 0, 0)[0], draws[0] % 255);
    EXPECT_EQ(tex_pixel(0, 128, 0)[0], draws[3] % 255);
    EXPECT_EQ(tex_pixel(0, 0, 128)[0], draws[6] % 255);
    EXPECT_EQ(tex_pixel(0, 128, 128)[0], draws[9] % 255);
    for (int i = 0; i < 256 * 256; ++i) {
        const uint8_t *p = tex_slot(0) + i * 4;
        ASSERT_TRUE(p[0] == p[1] && p[1] == p[2] && p[0] <= 254);
    }
}

TEST(Generators, CheckerCellsKeepTheirSizeWithANarrowRemainder)
{
    TextureOp op = record(TEX_OP_CHECKER, 2, 0, 0, 0, 3);
    tex_checker(&op);
    for (int y = 0; y < 256; ++y) {
        const int white = (y >= 85 && y <= 169) || y == 255;
        for (int x = 0; x < 256; x += 17)
            ASSERT_EQ(tex_pixel(2, x, y)[0], white ? 255 : 0) << x << "," << y;
    }
    op = record(TEX_OP_CHECKER, 2, 0, 0, 0, 0);
    tex_checker(&op);
    for (int i = 0; i < 256 * 256 * 4; ++i)
        ASSERT_EQ(tex_slot(2)[i] & (i % 4 == 3 ? 0 : 255), 0);
    op = record(TEX_OP_CHECKER, 2, 0, 0, 16, 0);
    tex_checker(&op);
    for (int x = 0; x < 256; ++x)
        ASSERT_EQ(tex_pixel(2, x, 200)[1], (x / 16) % 2 ? 255 : 0);
}

TEST(Generators, RadialGlowPeaksAtTheCentreAndSaturatesWithHighGains)
{
    fill_slot(3, 0, 0, 0, 5);
    TextureOp op = record(TEX_OP_RADIAL, 3, 0, 0, 128, 255, 0);
    tex_radial(&op);
    EXPECT_EQ(tex_pixel(3, 128, 128)[0], 255);
    EXPECT_EQ(tex_pixel(3, 0, 0)[0], 3);  // 1 - sin(sqrt 2) of 255
    EXPECT_EQ(tex_pixel(3, 0, 0)[1], 6);
    EXPECT_EQ(tex_pixel(3, 150, 140)[1], 255);
    EXPECT_EQ(tex_pixel(3, 128, 0)[0], tex_pixel(3, 0, 128)[0]);
    for (int i = 0; i < 256 * 256; ++i) {
        ASSERT_EQ(tex_slot(3)[i * 4 + 2], 0);
        ASSERT_EQ(tex_slot(3)[i * 4 + 3], 5);
    }
}

TEST(Generators, PlasmaWithoutAmplitudeIsTheSeedValueEverywhere)
{
    for (int amp : {0, 1}) {
        fill_slot_random(0, 11);
        fill_slot(1, 1, 2, 3, 4);
        const std::vector<uint8_t> other = slot_copy(0);
        TextureOp op = record(TEX_OP_PLASMA, 1, 0, 0, 0, amp);
        tex_plasma(&op);
        for (int i = 0; i < 256 * 256; ++i) {
            const uint8_t *p = tex_slot(1) + i * 4;
            ASSERT_TRUE(p[0] == 38 && p[1] == 38 && p[2] == 38 && p[3] == 4) << i;
        }
        EXPECT_EQ(slot_copy(0), other);
    }
}

TEST(Generators, PlasmaIsGreyNeverZeroAndTiles)
{
    fill_slot_random(2, 5);
    TextureOp op = record(TEX_OP_PLASMA, 2, 0, 0, 16, 169);
    tex_plasma(&op);
    int lowest = 255, highest = 0;
    for (int i = 0; i < 256 * 256; ++i) {
        const uint8_t *p = tex_slot(2) + i * 4;
        ASSERT_TRUE(p[0] == p[1] && p[1] == p[2] && p[0] != 0) << i;
        lowest = std::min<int>(lowest, p[0]);
        highest = std::max<int>(highest, p[0]);
    }
    EXPECT_LT(lowest, 64);  // a rough plasma, not a flat one
    EXPECT_GT(highest, 192);
    EXPECT_EQ(tex_pixel(2, 0, 0)[0], 38);
}

TEST(Generators, OneCellPointGivesABlackSpotFadingToWhite)
{
    TextureOp op = record(TEX_OP_CELLS, 0, 0, 0, 1, 59, 102);
    tex_cells(&op);
    crt_srand(102);
    const int px = crt_rand() % 256, py = crt_rand() % 256;
    EXPECT_EQ(tex_pixel(0, px, py)[0], 0);
    const double contrast = 59 / 64.0 + 1, gmax = sqrt(128.0 * 128 * 2);
    int white = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            int dx = abs(px - x), dy = abs(py - y);
            dx = dx > 128 ? 255 - dx : dx;
            dy = dy > 128 ? 255 - dy : dy;
            const uint8_t *p = tex_pixel(0, x, y);
            ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]);
            if ((int)sqrt(dx * dx + dy * dy) >= gmax / contrast) {
                ASSERT_EQ(p[0], 255) << x << "," << y;
                ++white;
            } else if ((int)sqrt(dx * dx + dy * dy) < gmax / contrast - 2) {
                ASSERT_LT(p[0], 255) << x << "," << y;
            }
        }
    EXPECT_GT(white, 20000);
}

// Nearest distances are found on squared integers; the picture must equal
// the point-by-point comparison of square roots in floats.
TEST(Generators, CellsEqualNearestDistancesScaledByTheLargestDistance)
{
    TextureOp op = record(TEX_OP_CELLS, 1, 0, 0, 26, 128, 0);
    tex_cells(&op);
    crt_srand(0);
    int px[26], py[26];
    for (int k = 0; k < 26; ++k) {
        px[k] = crt_rand() % 256;
        py[k] = crt_rand() % 256;
    }
    static uint8_t red[256][256];
    float gmin = 255, gmax = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            float dmin = 255;
            for (int k = 0; k < 26; ++k) {
                int dx = abs(px[k] - x), dy = abs(py[k] - y);
                dx = dx > 128 ? 255 - dx : dx;
                dy = dy > 128 ? 255 - dy : dy;
                const double d = sqrt((double)(dx * dx + dy * dy));
                if (d > gmax)
                    gmax = (float)d;
                if (d < dmin)
                    dmin = (float)d;
            }
            gmin = std::min(gmin, dmin);
            red[y][x] = clamp_float_byte(dmin);
        }
    int brightest = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const uint8_t want = clamp_float_byte((float)((red[y][x] - (double)gmin) * 3.0f * 255.0 / gmax));
            ASSERT_EQ(tex_pixel(1, x, y)[2], want) << x << "," << y;
            brightest = std::max<int>(brightest, want);
        }
    EXPECT_GT(brightest, 200);  // bright cell borders
}

TEST(Generators, CellsWithoutPointsAreBlackInsteadOfDividingByZero)
{
    fill_slot(3, 200, 200, 200, 9);
    TextureOp op = record(TEX_OP_CELLS, 3, 0, 0, 0, 128, 1);
    EXPECT_EQ(tex_cells(&op), 1);
    for (int i = 0; i < 256 * 256; ++i) {
        const uint8_t *p = tex_slot(3) + i * 4;
        ASSERT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 9);
    }
}
