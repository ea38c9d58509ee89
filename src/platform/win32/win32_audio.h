// win32_audio.h - sound output and threads on Win32 (waveOut), for the
// platform table.
//
//   p->audio_open = win32_audio_open;
//   p->audio_play_loop = win32_audio_play_loop;
//   p->audio_bytes_played = win32_audio_bytes_played;
//   p->audio_reset = win32_audio_reset;
//   p->audio_close = win32_audio_close;
//   p->thread_start = win32_thread_start;
//   p->thread_wait = win32_thread_wait;
//
// The contracts are those of the matching entries in platform/platform.h.
// The wave device loops one buffer by itself (a single header marked as both
// loop start and end, repeated without end), so no callback or refill runs:
// the player writes ahead of the play position into the same buffer. Link
// with winmm. Only for Windows builds.
#pragma once

#include <cstdint>

int win32_audio_open(int rate);
void win32_audio_play_loop(const void *pcm, uint32_t bytes);
// Called only by the sound thread: its position state is not locked.
uint64_t win32_audio_bytes_played();
void win32_audio_reset();
void win32_audio_close();
void *win32_thread_start(int (*body)(void));
void win32_thread_wait(void *thread);
