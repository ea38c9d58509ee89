// Colour and combine operators and their shared per-pixel functions.
#include "texture_test_util.h"

TEST(ColourScale, UnityGainsCopyAndFullRedGainSaturates)
{
    fill_slot_random(0, 7);
    fill_slot(1, 0, 0, 0, 66);
    TextureOp op = record(TEX_OP_RGB_SCALE, 1, 0, 0, 128, 128, 128);
    tex_rgb_scale(&op);
    for (int i = 0; i < 256 * 256 * 4; ++i)
        ASSERT_EQ(tex_slot(1)[i], i % 4 == 3 ? 66 : tex_slot(0)[i]);

    op = record(TEX_OP_RGB_SCALE, 1, 0, 0, 255, 0, 0);
    tex_rgb_scale(&op);
    for (int i = 0; i < 256 * 256; ++i) {
        const uint8_t *p = tex_slot(1) + i * 4, *q = tex_slot(0) + i * 4;
        ASSERT_TRUE(p[0] == std::min(255, 2 * q[0] * 255 / 256) && p[1] == 0 && p[2] == 0) << i;
    }
}

TEST(ColourScale, InvertTwiceRestoresAndCurveBendsTheMiddle)
{
    fill_slot_random(0, 8);
    const std::vector<uint8_t> before = slot_copy(0);
    TextureOp op = record(TEX_OP_INVERT, 0, 0, 0);
    tex_invert(&op);
    EXPECT_EQ(255 - tex_slot(0)[0], before[0]);
    tex_invert(&op);
    EXPECT_EQ(slot_copy(0), before);

    for (int x = 0; x < 256; ++x)
        tex_pixel(1, x, 0)[0] = (uint8_t)x;
    op = record(TEX_OP_CURVE, 2, 1, 0, 0, 0, 44, 255);
    tex_curve(&op);
    EXPECT_EQ(tex_pixel(2, 0, 0)[0], 0);
    EXPECT_EQ(tex_pixel(2, 128, 0)[0], 48);
    EXPECT_EQ(tex_pixel(2, 255, 0)[0], 255);
    for (int x = 1; x < 256; ++x)
        ASSERT_GE(tex_pixel(2, x, 0)[0], tex_pixel(2, x - 1, 0)[0]);
}

TEST(ColourScale, MultiplyDoubles)
{
    fill_slot(0, 128, 128, 0, 1);
    fill_slot(1, 255, 128, 200, 2);
    TextureOp op = record(TEX_OP_MULTIPLY, 2, 0, 1);
    tex_multiply(&op);
    const uint8_t *p = tex_pixel(2, 3, 3);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 129);
    EXPECT_EQ(p[2], 0);
}

TEST(Blend, ChannelModes)
{
    EXPECT_EQ(blend_channel(0, 200, 100), 255);
    EXPECT_EQ(blend_channel(1, 100, 200), 0);
    EXPECT_EQ(blend_channel(1, 200, 100), 100);
    EXPECT_EQ(blend_channel(2, 255, 128), 127);
    EXPECT_EQ(blend_channel(3, 64, 200), 100);
    EXPECT_EQ(blend_channel(3, 200, 64), 173);
    EXPECT_EQ(blend_channel(4, 64, 200), 173);
    EXPECT_EQ(blend_channel(200, 64, 200), 173);
}

TEST(Blend, FullWeightIsExactlyTheSecondImage)
{
    const TexPixel a = tex_pack(10, 20, 30, 40), b = tex_pack(250, 5, 128, 7);
    const TexPixel all_b = lerp_rgb(a, b, (float)(255 * (double)0.003921569f));
    EXPECT_EQ(all_b, tex_pack(250, 5, 128, 0));
    EXPECT_EQ(lerp_rgb(a, b, 0.0f), tex_pack(10, 20, 30, 0));

    fill_slot_random(0, 9);
    fill_slot_random(1, 10);
    TextureOp op = record(TEX_OP_BLEND, 2, 0, 1, 255);
    tex_blend(&op);
    for (int i = 0; i < 256 * 256; ++i)
        ASSERT_EQ(memcmp(tex_slot(2) + i * 4, tex_slot(1) + i * 4, 3), 0);
}

TEST(Combine, MixZeroCopiesAndFullMixIsTheBlend)
{
    fill_slot_random(0, 12);
    fill_slot_random(1, 13);
    TextureOp op = record(TEX_OP_COMBINE, 2, 0, 1, 2, 0);
    tex_combine(&op);
    for (int i = 0; i < 256 * 256; ++i) {
        const uint8_t *p = tex_slot(2) + i * 4, *a = tex_slot(0) + i * 4;
        ASSERT_TRUE(p[0] == a[0] && p[1] == a[1] && p[2] == a[2] && p[3] == 0);
    }
    op = record(TEX_OP_COMBINE, 2, 0, 1, 0, 255);
    tex_combine(&op);
    for (int i = 0; i < 256 * 256 * 4; i += 4)
        ASSERT_EQ(tex_slot(2)[i], std::min(255, tex_slot(0)[i] + tex_slot(1)[i]));
    op = record(TEX_OP_COMBINE, 2, 0, 1, 1, 255);
    tex_combine(&op);
    for (int i = 0; i < 256 * 256 * 4; i += 4) {
        if (tex_slot(1)[i] >= tex_slot(0)[i]) {
            ASSERT_EQ(tex_slot(2)[i], 0);
        }
    }
}

