#include "gl_fixture.h"
#include "platform/gl.h"
#include "sequencing/precalc.h"
#include "text/text.h"

class LoadingScreenTest : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        GlTest::SetUpTestSuite();
        ASSERT_EQ(test_fonts_create(0), 1);
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
