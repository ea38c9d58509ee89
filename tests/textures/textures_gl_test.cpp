// The precalc tasks on a real offscreen context: the ten uploads and their
// kept copies, the silhouette's mask and overlay, the failure paths and the
// file export.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "../gl_fixture.h"
#include "base/arena.h"
#include "embedded_data.h"
#include "platform/gl.h"
#include "support/png_write.h"
#include "texture_test_util.h"
#include "textures/export.h"
#include "textures/image_textures.h"
#include "textures/mipmaps.h"

namespace {

class TexturesTask : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        arena_release();
        ASSERT_EQ(arena_init(), 1);
    }
    void TearDown() override { EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR); }
};

std::vector<uint8_t> level0(uint32_t name, GLint wrap)
{
    glBindTexture(GL_TEXTURE_2D, name);
    const GLenum keys[] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_MIN_FILTER,
                           GL_TEXTURE_MAG_FILTER};
    const GLint want[] = {wrap, wrap, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR};
    GLint value = 0;
    for (int k = 0; k < 4; ++k) {
        glGetTexParameteriv(GL_TEXTURE_2D, keys[k], &value);
        EXPECT_EQ(value, want[k]) << "texture " << name << ", parameter " << k;
    }
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 8, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 1) << "mipmaps down to 1x1";
    std::vector<uint8_t> pixels(TEXTURE_SLOT_BYTES);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
}

TEST_F(TexturesTask, UploadsTenTexturesAndKeepsTheirPixels)
{
    ASSERT_EQ(textures_build(), 1);
    EXPECT_EQ(uploaded_count, 10);
    EXPECT_TRUE(texture_gl_name(-1) == 0 && texture_gl_name(10) == 0);
    EXPECT_TRUE(texture_pixels(-1) == nullptr && texture_pixels(10) == nullptr);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        ASSERT_TRUE(glIsTexture(texture_gl_name(i)));
        for (int j = 0; j < i; ++j)
            EXPECT_NE(texture_gl_name(j), texture_gl_name(i));
        ASSERT_NE(texture_pixels(i), nullptr);
        EXPECT_EQ(fnv1a64(texture_pixels(i), TEXTURE_SLOT_BYTES), TEXTURE_DIGESTS[i]) << i;
        EXPECT_EQ(level0(texture_gl_name(i), GL_REPEAT),
                  std::vector<uint8_t>(texture_pixels(i), texture_pixels(i) + TEXTURE_SLOT_BYTES))
            << i;
    }
    // Records 89 and 92 upload slot 1 twice: two textures, two copies.
    EXPECT_NE(texture_pixels(6), texture_pixels(7));

    const uint32_t last = texture_gl_name(9);  // an eleventh upload is refused
    const TextureOp more[] = {record(TEX_OP_UPLOAD, 0, 0, 0)};
    EXPECT_EQ(texture_script_run(more, sizeof more), 0);
    EXPECT_EQ(uploaded_count, 10);
    EXPECT_EQ(texture_gl_name(9), last);

    // The export writes each as a picture (opaque) and a raw copy.
    const auto tag = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("fm_textures_" + std::to_string(tag));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string out = dir.string() + "/out";  // made by the export
    ASSERT_EQ(textures_export(out.c_str()), 1);
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        const std::string base = out + "/texture" + std::to_string(i);
        std::vector<uint8_t> rgba, raw(TEXTURE_SLOT_BYTES + 1);
        int w = 0, h = 0;
        ASSERT_EQ(png_read_rgba((base + ".png").c_str(), rgba, &w, &h), 1);
        ASSERT_TRUE(w == 256 && h == 256);
        for (int k = 0; k < TEXTURE_SLOT_BYTES; k += 4)
            ASSERT_TRUE(memcmp(&rgba[k], texture_pixels(i) + k, 3) == 0 && rgba[k + 3] == 255)
                << i;
        FILE *f = fopen((base + ".rgba").c_str(), "rb");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(fread(raw.data(), 1, raw.size(), f), (size_t)TEXTURE_SLOT_BYTES);
        fclose(f);
        EXPECT_EQ(memcmp(raw.data(), texture_pixels(i), TEXTURE_SLOT_BYTES), 0);
    }
    std::filesystem::remove_all(dir);
    EXPECT_EQ(textures_export("/proc/no/such/dir"), 0);
}

