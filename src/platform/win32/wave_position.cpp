// wave_position.cpp - see wave_position.h.
#include "platform/win32/wave_position.h"

void wave_position_reset(WavePosition *pos)
{
    pos->last = 0;
    pos->total = 0;
}

uint64_t wave_position_widen(WavePosition *pos, uint32_t device_bytes)
{
    // Unsigned subtraction is the forward distance modulo 2^32, right across
    // a wrap. A distance of 2^31 or more cannot be forward movement between
    // two polls: the device went back, so keep the last reading and wait
    // rather than count the same bytes twice once it moves on.
    uint32_t step = device_bytes - pos->last;
    if (step >= 0x80000000u)
        return pos->total;
    pos->last = device_bytes;
    pos->total += step;
    return pos->total;
}
