// generators.cpp - operators that fill a slot from their parameters alone:
// clear, sine plasma, value noise, radial glow, checker, midpoint-displacement
// plasma and cellular distance field.
//
// Call them through a script record (textures/ops.h). Random generators seed
// crt_srand themselves, so their pictures never depend on other users of the
// generator. Lookup tables below only hoist a computation out of a loop; each
// entry is computed by the same expression the pixel would use, so a table
// never changes a byte.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "support/crt_rand.h"
#include "textures/ops.h"

// The textures were made with 6.283 and 3.1415 as 32-bit floats, not with
// 2*pi and pi; the small error shows in the pictures and has to be kept.
static const float SINE_PERIOD = 6.283f;
static const float COSINE_HALF_PERIOD = 3.1415f;

int tex_clear(const TextureOp *op)
{
    memset(tex_slot(op->dst), 0, TEXTURE_SLOT_BYTES);
    return 1;
}

int tex_sine_plasma(const TextureOp *op)
{
    float ka = (float)(op->p0 * (double)SINE_PERIOD / 256.0);
    float kb = (float)(op->p1 * (double)SINE_PERIOD / 256.0);
    double cos_x[TEXTURE_SIZE];
    for (int x = 0; x < TEXTURE_SIZE; ++x)
        cos_x[x] = cos(x * (double)ka);
    for (int y = 0; y < TEXTURE_SIZE; ++y) {
        double s = sin(y * (double)kb);
        uint8_t *p = tex_pixel(op->dst, 0, y);
        for (int x = 0; x < TEXTURE_SIZE; ++x, p += 4) {
            uint8_t v = clamp_byte((int)((cos_x[x] + s) * 63.5 + 127.0));
            p[0] = p[1] = p[2] = v;
        }
    }
    return 1;
}

// The cosine weight of t: 0 at t = 0, rising to (almost) 1 at t = 1.
static double cosine_weight(float t)
{
    return (1.0 - cos(t * (double)COSINE_HALF_PERIOD)) * 0.5;
}

static uint8_t cosine_mix(int a, int b, double c)
{
    return clamp_float_byte((float)((1.0 - c) * a + c * b));
}

uint8_t cosine_lerp(TexPixel a, TexPixel b, float t)
{
    return cosine_mix((int)(a & 255), (int)(b & 255), cosine_weight(t));
}

int tex_noise(const TextureOp *op)
{
    const int lattice = 2 << (op->p0 & 3);
    const int step = TEXTURE_SIZE / lattice;
    crt_srand((uint32_t)(op->p1 * 256 + op->p2));
    for (int y = 0; y < TEXTURE_SIZE; y += step)
        for (int x = 0; x < TEXTURE_SIZE; x += step) {
            uint8_t *p = tex_pixel(op->dst, x, y);
            // Green and blue are drawn only to keep their place in the
            // random sequence: only red shapes the noise.
            p[0] = (uint8_t)(crt_rand() % 255);
            p[1] = (uint8_t)(crt_rand() % 255);
            p[2] = (uint8_t)(crt_rand() % 255);
        }

    double weight[TEXTURE_SIZE / 2];
    for (int i = 0; i < step; ++i)
        weight[i] = cosine_weight((float)i / (float)step);

    // Cells are filled in the order they were drawn; each cell rewrites its
    // own lattice point with the same red value (weight 0 returns a), so the
    // last row and column of cells still see the lattice they wrap onto.
    for (int y0 = 0; y0 < TEXTURE_SIZE; y0 += step)
        for (int x0 = 0; x0 < TEXTURE_SIZE; x0 += step) {
            int x1 = (x0 + step) & 255, y1 = (y0 + step) & 255;
            int c00 = tex_pixel(op->dst, x0, y0)[0], c10 = tex_pixel(op->dst, x1, y0)[0];
            int c01 = tex_pixel(op->dst, x0, y1)[0], c11 = tex_pixel(op->dst, x1, y1)[0];
            for (int i = 0; i < step; ++i) {
                int a = cosine_mix(c00, c01, weight[i]);
                int b = cosine_mix(c10, c11, weight[i]);
                uint8_t *p = tex_pixel(op->dst, x0, y0 + i);
                for (int j = 0; j < step; ++j, p += 4)
                    {
                    int v = cosine_mix(a, b, weight[j]);
                    tex_store(p, tex_pack(v, v, v, 0));
                }
            }
        }
    return 1;
}

