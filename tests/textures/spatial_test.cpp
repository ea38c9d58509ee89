// Spatial operators and the wraps and sampler they share.
#include <cmath>

#include "texture_test_util.h"

static uint8_t channel(TexPixel c, int i)
{
    return (uint8_t)(c >> (8 * i));
}

TEST(Wraps, HaveAPeriodOf255)
{
    const int in[] = {0, 128, 255, 256, 257, 509, 510, 511, -1, -2, -254, -255, -256, -510};
    const int out[] = {0, 128, 255, 1, 2, 254, 255, 1, 254, 253, 1, 0, 254, 0};
    for (size_t i = 0; i < sizeof in / sizeof in[0]; ++i)
        EXPECT_EQ(wrap255i(in[i]), out[i]) << in[i];
    EXPECT_EQ(wrap255i(INT32_MIN) >= 0 && wrap255i(INT32_MIN) <= 255, true);

    EXPECT_EQ(wrap255f(255.0f), 255.0f);
    EXPECT_EQ(wrap255f(255.5f), 0.5f);
    EXPECT_EQ(wrap255f(-0.5f), 254.5f);
    EXPECT_EQ(wrap255f(383.0f), 128.0f);
    // Far outside the range the wrap gives 0 rather than looping for ever.
    EXPECT_EQ(wrap255f(1e30f), 0.0f);
    EXPECT_EQ(wrap255f(-INFINITY), 0.0f);
    EXPECT_EQ(wrap255f(NAN), 0.0f);
}

TEST(Bilinear, InterpolatesAcrossTheRightAndBottomEdges)
{
    fill_slot(0, 0, 0, 0, 99);
    tex_pixel(0, 255, 0)[0] = 101;
    tex_pixel(0, 0, 0)[0] = 50;
    tex_pixel(0, 0, 255)[1] = 201;
    tex_pixel(0, 0, 0)[1] = 100;
    tex_pixel(0, 7, 9)[2] = 33;

    const TexPixel across = sample_bilinear(0, 255.5f, 0.0f);
    EXPECT_EQ(channel(across, 0), 75);  // (101 + 50) / 2, truncated
    const TexPixel down = sample_bilinear(0, 0.0f, 255.5f);
    EXPECT_EQ(channel(down, 1), 150);  // (201 + 100) / 2, truncated
    const TexPixel whole = sample_bilinear(0, 7.0f, 9.0f);
    EXPECT_EQ(channel(whole, 2), 33);
    EXPECT_EQ(channel(whole, 3), 0);
    EXPECT_EQ(channel(sample_bilinear(0, 6.5f, 9.0f), 2), 16);
}

TEST(Warps, NeutralAmplitudesCopyColoursAndClearAlpha)
{
    fill_slot_random(0, 1);
    fill_slot_random(1, 2);
    for (int opn : {TEX_OP_SINE_WARP, TEX_OP_DISPLACE}) {
        fill_slot(2, 1, 1, 1, 1);
        TextureOp op = record(opn, 2, 0, 1, 128, 128);
        TEXTURE_OPS[opn](&op);
        for (int i = 0; i < 256 * 256; ++i) {
            const uint8_t *p = tex_slot(2) + i * 4, *q = tex_slot(0) + i * 4;
            ASSERT_TRUE(p[0] == q[0] && p[1] == q[1] && p[2] == q[2] && p[3] == 0) << opn << " " << i;
        }
    }
}

// The warps sample with their own inlined sampler; it must give exactly the
// bytes of sample_bilinear at the wrapped coordinates.
// Random pixels exercise the interpolation, bands of two colours the copy of
// flat corners.
TEST(Warps, MatchSampleBilinearAtTheWarpedCoordinates)
{
    const int params[][2] = {{0, 186}, {183, 203}, {255, 255}, {38, 124}, {255, 65}, {0, 0}};
    for (int banded = 0; banded < 2; ++banded)
    for (auto &pp : params) {
        fill_slot_random(0, 3);
        fill_slot_random(3, 4);
        if (banded)
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x)
                    memcpy(tex_pixel(0, x, y), (x / 50 + y / 40) % 2 ? "\xff\xff\x00\x07" : "\xff\x00\x00\x07", 4);
        TextureOp op = record(TEX_OP_SINE_WARP, 1, 0, 0, pp[0], pp[1]);
        tex_sine_warp(&op);
        op = record(TEX_OP_DISPLACE, 2, 0, 3, pp[0], pp[1]);
        tex_displace(&op);
        const float ax = (float)(pp[0] - 128), ay = (float)(pp[1] - 128);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const float u = (float)(x + sin(y * (double)6.283f / 256) * ax);
                const float v = (float)(y + sin(x * (double)6.283f / 256) * ay);
                const TexPixel want = sample_bilinear(0, wrap255f(u), wrap255f(v));
                ASSERT_EQ(memcmp(tex_pixel(1, x, y), &want, 4), 0) << x << "," << y;

                const uint8_t *m = tex_pixel(3, x, y);
                const int big = std::max(std::max(m[0], m[1]), m[2]);
                const TexPixel moved = sample_bilinear(0, wrap255f((float)(big * (double)ax / 256 + x)),
                                                       wrap255f((float)(big * (double)ay / 256 + y)));
                ASSERT_EQ(memcmp(tex_pixel(2, x, y), &moved, 4), 0) << x << "," << y;
            }
    }
}

