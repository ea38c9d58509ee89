// Start-up failures: each stops the program with its own reason and a
// non-zero outcome, and only a missing extension shows the extension box.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/program.h"
#include "base/shell.h"
#include "platform/capture/capture_platform.h"
#include "platform/platform.h"

namespace {

int boxes_shown;

TEST(Startup, EachFailureHasItsOutcomeAndNoWrongBox)
{
    for (int no_display : {1, 0}) {
        CaptureConfig config = {};
        config.fps = 60;
        ASSERT_EQ(platform_capture_bootstrap(&platform, &config), 1);
        if (no_display)
            platform.init = [] { return 0; };
        else
            platform.window_open = [](int, int, int, const char *) { return 0; };
        platform.message_box = [](const char *, const char *) { ++boxes_shown; };
        boxes_shown = 0, quit_requested = 0;
        EXPECT_EQ(app_run(), no_display ? APP_OUTCOME_STARTUP_FAILED : APP_OUTCOME_NO_GL);
        EXPECT_EQ(boxes_shown, 0);  // "extension missing" is not the reason
    }
}

#ifndef _WIN32
// The intro as a user starts it where there is no display at all.
TEST(Startup, WithoutADisplayTheIntroSaysSoAndFails)
{
    const std::string command =
        std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ") + INTRO + " 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), APP_OUTCOME_STARTUP_FAILED) << output;
    EXPECT_NE(output.find("no display found"), std::string::npos) << output;
    EXPECT_EQ(output.find("extension missing"), std::string::npos) << output;
}
#endif

}  // namespace
