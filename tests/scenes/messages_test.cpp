// The message layers on a real context: the invitation's wait for its
// orders, the caption's steps and their bound, and the closing fades with
// their clamps.
#include <algorithm>

#include "../gl_fixture.h"
#include "platform/gl.h"
#include "scenes/messages.h"
#include "text/text.h"

namespace {

using Messages = GlTextTest;

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

TEST_F(Messages, InviteWaitsForOrderTwoAndTheCaptionGrowsOnItsRowsToTheLastText)
{
    layer_invite_screen(1, 63, 0, 0, 20);
    EXPECT_EQ(read_back().count_lit(0, 0, 640, 480), 0);
    caption_reset();
    EXPECT_EQ(caption_advance(7, 10).text, -1);  // not before row 16
    EXPECT_EQ(caption_advance(7, 16).text, 0);
    EXPECT_EQ(caption_frame(8, 21), caption("ENTER OR THE RO", 150));
    // A song that kept coming back to the rows: the caption ends on its last text.
    for (int pass = 0; pass < 12; ++pass)
        for (int row : {4, 8})
            ASSERT_LE(caption_advance(4, row).text, CAPTION_COUNT - 1);
    EXPECT_EQ(caption_advance(8, 40).text, CAPTION_COUNT - 1);
    EXPECT_EQ(caption_frame(4, 9), caption("ENTER OR THE ROBOT GETS IT", 260));
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
