// win32_fonts.h - bitmap glyph display lists from GDI's TrueType fonts.
//
//   win32_font_bitmaps("Arial", 40, 40, 0, 255, 1000);  // platform.font_bitmaps
//
// Needs a current WGL context: the glyphs are recorded through the context's
// device context with wglUseFontBitmapsA.
#pragma once

#include <cstdint>

int win32_font_bitmaps(const char *face, int height, int weight, uint32_t first, uint32_t count,
                       uint32_t list_base);
