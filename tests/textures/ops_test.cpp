// The pixel operators: their edge cases and the values the textures rest
// on. The script's digests pin everything else to the byte.
#include <cmath>

#include "texture_test_util.h"

// Every pixel of the slot satisfies the condition (p: the pixel, i: its index).
#define EXPECT_EVERY_PIXEL(slot, cond)                              \
    for (int i = 0; i < 256 * 256; ++i) {                           \
        const uint8_t *p = tex_slot(slot) + i * 4;                  \
        ASSERT_TRUE(cond) << "pixel " << i;                         \
    }

TEST(Generators, SinePlasmaNoiseAndRadialValues)
{
    fill_slot(1, 0, 0, 0, 77);  // grey, alpha kept; no periods: flat
    run_op(TEX_OP_SINE_PLASMA, 1, 0, 0, 0, 1);
    EXPECT_EVERY_PIXEL(1, p[3] == 77 && p[0] == p[1] && p[1] == p[2]);
    EXPECT_NE(tex_pixel(1, 9, 0)[0], tex_pixel(1, 9, 64)[0]);
    run_op(TEX_OP_SINE_PLASMA, 1, 0, 0, 0, 0);
    EXPECT_EVERY_PIXEL(1, p[1] == tex_slot(1)[1]);

    run_op(TEX_OP_NOISE, 0, 0, 0, 3, 255);  // only the low two bits of p0 choose the lattice
    const std::vector<uint8_t> three = slot_copy(0);
    run_op(TEX_OP_NOISE, 0, 0, 0, 7, 255);
    EXPECT_EQ(slot_copy(0), three);

    fill_slot(3, 0, 0, 0, 5);
    run_op(TEX_OP_RADIAL, 3, 0, 0, 128, 255, 0);
    EXPECT_EQ(tex_pixel(3, 128, 128)[0], 255);
    EXPECT_EQ(tex_pixel(3, 0, 0)[0], 3);  // 1 - sin(sqrt 2) of 255
    EXPECT_TRUE(tex_pixel(3, 150, 140)[1] == 255 && tex_pixel(3, 150, 140)[3] == 5);
}

TEST(Generators, DegenerateParametersGiveFlatImages)
{
    run_op(TEX_OP_CHECKER, 2, 0, 0, 0, 0);
    EXPECT_EVERY_PIXEL(2, p[0] == 0 && p[1] == 0 && p[2] == 0);
    run_op(TEX_OP_CHECKER, 2, 0, 0, 16, 0);
    for (int x = 0; x < 256; ++x)
        ASSERT_EQ(tex_pixel(2, x, 200)[1], (x / 16) % 2 ? 255 : 0);
    for (int amp : {0, 1}) {  // plasma: the seed value everywhere, other slots untouched
        fill_slot_random(0, 11);
        fill_slot(1, 1, 2, 3, 4);
        const std::vector<uint8_t> other = slot_copy(0);
        run_op(TEX_OP_PLASMA, 1, 0, 0, 0, amp);
        EXPECT_EVERY_PIXEL(1, p[0] == 38 && p[1] == 38 && p[2] == 38 && p[3] == 4);
        EXPECT_EQ(slot_copy(0), other);
    }
    fill_slot(3, 200, 200, 200, 9);  // cells without points: black, no division by zero
    EXPECT_EQ(run_op(TEX_OP_CELLS, 3, 0, 0, 0, 128, 1), 1);
    EXPECT_EVERY_PIXEL(3, p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 9);
}

TEST(Sampling, WrapsHaveAPeriodOf255AndBilinearCrossesTheEdges)
{
    const int in[] = {255, 256, 510, 511, -1, -255, -256, -510};
    const int out[] = {255, 1, 255, 1, 254, 0, 254, 0};
    for (size_t i = 0; i < sizeof in / sizeof in[0]; ++i)
        EXPECT_EQ(wrap255i(in[i]), out[i]) << in[i];
    EXPECT_TRUE(wrap255i(INT32_MIN) >= 0 && wrap255i(INT32_MIN) <= 255);
    EXPECT_EQ(wrap255f(255.0f), 255.0f);
    EXPECT_EQ(wrap255f(-0.5f), 254.5f);
    for (float far : {1e30f, -INFINITY, NAN})  // 0 rather than looping for ever
        EXPECT_EQ(wrap255f(far), 0.0f);

    fill_slot(0, 0, 0, 0, 99);
    tex_pixel(0, 255, 0)[0] = 101;
    tex_pixel(0, 0, 0)[0] = 50;
    tex_pixel(0, 0, 255)[1] = 201;
    tex_pixel(0, 0, 0)[1] = 100;
    EXPECT_EQ(sample_bilinear(0, 255.5f, 0.0f) & 255, 75u);         // (101 + 50) / 2, truncated
    EXPECT_EQ(sample_bilinear(0, 0.0f, 255.5f) >> 8 & 255, 150u);   // (201 + 100) / 2
    EXPECT_EQ(sample_bilinear(0, 0.0f, 0.0f) >> 24, 0u);            // alpha cleared
}

