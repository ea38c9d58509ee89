// crt_rand.h - the Windows C runtime's random generator, in our own code.
//
// Every random picture of the program (textures, glyph boxes, jittered text)
// draws from the sequence of the Windows C runtime's srand/rand. Computing
// it here keeps the pictures identical on every platform, whatever the
// platform's own rand() does:
//   state = state * 214013 + 2531011 (mod 2^32), value = (state >> 16) & 0x7FFF
// Use crt_srand(seed) then crt_rand() (0..32767). Never call the platform's
// rand(). The state is process-wide and main-thread only, as the runtime's is.
// Both are inline: the texture plasma draws a hundred thousand values in a
// row, and a call per draw is most of its time.
#pragma once

#include <cstdint>

constexpr int CRT_RAND_MAX = 0x7FFF;

inline uint32_t crt_state = 1;  // the runtime starts as if srand(1) had run

inline void crt_srand(uint32_t seed)
{
    crt_state = seed;
}

inline int crt_rand()
{
    crt_state = crt_state * 214013u + 2531011u;
    return (int)((crt_state >> 16) & 0x7FFF);
}
