// ft_glyphs.h - bitmap glyph display lists from FreeType, found by fontconfig.
//
// The Unix counterpart of wglUseFontBitmaps: ft_glyphs_record() rasterises
// each code of a Windows-1252 range as a 1-bit glyph and records it as a
// display list holding one glBitmap, whose origin and advance place the glyph
// on the raster position's baseline and move the position on. Faces are
// matched by name through fontconfig; the Windows core faces resolve to their
// metric-compatible Liberation faces, "Impact" to a condensed heavy sans
// where Impact itself is not installed, squeezed to Impact's narrower set
// (face_table.h).
#pragma once

#include <cstdint>

#include "platform/freetype/face_table.h"

int ft_glyphs_init();
void ft_glyphs_shutdown();
int ft_glyphs_record(const char *face, int height, int weight, uint32_t first, uint32_t count,
                     uint32_t list_base);

// The font file that face resolves to (for messages and tests), or null.
// The returned text stays valid until the next call.
const char *ft_glyphs_face_file(const char *face);
// How much the glyphs of face are scaled horizontally: 1 when the face
// itself or a metric-compatible stand-in draws it, less for a stand-in that
// is squeezed to the face's proportions, 0 when nothing draws it.
double ft_glyphs_face_width(const char *face);
