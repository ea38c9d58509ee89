// The precalc loop on the capture backend: tasks one per frame, the fade,
// and a failing task's message.
#include <string>
#include <vector>

#include "app/arena.h"
#include "app/program.h"
#include "app/shell.h"
#include "gl_fixture.h"
#include "platform/capture/capture_platform.h"
#include "text/text.h"

static std::vector<int> ran;
static Picture last_frame;
static int task_a() { ran.push_back(0); return 1; }
static int task_b() { ran.push_back(1); return 1; }
static int task_fails() { ran.push_back(2); return 0; }
static int task_escape() { ran.push_back(3); quit_requested = 1; return 1; }

class PrecalcLoopTest : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        GlTest::SetUpTestSuite();
        if (font_count == 0) {
            ASSERT_EQ(font_create(40, 40, "Arial"), 1);
        }
    }
    void SetUp() override
    {
        GlTest::SetUp();
        ASSERT_EQ(arena_init(), 1);
        ran.clear();
        quit_requested = 0;
        frames_before = capture_frames_presented();
        boxes_before = capture_message_boxes_shown();
    }
    void TearDown() override
    {
        arena_release();
        quit_requested = 0;
    }
    uint32_t frames() const { return capture_frames_presented() - frames_before; }
    uint32_t boxes() const { return capture_message_boxes_shown() - boxes_before; }
    uint32_t frames_before = 0, boxes_before = 0;
};

TEST_F(PrecalcLoopTest, EachTaskGetsAFrameThenSixtyFourFramesFade)
{
    const PrecalcTask table[] = {task_a, task_b, task_a};
    PrecalcList *list = precalc_list_build_from(table, 3);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(precalc_run(list), 1);
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(frames(), 3u + 63u);  // the third task's frame starts the fade
    EXPECT_EQ(boxes(), 0u);
    EXPECT_EQ(quit_requested, 0);
    // The last fade frame is the loading screen at 1/64: next to black.
    EXPECT_LE(read_back().at(5, 100).r, 2);
}

TEST_F(PrecalcLoopTest, AFailingTaskIsReportedWithItsIndexAndEndsTheLoop)
{
    const PrecalcTask table[] = {task_a, task_fails, task_b, task_a};
    PrecalcList *list = precalc_list_build_from(table, 4);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(precalc_run(list), 0);
    EXPECT_EQ(ran, (std::vector<int>{0, 2}));
    EXPECT_EQ(frames(), 2u);  // the failing task's frame is still shown
    EXPECT_EQ(quit_requested, 1);
    ASSERT_EQ(boxes(), 1u);
    EXPECT_EQ(std::string(capture_last_message_caption()), "fuckfuckfuckfuck!");
    EXPECT_EQ(std::string(capture_last_message_text()), "yay, something fucked up\n\n0x01 (init)");
    // That frame counts the failed task as done: two of four, 320 pixels.
    Picture p = read_back();
    EXPECT_GT(p.at(319, 100).r, 100);
    EXPECT_EQ(p.at(321, 100).r, 0);
}

TEST_F(PrecalcLoopTest, QuittingDuringPrecalcStopsAfterTheCurrentFrame)
{
    const PrecalcTask table[] = {task_a, task_escape, task_b};
    PrecalcList *list = precalc_list_build_from(table, 3);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(precalc_run(list), 1);
    EXPECT_EQ(ran, (std::vector<int>{0, 3}));
    EXPECT_EQ(frames(), 2u);
    EXPECT_EQ(boxes(), 0u);
}
