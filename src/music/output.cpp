// output.cpp - the output ring, the block renderer and the audio thread (see
// output.h). The only file of the player besides the service that talks to
// the platform.
#include "music/output.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "music/mixer.h"
#include "music/replayer.h"
#include "music/song_source.h"
#include "music/voices.h"
#include "platform/platform.h"

int32_t block_frames;
int32_t ring_frames;
int32_t block_count;

std::atomic<int32_t> fill_index;
std::atomic<int32_t> play_index;
std::atomic<uint8_t> stop_requested;
std::atomic<uint8_t> block_busy;
std::atomic<uint8_t> thread_finished;

// Declared for tests only, in tests/output_probe.h: the program leaves it null.
void (*fill_block_probe)(int32_t block);

static bool device_open;
static Song *playing_song;
static int16_t *pcm_ring;
static uint8_t *mix_buffer_block;
static float *mix_buffer;
static BlockPosition *positions;
static void *audio_thread;
static bool cycle_driven;

int output_set_rate(int32_t rate)
{
    if (rate < 1000 || rate > 384000)
        return 0;
    output_rate = rate;
    block_frames = (rate * BLOCK_MS / 1000 + 3) & ~3;
    ring_frames = (BUFFER_MS / BLOCK_MS) * block_frames * 2;
    block_count = ring_frames / block_frames;
    mixer_set_rate(rate);
    return 1;
}

int32_t cursor_block(uint64_t bytes_played)
{
    uint64_t frames = bytes_played / 4;
    return (int32_t)((frames % (uint64_t)ring_frames) / (uint64_t)block_frames);
}

void audio_close()
{
    // A song still playing has a thread writing into the ring, and the
    // device loops it until reset: both let go of it before it is freed.
    if (playing_song)
        song_stop(playing_song);
    if (device_open) {
        platform.audio_reset();
        platform.audio_close();
        device_open = false;
    }
    free(pcm_ring);
    pcm_ring = nullptr;
}

int audio_open(int32_t rate)
{
    if (!file_callbacks_installed())
        return 0;
    audio_close();
    if (!output_set_rate(rate))
        return 0;
    if (!platform.audio_open || !platform.audio_open(rate))
        return 0;
    device_open = true;
    voices_reset();
    return 1;
}

static void free_play_buffers()
{
    free(mix_buffer_block);
    mix_buffer_block = nullptr;
    mix_buffer = nullptr;
    delete[] positions;
    positions = nullptr;
}

// Mixes block b, cut at every tick wherever it falls; the frames left of the
// current tick carry over into the next block.
static void render_block(int32_t b)
{
    Song *song = playing_song;
    const int32_t f = block_frames;
    float *slice = mix_buffer + (size_t)b * 2 * f;
    memset(slice, 0, (size_t)f * 2 * sizeof(float));
    int32_t left = song->samples_to_tick;
    int32_t done = 0;
    while (done < f) {
        if (left == 0) {
            song->tick_callback(song);
            left = song->samples_per_tick;
        }
        int32_t c = left < f - done ? left : f - done;
        mix_voices(slice + 2 * done, c);
        done += c;
        left -= c;
    }
    song->samples_to_tick = left;
}

void fill_block()
{
    Song *song = playing_song;
    if (!song || !positions)
        return;
    const int32_t b = fill_index.load();
    render_block(b);
    positions[b].order.store((uint8_t)song->order, std::memory_order_release);
    positions[b].row.store((uint8_t)song->row, std::memory_order_release);
    if (fill_block_probe)
        fill_block_probe(b);
    const size_t at = (size_t)b * 2 * block_frames;
    clip_to_pcm16(pcm_ring + at, mix_buffer + at, block_frames);
    fill_index.store(b + 1 >= block_count ? 0 : b + 1);
}

