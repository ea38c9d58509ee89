// The fade veil's darkening at given song positions and the frame mask's
// cross and mask, read back from a real frame.
#include "../gl_fixture.h"
#include "geometry/trees.h"
#include "platform/gl.h"
#include "scenes/overlays.h"

namespace {

// Red of the frame's middle after the veil layer ran over a white frame.
int veiled_red(int order, int row, int frame_ms)
{
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    layer_fade_veil(order, row, 0, 0, frame_ms);
    return read_back().at(400, 300).r;
}

}  // namespace

TEST_F(GlTest, FadeVeilOpensInOrderZeroAndClosesInOrderEight)
{
    const struct {
        int order, row, frame_ms, red;
        float veil_after;
    } steps[] = {
        {0, 10, 5000, 0, 0.0f},    // black until row 32
        {0, 32, 20, 1, 0.0055f},   // then opens
        {0, 40, 10000, 255, 1.0f}, // clamped once open
        {8, 39, 100, 255, 1.0f},   // order 8 holds
        {8, 40, 100, 217, 0.85f},  // then closes
        {8, 41, 0, 217, 0.85f},    // a still frame keeps and draws the veil
        {8, 63, 5000, 0, 0.0f},
        {5, 50, 100, 255, 0.0f},   // other orders draw nothing and keep the veil
    };
    veil = 0.7f;
    glEnable(GL_CULL_FACE);
    for (const auto &s : steps) {
        EXPECT_NEAR(veiled_red(s.order, s.row, s.frame_ms), s.red, 1) << s.order << " " << s.row;
        EXPECT_FLOAT_EQ(veil, s.veil_after) << s.order << " " << s.row;
    }
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glDisable(GL_CULL_FACE);
}

TEST_F(GlTest, FrameMaskDrawsABlackCrossAndBlackWhereTheMaskIsOpaque)
{
    // A mask opaque on its left half only.
    const uint8_t pixels[8] = {0, 0, 0, 255, 0, 0, 0, 0};
    const GLuint name = test_texel_texture(0, 0, 0, 0);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    mask_texture = name;
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    layer_frame_mask(3, 5, 0, 0, 20);
    const Picture p = read_back();
    save_picture_if_asked(p, "frame_mask.png");
    glDeleteTextures(1, &name);

    EXPECT_EQ(p.count_lit(0, 0, 310, 480), 0);
    // Right half: white but for the 8-pixel cross arms.
    EXPECT_EQ(p.at(330, 100), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(p.count_lit(317, 0, 323, 480) + p.count_lit(330, 237, 640, 243), 0);
    EXPECT_EQ(p.count_lit(330, 246, 640, 480), 310 * 234);
    EXPECT_EQ(p.count_lit(326, 0, 640, 234), 314 * 234);
    EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_2D));
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