int tex_radial(const TextureOp *op)
{
    const float kr = op->p0 / 128.0f, kg = op->p1 / 128.0f, kb = op->p2 / 128.0f;
    // u and v step by 1/128 from -1, so u*u + v*v is exactly
    // (du*du + dv*dv) / 16384 with du, dv the column and row distances from
    // the centre in pixels: the glow is computed once per distance pair.
    static float glow[129][129];
    for (int dv = 0; dv <= 128; ++dv) {
        float v = (float)dv / 128.0f;
        float w = v * v;
        for (int du = 0; du <= 128; ++du) {
            float u = (float)du / 128.0f;
            glow[dv][du] = (float)(1.0 - sin(sqrt((double)u * u + w)));
        }
    }
    for (int y = 0; y < TEXTURE_SIZE; ++y) {
        const float *row = glow[abs(y - 128)];
        uint8_t *p = tex_pixel(op->dst, 0, y);
        for (int x = 0; x < TEXTURE_SIZE; ++x, p += 4) {
            float s = row[abs(x - 128)];
            p[0] = clamp_byte((int)(s * (double)kr * 255.0));
            p[1] = clamp_byte((int)(s * (double)kg * 255.0));
            p[2] = clamp_byte((int)(s * (double)kb * 255.0));
        }
    }
    return 1;
}

int tex_checker(const TextureOp *op)
{
    const int w = op->p0 ? TEXTURE_SIZE / op->p0 : TEXTURE_SIZE;
    const int h = op->p1 ? TEXTURE_SIZE / op->p1 : TEXTURE_SIZE;
    for (int y = 0; y < TEXTURE_SIZE; ++y) {
        uint8_t *p = tex_pixel(op->dst, 0, y);
        for (int x = 0; x < TEXTURE_SIZE; ++x, p += 4)
            tex_store(p, (((y / h) ^ (x / w)) & 1) ? tex_pack(255, 255, 255, 0) : 0);
    }
    return 1;
}

// A plasma point of the slot at pixels; a coordinate of 256 stands for 0 so
// that the plasma tiles.
static inline uint8_t *plasma_at(uint8_t *pixels, int x, int y)
{
    return pixels + (y & 255) * 1024 + (x & 255) * 4;
}

static inline void plasma_point(uint8_t *p, int base, int amp, int half)
{
    // The draw is made even for a point that is already set, so the random
    // sequence does not depend on which points were set before.
    int value = crt_rand() % amp + base - half;
    if (value < 1)
        value = 1;
    if (value > 255)
        value = 255;
    if (p[0] == 0)
        p[0] = p[1] = p[2] = (uint8_t)value;
}

static void plasma_square(uint8_t *pixels, int x0, int y0, int x1, int y1, int amp)
{
    if (amp == 0)
        amp = 1;
    const int a = plasma_at(pixels, x0, y0)[0], b = plasma_at(pixels, x1, y0)[0];
    const int c = plasma_at(pixels, x0, y1)[0], d = plasma_at(pixels, x1, y1)[0];
    const int mx = x0 + (x1 - x0) / 2, my = y0 + (y1 - y0) / 2;
    const int half = amp >> 1;
    plasma_point(plasma_at(pixels, mx, y0), (a + b) / 2, amp, half);
    plasma_point(plasma_at(pixels, mx, y1), (c + d) / 2, amp, half);
    plasma_point(plasma_at(pixels, x0, my), (c + a) / 2, amp, half);
    plasma_point(plasma_at(pixels, x1, my), (d + b) / 2, amp, half);
    plasma_point(plasma_at(pixels, mx, my), (a + b + c + d) / 4, amp, half);
    if (x1 - x0 > 2) {
        plasma_square(pixels, x0, y0, mx, my, half);
        plasma_square(pixels, mx, y0, x1, my, half);
        plasma_square(pixels, x0, my, mx, y1, half);
        plasma_square(pixels, mx, my, x1, y1, half);
    }
}

void plasma_subdivide(int dst, int x0, int y0, int x1, int y1, int amp)
{
    plasma_square(tex_slot(dst), x0, y0, x1, y1, amp);
}

int tex_plasma(const TextureOp *op)
{
    const int amp = op->p0 * 256 + op->p1;
    crt_srand(0);
    // Red 0 marks a pixel not yet set; every value written is 1..255.
    uint8_t *p = tex_slot(op->dst);
    for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; ++i)
        p[i * 4] = 0;
    const uint8_t v = (uint8_t)(crt_rand() & 255);
    p[0] = p[1] = p[2] = v;
    plasma_square(p, 0, 0, 256, 256, amp);
    return 1;
}

// Squared wrapped distances from a point coordinate to every column (or
// row), less bias. The wrap has period 255: a distance above 128 becomes
// 255 - d, so a square is at most 16384 and a sum of two at most 32768.
// Column squares are kept less CELL_BIAS so that the sums fit 16-bit lanes.
static const int CELL_BIAS = 16384;

static void cell_distances(int at, int bias, int16_t out[TEXTURE_SIZE])
{
    for (int x = 0; x < TEXTURE_SIZE; ++x) {
        int d = abs(at - x);
        if (d > 128)
            d = 255 - d;
        out[x] = (int16_t)(d * d - bias);
    }
}

