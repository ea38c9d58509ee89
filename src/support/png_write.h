// png_write.h - writing and reading pictures as PNG files (libpng).
//
//   png_write_rgba("f.png", pixels, 640, 480, 0);  // top-down RGBA rows
//
// With keep_alpha 0 the alpha channel is dropped and an RGB picture written.
#pragma once

#include <cstdint>
#include <vector>

int png_write_rgba(const char *path, const uint8_t *rgba, int width, int height, int keep_alpha);

// Reads any PNG as top-down RGBA rows; 0 on failure.
int png_read_rgba(const char *path, std::vector<uint8_t> &rgba, int *width, int *height);