TEST(Spatial, NeutralWarpsCopyShiftWrapsAndBlurScalesEachPassAndGuardsItsScratchSlot)
{
    fill_slot_random(0, 5);
    fill_slot_random(1, 6);
    for (int op : {TEX_OP_SINE_WARP, TEX_OP_DISPLACE}) {
        run_op(op, 2, 0, 1, 128, 128);
        EXPECT_EVERY_PIXEL(2, memcmp(p, tex_slot(0) + i * 4, 3) == 0 && p[3] == 0);
    }
    fill_slot(1, 0, 0, 0, 42);
    run_op(TEX_OP_SHIFT, 1, 0, 0, 245, 62);
    const uint8_t *moved = tex_pixel(1, 20, 200);
    EXPECT_TRUE(memcmp(moved, tex_pixel(0, 9, 6), 3) == 0 && moved[3] == 42);

    // Each pass scales by 2 * half / (size + 1), truncated; alpha untouched.
    const int cases[][3] = {{16, 160, 150}, {17, 151, 134}, {7, 127, 95}, {0, 0, 0}, {1, 0, 0}};
    for (auto &c : cases) {
        fill_slot(0, 170, 170, 170, 11);
        fill_slot(4, 0, 0, 0, 22);
        EXPECT_EQ(run_op(TEX_OP_BLUR, 0, 0, 0, c[0]), 1);
        EXPECT_EVERY_PIXEL(0, p[0] == c[2] && p[2] == c[2] && p[3] == 11);
        EXPECT_EVERY_PIXEL(4, p[1] == c[1] && p[3] == 22);
    }
    EXPECT_EQ(run_op(TEX_OP_BLUR, 4, 0, 0, 16), 0);
    EXPECT_EQ(run_op(TEX_OP_BLUR, 0, 4, 0, 16), 0);
    fill_slot_random(1, 21);
    fill_slot_random(2, 22);
    const std::vector<uint8_t> one = slot_copy(1), two = slot_copy(2);
    box_blur_pass(1, 1, 16, BLUR_HORIZONTAL);  // onto its own source
    box_blur_pass(2, 1, -3, BLUR_VERTICAL);    // sizes out of range
    box_blur_pass(2, 1, 1000, BLUR_HORIZONTAL);
    EXPECT_EQ(slot_copy(1), one);
    EXPECT_EQ(slot_copy(2), two);
}

TEST(Colour, ScalesInvertCurveAndMultiply)
{
    fill_slot_random(0, 7);
    fill_slot(1, 0, 0, 0, 66);
    run_op(TEX_OP_RGB_SCALE, 1, 0, 0, 128, 128, 128);
    for (int i = 0; i < 256 * 256 * 4; ++i)
        ASSERT_EQ(tex_slot(1)[i], i % 4 == 3 ? 66 : tex_slot(0)[i]);

    for (int x = 0; x < 256; ++x)
        tex_pixel(1, x, 0)[0] = (uint8_t)x;
    run_op(TEX_OP_CURVE, 2, 1, 0, 0, 0, 44, 255);
    EXPECT_EQ(tex_pixel(2, 0, 0)[0], 0);
    EXPECT_EQ(tex_pixel(2, 128, 0)[0], 48);
    EXPECT_EQ(tex_pixel(2, 255, 0)[0], 255);

    fill_slot(0, 128, 128, 0, 1);
    fill_slot(1, 255, 128, 200, 2);
    run_op(TEX_OP_MULTIPLY, 2, 0, 1);
    EXPECT_EQ(memcmp(tex_pixel(2, 3, 3), "\xff\x81\x00", 3), 0);

    for (int g = 0; g < 256; ++g)  // grey stays grey through both colour spaces
        tex_pixel(0, g, 0)[0] = tex_pixel(0, g, 0)[1] = tex_pixel(0, g, 0)[2] = (uint8_t)g;
    run_op(TEX_OP_HSV_SCALE, 1, 0, 0, 250, 3, 64);
    run_op(TEX_OP_YUV_SCALE, 2, 0, 0, 128, 128, 128);
    for (int g = 0; g < 256; ++g)
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(tex_pixel(1, g, 0)[c], g / 2) << g;
            ASSERT_NEAR(tex_pixel(2, g, 0)[c], g, 1) << g;
        }
}

TEST(Colour, BlendModesCombineMixesAndHueWraps)
{
    const int cases[][4] = {{0, 200, 100, 255}, {1, 100, 200, 0},  {1, 200, 100, 100},
                            {2, 255, 128, 127}, {3, 64, 200, 100},  {3, 200, 64, 173},
                            {4, 64, 200, 173},  {200, 64, 200, 173}};
    for (auto &c : cases)
        EXPECT_EQ(blend_channel(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
    const TexPixel from = tex_pack(10, 20, 30, 40), to = tex_pack(250, 5, 128, 7);
    EXPECT_EQ(lerp_rgb(from, to, (float)(255 * (double)0.003921569f)), tex_pack(250, 5, 128, 0));
    EXPECT_EQ(lerp_rgb(from, to, 0.0f), tex_pack(10, 20, 30, 0));
    fill_slot_random(0, 12);
    fill_slot_random(1, 13);
    run_op(TEX_OP_COMBINE, 2, 0, 1, 2, 0);  // mix 0 copies the first image
    EXPECT_EVERY_PIXEL(2, memcmp(p, tex_slot(0) + i * 4, 3) == 0 && p[3] == 0);
    run_op(TEX_OP_COMBINE, 2, 0, 1, 0, 255);  // full mix is the blend
    EXPECT_EVERY_PIXEL(2, p[0] == std::min(255, tex_slot(0)[i * 4] + tex_slot(1)[i * 4]));
    float h, s, v, r, g, b;
    rgb_to_hsv(255, 0, 1, &h, &s, &v);  // just below 0 wraps near 360
    EXPECT_GT(h, 359.0f);
    // Sector 0, then the last sector, never overflowing.
    for (float hue : {360.0f, 700.0f, 1e30f}) {
        hsv_to_rgb(hue, 1.0f, 100.0f, &r, &g, &b);
        EXPECT_EQ(r, 100.0f) << hue;
    }
}
