// voices.cpp - volume envelopes and the conversion of channel state into
// voice gains, pan and resampling step (see voices.h).
#include "music/voices.h"

#include <cmath>
#include <cstring>

Channel channels[MAX_CHANNELS];
Voice voices[VOICE_COUNT];
int32_t output_rate = 44100;

void voices_reset()
{
    memset(voices, 0, sizeof voices);
    for (int i = 0; i < VOICE_COUNT; ++i) {
        voices[i].index = i;
        voices[i].direction = 1;
    }
}

Voice *voice_partner(const Voice *voice)
{
    int i = voice->index;
    return &voices[i < MAX_CHANNELS ? i + MAX_CHANNELS : i - MAX_CHANNELS];
}

void envelope_step(Channel *ch, const Instrument *ins)
{
    int32_t i = ch->envelope_point;
    const int32_t n = ins->volume_point_count;
    const EnvelopePoint *p = ins->volume_envelope;
    if (i < n) {
        if (p[i].tick == ch->envelope_tick) {
            if ((ins->volume_type & ENVELOPE_LOOP) && i == ins->volume_loop_end) {
                i = ins->volume_loop_start;
                ch->envelope_point = i;
                ch->envelope_tick = p[i].tick;
            }
            int32_t y = p[i].value;
            if (i == n - 1) {
                ch->envelope_volume = y;
                ch->envelope_done = 1;
                ch->update_flags |= UPDATE_VOLUME;
                return;
            }
            if ((ins->volume_type & ENVELOPE_SUSTAIN) && i == ins->volume_sustain &&
                !ch->key_off) {
                ch->envelope_volume = y;
                ch->update_flags |= UPDATE_VOLUME;
                return;
            }
            int32_t d = p[i + 1].tick - p[i].tick;
            ch->envelope_slope = d == 0 ? 0 : (p[i + 1].value - y) * 65536 / d;
            ch->envelope_fixed = y * 65536;
            ch->envelope_point = i + 1;
        } else {
            // Wrapping add: an envelope whose ticks run backwards never reaches
            // its next point and keeps sliding.
            ch->envelope_fixed =
                (int32_t)((uint32_t)ch->envelope_fixed + (uint32_t)ch->envelope_slope);
        }
    }
    int32_t volume = ch->envelope_fixed >> 16;
    // Only such a backwards envelope can leave 0..64.
    ch->envelope_volume = volume < 0 ? 0 : volume > 64 ? 64 : volume;
    ++ch->envelope_tick;
    ch->update_flags |= UPDATE_VOLUME;
}

// The sample rate for a linear period: 8363 Hz at 4608, an octave per 768.
static int32_t linear_frequency(int32_t period)
{
    const double k = (double)(1.0f / 768.0f);
    double f = 8363.0 * pow(2.0, (double)(4608 - period) * k);
    // Only periods far below any note (a hostile relative note) get here.
    if (f > 2147483647.0)
        return 2147483647;
    return (int32_t)f;
}

void update_voice(Channel *ch, const Sample *sample, const Song *song)
{
    Voice *v = ch->voice;
    if (ch->period == 0)
        ch->update_flags &= (uint8_t)~UPDATE_FREQUENCY;
    const uint8_t flags = ch->update_flags;

    if (flags & UPDATE_TRIGGER) {
        if (v->sample) {
            Voice *partner = voice_partner(v);
            int32_t partner_index = partner->index;
            *partner = *v;
            partner->index = partner_index;
            v->gain = 0;
            v->gain_left = 0;
            v->gain_right = 0;
            ch->voice = partner;
            v = partner;
        }
        v->sample = sample;
        v->pos_int = 0;
        v->pos_frac = 0;
        v->direction = 1;
        v->ramp_level_left = 0;
        v->ramp_level_right = 0;
        v->ramp_frames_left = 0;
    }
    if (flags & UPDATE_VOLUME) {
        double product = (double)ch->volume * ch->envelope_volume * ch->fade_level *
                         song->global_volume * 255.0;
        int32_t g = (int32_t)(product / 34359738368.0);
        v->gain = g;
        v->gain_left = (255 - v->pan) * g / 255;
        v->gain_right = v->pan * g / 255;
    }
    if (flags & UPDATE_PANNING) {
        int32_t p = ch->panning < 0 ? 0 : ch->panning > 255 ? 255 : ch->panning;
        v->pan = p;
        v->gain_left = (255 - p) * v->gain / 255;
        v->gain_right = v->gain * p / 255;
    }
    if (flags & UPDATE_FREQUENCY) {
        int32_t f;
        if (song->flags & SONG_LINEAR_FREQUENCIES)
            f = linear_frequency(ch->period);
        else
            f = ch->period > 0 ? 14317056 / ch->period : 0;
        uint32_t g = (uint32_t)(f < 100 ? 100 : f);
        uint32_t r = (uint32_t)output_rate;
        v->step_int = (int32_t)(g / r);
        v->step_frac = (uint32_t)(((uint64_t)(g % r) << 32) / r);
    }
}
