// ops.h - the twenty texture operators, by family.
//
// Each operator reads the fields of one script record (see TextureOp in
// textures/pool.h) and works on the pool's slots; it returns 1, or 0 when it
// refuses the record: tex_upload when all ten texture entries are taken,
// tex_blur when it names slot 4, its own scratch image. The op numbers
// below are the records' op bytes and the indices of TEXTURE_OPS.
//
//   TextureOp op = {TEX_OP_CHECKER, 0, 0, 0, 0, 3, 0, 0};  // 1 x 3 cells
//   tex_checker(&op);
//
// Generators write dst from their parameters only; spatial operators move
// pixels of src_a into dst (src_a must be another slot, and the blur never
// names slot 4); colour and combine operators work pixel by pixel, so dst may
// be one of their sources. Operators that write only red, green and blue
// keep the alpha byte dst held; tex_noise and tex_checker write alpha 0.
#pragma once

#include "textures/pool.h"

enum TextureOpNumber {
    TEX_OP_CLEAR = 0,
    TEX_OP_SINE_PLASMA = 1,
    TEX_OP_NOISE = 2,
    TEX_OP_RADIAL = 3,
    TEX_OP_CHECKER = 4,
    TEX_OP_SINE_WARP = 5,
    TEX_OP_DISPLACE = 6,
    TEX_OP_MULTIPLY = 7,
    TEX_OP_INVERT = 8,
    TEX_OP_YUV_SCALE = 9,
    TEX_OP_BLEND = 10,
    TEX_OP_CURVE = 11,
    TEX_OP_HSV_SCALE = 12,
    TEX_OP_UPLOAD = 13,
    TEX_OP_BLUR = 14,
    TEX_OP_SHIFT = 15,
    TEX_OP_PLASMA = 16,
    TEX_OP_COMBINE = 17,
    TEX_OP_CELLS = 18,
    TEX_OP_RGB_SCALE = 19,
    TEX_OP_COUNT = 20
};

// Generators (textures/generators.cpp).
int tex_clear(const TextureOp *op);        // RGBA = 0
int tex_sine_plasma(const TextureOp *op);  // p0 periods across, p1 down
int tex_noise(const TextureOp *op);        // p0 & 3 lattice code, seed p1:p2
int tex_radial(const TextureOp *op);       // gains p0, p1, p2 (x128)
int tex_checker(const TextureOp *op);      // p0 cells across, p1 down
int tex_plasma(const TextureOp *op);       // start amplitude p0:p1
int tex_cells(const TextureOp *op);        // p0 points, p1 contrast, p2 seed

// Spatial operators (textures/spatial.cpp).
int tex_sine_warp(const TextureOp *op);  // amplitudes p0 - 128, p1 - 128
int tex_displace(const TextureOp *op);   // map src_b, strengths p0, p1 - 128
int tex_blur(const TextureOp *op);       // box size p0, two passes via slot 4
int tex_shift(const TextureOp *op);      // moves left by p0, up by p1

// Colour and combine operators (textures/colour.cpp).
int tex_multiply(const TextureOp *op);   // doubling multiply of src_a, src_b
int tex_invert(const TextureOp *op);     // 255 - src_a
int tex_yuv_scale(const TextureOp *op);  // Y, U, V gains p0..p2 (x128)
int tex_blend(const TextureOp *op);      // cross-fade to src_b by p0 (x255)
int tex_curve(const TextureOp *op);      // Bezier tone curve p0..p3
int tex_hsv_scale(const TextureOp *op);  // H, S, V gains p0..p2 (x128)
int tex_combine(const TextureOp *op);    // blend mode p0, mix p1 (x255)
int tex_rgb_scale(const TextureOp *op);  // R, G, B gains p0..p2 (x128)
