// crt_rand.cpp - see crt_rand.h.
#include "support/crt_rand.h"

static uint32_t crt_state = 1;  // the runtime starts as if srand(1) had run

void crt_srand(uint32_t seed)
{
    crt_state = seed;
}

int crt_rand()
{
    crt_state = crt_state * 214013u + 2531011u;
    return (int)((crt_state >> 16) & 0x7FFF);
}