TEST(Shift, MovesLeftAndUpWithWrapAndKeepsAlpha)
{
    fill_slot_random(0, 5);
    fill_slot(1, 0, 0, 0, 42);
    TextureOp op = record(TEX_OP_SHIFT, 1, 0, 0, 245, 62);
    tex_shift(&op);
    for (int y = 0; y < 256; y += 5)
        for (int x = 0; x < 256; x += 3) {
            const uint8_t *p = tex_pixel(1, x, y), *q = tex_pixel(0, (x + 245) % 256, (y + 62) % 256);
            ASSERT_TRUE(p[0] == q[0] && p[1] == q[1] && p[2] == q[2] && p[3] == 42);
        }
}

TEST(Blur, UniformImageDarkensByEachPassTruncated)
{
    struct Case {
        int size, after_first, after_both;
    } cases[] = {{16, 160, 150}, {7, 127, 95}, {0, 0, 0}, {1, 0, 0}};
    for (const Case &c : cases) {
        fill_slot(0, 170, 170, 170, 11);
        fill_slot(4, 0, 0, 0, 22);
        TextureOp op = record(TEX_OP_BLUR, 0, 0, 0, c.size);
        EXPECT_EQ(tex_blur(&op), 1);
        for (int i = 0; i < 256 * 256; ++i) {
            const uint8_t *p = tex_slot(0) + i * 4, *s = tex_slot(4) + i * 4;
            ASSERT_TRUE(p[0] == c.after_both && p[2] == c.after_both && p[3] == 11) << c.size;
            ASSERT_TRUE(s[1] == c.after_first && s[3] == 22) << c.size;
        }
    }
}

// Every output is the window sum of its line positions j - half .. j + half
// - 1, each read at wrap255i, times 1 / (size + 1): checked the slow way.
TEST(Blur, EqualsTheWindowSumOfEachPass)
{
    for (int size : {7, 16, 17, 41, 255}) {
        fill_slot_random(1, (uint32_t)size);
        TextureOp op = record(TEX_OP_BLUR, 2, 1, 0, size);
        tex_blur(&op);
        const int half = size / 2;
        const float scale = (float)(1.0 / (size + 1));
        static uint8_t across[256][256];
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                int sum = 0;
                for (int k = x - half; k < x + half; ++k)
                    sum += tex_pixel(1, wrap255i(k), y)[1];
                across[y][x] = clamp_float_byte((float)(sum * (double)scale));
            }
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                int sum = 0;
                for (int k = y - half; k < y + half; ++k)
                    sum += across[wrap255i(k)][x];
                ASSERT_EQ(tex_pixel(2, x, y)[1], clamp_float_byte((float)(sum * (double)scale)))
                    << size << ": " << x << "," << y;
            }
    }
}

TEST(Blur, RefusesItsOwnScratchSlot)
{
    TextureOp op = record(TEX_OP_BLUR, 4, 0, 0, 16);
    EXPECT_EQ(tex_blur(&op), 0);
    op = record(TEX_OP_BLUR, 0, 4, 0, 16);
    EXPECT_EQ(tex_blur(&op), 0);
}

TEST(Blur, PassOntoItsOwnSourceOrOutOfRangeSizeDoesNothing)
{
    fill_slot_random(1, 21);
    fill_slot_random(2, 22);
    const std::vector<uint8_t> one = slot_copy(1), two = slot_copy(2);
    box_blur_pass(1, 1, 16, BLUR_HORIZONTAL);
    box_blur_pass(2, 1, -3, BLUR_VERTICAL);
    box_blur_pass(2, 1, 1000, BLUR_HORIZONTAL);
    EXPECT_EQ(slot_copy(1), one);
    EXPECT_EQ(slot_copy(2), two);
}
