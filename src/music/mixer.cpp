// mixer.cpp - voices into a float mix, the mix into 16-bit PCM (see mixer.h).
//
// A voice is mixed in chunks: up to its next loop boundary, the end of its
// volume ramp, or the end of the call, so the per-frame loop neither tests
// the loop kind nor the ramp.
#include "music/mixer.h"

#include <cmath>

#include "music/voices.h"

int32_t RAMP_LENGTH = 128;
float ramp_reciprocal = 1.0f / 128.0f;

static const float INV_255 = 1.0f / 255.0f;
static const float INV_256 = 1.0f / 256.0f;
static const float FRAC_SCALE = 1.0f / 2147483648.0f;  // 2^-31

void mixer_set_rate(int32_t rate)
{
    RAMP_LENGTH = rate * 128 / 44100;
    ramp_reciprocal = 1.0f / (float)RAMP_LENGTH;
}

// Frames until the position reaches (or passes) the boundary the voice moves
// towards; -1 when it will not within this chunk's reach.
static int64_t frames_to_boundary(const Voice *v, uint64_t start, uint64_t end, uint64_t pos,
                                  uint64_t step, bool forward_loop)
{
    int64_t distance;
    if (v->direction == 2)
        distance = (int64_t)(pos - (start << 32));
    else
        distance = (int64_t)((end << 32) - pos);
    // Already at or past it (a backward voice below its loop start).
    if (distance <= 0)
        return 0;
    if ((distance >> 32) >= (1 << 24))
        return -1;
    // The division is done in 64 bits: a long sample at a low rate needs
    // more than 32 bits of quotient, and a fast step more than 32 of divisor.
    uint64_t d = (uint64_t)distance >> 8;
    uint64_t t = ((step >> 32) << 24) + ((step & 0xFFFFFFFFu) >> 8);
    if (step == 0)
        return -1;  // a zero step never arrives: the voice holds where it is
    if (t == 0 || (d == 0 && forward_loop)) {
        // Below 24 fraction bits the short form would say "never" (a tiny
        // step) or "now" (a position a few units short of a forward loop's
        // end, which then never wraps); the exact count says when.
        d = (uint64_t)distance;
        t = step;
    }
    return (int64_t)(d / t + (d % t != 0));
}

// Mirrors the 32.32 position P at the loop ends until it lies inside, one
// fraction unit below each mirror image.
static void reflect(Voice *v, int64_t start, int64_t end, __int128 *position)
{
    const __int128 s = (__int128)start << 32, e = (__int128)end << 32;
    const __int128 twice = 2 * (e - s);
    __int128 p = *position;
    if (v->direction == 2) {
        p = 2 * s - p - 1;
        v->direction = 1;
    } else {
        p = 2 * e - p - 1;
        v->direction = 2;
    }
    for (;;) {
        // A reflection at one end straight followed by one at the other moves
        // by twice the loop; skip such pairs when the overshoot is long.
        if (p >= e + (e - s)) {
            p -= ((p - (e + (e - s))) / twice + 1) * twice;
            v->direction = 1;
        } else if (p < s - (e - s)) {
            p += (((s - (e - s)) - p - 1) / twice + 1) * twice;
            v->direction = 2;
        }
        int64_t whole = (int64_t)(p >> 32);
        if (whole < start) {
            p = 2 * s - p - 1;
            v->direction = 1;
        } else if (whole >= end) {
            p = 2 * e - p - 1;
            v->direction = 2;
        } else {
            break;
        }
    }
    *position = p;
}

static inline float interpolate(const int16_t *data, uint64_t pos)
{
    int32_t i = (int32_t)(pos >> 32);
    float s0 = (float)data[i];
    float d = (float)(data[i + 1] - data[i]);
    float f = (float)((uint32_t)pos >> 1) * FRAC_SCALE;
    return s0 + d * f;
}

