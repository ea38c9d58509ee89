// program.h - the intro's program flow and its content tables.
//
// app_run() is the whole program on the platform already bootstrapped: the
// fullscreen question, the window, start-up, the precalc loop behind the
// loading screen with its fade, the song with the frame loop that follows
// the timeline, and shutdown. It returns how the run ended; the intro itself
// always exits with code 0, the capture tool reports failures.
#pragma once

#include "sequencing/precalc.h"
#include "sequencing/timeline.h"

enum AppOutcome {
    APP_OUTCOME_ENDED = 0,           // the timeline ended or the user quit
    APP_OUTCOME_NO_GL = 1,           // no window, context or required extension
    APP_OUTCOME_STARTUP_FAILED = 2,  // arena, tables, font 0 or music
    APP_OUTCOME_TASK_FAILED = 3,     // a precalc task failed
};

int app_run();

// The precalc loop: one task per frame behind the loading screen, then 64
// frames of fade to black. A failing task is reported in a message box with
// its index and ends the loop after its frame (quit_requested is set).
// Returns 0 when a task failed.
int precalc_run(const PrecalcList *list);

// What the program showed on a presented frame. Precalc frames have order,
// row and entry -1 and no time.
struct AppFrameInfo {
    int elapsed_ms;
    int frame_ms;
    int order;
    int row;
    int entry;  // index of the current timeline entry
};

// Called after every presented frame when set (the capture tool logs them).
extern void (*app_on_frame)(const AppFrameInfo *info);

// Called just before (finished 0) and just after (finished 1) each precalc
// task when set (the capture tool times them).
extern void (*app_on_task)(uint32_t index, int finished);

// The program's task list and timeline, built in the arena.
PrecalcList *precalc_list_build();
TimelineEntry *timeline_build();

extern const PrecalcTask PRECALC_TASK_TABLE[];
extern const uint32_t PRECALC_TASK_COUNT;
extern const uint32_t TIMELINE_TABLE[];
