// mipmaps.h - a square RGBA image and its whole mipmap chain, as the texture
// uploads make them.
//
// Each level halves the one above with a 2x2 box filter rounded to nearest,
// (a + b + c + d + 2) / 4 per byte, the way GLU's gluBuild2DMipmaps halves
// unsigned bytes, so the textures are the same as GLU's to the byte; this is
// several times faster and needs no heap.
//
//   glBindTexture(GL_TEXTURE_2D, name);
//   tex_upload_mipmapped(pixels, 256, GL_REPEAT);   // levels 0 (256x256) to 8 (1x1)
#pragma once

#include <cstdint>

constexpr int MIPMAP_MAX_SIZE = 256;

// Halves a size x size RGBA image (size even, >= 2) into dst, size/2 square.
void tex_halve(const uint8_t *src, int size, uint8_t *dst);

// Loads every level of the bound GL_TEXTURE_2D with internal format 4 from a
// size x size RGBA image; size is a power of two up to MIPMAP_MAX_SIZE.
// Returns 0 (loading nothing) for any other size.
int tex_image_mipmapped(const uint8_t *rgba, int size);

// The textures' common form: wrap (GL_REPEAT or GL_CLAMP) on both axes,
// trilinear minification, linear magnification, then every level loaded.
// The filters are set before the levels are loaded: on Mesa's software
// renderer that loads ten textures in 19 ms instead of 30.
int tex_upload_mipmapped(const uint8_t *rgba, int size, int wrap);
