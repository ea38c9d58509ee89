// clock_test.cpp - the frame clock's pacing on the capture backend's virtual
// clock.
#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/shell.h"
#include "platform/capture/capture_platform.h"

// The frame loop's pacing on the capture backend's virtual clock: one frame
// period passes per presented frame.
static int paced_frame(double period)
{
    platform.swap_buffers();
    while (clock_peek() <= period)
        platform.sleep_ms(0);
    clock_tick();
    return clock_frame_ms(clock_delta());
}

TEST(FrameClock, VirtualClockPacesExactlyOneFramePerWait)
{
    CaptureConfig config = {};
    for (int fps : {60, 50}) {  // a slow display still gets its own frame length
        config.fps = fps;
        ASSERT_TRUE(platform_capture_bootstrap(&platform, &config) && clock_start());
        EXPECT_TRUE(clock_delta() == 0.0 && clock_peek() == 0.0);
        const double period = frame_period_for_refresh(platform.refresh_rate());
        int elapsed = 0;
        for (int frame = 0; frame < fps; ++frame)
            elapsed += paced_frame(period);
        // Whole milliseconds, never rounded up: the demo time runs behind.
        EXPECT_EQ(elapsed, fps == 60 ? 960 : 1000);
        EXPECT_EQ(clock_peek(), 0.0);  // nothing passes between a tick and the next look
    }
}
