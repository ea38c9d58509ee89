// png_read.h - reads back the PNG files our writer makes, for the tests.
//
//   std::vector<uint8_t> rgba; int w, h;
//   if (png_read_rgba("f.png", rgba, &w, &h)) ...;  // w * h * 4 bytes, top-down
//
// Only what png_write_rgba writes: 8-bit RGB or RGBA, not interlaced. Its
// row filters are undone here on their own, not with the writer's code, so
// a round trip catches a wrong prediction in either.
#pragma once

#include <cstdint>
#include <vector>

// 1 and the picture as RGBA (alpha 255 for RGB); 0 for anything else, a
// damaged file included (rgba, width, height untouched).
int png_read_rgba(const char *path, std::vector<uint8_t> &rgba, int *width, int *height);
