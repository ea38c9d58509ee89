// clock.cpp - see clock.h.
#include "base/clock.h"

#include "platform/platform.h"

static int64_t counter_frequency;
static double seconds_per_count;
static int64_t last_tick;
static double last_delta;

int clock_start()
{
    counter_frequency = platform.counter_frequency();
    if (counter_frequency <= 0)
        return 0;
    seconds_per_count = 1.0 / (double)counter_frequency;
    last_tick = platform.counter();
    last_delta = 0.0;
    return 1;
}

void clock_tick()
{
    int64_t now = platform.counter();
    last_delta = ((double)now - (double)last_tick) * seconds_per_count;
    last_tick = now;
}

double clock_peek()
{
    return ((double)platform.counter() - (double)last_tick) * seconds_per_count;
}

double clock_delta()
{
    return last_delta;
}

int clock_frame_ms(double delta_seconds)
{
    return (int)(delta_seconds * 1000.0);
}
