// capture_audio.h - the capture backend's virtual sound device.
//
// Its play position moves by exactly one video frame of audio (rate / fps
// frames, the remainder carried) at each presented frame; then the player's
// audio cycle runs once, on the main thread, so every run renders the same.
// A listener gets every frame's audio, exactly what the device plays
// (silence while nothing plays), e.g. to write it as WAV:
//
//   capture_audio_set_listener(write_pcm);   // before the program runs
//   void write_pcm(const int16_t *stereo, uint32_t frames) { ... }
#pragma once

#include <cstdint>

#include "platform/platform.h"

typedef void (*CaptureAudioListener)(const int16_t *stereo, uint32_t frames);

// Fills the audio and thread entries of the capture table and moves the
// device on at each presented frame; called by platform_capture_bootstrap.
void capture_audio_bootstrap(Platform *p, int fps);
void capture_audio_set_listener(CaptureAudioListener listener);
// Frames the virtual device has played since its loop started.
uint64_t capture_audio_frames_played();
