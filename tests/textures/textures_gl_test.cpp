// The precalc task on a real offscreen context: uploads, kept copies, the
// failure paths and the file export.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../gl_fixture.h"
#include "app/arena.h"
#include "platform/gl.h"
#include "support/png_write.h"
#include "textures/export.h"
#include "texture_test_util.h"

class TexturesTask : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        arena_release();
        ASSERT_EQ(arena_init(), 1);
    }
};

// Runs first in its process (tests keep their file order).
TEST_F(TexturesTask, NothingExistsBeforeTheTask)
{
    EXPECT_EQ(texture_gl_name(0), 0u);
    EXPECT_EQ(texture_pixels(0), nullptr);
    EXPECT_EQ(texture_pixels(-1), nullptr);
    EXPECT_EQ(texture_gl_name(10), 0u);
}

TEST_F(TexturesTask, UploadsTenTexturesAndKeepsTheirPixels)
{
    ASSERT_EQ(textures_build(), 1);
    EXPECT_EQ(uploaded_count, 10);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    // The same script through the pixel operators gives the bytes each slot
    // held at its upload.
    ScriptCapture capture;
    ASSERT_EQ(run_captured(&capture, stored_records(), stored_length()), 1);
    ASSERT_EQ(capture.uploads.size(), 10u);

    std::vector<uint8_t> level0(TEXTURE_SLOT_BYTES);
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        const GLuint name = texture_gl_name(i);
        ASSERT_NE(name, 0u);
        EXPECT_TRUE(glIsTexture(name));
        for (int j = 0; j < i; ++j)
            EXPECT_NE(texture_gl_name(j), name);
        ASSERT_NE(texture_pixels(i), nullptr);
        EXPECT_EQ(memcmp(texture_pixels(i), capture.uploads[i].data(), TEXTURE_SLOT_BYTES), 0) << i;
        EXPECT_EQ(fnv1a64(texture_pixels(i), TEXTURE_SLOT_BYTES), TEXTURE_DIGESTS[i]) << i;

        glBindTexture(GL_TEXTURE_2D, name);
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
        EXPECT_EQ(value, GL_REPEAT);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
        EXPECT_EQ(value, GL_REPEAT);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
        EXPECT_EQ(value, GL_LINEAR_MIPMAP_LINEAR);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
        EXPECT_EQ(value, GL_LINEAR);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 8, GL_TEXTURE_WIDTH, &value);
        EXPECT_EQ(value, 1) << "mipmaps down to 1x1";
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level0.data());
        EXPECT_EQ(memcmp(level0.data(), texture_pixels(i), TEXTURE_SLOT_BYTES), 0) << i;
    }
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);
    // Records 89 and 92 upload slot 1 twice: two textures, two copies.
    EXPECT_NE(texture_pixels(6), texture_pixels(7));
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(TexturesTask, AnEleventhUploadIsRefused)
{
    ASSERT_EQ(textures_build(), 1);
    const GLuint last = texture_gl_name(9);
    const TextureOp more[] = {record(TEX_OP_UPLOAD, 0, 0, 0)};
    EXPECT_EQ(texture_script_run(more, sizeof more), 0);
    EXPECT_EQ(uploaded_count, 10);
    EXPECT_EQ(texture_gl_name(9), last);
}

TEST_F(TexturesTask, FourthCopyAllocationFailingUploadsNothing)
{
    ASSERT_NE(arena_alloc((uint32_t)(arena.bytes_left - 3 * TEXTURE_SLOT_BYTES)), nullptr);
    EXPECT_EQ(textures_build(), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(texture_pixels(i), nullptr) << i;
    for (int i = 3; i < TEXTURE_COUNT; ++i)
        EXPECT_EQ(texture_pixels(i), nullptr) << i;
    EXPECT_EQ(uploaded_count, 0);
    EXPECT_EQ(texture_gl_name(0), 0u);
    EXPECT_EQ(arena.bytes_left, 0);
}

TEST_F(TexturesTask, ExportWritesPicturesAndRawCopies)
{
    ASSERT_EQ(textures_build(), 1);
    char dir[] = "/tmp/fm_textures_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string out = std::string(dir) + "/out";  // made by the export
    ASSERT_EQ(textures_export(out.c_str()), 1);
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        const std::string base = out + "/texture" + std::to_string(i);
        std::vector<uint8_t> rgba;
        int w = 0, h = 0;
        ASSERT_EQ(png_read_rgba((base + ".png").c_str(), rgba, &w, &h), 1);
        ASSERT_TRUE(w == 256 && h == 256);
        for (int k = 0; k < TEXTURE_SLOT_BYTES; k += 4)
            ASSERT_TRUE(memcmp(&rgba[k], texture_pixels(i) + k, 3) == 0 && rgba[k + 3] == 255) << i;

        std::vector<uint8_t> raw(TEXTURE_SLOT_BYTES + 1);
        FILE *f = fopen((base + ".rgba").c_str(), "rb");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(fread(raw.data(), 1, raw.size(), f), (size_t)TEXTURE_SLOT_BYTES);
        fclose(f);
        EXPECT_EQ(memcmp(raw.data(), texture_pixels(i), TEXTURE_SLOT_BYTES), 0);
        remove((base + ".png").c_str());
        remove((base + ".rgba").c_str());
    }
    rmdir(out.c_str());
    rmdir(dir);
    EXPECT_EQ(textures_export("/proc/no/such/dir"), 0);
}
