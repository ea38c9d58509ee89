// Start-up failures: each stops the program with its own reason and a
// non-zero outcome, and only a missing extension shows the extension box
// (no display: the intro as a user starts it; no OpenGL window: app_run).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/program.h"
#include "base/shell.h"
#include "platform/capture/capture_platform.h"
#include "platform/platform.h"

static int boxes_shown;

TEST(Startup, AWindowWithoutOpenGlStopsWithoutTheExtensionBox)
{
    CaptureConfig config = {};
    config.fps = 60;
    ASSERT_EQ(platform_capture_bootstrap(&platform, &config), 1);
    platform.window_open = [](int, int, int, const char *) { return 0; };
    platform.message_box = [](const char *, const char *) { ++boxes_shown; };
    quit_requested = 0;
    EXPECT_EQ(app_run(), APP_OUTCOME_NO_GL);
    EXPECT_EQ(boxes_shown, 0);  // "extension missing" is not the reason
}

#ifndef _WIN32
// The intro as a user starts it where there is no display at all.
TEST(Startup, WithoutADisplayTheIntroSaysSoAndFails)
{
    FILE *pipe = popen((std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ") +
                        INTRO + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    for (int c; (c = fgetc(pipe)) != EOF;)
        output += (char)c;
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == APP_OUTCOME_STARTUP_FAILED &&
                output.find("no display found") != output.npos &&
                output.find("extension missing") == output.npos) << status << ": " << output;
}
#endif
