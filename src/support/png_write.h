// png_write.h - writing and reading pictures as PNG files, on zlib alone.
//
//   png_write_rgba("f.png", pixels, 640, 480, 0);  // top-down RGBA rows; 0 on failure
//   std::vector<uint8_t> rgba; int w, h;
//   if (png_read_rgba("f.png", rgba, &w, &h)) ...;  // w * h * 4 bytes, top-down
//
// With keep_alpha 0 the alpha channel is dropped and an RGB picture written.
// Writing is deterministic: the same pixels give the same bytes for the same
// zlib version. Reading takes 8-bit grey, grey+alpha, RGB and RGBA,
// non-interlaced; anything else, or a damaged file, gives 0.
#pragma once

#include <cstdint>
#include <vector>

int png_write_rgba(const char *path, const uint8_t *rgba, int width, int height, int keep_alpha);

// Reads a PNG as top-down RGBA rows; 0 on failure (rgba, width, height untouched).
int png_read_rgba(const char *path, std::vector<uint8_t> &rgba, int *width, int *height);