void song_rewind(Song *song)
{
    song->next_order = -1;
    song->next_row = -1;
    song->global_volume = song->initial_global_volume;
    song->speed = song->default_speed;
    song->row = 0;
    song->order = 0;
    song->samples_to_tick = 0;
    song->tick_counter = 0;
    set_bpm(song, song->default_bpm);
    memset(channels, 0, sizeof(Channel) * (size_t)song->channel_count);
    for (int c = 0; c < song->channel_count; ++c)
        channels[c].voice = &voices[c];
    // Voices of an earlier song may still point into its freed samples.
    voices_reset();
}

int output_begin(Song *song)
{
    if (!song || !block_frames)
        return 0;
    song_stop(song);
    song_rewind(song);

    if (pcm_ring && device_open)
        platform.audio_reset();
    free(pcm_ring);
    pcm_ring = (int16_t *)calloc((size_t)ring_frames, 4);
    positions = new (std::nothrow) BlockPosition[(size_t)block_count]();
    mix_buffer_block = (uint8_t *)calloc((size_t)ring_frames * 8 + 256, 1);
    if (!pcm_ring || !positions || !mix_buffer_block) {
        free_play_buffers();
        free(pcm_ring);
        pcm_ring = nullptr;
        return 0;
    }
    mix_buffer = (float *)(((uintptr_t)mix_buffer_block + 15) & ~(uintptr_t)15);
    playing_song = song;
    fill_index.store(0);
    play_index.store(0);
    do
        fill_block();
    while (fill_index.load() != 0);
    return 1;
}

int output_in_use()
{
    return device_open || playing_song;
}

const int16_t *output_block_pcm(int32_t block)
{
    return pcm_ring ? pcm_ring + (size_t)block * 2 * block_frames : nullptr;
}

void output_cycle()
{
    if (!playing_song)
        return;
    const int32_t cursor = cursor_block(platform.audio_bytes_played());
    while (fill_index.load() != cursor) {
        block_busy.store(1);
        // The block leaving the cursor gets the position of one a whole ring
        // ahead: the getters move on to the next block, which is playing,
        // before that position is written.
        int32_t b = fill_index.load();
        play_index.store(b + 1 >= block_count ? 0 : b + 1, std::memory_order_release);
        fill_block();
        block_busy.store(0);
    }
}

int output_thread()
{
    thread_finished.store(0);
    while (!stop_requested.load()) {
        output_cycle();
        platform.sleep_ms(5);
    }
    thread_finished.store(1);
    return 0;
}

int song_play(Song *song)
{
    if (!song || !device_open)
        return 0;
    if (!output_begin(song))
        return 0;
    platform.audio_play_loop(pcm_ring, (uint32_t)ring_frames * 4);
    stop_requested.store(0);
    thread_finished.store(0);
    if (platform.audio_virtual_time) {
        platform.audio_set_cycle(output_cycle);
        cycle_driven = true;
    } else {
        audio_thread = platform.thread_start(output_thread);
    }
    return 1;
}

int song_stop(Song *song)
{
    if (!song)
        return 0;
    stop_requested.store(1);
    while (block_busy.load())
        ;
    if (audio_thread) {
        while (!thread_finished.load())
            platform.sleep_ms(50);
        platform.thread_wait(audio_thread);
        audio_thread = nullptr;
    }
    if (cycle_driven) {
        platform.audio_set_cycle(nullptr);
        cycle_driven = false;
    }
    playing_song = nullptr;
    free_play_buffers();
    return 1;
}

static int read_position(const Song *song, bool row)
{
    if (!song || !positions)
        return 0;
    for (;;) {
        int32_t p = play_index.load(std::memory_order_acquire);
        const BlockPosition *entry = &positions[p];
        uint8_t value = row ? entry->row.load(std::memory_order_acquire)
                            : entry->order.load(std::memory_order_acquire);
        // The renderer rewrites an entry only after play_index has left it; if
        // it left while we read, the value may be a ring ahead: read again.
        if (play_index.load(std::memory_order_acquire) == p)
            return value;
    }
}

int song_get_order(const Song *song)
{
    return read_position(song, false);
}

int song_get_row(const Song *song)
{
    return read_position(song, true);
}
