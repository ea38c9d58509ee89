// web_capture.cpp - the page's frame-exact mode: index.html?capture=1 runs
// the program on the capture backend (capture_platform.h) over the page's
// own table, so its frames and song positions are frostmere-capture's at the
// same frame numbers: a virtual clock moving one frame period per presented
// frame, virtual sound (nothing plays), the fullscreen question answered No,
// and no frame waiting for the display. The page names what it wants on
// window.FM.capture (see web/index.html): the frames to read back (given
// back as PNG data URLs), the frame rate, a frame limit and a stop flag.
//
//   platform_desktop_bootstrap(&platform);  // calls web_capture_bootstrap
//                                           // when the page asks for it
#include <cstdint>

#include "platform/capture/capture_platform.h"

extern "C" {
int web_capture_wants(uint32_t frame);
void web_capture_frame(uint32_t frame, const uint8_t *rgba, int width, int height);
int web_capture_stop(void);
int web_capture_max_frames(void);
}

static int wants(uint32_t frame)
{
    return web_capture_wants(frame);
}

static void hand_over(uint32_t frame, const uint8_t *rgba, int width, int height)
{
    web_capture_frame(frame, rgba, width, height);
}

static int stop_requested()
{
    return web_capture_stop();
}

int web_capture_bootstrap(Platform *p, int fps)
{
    CaptureConfig c = {};
    c.fps = fps;
    c.max_frames = (uint32_t)web_capture_max_frames();
    c.want_frame = wants;
    c.on_frame = hand_over;
    c.stop_requested = stop_requested;
    return platform_capture_bootstrap(p, &c);
}
