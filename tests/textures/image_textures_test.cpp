// The silhouette scene's textures: the pixel rules for the mask and overlay,
// and the precalc task on a real context after the texture script.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../gl_fixture.h"
#include "app/arena.h"
#include "embedded_data.h"
#include "platform/gl.h"
#include "support/png_write.h"
#include "textures/image_textures.h"
#include "texture_test_util.h"

namespace {

std::vector<uint8_t> patterned(uint32_t seed)
{
    std::vector<uint8_t> v(IMAGE_TEXTURE_BYTES);
    for (auto &b : v) {
        seed = seed * 1664525u + 1013904223u;
        b = (uint8_t)(seed >> 24);
    }
    return v;
}

TEST(ImagePixels, MaskIsWhiteWithTheImageAsAlpha)
{
    std::vector<uint8_t> mask(IMAGE_TEXTURE_BYTES, 7);
    build_robot_mask_pixels(ROBOT_IMAGE, mask.data());
    int transparent = 0, opaque = 0;
    for (int i = 0; i < 256 * 256; ++i) {
        ASSERT_EQ(mask[i * 4 + 0], 255);
        ASSERT_EQ(mask[i * 4 + 1], 255);
        ASSERT_EQ(mask[i * 4 + 2], 255);
        ASSERT_EQ(mask[i * 4 + 3], ROBOT_IMAGE[i]) << i;
        transparent += ROBOT_IMAGE[i] == 0;
        opaque += ROBOT_IMAGE[i] == 255;
    }
    // Both cases of the rule occur, so the loop above checked each.
    EXPECT_GT(transparent, 30000);
    EXPECT_GT(opaque, 15000);
    // Row-major: pixel (x, y) is byte y * 256 + x. The bobble at the cap's
    // end is on the left, the gun on the right, both well above the bottom.
    EXPECT_EQ(mask[(255 * 256 + 128) * 4 + 3], 255);  // body on the bottom edge
    EXPECT_EQ(mask[(0 * 256 + 128) * 4 + 3], 0);      // clear top edge
}

TEST(ImagePixels, OverlayAlphaComesOnlyFromTextureSevensRed)
{
    std::vector<uint8_t> c6 = patterned(6), c7 = patterned(7), out(IMAGE_TEXTURE_BYTES);
    build_overlay_pixels(c6.data(), c7.data(), out.data());
    for (int i = 0; i < 256 * 256; ++i) {
        ASSERT_EQ(out[i * 4 + 0], c6[i * 4 + 0]);
        ASSERT_EQ(out[i * 4 + 1], c6[i * 4 + 1]);
        ASSERT_EQ(out[i * 4 + 2], c6[i * 4 + 2]);
        ASSERT_EQ(out[i * 4 + 3], c7[i * 4 + 0]) << i;
    }
    // Changing everything else of 7 and 6's alpha changes nothing.
    std::vector<uint8_t> c6b = c6, c7b = c7, out2(IMAGE_TEXTURE_BYTES);
    for (int i = 0; i < 256 * 256; ++i) {
        c6b[i * 4 + 3] ^= 0xFF;
        c7b[i * 4 + 1] ^= 0x55;
        c7b[i * 4 + 2] ^= 0xAA;
        c7b[i * 4 + 3] ^= 0x0F;
    }
    build_overlay_pixels(c6b.data(), c7b.data(), out2.data());
    EXPECT_EQ(out, out2);
}

TEST(ImagePixels, MissingPoolTexturesGiveATransparentOverlay)
{
    std::vector<uint8_t> c6 = patterned(6), out(IMAGE_TEXTURE_BYTES, 0xEE);
    build_overlay_pixels(nullptr, c6.data(), out.data());
    EXPECT_EQ(out, std::vector<uint8_t>(IMAGE_TEXTURE_BYTES, 0));
    std::fill(out.begin(), out.end(), 0xEE);
    build_overlay_pixels(c6.data(), nullptr, out.data());
    EXPECT_EQ(out, std::vector<uint8_t>(IMAGE_TEXTURE_BYTES, 0));
}

// With FM_PICTURES set, writes the image as its colour times its alpha over
// black, the way the scene's alpha test lets it through, for looking at.
void save_over_black(const char *name, const std::vector<uint8_t> &rgba)
{
    const char *dir = getenv("FM_PICTURES");
    if (!dir)
        return;
    std::vector<uint8_t> shown(rgba);
    for (size_t i = 0; i < shown.size(); i += 4)
        for (int c = 0; c < 3; ++c)
            shown[i + c] = (uint8_t)(rgba[i + c] * rgba[i + 3] / 255);
    png_write_rgba((std::string(dir) + "/" + name).c_str(), shown.data(), 256, 256, 0);
}

class ImageTask : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        GlTest::SetUpTestSuite();
        arena_release();
        ASSERT_EQ(arena_init(), 1);
        ASSERT_EQ(textures_build(), 1);
    }
    void TearDown() override { EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR); }

    static std::vector<uint8_t> level0(uint32_t name)
    {
        std::vector<uint8_t> pixels(IMAGE_TEXTURE_BYTES);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return pixels;
    }
    static void expect_parameters(uint32_t name, GLint wrap)
    {
        glBindTexture(GL_TEXTURE_2D, name);
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
        EXPECT_EQ(value, wrap);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
        EXPECT_EQ(value, wrap);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
        EXPECT_EQ(value, GL_LINEAR_MIPMAP_LINEAR);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
        EXPECT_EQ(value, GL_LINEAR);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 8, GL_TEXTURE_WIDTH, &value);
        EXPECT_EQ(value, 1) << "mipmaps down to 1x1";
        glBindTexture(GL_TEXTURE_2D, 0);
    }
};

