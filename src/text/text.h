// text.h - bitmap fonts as display lists and the two text drawers.
//
// font_create() records the glyphs of a face at a cell height as display
// lists FONT_LIST_BASE + n * 256 + code, n being the font's index (the order
// of creation). draw_text() draws a string in one font; draw_text_jitter()
// picks a random font and a 0-5 pixel drop per character from a fixed seed,
// optionally over ragged coloured boxes, and so draws the same picture on
// every call. Both draw in 640x480 pixel coordinates (origin top left) at the
// glyph baseline, in the current colour, and leave depth testing enabled.
//
//   font_create(40, 40, "Arial");            // font 0
//   draw_text(10, 40, "hello", 0);
//   draw_text_jitter(80, 200, "HELLO", 0xDEADBEEF, 1);
#pragma once

#include <cstdint>

constexpr uint32_t FONT_LIST_BASE = 1000;
constexpr int GLYPH_ADVANCE = 27;
constexpr int GLYPH_BOX_COLOUR_COUNT = 6;

struct GlyphBoxColour {
    float box[4];
    float text[4];
};

extern const GlyphBoxColour GLYPH_BOX_COLOURS[GLYPH_BOX_COLOUR_COUNT];

extern int font_count;

inline uint32_t font_list_base(int font)
{
    return FONT_LIST_BASE + (uint32_t)font * 256;
}

int font_create(int height, int weight, const char *face);
int fonts_create();
void draw_text(int x, int y, const char *text, int font);
void draw_text_jitter(int x, int y, const char *text, uint32_t seed, int boxes);
void draw_glyph_box(float gx, float gy);
