// The precalc tasks on a real offscreen context: the ten uploads and their
// kept copies, the failure paths and the export.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "../gl_fixture.h"
#include "base/arena.h"
#include "platform/gl.h"
#include "png_read.h"
#include "support/png_write.h"
#include "texture_test_util.h"
#include "textures/export.h"
#include "textures/image_textures.h"
#include "textures/mipmaps.h"

namespace {

// Each test starts from a fresh arena.
class TexturesTask : public GlTest {
protected:
    void SetUp() override { GlTest::SetUp(), arena_release(), arena_init(); }
    void TearDown() override { EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR); }
};

TEST_F(TexturesTask, UploadsTenMipmappedTexturesAndKeepsTheirPixels)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // children start afresh
    ASSERT_EQ(textures_build(), 1);
    EXPECT_EQ(uploaded_count, 10);
    EXPECT_TRUE(!texture_gl_name(-1) && !texture_gl_name(10) && !texture_pixels(-1) &&
                !texture_pixels(10));
    std::vector<uint8_t> level(TEXTURE_SLOT_BYTES);
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        ASSERT_TRUE(glIsTexture(texture_gl_name(i)));
        EXPECT_EQ(fnv1a64(texture_pixels(i), TEXTURE_SLOT_BYTES), TEXTURE_DIGESTS[i]) << i;
        glBindTexture(GL_TEXTURE_2D, texture_gl_name(i));
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
        EXPECT_EQ(memcmp(level.data(), texture_pixels(i), TEXTURE_SLOT_BYTES), 0) << i;
        GLint width = 0;  // mipmapped down to 1x1
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 8, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, 1) << i;
    }
    // An eleventh upload is refused; in a child process, which an upload into
    // no entry could end.
    const TextureOp more[] = {record(TEX_OP_UPLOAD, 0, 0, 0)};
    EXPECT_EXIT(exit(texture_script_run(more, sizeof more) == 0 && uploaded_count == 10 ? 0 : 1),
                testing::ExitedWithCode(0), "");

    // The export writes each as an opaque picture and a raw copy.
    const std::string out = std::filesystem::temp_directory_path().string() + "/fm_textures";
    ASSERT_EQ(textures_export(out.c_str()), 1);
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        const std::string base = out + "/texture" + std::to_string(i);
        std::vector<uint8_t> rgba, pixels(texture_pixels(i), texture_pixels(i) + TEXTURE_SLOT_BYTES);
        std::ifstream raw(base + ".rgba", std::ios::binary);
        EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(raw), {}), pixels);
        int w = 0, h = 0;
        ASSERT_EQ(png_read_rgba((base + ".png").c_str(), rgba, &w, &h), 1);
        EXPECT_TRUE(w == 256 && h == 256 && rgba[3] == 255 && rgba[4] == pixels[4]) << i;
    }
    std::filesystem::remove_all(out);
    EXPECT_EQ(textures_export("/proc/no/such/dir"), 0);
    // Sizes that are not powers of two up to 256 are refused before any GL
    // call; 512 in a child process, which writing past the halving's scratch
    // could end.
    for (int size : {0, 3, 100})
        EXPECT_EQ(tex_image_mipmapped(texture_pixels(0), size), 0) << size;
    EXPECT_EXIT(exit(tex_image_mipmapped(texture_pixels(0), 512)), testing::ExitedWithCode(0),
                "");
    // Halving rounds to nearest as GLU does: (0+0+1+255+2)/4, (1+1+1+255+2)/4, ...
    const uint8_t two[16] = {0, 1, 2, 3, 0, 1, 2, 3, 1, 1, 3, 5, 255, 255, 255, 255};
    uint8_t one[4];
    tex_halve(two, 2, one);
    EXPECT_EQ(std::vector<uint8_t>(one, one + 4), (std::vector<uint8_t>{64, 65, 66, 67}));
    uploaded_count = 9;  // as before the last upload: no tenth texture yet
    EXPECT_TRUE(texture_gl_name(9) == 0 && texture_pixels(9) == nullptr);
}

TEST_F(TexturesTask, FourthCopyAllocationFailingUploadsNothing)
{
    ASSERT_NE(arena_alloc((uint32_t)(arena.bytes_left - 3 * TEXTURE_SLOT_BYTES)), nullptr);
    EXPECT_EQ(textures_build(), 0);
    EXPECT_TRUE(texture_pixels(0) == nullptr && texture_pixels(3) == nullptr);
    EXPECT_TRUE(uploaded_count == 0 && texture_gl_name(0) == 0u);
}

// Missing pool textures give a transparent overlay, not a read through null
// (in a child process, which such a read would end).
TEST(ImagePixels, MissingPoolTexturesGiveATransparentOverlay)
{
    EXPECT_EXIT(
        {
            const std::vector<uint8_t> c6(IMAGE_TEXTURE_BYTES, 0x99);
            std::vector<uint8_t> out(c6);
            std::vector<uint8_t> also(c6);
            build_overlay_pixels(nullptr, c6.data(), out.data());
            build_overlay_pixels(c6.data(), nullptr, also.data());
            exit(out == std::vector<uint8_t>(IMAGE_TEXTURE_BYTES, 0) && also == out ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
