// song.h - the loaded song: patterns, instruments, 16-bit samples and the
// replay state, and the XM loader that builds it.
//
//   Song *song = song_load("name");   // through the installed file callbacks
//   if (!song) puts(song_load_error());
//   ... song_play(song) (output.h) ...
//   song_free(song);                   // stops playback first
//
// Sample data is 16-bit signed whatever the file held, with SAMPLE_GUARD
// zeroed entries before and after the sample, so the interpolating mixer may
// read one frame either side of a boundary. The entry just past a loop holds
// the value the interpolation must see there (the loop start, or the last
// frame again for ping-pong).
#pragma once

#include <cstdint>

constexpr int MAX_CHANNELS = 32;
constexpr int MAX_SAMPLES_PER_INSTRUMENT = 16;
constexpr int MAX_ENVELOPE_POINTS = 12;
constexpr int MAX_ORDERS = 256;
// FastTracker 2 never writes more; anything beyond cannot be played.
constexpr int MAX_PATTERNS = 256;
constexpr int MAX_PATTERN_ROWS = 256;
constexpr int MAX_INSTRUMENTS = 128;
constexpr int SAMPLE_GUARD = 16;

constexpr uint8_t NOTE_KEY_OFF = 255;

enum LoopKind : uint8_t {
    LOOP_NONE = 1,
    LOOP_FORWARD = 2,
    LOOP_PINGPONG = 4,
};

enum EnvelopeType : uint8_t {
    ENVELOPE_ON = 1,
    ENVELOPE_SUSTAIN = 2,
    ENVELOPE_LOOP = 4,
};

enum SongFlags : uint16_t {
    SONG_LINEAR_FREQUENCIES = 1,
};

struct PatternCell {
    uint8_t note;        // 0 none, 1..96, NOTE_KEY_OFF
    uint8_t instrument;  // 0 none, 1..128
    uint8_t volume;      // volume-column byte
    uint8_t effect;
    uint8_t param;
};

struct Pattern {
    int32_t rows;
    PatternCell *cells;  // rows x channel_count, row-major
};

struct EnvelopePoint {
    uint16_t tick;
    uint16_t value;  // 0..64
};

struct Sample {
    int16_t *data;  // length + SAMPLE_GUARD entries from here; null when length is 0
    uint32_t length, loop_start, loop_length;  // frames
    uint8_t volume;
    int8_t finetune;
    int32_t panning;
    uint8_t bits;
    uint8_t loop_kind;
    int8_t relative_note;
};

struct Instrument {
    int32_t sample_count;
    Sample *samples[MAX_SAMPLES_PER_INSTRUMENT];
    uint8_t sample_map[96];
    EnvelopePoint volume_envelope[MAX_ENVELOPE_POINTS];
    EnvelopePoint panning_envelope[MAX_ENVELOPE_POINTS];
    uint8_t volume_point_count, panning_point_count;
    uint8_t volume_sustain, volume_loop_start, volume_loop_end;
    uint8_t panning_sustain, panning_loop_start, panning_loop_end;
    uint8_t volume_type, panning_type;
    uint8_t vibrato_type, vibrato_sweep, vibrato_depth, vibrato_rate;
    uint16_t fadeout;  // the file's value doubled
};

struct Song;
typedef void (*TickCallback)(Song *song);

struct Song {
    Pattern *patterns;
    Instrument *instruments;
    int32_t samples_to_tick;
    int32_t samples_per_tick;
    int16_t song_length, restart_position, channel_count;
    int32_t patterns_referenced;
    int32_t pattern_slots;
    int16_t instrument_count;
    uint16_t flags;
    int16_t default_speed, default_bpm;
    uint8_t order_table[MAX_ORDERS];
    uint8_t initial_global_volume;
    // Replay state.
    int32_t global_volume;
    int32_t tick_counter;
    int32_t speed;
    int32_t bpm;
    int32_t row;
    int32_t order;
    int32_t next_row;    // -1 = none
    int32_t next_order;  // -1 = none
    TickCallback tick_callback;
};

extern Sample EMPTY_SAMPLE;
extern Instrument EMPTY_INSTRUMENT;
extern const char XM_SIGNATURE[17];

// The song read through the installed file callbacks, or null; then
// song_load_error() says why.
Song *song_load(const char *name);
// Why the last song_load() failed ("" after a success).
const char *song_load_error();
// Stops playback of the song, then frees it. false for a null song.
bool song_free(Song *song);
