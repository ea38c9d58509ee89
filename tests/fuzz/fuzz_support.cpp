// fuzz_support.cpp - see fuzz_support.h.
#include "fuzz_support.h"

#include <algorithm>

#include "music/song_source.h"

static MemoryFile module_file;

static void *module_open(const char *)
{
    module_file.position = 0;
    return &module_file;
}

Song *fuzz_load_module(const uint8_t *data, size_t size)
{
    if (size > 0x7FFFFFFFu)
        return nullptr;
    module_file = {(int32_t)size, 0, data};
    set_file_callbacks(module_open, memsrc_close, memsrc_read, memsrc_seek, memsrc_tell);
    return song_load("fuzz");
}

// i and k name the instrument and sample in the messages.
static void check_sample(const Sample *s, int i, int k)
{
    const uint64_t end = (uint64_t)s->loop_start + s->loop_length;
    const int kind = s->loop_kind;
    FUZZ_CHECK(end <= s->length && (kind == LOOP_NONE || kind == LOOP_FORWARD ||
                                    kind == LOOP_PINGPONG) && s->volume <= 64 &&
                   !s->data == !s->length && (!s->length || s->loop_length > 0),
               "ins %d smp %d: loop %u+%u of kind %d in %u, volume %d, data %p", i, k,
               s->loop_start, s->loop_length, kind, s->length, s->volume, (const void *)s->data);
    if (!s->length)
        return;
    // Every entry with both guards: AddressSanitizer checks that the block
    // really holds them. The guards are zeros, but for the entry past a loop's
    // end, which repeats what the interpolation reads next.
    volatile int64_t sum = 0;  // wide enough for millions of entries
    bool zeros = true;
    for (int64_t x = -SAMPLE_GUARD; x < (int64_t)s->length + SAMPLE_GUARD; ++x) {
        sum = sum + s->data[x];
        zeros = zeros && (!s->data[x] || (x >= 0 && x < (int64_t)s->length) || x == (int64_t)end);
    }
    const int16_t expected = kind == LOOP_FORWARD    ? s->data[s->loop_start]
                             : kind == LOOP_PINGPONG ? s->data[end - 1]
                                                     : 0;
    FUZZ_CHECK(zeros && ((kind == LOOP_NONE && end < s->length) || s->data[end] == expected),
               "ins %d smp %d: guards not zero, or entry past the loop end %d, not %d", i, k,
               s->data[end], expected);
}

static void check_envelope(uint8_t count, uint8_t type, uint8_t loop_start,
                           const EnvelopePoint *points, int i)
{
    const bool in_range = std::all_of(points, points + MAX_ENVELOPE_POINTS,
                                      [](EnvelopePoint p) { return p.value <= 64; });
    FUZZ_CHECK(in_range && count <= MAX_ENVELOPE_POINTS && (count >= 2 || type == 0) &&
                   (!(type & ENVELOPE_LOOP) || loop_start < count),
               "ins %d: envelope of %d points, type %d, loop from %d, or a value past 64", i,
               count, type, loop_start);
}

void fuzz_check_song(const Song *song)
{
    FUZZ_CHECK(song->channel_count >= 1 && song->channel_count <= MAX_CHANNELS &&
                   song->song_length >= 1 && song->song_length <= MAX_ORDERS &&
                   song->restart_position >= 0 &&
                   song->restart_position < song->song_length &&
                   song->instrument_count >= 0 && song->instrument_count <= MAX_INSTRUMENTS &&
                   song->pattern_slots <= MAX_PATTERNS &&
                   song->patterns_referenced <= song->pattern_slots && song->tick_callback,
               "counts: %d channels, %d orders from %d, %d instruments, %d of %d patterns",
               song->channel_count, song->song_length, song->restart_position,
               song->instrument_count, song->patterns_referenced, song->pattern_slots);
    for (int o = 0; o < song->song_length; ++o)
        FUZZ_CHECK(song->order_table[o] < song->pattern_slots, "order %d names pattern %d", o,
                   song->order_table[o]);
    for (int p = 0; p < song->pattern_slots; ++p) {
        const Pattern *pattern = &song->patterns[p];
        FUZZ_CHECK(pattern->rows >= 1 && pattern->rows <= MAX_PATTERN_ROWS && pattern->cells,
                   "pattern %d: %d rows", p, pattern->rows);
        for (const PatternCell *c = pattern->cells;
             c < pattern->cells + pattern->rows * song->channel_count; ++c)
            FUZZ_CHECK((c->note <= 96 || c->note == NOTE_KEY_OFF) &&
                           c->instrument <= MAX_INSTRUMENTS,
                       "pattern %d: note %d, instrument %d", p, c->note, c->instrument);
    }
    for (int i = 0; i < song->instrument_count; ++i) {
        const Instrument *ins = &song->instruments[i];
        FUZZ_CHECK(ins->sample_count >= 0 && ins->sample_count <= MAX_SAMPLES_PER_INSTRUMENT,
                   "ins %d: %d samples", i, ins->sample_count);
        for (int k = 0; k < MAX_SAMPLES_PER_INSTRUMENT; ++k) {
            FUZZ_CHECK(ins->samples[k] != nullptr, "ins %d: sample %d is null", i, k);
            if (k < ins->sample_count)
                check_sample(ins->samples[k], i, k);
        }
        check_envelope(ins->volume_point_count, ins->volume_type, ins->volume_loop_start,
                       ins->volume_envelope, i);
        check_envelope(ins->panning_point_count, ins->panning_type, ins->panning_loop_start,
                       ins->panning_envelope, i);
    }
}
