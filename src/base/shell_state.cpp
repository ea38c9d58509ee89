// shell_state.cpp - see shell.h.
#include "base/shell.h"

int quit_requested;
double frame_period = 1.0 / 60.0;

double frame_period_for_refresh(double rate)
{
    if (!(rate >= 60.0))  // also catches NaN
        rate = 60.0;
    return 1.0 / rate;
}
