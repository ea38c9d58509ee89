// mixer.cpp - voices into a float mix, the mix into 16-bit PCM (see mixer.h).
//
// A voice is mixed in chunks: up to its next loop boundary, the end of its
// volume ramp, or the end of the call, so the per-frame loop neither tests
// the loop kind nor the ramp.
#include "music/mixer.h"

#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "music/voices.h"

// Set with the output rate (mixer_set_rate), so not a constant: 128 frames
// at 44100 Hz, the same glide in time at any rate.
int32_t ramp_length = 128;
float ramp_reciprocal = 1.0f / 128.0f;

static const float INV_255 = 1.0f / 255.0f;
static const float INV_256 = 1.0f / 256.0f;
static const float FRAC_SCALE = 1.0f / 2147483648.0f;  // 2^-31

void mixer_set_rate(int32_t rate)
{
    ramp_length = rate * 128 / 44100;
    ramp_reciprocal = 1.0f / (float)ramp_length;
}

// Frames until the position reaches (or passes) the boundary the voice moves
// towards; -1 when it never will.
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
    // The division is done in 64 bits, however far the boundary: a long
    // sample at a low rate needs more than 32 bits of quotient, a fast step
    // more than 32 of divisor, and a note far above the top octave crosses
    // millions of frames in one chunk.
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

// Each frame moves the position by the step after clearing its lowest
// fraction bit. From the second frame on the position is then affine in the
// frame number (an odd step loses exactly one unit a frame), so a run of
// frames can be skipped in one go.
static inline uint64_t skip_frames(uint64_t pos, uint64_t advance, int32_t frames)
{
    if (frames <= 0)
        return pos;
    const uint64_t odd = advance & 1;
    return (pos & ~(uint64_t)1) + (uint64_t)frames * (advance - odd) + odd;
}

#if defined(__SSE2__)
// Four frames: the sample reads stay scalar, the arithmetic runs four wide
// in the same single-precision operations, in the same order, as one frame.
static inline uint64_t mix_four(float *out, const int16_t *data, uint64_t pos,
                                uint64_t advance, __m128 gl, __m128 gr)
{
    // Built in registers: four scalar stores read back as one vector would
    // stall on store forwarding.
    int32_t i0 = (int32_t)(pos >> 32);
    uint32_t f0 = (uint32_t)pos >> 1;
    pos = (pos & ~(uint64_t)1) + advance;
    int32_t i1 = (int32_t)(pos >> 32);
    uint32_t f1 = (uint32_t)pos >> 1;
    pos = (pos & ~(uint64_t)1) + advance;
    int32_t i2 = (int32_t)(pos >> 32);
    uint32_t f2 = (uint32_t)pos >> 1;
    pos = (pos & ~(uint64_t)1) + advance;
    int32_t i3 = (int32_t)(pos >> 32);
    uint32_t f3 = (uint32_t)pos >> 1;
    pos = (pos & ~(uint64_t)1) + advance;
    const int32_t a0 = data[i0], a1 = data[i1], a2 = data[i2], a3 = data[i3];
    const __m128i first = _mm_setr_epi32(a0, a1, a2, a3);
    const __m128i next =
        _mm_setr_epi32(data[i0 + 1], data[i1 + 1], data[i2 + 1], data[i3 + 1]);
    const __m128i frac = _mm_setr_epi32((int32_t)f0, (int32_t)f1, (int32_t)f2, (int32_t)f3);
    __m128 fraction = _mm_mul_ps(_mm_cvtepi32_ps(frac), _mm_set1_ps(FRAC_SCALE));
    __m128 s = _mm_add_ps(_mm_cvtepi32_ps(first),
                          _mm_mul_ps(_mm_cvtepi32_ps(_mm_sub_epi32(next, first)), fraction));
    __m128 left = _mm_mul_ps(s, gl);
    __m128 right = _mm_mul_ps(s, gr);
    _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), _mm_unpacklo_ps(left, right)));
    _mm_storeu_ps(out + 4, _mm_add_ps(_mm_loadu_ps(out + 4), _mm_unpackhi_ps(left, right)));
    return pos;
}
#endif

