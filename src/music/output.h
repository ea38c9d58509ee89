// output.h - the looping output ring, the audio thread that keeps it a ring
// ahead of the listener, and the song positions the pictures follow.
//
//   audio_open(44100);          // device + layout; needs the file callbacks
//   song_play(song);            // renders the whole ring, starts the device
//                               // and the audio thread
//   song_get_order(song), song_get_row(song);   // what is heard now
//   song_stop(song);            // thread ended, buffers released
//   audio_close();
//
// The ring is block_count blocks of block_frames stereo frames (100 x 20 ms
// at 44100 Hz). Each cycle the thread asks the device how far it has played
// and re-renders every block the play cursor has left; each block remembers
// the order and row reached at its end. A backend in virtual time (capture)
// runs output_cycle() itself once per frame instead of a thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "music/song.h"

constexpr int32_t BLOCK_MS = 20;
constexpr int32_t BUFFER_MS = 1000;

struct BlockPosition {
    std::atomic<uint8_t> order;
    std::atomic<uint8_t> row;
};

// Layout for the rate set by output_set_rate (audio_open).
extern int32_t block_frames;  // F: 20 ms raised to a multiple of 4 frames
extern int32_t ring_frames;   // N
extern int32_t block_count;   // N / F

extern std::atomic<int32_t> fill_index;  // next block to render
extern std::atomic<int32_t> play_index;  // block whose position the getters return
extern std::atomic<uint8_t> stop_requested;
extern std::atomic<uint8_t> block_busy;
extern std::atomic<uint8_t> thread_finished;

// Rate, block and ring sizes, and the mixer's ramp; 0 for a rate outside
// 1000..384000 Hz (the 20 ms block and the 128-frame ramp need at least that).
int output_set_rate(int32_t rate);
// The ring block under a device position given in bytes played.
int32_t cursor_block(uint64_t bytes_played);

// Results are 1 on success and 0 on failure, as the platform table's are.
int audio_open(int32_t rate);
void audio_close();
int song_play(Song *song);
int song_stop(Song *song);
int song_get_order(const Song *song);
int song_get_row(const Song *song);

void fill_block();
// One pass of the audio thread: renders the blocks the cursor has left.
void output_cycle();
int output_thread();

// The replay state of a song about to play: order 0, row 0, default speed
// and BPM, its channels cleared on their own voices, the voice pool idle.
void song_rewind(Song *song);
// Everything song_play does short of the device and the thread: replay
// state reset, buffers, the whole ring rendered. For offline rendering.
int output_begin(Song *song);
// 1 while a device is open or a song is playing.
int output_in_use();
// Block b of the 16-bit ring, block_frames stereo frames.
const int16_t *output_block_pcm(int32_t block);
