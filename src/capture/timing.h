// timing.h - what each frame and each precalc task really costs, for
// frostmere-capture --timing.
//
// The capture backend finishes every frame before its swap and reports its
// real cost; this file sorts the costs by timeline entry and writes a table
// of p50, p99 and max per entry, each precalc task's cost, the whole precalc
// and the process's peak memory. Figures only: nothing here judges them.
//
//   CaptureConfig config = {}; ...
//   timing_start(&config);              // before platform_capture_bootstrap
//   ... from the tool's frame callback: timing_frame_shown(info);
//   timing_write("timing.txt", peak_bytes);
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "app/program.h"
#include "platform/capture/capture_platform.h"

// Hooks the frame costs and the precalc tasks; forgets earlier figures.
void timing_start(CaptureConfig *config);
// Files the cost of the frame just presented under the entry it showed.
void timing_frame_shown(const AppFrameInfo *info);
// The table as text; peak_bytes 0 when unknown.
void timing_print(FILE *out, size_t peak_bytes);
// Writes the table to path; 1 on success, 0 with errno set.
int timing_write(const char *path, size_t peak_bytes);
