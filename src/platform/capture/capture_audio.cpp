// capture_audio.cpp - see capture_audio.h.
#include "platform/capture/capture_audio.h"

#include <cstring>

static int frames_per_second;
static int device_rate;  // 0: closed
static const int16_t *loop_data;
static uint32_t loop_frames;
static uint32_t loop_cursor;
static uint64_t frames_played;
static int64_t frame_remainder;
static void (*audio_cycle)(void);
static CaptureAudioListener listener;
static void (*present)(void);

static int capture_audio_open(int rate)
{
    device_rate = rate;
    loop_data = nullptr;
    frame_remainder = 0;
    return 1;
}

static void capture_audio_play_loop(const void *pcm, uint32_t bytes)
{
    loop_data = (const int16_t *)pcm;
    loop_frames = bytes / 4;
    loop_cursor = 0;
    frames_played = 0;
    if (!loop_frames)
        loop_data = nullptr;
}

static uint64_t capture_audio_bytes_played()
{
    return frames_played * 4;
}

static void capture_audio_reset()
{
    loop_data = nullptr;
}

static void capture_audio_close()
{
    loop_data = nullptr;
    device_rate = 0;
}

static void capture_audio_set_cycle(void (*cycle)(void))
{
    audio_cycle = cycle;
}

// Hands the listener n frames from the loop at its cursor (or silence).
static void play_frames(uint32_t n)
{
    static int16_t silence[2 * 4096];
    while (n > 0) {
        uint32_t chunk;
        const int16_t *from;
        if (loop_data) {
            chunk = loop_frames - loop_cursor;
            from = loop_data + 2 * (size_t)loop_cursor;
        } else {
            chunk = sizeof silence / sizeof silence[0] / 2;
            from = silence;
        }
        if (chunk > n)
            chunk = n;
        if (listener)
            listener(from, chunk);
        if (loop_data) {
            loop_cursor += chunk;
            if (loop_cursor == loop_frames)
                loop_cursor = 0;
            frames_played += chunk;
        }
        n -= chunk;
    }
}

// After each presented frame: one frame's worth of audio is heard, then the
// player renders what the cursor has left (never what was just handed out).
static void capture_audio_present()
{
    present();
    int64_t rate = device_rate ? device_rate : 44100;
    frame_remainder += rate;
    uint32_t n = (uint32_t)(frame_remainder / frames_per_second);
    frame_remainder %= frames_per_second;
    play_frames(n);
    if (audio_cycle && loop_data)
        audio_cycle();
}

void capture_audio_bootstrap(Platform *p, int fps)
{
    frames_per_second = fps > 0 ? fps : 60;
    device_rate = 0;
    loop_data = nullptr;
    frames_played = 0;
    frame_remainder = 0;
    audio_cycle = nullptr;
    present = p->swap_buffers;
    p->swap_buffers = capture_audio_present;
    p->audio_open = capture_audio_open;
    p->audio_play_loop = capture_audio_play_loop;
    p->audio_bytes_played = capture_audio_bytes_played;
    p->audio_reset = capture_audio_reset;
    p->audio_close = capture_audio_close;
    // The player starts no thread here: its cycle runs at each frame (a
    // thread that slept would move the virtual clock).
    p->audio_virtual_time = 1;
    p->audio_set_cycle = capture_audio_set_cycle;
}

void capture_audio_set_listener(CaptureAudioListener l)
{
    listener = l;
}

uint64_t capture_audio_frames_played()
{
    return frames_played;
}
