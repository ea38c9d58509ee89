// The message layers on a real context: which texts the invitation shows
// and where, the caption's steps through its orders, and the closing
// screen's fades.
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "app/arena.h"
#include "gl_fixture.h"
#include "platform/gl.h"
#include "scenes/messages.h"
#include "text/text.h"
#include "textures/textures.h"

namespace {

void save(const Picture &p, const char *name)
{
    if (const char *dir = getenv("FM_PICTURES"))
        p.save(std::string(dir) + "/" + name);
}

// Fonts and textures once per process, as the precalc makes them.
class Messages : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        GlTest::SetUpTestSuite();
        if (font_count == 0) {
            ASSERT_EQ(font_create(40, 40, "Arial"), 1);
            ASSERT_EQ(fonts_create(), 1);
        }
        if (texture_gl_name(9) == 0) {
            arena_release();
            ASSERT_EQ(arena_init(), 1);
            ASSERT_EQ(textures_build(), 1);
        }
    }
    void TearDown() override { EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR); }

    // Whether the line of jittered text at (x, y) is there: the middle of
    // its glyph boxes (rows y - 16 to y, whatever the drop) is mostly lit.
    static bool line_shown(const Picture &p, int x, int y, const char *text)
    {
        const int x1 = x + GLYPH_ADVANCE * (int)strlen(text);
        const int lit = p.count_lit(x, y - 16, x1, y);
        return lit > (x1 - x) * 16 / 3;
    }
};

// A 1x1 black texture: the invitation's texts on black, so that whatever is
// lit is text.
uint32_t black_texture()
{
    static GLuint name = 0;
    if (!name) {
        const uint8_t black[4] = {0, 0, 0, 255};
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, black);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    return name;
}

TEST_F(Messages, PickInviteTextureTakesTextureNine)
{
    EXPECT_EQ(pick_invite_texture(), 1);
    EXPECT_EQ(invite_texture, texture_gl_name(9));
    EXPECT_NE(invite_texture, 0u);
}

TEST_F(Messages, InviteScreenWaitsForOrderTwo)
{
    pick_invite_texture();
    layer_invite_screen(0, 40, 0, 0, 20);
    layer_invite_screen(1, 63, 0, 0, 20);
    EXPECT_EQ(read_back().count_lit(0, 0, 640, 480), 0);
}

TEST_F(Messages, InviteScreenAddsTheSecondHalfAtRowThirtyTwo)
{
    invite_texture = black_texture();
    struct Line {
        int x, y;
        const char *text;
        bool late;
    };
    const Line xmas[] = {{40, 100, "It'S ALMOst", false},  {140, 140, "XmAs TimE", false},
                         {280, 170, "aGAin!", false},      {40, 300, "TIme fOR", true},
                         {140, 340, "tHe FrOStmERe", true}, {280, 370, "cOMpo 2006!", true}};
    const Line deadline[] = {{40, 100, "UpLOAd yOUr entRIeS", false},
                             {40, 150, "tO mORrOWglAdeS FtP", false},
                             {20, 200, "By MIDnIght 19/12/06", false},
                             {40, 340, "OR tHe RoBOt gEts iT!", true}};
    for (int order : {2, 5, 6, 9}) {
        const Line *lines = order >= 6 ? deadline : xmas;
        const int count = order >= 6 ? 4 : 6;
        for (int row : {0, 31, 32, 63}) {
            glClear(GL_COLOR_BUFFER_BIT);
            layer_invite_screen(order, row, 0, 0, 20);
            const Picture p = read_back();
            for (int i = 0; i < count; ++i)
                EXPECT_EQ(line_shown(p, lines[i].x, lines[i].y, lines[i].text),
                          !lines[i].late || row >= 32)
                    << order << " " << row << " " << lines[i].text;
            if (row < 32) {  // nothing at all where the late lines go
                EXPECT_EQ(p.count_lit(0, order >= 6 ? 260 : 205, 640, 480), 0) << order;
            }
            if (order == 2 && row == 32)
                save(p, "invite_xmas_on_black.png");
        }
    }
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GL_FALSE);
}

