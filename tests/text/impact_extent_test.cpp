// Every line the intro sets in Impact (font 2) ends inside the frame, with
// whichever face fontconfig finds for Impact: the closing message and the
// caption in each of its steps, drawn by their own layers and read back. A
// stand-in squeezed to Impact's proportions keeps its advances in step with
// its squeezed glyphs.
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

TEST_F(ImpactExtent, ClosingMessageEndsInsideTheFrame)
{
    closing_state.fade_in = 0.0f;  // faded in: the texts at full strength
    layer_closing_message(9, 0, 0, 0, 0);
    const Picture p = read_back();
    save_picture_if_asked(p, "impact_closing.png");
    // Its last line starts at the frame's left edge and is the longest.
    EXPECT_LE(p.first_lit_column(420, 470), 4);
    EXPECT_GT(p.count_lit(0, 420, 640, 470), 1000);
    for (int band = 0; band < 480; band += 16) {
        const int right = p.last_lit_column(band, band + 16);
        EXPECT_LT(right, 640 - EDGE_MARGIN) << "rows " << band << " to " << band + 15;
    }
}

TEST_F(ImpactExtent, CaptionEndsInsideTheFrameAtEveryStep)
{
    caption_reset();
    for (int order : {4, 7, 8}) {
        int widest = -1;
        for (int row = 0; row < 64; ++row) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            layer_growing_caption(order, row, 0, 0, 16);
            const Picture p = read_back();
            const int right = p.last_lit_column();
            EXPECT_LT(right, 640 - EDGE_MARGIN) << "order " << order << " row " << row;
            if (right > widest)
                widest = right;
            if (order == 8 && row == 63)
                save_picture_if_asked(p, "impact_caption_last.png");
        }
        EXPECT_GT(widest, 320) << "order " << order;  // the caption did show
    }
    EXPECT_EQ(caption_state.steps_order8, 7);  // up to "ENTER OR THE ROBOT GETS IT"
}

// The extent of text in one font: left and right lit columns of its ink.
struct Ink {
    int left, right;
};

Ink ink_of(const char *text, int font)
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
    ASSERT_GT(width, 0.0);
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

    for (const char *glyph : {"H", "m", "W", "o"}) {
        const std::string twice = std::string(glyph) + glyph;
        const Ink squeezed = ink_of(glyph, IMPACT_FONT), plain = ink_of(glyph, plain_font);
        const int squeezed_advance = ink_of(twice.c_str(), IMPACT_FONT).right - squeezed.right;
        const int plain_advance = ink_of(twice.c_str(), plain_font).right - plain.right;
        EXPECT_NEAR(squeezed_advance, width * plain_advance, 1.0) << glyph;
        EXPECT_NEAR(squeezed.right - squeezed.left, width * (plain.right - plain.left), 1.5)
            << glyph;
        EXPECT_GT(squeezed_advance, squeezed.right - squeezed.left) << glyph;  // no overlap
    }
}

}  // namespace
