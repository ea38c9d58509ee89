// image_textures.cpp - builds the silhouette scene's mask and overlay
// textures. See textures/image_textures.h.
#include "textures/image_textures.h"

#include <cstdlib>
#include <cstring>

#include "embedded_data.h"
#include "platform/gl.h"
#include "textures/mipmaps.h"
#include "textures/textures.h"

uint32_t backdrop_texture;
uint32_t robot_mask_texture;
uint32_t overlay_texture;

void build_robot_mask_pixels(const uint8_t *grey, uint8_t *mask)
{
    for (int i = 0; i < IMAGE_TEXTURE_SIZE * IMAGE_TEXTURE_SIZE; ++i) {
        uint8_t *p = mask + i * 4;
        p[0] = p[1] = p[2] = 255;
        p[3] = grey[i];
    }
}

void build_overlay_pixels(const uint8_t *c6, const uint8_t *c7, uint8_t *overlay)
{
    if (!c6 || !c7) {
        memset(overlay, 0, IMAGE_TEXTURE_BYTES);
        return;
    }
    for (int i = 0; i < IMAGE_TEXTURE_SIZE * IMAGE_TEXTURE_SIZE; ++i) {
        uint8_t *p = overlay + i * 4;
        p[0] = c6[i * 4 + 0];
        p[1] = c6[i * 4 + 1];
        p[2] = c6[i * 4 + 2];
        p[3] = c7[i * 4 + 0];
    }
}

static void upload(uint32_t *name, const uint8_t *pixels, GLint wrap)
{
    GLuint made = 0;
    glGenTextures(1, &made);
    *name = made;
    glBindTexture(GL_TEXTURE_2D, made);
    tex_upload_mipmapped(pixels, IMAGE_TEXTURE_SIZE, wrap);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

int image_textures_build()
{
    // Scratch only for the upload: GL keeps its own copy, and nothing else
    // reads these pixels later.
    uint8_t *scratch = (uint8_t *)malloc(2 * IMAGE_TEXTURE_BYTES);
    if (!scratch)
        return 0;
    uint8_t *mask = scratch;
    uint8_t *overlay = scratch + IMAGE_TEXTURE_BYTES;

    backdrop_texture = texture_gl_name(5);
    build_robot_mask_pixels(ROBOT_IMAGE, mask);
    build_overlay_pixels(texture_pixels(6), texture_pixels(7), overlay);

    glEnable(GL_TEXTURE_2D);
    // Clamped: the scene stretches the mask over the whole frame, and a
    // repeat would bleed the body's bottom row into the top edge.
    upload(&robot_mask_texture, mask, GL_CLAMP_TO_EDGE);
    upload(&overlay_texture, overlay, GL_REPEAT);
    glDisable(GL_TEXTURE_2D);

    free(scratch);
    return 1;
}
