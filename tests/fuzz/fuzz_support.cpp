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

static void check_sample(const Sample *s, int instrument, int index)
{
    const uint64_t end = (uint64_t)s->loop_start + s->loop_length;
    FUZZ_CHECK(end <= s->length, "instrument %d sample %d: loop %u+%u past length %u",
               instrument, index, s->loop_start, s->loop_length, s->length);
    FUZZ_CHECK(s->loop_kind == LOOP_NONE || s->loop_kind == LOOP_FORWARD ||
                   s->loop_kind == LOOP_PINGPONG,
               "instrument %d sample %d: loop kind %d", instrument, index, s->loop_kind);
    FUZZ_CHECK(s->volume <= 64, "instrument %d sample %d: volume %d", instrument, index,
               s->volume);
    FUZZ_CHECK((s->data != nullptr) == (s->length != 0),
               "instrument %d sample %d: data %p for length %u", instrument, index,
               (const void *)s->data, s->length);
    if (!s->length)
        return;
    FUZZ_CHECK(s->loop_length > 0, "instrument %d sample %d: empty loop in %u frames",
               instrument, index, s->length);
    // The whole sample with both guards: AddressSanitizer checks that the
    // block really holds them.
    volatile int32_t sum = 0;
    for (int64_t i = -SAMPLE_GUARD; i < (int64_t)s->length + SAMPLE_GUARD; ++i)
        sum = sum + s->data[i];
    for (int i = 1; i <= SAMPLE_GUARD; ++i)
        FUZZ_CHECK(s->data[-i] == 0, "instrument %d sample %d: guard entry -%d is %d",
                   instrument, index, i, s->data[-i]);
    for (int i = 1; i < SAMPLE_GUARD; ++i)
        FUZZ_CHECK(s->data[s->length + i] == 0,
                   "instrument %d sample %d: guard entry length+%d is %d", instrument, index,
                   i, s->data[s->length + i]);
    int16_t expected = 0;
    if (s->loop_kind == LOOP_FORWARD)
        expected = s->data[s->loop_start];
    else if (s->loop_kind == LOOP_PINGPONG)
        expected = s->data[end - 1];
    if (end < s->length)
        FUZZ_CHECK(s->data[s->length] == 0, "instrument %d sample %d: guard entry length is %d",
                   instrument, index, s->data[s->length]);
    if (s->loop_kind != LOOP_NONE || end == s->length)
        FUZZ_CHECK(s->data[end] == expected,
                   "instrument %d sample %d: entry past the loop end %llu is %d, not %d",
                   instrument, index, (unsigned long long)end, s->data[end], expected);
}

static void check_envelope(uint8_t count, uint8_t type, uint8_t loop_start,
                           const EnvelopePoint *points, int instrument, const char *which)
{
    FUZZ_CHECK(count <= MAX_ENVELOPE_POINTS, "instrument %d: %s envelope has %d points",
               instrument, which, count);
    FUZZ_CHECK(count >= 2 || type == 0, "instrument %d: %s envelope of %d points is on",
               instrument, which, count);
    FUZZ_CHECK(!(type & ENVELOPE_LOOP) || loop_start < count,
               "instrument %d: %s envelope loops back to point %d of %d", instrument, which,
               loop_start, count);
    for (int i = 0; i < MAX_ENVELOPE_POINTS; ++i)
        FUZZ_CHECK(points[i].value <= 64, "instrument %d: %s envelope point %d is %d",
                   instrument, which, i, points[i].value);
}

void fuzz_check_song(const Song *song)
{
    FUZZ_CHECK(song->channel_count >= 1 && song->channel_count <= MAX_CHANNELS,
               "%d channels", song->channel_count);
    FUZZ_CHECK(song->song_length >= 1 && song->song_length <= MAX_ORDERS, "song length %d",
               song->song_length);
    FUZZ_CHECK(song->restart_position >= 0 && song->restart_position < song->song_length,
               "restart %d of %d orders", song->restart_position, song->song_length);
    FUZZ_CHECK(song->instrument_count >= 0 && song->instrument_count <= MAX_INSTRUMENTS,
               "%d instruments", song->instrument_count);
    FUZZ_CHECK(song->pattern_slots <= MAX_PATTERNS &&
                   song->patterns_referenced <= song->pattern_slots,
               "%d pattern slots, %d referenced", song->pattern_slots,
               song->patterns_referenced);
    FUZZ_CHECK(song->tick_callback != nullptr, "no tick callback");
    for (int i = 0; i < song->song_length; ++i)
        FUZZ_CHECK(song->order_table[i] < song->pattern_slots,
                   "order %d names pattern %d of %d", i, song->order_table[i],
                   song->pattern_slots);
    for (int p = 0; p < song->pattern_slots; ++p) {
        const Pattern *pattern = &song->patterns[p];
        FUZZ_CHECK(pattern->rows >= 1 && pattern->rows <= MAX_PATTERN_ROWS && pattern->cells,
                   "pattern %d: %d rows at %p", p, pattern->rows, (const void *)pattern->cells);
        const int cells = pattern->rows * song->channel_count;
        for (int c = 0; c < cells; ++c) {
            const PatternCell &cell = pattern->cells[c];
            FUZZ_CHECK(cell.note <= 96 || cell.note == NOTE_KEY_OFF,
                       "pattern %d cell %d: note %d", p, c, cell.note);
            FUZZ_CHECK(cell.instrument <= MAX_INSTRUMENTS, "pattern %d cell %d: instrument %d",
                       p, c, cell.instrument);
        }
    }
    for (int i = 0; i < song->instrument_count; ++i) {
        const Instrument *ins = &song->instruments[i];
        FUZZ_CHECK(ins->sample_count >= 0 && ins->sample_count <= MAX_SAMPLES_PER_INSTRUMENT,
                   "instrument %d: %d samples", i, ins->sample_count);
        for (int s = 0; s < MAX_SAMPLES_PER_INSTRUMENT; ++s) {
            FUZZ_CHECK(ins->samples[s] != nullptr, "instrument %d: sample %d is null", i, s);
            if (s < ins->sample_count)
                check_sample(ins->samples[s], i, s);
        }
        check_envelope(ins->volume_point_count, ins->volume_type, ins->volume_loop_start,
                       ins->volume_envelope, i, "volume");
        check_envelope(ins->panning_point_count, ins->panning_type, ins->panning_loop_start,
                       ins->panning_envelope, i, "panning");
    }
}
