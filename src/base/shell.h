// shell.h - process-wide values of the application shell.
//
// quit_requested is set by the window's event handler (Escape, window closed)
// and by a failed precalc task; both loops end when they see it.
// frame_period is the shortest time one frame may take, in seconds.
#pragma once

extern int quit_requested;
extern double frame_period;

// The frame period for a display's refresh rate: 1 / rate, but never longer
// than 1/60 s (rates below 60, 0 for unknown and NaN all give 1/60 s).
double frame_period_for_refresh(double refresh_rate);
