// The robot silhouette scene: its clocks and mouth flash on the listed rows,
// then real frames: glowing eyes and flashing mouth through the cut-outs,
// the shake, and the state the layer leaves.
#include <algorithm>
#include <cmath>

#include "../gl_fixture.h"
#include "base/arena.h"
#include "platform/gl.h"
#include "scenes/silhouette.h"
#include "support/crt_rand.h"
#include "textures/image_textures.h"
#include "textures/textures.h"

namespace {

TEST(SilhouetteClock, FlashOnListedRowsAndAnglesThatWrapAndHold)
{
    silhouette_reset();
    const SilhouetteFrame f = silhouette_advance(0, 0, 20);
    EXPECT_FLOAT_EQ(silhouette_state.backdrop_angle, 0.2f);
    EXPECT_FLOAT_EQ(silhouette_state.glow_angle, 0.14f);
    EXPECT_FLOAT_EQ(silhouette_state.overlay_angle, SILHOUETTE_TURN - 0.26f);
    EXPECT_TRUE(f.glow > 0.6f && f.glow < 1.0f);
    for (float quarter : {1.0f, 3.0f}) {  // the pulse's top and bottom, with no time passing
        silhouette_state.glow_angle = quarter * 1.5707964f;
        EXPECT_FLOAT_EQ(silhouette_advance(0, 0, 0).glow, quarter == 1 ? 1.0f : 0.2f);
    }
    silhouette_state.overlay_angle = 0.1f, silhouette_state.backdrop_angle = 6.2f;
    silhouette_advance(0, 0, 10);
    EXPECT_NEAR(silhouette_state.overlay_angle, 6.2531855f, 1e-6f);
    EXPECT_NEAR(silhouette_state.backdrop_angle, 6.3f - SILHOUETTE_TURN, 1e-5f);
    const float held = silhouette_state.backdrop_angle;
    EXPECT_EQ(silhouette_advance(4, 8, 0).flash, 1.0f);  // no time: full flash, angles hold
    EXPECT_EQ(silhouette_state.backdrop_angle, held);

    silhouette_state.flash_last_row = 63;  // left by order 3
    const struct {
        int order, row, ms;
        float flash;
    } steps[] = {{4, 0, 20, 0.9f}, {4, 0, 20, 0.8f},  {4, 1, 20, 0.7f},  {4, 9, 16, 0.92f},
                 {4, 11, 1000, 0}, {5, 0, 20, 0},     {7, 0, 20, 0},     {7, 16, 20, 0.9f},
                 {8, 0, 20, 0.9f}};
    for (const auto &s : steps)
        EXPECT_NEAR(silhouette_advance(s.order, s.row, s.ms).flash, s.flash, 1e-6f)
            << s.order << " " << s.row;
}

// Frames on the real context over a plain white backdrop: only the robot is
// black and its holes show the eye and mouth quads.
class SilhouetteScene : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        GlTest::SetUpTestSuite();
        ASSERT_EQ(arena_init(), 1);
        ASSERT_EQ(textures_build(), 1);
        ASSERT_EQ(image_textures_build(), 1);
        backdrop_texture = test_texel_texture(255, 255, 255, 255);
        overlay_texture = test_texel_texture(0, 0, 0, 0);
    }
    void TearDown() override { EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR); }
    // Seeds the generator so that the next frame shakes by (dx, dy).
    static void seed_for_shake(int dx, int dy)
    {
        for (uint32_t seed = 1;; ++seed) {
            crt_srand(seed);
            if ((int)(crt_rand() & 15) - 7 == dx && (int)(crt_rand() & 15) - 7 == dy)
                return crt_srand(seed);
        }
    }
    // Pixels in the head's columns of rows [y0, y1) with colour c.
    static int count(const Picture &p, int y0, int y1, Rgba c)
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 258; x < 392; ++x) {
                const Rgba v = p.at(x, y);
                n += std::abs(v.r - c.r) <= 2 && v.g == c.g && v.b == c.b;
            }
        return n;
    }
};

TEST_F(SilhouetteScene, EyesGlowAndMouthFlashesThroughTheCutOutsAndTheStateIsKept)
{
    silhouette_reset();
    glMatrixMode(GL_PROJECTION);  // the layer's pop gives this back
    glEnable(GL_CULL_FACE);
    seed_for_shake(0, 0);
    silhouette_state.glow_angle = 1.5707964f;  // full red
    silhouette_state.flash_last_row = 63;
    layer_robot_silhouette(4, 0, 256, 0, 20);  // first frame of order 4: flash 0.9
    const Picture p = read_back();
    save_picture_if_asked(p, "silhouette.png");
    EXPECT_GT(count(p, 190, 260, {255, 0, 0, 255}), 500);   // eyes
    EXPECT_GT(count(p, 260, 336, {230, 230, 230, 255}), 500);  // mouth
    EXPECT_EQ(count(p, 190, 336, {255, 255, 255, 255}), 0);   // nothing else shows through
    EXPECT_EQ(p.count_lit(250, 400, 390, 480), 0);            // the body is solid black
    EXPECT_EQ(p.at(10, 10).g, 255);                           // the backdrop around it

    // A shake of (8, 8) moves the picture right and up and leaves a black margin.
    glClear(GL_COLOR_BUFFER_BIT);
    seed_for_shake(8, 8);
    layer_robot_silhouette(4, 1, 256, 0, 0);
    const Picture shaken = read_back();
    EXPECT_EQ(shaken.count_lit(0, 0, 8, 480) + shaken.count_lit(0, 472, 640, 480), 0);
    EXPECT_GT(count(shaken, 180, 240, {255, 0, 0, 255}), 500);

    GLint viewport[4], mode = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_TRUE(viewport[0] == 0 && viewport[1] == 0 && viewport[2] == 640 && viewport[3] == 480);
    EXPECT_EQ(mode, GL_PROJECTION);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_ALPHA_TEST));
    float m[16];
    glGetFloatv(GL_TEXTURE_MATRIX, m);  // outside the attribute stack
    EXPECT_TRUE(m[0] == 1 && m[12] == 0);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_CULL_FACE);
}

}  // namespace
