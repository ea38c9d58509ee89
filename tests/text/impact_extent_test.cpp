// The faces fontconfig finds. Every line the intro sets in Impact (font 2)
// ends inside the frame, with whichever face fontconfig finds for Impact: the
// closing message and the caption in each of its steps, drawn by their own
// layers and read back. A
// stand-in squeezed to Impact's proportions keeps its advances in step with
// its squeezed glyphs.
#include <algorithm>
#include <string>

#include "gl_fixture.h"
#include "platform/freetype/ft_glyphs.h"
#include "platform/gl.h"
#include "scenes/messages.h"
#include "text/text.h"

namespace {

const int IMPACT_FONT = 2;
// Text that ends closer to the edge than this looks cut off even when it is not.
const int EDGE_MARGIN = 8;

using ImpactExtent = GlTextTest;

TEST_F(ImpactExtent, FacesResolveAndTheClosingMessageAndCaptionEndInsideTheFrame)
{
    // fontconfig finds each face or its stand-in (GDI substitutes a face for
    // any name, so this holds only here).
    for (const char *face : {"Arial", "Times New Roman", "Impact", "Courier New"})
        EXPECT_NE(ft_glyphs_face_file(face), nullptr) << face;
    EXPECT_EQ(font_create(40, 40, "No Such Face Anywhere"), 0);
    EXPECT_EQ(font_count, 4);
    closing_state.fade_in = 0.0f;  // faded in: the texts at full strength
    layer_closing_message(9, 0, 0, 0, 0);
    const Picture closing = read_back();
    EXPECT_GT(closing.count_lit(0, 420, 640, 470), 1000);  // its longest line shows
    for (int band = 0; band < 480; band += 16)
        EXPECT_LT(closing.last_lit_column(band, band + 16), 640 - EDGE_MARGIN) << band;
    caption_reset();
    for (int order : {4, 7, 8}) {  // the caption at every step it grows by
        int widest = -1;
        for (int row = 0; row < 64; ++row) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            layer_growing_caption(order, row, 0, 0, 16);
            widest = std::max(widest, read_back().last_lit_column());
        }
        EXPECT_TRUE(widest > 320 && widest < 640 - EDGE_MARGIN) << "order " << order;
    }
}

// The left and right lit columns of text drawn in one font.
std::pair<int, int> ink_of(const char *text, int font)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    draw_text(100, 200, text, font);
    const Picture p = read_back();
    return {p.first_lit_column(), p.last_lit_column()};
}

// A squeezed stand-in draws each glyph and moves on by the same factor: its
// ink and its advance both shrink against the face drawn unsqueezed.
TEST_F(ImpactExtent, SqueezedStandInKeepsAdvancesWithItsGlyphs)
{
    const double width = ft_glyphs_face_width("Impact");
    if (width == 1.0)
        GTEST_SKIP() << "Impact draws unsqueezed: " << ft_glyphs_face_file("Impact");
    const std::string impact_file = ft_glyphs_face_file("Impact");
    // The same family again, asked for by its own name: drawn as it is.
    const char *family = nullptr;
    for (const char *f : {"Liberation Sans Narrow:style=Bold", "DejaVu Sans:style=Condensed Bold"})
        if (const char *file = ft_glyphs_face_file(f); file && impact_file == file)
            family = f;
    ASSERT_NE(family, nullptr) << impact_file;
    EXPECT_EQ(ft_glyphs_face_width(family), 1.0);
    const int plain_font = font_count;
    ASSERT_EQ(font_create(40, 40, family), 1);

    for (const char *glyph : {"H", "m"}) {
        const std::string twice = std::string(glyph) + glyph;
        const auto [left, right] = ink_of(glyph, IMPACT_FONT);
        const auto [plain_left, plain_right] = ink_of(glyph, plain_font);
        const int advance = ink_of(twice.c_str(), IMPACT_FONT).second - right;
        EXPECT_NEAR(advance, width * (ink_of(twice.c_str(), plain_font).second - plain_right), 1.0)
            << glyph;
        EXPECT_NEAR(right - left, width * (plain_right - plain_left), 1.5) << glyph;
        EXPECT_GT(advance, right - left) << glyph;  // no overlap
    }
}

}  // namespace
