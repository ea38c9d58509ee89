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
static int task_ok() { return ran.push_back(0), 1; }
static int task_fails() { return ran.push_back(1), 0; }
static int task_quits() { return ran.push_back(2), quit_requested = 1; }

TEST_F(GlTest, PrecalcRunsATaskAFrameThenFadesOrStopsOnFailureOrQuit)
{
    ASSERT_EQ(test_fonts_create(0), 1);
    const struct {
        std::vector<PrecalcTask> tasks;
        int result;
        std::vector<int> ran;
        uint32_t frames, boxes;
    } cases[] = {
        {{task_ok, task_ok, task_ok}, 1, {0, 0, 0}, 3 + 63, 0},  // the last task's frame fades too
        {{task_ok, task_quits, task_ok}, 1, {0, 2}, 2, 0},
        {{task_ok, task_fails, task_ok, task_ok}, 0, {0, 1}, 2, 1},  // its frame is still shown
    };
    for (const auto &c : cases) {
        ASSERT_EQ(arena_init(), 1);
        ran.clear(), quit_requested = 0;
        const uint32_t frames = capture_frames_presented(), boxes = capture_message_boxes_shown();
        const PrecalcList *list = precalc_list_build_from(c.tasks.data(), (uint32_t)c.tasks.size());
        EXPECT_EQ(precalc_run(list), c.result);
        EXPECT_EQ(ran, c.ran);
        EXPECT_EQ(capture_frames_presented() - frames, c.frames);
        EXPECT_EQ(capture_message_boxes_shown() - boxes, c.boxes);
        EXPECT_EQ(quit_requested, c.ran.back() != 0);
        arena_release();
    }
    quit_requested = 0;
    // The failed task, last, counts as done on its frame: two of four, 320 pixels.
    const Picture p = read_back();
    EXPECT_TRUE(p.at(319, 100).r > 100 && p.at(321, 100).r == 0);
    EXPECT_EQ(std::string(capture_last_message_caption()), "fuckfuckfuckfuck!");
    EXPECT_EQ(std::string(capture_last_message_text()), "yay, something fucked up\n\n0x01 (init)");
}
