// clock.h - the frame clock: an interval timer on the platform's counter.
//
// clock_start() marks the start; clock_tick() measures the time since the
// previous tick (or the start) and marks again; clock_delta() is that last
// interval in seconds; clock_peek() is the time since the last mark without
// changing anything. The frame loop spins on clock_peek() for pacing and
// turns clock_delta() into whole milliseconds with clock_frame_ms().
#pragma once

int clock_start();
void clock_tick();
double clock_peek();
double clock_delta();

// The interval in whole milliseconds, fractions dropped.
int clock_frame_ms(double delta_seconds);
