// The text drawers on the program's four fonts: blank glyphs that still
// advance, and the calls that must draw nothing (the whole-intro frames pin
// how the text looks; impact_extent_test.cpp checks fontconfig's faces).
#include "gl_fixture.h"
#include "platform/gl.h"
#include "text/text.h"

// The four fonts, created once for the whole process as the program does.
using TextTest = GlTextTest;

TEST_F(TextTest, AnEmptyGlyphStillAdvances)
{
    draw_text(100, 300, "X", 0);
    const int plain = read_back().first_lit_column(250, 310);
    glClear(GL_COLOR_BUFFER_BIT);
    draw_text(100, 300, " X", 0);
    EXPECT_GE(read_back().first_lit_column(250, 310) - plain, 8);
}

TEST_F(TextTest, NothingIsDrawnForMissingFontsEmptyTextOrCode255)
{
    glListBase(7);
    glEnable(GL_DEPTH_TEST);
    draw_text(100, 200, "HELLO", 4);  // font 4 does not exist
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glDisable(GL_DEPTH_TEST);
    draw_text(100, 200, "", 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));  // still restored
    draw_text(100, 200, "\xff\xff", 0);
    draw_text_jitter(100, 300, "\xff\xff", 1, 0);
    int fonts = font_count;
    font_count = 0;  // nothing to pick from: no division by zero
    draw_text_jitter(100, 200, "HELLO", 1, 1);
    font_count = fonts;
    EXPECT_EQ(read_back().count_lit(0, 0, 640, 480), 0);
    GLint base;
    glGetIntegerv(GL_LIST_BASE, &base);
    EXPECT_EQ(base, 7);
}
