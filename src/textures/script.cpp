// script.cpp - the stored texture script and the driver that runs it.
//
// TEXTURE_SCRIPT is the program's ten textures as data: a 16-bit
// little-endian length (counting its own two bytes) and then 8-byte records,
// each naming an operator, its slots and four parameters. The driver runs
// length / 8 records in order through an operator table:
//
//   texture_script_run_with(TEXTURE_OPS, (const TextureOp *)(TEXTURE_SCRIPT + 2),
//                           TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8);
//
// Each texture is built in slots 0..3 and ends with an upload; the records
// read as "operator, dst, src_a, src_b, p0, p1, p2, p3". Fields an operator
// does not read hold leftovers and are kept as they were stored.
#include <cstring>

#include "textures/script.h"

#define REC(op, dst, src_a, src_b, p0, p1, p2, p3) TEX_OP_##op, dst, src_a, src_b, p0, p1, p2, p3

// The eight records that fill slots 0..3 with the sky's layers; the script
// stores them twice, for the sky and again as the base of texture 3.
#define SKY_LAYERS \
    REC(PLASMA, 0, 0, 0, 16, 169, 0, 0), \
    REC(SINE_PLASMA, 1, 0, 0, 0, 1, 0, 0), \
    REC(RGB_SCALE, 2, 1, 0, 62, 96, 186, 0), \
    REC(HSV_SCALE, 3, 2, 0, 128, 69, 128, 0), \
    REC(INVERT, 2, 1, 1, 0, 0, 0, 0), \
    REC(COMBINE, 1, 0, 2, 1, 255, 0, 0), \
    REC(COMBINE, 0, 1, 2, 1, 255, 0, 0), \
    REC(COMBINE, 2, 3, 0, 3, 100, 0, 0)

