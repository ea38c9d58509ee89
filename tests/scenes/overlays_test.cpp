// The fade veil's darkening at given song positions and the frame mask's
// cross and mask, read back from a real frame.
#include <vector>

#include "../gl_fixture.h"
#include "app/arena.h"
#include "geometry/trees.h"
#include "platform/gl.h"
#include "scenes/overlays.h"
#include "textures/textures.h"

namespace {

void clear_to_white()
{
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
}

// Red of the frame's middle after the veil layer ran over a white frame.
int veiled_red(int order, int row, int frame_ms)
{
    clear_to_white();
    layer_fade_veil(order, row, 0, 0, frame_ms);
    return read_back().at(400, 300).r;
}

}  // namespace

class FadeVeil : public GlTest {};

TEST_F(FadeVeil, OrderZeroStaysBlackUntilRowThirtyTwoThenOpens)
{
    veil = 0.7f;
    EXPECT_EQ(veiled_red(0, 10, 5000), 0);
    EXPECT_EQ(veil, 0.0f);

    EXPECT_EQ(veiled_red(0, 32, 20), 1);
    EXPECT_FLOAT_EQ(veil, 0.0055f);

    // Clamped once open, and a whole picture then.
    EXPECT_EQ(veiled_red(0, 40, 10000), 255);
    EXPECT_EQ(veil, 1.0f);
    const Picture p = read_back();
    EXPECT_EQ(p.at(0, 0).r, 255);
    EXPECT_EQ(p.at(639, 479).b, 255);
}

TEST_F(FadeVeil, OrderEightHoldsThenCloses)
{
    veil = 0.2f;
    EXPECT_EQ(veiled_red(8, 39, 100), 255);
    EXPECT_EQ(veil, 1.0f);

    const int red = veiled_red(8, 40, 100);
    EXPECT_FLOAT_EQ(veil, 0.85f);
    EXPECT_NEAR(red, 217, 1);

    // A still frame keeps the veil where it is but still draws it.
    const int again = veiled_red(8, 41, 0);
    EXPECT_FLOAT_EQ(veil, 0.85f);
    EXPECT_NEAR(again, 217, 1);

    EXPECT_EQ(veiled_red(8, 63, 5000), 0);
    EXPECT_EQ(veil, 0.0f);
}

TEST_F(FadeVeil, OtherOrdersDrawNothingAndKeepTheVeil)
{
    veil = 0.0f;
    for (int order : {1, 5, 7, 9}) {
        EXPECT_EQ(veiled_red(order, 50, 100), 255) << order;
        EXPECT_EQ(veil, 0.0f);
    }
}

TEST_F(FadeVeil, LeavesTheStandingStateAsItFoundIt)
{
    glEnable(GL_CULL_FACE);
    veil = 0.5f;
    layer_fade_veil(8, 50, 0, 0, 10);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glDisable(GL_CULL_FACE);
}

class FrameMask : public GlTest {};

TEST_F(FrameMask, BlackCrossAndBlackWhereTheMaskIsOpaque)
{
    // A mask opaque on its left half only.
    std::vector<uint8_t> pixels(256 * 256 * 4, 0);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 128; x++)
            pixels[4 * (256 * y + x) + 3] = 255;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const uint32_t kept = mask_texture;
    mask_texture = name;

    clear_to_white();
    layer_frame_mask(3, 5, 0, 0, 20);
    const Picture p = read_back();
    mask_texture = kept;
    glDeleteTextures(1, &name);

    EXPECT_EQ(p.count_lit(0, 0, 310, 480), 0);
    // Right half: white but for the 8-pixel cross arms.
    EXPECT_EQ(p.at(330, 100), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(p.at(630, 470).g, 255);
    EXPECT_EQ(p.count_lit(317, 0, 323, 480), 0);
    EXPECT_EQ(p.count_lit(330, 237, 640, 243), 0);
    EXPECT_EQ(p.count_lit(330, 246, 640, 480), 310 * 234);
    EXPECT_EQ(p.count_lit(326, 0, 640, 234), 314 * 234);

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(FrameMask, TheBuiltMaskFramesThePicture)
{
    arena_release();
    ASSERT_EQ(arena_init(), 1);
    ASSERT_EQ(textures_build(), 1);
    ASSERT_EQ(trees_build(), 1);

    // A mid-grey frame so the mask's black shows.
    glClearColor(0.5f, 0.6f, 0.7f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    layer_frame_mask(5, 0, 0, 0, 20);
    const Picture p = read_back();
    p.save("/tmp/forest_frame_mask.png");
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    // Only darkened, never brightened.
    int brighter = 0;
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; x += 7)
            brighter += p.at(x, y).r > 128 || p.at(x, y).b > 179;
    EXPECT_EQ(brighter, 0);
    EXPECT_EQ(p.at(320, 100).r, 0);
    EXPECT_EQ(p.at(100, 240).r, 0);
}