void mix_voices(float *destination, int32_t frames)
{
    if (frames <= 0)
        return;
    for (int vi = 0; vi < VOICE_COUNT; ++vi) {
        Voice *v = &voices[vi];
        float *out = destination;
        int32_t remaining = frames;
        while (remaining > 0 && v->sample) {
            const Sample *sample = v->sample;
            const uint64_t start = sample->loop_start;
            const uint64_t end = (uint64_t)sample->loop_start + sample->loop_length;
            uint64_t pos = (uint64_t)(uint32_t)v->pos_int << 32 | v->pos_frac;
            uint64_t step = (uint64_t)(uint32_t)v->step_int << 32 | v->step_frac;

            int32_t count = remaining;
            bool end_reached = false;
            int64_t k = frames_to_boundary(v, start, end, pos, step,
                                           sample->loop_kind == LOOP_FORWARD);
            if (k >= 0 && k <= count) {
                count = (int32_t)k;
                end_reached = true;
            }

            int32_t ramp;
            if (v->ramp_frames_left > 0 && v->gain_left == v->ramp_target_left &&
                v->gain_right == v->ramp_target_right) {
                ramp = v->ramp_frames_left;
            } else {
                v->ramp_target_left = v->gain_left;
                v->ramp_target_right = v->gain_right;
                int32_t dl = v->gain_left - (v->ramp_level_left >> 8);
                int32_t dr = v->gain_right - (v->ramp_level_right >> 8);
                v->ramp_step_left = dl ? (float)dl * INV_255 * ramp_reciprocal : 0.0f;
                v->ramp_step_right = dr ? (float)dr * INV_255 * ramp_reciprocal : 0.0f;
                ramp = dl || dr ? RAMP_LENGTH : 0;
                v->ramp_frames_left = ramp;
            }
            bool ramp_cut = false;
            if (ramp > 0 && count > ramp) {
                count = ramp;
                ramp_cut = true;
                end_reached = false;
            }

            const int16_t *data = sample->data;
            const uint64_t frac_mask = ~(uint64_t)1;
            const uint64_t advance = v->direction == 2 ? (uint64_t)0 - step : step;
            if (ramp == 0) {
                const float gl = (float)v->gain_left * INV_255;
                const float gr = (float)v->gain_right * INV_255;
                int32_t pairs = count >> 1;
                for (int32_t j = 0; j < pairs; ++j) {
                    float s = interpolate(data, pos);
                    pos = (pos & frac_mask) + advance;
                    out[0] += s * gl;
                    out[1] += s * gr;
                    s = interpolate(data, pos);
                    pos = (pos & frac_mask) + advance;
                    out[2] += s * gl;
                    out[3] += s * gr;
                    out += 4;
                }
                if (count & 1) {
                    const float ol = (float)v->ramp_level_left * INV_256 * INV_255;
                    const float orr = (float)v->ramp_level_right * INV_256 * INV_255;
                    float s = interpolate(data, pos);
                    pos = (pos & frac_mask) + advance;
                    out[0] += s * ol;
                    out[1] += s * orr;
                    out += 2;
                }
            } else {
                float al = (float)v->ramp_level_left * INV_256 * INV_255;
                float ar = (float)v->ramp_level_right * INV_256 * INV_255;
                const float sl = v->ramp_step_left, sr = v->ramp_step_right;
                for (int32_t j = 0; j < count; ++j) {
                    float s = interpolate(data, pos);
                    pos = (pos & frac_mask) + advance;
                    out[0] += s * al;
                    out[1] += s * ar;
                    al += sl;
                    ar += sr;
                    out += 2;
                }
                v->ramp_level_left = (int32_t)lrintf(al * 255.0f * 256.0f);
                v->ramp_level_right = (int32_t)lrintf(ar * 255.0f * 256.0f);
                v->ramp_frames_left -= count;
                if (v->ramp_frames_left == 0) {
                    v->ramp_step_left = 0.0f;
                    v->ramp_step_right = 0.0f;
                    v->ramp_level_left = v->gain_left * 256;
                    v->ramp_level_right = v->gain_right * 256;
                }
            }
            remaining -= count;
            v->pos_int = (int32_t)(pos >> 32);
            v->pos_frac = (uint32_t)pos;
            if (ramp_cut || !end_reached) {
                if (ramp_cut)
                    continue;
                break;
            }

            if (sample->loop_kind == LOOP_FORWARD) {
                uint32_t whole = (uint32_t)v->pos_int;
                if (sample->loop_length == 0)
                    v->sample = nullptr;
                else if (whole >= end)
                    v->pos_int = (int32_t)(start + (whole - end) % sample->loop_length);
            } else if (sample->loop_kind == LOOP_PINGPONG) {
                __int128 p = (__int128)v->pos_int * ((__int128)1 << 32) + v->pos_frac;
                reflect(v, (int64_t)start, (int64_t)end, &p);
                v->pos_int = (int32_t)(int64_t)(p >> 32);
                v->pos_frac = (uint32_t)(uint64_t)p;
            } else {
                v->sample = nullptr;
                v->pos_int = 0;
                v->pos_frac = 0;
            }
        }
    }
}

void clip_to_pcm16(int16_t *destination, const float *source, int32_t frames)
{
    if (frames <= 0 || !destination || !source)
        return;
    for (int32_t i = 0; i < 2 * frames; ++i) {
        float x = source[i];
        // Clamped before converting, so no float outside the int range is rounded.
        x = x < -32768.0f ? -32768.0f : x > 32767.0f ? 32767.0f : x;
        destination[i] = (int16_t)lrintf(x);
    }
}