const uint8_t TEXTURE_SCRIPT[TEXTURE_SCRIPT_BYTES] = {
    TEXTURE_SCRIPT_BYTES & 255, TEXTURE_SCRIPT_BYTES >> 8,
    // texture 0: a 1 x 3 checker turned into red bands on yellow, swirled by eleven sine warps
    REC(CHECKER, 0, 0, 0, 0, 3, 0, 0),
    REC(INVERT, 1, 0, 0, 0, 0, 0, 0),
    REC(RGB_SCALE, 2, 0, 0, 255, 0, 0, 0),
    REC(RGB_SCALE, 3, 1, 0, 255, 255, 0, 0),
    REC(COMBINE, 0, 2, 3, 0, 255, 0, 0),
    REC(SINE_WARP, 1, 0, 3, 0, 186, 0, 0),
    REC(SINE_WARP, 2, 1, 3, 72, 0, 0, 0),
    REC(SINE_WARP, 3, 2, 3, 183, 203, 0, 0),
    REC(SINE_WARP, 0, 3, 3, 38, 124, 0, 0),
    REC(SINE_WARP, 1, 0, 3, 131, 159, 0, 0),
    REC(SINE_WARP, 2, 1, 3, 255, 124, 0, 0),
    REC(SINE_WARP, 3, 2, 3, 72, 159, 0, 0),
    REC(SINE_WARP, 0, 3, 3, 72, 159, 0, 0),
    REC(SINE_WARP, 1, 0, 3, 72, 159, 0, 0),
    REC(SINE_WARP, 2, 1, 3, 128, 141, 0, 0),
    REC(SINE_WARP, 3, 2, 3, 114, 121, 0, 0),
    REC(UPLOAD, 3, 2, 3, 0, 0, 0, 0),
    // texture 1: cloud plasma crossed by warped checker bands; its red is the terrain height
    REC(PLASMA, 0, 0, 0, 4, 138, 0, 0),
    REC(CHECKER, 1, 0, 0, 3, 0, 0, 0),
    REC(SINE_WARP, 2, 1, 0, 196, 0, 0, 0),
    REC(SINE_WARP, 3, 2, 0, 214, 0, 0, 0),
    REC(BLUR, 1, 3, 2, 16, 0, 0, 0),
    REC(HSV_SCALE, 2, 1, 2, 128, 128, 224, 0),
    REC(INVERT, 3, 2, 0, 0, 0, 0, 0),
    REC(COMBINE, 1, 0, 3, 2, 255, 0, 0),
    REC(UPLOAD, 1, 0, 3, 0, 0, 0, 0),
    // texture 2: the sky, a vertical gradient under plasma clouds
    SKY_LAYERS,
    REC(UPLOAD, 2, 3, 0, 0, 0, 0, 0),
    // texture 3: dark grey with a soft glow in the middle. Records 35..42 first
    // rebuild the slots that texture 2 came from (the same seeds, byte for byte).
    SKY_LAYERS,
    REC(CELLS, 0, 0, 0, 26, 128, 0, 0),
    REC(INVERT, 1, 0, 0, 0, 0, 0, 0),
    REC(RGB_SCALE, 0, 1, 0, 179, 152, 128, 0),
    REC(BLUR, 1, 0, 0, 41, 0, 0, 0),
    REC(SINE_WARP, 0, 1, 0, 172, 128, 0, 0),
    REC(SINE_PLASMA, 1, 1, 0, 0, 1, 0, 0),
    REC(COMBINE, 3, 1, 0, 2, 165, 0, 0),
    REC(SHIFT, 0, 2, 0, 0, 131, 0, 0),
    REC(SHIFT, 2, 1, 0, 0, 131, 0, 0),
    REC(COMBINE, 1, 2, 0, 2, 96, 0, 0),
    REC(COMBINE, 0, 1, 3, 3, 255, 0, 0),
    REC(RADIAL, 2, 0, 0, 190, 190, 190, 0),
    REC(COMBINE, 3, 0, 2, 2, 221, 0, 0),
    REC(UPLOAD, 3, 0, 2, 0, 0, 0, 0),
    // texture 4: brown mottled clouds
    REC(CELLS, 0, 0, 0, 32, 62, 87, 0),
    REC(PLASMA, 1, 0, 0, 3, 162, 0, 0),
    REC(PLASMA, 2, 0, 0, 3, 124, 0, 0),
    REC(COMBINE, 3, 1, 2, 0, 162, 0, 0),
    REC(COMBINE, 1, 0, 3, 4, 75, 0, 0),
    REC(INVERT, 0, 1, 3, 0, 0, 0, 0),
    REC(CURVE, 1, 0, 3, 0, 0, 44, 255),
    REC(RGB_SCALE, 2, 1, 3, 143, 124, 100, 0),
    REC(RGB_SCALE, 3, 0, 3, 100, 87, 75, 0),
    REC(SHIFT, 0, 3, 3, 100, 106, 0, 0),
    REC(COMBINE, 1, 0, 2, 3, 137, 0, 0),
    REC(UPLOAD, 1, 0, 2, 0, 0, 0, 0),
    // texture 5: swirled marble with rings
    REC(CELLS, 0, 0, 0, 5, 55, 55, 0),
    REC(PLASMA, 1, 0, 0, 13, 172, 0, 0),
    REC(BLUR, 2, 1, 0, 17, 0, 0, 0),
    REC(RGB_SCALE, 3, 2, 0, 172, 90, 34, 0),
    REC(COMBINE, 1, 3, 0, 3, 255, 0, 0),
    REC(SINE_WARP, 0, 1, 0, 255, 183, 0, 0),
    REC(DISPLACE, 1, 0, 2, 255, 190, 0, 0),
    REC(HSV_SCALE, 3, 1, 2, 131, 100, 255, 0),
    REC(CHECKER, 0, 1, 2, 16, 0, 0, 0),
    REC(SINE_WARP, 1, 0, 2, 0, 0, 0, 0),
    REC(SINE_WARP, 0, 1, 2, 0, 55, 0, 0),
    REC(BLUR, 1, 0, 2, 7, 0, 0, 0),
    REC(DISPLACE, 2, 3, 1, 255, 65, 0, 0),
    REC(UPLOAD, 2, 2, 1, 0, 0, 0, 0),
    // texture 6: an 8 x 8 sine plasma folded by five strong warps
    REC(SINE_PLASMA, 0, 1, 1, 8, 8, 0, 0),
    REC(SINE_WARP, 1, 0, 1, 255, 255, 0, 0),
    REC(SINE_WARP, 2, 1, 1, 255, 255, 0, 0),
    REC(SINE_WARP, 3, 2, 1, 255, 255, 0, 0),
    REC(SINE_WARP, 0, 3, 1, 255, 255, 0, 0),
    REC(SINE_WARP, 1, 0, 1, 255, 255, 0, 0),
    REC(UPLOAD, 1, 0, 1, 0, 0, 0, 0),
    // texture 7: soft blurred plasma blobs
    REC(PLASMA, 0, 2, 1, 16, 183, 0, 0),
    REC(BLUR, 1, 0, 1, 17, 0, 0, 0),
    REC(UPLOAD, 1, 0, 1, 0, 0, 0, 0),
    // texture 8: a white field with one soft dark spot
    REC(CELLS, 0, 2, 0, 1, 59, 102, 0),
    REC(SHIFT, 1, 0, 0, 245, 62, 0, 0),
    REC(UPLOAD, 1, 0, 0, 0, 0, 0, 0),
    // texture 9: grey clouds over a darker band
    REC(PLASMA, 0, 0, 0, 16, 255, 0, 0),
    REC(SINE_PLASMA, 1, 0, 0, 0, 1, 0, 0),
    REC(COMBINE, 2, 1, 0, 4, 24, 0, 0),
    REC(NOISE, 3, 1, 0, 3, 255, 0, 0),
    REC(COMBINE, 0, 2, 3, 3, 62, 0, 0),
    REC(HSV_SCALE, 1, 0, 3, 128, 128, 79, 0),
    REC(UPLOAD, 1, 0, 3, 0, 0, 0, 0),
};

