// fuzz_support.cpp - see fuzz_support.h.
#include "fuzz_support.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "music/song_source.h"

void fuzz_fail(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("fuzz invariant broken: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    abort();
}

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
    FUZZ_CHECK(end <= s->length, "ins %d smp %d: loop %u+%u past %u", i, k, s->loop_start,
               s->loop_length, s->length);
    FUZZ_CHECK(s->loop_kind == LOOP_NONE || s->loop_kind == LOOP_FORWARD ||
                   s->loop_kind == LOOP_PINGPONG,
               "ins %d smp %d: loop kind %d", i, k, s->loop_kind);
    FUZZ_CHECK(s->volume <= 64, "ins %d smp %d: volume %d", i, k, s->volume);
    FUZZ_CHECK(!s->data == !s->length, "ins %d smp %d: data for length %u", i, k, s->length);
    if (!s->length)
        return;
    FUZZ_CHECK(s->loop_length > 0, "ins %d smp %d: empty loop", i, k);
    // The whole sample with both guards: AddressSanitizer checks that the
    // block really holds them.
    volatile int64_t sum = 0;  // wide enough for millions of entries
    for (int64_t x = -SAMPLE_GUARD; x < (int64_t)s->length + SAMPLE_GUARD; ++x)
        sum = sum + s->data[x];
    for (int g = 1; g <= SAMPLE_GUARD; ++g)
        FUZZ_CHECK(!s->data[-g] && (g == SAMPLE_GUARD || !s->data[s->length + g]),
                   "ins %d smp %d: guard entry %d not zero", i, k, g);
    int16_t expected = 0;
    if (s->loop_kind == LOOP_FORWARD)
        expected = s->data[s->loop_start];
    else if (s->loop_kind == LOOP_PINGPONG)
        expected = s->data[end - 1];
    FUZZ_CHECK(end == s->length || !s->data[s->length], "ins %d smp %d: guard at length", i, k);
    FUZZ_CHECK((s->loop_kind == LOOP_NONE && end < s->length) || s->data[end] == expected,
               "ins %d smp %d: entry past the loop end %d, not %d", i, k, s->data[end],
               expected);
}

static void check_envelope(uint8_t count, uint8_t type, uint8_t loop_start,
                           const EnvelopePoint *points, int i)
{
    FUZZ_CHECK(count <= MAX_ENVELOPE_POINTS && (count >= 2 || type == 0) &&
                   (!(type & ENVELOPE_LOOP) || loop_start < count),
               "ins %d: envelope of %d points, type %d, loop from %d", i, count, type,
               loop_start);
    for (int p = 0; p < MAX_ENVELOPE_POINTS; ++p)
        FUZZ_CHECK(points[p].value <= 64, "ins %d: envelope point %d is %d", i, p,
                   points[p].value);
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
        for (int c = 0; c < pattern->rows * song->channel_count; ++c) {
            const PatternCell &cell = pattern->cells[c];
            FUZZ_CHECK((cell.note <= 96 || cell.note == NOTE_KEY_OFF) &&
                           cell.instrument <= MAX_INSTRUMENTS,
                       "pattern %d cell %d: note %d, instrument %d", p, c, cell.note,
                       cell.instrument);
        }
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