// The scattered points of a cell texture, kept as their squared distances
// to every column (less CELL_BIAS) and row. At most 255 points: fixed-size
// static scratch, so there is no allocation to fail.
struct CellPoints {
    int count;
    int16_t dx2[255][TEXTURE_SIZE], dy2[255][TEXTURE_SIZE];
};

// Places count points from the seed; returns the largest squared distance
// any pixel can have from its nearest point's axes (the brightness scale).
static int32_t cell_points_place(CellPoints *points, int count, uint32_t seed)
{
    crt_srand(seed);
    points->count = count;
    int32_t far2 = 0;
    for (int k = 0; k < count; ++k) {
        int px = crt_rand() % 256;
        int py = crt_rand() % 256;
        cell_distances(px, CELL_BIAS, points->dx2[k]);
        cell_distances(py, 0, points->dy2[k]);
        int32_t fx = -CELL_BIAS, fy = 0;
        for (int i = 0; i < TEXTURE_SIZE; ++i) {
            fx = points->dx2[k][i] > fx ? points->dx2[k][i] : fx;
            fy = points->dy2[k][i] > fy ? points->dy2[k][i] : fy;
        }
        far2 = fx + fy + CELL_BIAS > far2 ? fx + fy + CELL_BIAS : far2;
    }
    return far2;
}

// The integer square root of every sum of two wrapped squares. It equals
// the float root truncated: below 182 a root is never within float rounding
// of the next integer up (sqrt(k * k - 1) < k - 1 / (2 * k)).
static const uint8_t *integer_roots()
{
    static uint8_t root[2 * 128 * 128 + 1];
    static bool made;
    if (!made) {
        for (int s = 0, k = 0; s <= 2 * 128 * 128; ++s) {
            while ((k + 1) * (k + 1) <= s)
                ++k;
            root[s] = (uint8_t)k;
        }
        made = true;
    }
    return root;
}

// Writes each pixel's distance to its nearest point, as an integer, into
// the red bytes of dst; returns the smallest squared distance of all.
static int cell_nearest_roots(const CellPoints *points, uint8_t dst)
{
    const uint8_t *root = integer_roots();
    int nearest2 = 2 * 128 * 128;
    int16_t near2[TEXTURE_SIZE];
    for (int y = 0; y < TEXTURE_SIZE; ++y) {
        for (int x = 0; x < TEXTURE_SIZE; ++x)
            near2[x] = INT16_MAX;
        for (int k = 0; k < points->count; ++k) {
            const int16_t dy = points->dy2[k][y];
            const int16_t *dx = points->dx2[k];
            for (int x = 0; x < TEXTURE_SIZE; ++x) {
                const int16_t d = (int16_t)(dx[x] + dy);
                near2[x] = d < near2[x] ? d : near2[x];
            }
        }
        uint8_t *p = tex_pixel(dst, 0, y);
        for (int x = 0; x < TEXTURE_SIZE; ++x, p += 4) {
            const int d2 = near2[x] + CELL_BIAS;
            nearest2 = d2 < nearest2 ? d2 : nearest2;
            p[0] = root[d2];
        }
    }
    return nearest2;
}

int tex_cells(const TextureOp *op)
{
    static CellPoints points;
    const int32_t far2 = cell_points_place(&points, op->p0, op->p2);
    uint8_t *pixels = tex_slot(op->dst);

    // No points: nothing to measure a distance to, and the brightness scale
    // (the largest distance) would be zero. The picture is defined black.
    if (points.count == 0) {
        for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; ++i)
            pixels[i * 4] = pixels[i * 4 + 1] = pixels[i * 4 + 2] = 0;
        return 1;
    }

    // Square roots are monotonic and correctly rounded, so the nearest
    // distance is the root of the nearest squared distance and the float
    // minimum and maximum come out exactly as a point-by-point comparison of
    // the roots would leave them.
    const int nearest2 = cell_nearest_roots(&points, op->dst);
    float gmax = 0.0f;
    const double far = sqrt((double)far2);
    if (far > gmax)
        gmax = (float)far;
    float gmin = 255.0f;
    const double nearest = sqrt((double)nearest2);
    if (nearest < gmin)
        gmin = (float)nearest;

    // The distances stretched by the contrast over the range they span.
    const float contrast = (float)(op->p1 / 64.0 + 1.0);
    uint8_t level[256];
    for (int r = 0; r < 256; ++r)
        level[r] = clamp_float_byte((float)((r - (double)gmin) * contrast * 255.0 / gmax));
    for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; ++i)
        pixels[i * 4 + 1] = pixels[i * 4 + 2] = pixels[i * 4] = level[pixels[i * 4]];
    return 1;
}
