// main_flow.cpp - start-up, the precalc loop, the frame loop and shutdown
// (see program.h).
#include <cstdio>

#include "app/program.h"
#include "base/arena.h"
#include "base/clock.h"
#include "base/shell.h"
#include "base/window.h"
#include "music/music.h"
#include "music/song_source.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "sequencing/paths.h"
#include "sequencing/precalc.h"
#include "support/report.h"
#include "text/text.h"

void (*app_on_frame)(const AppFrameInfo *info);
void (*app_on_task)(uint32_t index, int finished);

static const char *const TITLE = "frostmere compo 2006";
static const int FADE_FRAMES = 64;

static int ask_fullscreen()
{
    int answer;
    do {
        answer = platform.ask_yes_no(TITLE, "Would you like to run fullscreen ?");
    } while (answer != PLATFORM_ANSWER_YES && answer != PLATFORM_ANSWER_NO);
    return answer == PLATFORM_ANSWER_YES;
}

// Multiplies the frame by fade / 64 with one black quad: with the blend
// function (ONE, SRC_ALPHA) the destination keeps alpha of itself.
static void draw_fade_quad(int fade)
{
    glColor4f(0.0f, 0.0f, 0.0f, (float)fade * 0.015625f);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(640.0f, 0.0f);
    glVertex2f(640.0f, 480.0f);
    glVertex2f(0.0f, 480.0f);
    glEnd();
}

static void report_frame(int elapsed_ms, int frame_ms, int order, int row, int entry)
{
    if (app_on_frame) {
        AppFrameInfo info = {elapsed_ms, frame_ms, order, row, entry};
        app_on_frame(&info);
    }
}

static int run_task(const PrecalcList *list, uint32_t index)
{
    if (app_on_task)
        app_on_task(index, 0);
    int ok = list->tasks[index]();
    if (app_on_task)
        app_on_task(index, 1);
    return ok;
}

static void report_task_failure(uint32_t task_index)
{
    char message[64];
    snprintf(message, sizeof message, "yay, something fucked up\n\n0x%02x (init)", task_index);
    platform.message_box("fuckfuckfuckfuck!", message);
}

int precalc_run(const PrecalcList *list)
{
    float bar_width = 640.0f / (float)list->count;
    uint32_t task_index = 0;
    bool tasks_done = list->count == 0;
    int fade = FADE_FRAMES;
    int ok = 1;
    while (fade > 0) {
        window_pump_messages();
        if (!tasks_done && !run_task(list, task_index)) {
            report_task_failure(task_index);
            quit_requested = 1;
            ok = 0;
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (!tasks_done && ++task_index >= list->count)
            tasks_done = true;
        draw_loading_screen((int)list->count, bar_width, (int)task_index);

        glPushAttrib(GL11_ALL_ATTRIB_BITS);
        setup_overlay_2d();
        glBlendFunc(GL_ONE, GL_SRC_ALPHA);
        glEnable(GL_BLEND);
        if (tasks_done)
            draw_fade_quad(fade--);
        window_swap_buffers();
        glPopAttrib();
        report_frame(0, 0, -1, -1, -1);
        if (quit_requested)
            break;
    }
    return ok;
}

// The song's position as heard, as one pair. The audio thread may move on
// between two reads; a row read between two equal orders belongs to that
// order. A pair torn at an order boundary (the old order's last row with the
// new order) would put the song up to a pattern ahead for a frame and fire
// the row events of that stretch early.
static void read_song_position(int *order, int *row)
{
    int before;
    do {
        before = song_get_order(song_handle);
        *row = song_get_row(song_handle);
        *order = song_get_order(song_handle);
    } while (*order != before);
}

// The frame loop: the timeline follows the song's position as heard until
// it reaches its terminator or the user quits.
static void run_timeline(const TimelineEntry *timeline)
{
    const TimelineEntry *current = timeline;
    int elapsed_ms = 0;
    int frame_ms = 0;
    for (;;) {
        if (current->layer_count == 0)
            break;
        window_pump_messages();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        int order, row;
        read_song_position(&order, &row);
        current = timeline_advance(current, song_position(order, row));
        if (current->path_count)
            paths_update(elapsed_ms, current->path_ids, current->path_count);
        for (uint32_t i = 0; i < current->layer_count; ++i)
            current->layers[i](order, row, (int)current->start, elapsed_ms, frame_ms);
        window_swap_buffers();
        report_frame(elapsed_ms, frame_ms, order, row, (int)(current - timeline));

        // Pacing: yield until the frame period has passed; a slow frame
        // does not wait at all.
        while (clock_peek() <= frame_period)
            platform.sleep_ms(0);
        clock_tick();
        frame_ms = clock_frame_ms(clock_delta());
        elapsed_ms += frame_ms;
        if (quit_requested)
            break;
    }
}

// Ends a start-up that got as far as the window: the reason goes to stderr.
static int startup_failed(int outcome, const char *reason)
{
    report("start-up failed: %s", reason);
    music_stop();
    arena_release();
    window_destroy();
    unregister_window_class();
    return outcome;
}

int app_run()
{
    int fullscreen_wanted = ask_fullscreen();
    if (!register_window_class()) {
        report("start-up failed: the display could not be used");
        unregister_window_class();
        return APP_OUTCOME_STARTUP_FAILED;
    }
    // Without a window there is no context to ask for extensions: that is a
    // failure of its own, not a missing extension.
    if (!window_create(640, 480, 32, fullscreen_wanted, TITLE))
        return startup_failed(APP_OUTCOME_NO_GL, "no OpenGL window could be opened");
    if (!has_gl_extension("GL_ARB_texture_cube_map")) {
        platform.message_box("CRRRRAPPPP!!", "extension missing -> abort (haha)");
        return startup_failed(APP_OUTCOME_NO_GL,
                              "OpenGL lacks GL_ARB_texture_cube_map (cube map reflections)");
    }
    frame_period = frame_period_for_refresh(refresh_rate);

    // Start-up failures below end the program; the reason goes to stderr.
    const char *failed = nullptr;
    PrecalcList *precalc = nullptr;
    TimelineEntry *timeline = nullptr;
    if (!arena_init())
        failed = "the 8 MB arena could not be allocated";
    else if (!(precalc = precalc_list_build()))
        failed = "the precalc list does not fit the arena";
    else if (!(timeline = timeline_build()))
        failed = "the timeline could not be built";
    else if (!font_create(40, 40, "Arial"))
        failed = "the font \"Arial\" (or a metric-compatible face) was not found";
    else if (!music_init())
        failed = "the music could not be started (no sound device, or the song was rejected)";
    if (failed)
        return startup_failed(APP_OUTCOME_STARTUP_FAILED, failed);
    int outcome = APP_OUTCOME_ENDED;
    if (!quit_requested && !precalc_run(precalc))
        outcome = APP_OUTCOME_TASK_FAILED;

    platform.sleep_ms(500);
    music_start();
    clock_start();
    if (!quit_requested)
        run_timeline(timeline);

    memsrc_close(nullptr);
    music_stop();
    arena_release();
    window_destroy();
    unregister_window_class();
    return outcome;
}
