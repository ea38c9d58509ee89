// colour.cpp - operators that change each pixel from the pixels at the same
// place in one or two slots: channel gains, inversion, tone curve, gains in
// HSV and YUV space, doubling multiply, cross-fade, and the combiner with its
// five blend modes.
//
// Call them through a script record (textures/ops.h). They run pixel by
// pixel from the top row, so dst may be one of their sources. Gains are
// p / 128 (128 is unity); weights are p * (1/255) held as floats, so 255 is
// exactly 1. Per-byte tables only hoist the per-pixel expression.
#include <cstring>

#include "textures/ops.h"

// 1/255 and 1/127 as the 32-bit floats the textures were made with.
static const float INV_255 = 0.003921569f;
static const float INV_127 = 0.007874016f;
static const float INV_60 = 0.016666668f;

static float weight255(int p)
{
    return (float)(p * (double)INV_255);
}

static float gain128(int p)
{
    return (float)(p / 128.0);
}

TexPixel lerp_rgb(TexPixel a, TexPixel b, float x)
{
    const float d = (float)(1.0 - x);
    int c[3];
    for (int i = 0; i < 3; ++i) {
        int ca = (int)(a >> (8 * i)) & 255, cb = (int)(b >> (8 * i)) & 255;
        c[i] = clamp_float_byte((float)(d * (double)ca + x * (double)cb));
    }
    return tex_pack(c[0], c[1], c[2], 0);
}

uint8_t blend_channel(int mode, int a, int b)
{
    switch (mode) {
    case 0:
        return clamp_byte(a + b);
    case 1:
        return clamp_byte(a - b);
    case 2:
        return clamp_byte((a * b) >> 8);
    case 3:
        return a < 128 ? clamp_byte((a * b) >> 7) : clamp_byte(255 - (((255 - a) * (255 - b)) >> 7));
    default:
        return b < 128 ? clamp_byte((a * b) >> 7) : clamp_byte(255 - (((255 - a) * (255 - b)) >> 7));
    }
}

void rgb_to_hsv(float r, float g, float b, float *h, float *s, float *v)
{
    const float max = (r > g ? r : g) > b ? (r > g ? r : g) : b;
    const float min = (r < g ? r : g) < b ? (r < g ? r : g) : b;
    *v = max;
    *s = max == 0.0f ? 0.0f : (float)(((double)max - min) / max);
    // A grey pixel has no hue; 0 keeps the later steps free of 0 / 0.
    if (max == min) {
        *h = 0.0f;
        return;
    }
    const double range = (double)max - min;
    double hue;
    if (r == max)
        hue = ((double)g - b) * 60.0 / range;
    else if (g == max)
        hue = ((double)b - r) * 60.0 / range + 120.0;
    else
        hue = ((double)r - g) * 60.0 / range + 240.0;
    float hf = (float)hue;
    if (hf < 0.0f)
        hf = (float)(hf + 360.0);
    *h = hf;
}

void hsv_to_rgb(float h, float s, float v, float *r, float *g, float *b)
{
    if (s == 0.0f) {
        *r = *g = *b = v;
        return;
    }
    const double hh = h == 360.0f ? 0.0 : h * (double)INV_60;
    // Hues from the operators stay below 12 sectors; a wild argument must
    // not overflow the conversion, and lands in the last sector.
    const int sector = hh > -1e9 && hh < 1e9 ? (int)hh : 6;
    const double f = hh - sector;
    const float p = (float)((1.0 - s) * v);
    const float q = (float)((1.0 - f * s) * v);
    const float t = (float)((1.0 - (1.0 - f) * s) * v);
    switch (sector) {
    case 0: *r = v; *g = t; *b = p; break;
    case 1: *r = q; *g = v; *b = p; break;
    case 2: *r = p; *g = v; *b = t; break;
    case 3: *r = p; *g = q; *b = v; break;
    case 4: *r = t; *g = p; *b = v; break;
    // 5, and 6 and above when a hue gain has stretched the circle.
    default: *r = v; *g = p; *b = q; break;
    }
}

