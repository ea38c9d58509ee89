// spatial.cpp - operators that move pixels of one slot into another: the
// sine-wave warp, the map-driven displacement, the wrapped shift and the
// two-pass box blur, with the coordinate wraps and the bilinear sampler.
//
// Call them through a script record (textures/ops.h). The warp, displacement
// and shift sample src_a while writing dst, so the two must differ; the blur
// goes through slot 4 and may write over its own source.
#include <cmath>

#include "textures/ops.h"

static const float SINE_PERIOD = 6.283f;

float wrap255f(float x)
{
    // The warps feed values within a few hundred of the range; anything far
    // outside (or not finite) would loop for ever, one subtraction at a time.
    if (!(x >= -65536.0f && x <= 65536.0f))
        return 0.0f;
    while (x > 255.0f)
        x -= 255.0f;
    while (x < 0.0f)
        x += 255.0f;
    return x;
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
        c[i] = clamp_float_byte(
            (float)(fy * (p01[i] * gx + p11[i] * (double)fx) + gy * (p00[i] * gx + p10[i] * (double)fx)));
    return tex_pack(c[0], c[1], c[2], 0);
}

int tex_sine_warp(const TextureOp *op)
{
    const float ax = (float)(op->p0 - 128), ay = (float)(op->p1 - 128);
    double wave[TEXTURE_SIZE];
    for (int i = 0; i < TEXTURE_SIZE; ++i)
        wave[i] = sin(i * (double)SINE_PERIOD / 256.0);
    for (int y = 0; y < TEXTURE_SIZE; ++y) {
        uint8_t *p = tex_pixel(op->dst, 0, y);
        for (int x = 0; x < TEXTURE_SIZE; ++x, p += 4) {
            float u = (float)(x + wave[y] * ax);
            float v = (float)(y + wave[x] * ay);
            tex_store(p, sample_bilinear(op->src_a, wrap255f(u), wrap255f(v)));
        }
    }
    return 1;
}

int tex_displace(const TextureOp *op)
{
    const float kx = (float)(op->p0 - 128), ky = (float)(op->p1 - 128);
    for (int y = 0; y < TEXTURE_SIZE; ++y) {
        uint8_t *p = tex_pixel(op->dst, 0, y);
        const uint8_t *q = tex_pixel(op->src_b, 0, y);
        for (int x = 0; x < TEXTURE_SIZE; ++x, p += 4, q += 4) {
            int m = q[0] > q[1] ? q[0] : q[1];
            m = q[2] > m ? q[2] : m;
            float u = wrap255f((float)(m * (double)kx / 256.0 + x));
            float v = wrap255f((float)(m * (double)ky / 256.0 + y));
            tex_store(p, sample_bilinear(op->src_a, u, v));
        }
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
void box_blur_pass(int dst, int src, int c, int direction)
{
    const int half = c / 2;
    const float scale = (float)(1.0 / (c + 1));
    int add_at[TEXTURE_SIZE], sub_at[TEXTURE_SIZE];
    for (int j = 0; j < TEXTURE_SIZE; ++j) {
        add_at[j] = wrap255i(j + half);
        sub_at[j] = wrap255i(j - half);
    }

    if (direction == BLUR_HORIZONTAL) {
        for (int y = 0; y < TEXTURE_SIZE; ++y) {
            const uint8_t *in = tex_pixel(src, 0, y);
            uint8_t *out = tex_pixel(dst, 0, y);
            int sr = 0, sg = 0, sb = 0;
            for (int k = -half; k < half; ++k) {
                const uint8_t *q = in + wrap255i(k) * 4;
                sr += q[0];
                sg += q[1];
                sb += q[2];
            }
            for (int j = 0; j < TEXTURE_SIZE; ++j) {
                out[j * 4 + 0] = clamp_float_byte((float)(sr * (double)scale));
                out[j * 4 + 1] = clamp_float_byte((float)(sg * (double)scale));
                out[j * 4 + 2] = clamp_float_byte((float)(sb * (double)scale));
                const uint8_t *a = in + add_at[j] * 4, *s = in + sub_at[j] * 4;
                sr += a[0] - s[0];
                sg += a[1] - s[1];
                sb += a[2] - s[2];
            }
        }
        return;
    }

    // Vertical: every column's running sum advances together, row by row.
    // The sums are integers, so this gives exactly the column-by-column
    // result while reading whole rows.
    int sum[TEXTURE_SIZE * 4] = {};
    for (int k = -half; k < half; ++k) {
        const uint8_t *q = tex_pixel(src, 0, wrap255i(k));
        for (int i = 0; i < TEXTURE_SIZE * 4; ++i)
            sum[i] += q[i];
    }
    for (int j = 0; j < TEXTURE_SIZE; ++j) {
        uint8_t *out = tex_pixel(dst, 0, j);
        for (int x = 0; x < TEXTURE_SIZE; ++x) {
            out[x * 4 + 0] = clamp_float_byte((float)(sum[x * 4 + 0] * (double)scale));
            out[x * 4 + 1] = clamp_float_byte((float)(sum[x * 4 + 1] * (double)scale));
            out[x * 4 + 2] = clamp_float_byte((float)(sum[x * 4 + 2] * (double)scale));
        }
        const uint8_t *a = tex_pixel(src, 0, add_at[j]), *s = tex_pixel(src, 0, sub_at[j]);
        for (int i = 0; i < TEXTURE_SIZE * 4; ++i)
            sum[i] += a[i] - s[i];
    }
}

int tex_blur(const TextureOp *op)
{
    box_blur_pass(TEXTURE_BLUR_SLOT, op->src_a, op->p0, BLUR_HORIZONTAL);
    box_blur_pass(op->dst, TEXTURE_BLUR_SLOT, op->p0, BLUR_VERTICAL);
    return 1;
}