// Over the real background the picture is the same on every frame and
// whatever was in the frame before: the background is opaque.
TEST_F(Messages, InviteScreenIsStillAndOpaqueOverTextureNine)
{
    pick_invite_texture();
    layer_invite_screen(6, 40, 0, 0, 20);
    const Picture first = read_back();
    save(first, "invite_deadline.png");
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    glEnable(GL_BLEND);  // whatever the layer finds, it draws unblended
    glBlendFunc(GL_ZERO, GL_ONE);
    layer_invite_screen(6, 41, 0, 0, 20);
    glDisable(GL_BLEND);
    EXPECT_EQ(read_back(), first);
    EXPECT_GT(first.count_lit(0, 360, 640, 480), 640 * 120 * 9 / 10);
}

// The caption drawn as it should read: yellow text at its place. It clears
// the frame, so read the layer's picture before calling it.
Picture expected_caption(const char *text, int x)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (text) {
        glColor4f(1, 1, 0, 1);
        draw_text(x, 440, text, 2);
    }
    Picture p = read_back();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return p;
}

void reset_caption()
{
    caption_last_row = -1;
    caption_steps_order4 = caption_steps_order7 = caption_steps_order8 = 0;
}

// Which caption each row of orders 4, 7 and 8 shows, one frame per row.
const char *caption_for(int order, int row)
{
    if (order == 4)
        return row < 4 ? "HA" : row < 8 ? "HA HA" : "HA HA HA";
    if (order == 7)
        return row < 16 ? nullptr : row < 20 ? "HA" : row < 24 ? "HA HA" : "HA HA HA";
    if (order == 8) {
        const char *const steps[] = {"EN", "ENTER", "ENTER OR", "ENTER OR THE",
                                     "ENTER OR THE RO", "ENTER OR THE ROBOT",
                                     "ENTER OR THE ROBOT GETS", "ENTER OR THE ROBOT GETS IT"};
        const int starts[] = {0, 4, 12, 16, 20, 23, 28, 32};
        int i = 7;
        while (row < starts[i])
            --i;
        return steps[i];
    }
    return nullptr;
}

TEST_F(Messages, CaptionGrowsOnItsRowsThroughTheRun)
{
    reset_caption();
    std::map<std::string, Picture> wanted;
    // A frame per row, the orders in turn as the timeline plays them, with
    // orders between them in which the caption is not drawn.
    for (int order : {3, 4, 5, 7, 8, 9}) {
        for (int row = 0; row < 64; ++row) {
            glClear(GL_COLOR_BUFFER_BIT);
            layer_growing_caption(order, row, 0, 0, 20);
            const Picture got = read_back();
            const char *text = caption_for(order, row);
            const std::string key = text ? std::to_string(order == 8) + text : "";
            if (!wanted.count(key))
                wanted[key] = expected_caption(text, order == 8 ? 150 : 260);
            ASSERT_EQ(got, wanted[key]) << order << " " << row << " " << (text ? text : "(none)");
            if (order == 8 && row == 40)
                save(got, "caption_order8.png");
        }
    }
    EXPECT_EQ(caption_steps_order4, 2);
    EXPECT_EQ(caption_steps_order7, 2);
    EXPECT_EQ(caption_steps_order8, 7);
}

TEST_F(Messages, CaptionCountsEachRowOnceHoweverManyFrames)
{
    reset_caption();
    for (int frame = 0; frame < 5; ++frame)
        layer_growing_caption(4, 4, 0, 0, 16);
    EXPECT_EQ(caption_steps_order4, 1);
    // Row 10 of order 7 is before the caption shows, yet it is seen.
    glClear(GL_COLOR_BUFFER_BIT);
    layer_growing_caption(7, 10, 0, 0, 16);
    EXPECT_EQ(caption_last_row, 10);
    EXPECT_EQ(read_back().count_lit(0, 0, 640, 480), 0);
    // The last row is shared by the orders: order 8 arriving on the same row
    // number as order 7 left does not step.
    layer_growing_caption(7, 20, 0, 0, 16);
    EXPECT_EQ(caption_steps_order7, 1);
    layer_growing_caption(8, 20, 0, 0, 16);
    EXPECT_EQ(caption_steps_order8, 0);
    layer_growing_caption(8, 23, 0, 0, 16);
    EXPECT_EQ(caption_steps_order8, 1);
}

// A frame that skips row 4 of order 8 leaves the caption a word behind.
TEST_F(Messages, CaptionMissesAStepWhenNoFrameFallsOnItsRow)
{
    reset_caption();
    for (int row : {0, 2, 5, 8, 12, 16, 20, 23, 28, 32, 40}) {
        glClear(GL_COLOR_BUFFER_BIT);
        layer_growing_caption(8, row, 0, 0, 16);
    }
    EXPECT_EQ(caption_steps_order8, 6);
    const Picture got = read_back();
    EXPECT_EQ(got, expected_caption("ENTER OR THE ROBOT GETS", 150));
}

