// upload.cpp - the GL half of texture generation: the operator table with
// the upload operator, the texture tables and the textures_build precalc
// task. See textures/textures.h.
#include <cstring>

#include "base/arena.h"
#include "platform/gl.h"
#include "textures/mipmaps.h"
#include "textures/textures.h"

const TextureOpFn TEXTURE_OPS[TEX_OP_COUNT] = {
    tex_clear,     tex_sine_plasma, tex_noise,     tex_radial,   tex_checker,
    tex_sine_warp, tex_displace,    tex_multiply,  tex_invert,   tex_yuv_scale,
    tex_blend,     tex_curve,       tex_hsv_scale, tex_upload,   tex_blur,
    tex_shift,     tex_plasma,      tex_combine,   tex_cells,    tex_rgb_scale,
};

uint32_t texture_names[TEXTURE_COUNT];
uint8_t *texture_copies[TEXTURE_COUNT];
int uploaded_count;

int tex_upload(const TextureOp *op)
{
    const int i = texture_keep(op->dst, texture_copies, &uploaded_count);
    if (i < 0)
        return 0;
    GLuint name = 0;
    glGenTextures(1, &name);
    texture_names[i] = name;
    glBindTexture(GL_TEXTURE_2D, name);
    tex_upload_mipmapped(texture_copies[i], TEXTURE_SIZE, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    return 1;
}

int texture_script_run(const TextureOp *records, int length)
{
    return texture_script_run_with(TEXTURE_OPS, records, length);
}

int textures_build()
{
    uploaded_count = 0;
    memset(texture_names, 0, sizeof texture_names);
    memset(texture_copies, 0, sizeof texture_copies);
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        texture_copies[i] = (uint8_t *)arena_alloc(TEXTURE_SLOT_BYTES);
        if (!texture_copies[i])
            return 0;
    }
    glEnable(GL_TEXTURE_2D);
    const int length = TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8;
    const int ok = texture_script_run((const TextureOp *)(TEXTURE_SCRIPT + 2), length);
    glDisable(GL_TEXTURE_2D);
    return ok;
}

// Bounded by the uploads made, not the table: a copy exists before its
// texture is uploaded into it, and must not be read as one.
uint32_t texture_gl_name(int i)
{
    return i >= 0 && i < uploaded_count ? texture_names[i] : 0;
}

const uint8_t *texture_pixels(int i)
{
    return i >= 0 && i < uploaded_count ? texture_copies[i] : nullptr;
}
