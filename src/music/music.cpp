// music.cpp - the music service and the offline renderer (see music.h).
#include "music/music.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "embedded_data.h"
#include "music/song_source.h"
#include "support/report.h"
#include "support/wav_write.h"

Song *song_handle;

static const uint8_t *chosen_module;
static uint32_t chosen_size;

void music_set_module(const uint8_t *module, uint32_t size)
{
    chosen_module = module;
    chosen_size = module ? size : 0;
}

int music_init()
{
    const uint8_t *module = chosen_module ? chosen_module : EMBEDDED_SONG;
    uint32_t size = chosen_module ? chosen_size : EMBEDDED_SONG_SIZE;
    memsrc_set_data(module, size);
    set_file_callbacks(memsrc_open, memsrc_close, memsrc_read, memsrc_seek, memsrc_tell);
    if (!audio_open(OUTPUT_RATE)) {
        report("no sound output could be opened");
        return 0;
    }
    song_handle = song_load("bullshit");
    if (!song_handle) {
        report("the song could not be loaded: %s", song_load_error());
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

// The offline source record: the arena may not exist, and the source the
// program installed stays as it is.
static MemoryFile offline_file;

static void *offline_open(const char *)
{
    offline_file.position = 0;
    return &offline_file;
}

Song *music_load_offline(const uint8_t *module, uint32_t size, const char *name)
{
    if (!module) {
        module = EMBEDDED_SONG;
        size = EMBEDDED_SONG_SIZE;
    }
    if (!size || size > 0x7FFFFFFFu)
        return nullptr;
    const FileCallbacks saved = file_callbacks;
    offline_file = {(int32_t)size, 0, module};
    set_file_callbacks(offline_open, memsrc_close, memsrc_read, memsrc_seek, memsrc_tell);
    Song *song = song_load(name);
    set_file_callbacks(saved.open, saved.close, saved.read, saved.seek, saved.tell);
    return song;
}

// Plays the song into the WAV file block by block as the device would hear
// them, until `frames` are written, a write fails or stop() says so. The
// prefill holds the first ring; after it each block is rendered once the
// cursor would have passed it. Returns the frames written; *stopped is 1
// when stop() ended it, *ok 0 when a write failed.
static uint64_t render_blocks(Song *song, WavFile *wav, uint64_t frames, int (*stop)(void),
                              int *stopped, int *ok)
{
    output_set_rate(OUTPUT_RATE);
    *ok = output_begin(song);
    *stopped = 0;
    uint64_t written = 0;
    int32_t next = 0;
    bool first_lap = true;
    while (*ok && written < frames) {
        if (stop && stop()) {
            *stopped = 1;
            break;
        }
        if (!first_lap)
            fill_block();
        const uint64_t left = frames - written;
        const uint32_t n = left < (uint64_t)block_frames ? (uint32_t)left : (uint32_t)block_frames;
        *ok = wav_write_frames(wav, output_block_pcm(next), n);
        written += n;
        if (++next == block_count) {
            next = 0;
            first_lap = false;
        }
    }
    return written;
}

int music_render_soundtrack(const char *wav_path, double seconds, const uint8_t *module,
                            uint32_t size, int (*stop)(void))
{
    if (module && (!size || size > 0x7FFFFFFFu)) {
        report("no module to render");
        return 0;
    }
    if (!(seconds >= 0.0 && seconds <= 86400.0)) {
        report("%g seconds is not a length from 0 to a day", seconds);
        return 0;
    }
    if (output_in_use()) {
        report("the sound output is in use");
        return 0;
    }
    Song *song = music_load_offline(module, size, "soundtrack");
    if (!song) {
        report("the module was rejected: %s", song_load_error());
        return 0;
    }
    WavFile wav;
    if (!wav_open(&wav, wav_path, OUTPUT_RATE, 2)) {
        report("could not write %s: %s", wav_path, strerror(wav.error));
        song_free(song);
        return 0;
    }
    auto began = std::chrono::steady_clock::now();
    int stopped, ok;
    const uint64_t written = render_blocks(song, &wav, (uint64_t)(seconds * OUTPUT_RATE), stop,
                                           &stopped, &ok);
    song_free(song);
    audio_close();
    if (!wav_close(&wav) || !ok) {
        report("could not write %s: %s", wav_path, strerror(wav.error ? wav.error : EIO));
        return 0;
    }
    double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    double audio_seconds = (double)written / OUTPUT_RATE;
    printf("soundtrack: %.1f s of audio in %.3f s (%.0fx real time)%s -> %s\n", audio_seconds,
           elapsed, elapsed > 0 ? audio_seconds / elapsed : 0.0, stopped ? ", stopped" : "",
           wav_path);
    return 1;
}
