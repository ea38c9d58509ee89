// xm_builder.h - writes small XM modules for the music tests, benchmark and
// fuzz seeds. A count of -1 means the real size; other values, and the raw
// fields, let a test write what a damaged file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "music/song.h"

struct XmSample {
    std::vector<int16_t> values;  // what the player should end up with (8-bit: x256)
    bool sixteen_bit = false;
    uint8_t loop_type = 0, volume = 64, panning = 128;  // loop: 0 none, 1 forward, 2 ping-pong
    int8_t relative_note = 0;
    // The loop in frames; declared_bytes, when not 0, is the length the header gives.
    uint32_t loop_start = 0, loop_length = 0, declared_bytes = 0;
};

struct XmInstrument {
    std::vector<XmSample> samples;
    uint8_t sample_map[96] = {};
    std::vector<EnvelopePoint> volume_envelope = {};
    uint8_t volume_type = 0, volume_sustain = 0, volume_loop_start = 0, volume_loop_end = 0;
    int fadeout = 0, point_count = -1, sample_count = -1;  // fadeout: the file's value
};

struct XmPattern {
    int rows = 64;
    std::vector<PatternCell> cells = {};   // rows x channels
    std::vector<uint8_t> raw_packed = {};  // when not empty, written instead of the cells
    uint32_t header_length = 9;  // longer: zeros after the fields
    int packed_size = -1;        // larger: 0xFF padding after the cells; smaller: a lie
};

struct XmModule {
    int channels = 1;
    std::vector<uint8_t> orders = {0};
    int song_length = -1, restart = 0, pattern_count = -1, instrument_count = -1;
    int flags = 1, speed = 6, bpm = 125;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

XmPattern xm_pattern(int rows, int channels);
inline PatternCell &xm_cell(XmPattern &pattern, int channels, int row, int channel)
{
    return pattern.cells[(std::size_t)row * channels + channel];
}
XmSample xm_sample_8bit(const std::vector<int8_t> &values);
XmSample xm_sample_16bit(const std::vector<int16_t> &values);
XmInstrument xm_instrument(const XmSample &sample);
std::vector<uint8_t> xm_build(const XmModule &module);
// Loads through the in-memory source; the bytes must outlive the call only.
Song *xm_load(const std::vector<uint8_t> &bytes);
