// spatial.cpp - operators that move pixels of one slot into another: the
// sine-wave warp, the map-driven displacement, the wrapped shift and the
// two-pass box blur, with the coordinate wraps and the bilinear sampler.
//
// Call them through a script record (textures/ops.h). The warp, displacement
// and shift sample src_a while writing dst, so the two must differ; the blur
// goes through slot 4 and may write over its own source.
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "textures/ops.h"

static const float SINE_PERIOD = 6.283f;

// The per-sample helpers below must be inlined into the row loops, which
// are most of the script's time.
#define TEX_INLINE inline __attribute__((always_inline))

static TEX_INLINE float wrap_period255(float x)
{
    while (x > 255.0f)
        x -= 255.0f;
    while (x < 0.0f)
        x += 255.0f;
    return x;
}

float wrap255f(float x)
{
    // Far outside the range (or not finite) the subtractions would go on for
    // ever, one at a time or without changing x at all.
    if (!(x >= -65536.0f && x <= 65536.0f))
        return 0.0f;
    return wrap_period255(x);
}

int wrap255i(int n)
{
    long long v = n;  // 254 - n must not overflow for the most negative n
    if (v > 255)
        v = ((v - 1) % 255) + 1;
    if (v < 0)
        v = v + 255 * ((254 - v) / 255);
    return (int)v;
}

// The bilinear value of one channel at weights fx, fy (gx = 1 - fx, gy = 1 - fy),
// in the order of operations that every sample must use.
static TEX_INLINE uint8_t bilinear_channel(int p00, int p10, int p01, int p11, double fx, double gx,
                                       double fy, double gy)
{
    return clamp_float_byte((float)(fy * (p01 * gx + p11 * fx) + gy * (p00 * gx + p10 * fx)));
}

// sample_bilinear for coordinates the wraps produce (0 <= x, y <= 255),
// written into p with alpha 0. The warps spend most of the script's time
// here, so on x86-64 the channels are computed two at a time; each lane does
// the same IEEE double operations in the same order as bilinear_channel, so
// the bytes are the same (the warp tests compare the two).
#if defined(__SSE2__)
static TEX_INLINE void widen_corner(uint32_t bytes, __m128d *rg, __m128d *ba)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i w = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)bytes), zero), zero);
    *rg = _mm_cvtepi32_pd(w);
    *ba = _mm_cvtepi32_pd(_mm_shuffle_epi32(w, 0xEE));
}

static TEX_INLINE __m128d bilinear_lanes(__m128d p00, __m128d p10, __m128d p01, __m128d p11, __m128d fx,
                                         __m128d gx, __m128d fy, __m128d gy)
{
    const __m128d bottom = _mm_add_pd(_mm_mul_pd(p01, gx), _mm_mul_pd(p11, fx));
    const __m128d top = _mm_add_pd(_mm_mul_pd(p00, gx), _mm_mul_pd(p10, fx));
    return _mm_add_pd(_mm_mul_pd(fy, bottom), _mm_mul_pd(gy, top));
}
#endif

static TEX_INLINE uint32_t load_pixel(const uint8_t *p)
{
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}

// Red, green and blue of a pixel loaded whole, whatever the byte order.
static const uint8_t RGB_BYTES[4] = {255, 255, 255, 0};

