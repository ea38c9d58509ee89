// wave_position.h - a 64-bit play position from a wave device's 32-bit count.
//
//   WavePosition pos;
//   wave_position_reset(&pos);                    // when playing starts
//   uint64_t bytes = wave_position_widen(&pos, device_bytes);  // each poll
//
// waveOutGetPosition counts bytes in 32 bits, which wraps after 2^32 bytes
// (about 6.8 hours at 44.1 kHz, 16-bit stereo). Widening adds the unsigned
// 32-bit step since the last reading to a 64-bit total, so the total goes on
// past every wrap. Polls must come less than 2^31 bytes apart (3.4 hours at
// 44.1 kHz stereo), which any player polling every frame does by far.
// Plain arithmetic with no Windows header, so it is tested on every system.
#pragma once

#include <cstdint>

struct WavePosition {
    uint32_t last;   // the device's count at the last reading
    uint64_t total;  // bytes played in all, as returned last
};

// Back to zero, matching a device whose count has just been reset.
void wave_position_reset(WavePosition *pos);
// Takes a new reading of the device's 32-bit byte count and returns the
// 64-bit total, which never goes back: a reading behind the last one (a
// driver's jitter) holds the total until the device has caught up.
uint64_t wave_position_widen(WavePosition *pos, uint32_t device_bytes);
