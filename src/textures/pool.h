// pool.h - the texture pool, the script record, and the pixel arithmetic
// that every texture operator shares.
//
// Textures are made by operators that read and write five 256x256 RGBA
// working images (slots 0..4; slot 4 is the blur's scratch image). A pixel
// (x, y) of slot s is the four bytes red, green, blue, alpha at
// tex_slot(s) + y * 1024 + x * 4, exactly what OpenGL receives as
// GL_RGBA / GL_UNSIGNED_BYTE with row 0 first.
//
//   uint8_t *p = tex_pixel(1, x, y);     // p[0] red ... p[3] alpha
//   TextureOp op = {TEX_OP_BLUR, 1, 0, 0, 16, 0, 0, 0};
//   tex_blur(&op);                        // operators: see textures/ops.h
//
// Precision: operators compute in double and round to float only where a
// value is kept as a float; clamp_float_byte() takes a float, so a double
// passed to it is rounded to float first and then truncated. Every
// operator keeps to these rules, so its bytes are the same on every machine
// and compiler setting (never build with fast-math or contracted multiply-
// adds). No OpenGL here: the operators run and are tested without a context.
#pragma once

#include <cstdint>

constexpr int TEXTURE_SIZE = 256;
constexpr int TEXTURE_SLOT_BYTES = 0x40000;
constexpr int TEXTURE_SLOT_COUNT = 5;
constexpr int TEXTURE_BLUR_SLOT = 4;

struct TexturePool {
    uint8_t slots[TEXTURE_SLOT_COUNT][TEXTURE_SLOT_BYTES];
};

// Static, zero at start; never cleared between operators.
extern TexturePool texture_pool;

// One script record: eight unsigned bytes.
struct TextureOp {
    uint8_t op;     // index into TEXTURE_OPS
    uint8_t dst;    // destination slot (for tex_upload, the slot uploaded)
    uint8_t src_a;  // first source slot
    uint8_t src_b;  // second source slot, or a third image
    uint8_t p0, p1, p2, p3;
};
static_assert(sizeof(TextureOp) == 8, "script records are 8 bytes");

// An operator; returns 1, or 0 when it refused to run (only an upload with
// no free texture entry does).
typedef int (*TextureOpFn)(const TextureOp *op);

// A packed pixel: red in bits 0..7, green 8..15, blue 16..23, alpha 24..31.
typedef uint32_t TexPixel;

inline uint8_t *tex_slot(int slot)
{
    return texture_pool.slots[slot];
}

inline uint8_t *tex_pixel(int slot, int x, int y)
{
    return texture_pool.slots[slot] + y * 1024 + x * 4;
}

inline TexPixel tex_pack(int r, int g, int b, int a)
{
    return (TexPixel)r | (TexPixel)g << 8 | (TexPixel)b << 16 | (TexPixel)a << 24;
}

inline void tex_store(uint8_t *p, TexPixel c)
{
    p[0] = (uint8_t)c;
    p[1] = (uint8_t)(c >> 8);
    p[2] = (uint8_t)(c >> 16);
    p[3] = (uint8_t)(c >> 24);
}

// int -> 0..255, saturating.
inline uint8_t clamp_byte(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : (uint8_t)v;
}

// float -> 0..255: negative and NaN give 0, above 255 gives 255, else the
// value truncated toward zero.
inline uint8_t clamp_float_byte(float x)
{
    if (!(x >= 0.0f))
        return 0;
    if (x > 255.0f)
        return 255;
    return (uint8_t)(int)x;
}

// Wraps with period 255 (not 256): 255 stays 255, 256 gives 1, -1 gives 254.
float wrap255f(float x);
int wrap255i(int n);

// Bilinear sample of a slot at 0 <= x, y < 256, interpolating across the
// right and bottom edges into column and row 0; alpha of the result is 0.
TexPixel sample_bilinear(int slot, float x, float y);

enum { BLUR_HORIZONTAL = 0, BLUR_VERTICAL = 1 };
// One running-sum box pass of size c (0..255) over red, green and blue;
// alpha kept. dst and src must differ; otherwise the pass does nothing.
void box_blur_pass(int dst, int src, int c, int direction);

// d * a + x * b per channel with d = 1 - x; alpha 0.
TexPixel lerp_rgb(TexPixel a, TexPixel b, float x);
void rgb_to_hsv(float r, float g, float b, float *h, float *s, float *v);
void hsv_to_rgb(float h, float s, float v, float *r, float *g, float *b);
// Five blend modes: 0 add, 1 subtract, 2 multiply, 3 overlay tested on a,
// anything else overlay tested on b.
uint8_t blend_channel(int mode, int a, int b);

// Cosine interpolation of the red bytes of a and b at t (0..1).
uint8_t cosine_lerp(TexPixel a, TexPixel b, float t);
// One level of midpoint displacement into slot dst; recurses down to 2x2.
void plasma_subdivide(int dst, int x0, int y0, int x1, int y1, int amp);
