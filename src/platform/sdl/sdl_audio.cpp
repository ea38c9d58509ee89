// sdl_audio.cpp - see sdl_audio.h.
//
// The callback copies from the loop buffer at its cursor and counts what it
// has handed over. What is heard lags that count by the chunk SDL is still
// playing, so the position is the count less that chunk, plus the part of it
// that the time since the callback says has been played; it never goes back.
// The count and the buffer are shared with SDL's audio thread under SDL's
// device lock.
#include "platform/sdl/sdl_audio.h"

#include <SDL2/SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/report.h"

static SDL_AudioDeviceID device;
static int device_rate;
static const uint8_t *loop_data;
static uint32_t loop_bytes;
static uint32_t loop_cursor;
static uint64_t bytes_consumed;
static uint32_t last_chunk;
static uint64_t last_callback_at;
static uint64_t last_reported;

static void audio_callback(void *, Uint8 *stream, int len)
{
    if (!loop_data) {
        memset(stream, 0, (size_t)len);
        return;
    }
    uint32_t left = (uint32_t)len;
    while (left > 0) {
        uint32_t n = loop_bytes - loop_cursor;
        if (n > left)
            n = left;
        memcpy(stream, loop_data + loop_cursor, n);
        stream += n;
        left -= n;
        loop_cursor += n;
        if (loop_cursor == loop_bytes)
            loop_cursor = 0;
    }
    bytes_consumed += (uint32_t)len;
    last_chunk = (uint32_t)len;
    last_callback_at = SDL_GetPerformanceCounter();
}

int sdl_audio_open(int rate)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        report("SDL audio could not start: %s", SDL_GetError());
        return 0;
    }
    SDL_AudioSpec want = {};
    SDL_AudioSpec got;
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512;
    want.callback = audio_callback;
    // No changes allowed: SDL converts to whatever the hardware takes.
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &got, 0);
    if (!device) {
        report("no audio device could be opened at %d Hz, 16-bit stereo: %s", rate, SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    device_rate = rate;
    loop_data = nullptr;
    SDL_PauseAudioDevice(device, 0);
    return 1;
}

void sdl_audio_play_loop(const void *pcm, uint32_t bytes)
{
    if (!device)
        return;
    SDL_LockAudioDevice(device);
    loop_data = (const uint8_t *)pcm;
    loop_bytes = bytes & ~3u;
    loop_cursor = 0;
    bytes_consumed = 0;
    last_chunk = 0;
    last_callback_at = SDL_GetPerformanceCounter();
    last_reported = 0;
    if (!loop_bytes)
        loop_data = nullptr;
    SDL_UnlockAudioDevice(device);
}

uint64_t sdl_audio_bytes_played()
{
    if (!device)
        return 0;
    SDL_LockAudioDevice(device);
    uint64_t consumed = bytes_consumed;
    uint64_t chunk = last_chunk;
    uint64_t at = last_callback_at;
    SDL_UnlockAudioDevice(device);
    uint64_t heard = consumed - chunk;
    uint64_t since = SDL_GetPerformanceCounter() - at;
    uint64_t played = since * (uint64_t)device_rate / SDL_GetPerformanceFrequency() * 4;
    heard += played < chunk ? played : chunk;
    if (heard < last_reported)
        heard = last_reported;
    last_reported = heard;
    return heard;
}

void sdl_audio_reset()
{
    if (!device)
        return;
    SDL_LockAudioDevice(device);
    loop_data = nullptr;
    SDL_UnlockAudioDevice(device);
}

void sdl_audio_close()
{
    if (!device)
        return;
    // Closing waits for SDL's thread: no callback runs after this.
    SDL_CloseAudioDevice(device);
    device = 0;
    loop_data = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

struct ThreadStart {
    int (*body)(void);
};

static int thread_entry(void *data)
{
    ThreadStart start = *(ThreadStart *)data;
    free(data);
    // Without the right to raise it the thread runs at normal priority.
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL);
    return start.body();
}

void *sdl_thread_start(int (*body)(void))
{
    ThreadStart *start = (ThreadStart *)malloc(sizeof(ThreadStart));
    if (!start)
        return nullptr;
    start->body = body;
    SDL_Thread *thread = SDL_CreateThread(thread_entry, "frostmere-audio", start);
    if (!thread)
        free(start);
    return thread;
}

void sdl_thread_wait(void *thread)
{
    if (thread)
        SDL_WaitThread((SDL_Thread *)thread, nullptr);
}
