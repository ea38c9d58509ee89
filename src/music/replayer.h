// replayer.h - turns a Song into per-tick channel state.
//
// The block renderer (output.h) calls song->tick_callback, which is
// song_tick, every samples_per_tick output frames. A row tick reads the row's
// cells, starts notes and runs the row's commands; the other ticks run the
// continuous ones. Either way each channel's changes reach its voice through
// update_voice (voices.h). Commands: 1xx/2xx portamento up/down with memory,
// Dxx pattern break, Fxx speed/BPM, key-off (note or Kxx), and the volume
// column; everything else is read and ignored.
#pragma once

#include "music/song.h"
#include "music/voices.h"

void song_tick(Song *song);
void process_row(Song *song);
void process_tick_effects(Song *song);
// Sets bpm and the output frames per tick at output_rate.
void set_bpm(Song *song, int32_t bpm);
void apply_volume_column(Channel *channel, uint8_t volume_byte);
void channel_instrument_reset(Channel *channel, const Sample *sample);