int tex_rgb_scale(const TextureOp *op)
{
    uint8_t table[3][256];
    const float gain[3] = {gain128(op->p0), gain128(op->p1), gain128(op->p2)};
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 256; ++c)
            table[i][c] = clamp_float_byte((float)(c * (double)gain[i]));
    const uint8_t *q = tex_slot(op->src_a);
    uint8_t *p = tex_slot(op->dst);
    for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; ++i, p += 4, q += 4) {
        p[0] = table[0][q[0]];
        p[1] = table[1][q[1]];
        p[2] = table[2][q[2]];
    }
    return 1;
}

int tex_invert(const TextureOp *op)
{
    const uint8_t *q = tex_slot(op->src_a);
    uint8_t *p = tex_slot(op->dst);
    for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; ++i, p += 4, q += 4) {
        p[0] = (uint8_t)(255 - q[0]);
        p[1] = (uint8_t)(255 - q[1]);
        p[2] = (uint8_t)(255 - q[2]);
    }
    return 1;
}

int tex_multiply(const TextureOp *op)
{
    const uint8_t *a = tex_slot(op->src_a), *b = tex_slot(op->src_b);
    uint8_t *p = tex_slot(op->dst);
    for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; ++i, p += 4, a += 4, b += 4)
        for (int c = 0; c < 3; ++c)
            p[c] = clamp_float_byte((float)(a[c] * b[c] * (double)INV_127));
    return 1;
}

static TexPixel load(const uint8_t *p)
{
    return tex_pack(p[0], p[1], p[2], p[3]);
}

int tex_blend(const TextureOp *op)
{
    const float w = weight255(op->p0);
    const uint8_t *a = tex_slot(op->src_a), *b = tex_slot(op->src_b);
    uint8_t *p = tex_slot(op->dst);
    for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; ++i, p += 4, a += 4, b += 4)
        tex_store(p, lerp_rgb(load(a), load(b), w));
    return 1;
}

int tex_curve(const TextureOp *op)
{
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) {
        const double t = i * (double)INV_255, u = 1.0 - t;
        table[i] = clamp_float_byte((float)(u * u * u * op->p0 + 3.0 * u * u * t * op->p1 +
                                            3.0 * u * t * t * op->p2 + t * t * t * op->p3));
    }
    const uint8_t *q = tex_slot(op->src_a);
    uint8_t *p = tex_slot(op->dst);
    for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; ++i, p += 4, q += 4) {
        p[0] = table[q[0]];
        p[1] = table[q[1]];
        p[2] = table[q[2]];
    }
    return 1;
}

// One pixel of tex_hsv_scale.
static uint32_t hsv_scale_pixel(int r0, int g0, int b0, int hue_gain, int saturation_gain, int value_gain)
{
    float h, s, v, r, g, b;
    rgb_to_hsv((float)r0, (float)g0, (float)b0, &h, &s, &v);
    h = (float)(h * hue_gain / 128.0);
    s = (float)(s * saturation_gain / 128.0);
    v = (float)(v * value_gain / 128.0);
    hsv_to_rgb(h, s, v, &r, &g, &b);
    return tex_pack(clamp_float_byte(r), clamp_float_byte(g), clamp_float_byte(b), 0);
}

int tex_hsv_scale(const TextureOp *op)
{
    // The result is a function of the colour alone, and the script's
    // pictures repeat colours a lot (grey pictures hold at most 256): the
    // last result for each of 4096 hashed colours is remembered. An entry
    // holds the colour with bit 24 set, so an empty (zero) entry never
    // matches.
    static uint32_t seen[4096], made[4096];
    memset(seen, 0, sizeof seen);
    const uint8_t *q = tex_slot(op->src_a);
    uint8_t *p = tex_slot(op->dst);
    for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; ++i, p += 4, q += 4) {
        const uint32_t key = (uint32_t)q[0] | (uint32_t)q[1] << 8 | (uint32_t)q[2] << 16 | 1u << 24;
        const uint32_t at = (key * 2654435761u) >> 20;
        if (seen[at] != key) {
            seen[at] = key;
            made[at] = hsv_scale_pixel(q[0], q[1], q[2], op->p0, op->p1, op->p2);
        }
        p[0] = (uint8_t)made[at];
        p[1] = (uint8_t)(made[at] >> 8);
        p[2] = (uint8_t)(made[at] >> 16);
    }
    return 1;
}

