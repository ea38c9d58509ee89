// mixer.h - renders the voice pool into stereo PCM.
//
//   mixer_set_rate(44100);                 // ramp_length for the rate
//   mix_voices(floats + 2 * at, frames);   // adds every active voice
//   clip_to_pcm16(pcm, floats, frames);    // nearest integer, clamped
//
// Frames are two floats (left, right), accumulated in single precision with
// linear interpolation; every gain change glides over ramp_length frames.
#pragma once

#include <cstdint>

extern int32_t ramp_length;  // frames a gain change glides for; set with the rate
extern float ramp_reciprocal;

// ramp_length = rate x 128 / 44100 and its reciprocal.
void mixer_set_rate(int32_t rate);
void mix_voices(float *destination, int32_t frames);

// The per-frame loops: the same arithmetic one frame, four or eight frames at
// a time. The widest the processor runs is chosen at start; all give the
// same output to the bit.
enum MixerKernels {
    MIXER_KERNELS_PLAIN = 0,
    MIXER_KERNELS_SSE2 = 1,
    MIXER_KERNELS_AVX2 = 2,
    MIXER_KERNELS_BEST = 3,
};
// 0 when this processor or build lacks them (the choice stays).
int mixer_use_kernels(int which);
void clip_to_pcm16(int16_t *destination, const float *source, int32_t frames);
