// music.cpp - the music service and the offline renderer (see music.h).
#include "music/music.h"

#include <chrono>
#include <cstdio>

#include "music/song_source.h"
#include "support/wav_write.h"

#ifdef FROSTMERE_HAVE_EMBEDDED_SONG
extern const unsigned char EMBEDDED_SONG[];
extern const unsigned int EMBEDDED_SONG_SIZE;
#endif

Song *song_handle;

static const uint8_t *chosen_module;
static uint32_t chosen_size;

int music_embedded_song(const uint8_t **module, uint32_t *size)
{
#ifdef FROSTMERE_HAVE_EMBEDDED_SONG
    *module = EMBEDDED_SONG;
    *size = EMBEDDED_SONG_SIZE;
    return 1;
#else
    *module = nullptr;
    *size = 0;
    return 0;
#endif
}

void music_set_module(const uint8_t *module, uint32_t size)
{
    chosen_module = module;
    chosen_size = module ? size : 0;
}

int music_init()
{
    const uint8_t *module = chosen_module;
    uint32_t size = chosen_size;
    if (!module)
        music_embedded_song(&module, &size);
    memsrc_set_data(module, size);
    set_file_callbacks(memsrc_open, memsrc_close, memsrc_read, memsrc_seek, memsrc_tell);
    if (!audio_open(OUTPUT_RATE)) {
        fprintf(stderr, "frostmere: no sound output could be opened\n");
        return 0;
    }
    song_handle = song_load("bullshit");
    if (!song_handle) {
        fprintf(stderr, "frostmere: the song could not be loaded: %s\n",
                module ? song_load_error() : "no module is built in");
        return 0;
    }
    return 1;
}

int music_start()
{
    song_play(song_handle);
    return 1;
}

int music_stop()
{
    song_free(song_handle);
    audio_close();
    return 1;
}

// The offline renderer's own source record: the arena may not exist.
static MemoryFile soundtrack_file;

static void *soundtrack_open(const char *)
{
    soundtrack_file.position = 0;
    return &soundtrack_file;
}

int music_render_soundtrack(const char *wav_path, double seconds, const uint8_t *module,
                            uint32_t size, int (*stop)(void))
{
    if (!module)
        music_embedded_song(&module, &size);
    if (!module || !size || size > 0x7FFFFFFFu) {
        fprintf(stderr, "soundtrack: no module to render\n");
        return 0;
    }
    if (!(seconds >= 0.0 && seconds <= 86400.0)) {
        fprintf(stderr, "soundtrack: %g seconds is not a length from 0 to a day\n", seconds);
        return 0;
    }
    if (output_in_use()) {
        fprintf(stderr, "soundtrack: the sound output is in use\n");
        return 0;
    }
    const FileCallbacks saved = file_callbacks;
    soundtrack_file = {(int32_t)size, 0, module};
    set_file_callbacks(soundtrack_open, memsrc_close, memsrc_read, memsrc_seek, memsrc_tell);
    Song *song = song_load("soundtrack");
    set_file_callbacks(saved.open, saved.close, saved.read, saved.seek, saved.tell);
    if (!song) {
        fprintf(stderr, "soundtrack: the module was rejected: %s\n", song_load_error());
        return 0;
    }
    WavFile wav;
    if (!wav_open(&wav, wav_path, OUTPUT_RATE, 2)) {
        fprintf(stderr, "soundtrack: cannot write %s\n", wav_path);
        song_free(song);
        return 0;
    }
    auto began = std::chrono::steady_clock::now();
    output_set_rate(OUTPUT_RATE);
    uint64_t frames_left = (uint64_t)(seconds * OUTPUT_RATE);
    const uint64_t total = frames_left;
    int ok = output_begin(song);
    // The prefill holds the first ring; after it each block is rendered as
    // the device would render it once the cursor has passed.
    int32_t next = 0;
    bool first_lap = true;
    int stopped = 0;
    while (ok && frames_left > 0) {
        if (stop && stop()) {
            stopped = 1;
            break;
        }
        if (!first_lap)
            fill_block();
        uint32_t n = frames_left < (uint64_t)block_frames ? (uint32_t)frames_left
                                                           : (uint32_t)block_frames;
        ok = wav_write_frames(&wav, output_block_pcm(next), n);
        frames_left -= n;
        if (++next == block_count) {
            next = 0;
            first_lap = false;
        }
    }
    song_free(song);
    audio_close();
    if (!wav_close(&wav) || !ok) {
        fprintf(stderr, "soundtrack: writing %s failed\n", wav_path);
        return 0;
    }
    double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    double audio_seconds = (double)(total - frames_left) / OUTPUT_RATE;
    printf("soundtrack: %.1f s of audio in %.3f s (%.0fx real time)%s -> %s\n", audio_seconds,
           elapsed, elapsed > 0 ? audio_seconds / elapsed : 0.0, stopped ? ", stopped" : "",
           wav_path);
    return 1;
}