typedef uint64_t (*SteadyKernel)(float *out, const int16_t *data, uint64_t pos,
                                 uint64_t advance, int32_t frames, float gl, float gr);
typedef uint64_t (*RampKernel)(float *out, const int16_t *data, uint64_t pos, uint64_t advance,
                               int32_t frames, float *al, float *ar, float sl, float sr);

// Frames at fixed gains, one at a time.
static uint64_t mix_steady_plain(float *out, const int16_t *data, uint64_t pos,
                                 uint64_t advance, int32_t frames, float gl, float gr)
{
    for (int32_t j = 0; j < frames; ++j, out += 2) {
        float s = interpolate(data, pos);
        pos = (pos & ~(uint64_t)1) + advance;
        out[0] += s * gl;
        out[1] += s * gr;
    }
    return pos;
}

// Frames under a ramp: each frame uses the gains before that frame's step,
// the steps added one frame at a time.
static uint64_t mix_ramp_plain(float *out, const int16_t *data, uint64_t pos, uint64_t advance,
                               int32_t frames, float *al, float *ar, float sl, float sr)
{
    float l = *al, r = *ar;
    for (int32_t j = 0; j < frames; ++j, out += 2) {
        float s = interpolate(data, pos);
        pos = (pos & ~(uint64_t)1) + advance;
        out[0] += s * l;
        out[1] += s * r;
        l += sl;
        r += sr;
    }
    *al = l;
    *ar = r;
    return pos;
}

#if defined(__SSE2__)
static uint64_t mix_steady_sse2(float *out, const int16_t *data, uint64_t pos,
                                uint64_t advance, int32_t frames, float gl, float gr)
{
    int32_t j = 0;
    const __m128 gl4 = _mm_set1_ps(gl), gr4 = _mm_set1_ps(gr);
    for (; j + 4 <= frames; j += 4, out += 8)
        pos = mix_four(out, data, pos, advance, gl4, gr4);
    return mix_steady_plain(out, data, pos, advance, frames - j, gl, gr);
}

static uint64_t mix_ramp_sse2(float *out, const int16_t *data, uint64_t pos, uint64_t advance,
                              int32_t frames, float *al, float *ar, float sl, float sr)
{
    float l = *al, r = *ar;
    int32_t j = 0;
    for (; j + 4 <= frames; j += 4, out += 8) {
        float l1 = l + sl, l2 = l1 + sl, l3 = l2 + sl;
        float r1 = r + sr, r2 = r1 + sr, r3 = r2 + sr;
        pos = mix_four(out, data, pos, advance, _mm_setr_ps(l, l1, l2, l3),
                       _mm_setr_ps(r, r1, r2, r3));
        l = l3 + sl;
        r = r3 + sr;
    }
    *al = l;
    *ar = r;
    return mix_ramp_plain(out, data, pos, advance, frames - j, al, ar, sl, sr);
}
#endif