TEST_F(TexturesTask, FourthCopyAllocationFailingUploadsNothing)
{
    ASSERT_EQ(textures_build(), 1);  // what a failed build must not leave behind
    arena_release();
    ASSERT_EQ(arena_init(), 1);
    ASSERT_NE(arena_alloc((uint32_t)(arena.bytes_left - 3 * TEXTURE_SLOT_BYTES)), nullptr);
    EXPECT_EQ(textures_build(), 0);
    for (int i = 0; i < TEXTURE_COUNT; ++i)
        EXPECT_EQ(texture_pixels(i) != nullptr, i < 3) << i;
    EXPECT_EQ(uploaded_count, 0);
    EXPECT_EQ(texture_gl_name(0), 0u);
    EXPECT_EQ(arena.bytes_left, 0);
    // A script run after it refuses the first upload that has no copy.
    const TextureOp upload = record(TEX_OP_UPLOAD, 0, 0, 0);
    const TextureOp four[] = {upload, upload, upload, upload};
    EXPECT_EQ(texture_script_run(four, sizeof four), 0);
    EXPECT_EQ(uploaded_count, 3);
    EXPECT_EQ(texture_gl_name(3), 0u);
}

// Every level of a texture as GL holds it, top to 1x1.
std::vector<uint8_t> all_levels(uint32_t name, int size)
{
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<uint8_t> levels;
    for (int level = 0; size >= 1; ++level, size /= 2) {
        size_t at = levels.size();
        levels.resize(at + (size_t)size * size * 4);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, &levels[at]);
    }
    return levels;
}

TEST_F(TexturesTask, MipmapsAreGlusToTheByte)
{
    ASSERT_EQ(textures_build(), 1);
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        GLuint names[2];
        glGenTextures(2, names);
        glBindTexture(GL_TEXTURE_2D, names[0]);
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, 256, 256, GL_RGBA, GL_UNSIGNED_BYTE,
                          texture_pixels(i));
        glBindTexture(GL_TEXTURE_2D, names[1]);
        ASSERT_EQ(tex_image_mipmapped(texture_pixels(i), 256), 1);
        EXPECT_EQ(all_levels(names[1], 256), all_levels(names[0], 256)) << "texture " << i;
        glDeleteTextures(2, names);
    }
    // Odd sizes and ones past the scratch are refused before any GL call.
    for (int size : {0, 3, 100, 512})
        EXPECT_EQ(tex_image_mipmapped(texture_pixels(0), size), 0) << size;
    const uint8_t two[16] = {0, 1, 2, 3, 0, 1, 2, 3, 1, 1, 3, 5, 255, 255, 255, 255};
    uint8_t one[4];
    tex_halve(two, 2, one);  // (0+0+1+255+2)/4, (1+1+1+255+2)/4, ...
    EXPECT_EQ(std::vector<uint8_t>(one, one + 4), (std::vector<uint8_t>{64, 65, 66, 67}));
}

TEST(ImagePixels, MissingPoolTexturesGiveATransparentOverlay)
{
    const std::vector<uint8_t> c6(IMAGE_TEXTURE_BYTES, 0x99), zero(IMAGE_TEXTURE_BYTES, 0);
    for (int missing = 0; missing < 2; ++missing) {
        std::vector<uint8_t> out(IMAGE_TEXTURE_BYTES, 0xEE);
        build_overlay_pixels(missing ? c6.data() : nullptr, missing ? nullptr : c6.data(),
                             out.data());
        EXPECT_EQ(out, zero) << missing;
    }
}

TEST_F(TexturesTask, SilhouetteMaskClampsAndCutsTheImageOverlayCutsTextureSix)
{
    ASSERT_EQ(textures_build(), 1);
    ASSERT_EQ(image_textures_build(), 1);
    EXPECT_EQ(backdrop_texture, texture_gl_name(5));
    ASSERT_TRUE(glIsTexture(robot_mask_texture) && glIsTexture(overlay_texture));
    for (int i = 0; i < TEXTURE_COUNT; ++i)
        EXPECT_TRUE(robot_mask_texture != texture_gl_name(i) &&
                    overlay_texture != texture_gl_name(i));
    // White with the image as alpha; texture 6's colour with texture 7's red as alpha.
    const std::vector<uint8_t> mask = level0(robot_mask_texture, GL_CLAMP_TO_EDGE);
    const std::vector<uint8_t> overlay = level0(overlay_texture, GL_REPEAT);
    const uint8_t *c6 = texture_pixels(6), *c7 = texture_pixels(7);
    for (int i = 0; i < 256 * 256; ++i) {
        const uint8_t *m = &mask[i * 4], *o = &overlay[i * 4];
        ASSERT_TRUE(memcmp(m, "\xff\xff\xff", 3) == 0 && m[3] == ROBOT_IMAGE[i]) << i;
        ASSERT_TRUE(memcmp(o, &c6[i * 4], 3) == 0 && o[3] == c7[i * 4]) << i;
    }
}

}  // namespace