// Fills out[b] = blend_channel(mode, a, b) for every b, one mode per loop.
static void blend_row(int mode, int a, uint8_t out[256])
{
    switch (mode) {
    case 0:
        for (int b = 0; b < 256; ++b)
            out[b] = (uint8_t)(a + b > 255 ? 255 : a + b);
        break;
    case 1:
        for (int b = 0; b < 256; ++b)
            out[b] = (uint8_t)(a - b < 0 ? 0 : a - b);
        break;
    case 2:
        for (int b = 0; b < 256; ++b)
            out[b] = (uint8_t)((a * b) >> 8);
        break;
    case 3:
        for (int b = 0; b < 256; ++b)
            out[b] = a < 128 ? clamp_byte((a * b) >> 7) : clamp_byte(255 - (((255 - a) * (255 - b)) >> 7));
        break;
    default:
        for (int b = 0; b < 128; ++b)
            out[b] = clamp_byte((a * b) >> 7);
        for (int b = 128; b < 256; ++b)
            out[b] = clamp_byte(255 - (((255 - a) * (255 - b)) >> 7));
        break;
    }
}

int tex_combine(const TextureOp *op)
{
    // Each channel's result depends only on the two source bytes, so all
    // 65536 results are tabled once per call with the arithmetic of
    // lerp_rgb: d * a + w * m, with m the blended byte. At full mix (w is
    // exactly 1, d exactly 0) that arithmetic returns m itself.
    static uint8_t mixed[256][256], result[256][256];
    const float w = weight255(op->p1);
    const float d = (float)(1.0 - w);
    if (w != 1.0f) {
        double wm[256];
        for (int m = 0; m < 256; ++m)
            wm[m] = w * (double)m;
        for (int a = 0; a < 256; ++a) {
            const double da = d * (double)a;
            for (int m = 0; m < 256; ++m)
                mixed[a][m] = clamp_float_byte((float)(da + wm[m]));
        }
    }
    uint8_t blended[256];
    for (int a = 0; a < 256; ++a) {
        if (w == 1.0f) {
            blend_row(op->p0, a, result[a]);
            continue;
        }
        blend_row(op->p0, a, blended);
        for (int b = 0; b < 256; ++b)
            result[a][b] = mixed[a][blended[b]];
    }
    const uint8_t *a = tex_slot(op->src_a), *b = tex_slot(op->src_b);
    uint8_t *p = tex_slot(op->dst);
    for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE * 4; i += 4) {
        const uint8_t r = result[a[i]][b[i]], g = result[a[i + 1]][b[i + 1]], bl = result[a[i + 2]][b[i + 2]];
        p[i] = r;
        p[i + 1] = g;
        p[i + 2] = bl;
        p[i + 3] = 0;
    }
    return 1;
}

int tex_yuv_scale(const TextureOp *op)
{
    const uint8_t *q = tex_slot(op->src_a);
    uint8_t *p = tex_slot(op->dst);
    for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; ++i, p += 4, q += 4) {
        const int r = q[0], g = q[1], b = q[2];
        float y = (float)(0.299f * (double)r + 0.587f * (double)g + 0.114f * (double)b);
        float u = (float)(0.492f * ((double)b - y));
        float v = (float)(0.877f * ((double)r - y));
        y = (float)(y * op->p0 / 128.0);
        u = (float)(u * op->p1 / 128.0);
        v = (float)(v * op->p2 / 128.0);
        p[0] = clamp_float_byte((float)(y + 1.14f * (double)v));
        p[1] = clamp_float_byte((float)(y - 0.394f * (double)u - 0.581f * (double)v));
        p[2] = clamp_float_byte((float)(y + 2.032f * (double)u));
    }
    return 1;
}
