// The robot silhouette scene: its clocks and mouth flash on the listed
// rows, then real frames: the shake, the glowing eyes and flashing mouth
// through the silhouette's cut-outs, and the state the layer leaves.
#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/arena.h"
#include "embedded_data.h"
#include "gl_fixture.h"
#include "platform/gl.h"
#include "scenes/silhouette.h"
#include "support/crt_rand.h"
#include "textures/image_textures.h"
#include "textures/textures.h"

namespace {

void save(const Picture &p, const char *name)
{
    if (const char *dir = getenv("FM_PICTURES"))
        p.save(std::string(dir) + "/" + name);
}

void reset_scene()
{
    backdrop_angle = 0.0f;
    overlay_angle = SILHOUETTE_TURN;
    glow_angle = 0.0f;
    flash = 0.0f;
    flash_last_row = -1;
}

TEST(SilhouetteClock, MouthFlashesOnTheFirstFrameOfListedRows)
{
    int listed = 0;
    for (int order = 0; order < 12; ++order)
        for (int row = 0; row < 64; ++row)
            listed += is_flash_row(order, row);
    EXPECT_EQ(listed, 5 + 6 + 8);

    reset_scene();
    flash_last_row = 63;  // left by order 3
    EXPECT_FLOAT_EQ(silhouette_advance(4, 0, 20).flash, 0.9f);
    EXPECT_FLOAT_EQ(silhouette_advance(4, 0, 20).flash, 0.8f);  // same row: decays
    EXPECT_FLOAT_EQ(silhouette_advance(4, 1, 20).flash, 0.7f);  // not listed
    for (int row : {8, 9, 10})
        EXPECT_FLOAT_EQ(silhouette_advance(4, row, 16).flash, 0.92f) << row;
    EXPECT_EQ(silhouette_advance(4, 11, 1000).flash, 0.0f);  // and stops at 0

    // Other orders neither flash nor remember the row; order 7 flashes from
    // row 16 only.
    flash = 0.5f;
    EXPECT_FLOAT_EQ(silhouette_advance(5, 0, 20).flash, 0.4f);
    EXPECT_EQ(flash_last_row, 11);
    EXPECT_FLOAT_EQ(silhouette_advance(7, 0, 20).flash, 0.3f);
    EXPECT_FLOAT_EQ(silhouette_advance(7, 16, 20).flash, 0.9f);
    EXPECT_FLOAT_EQ(silhouette_advance(8, 0, 20).flash, 0.9f);
}

TEST(SilhouetteClock, AnglesAdvanceWrapAndHold)
{
    reset_scene();
    const SilhouetteFrame f = silhouette_advance(0, 0, 20);
    EXPECT_FLOAT_EQ(backdrop_angle, 0.2f);
    EXPECT_FLOAT_EQ(overlay_angle, SILHOUETTE_TURN - 0.26f);
    EXPECT_FLOAT_EQ(glow_angle, 0.14f);
    EXPECT_FLOAT_EQ(f.glow, sinf(0.14f) * 0.4f + 0.6f);

    overlay_angle = 0.1f, backdrop_angle = 6.2f, glow_angle = 6.25f;
    silhouette_advance(0, 0, 10);
    EXPECT_NEAR(overlay_angle, 6.2531855f, 1e-6f);
    EXPECT_NEAR(backdrop_angle, 6.3f - SILHOUETTE_TURN, 1e-5f);
    EXPECT_NEAR(glow_angle, 6.32f - SILHOUETTE_TURN, 1e-5f);

    // No time: everything holds, and a listed row shows the flash at full.
    backdrop_angle = 1.0f, overlay_angle = 2.0f, glow_angle = 1.5707964f, flash = 0.6f;
    EXPECT_NEAR(silhouette_advance(4, 5, 0).glow, 1.0f, 1e-6f);
    EXPECT_EQ(backdrop_angle, 1.0f);
    EXPECT_EQ(overlay_angle, 2.0f);
    EXPECT_EQ(flash, 0.6f);
    EXPECT_EQ(silhouette_advance(4, 8, 0).flash, 1.0f);
    glow_angle = 4.712389f;
    EXPECT_NEAR(silhouette_advance(0, 0, 0).glow, 0.2f, 1e-6f);
}

// Frames on the real context, with the textures the precalc makes.
class SilhouetteScene : public GlTest {
protected:
    static uint32_t real_backdrop, real_overlay, real_mask;
    static uint32_t white, clear;

    static uint32_t one_texel(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
    {
        const uint8_t texel[4] = {r, g, b, a};
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
        return name;
    }

    static void SetUpTestSuite()
    {
        GlTest::SetUpTestSuite();
        arena_release();
        ASSERT_EQ(arena_init(), 1);
        ASSERT_EQ(textures_build(), 1);
        ASSERT_EQ(image_textures_build(), 1);
        real_backdrop = backdrop_texture;
        real_overlay = overlay_texture;
        real_mask = robot_mask_texture;
        white = one_texel(255, 255, 255, 255);
        clear = one_texel(0, 0, 0, 0);
    }
    void SetUp() override
    {
        GlTest::SetUp();
        reset_scene();
        backdrop_texture = real_backdrop;
        overlay_texture = real_overlay;
        robot_mask_texture = real_mask;
    }
    void TearDown() override { EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR); }