#if defined(__x86_64__) || defined(__i386__)
#define MIXER_HAVE_AVX2 1
// Eight frames at a time. After a chunk's first frame the positions are
// affine in the frame number (see skip_frames), so they advance as vectors;
// one 32-bit gather fetches each frame's sample and its successor together.
template <bool window>
__attribute__((target("avx2"))) static inline void mix_eight_avx2(
    float *out, const int16_t *data, int32_t base, __m256i p_low, __m256i p_high, __m256 gl,
    __m256 gr)
{
    const __m256i odd_dwords = _mm256_setr_epi32(1, 3, 5, 7, 0, 2, 4, 6);
    __m256i a = _mm256_permutevar8x32_epi32(p_low, odd_dwords);
    __m256i b = _mm256_permutevar8x32_epi32(p_high, odd_dwords);
    __m256i index = _mm256_permute2x128_si256(a, b, 0x20);
    __m256i frac = _mm256_srli_epi32(_mm256_permute2x128_si256(a, b, 0x31), 1);
    __m256i first, next;
    if (window) {
        // Eight frames within eight samples of the first: two plain loads
        // of the window and a shuffle replace the gather.
        __m256i offset = _mm256_sub_epi32(index, _mm256_set1_epi32(base));
        __m256i here = _mm256_cvtepi16_epi32(_mm_loadu_si128((const __m128i *)(data + base)));
        __m256i after =
            _mm256_cvtepi16_epi32(_mm_loadu_si128((const __m128i *)(data + base + 1)));
        first = _mm256_permutevar8x32_epi32(here, offset);
        next = _mm256_permutevar8x32_epi32(after, offset);
    } else {
        __m256i pair = _mm256_i32gather_epi32((const int *)data, index, 2);
        first = _mm256_srai_epi32(_mm256_slli_epi32(pair, 16), 16);
        next = _mm256_srai_epi32(pair, 16);
    }
    __m256 fraction = _mm256_mul_ps(_mm256_cvtepi32_ps(frac), _mm256_set1_ps(FRAC_SCALE));
    __m256 s = _mm256_add_ps(_mm256_cvtepi32_ps(first),
                             _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_sub_epi32(next, first)),
                                           fraction));
    __m256 left = _mm256_mul_ps(s, gl);
    __m256 right = _mm256_mul_ps(s, gr);
    __m256 low = _mm256_unpacklo_ps(left, right);
    __m256 high = _mm256_unpackhi_ps(left, right);
    _mm256_storeu_ps(out, _mm256_add_ps(_mm256_loadu_ps(out),
                                        _mm256_permute2f128_ps(low, high, 0x20)));
    _mm256_storeu_ps(out + 8, _mm256_add_ps(_mm256_loadu_ps(out + 8),
                                            _mm256_permute2f128_ps(low, high, 0x31)));
}

// Runs `groups` groups of eight frames from an affine position p (one whose
// lowest bit already matches the step's); returns the position after them.
// Ramped gains are added one frame at a time, as the plain loop does.
template <bool window, bool ramped>
__attribute__((target("avx2"))) static inline uint64_t mix_groups_avx2(
    float *out, const int16_t *data, uint64_t p, uint64_t step, int32_t groups, float *l,
    float *r, float sl, float sr)
{
    __m256i p_low = _mm256_setr_epi64x((int64_t)p, (int64_t)(p + step), (int64_t)(p + 2 * step),
                                       (int64_t)(p + 3 * step));
    const __m256i four = _mm256_set1_epi64x((int64_t)(4 * step));
    const __m256i eight = _mm256_set1_epi64x((int64_t)(8 * step));
    __m256i p_high = _mm256_add_epi64(p_low, four);
    __m256 gl = _mm256_set1_ps(*l), gr = _mm256_set1_ps(*r);
    for (int32_t g = 0; g < groups; ++g, out += 16) {
        if (ramped) {
            alignas(32) float a[8], b[8];
            for (int k = 0; k < 8; ++k) {
                a[k] = *l;
                b[k] = *r;
                *l += sl;
                *r += sr;
            }
            gl = _mm256_load_ps(a);
            gr = _mm256_load_ps(b);
        }
        mix_eight_avx2<window>(out, data, (int32_t)(p >> 32), p_low, p_high, gl, gr);
        p_low = _mm256_add_epi64(p_low, eight);
        p_high = _mm256_add_epi64(p_high, eight);
        p += 8 * step;
    }
    return p;
}

