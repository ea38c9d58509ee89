#include "gl_fixture.h"
#ifndef _WIN32
#include "platform/freetype/ft_glyphs.h"
#endif
#include "platform/gl.h"
#include "support/crt_rand.h"
#include "text/text.h"

// The four fonts, created once for the whole process as the program does.
using TextTest = GlTextTest;

#ifndef _WIN32
// fontconfig finds each face or its stand-in; GDI instead substitutes a face
// for any name, so there an unknown face does not fail.
TEST_F(TextTest, FacesResolveAndUnknownOnesFail)
{
    for (const char *face : {"Arial", "Times New Roman", "Impact", "Courier New"})
        EXPECT_NE(ft_glyphs_face_file(face), nullptr) << face;
    EXPECT_EQ(font_create(40, 40, "No Such Face Anywhere"), 0);
    EXPECT_EQ(font_count, 4);
    EXPECT_EQ(cp1252_to_unicode(0x80), 0x20ACu);
}
#endif

TEST_F(TextTest, PlainTextStandsOnItsBaselineAndASpaceAdvances)
{
    glColor4f(1, 0, 0, 1);
    draw_text(100, 200, "HELLO", 0);
    Picture p = read_back();
    EXPECT_GT(p.count_lit(100, 160, 260, 201), 200);
    EXPECT_EQ(p.count_lit(0, 0, 640, 150) + p.count_lit(0, 202, 640, 480), 0);
    EXPECT_EQ(p.at(p.first_lit_column(160, 201), 190).g, 0);  // drawn in red

    glClear(GL_COLOR_BUFFER_BIT);
    draw_text(100, 300, "X", 0);
    int plain = read_back().first_lit_column(250, 310);
    glClear(GL_COLOR_BUFFER_BIT);
    draw_text(100, 300, " X", 0);  // an empty glyph must still carry its advance
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

TEST_F(TextTest, DrawersRestoreMatrices)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScalef(2, 3, 4);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(5, 6, 7);
    draw_text(10, 50, "abc", 1);
    draw_text_jitter(10, 100, "abc", 3, 1);
    GLfloat projection[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_EQ(projection[0], 2.0f);
    EXPECT_EQ(modelview[14], 7.0f);
}

TEST_F(TextTest, JitteredTextIsTheSameForASeedAndDiffersForAnother)
{
    draw_text_jitter(40, 200, "ENTER THE ROBOT", 0xDEADBEEF, 1);
    Picture first = read_back();
    glClear(GL_COLOR_BUFFER_BIT);
    draw_text_jitter(40, 200, "ENTER THE ROBOT", 0xDEADBEEF, 1);
    Picture second = read_back();
    glClear(GL_COLOR_BUFFER_BIT);
    draw_text_jitter(40, 200, "ENTER THE ROBOT", 12345, 1);
    EXPECT_GT(first.count_lit(0, 0, 640, 480), 1000);
    EXPECT_TRUE(first == second);
    EXPECT_FALSE(first == read_back());
}

TEST_F(TextTest, GlyphBoxesSkipSpacesWhichUseOnlyTwoRandomValues)
{
    uint32_t seed = 77;
    for (;; ++seed) {  // a seed whose first box is not black, so it shows
        crt_srand(seed);
        crt_rand();
        crt_rand();
        if (crt_rand() % 6 != 3)
            break;
    }
    draw_text_jitter(100, 200, "A A", seed, 1);
    int after_draw = crt_rand();
    Picture p = read_back();
    // Box 0 ends by x = 100.5 - 2 + 29 + 4; box 2 starts at 100.5 + 54 - 2 - 4.
    EXPECT_EQ(p.count_lit(133, 150, 148, 240), 0);
    EXPECT_GT(p.count_lit(95, 170, 133, 205), 500);
    // Per character: font and drop, and nine more values for a box.
    crt_srand(seed);
    for (int i = 0; i < 2 + 9 + 2 + 2 + 9; ++i)
        crt_rand();
    EXPECT_EQ(crt_rand(), after_draw);
}
