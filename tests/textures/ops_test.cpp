// The pixel operators where parameters leave the range the stored script
// uses: degenerate sizes, wraps, clamps and refusals. The script's digests
// pin the ordinary values (and the clamps it reaches) to the byte.
#include <cmath>

#include "texture_test_util.h"

// Every pixel of the slot satisfies the condition (p: the pixel, i: its index).
#define EXPECT_EVERY_PIXEL(slot, cond)                              \
    for (int i = 0; i < 256 * 256; ++i) {                           \
        const uint8_t *p = tex_slot(slot) + i * 4;                  \
        ASSERT_TRUE(cond) << "pixel " << i;                         \
    }

TEST(Generators, DegenerateParametersGiveFlatImagesWithoutDividingByZero)
{
    // No cells: one black cell. Plasma amplitudes 0 and 1 both draw with 1,
    // giving the seed's value everywhere.
    EXPECT_EXIT(
        {
            run_op(TEX_OP_CHECKER, 2, 0, 0, 0, 0);
            run_op(TEX_OP_PLASMA, 0, 0, 0, 0, 0);
            run_op(TEX_OP_PLASMA, 1, 0, 0, 0, 1);
            bool flat = true;
            for (int i = 0; i < TEXTURE_SLOT_BYTES; i += 4)
                flat = flat && !tex_slot(2)[i + 1] && tex_slot(0)[i] == 38 && tex_slot(1)[i] == 38;
            exit(flat ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    run_op(TEX_OP_PLASMA, 1, 0, 0, 255, 0);  // far too strong: points clamp to 1 or 255
    int count[256] = {};
    for (int i = 0; i < 256 * 256; ++i)
        ++count[tex_slot(1)[i * 4]];
    EXPECT_TRUE(count[0] == 0 && count[1] > 15000 && count[255] > 15000);
    fill_slot(3, 200, 200, 200, 9);  // cells without points: black
    EXPECT_EQ(run_op(TEX_OP_CELLS, 3, 0, 0, 0, 128, 1), 1);
    EXPECT_EVERY_PIXEL(3, p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 9);
}

TEST(Sampling, WrapsHaveAPeriodOf255AndStopFarOut)
{
    const int in[] = {255, 256, 510, 511, 0, -1, -255, -256, -510};
    const int out[] = {255, 1, 255, 1, 0, 254, 0, 254, 0};
    for (size_t i = 0; i < std::size(in); ++i)
        EXPECT_EQ(wrap255i(in[i]), out[i]) << in[i];
    EXPECT_TRUE(wrap255i(INT32_MIN) >= 0 && wrap255i(INT32_MIN) <= 255);
    // Far out: 0 rather than looping for ever (the first failure ends the test).
    const float fin[] = {255.0f, 255.5f, -0.5f, 65536.0f, -65536.0f, NAN, 65537.0f, -65537.0f,
                         1e30f, -INFINITY};
    const float fout[] = {255.0f, 0.5f, 254.5f, 1.0f, 254.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    for (size_t i = 0; i < std::size(fin); ++i)
        ASSERT_EQ(wrap255f(fin[i]), fout[i]) << fin[i];
}

TEST(Spatial, BlurScalesEachPassAndGuardsItsScratchSlotAndItsSizes)
{
    // Each pass scales by 2 * half / (size + 1), truncated; alpha untouched.
    const int cases[][3] = {{16, 160, 150}, {255, 168, 166}, {0, 0, 0}, {1, 0, 0}};
    for (auto &c : cases) {
        fill_slot(0, 170, 170, 170, 11);
        fill_slot(4, 0, 0, 0, 22);
        EXPECT_EQ(run_op(TEX_OP_BLUR, 0, 0, 0, c[0]), 1);
        EXPECT_EVERY_PIXEL(0, p[0] == c[2] && p[2] == c[2] && p[3] == 11);
        EXPECT_EVERY_PIXEL(4, p[1] == c[1] && p[3] == 22);
    }
    fill_slot_random(1, 21);
    fill_slot_random(2, 22);
    fill_slot_random(4, 23);
    const std::vector<uint8_t> one = slot_copy(1), two = slot_copy(2), four = slot_copy(4);
    EXPECT_EQ(run_op(TEX_OP_BLUR, 4, 1, 0, 16), 0);
    EXPECT_EQ(run_op(TEX_OP_BLUR, 2, 4, 0, 16), 0);
    box_blur_pass(1, 1, 16, BLUR_HORIZONTAL);  // onto its own source
    box_blur_pass(2, 1, -1, BLUR_VERTICAL);    // sizes out of range
    box_blur_pass(2, 1, 256, BLUR_HORIZONTAL);
    EXPECT_TRUE(slot_copy(1) == one && slot_copy(2) == two && slot_copy(4) == four);
}

// Hues the stored script never makes; its digests pin every other colour.
TEST(Colour, HuesWrapAtAFullTurn)
{
    float r, g, b;
    hsv_to_rgb(360.0f, 0.5f, 100.0f, &r, &g, &b);
    EXPECT_TRUE(r == 100.0f && g == 50.0f && b == 50.0f);
    rgb_to_hsv(255, 0, 1, &r, &g, &b);  // just below 0 wraps to just below 360
    EXPECT_TRUE(r > 359.0f && r < 360.0f);
}