// A forward step under one frame a frame keeps eight frames within eight
// samples: the window path.
template <bool ramped>
__attribute__((target("avx2"))) static uint64_t mix_avx2(float *out, const int16_t *data,
                                                        uint64_t pos, uint64_t advance,
                                                        int32_t frames, float *al, float *ar,
                                                        float sl, float sr)
{
    if (frames < 8) {
        if (ramped)
            return mix_ramp_plain(out, data, pos, advance, frames, al, ar, sl, sr);
        return mix_steady_plain(out, data, pos, advance, frames, *al, *ar);
    }
    // A position not yet on the affine track takes one frame to get there.
    const int32_t first = (pos & 1) != (advance & 1);
    if (ramped)
        pos = mix_ramp_plain(out, data, pos, advance, first, al, ar, sl, sr);
    else
        pos = mix_steady_plain(out, data, pos, advance, first, *al, *ar);
    const uint64_t step = advance & ~(uint64_t)1;
    const int32_t groups = (frames - first) / 8;
    float *o = out + 2 * first;
    if (step < ((uint64_t)1 << 32))
        pos = mix_groups_avx2<true, ramped>(o, data, pos, step, groups, al, ar, sl, sr);
    else
        pos = mix_groups_avx2<false, ramped>(o, data, pos, step, groups, al, ar, sl, sr);
    const int32_t done = first + groups * 8;
    if (ramped)
        return mix_ramp_plain(out + 2 * done, data, pos, advance, frames - done, al, ar, sl, sr);
    return mix_steady_plain(out + 2 * done, data, pos, advance, frames - done, *al, *ar);
}

static uint64_t mix_steady_avx2(float *out, const int16_t *data, uint64_t pos, uint64_t advance,
                                int32_t frames, float gl, float gr)
{
    return mix_avx2<false>(out, data, pos, advance, frames, &gl, &gr, 0.0f, 0.0f);
}

static uint64_t mix_ramp_avx2(float *out, const int16_t *data, uint64_t pos, uint64_t advance,
                              int32_t frames, float *al, float *ar, float sl, float sr)
{
    return mix_avx2<true>(out, data, pos, advance, frames, al, ar, sl, sr);
}
#endif

struct MixKernels {
    SteadyKernel steady;
    RampKernel ramp;
};

static const MixKernels KERNELS[MIXER_KERNELS_BEST] = {
    {mix_steady_plain, mix_ramp_plain},
#if defined(__SSE2__)
    {mix_steady_sse2, mix_ramp_sse2},
#else
    {nullptr, nullptr},
#endif
#if defined(MIXER_HAVE_AVX2)
    {mix_steady_avx2, mix_ramp_avx2},
#else
    {nullptr, nullptr},
#endif
};

static bool kernels_available(int which)
{
    if (which < 0 || which >= MIXER_KERNELS_BEST || !KERNELS[which].steady)
        return false;
#if defined(MIXER_HAVE_AVX2)
    if (which == MIXER_KERNELS_AVX2) {
        // Asked during static initialisation too, maybe before libgcc's own.
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2");
    }
#endif
    return true;
}

static const MixKernels *best_kernels()
{
    for (int which = MIXER_KERNELS_BEST - 1; which > 0; --which)
        if (kernels_available(which))
            return &KERNELS[which];
    return &KERNELS[MIXER_KERNELS_PLAIN];
}

static const MixKernels *kernels = best_kernels();

int mixer_use_kernels(int which)
{
    if (which == MIXER_KERNELS_BEST) {
        kernels = best_kernels();
        return 1;
    }
    if (!kernels_available(which))
        return 0;
    kernels = &KERNELS[which];
    return 1;
}

// The frames the voice's gain glides for from here: the ramp under way, or a
// new one of ramp_length frames when the gains have changed since it was
// planned (0 when the applied level already is the gain).
static inline int32_t plan_ramp(Voice *v)
{
    if (v->ramp_frames_left > 0 && v->gain_left == v->ramp_target_left &&
        v->gain_right == v->ramp_target_right)
        return v->ramp_frames_left;
    v->ramp_target_left = v->gain_left;
    v->ramp_target_right = v->gain_right;
    const int32_t dl = v->gain_left - (v->ramp_level_left >> 8);
    const int32_t dr = v->gain_right - (v->ramp_level_right >> 8);
    v->ramp_step_left = dl ? (float)dl * INV_255 * ramp_reciprocal : 0.0f;
    v->ramp_step_right = dr ? (float)dr * INV_255 * ramp_reciprocal : 0.0f;
    v->ramp_frames_left = dl || dr ? ramp_length : 0;
    return v->ramp_frames_left;
}

