// precalc.h - the precalc task list and the loading screen.
//
// Content that takes time to build is made by tasks that the program runs one
// per frame, drawing the loading screen after each. precalc_list_build_from()
// copies a task table into the arena; the program's own table and
// precalc_list_build() live with the program flow.
//
//   PrecalcList *list = precalc_list_build_from(TASKS, count);
//   ... list->tasks[i]() ...
//   draw_loading_screen(list->count, 640.0f / list->count, done);
#pragma once

#include <cstdint>

typedef int (*PrecalcTask)(void);

struct PrecalcList {
    uint32_t count;
    PrecalcTask *tasks;
};

// The list in the arena, or null when the arena is exhausted.
PrecalcList *precalc_list_build_from(const PrecalcTask *table, uint32_t count);

// The shared 2-D state: flat shading, no culling or depth test, colour
// material, a 640x480 pixel projection with y growing downwards, identity
// modelview (matrix mode left at GL_MODELVIEW). Matrices are not saved.
void setup_overlay_2d();

// The loading screen after done of count tasks, bar_width pixels per task.
void draw_loading_screen(int count, float bar_width, int done);
