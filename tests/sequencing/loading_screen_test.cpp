#include "gl_fixture.h"
#include "platform/gl.h"
#include "sequencing/precalc.h"
#include "text/text.h"

class LoadingScreenTest : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        GlTest::SetUpTestSuite();
        if (font_count == 0) {
            ASSERT_EQ(font_create(40, 40, "Arial"), 1);
        }
    }
};

static const Rgba BAR = {128, 0, 0, 255};
static const Rgba WHITE = {255, 255, 255, 255};
static const Rgba DARK_RED = {77, 0, 0, 255};

static void expect_near(Rgba got, Rgba want, const char *where)
{
    EXPECT_NEAR(got.r, want.r, 1) << where;
    EXPECT_EQ(got.g, want.g) << where;
    EXPECT_EQ(got.b, want.b) << where;
}

TEST_F(LoadingScreenTest, AfterThreeOfEightTasks)
{
    draw_loading_screen(8, 640.0f / 8, 3);
    Picture p = read_back();
    expect_near(p.at(120, 100), BAR, "bar");
    expect_near(p.at(239, 100), BAR, "bar end");
    EXPECT_EQ(p.count_lit(241, 100, 242, 101), 0);
    // Markers: 40 by 16 pixels at the start of each task's 80 pixels.
    for (int i = 0; i < 8; ++i) {
        Rgba want = i < 3 ? WHITE : DARK_RED;
        expect_near(p.at(i * 80 + 1, 470), want, "bottom marker");
        expect_near(p.at(i * 80 + 39, 8), want, "top marker");
        EXPECT_NE(p.at(i * 80 + 41, 470), want) << "marker " << i << " too wide";
    }
    expect_near(p.at(20, 15), WHITE, "top marker's last row");
    expect_near(p.at(20, 17), BAR, "below the top marker");
    expect_near(p.at(20, 462), BAR, "above the bottom marker");
    // The two white texts, jittered the same way on every frame.
    int text_pixels = 0;
    for (int y = 150; y < 300; ++y)
        for (int x = 80; x < 640; ++x)
            text_pixels += p.at(x, y) == WHITE;
    EXPECT_GT(text_pixels, 1500);
}

TEST_F(LoadingScreenTest, AfterTheLastTaskEverythingIsDoneAndFramesRepeat)
{
    draw_loading_screen(8, 80.0f, 8);
    Picture p = read_back();
    expect_near(p.at(639, 100), BAR, "full bar");
    expect_near(p.at(561, 470), WHITE, "last marker");
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_loading_screen(8, 80.0f, 8);
    EXPECT_TRUE(read_back() == p);
}

TEST_F(LoadingScreenTest, OverlaySetupIsAPixelProjectionWithYDown)
{
    glPushAttrib(0xFFFFF);
    setup_overlay_2d();
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    glColor4f(0, 1, 0, 1);
    glBegin(GL_QUADS);
    glVertex2f(10, 20);
    glVertex2f(30, 20);
    glVertex2f(30, 40);
    glVertex2f(10, 40);
    glEnd();
    glPopAttrib();
    Picture p = read_back();
    EXPECT_EQ(p.at(15, 25), (Rgba{0, 255, 0, 255}));  // y counts from the top
    EXPECT_EQ(p.count_lit(0, 0, 640, 480), 20 * 20);
}
