// The precalc loop on the capture backend: tasks one per frame, the fade,
// a failing task's message and quitting part-way.
#include <string>
#include <vector>

#include "app/program.h"
#include "base/arena.h"
#include "base/shell.h"
#include "gl_fixture.h"
#include "platform/capture/capture_platform.h"

static std::vector<int> ran;
static int task_ok() { ran.push_back(0); return 1; }
static int task_fails() { ran.push_back(1); return 0; }
static int task_quits() { ran.push_back(2); quit_requested = 1; return 1; }

// Runs the tasks; returns precalc_run's result and the frames presented.
static int run(std::vector<PrecalcTask> tasks, uint32_t *frames)
{
    ran.clear();
    quit_requested = 0;
    uint32_t before = capture_frames_presented();
    PrecalcList *list = precalc_list_build_from(tasks.data(), (uint32_t)tasks.size());
    int result = list ? precalc_run(list) : -1;
    *frames = capture_frames_presented() - before;
    return result;
}

class PrecalcLoopTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        ASSERT_EQ(test_fonts_create(0), 1);
        ASSERT_EQ(arena_init(), 1);
    }
    void TearDown() override
    {
        arena_release();
        quit_requested = 0;
    }
};

TEST_F(PrecalcLoopTest, EachTaskGetsAFrameThenSixtyFourFramesFade)
{
    uint32_t frames, boxes = capture_message_boxes_shown();
    EXPECT_EQ(run({task_ok, task_ok, task_ok}, &frames), 1);
    EXPECT_EQ(ran.size(), 3u);
    EXPECT_EQ(frames, 3u + 63u);  // the third task's frame starts the fade
    EXPECT_EQ(capture_message_boxes_shown(), boxes);
    EXPECT_LE(read_back().at(5, 100).r, 2);  // the last fade frame is at 1/64
}

TEST_F(PrecalcLoopTest, AFailingTaskIsReportedWithItsIndexAndEndsTheLoop)
{
    uint32_t frames, boxes = capture_message_boxes_shown();
    EXPECT_EQ(run({task_ok, task_fails, task_ok, task_ok}, &frames), 0);
    EXPECT_EQ(ran, (std::vector<int>{0, 1}));
    EXPECT_EQ(frames, 2u);  // the failing task's frame is still shown
    EXPECT_EQ(quit_requested, 1);
    ASSERT_EQ(capture_message_boxes_shown(), boxes + 1);
    EXPECT_EQ(std::string(capture_last_message_caption()), "fuckfuckfuckfuck!");
    EXPECT_EQ(std::string(capture_last_message_text()), "yay, something fucked up\n\n0x01 (init)");
    // That frame counts the failed task as done: two of four, 320 pixels.
    Picture p = read_back();
    EXPECT_GT(p.at(319, 100).r, 100);
    EXPECT_EQ(p.at(321, 100).r, 0);
}

TEST_F(PrecalcLoopTest, QuittingStopsAfterTheCurrentFrame)
{
    uint32_t frames;
    EXPECT_EQ(run({task_ok, task_quits, task_ok}, &frames), 1);
    EXPECT_EQ(ran, (std::vector<int>{0, 2}));
    EXPECT_EQ(frames, 2u);
}
