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
    config.fps = 60;
    ASSERT_EQ(platform_capture_bootstrap(&platform, &config), 1);
    ASSERT_EQ(clock_start(), 1);
    EXPECT_EQ(clock_delta(), 0.0);
    EXPECT_EQ(clock_peek(), 0.0);

    double period = frame_period_for_refresh(platform.refresh_rate());
    int elapsed = 0;
    for (int frame = 0; frame < 60; ++frame) {
        int ms = paced_frame(period);
        EXPECT_EQ(ms, 16);  // 16.67 ms: whole milliseconds, never rounded up
        elapsed += ms;
    }
    // Dropping the fractions makes the demo time run behind the real time.
    EXPECT_EQ(elapsed, 960);
    EXPECT_EQ(clock_peek(), 0.0);  // nothing passes between a tick and the next look

    config.fps = 50;  // a slow display still gets its own frame length
    ASSERT_EQ(platform_capture_bootstrap(&platform, &config), 1);
    ASSERT_EQ(clock_start(), 1);
    EXPECT_EQ(paced_frame(frame_period_for_refresh(50.0)), 20);
}
