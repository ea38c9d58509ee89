// progress.h - the capture's progress on stderr: frames done of the
// expected total, frames per second and the time left.
//
//   CaptureProgress progress;
//   capture_progress_begin(&progress, total, options.quiet);
//   ... capture_progress_frame(&progress, frames_done); ...   // after each frame
//   capture_progress_end(&progress);
//
// Nothing shows for a capture that is over within a second. On a terminal
// the line is redrawn in place a few times a second; into a file or a pipe
// a line is written every five seconds. The total is what the capture
// expects; a run that goes on past it counts on, showing no time left.
#pragma once

#include <cstdint>

struct CaptureProgress {
    uint32_t total;     // expected frames, 0 when unknown
    int enabled;
    int terminal;       // stderr is a terminal: redraw in place
    int shown;          // a line is on screen that the end must close
    int64_t began_ms;
    int64_t drawn_ms;   // when the last line was drawn
    uint32_t done;
};

void capture_progress_begin(CaptureProgress *progress, uint32_t total, int quiet);
void capture_progress_frame(CaptureProgress *progress, uint32_t done);
// Draws the final count once more (when anything was shown) and ends the line.
void capture_progress_end(CaptureProgress *progress);
