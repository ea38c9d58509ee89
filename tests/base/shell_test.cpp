// shell_test.cpp - the shell's pure helpers: the frame period for a refresh
// rate and the GL extension list's token match.
#include <gtest/gtest.h>

#include <cmath>

#include "base/shell.h"
#include "base/window.h"

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
    EXPECT_EQ(extension_list_contains("GL_A  GL_ARB_texture_cube_map ", name), 1);
    for (const char *list : {"GL_ARB_texture_cube_map_array", "XGL_ARB_texture_cube_map",
                             "gl_arb_texture_cube_map", (const char *)nullptr})
        EXPECT_EQ(extension_list_contains(list, name), 0) << (list ? list : "(null)");
    EXPECT_EQ(extension_list_contains("GL_A  GL_B", ""), 1);  // two spaces: an empty token
}
