// The message layers on a real context: which invitation texts show and
// when, the caption's steps through its orders, and the closing fades.
#include <algorithm>
#include <cstring>

#include "../gl_fixture.h"
#include "base/arena.h"
#include "platform/gl.h"
#include "scenes/messages.h"
#include "text/text.h"
#include "textures/textures.h"

namespace {

class Messages : public GlTextTest {
protected:
    static void SetUpTestSuite()
    {
        GlTextTest::SetUpTestSuite();
        ASSERT_EQ(arena_init(), 1);
        ASSERT_EQ(textures_build(), 1);
    }
};

// Whether a line of jittered text at (x, y) shows: its glyph boxes' middle
// (rows y - 16 to y, whatever the drop) is mostly lit.
bool line_shown(const Picture &p, int x, int y, const char *text)
{
    const int x1 = x + GLYPH_ADVANCE * (int)strlen(text);
    return p.count_lit(x, y - 16, x1, y) > (x1 - x) * 16 / 3;
}

// The caption as it should read: yellow text on black at its place.
Picture caption(const char *text, int x)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 0, 1);
    draw_text(x, 440, text, 2);
    const Picture p = read_back();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return p;
}

int brightest_red(const Picture &p)
{
    int r = 0;
    for (size_t i = 0; i < p.rgba.size(); i += 4)
        r = std::max(r, (int)p.rgba[i]);
    return r;
}

Picture caption_frame(int order, int row)
{
    glClear(GL_COLOR_BUFFER_BIT);
    layer_growing_caption(order, row, 0, 0, 16);
    return read_back();
}

TEST_F(Messages, InviteScreenShowsItsSecondHalfFromRowThirtyTwo)
{
    layer_invite_screen(1, 63, 0, 0, 20);  // nothing before order 2
    EXPECT_EQ(read_back().count_lit(0, 0, 640, 480), 0);
    invite_texture = test_texel_texture(0, 0, 0, 255);  // so what is lit is text
    for (int row : {31, 32}) {
        layer_invite_screen(2, row, 0, 0, 20);
        const Picture xmas = read_back();
        EXPECT_TRUE(line_shown(xmas, 40, 100, "It'S ALMOst"));
        EXPECT_EQ(line_shown(xmas, 140, 340, "tHe FrOStmERe"), row >= 32);
        layer_invite_screen(6, row, 0, 0, 20);
        const Picture deadline = read_back();
        EXPECT_EQ(line_shown(deadline, 40, 340, "OR tHe RoBOt gEts iT!"), row >= 32);
        EXPECT_EQ(deadline.count_lit(0, 260, 640, 480) == 0, row < 32);
    }
    // Over texture 9, drawn unblended whatever the frame held.
    EXPECT_EQ(pick_invite_texture(), 1);
    EXPECT_EQ(invite_texture, texture_gl_name(9));
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ONE);
    layer_invite_screen(6, 41, 0, 0, 20);
    glDisable(GL_BLEND);
    save_picture_if_asked(read_back(), "invite_deadline.png");
    EXPECT_GT(read_back().count_lit(0, 360, 640, 480), 640 * 120 * 9 / 10);
}

TEST_F(Messages, CaptionStepsOnItsRowsOnceEachAndStopsAtTheLastText)
{
    caption_reset();
    for (int frame = 0; frame < 5; ++frame)  // many frames on a row: one step
        layer_growing_caption(4, 4, 0, 0, 16);
    EXPECT_EQ(caption_state.steps_order4, 1);
    EXPECT_EQ(caption_frame(4, 5), caption("HA HA", 260));
    EXPECT_EQ(caption_frame(7, 10).count_lit(0, 0, 640, 480), 0);  // not before row 16
    EXPECT_EQ(caption_frame(7, 16), caption("HA", 260));
    layer_growing_caption(7, 20, 0, 0, 16);
    layer_growing_caption(8, 20, 0, 0, 16);  // the row seen last: no step
    EXPECT_EQ(caption_state.steps_order8, 0);
    // Rows no frame fell on are steps missed.
    for (int row : {23, 28, 32})
        layer_growing_caption(8, row, 0, 0, 16);
    EXPECT_EQ(caption_frame(8, 40), caption("ENTER OR THE", 150));
    for (int pass = 0; pass < 12; ++pass)
        for (int row : {4, 8})
            layer_growing_caption(4, row, 0, 0, 16);
    EXPECT_EQ(caption_state.steps_order4, CAPTION_COUNT - 1);
    const Picture last = caption_frame(4, 9);
    save_picture_if_asked(last, "caption_last.png");
    EXPECT_EQ(last, caption("ENTER OR THE ROBOT GETS IT", 260));
}

TEST_F(Messages, ClosingMessageFadesInThenOut)
{
    auto frame = [](int order, int row, int frame_ms) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        layer_closing_message(order, row, 0, 0, frame_ms);
        return read_back();
    };
    closing_reset();
    Picture p = frame(9, 0, 16);
    EXPECT_FLOAT_EQ(closing_state.fade_in, 0.984f);
    EXPECT_GT(p.count_lit(0, 0, 640, 480), 1000);
    EXPECT_LE(brightest_red(p), 5);  // 1.6 % of full at most
    for (int i = 0; i < 60; ++i)
        p = frame(9, 10, 20);
    EXPECT_EQ(closing_state.fade_in, 0.0f);
    save_picture_if_asked(p, "closing.png");
    EXPECT_EQ(p.at(300, 0).r, 0);
    EXPECT_GT(p.count_lit(160, 130, 560, 172), 500);  // "the frostmere competition 2006"
    EXPECT_EQ(frame(10, 15, 100), p);                 // order 10 before row 16: no change
    EXPECT_NEAR(brightest_red(frame(10, 16, 500)), 128, 2);
    EXPECT_FLOAT_EQ(closing_state.fade_out, 0.5f);
    for (int i = 0; i < 3; ++i)
        p = frame(10, 20 + i, 300);
    EXPECT_EQ(closing_state.fade_out, 1.0f);
    EXPECT_EQ(p.count_lit(0, 0, 640, 480), 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

}  // namespace