#undef SKY_LAYERS
#undef REC

// Which record fields name a slot, per operator; unread fields are not
// checked, since the stored script fills them with leftovers.
enum { USES_DST = 1, USES_SRC_A = 2, USES_SRC_B = 4 };
static const uint8_t TEXTURE_OP_SLOTS[TEX_OP_COUNT] = {
    USES_DST,                            // clear
    USES_DST,                            // sine_plasma
    USES_DST,                            // noise
    USES_DST,                            // radial
    USES_DST,                            // checker
    USES_DST | USES_SRC_A,               // sine_warp
    USES_DST | USES_SRC_A | USES_SRC_B,  // displace
    USES_DST | USES_SRC_A | USES_SRC_B,  // multiply
    USES_DST | USES_SRC_A,               // invert
    USES_DST | USES_SRC_A,               // yuv_scale
    USES_DST | USES_SRC_A | USES_SRC_B,  // blend
    USES_DST | USES_SRC_A,               // curve
    USES_DST | USES_SRC_A,               // hsv_scale
    USES_DST,                            // upload
    USES_DST | USES_SRC_A,               // blur
    USES_DST | USES_SRC_A,               // shift
    USES_DST,                            // plasma
    USES_DST | USES_SRC_A | USES_SRC_B,  // combine
    USES_DST,                            // cells
    USES_DST | USES_SRC_A,               // rgb_scale
};

int texture_record_valid(const TextureOp *op)
{
    if (op->op >= TEX_OP_COUNT)
        return 0;
    const int uses = TEXTURE_OP_SLOTS[op->op];
    if ((uses & USES_DST) && op->dst >= TEXTURE_SLOT_COUNT)
        return 0;
    if ((uses & USES_SRC_A) && op->src_a >= TEXTURE_SLOT_COUNT)
        return 0;
    if ((uses & USES_SRC_B) && op->src_b >= TEXTURE_SLOT_COUNT)
        return 0;
    return 1;
}

int texture_script_run_with(const TextureOpFn *ops, const TextureOp *records, int length)
{
    const int count = length / 8;
    for (int k = 0; k < count; ++k) {
        // Operators get a copy: none of them can change the script.
        TextureOp op;
        memcpy(&op, (const uint8_t *)records + k * 8, sizeof op);
        if (!texture_record_valid(&op) || !ops[op.op](&op))
            return 0;
    }
    return 1;
}