    // A plain white frame behind the silhouette: only the robot is black
    // and its holes show the eye and mouth quads.
    static void plain_backdrop()
    {
        backdrop_texture = white;
        overlay_texture = clear;
    }

    // The shake the next frame takes, from the generator's state now.
    static void next_shake(int *dx, int *dy)
    {
        const uint32_t saved = crt_state;
        *dx = (crt_rand() & 15) - 7;
        *dy = (crt_rand() & 15) - 7;
        crt_state = saved;
    }
    // The seed after which the next frame shakes by (dx, dy).
    static uint32_t seed_for_shake(int dx, int dy)
    {
        for (uint32_t seed = 1;; ++seed) {
            crt_srand(seed);
            int x, y;
            next_shake(&x, &y);
            if (x == dx && y == dy)
                return seed;
        }
    }
};
uint32_t SilhouetteScene::real_backdrop, SilhouetteScene::real_overlay, SilhouetteScene::real_mask;
uint32_t SilhouetteScene::white, SilhouetteScene::clear;

// Where a point of the 640x480 frame lands in the picture under a shake.
// The viewport's y runs up from the bottom, so dy moves the picture up.
int shaken_x(float x, int dx) { return (int)std::lround(dx + x * (640 + dx) / 640.0f); }
int shaken_y(float y, int dy)
{
    return 479 - (int)std::lround(dy + (480.0f - y) * (480 + dy) / 480.0f);
}

struct Counts {
    int lit = 0, red = 0, grey = 0, other = 0;
};

// Pixels of a band by kind: pure red of the given level, grey of the given
// level (r = g = b), or anything else that is not black. Columns 258 to
// 391 stay inside the head under any shake.
Counts count_band(const Picture &p, int y0, int y1, int red_level, int grey_level)
{
    Counts c;
    for (int y = y0; y < y1; ++y)
        for (int x = 258; x < 392; ++x) {
            const Rgba v = p.at(x, y);
            if (!(v.r | v.g | v.b))
                continue;
            ++c.lit;
            if (v.g == 0 && v.b == 0 && std::abs(v.r - red_level) <= 2)
                ++c.red;
            else if (v.r == v.g && v.g == v.b && std::abs(v.r - grey_level) <= 2)
                ++c.grey;
            else
                ++c.other;
        }
    return c;
}

// Transparent texels of the head's eye and mouth cut-outs, scaled to
// screen pixels (2.5 x 1.875 each).
int hole_area(int row0, int row1)
{
    int n = 0;
    for (int y = row0; y < row1; ++y)
        for (int x = 100; x < 160; ++x)
            n += ROBOT_IMAGE[y * 256 + x] <= 127;
    return (int)(n * 2.5 * 1.875);
}

TEST_F(SilhouetteScene, EyesGlowAndMouthFlashesThroughTheCutOuts)
{
    plain_backdrop();
    crt_srand(seed_for_shake(0, 0));
    glow_angle = 1.5707964f;  // full red
    flash_last_row = 63;
    layer_robot_silhouette(4, 0, 256, 0, 20);  // first frame of order 4
    const Picture p = read_back();
    save(p, "silhouette_plain.png");
    // Eye holes in image rows 113 to 123 (screen 212 to 232) under the
    // eye quad, which reaches down to 260; mouth rows 149 to 167 (screen
    // 279 to 315) under the mouth quad.
    const int eyes = hole_area(100, 139), mouth = hole_area(139, 176);
    ASSERT_GT(eyes, 200);
    ASSERT_GT(mouth, 200);
    const Counts e = count_band(p, 190, 260, 255, -100);
    EXPECT_EQ(e.other, 0);
    EXPECT_NEAR(e.red, eyes, eyes / 5);
    const Counts m = count_band(p, 260, 336, -100, 230);  // flash 0.9
    EXPECT_EQ(m.other, 0);
    EXPECT_NEAR(m.grey, mouth, mouth / 5);
    // The body below the head is solid black; the backdrop is white around.
    EXPECT_EQ(p.count_lit(250, 400, 390, 480), 0);
    EXPECT_EQ(p.at(10, 10), (Rgba{255, 255, 255, p.at(10, 10).a}));

    // Dark eyes, no flash: the holes go dark red and black.
    glClear(GL_COLOR_BUFFER_BIT);
    crt_srand(seed_for_shake(0, 0));
    glow_angle = 4.712389f - 7.0f;  // after the second's advance: dark
    flash_last_row = 0;
    layer_robot_silhouette(4, 1, 256, 0, 1000);
    const Picture dark = read_back();
    save(dark, "silhouette_dark.png");
    EXPECT_NEAR(count_band(dark, 190, 260, 51, -100).red, eyes, eyes / 5);
    EXPECT_EQ(count_band(dark, 260, 336, -100, -100).lit, 0);
}

// The top-left corner of the red eye pixels in a picture.
void red_corner(const Picture &p, int *left, int *top)
{
    *left = 640, *top = 480;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const Rgba v = p.at(x, y);
            if (v.r > 100 && v.g == 0 && v.b == 0) {
                *left = std::min(*left, x);
                *top = std::min(*top, y);
            }
        }
}

