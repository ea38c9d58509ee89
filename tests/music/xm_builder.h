// xm_builder.h - writes small XM modules for the music tests and benchmark.
//
//   XmModule m;                       // 1 channel, linear, speed 6, BPM 125
//   m.channels = 4;
//   m.patterns.push_back(xm_pattern(64, 4));
//   xm_cell(m.patterns[0], 4, 0, 2) = {49, 1, 0, 0, 0};   // row 0, channel 2
//   m.instruments.push_back(xm_instrument(xm_sample_8bit({0, 64, 127, -64})));
//   std::vector<uint8_t> bytes = xm_build(m);
//   Song *song = xm_load(bytes);      // through the in-memory source
//
// Fields with "raw" or an override let a test write what a damaged file holds.
#pragma once

#include <cstdint>
#include <vector>

#include "music/song.h"

struct XmSample {
    std::vector<int16_t> values;  // what the player should end up with (8-bit: x256)
    bool sixteen_bit = false;
    uint8_t loop_type = 0;        // 0 none, 1 forward, 2 ping-pong
    uint32_t loop_start = 0, loop_length = 0;  // frames
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relative_note = 0;
    // When set, these bytes follow as the sample data instead of the encoded
    // values, and the header fields below are written as given (bytes).
    bool raw = false;
    std::vector<uint8_t> raw_data;
    uint32_t raw_length = 0, raw_loop_start = 0, raw_loop_length = 0;
    uint8_t raw_type = 0;
};

struct XmInstrument {
    std::vector<XmSample> samples;
    uint8_t sample_map[96] = {};
    std::vector<EnvelopePoint> volume_envelope;
    uint8_t volume_type = 0, volume_sustain = 0, volume_loop_start = 0, volume_loop_end = 0;
    uint16_t fadeout = 0;         // the file's value
    int point_count = -1;         // written instead of the envelope's size when >= 0
    int sample_count = -1;        // written instead of samples.size() when >= 0
};

struct XmPattern {
    int rows = 64;
    std::vector<PatternCell> cells;  // rows x channels
    bool raw = false;                // write raw_packed instead of packing cells
    std::vector<uint8_t> raw_packed;
    int packed_size = -1;            // written instead of the real size when >= 0
};

struct XmModule {
    int channels = 1;
    std::vector<uint8_t> orders = {0};
    int song_length = -1;     // orders.size() when < 0
    int restart = 0;
    int pattern_count = -1;   // patterns.size() when < 0
    int instrument_count = -1;
    uint16_t flags = 1;
    int speed = 6, bpm = 125;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

XmPattern xm_pattern(int rows, int channels);
PatternCell &xm_cell(XmPattern &pattern, int channels, int row, int channel);
XmSample xm_sample_8bit(const std::vector<int8_t> &values);
XmSample xm_sample_16bit(const std::vector<int16_t> &values);
XmInstrument xm_instrument(const XmSample &sample);
std::vector<uint8_t> xm_build(const XmModule &module);

// Loads bytes through the in-memory source (the arena is brought up once).
// The bytes must outlive the call only.
Song *xm_load(const std::vector<uint8_t> &bytes);