// Mixes `count` frames of the voice from pos into out, under the ramp when
// `ramp` frames of it are left (the caller cut count to at most that), and
// returns the position after them.
static inline uint64_t mix_chunk(Voice *v, float *out, uint64_t pos, uint64_t advance,
                                 int32_t count, int32_t ramp)
{
    const int16_t *data = v->sample->data;
    if (ramp == 0 && !v->gain_left && !v->gain_right && !v->ramp_level_left &&
        !v->ramp_level_right) {
        // Silent (a voice faded out after a hand-over): adding its zeros
        // changes nothing, so only the position moves on.
        return skip_frames(pos, advance, count);
    }
    if (ramp == 0) {
        // The steady kernels get an even count. An odd last frame is mixed
        // alone at the level the ramp left: that is the gain itself once a
        // ramp has run to its end, and differs from it by less than one
        // step only when no ramp was started because that level already
        // rounded to the gain. The stored song's PCM is pinned this way.
        const int32_t even = count & ~1;
        pos = kernels->steady(out, data, pos, advance, even, (float)v->gain_left * INV_255,
                              (float)v->gain_right * INV_255);
        if (count & 1) {
            const float level_left = (float)v->ramp_level_left * INV_256 * INV_255;
            const float level_right = (float)v->ramp_level_right * INV_256 * INV_255;
            pos = mix_steady_plain(out + 2 * even, data, pos, advance, 1, level_left,
                                   level_right);
        }
        return pos;
    }
    float al = (float)v->ramp_level_left * INV_256 * INV_255;
    float ar = (float)v->ramp_level_right * INV_256 * INV_255;
    pos = kernels->ramp(out, data, pos, advance, count, &al, &ar, v->ramp_step_left,
                        v->ramp_step_right);
    v->ramp_level_left = (int32_t)lrintf(al * 255.0f * 256.0f);
    v->ramp_level_right = (int32_t)lrintf(ar * 255.0f * 256.0f);
    v->ramp_frames_left -= count;
    if (v->ramp_frames_left == 0) {
        // Landed: the level is the gain exactly, free of the steps' rounding.
        v->ramp_step_left = 0.0f;
        v->ramp_step_right = 0.0f;
        v->ramp_level_left = v->gain_left * 256;
        v->ramp_level_right = v->gain_right * 256;
    }
    return pos;
}

// The 32.32 position of a voice that has just reached `boundary`. The chunk
// ended less than one step from it, so of all the values the stored 32 whole
// bits may stand for, the one nearest the boundary is the position: below a
// loop start of 0 it is negative, past a far end it may exceed 2^31.
static __int128 position_near(const Voice *v, uint64_t boundary)
{
    const __int128 b = (__int128)boundary << 32;
    const uint64_t pos = (uint64_t)(uint32_t)v->pos_int << 32 | v->pos_frac;
    return b + (int64_t)(pos - (uint64_t)b);
}

// The voice has reached its loop boundary (or its end): a forward loop
// wraps by the loop's length, a ping-pong loop turns, anything else stops.
static void wrap_at_boundary(Voice *v)
{
    const Sample *sample = v->sample;
    const uint64_t start = sample->loop_start;
    const uint64_t end = (uint64_t)sample->loop_start + sample->loop_length;
    if (sample->loop_kind == LOOP_FORWARD) {
        // At or within a frame short of the end (the chunk count may stop a
        // hair before it), so never before the start: one remainder wraps
        // what is past the end and leaves what is short of it.
        const uint32_t whole = (uint32_t)v->pos_int;
        if (sample->loop_length == 0)
            v->sample = nullptr;
        else
            v->pos_int = (int32_t)(start + (whole - start) % sample->loop_length);
    } else if (sample->loop_kind == LOOP_PINGPONG) {
        __int128 p = position_near(v, v->direction == 2 ? start : end);
        reflect(v, (int64_t)start, (int64_t)end, &p);
        v->pos_int = (int32_t)(int64_t)(p >> 32);
        v->pos_frac = (uint32_t)(uint64_t)p;
    } else {
        v->sample = nullptr;
        v->pos_int = 0;
        v->pos_frac = 0;
    }
}

