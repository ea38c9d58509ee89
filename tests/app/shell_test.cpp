#include <cmath>

#include "app/shell.h"
#include "app/window.h"
#include "gl_fixture.h"
#include "platform/gl.h"
#include "platform/platform.h"

TEST(FramePeriod, SlowOrUnknownRefreshRatesRunAtSixtyHertz)
{
    for (double rate : {0.0, 1.0, 50.0, 59.9, -5.0, std::nan("")})
        EXPECT_DOUBLE_EQ(frame_period_for_refresh(rate), 1.0 / 60.0) << rate;
    EXPECT_DOUBLE_EQ(frame_period_for_refresh(60.0), 1.0 / 60.0);
    EXPECT_DOUBLE_EQ(frame_period_for_refresh(75.0), 1.0 / 75.0);
    EXPECT_DOUBLE_EQ(frame_period_for_refresh(85.0), 1.0 / 85.0);
}

TEST(ExtensionList, MatchesWholeCaseSensitiveTokensOnly)
{
    const char *name = "GL_ARB_texture_cube_map";
    EXPECT_EQ(extension_list_contains("GL_A GL_ARB_texture_cube_map", name), 1);
    EXPECT_EQ(extension_list_contains("GL_ARB_texture_cube_map GL_B GL_C", name), 1);
    EXPECT_EQ(extension_list_contains("GL_ARB_texture_cube_map", name), 1);
    EXPECT_EQ(extension_list_contains("GL_A  GL_ARB_texture_cube_map ", name), 1);
    EXPECT_EQ(extension_list_contains("GL_ARB_texture_cube_map_array", name), 0);
    EXPECT_EQ(extension_list_contains("GL_ARB_texture_cube_mapX GL_B", name), 0);
    EXPECT_EQ(extension_list_contains("gl_arb_texture_cube_map", name), 0);
    EXPECT_EQ(extension_list_contains("XGL_ARB_texture_cube_map", name), 0);
    EXPECT_EQ(extension_list_contains("", name), 0);
    EXPECT_EQ(extension_list_contains(nullptr, name), 0);
    // An empty name only matches an empty token (two spaces in a row).
    EXPECT_EQ(extension_list_contains("GL_A GL_B", ""), 0);
    EXPECT_EQ(extension_list_contains("GL_A  GL_B", ""), 1);
}

TEST_F(GlTest, TheRequiredExtensionAndInitialStateArePresent)
{
    EXPECT_EQ(has_gl_extension("GL_ARB_texture_cube_map"), 1);
    EXPECT_EQ(has_gl_extension("GL_NO_such_extension"), 0);
    GLint depth_bits = 0, depth_func = 0, cull_mode = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
    glGetIntegerv(GL_DEPTH_FUNC, &depth_func);
    glGetIntegerv(GL_CULL_FACE_MODE, &cull_mode);
    EXPECT_GE(depth_bits, 16);
    EXPECT_EQ(depth_func, GL_LESS);
    EXPECT_EQ(cull_mode, GL_BACK);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(refresh_rate, 60.0);
    EXPECT_EQ(fullscreen_active, 0);
}

TEST_F(GlTest, EscapeAndClosingTheWindowRequestQuit)
{
    quit_requested = 0;
    window_proc(PLATFORM_EVENT_ESCAPE);
    EXPECT_EQ(quit_requested, 1);
    quit_requested = 0;
    window_proc(PLATFORM_EVENT_CLOSE);
    EXPECT_EQ(quit_requested, 1);
    quit_requested = 0;
    window_proc(0);
    EXPECT_EQ(quit_requested, 0);
}
