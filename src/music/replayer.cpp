// replayer.cpp - rows, ticks and effects (see replayer.h).
#include "music/replayer.h"

enum Effect : uint8_t {
    EFFECT_PORTA_UP = 0x01,
    EFFECT_PORTA_DOWN = 0x02,
    EFFECT_TONE_PORTA = 0x03,
    EFFECT_TONE_PORTA_VOLSLIDE = 0x05,
    EFFECT_PATTERN_BREAK = 0x0D,
    EFFECT_SPEED = 0x0F,
    EFFECT_KEY_OFF = 0x14,
};

constexpr int32_t MIN_PERIOD = 56;
// Ten octaves, C-0 to B-9: the notes the period formula is meant for.
constexpr int32_t MAX_REAL_NOTE = 119;
constexpr int32_t MAX_VOLUME = 64;
// Far past the 100 Hz floor of every sample; keeps endless slides in range.
constexpr int32_t MAX_PERIOD = 1 << 24;

void set_bpm(Song *song, int32_t bpm)
{
    // A header can hold 0 or a negative tempo; one beat a minute is the
    // slowest that still gives a finite tick.
    if (bpm < 1)
        bpm = 1;
    song->bpm = bpm;
    double frames = (double)1000.0f / ((double)bpm * (double)0.4f) * (double)output_rate *
                    (double)0.001f;
    int32_t per_tick = (int32_t)frames;
    // A tick without frames would never let the renderer move on.
    song->samples_per_tick = per_tick < 1 ? 1 : per_tick;
}

static const Instrument *find_instrument(const Song *song, const Channel *ch,
                                         const Sample **sample)
{
    if (ch->instrument < song->instrument_count) {
        const Instrument *ins = &song->instruments[ch->instrument];
        uint8_t s = ins->sample_map[ch->note];
        *sample = s < MAX_SAMPLES_PER_INSTRUMENT ? ins->samples[s] : &EMPTY_SAMPLE;
        return ins;
    }
    *sample = &EMPTY_SAMPLE;
    return &EMPTY_INSTRUMENT;
}

void channel_instrument_reset(Channel *ch, const Sample *sample)
{
    // A sample built elsewhere than the loader may be louder than the format
    // allows; past 64 the voice gain leaves its range and the mix clips.
    ch->volume = sample->volume > MAX_VOLUME ? MAX_VOLUME : sample->volume;
    ch->panning = sample->panning;
    ch->envelope_volume = 64;
    ch->envelope_point = 0;
    ch->envelope_tick = 0;
    ch->envelope_slope = 0;
    ch->envelope_done = 0;
    ch->key_off = 0;
    ch->fade_level = 65536;
    ch->update_flags |= UPDATE_VOLUME | UPDATE_PANNING;
}

static void volume_down(Channel *ch, int32_t y)
{
    ch->volume = ch->volume - y < 0 ? 0 : ch->volume - y;
    ch->update_flags |= UPDATE_VOLUME;
}

static void volume_up(Channel *ch, int32_t y)
{
    ch->volume = ch->volume + y > MAX_VOLUME ? MAX_VOLUME : ch->volume + y;
    ch->update_flags |= UPDATE_VOLUME;
}

// Left unclamped: the voice clamps the pan when it turns it into gains.
static void panning_slide(Channel *ch, int32_t delta)
{
    ch->panning += delta;
    ch->update_flags |= UPDATE_PANNING;
}

void apply_volume_column(Channel *ch, uint8_t v)
{
    int32_t y = v & 0x0F;
    if (v >= 0x10 && v <= 0x50) {
        ch->volume = v - 0x10;
        ch->update_flags |= UPDATE_VOLUME;
        return;
    }
    switch (v >> 4) {
    case 0x6:
    case 0x8: volume_down(ch, y); break;
    case 0x7:
    case 0x9: volume_up(ch, y); break;
    case 0xC:
        ch->panning = y * 16;
        ch->update_flags |= UPDATE_PANNING;
        break;
    case 0xD: panning_slide(ch, -y); break;
    case 0xE: panning_slide(ch, y); break;
    case 0xF: ch->update_flags &= (uint8_t)~UPDATE_TRIGGER; break;
    default: break;
    }
}

static void fade(Channel *ch, const Instrument *ins)
{
    ch->fade_level -= ins->fadeout;
    if (ch->fade_level < 0)
        ch->fade_level = 0;
    ch->update_flags |= UPDATE_VOLUME;
}

static const PatternCell *row_cells(const Song *song)
{
    const Pattern *pattern = &song->patterns[song->order_table[song->order]];
    return pattern->cells + song->row * song->channel_count;
}

// The row's step of the volume envelope, and the fade once the key is off
// (at once, from silence, for an instrument without an envelope).
static void row_envelope(Channel *ch, const Instrument *ins)
{
    if (ins->volume_type & ENVELOPE_ON) {
        if (!ch->envelope_done)
            envelope_step(ch, ins);
        if (ch->key_off)
            fade(ch, ins);
    } else if (ch->key_off) {
        ch->envelope_volume = 0;
        fade(ch, ins);
    }
}

