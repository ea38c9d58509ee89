// sdl_audio.h - sound output and threads on SDL2, for the platform table.
//
//   p->audio_open = sdl_audio_open; ...   // see platform_desktop_bootstrap()
//
// The device runs in callback mode and loops one buffer; SDL_AUDIODRIVER
// picks the driver ("dummy" plays into nothing, in real time).
#pragma once

#include <cstdint>

int sdl_audio_open(int rate);
void sdl_audio_play_loop(const void *pcm, uint32_t bytes);
uint64_t sdl_audio_bytes_played();
void sdl_audio_reset();
void sdl_audio_close();
void *sdl_thread_start(int (*body)(void));
void sdl_thread_wait(void *thread);
