// voices.h - the channel records the replayer drives and the voice pool the
// mixer renders, and the two operations that connect them.
//
// Each pattern channel c plays on voice c or its partner c + 32: a new note
// on a sounding voice moves the old sound to the partner, where the mixer
// fades it out, and the note starts on a fresh voice.
//
//   channel->update_flags = UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_FREQUENCY;
//   update_voice(channel, sample, song);   // once per tick, between mixes
//
// Panning: 0 is left (the first sample of an output frame), 255 right.
#pragma once

#include <cstdint>

#include "music/song.h"

constexpr int VOICE_COUNT = 64;

enum UpdateFlags : uint8_t {
    UPDATE_FREQUENCY = 1,
    UPDATE_VOLUME = 2,
    UPDATE_PANNING = 4,
    UPDATE_TRIGGER = 8,
};

struct Voice {
    int32_t index;
    int32_t gain;  // 0..127
    int32_t pan;   // 0..255
    const Sample *sample;  // null: idle
    int32_t gain_left, gain_right;  // targets for the first and second output sample
    int32_t pos_int;
    uint32_t pos_frac;
    uint32_t step_frac;
    int32_t step_int;
    int32_t direction;  // 1 forward, 2 backward
    int32_t ramp_target_left, ramp_target_right;
    int32_t ramp_level_left, ramp_level_right;  // applied gain x 256
    float ramp_step_left, ramp_step_right;      // per frame, 1.0 = gain 255
    int32_t ramp_frames_left;
};

struct Channel {
    uint8_t note;
    uint8_t update_flags;
    Voice *voice;
    const Sample *sample;
    int32_t period;
    int32_t volume;
    int32_t panning;
    int32_t envelope_tick;
    int32_t envelope_point;
    int32_t envelope_fixed;
    int32_t envelope_volume;
    int32_t envelope_slope;
    uint8_t envelope_done;
    int32_t fade_level;
    uint8_t key_off;
    uint8_t instrument;
    uint8_t porta_down_memory;
    uint8_t porta_up_memory;
};

extern Channel channels[MAX_CHANNELS];
extern Voice voices[VOICE_COUNT];
// The device's rate in Hz; set with the output layout (output.h).
extern int32_t output_rate;

// Zeroes the pool; each voice knows its slot and moves forward.
void voices_reset();
// The voice that takes over from voice index on a new note.
Voice *voice_partner(const Voice *voice);

void envelope_step(Channel *channel, const Instrument *instrument);
void update_voice(Channel *channel, const Sample *sample, const Song *song);