// The whole picture moves by (dx, dy) and stretches by (640 + dx, 480 + dy)
// over 640 x 480; the cut-outs stay over their quads at either extreme.
TEST_F(SilhouetteScene, ShakeMovesAndStretchesThePicture)
{
    plain_backdrop();
    flash = 1.0f;
    int left0, top0;
    crt_srand(seed_for_shake(0, 0));
    layer_robot_silhouette(8, 40, 512, 0, 0);
    red_corner(read_back(), &left0, &top0);
    ASSERT_LT(left0, 640);

    const int shakes[2][2] = {{-7, -7}, {8, 8}};
    for (int k = 0; k < 2; ++k) {
        const int dx = shakes[k][0], dy = shakes[k][1];
        glClear(GL_COLOR_BUFFER_BIT);
        const uint32_t seed = seed_for_shake(dx, dy);
        crt_srand(seed);
        layer_robot_silhouette(8, 40, 512, 0, 0);
        const uint32_t after = crt_state;
        crt_srand(seed);
        crt_rand(), crt_rand();
        EXPECT_EQ(after, crt_state) << "two draws a frame";
        const Picture p = read_back();
        save(p, k ? "silhouette_shake_8.png" : "silhouette_shake_-7.png");
        int left, top;
        red_corner(p, &left, &top);
        EXPECT_NEAR(left, shaken_x((float)left0, dx), 1) << dx;
        EXPECT_NEAR(top, shaken_y((float)top0, dy), 1) << dy;
        // Red and white through the holes and nothing else.
        const Counts eyes = count_band(p, 180, 240, 153, -100);
        EXPECT_EQ(eyes.other, 0) << dx;
        EXPECT_GT(eyes.red, 500);
        const Counts mouth = count_band(p, 270, 330, -100, 255);
        EXPECT_EQ(mouth.other, 0);
        EXPECT_GT(mouth.grey, 500);
        // Outside the shaken viewport the frame is not drawn.
        if (dx > 0) {
            EXPECT_EQ(p.count_lit(0, 0, dx, 480), 0);
            EXPECT_EQ(p.count_lit(0, 480 - dy, 640, 480), 0);
        } else {
            EXPECT_EQ(p.count_lit(0, 0, 640, -dy), 0);
        }
    }
}

TEST_F(SilhouetteScene, LeavesTheStateAsFound)
{
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);  // the layer's pop gives this back
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_FLAT);
    layer_robot_silhouette(7, 16, 464, 0, 16);

    GLint viewport[4], mode = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    glGetIntegerv(GL_SHADE_MODEL, &mode);
    EXPECT_EQ(mode, GL_FLAT);

    // Projection left orthographic over the frame; the texture matrix
    // (outside the attribute stack) back to identity.
    float m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 2.0f / 640);
    EXPECT_FLOAT_EQ(m[5], -2.0f / 480);
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    EXPECT_EQ(m[0], 1.0f);
    EXPECT_EQ(m[12], 0.0f);
    glMatrixMode(GL_MODELVIEW);
    glShadeModel(GL_SMOOTH);
}

// A short run of real frames to look at: the backdrop swings, the overlay
// turns, the robot stays black and its eyes red.
TEST_F(SilhouetteScene, RealFramesShowTheRobotOverTheTurningPatterns)
{
    Picture frames[3];
    for (int i = 0; i < 3; ++i) {
        glClear(GL_COLOR_BUFFER_BIT);
        crt_srand(seed_for_shake(0, 0));
        layer_robot_silhouette(4, 4 + i, 256, 0, 150);
        frames[i] = read_back();
        save(frames[i], ("silhouette_real_" + std::to_string(i) + ".png").c_str());
    }
    EXPECT_FALSE(frames[0] == frames[1]);
    EXPECT_FALSE(frames[1] == frames[2]);
    for (const Picture &p : frames) {
        EXPECT_EQ(p.count_lit(250, 400, 390, 480), 0);       // the body
        EXPECT_GT(p.count_lit(0, 0, 200, 150), 200 * 150 / 2);  // the patterns around
        EXPECT_EQ(count_band(p, 190, 250, -100, -100).grey, 0);
    }
}

}  // namespace