// One voice over `frames` frames, chunk by chunk: each chunk ends at the
// loop boundary, at the end of the gain's ramp, or at the end of the call.
static void mix_voice(Voice *v, float *out, int32_t frames)
{
    int32_t remaining = frames;
    while (remaining > 0 && v->sample) {
        const Sample *sample = v->sample;
        const uint64_t start = sample->loop_start;
        const uint64_t end = (uint64_t)sample->loop_start + sample->loop_length;
        uint64_t pos = (uint64_t)(uint32_t)v->pos_int << 32 | v->pos_frac;
        const uint64_t step = (uint64_t)(uint32_t)v->step_int << 32 | v->step_frac;

        int32_t count = remaining;
        bool at_boundary = false;
        const int64_t to_boundary = frames_to_boundary(v, start, end, pos, step,
                                                       sample->loop_kind == LOOP_FORWARD);
        if (to_boundary >= 0 && to_boundary <= count) {
            count = (int32_t)to_boundary;
            at_boundary = true;
        }
        // A ramp that ends first ends the chunk short of the boundary; the
        // next chunk carries on at the steady gain.
        const int32_t ramp = plan_ramp(v);
        if (ramp > 0 && count > ramp) {
            count = ramp;
            at_boundary = false;
        }

        const uint64_t advance = v->direction == 2 ? (uint64_t)0 - step : step;
        pos = mix_chunk(v, out, pos, advance, count, ramp);
        out += 2 * count;
        remaining -= count;
        v->pos_int = (int32_t)(pos >> 32);
        v->pos_frac = (uint32_t)pos;
        if (at_boundary)
            wrap_at_boundary(v);
    }
}

void mix_voices(float *destination, int32_t frames)
{
    if (frames <= 0)
        return;
    for (int vi = 0; vi < VOICE_COUNT; ++vi)
        mix_voice(&voices[vi], destination, frames);
}

#if defined(MIXER_HAVE_AVX2)
__attribute__((target("avx2"))) static int32_t clip_avx2(int16_t *destination, const float *source,
                                                        int32_t count)
{
    const __m256 low = _mm256_set1_ps(-32768.0f), high = _mm256_set1_ps(32767.0f);
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m256 a = _mm256_min_ps(_mm256_max_ps(_mm256_loadu_ps(source + i), low), high);
        __m256 b = _mm256_min_ps(_mm256_max_ps(_mm256_loadu_ps(source + i + 8), low), high);
        // The pack works within 128-bit halves; the permute puts them in order.
        __m256i packed = _mm256_packs_epi32(_mm256_cvtps_epi32(a), _mm256_cvtps_epi32(b));
        packed = _mm256_permute4x64_epi64(packed, 0xD8);
        _mm256_storeu_si256((__m256i *)(destination + i), packed);
    }
    return i;
}

static const bool clip_wide = kernels_available(MIXER_KERNELS_AVX2);
#endif

void clip_to_pcm16(int16_t *destination, const float *source, int32_t frames)
{
    if (frames <= 0 || !destination || !source)
        return;
    const int32_t count = 2 * frames;
    int32_t i = 0;
#if defined(MIXER_HAVE_AVX2)
    if (clip_wide)
        i = clip_avx2(destination, source, count);
#endif
#if defined(__SSE2__)
    // Converting with the current rounding mode (nearest, ties to even)
    // after the clamp gives what lrintf gives.
    const __m128 low = _mm_set1_ps(-32768.0f), high = _mm_set1_ps(32767.0f);
    for (; i + 8 <= count; i += 8) {
        __m128 a = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i), low), high);
        __m128 b = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i + 4), low), high);
        __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
        _mm_storeu_si128((__m128i *)(destination + i), packed);
    }
#endif
    for (; i < count; ++i) {
        float x = source[i];
        // Clamped before converting, so no float outside the int range is rounded.
        x = x < -32768.0f ? -32768.0f : x > 32767.0f ? 32767.0f : x;
        destination[i] = (int16_t)lrintf(x);
    }
}
