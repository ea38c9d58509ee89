// music.h - the music service the program flow uses, and offline rendering.
//
//   music_init();        // source, device, song loaded (not playing); 0 on failure
//   music_start();       // plays; from now on the getters follow what is heard
//   song_get_row(song_handle); song_get_order(song_handle);
//   music_stop();        // song freed, device closed
//
// The module is the embedded song unless music_set_module() named another.
// music_render_soundtrack() renders a module into a WAV file as fast as it
// goes, without a device, for the capture tool.
#pragma once

#include <cstdint>

#include "music/output.h"
#include "music/song.h"

constexpr int32_t OUTPUT_RATE = 44100;

extern Song *song_handle;

// The song built into the program; 0 (and null) when none was built in.
int music_embedded_song(const uint8_t **module, uint32_t *size);
// The module music_init() loads; null restores the embedded song.
void music_set_module(const uint8_t *module, uint32_t size);
int music_init();
int music_start();
int music_stop();

// Writes the first `seconds` of the module's playback (the embedded song
// when module is null) to wav_path as 44100 Hz 16-bit stereo, exactly what
// the device would play, and prints the speed as a multiple of real time.
// 0 with a message on stderr when the module is rejected or the file cannot
// be written. Not while music is playing. When stop is given and returns
// nonzero (it is asked before each block), the render ends there and the
// file is finished with what it has: still 1.
int music_render_soundtrack(const char *wav_path, double seconds, const uint8_t *module,
                            uint32_t size, int (*stop)(void) = nullptr);