// Revisiting trigger rows cannot step past the last caption.
TEST_F(Messages, CaptionStopsAtTheLastText)
{
    reset_caption();
    for (int pass = 0; pass < 12; ++pass)
        for (int row : {4, 8})
            layer_growing_caption(4, row, 0, 0, 16);
    EXPECT_EQ(caption_steps_order4, CAPTION_COUNT - 1);
    glClear(GL_COLOR_BUFFER_BIT);
    layer_growing_caption(4, 9, 0, 0, 16);
    const Picture last4 = read_back();
    EXPECT_EQ(last4, expected_caption("ENTER OR THE ROBOT GETS IT", 260));
    for (int pass = 0; pass < 3; ++pass)
        for (int row : {4, 12, 16, 20, 23, 28, 32})
            layer_growing_caption(8, row, 0, 0, 16);
    EXPECT_EQ(caption_steps_order8, CAPTION_COUNT - 1 - 3);
    glClear(GL_COLOR_BUFFER_BIT);
    layer_growing_caption(8, 33, 0, 0, 16);
    const Picture last8 = read_back();
    EXPECT_EQ(last8, expected_caption("ENTER OR THE ROBOT GETS IT", 150));
    reset_caption();
}

// Red over white over red, by bands of rows.
void expect_closing_texts(const Picture &p)
{
    auto count = [&](int y0, int y1, bool red) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < 640; ++x) {
                const Rgba c = p.at(x, y);
                n += red ? (c.r > 200 && c.g < 40 && c.b < 40) : (c.r > 200 && c.g > 200 && c.b > 200);
            }
        return n;
    };
    EXPECT_GT(count(0, 114, true), 1500);     // "Ha ha ha!" and two lines
    EXPECT_EQ(count(0, 114, false), 0);
    EXPECT_GT(count(130, 372, false), 3000);  // the competition's facts
    EXPECT_EQ(count(130, 372, true), 0);
    EXPECT_GT(count(420, 460, true), 800);    // the signature
    EXPECT_GT(p.count_lit(160, 130, 560, 172), 500);   // "the frostmere competition 2006"
    EXPECT_GT(p.count_lit(40, 200, 600, 236), 500);    // the web address
    EXPECT_GT(p.count_lit(160, 330, 500, 372), 500);   // "... you have no choice ..."
}

TEST_F(Messages, ClosingMessageFadesInThenOut)
{
    closing_fade_in = 1.0f;
    closing_fade_out = 0.0f;
    layer_closing_message(9, 0, 0, 0, 16);
    EXPECT_FLOAT_EQ(closing_fade_in, 0.984f);
    Picture p = read_back();
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            ASSERT_LE(p.at(x, y).r, 5) << x << ", " << y;  // 1.6 % of full at most
    EXPECT_GT(p.count_lit(0, 0, 640, 480), 1000);

    // A second's worth of frames and the screen is clear; the alpha rests at 0.
    for (int frame = 0; frame < 60; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        layer_closing_message(9, 10, 0, 0, 20);
    }
    EXPECT_EQ(closing_fade_in, 0.0f);
    p = read_back();
    save(p, "closing.png");
    expect_closing_texts(p);

    // Order 10 before row 16: no quad and no change.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    layer_closing_message(10, 15, 0, 0, 100);
    EXPECT_EQ(closing_fade_out, 0.0f);
    EXPECT_EQ(read_back(), p);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    layer_closing_message(10, 16, 0, 0, 500);
    EXPECT_FLOAT_EQ(closing_fade_out, 0.5f);
    const Picture half = read_back();
    save(half, "closing_half.png");
    EXPECT_NEAR(half.at(300, 0).r, 0, 1);
    int brightest = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            brightest = std::max(brightest, (int)half.at(x, y).r);
    EXPECT_NEAR(brightest, 128, 2);

    for (int frame = 0; frame < 3; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        layer_closing_message(10, 20 + frame, 0, 0, 300);
    }
    EXPECT_EQ(closing_fade_out, 1.0f);
    EXPECT_EQ(read_back().count_lit(0, 0, 640, 480), 0);
    EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);
}

}  // namespace