static TEX_INLINE void bilinear_into(uint8_t *p, const uint8_t *src, int32_t at00, int32_t at10, int32_t at01,
                                     int32_t at11, float fx, float fy)
{
    const uint8_t *p00 = src + at00, *p10 = src + at10, *p01 = src + at01, *p11 = src + at11;
    const uint32_t c00 = load_pixel(p00), c10 = load_pixel(p10), c01 = load_pixel(p01), c11 = load_pixel(p11);
    // Four equal corners give that colour back exactly: the weights sum to 1
    // within a few double roundings, far below the float rounding of the
    // result, so the bilinear value rounds to the integer itself. Flat areas
    // are most of what the script warps.
    const uint32_t rgb = load_pixel(RGB_BYTES);
    if ((((c00 ^ c10) | (c00 ^ c01) | (c00 ^ c11)) & rgb) == 0) {
        const uint32_t out = c00 & rgb;
        memcpy(p, &out, 4);
        return;
    }
#if defined(__SSE2__)
    const __m128d vfx = _mm_set1_pd(fx), vgx = _mm_set1_pd(1.0 - fx);
    const __m128d vfy = _mm_set1_pd(fy), vgy = _mm_set1_pd(1.0 - fy);
    __m128d rg00, ba00, rg10, ba10, rg01, ba01, rg11, ba11;
    widen_corner(c00, &rg00, &ba00);
    widen_corner(c10, &rg10, &ba10);
    widen_corner(c01, &rg01, &ba01);
    widen_corner(c11, &rg11, &ba11);
    const __m128d rg = bilinear_lanes(rg00, rg10, rg01, rg11, vfx, vgx, vfy, vgy);
    const __m128d ba = bilinear_lanes(ba00, ba10, ba01, ba11, vfx, vgx, vfy, vgy);
    // clamp_float_byte on four lanes: max(x, 0) gives 0 for NaN, then the
    // upper clamp and truncation.
    __m128 f = _mm_movelh_ps(_mm_cvtpd_ps(rg), _mm_cvtpd_ps(ba));
    f = _mm_min_ps(_mm_max_ps(f, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    const __m128i i = _mm_cvttps_epi32(f);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(i, i), _mm_setzero_si128());
    const uint32_t out = (uint32_t)_mm_cvtsi128_si32(bytes) & rgb;
    memcpy(p, &out, 4);
#else
    const double gx = 1.0 - fx, gy = 1.0 - fy;
    p[0] = bilinear_channel(p00[0], p10[0], p01[0], p11[0], fx, gx, fy, gy);
    p[1] = bilinear_channel(p00[1], p10[1], p01[1], p11[1], fx, gx, fy, gy);
    p[2] = bilinear_channel(p00[2], p10[2], p01[2], p11[2], fx, gx, fy, gy);
    p[3] = 0;
#endif
}

TexPixel sample_bilinear(int slot, float x, float y)
{
    const int ix = (int)floor(x), iy = (int)floor(y);
    const float fx = x - (float)ix, fy = y - (float)iy;
    // Masking keeps a caller's out-of-range coordinate inside the slot; for
    // 0 <= x, y < 256 it changes nothing.
    const int x0 = ix & 255, y0 = iy & 255;
    const int x1 = (ix + 1) & 255, y1 = (iy + 1) & 255;
    const uint8_t *p00 = tex_pixel(slot, x0, y0), *p10 = tex_pixel(slot, x1, y0);
    const uint8_t *p01 = tex_pixel(slot, x0, y1), *p11 = tex_pixel(slot, x1, y1);
    const double gx = 1.0 - fx, gy = 1.0 - fy;
    uint8_t c[3];
    for (int i = 0; i < 3; ++i)
        c[i] = bilinear_channel(p00[i], p10[i], p01[i], p11[i], fx, gx, fy, gy);
    return tex_pack(c[0], c[1], c[2], 0);
}

// Wraps a row of coordinates, each known to lie within one period of the
// range, as the warps' coordinates do (shifts of at most 128 pixels): the
// loops of wrap_period255 then take at most one step. Subtracting or adding
// a masked 255 (or 0, which changes nothing) does that step four at a time.
static void wrap_row(float w[TEXTURE_SIZE])
{
#if defined(__SSE2__)
    const __m128 period = _mm_set1_ps(255.0f), zero = _mm_setzero_ps();
    for (int x = 0; x < TEXTURE_SIZE; x += 4) {
        __m128 c = _mm_loadu_ps(w + x);
        c = _mm_sub_ps(c, _mm_and_ps(_mm_cmpgt_ps(c, period), period));
        c = _mm_add_ps(c, _mm_and_ps(_mm_cmplt_ps(c, zero), period));
        _mm_storeu_ps(w + x, c);
    }
#else
    for (int x = 0; x < TEXTURE_SIZE; ++x)
        w[x] = wrap_period255(w[x]);
#endif
}

// Where a row of samples reads: the byte offsets of the four corners of
// each sample in its slot and the fractions between them.
struct SampleRow {
    int32_t at00[TEXTURE_SIZE], at10[TEXTURE_SIZE], at01[TEXTURE_SIZE], at11[TEXTURE_SIZE];
    float fx[TEXTURE_SIZE], fy[TEXTURE_SIZE];
};

// u and v wrapped into 0..255, where truncation is floor.
static void sample_row_set(SampleRow *row, const float *u, const float *v)
{
#if defined(__SSE2__)
    const __m128i one = _mm_set1_epi32(1), mask = _mm_set1_epi32(255);
    for (int x = 0; x < TEXTURE_SIZE; x += 4) {
        const __m128 cu = _mm_loadu_ps(u + x), cv = _mm_loadu_ps(v + x);
        const __m128i ix = _mm_cvttps_epi32(cu), iy = _mm_cvttps_epi32(cv);
        _mm_storeu_ps(row->fx + x, _mm_sub_ps(cu, _mm_cvtepi32_ps(ix)));
        _mm_storeu_ps(row->fy + x, _mm_sub_ps(cv, _mm_cvtepi32_ps(iy)));
        const __m128i x1 = _mm_and_si128(_mm_add_epi32(ix, one), mask);
        const __m128i y1 = _mm_and_si128(_mm_add_epi32(iy, one), mask);
        const __m128i r0 = _mm_slli_epi32(iy, 10), r1 = _mm_slli_epi32(y1, 10);
        const __m128i c0 = _mm_slli_epi32(ix, 2), c1 = _mm_slli_epi32(x1, 2);
        _mm_storeu_si128((__m128i *)(row->at00 + x), _mm_add_epi32(r0, c0));
        _mm_storeu_si128((__m128i *)(row->at10 + x), _mm_add_epi32(r0, c1));
        _mm_storeu_si128((__m128i *)(row->at01 + x), _mm_add_epi32(r1, c0));
        _mm_storeu_si128((__m128i *)(row->at11 + x), _mm_add_epi32(r1, c1));
    }
#else
    for (int x = 0; x < TEXTURE_SIZE; ++x) {
        const int32_t ix = (int32_t)u[x], iy = (int32_t)v[x];
        row->fx[x] = u[x] - (float)ix;
        row->fy[x] = v[x] - (float)iy;
        const int32_t x1 = (ix + 1) & 255, y1 = (iy + 1) & 255;
        row->at00[x] = iy * 1024 + ix * 4;
        row->at10[x] = iy * 1024 + x1 * 4;
        row->at01[x] = y1 * 1024 + ix * 4;
        row->at11[x] = y1 * 1024 + x1 * 4;
    }
#endif
}

static void sample_row(uint8_t *p, const uint8_t *src, const SampleRow *row)
{
    for (int x = 0; x < TEXTURE_SIZE; ++x, p += 4)
        bilinear_into(p, src, row->at00[x], row->at10[x], row->at01[x], row->at11[x], row->fx[x], row->fy[x]);
}

// One destination row of a warp: u and v (wrapped here, in place) say where
// each pixel samples src.
static void sample_wrapped_row(uint8_t *p, const uint8_t *src, float *u, float *v)
{
    SampleRow row;
    wrap_row(u);
    wrap_row(v);
    sample_row_set(&row, u, v);
    sample_row(p, src, &row);
}

int tex_sine_warp(const TextureOp *op)
{
    const float ax = (float)(op->p0 - 128), ay = (float)(op->p1 - 128);
    // The shift of a row (and of a column) is the same double for every
    // pixel of it, so it is computed once.
    double row_shift[TEXTURE_SIZE], column_shift[TEXTURE_SIZE];
    for (int i = 0; i < TEXTURE_SIZE; ++i) {
        const double wave = sin(i * (double)SINE_PERIOD / 256.0);
        row_shift[i] = wave * ax;
        column_shift[i] = wave * ay;
    }
    const uint8_t *src = tex_slot(op->src_a);
    float u[TEXTURE_SIZE], v[TEXTURE_SIZE];
    for (int y = 0; y < TEXTURE_SIZE; ++y) {
        for (int x = 0; x < TEXTURE_SIZE; ++x) {
            u[x] = (float)(x + row_shift[y]);
            v[x] = (float)(y + column_shift[x]);
        }
        sample_wrapped_row(tex_pixel(op->dst, 0, y), src, u, v);
    }
    return 1;
}

int tex_displace(const TextureOp *op)
{
    const float kx = (float)(op->p0 - 128), ky = (float)(op->p1 - 128);
    const uint8_t *src = tex_slot(op->src_a);
    float u[TEXTURE_SIZE], v[TEXTURE_SIZE];
    for (int y = 0; y < TEXTURE_SIZE; ++y) {
        // A map byte moves the sample point by at most 255 * 128 / 256
        // pixels, within one period.
        const uint8_t *q = tex_pixel(op->src_b, 0, y);
        for (int x = 0; x < TEXTURE_SIZE; ++x, q += 4) {
            int m = q[0] > q[1] ? q[0] : q[1];
            m = q[2] > m ? q[2] : m;
            // Dividing by 256 and multiplying by 1/256 are the same exact
            // scaling by a power of two; the multiply is much cheaper.
            u[x] = (float)(m * (double)kx * (1.0 / 256.0) + x);
            v[x] = (float)(m * (double)ky * (1.0 / 256.0) + y);
        }
        sample_wrapped_row(tex_pixel(op->dst, 0, y), src, u, v);
    }
    return 1;
}

int tex_shift(const TextureOp *op)
{
    for (int y = 0; y < TEXTURE_SIZE; ++y) {
        uint8_t *p = tex_pixel(op->dst, 0, y);
        for (int x = 0; x < TEXTURE_SIZE; ++x, p += 4) {
            const uint8_t *q = tex_pixel(op->src_a, (x + op->p0) & 255, (y + op->p1) & 255);
            p[0] = q[0];
            p[1] = q[1];
            p[2] = q[2];
        }
    }
    return 1;
}

// The running sum of box_blur_pass covers line positions k = j - half to
// j + half - 1, each read at wrap255i(k): output j is the sum of that window
// times 1 / (c + 1), so each pass also darkens by 2 * half / (c + 1).
// Where a blur pass's window gains and loses a line as it moves on: the
// window of output j covers lines j - half to j + half - 1 (wrapped).
struct BlurWindow {
    int half;
    int add_at[TEXTURE_SIZE], sub_at[TEXTURE_SIZE];
    const uint8_t *level;  // a window sum's scaled byte
};

static void blur_rows(int dst, int src, const BlurWindow &w)
{
    for (int y = 0; y < TEXTURE_SIZE; ++y) {
        const uint8_t *in = tex_pixel(src, 0, y);
        uint8_t *out = tex_pixel(dst, 0, y);
        int sr = 0, sg = 0, sb = 0;
        for (int k = -w.half; k < w.half; ++k) {
            const uint8_t *q = in + wrap255i(k) * 4;
            sr += q[0];
            sg += q[1];
            sb += q[2];
        }
        for (int j = 0; j < TEXTURE_SIZE; ++j) {
            out[j * 4 + 0] = w.level[sr];
            out[j * 4 + 1] = w.level[sg];
            out[j * 4 + 2] = w.level[sb];
            const uint8_t *a = in + w.add_at[j] * 4, *s = in + w.sub_at[j] * 4;
            sr += a[0] - s[0];
            sg += a[1] - s[1];
            sb += a[2] - s[2];
        }
    }
}

// Every column's running sum advances together, row by row. The sums are
// integers, so this gives exactly the column-by-column result while
// reading whole rows.
static void blur_columns(int dst, int src, const BlurWindow &w)
{
    int sum[TEXTURE_SIZE * 4] = {};
    for (int k = -w.half; k < w.half; ++k) {
        const uint8_t *q = tex_pixel(src, 0, wrap255i(k));
        for (int i = 0; i < TEXTURE_SIZE * 4; ++i)
            sum[i] += q[i];
    }
    for (int j = 0; j < TEXTURE_SIZE; ++j) {
        uint8_t *out = tex_pixel(dst, 0, j);
        for (int x = 0; x < TEXTURE_SIZE; ++x) {
            out[x * 4 + 0] = w.level[sum[x * 4 + 0]];
            out[x * 4 + 1] = w.level[sum[x * 4 + 1]];
            out[x * 4 + 2] = w.level[sum[x * 4 + 2]];
        }
        const uint8_t *a = tex_pixel(src, 0, w.add_at[j]), *s = tex_pixel(src, 0, w.sub_at[j]);
        for (int i = 0; i < TEXTURE_SIZE * 4; ++i)
            sum[i] += a[i] - s[i];
    }
}

void box_blur_pass(int dst, int src, int c, int direction)
{
    // Reading a line while overwriting it would break the running sum, and a
    // size outside a byte's range would take it outside the table below.
    if (dst == src || c < 0 || c > 255)
        return;
    BlurWindow window;
    window.half = c / 2;
    const float scale = (float)(1.0 / (c + 1));
    // A window sum lies in 0 .. 2 * half * 255; its scaled byte is tabled once.
    static uint8_t level[2 * 127 * 255 + 1];
    for (int sum = 0; sum <= 2 * window.half * 255; ++sum)
        level[sum] = clamp_float_byte((float)(sum * (double)scale));
    window.level = level;
    for (int j = 0; j < TEXTURE_SIZE; ++j) {
        window.add_at[j] = wrap255i(j + window.half);
        window.sub_at[j] = wrap255i(j - window.half);
    }
    if (direction == BLUR_HORIZONTAL)
        blur_rows(dst, src, window);
    else
        blur_columns(dst, src, window);
}

int tex_blur(const TextureOp *op)
{
    // Slot 4 is the scratch image between the two passes.
    if (op->src_a == TEXTURE_BLUR_SLOT || op->dst == TEXTURE_BLUR_SLOT)
        return 0;
    box_blur_pass(TEXTURE_BLUR_SLOT, op->src_a, op->p0, BLUR_HORIZONTAL);
    box_blur_pass(op->dst, TEXTURE_BLUR_SLOT, op->p0, BLUR_VERTICAL);
    return 1;
}
