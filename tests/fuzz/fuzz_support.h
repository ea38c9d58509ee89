// fuzz_support.h - what the music fuzz targets and the seed writer share:
// loading a module from a byte range, the loader's promises about a loaded
// Song, and a failure that libFuzzer records as a crash.
//
//   Song *song = fuzz_load_module(data, size);   // null when rejected
//   if (song) fuzz_check_song(song);             // aborts on a broken promise
//   song_free(song);
//
// fuzz_load_module installs its own file callbacks over one static record,
// so loading a million modules takes nothing from the arena.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "music/song.h"

// Prints "fuzz invariant broken: " and the message (a literal format and its
// arguments) to stderr, then aborts.
#define FUZZ_CHECK(condition, ...) \
    do { \
        if (!(condition)) \
            fprintf(stderr, "fuzz invariant broken: " __VA_ARGS__), fputc('\n', stderr), abort(); \
    } while (0)

// The module in data[0..size), read through song_load(); null when the
// loader refuses it (song_load_error() says why) or, with no reason given,
// when size does not fit the source's 32-bit length.
Song *fuzz_load_module(const uint8_t *data, size_t size);

// What song.h and the loader promise about a loaded song: counts in range,
// every referenced pattern present, volumes in 0..64, loops inside their
// samples, the zeroed guards and the loop-end entry. Reads every sample entry with its guards.
void fuzz_check_song(const Song *song);
