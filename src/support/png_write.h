// png_write.h - writing pictures as PNG files, on zlib alone.
//
//   png_write_rgba("f.png", pixels, 640, 480, 0);  // top-down RGBA rows; 0 on failure
//
// With keep_alpha 0 the alpha channel is dropped and an RGB picture written.
// Writing is deterministic: the same pixels give the same bytes for the same
// zlib version. The tests read the files back with tests/png_read.h.
#pragma once

#include <cstdint>
#include <vector>

int png_write_rgba(const char *path, const uint8_t *rgba, int width, int height, int keep_alpha);