// The operator tables its per-byte results; every pixel must still be
// lerp_rgb of the source and the blended pixel. Source and destination are
// the same slot, as in the script.
TEST(Combine, EqualsLerpOfTheBlendedPixel)
{
    for (int mode : {0, 1, 2, 3, 4}) {
        for (int mix : {0, 24, 100, 137, 255}) {
            fill_slot_random(0, (uint32_t)(mode * 7 + mix));
            fill_slot_random(1, (uint32_t)(mode * 5 + mix));
            const std::vector<uint8_t> a = slot_copy(0);
            TextureOp op = record(TEX_OP_COMBINE, 0, 0, 1, mode, mix);
            tex_combine(&op);
            const float w = (float)(mix * (double)0.003921569f);
            for (int i = 0; i < 256 * 256; ++i) {
                const uint8_t *pa = &a[i * 4], *pb = tex_slot(1) + i * 4;
                const TexPixel m = tex_pack(blend_channel(mode, pa[0], pb[0]), blend_channel(mode, pa[1], pb[1]),
                                            blend_channel(mode, pa[2], pb[2]), 0);
                const TexPixel want = lerp_rgb(tex_pack(pa[0], pa[1], pa[2], pa[3]), m, w);
                ASSERT_EQ(memcmp(tex_slot(0) + i * 4, &want, 4), 0) << mode << " " << mix << " " << i;
            }
        }
    }
}

TEST(Hsv, UnityGainsReturnEachPixelWithinOneUnit)
{
    fill_slot_random(0, 14);
    TextureOp op = record(TEX_OP_HSV_SCALE, 1, 0, 0, 128, 128, 128);
    tex_hsv_scale(&op);
    for (int i = 0; i < 256 * 256 * 4; ++i) {
        if (i % 4 != 3) {
            ASSERT_NEAR(tex_slot(1)[i], tex_slot(0)[i], 1) << i;
        }
    }
}

// The operator remembers results per colour; every pixel must still be the
// conversion there and back with the gains applied.
TEST(Hsv, EqualsTheConversionsOfEachPixel)
{
    fill_slot_random(0, 15);
    TextureOp op = record(TEX_OP_HSV_SCALE, 0, 0, 0, 131, 100, 255);
    const std::vector<uint8_t> before = slot_copy(0);
    tex_hsv_scale(&op);
    for (int i = 0; i < 256 * 256; ++i) {
        const uint8_t *q = &before[i * 4];
        float h, s, v, r, g, b;
        rgb_to_hsv(q[0], q[1], q[2], &h, &s, &v);
        hsv_to_rgb((float)(h * 131 / 128.0), (float)(s * 100 / 128.0), (float)(v * 255 / 128.0), &r, &g, &b);
        const uint8_t *p = tex_slot(0) + i * 4;
        ASSERT_TRUE(p[0] == clamp_float_byte(r) && p[1] == clamp_float_byte(g) && p[2] == clamp_float_byte(b) &&
                    p[3] == q[3])
            << i;
    }
}

TEST(Hsv, GreyStaysGreyAndScalesWithValue)
{
    for (int g = 0; g < 256; ++g)
        tex_pixel(0, g, 0)[0] = tex_pixel(0, g, 0)[1] = tex_pixel(0, g, 0)[2] = (uint8_t)g;
    TextureOp op = record(TEX_OP_HSV_SCALE, 1, 0, 0, 250, 3, 64);
    tex_hsv_scale(&op);
    for (int g = 0; g < 256; ++g) {
        const uint8_t *p = tex_pixel(1, g, 0);
        ASSERT_TRUE(p[0] == g / 2 && p[1] == g / 2 && p[2] == g / 2) << g;
    }
}

TEST(Hsv, ConversionsRoundTripAndHue360IsSectorZero)
{
    float h, s, v, r, g, b;
    rgb_to_hsv(255, 0, 0, &h, &s, &v);
    EXPECT_EQ(h, 0.0f);
    EXPECT_EQ(s, 1.0f);
    rgb_to_hsv(0, 0, 255, &h, &s, &v);
    EXPECT_EQ(h, 240.0f);
    rgb_to_hsv(255, 0, 1, &h, &s, &v);  // hue just below 0 wraps near 360
    EXPECT_GT(h, 359.0f);
    rgb_to_hsv(0, 0, 0, &h, &s, &v);
    EXPECT_EQ(s, 0.0f);

    hsv_to_rgb(360.0f, 1.0f, 200.0f, &r, &g, &b);
    EXPECT_EQ(r, 200.0f);
    EXPECT_EQ(g, 0.0f);
    EXPECT_EQ(b, 0.0f);
    // A hue stretched past the circle falls into the last sector.
    hsv_to_rgb(700.0f, 1.0f, 100.0f, &r, &g, &b);
    EXPECT_EQ(r, 100.0f);
    EXPECT_EQ(g, 0.0f);
    // A wild hue must not overflow the sector conversion.
    hsv_to_rgb(1e30f, 1.0f, 100.0f, &r, &g, &b);
    EXPECT_EQ(r, 100.0f);
}

TEST(Yuv, UnityGainsKeepGreyWithinOneUnit)
{
    for (int g = 0; g < 256; ++g)
        tex_pixel(0, g, 0)[0] = tex_pixel(0, g, 0)[1] = tex_pixel(0, g, 0)[2] = (uint8_t)g;
    TextureOp op = record(TEX_OP_YUV_SCALE, 1, 0, 0, 128, 128, 128);
    tex_yuv_scale(&op);
    for (int g = 0; g < 256; ++g)
        for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(tex_pixel(1, g, 0)[c], g, 1) << g;
    op = record(TEX_OP_YUV_SCALE, 1, 0, 0, 0, 128, 128);
    tex_yuv_scale(&op);
    EXPECT_EQ(tex_pixel(1, 200, 0)[0], 0);
}
