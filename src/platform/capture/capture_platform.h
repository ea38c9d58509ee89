// capture_platform.h - the offscreen, frame-exact backend.
//
// The same program runs on the system's offscreen backend (on Linux SDL's
// offscreen video driver: real Mesa OpenGL, no display server; on Windows an
// invisible window) with a virtual clock: the counter moves by exactly one frame
// period (1/fps s) at the first pacing wait after each presented frame, so
// every run produces the same frames. The fullscreen question is answered No;
// message boxes go to stderr and are counted. Every presented frame is
// finished before the next begins, read back or not: the offscreen driver's
// swap waits for nothing, and unfinished frames would pile up in memory.
//
//   CaptureConfig c = {}; c.fps = 60; c.on_frame = save; c.want_frame = pick;
//   platform_capture_bootstrap(&platform, &c);
//   ... run the program ...
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct CaptureConfig {
    int fps;  // virtual refresh rate and frame rate, > 0
    // After this many presented frames the window reports itself closed;
    // 0 means no limit.
    uint32_t max_frames;
    // Asked for each presented frame (numbered from 0); nonzero to read it back.
    int (*want_frame)(uint32_t frame);
    // Gets the wanted frame as top-down RGBA rows of width x height pixels.
    void (*on_frame)(uint32_t frame, const uint8_t *rgba, int width, int height);
    // Called after every presented frame, wanted or not (may be null).
    void (*after_frame)(uint32_t frame);
    // When set, every frame is finished before its swap and this gets its
    // real cost: seconds from the end of the previous swap (or the window's
    // opening) to the end of the frame's drawing.
    void (*frame_cost)(uint32_t frame, double seconds);
    // Asked after every presented frame and at every event pump (may be
    // null): nonzero closes the window there, as the frame limit does, so
    // the program ends after the frame it is on.
    int (*stop_requested)(void);
};

int platform_capture_bootstrap(Platform *p, const CaptureConfig *config);

uint32_t capture_frames_presented();
// The host's real clock in seconds (the program itself sees virtual time).
double capture_real_seconds();
// Message boxes shown so far; each one is a failure the program reported.
uint32_t capture_message_boxes_shown();
// Caption and text of the latest message box ("" before the first).
const char *capture_last_message_caption();
const char *capture_last_message_text();
// 1 when the frame limit closed the window.
int capture_limit_reached();
