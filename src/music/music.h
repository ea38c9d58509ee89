// music.h - the music service the program flow uses, and offline rendering.
//
//   music_init();        // source, device, song loaded (not playing); 0 on failure
//   music_start();       // plays; from now on the getters follow what is heard
//   song_get_row(song_handle); song_get_order(song_handle);
//   music_stop();        // song freed, device closed
//
// The module is the song stored in the program (embedded_data.h) unless
// music_set_module() named another. music_load_offline() loads a module
// beside whatever is playing, and music_render_soundtrack() renders one into
// a WAV file as fast as it goes, without a device, for the capture tool.
#pragma once

#include <cstdint>

#include "music/output.h"
#include "music/song.h"

constexpr int32_t OUTPUT_RATE = 44100;

extern Song *song_handle;

// The module music_init() loads; null restores the stored song.
void music_set_module(const uint8_t *module, uint32_t size);
int music_init();
int music_start();
int music_stop();

// Loads module (the stored song when null) through a source of its own, so
// the installed file callbacks and the arena are left as they are; free it
// with song_free(). Null when size is 0 or above 2^31 - 1, or when the
// loader rejects it (song_load_error() says why).
Song *music_load_offline(const uint8_t *module, uint32_t size, const char *name);

// Writes the first `seconds` of the module's playback (the stored song
// when module is null) to wav_path as 44100 Hz 16-bit stereo, exactly what
// the device would play, and prints the speed as a multiple of real time.
// 0 with a message on stderr when the module is rejected or the file cannot
// be written. Not while music is playing. When stop is given and returns
// nonzero (it is asked before each block), the render ends there and the
// file is finished with what it has: still 1.
int music_render_soundtrack(const char *wav_path, double seconds, const uint8_t *module,
                            uint32_t size, int (*stop)(void) = nullptr);