// FNV-1a 64 of the two uploaded images, taken after looking at them: the
// white robot on transparent black; texture 6's pattern cut to where
// texture 7 is bright.
constexpr uint64_t MASK_DIGEST = 2480170603907367264ull;
constexpr uint64_t OVERLAY_DIGEST = 10817152239428323505ull;

TEST_F(ImageTask, UploadsTheMaskAndOverlayAndHandsOnTheBackdrop)
{
    ASSERT_EQ(image_textures_build(), 1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(backdrop_texture, texture_gl_name(5));
    ASSERT_NE(backdrop_texture, 0u);
    ASSERT_TRUE(glIsTexture(robot_mask_texture));
    ASSERT_TRUE(glIsTexture(overlay_texture));
    EXPECT_NE(robot_mask_texture, overlay_texture);
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        EXPECT_NE(robot_mask_texture, texture_gl_name(i));
        EXPECT_NE(overlay_texture, texture_gl_name(i));
    }
    expect_parameters(robot_mask_texture, GL_CLAMP_TO_EDGE);
    expect_parameters(overlay_texture, GL_REPEAT);
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);

    std::vector<uint8_t> mask = level0(robot_mask_texture);
    std::vector<uint8_t> overlay = level0(overlay_texture);
    std::vector<uint8_t> want(IMAGE_TEXTURE_BYTES);
    build_robot_mask_pixels(ROBOT_IMAGE, want.data());
    EXPECT_EQ(mask, want);
    const uint8_t *c6 = texture_pixels(6), *c7 = texture_pixels(7);
    for (int i = 0; i < 256 * 256; ++i) {
        ASSERT_EQ(memcmp(&overlay[i * 4], &c6[i * 4], 3), 0) << i;
        ASSERT_EQ(overlay[i * 4 + 3], c7[i * 4]) << i;
    }
    save_over_black("mask.png", mask);
    save_over_black("overlay.png", overlay);
    EXPECT_EQ(fnv1a64(mask.data(), mask.size()), MASK_DIGEST);
    EXPECT_EQ(fnv1a64(overlay.data(), overlay.size()), OVERLAY_DIGEST);
}

// Stretched past its edge the mask repeats its border: nothing along the
// top and sides, the body's stump (about x 28 to 209) along the bottom.
TEST_F(ImageTask, MaskClampsToItsBorderPixels)
{
    if (!robot_mask_texture) {
        ASSERT_EQ(image_textures_build(), 1);
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, robot_mask_texture);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glColor4f(1, 1, 1, 1);
    // Texture u -0.5..1.5 across, v -0.5..1.5 down: the image fills the
    // middle 320x240, its clamped borders the rest.
    glBegin(GL_QUADS);
    glTexCoord2f(-0.5f, -0.5f), glVertex2f(0, 0);
    glTexCoord2f(1.5f, -0.5f), glVertex2f(640, 0);
    glTexCoord2f(1.5f, 1.5f), glVertex2f(640, 480);
    glTexCoord2f(-0.5f, 1.5f), glVertex2f(0, 480);
    glEnd();
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glBindTexture(GL_TEXTURE_2D, 0);
    Picture p = read_back();
    if (const char *dir = getenv("FM_PICTURES"))
        p.save(std::string(dir) + "/mask_clamped.png");
    EXPECT_EQ(p.count_lit(0, 0, 640, 120), 0);     // above: the clear top row
    EXPECT_EQ(p.count_lit(0, 0, 160, 480), 0);     // left: the clear left column
    EXPECT_EQ(p.count_lit(480, 0, 640, 480), 0);   // right: the clear right column
    EXPECT_GT(p.count_lit(160, 120, 480, 360), 20000);  // the robot itself
    // Below: the bottom row, stretched 1.25 screen pixels per texel from
    // x 160, lit from about texel 28 to 209 all the way down.
    for (int y = 365; y < 480; y += 23) {
        EXPECT_EQ(p.count_lit(160 + 20, y, 160 + 21, y + 1), 0) << y;
        EXPECT_EQ(p.at(160 + 40, y).r, 255) << y;
        EXPECT_EQ(p.at(160 + 250, y).r, 255) << y;
        EXPECT_EQ(p.count_lit(160 + 270, y, 640, y + 1), 0) << y;
    }
}

}  // namespace