// What a row's effect sets once, on the row itself: the portamento
// memories (the slides run every tick, in process_tick_effects), a pattern
// break, speed and tempo.
static void row_effect(Song *song, Channel *ch, const PatternCell &cell)
{
    switch (cell.effect) {
    case EFFECT_PORTA_UP:
        if (cell.param)
            ch->porta_up_memory = cell.param;
        break;
    case EFFECT_PORTA_DOWN:
        if (cell.param)
            ch->porta_down_memory = cell.param;
        break;
    case EFFECT_PATTERN_BREAK: {
        int32_t r = (cell.param & 0x0F) + (cell.param >> 4) * 10;
        if (r > 63)
            r = 0;
        int32_t target = song->order + 1 >= song->song_length ? 0 : song->order + 1;
        // A row the target pattern does not have would be read past its end.
        if (r >= song->patterns[song->order_table[target]].rows)
            r = 0;
        song->next_row = r;
        song->next_order = target;
        break;
    }
    case EFFECT_SPEED:
        if (cell.param < 32)
            song->speed = cell.param;
        else
            set_bpm(song, cell.param);
        break;
    default: break;
    }
}

void process_row(Song *song)
{
    song->next_order = -1;
    song->next_row = -1;
    const PatternCell *cells = row_cells(song);
    for (int c = 0; c < song->channel_count; ++c) {
        const PatternCell cell = cells[c];
        Channel *ch = &channels[c];
        const bool porta =
            cell.effect == EFFECT_TONE_PORTA || cell.effect == EFFECT_TONE_PORTA_VOLSLIDE;
        const bool has_note = cell.note != 0 && cell.note != NOTE_KEY_OFF;
        if (cell.instrument && !porta)
            ch->instrument = (uint8_t)(cell.instrument - 1);
        if (has_note && !porta)
            ch->note = (uint8_t)(cell.note - 1);
        const Sample *sample;
        const Instrument *ins = find_instrument(song, ch, &sample);
        if (ch->instrument < song->instrument_count && !porta)
            ch->sample = sample;

        ch->update_flags = 0;
        if (has_note) {
            // A relative note can carry a note past either end; kept in a byte
            // it would wrap to a negative period and a frequency in the GHz.
            int32_t real_note = cell.note - 1 + sample->relative_note;
            real_note = real_note < 0 ? 0 : real_note > MAX_REAL_NOTE ? MAX_REAL_NOTE : real_note;
            // Only linear modules load (song_load), so the period always exists.
            int32_t note_period = 0;
            if (song->flags & SONG_LINEAR_FREQUENCIES)
                note_period = 7680 - 64 * real_note - sample->finetune / 2;
            if (!porta)
                ch->period = note_period;
            ch->update_flags = UPDATE_TRIGGER;
        }
        ch->update_flags |= UPDATE_FREQUENCY | UPDATE_VOLUME;
        if (cell.instrument)
            channel_instrument_reset(ch, sample);
        if (cell.volume)
            apply_volume_column(ch, cell.volume);
        if (cell.note == NOTE_KEY_OFF || cell.effect == EFFECT_KEY_OFF)
            ch->key_off = 1;

        row_envelope(ch, ins);
        row_effect(song, ch, cell);
        update_voice(ch, sample, song);
    }
}

void process_tick_effects(Song *song)
{
    const PatternCell *cells = row_cells(song);
    for (int c = 0; c < song->channel_count; ++c) {
        const PatternCell cell = cells[c];
        Channel *ch = &channels[c];
        const Sample *sample;
        const Instrument *ins = find_instrument(song, ch, &sample);
        ch->update_flags = 0;
        if ((ins->volume_type & ENVELOPE_ON) && !ch->envelope_done)
            envelope_step(ch, ins);
        if (ch->key_off)
            fade(ch, ins);
        int32_t y = cell.volume & 0x0F;
        switch (cell.volume >> 4) {
        case 0x6: volume_down(ch, y); break;
        case 0x7: volume_up(ch, y); break;
        case 0xD: panning_slide(ch, -y); break;
        case 0xE: panning_slide(ch, y); break;
        default: break;
        }
        if (cell.effect == EFFECT_PORTA_UP) {
            ch->period -= 4 * ch->porta_up_memory;
            if (ch->period < MIN_PERIOD)
                ch->period = MIN_PERIOD;
            ch->update_flags |= UPDATE_FREQUENCY;
        } else if (cell.effect == EFFECT_PORTA_DOWN) {
            ch->period += 4 * ch->porta_down_memory;
            if (ch->period > MAX_PERIOD)
                ch->period = MAX_PERIOD;
            ch->update_flags |= UPDATE_FREQUENCY;
        }
        update_voice(ch, sample, song);
    }
}

void song_tick(Song *song)
{
    if (song->tick_counter == 0) {
        if (song->next_order >= 0)
            song->order = song->next_order;
        if (song->next_row >= 0)
            song->row = song->next_row;
        process_row(song);
        if (song->next_row == -1) {
            song->next_row = song->row + 1;
            if (song->next_row >= song->patterns[song->order_table[song->order]].rows) {
                song->next_order = song->order + 1;
                if (song->next_order >= song->song_length)
                    song->next_order = song->restart_position;
                song->next_row = 0;
            }
        }
    } else {
        process_tick_effects(song);
    }
    if (++song->tick_counter >= song->speed)
        song->tick_counter = 0;
}
