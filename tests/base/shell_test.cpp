#include <cmath>

#include "base/shell.h"
#include "base/window.h"
#include "gl_fixture.h"
#include "platform/gl.h"

TEST(FramePeriod, SlowOrUnknownRefreshRatesRunAtSixtyHertz)
{
    for (double rate : {0.0, 1.0, 50.0, 59.9, std::nan("")})
        EXPECT_DOUBLE_EQ(frame_period_for_refresh(rate), 1.0 / 60.0) << rate;
    EXPECT_DOUBLE_EQ(frame_period_for_refresh(85.0), 1.0 / 85.0);
}

TEST(ExtensionList, MatchesWholeCaseSensitiveTokensOnly)
{
    const char *name = "GL_ARB_texture_cube_map";
    EXPECT_EQ(extension_list_contains("GL_A GL_ARB_texture_cube_map", name), 1);
    EXPECT_EQ(extension_list_contains("GL_ARB_texture_cube_map GL_B", name), 1);
    EXPECT_EQ(extension_list_contains("GL_A  GL_ARB_texture_cube_map ", name), 1);
    EXPECT_EQ(extension_list_contains("GL_ARB_texture_cube_map_array", name), 0);
    EXPECT_EQ(extension_list_contains("XGL_ARB_texture_cube_map", name), 0);
    EXPECT_EQ(extension_list_contains("gl_arb_texture_cube_map", name), 0);
    EXPECT_EQ(extension_list_contains(nullptr, name), 0);
    EXPECT_EQ(extension_list_contains("GL_A  GL_B", ""), 1);  // two spaces: an empty token
}

TEST_F(GlTest, TheContextHasTheExtensionAndTheInitialState)
{
    EXPECT_EQ(has_gl_extension("GL_ARB_texture_cube_map"), 1);
    GLint depth_bits = 0, depth_func = 0, cull_mode = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
    glGetIntegerv(GL_DEPTH_FUNC, &depth_func);
    glGetIntegerv(GL_CULL_FACE_MODE, &cull_mode);
    EXPECT_GE(depth_bits, 16);
    EXPECT_EQ(depth_func, GL_LESS);
    EXPECT_EQ(cull_mode, GL_BACK);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}
