// mipmaps.cpp - see mipmaps.h.
#include "textures/mipmaps.h"

#include "platform/gl.h"

void tex_halve(const uint8_t *src, int size, uint8_t *dst)
{
    const int row = size * 4;
    for (int y = 0; y < size / 2; ++y) {
        const uint8_t *top = src + 2 * y * row;
        const uint8_t *bottom = top + row;
        for (int x = 0; x < size / 2; ++x, top += 8, bottom += 8)
            for (int c = 0; c < 4; ++c)
                *dst++ = (uint8_t)((top[c] + top[c + 4] + bottom[c] + bottom[c + 4] + 2) / 4);
    }
}

int tex_image_mipmapped(const uint8_t *rgba, int size)
{
    if (size < 1 || size > MIPMAP_MAX_SIZE || (size & (size - 1)))
        return 0;
    // Two levels at a time: the one being read and the one being made.
    static uint8_t levels[2][MIPMAP_MAX_SIZE / 2 * MIPMAP_MAX_SIZE / 2 * 4];
    GLint alignment;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    const uint8_t *above = rgba;
    for (int level = 1; size > 1; ++level) {
        uint8_t *made = levels[level & 1];
        tex_halve(above, size, made);
        size /= 2;
        glTexImage2D(GL_TEXTURE_2D, level, 4, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, made);
        above = made;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return 1;
}

int tex_upload_mipmapped(const uint8_t *rgba, int size, int wrap)
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return tex_image_mipmapped(rgba, size);
}
