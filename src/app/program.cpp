// program.cpp - the intro's content tables: its precalc tasks in running
// order and its timeline of scenes.
#include <cstdio>

#include "app/program.h"
#include "embedded_data.h"
#include "platform/gl.h"
#include "sequencing/paths.h"
#include "text/text.h"
#include "textures/textures.h"

// Precalc task: the stored animation paths as floats in the arena.
int paths_init()
{
    return paths_init_from(PATH_TABLE, PATH_TABLE_COUNT);
}

// The tasks, in running order; the loading screen's bar follows the count.
const PrecalcTask PRECALC_TASK_TABLE[] = {
    fonts_create,
    paths_init,
    textures_build,
};
const uint32_t PRECALC_TASK_COUNT = sizeof PRECALC_TASK_TABLE / sizeof PRECALC_TASK_TABLE[0];

PrecalcList *precalc_list_build()
{
    return precalc_list_build_from(PRECALC_TASK_TABLE, PRECALC_TASK_COUNT);
}

// Until the scenes exist every entry draws where the song is.
static void layer_song_position(int order, int row, int entry_start, int elapsed_ms, int)
{
    char text[64];
    snprintf(text, sizeof text, "%02d:%02d  %d  %d ms", order, row, entry_start, elapsed_ms);
    glPushAttrib(0xFFFFF);
    glColor4f(1, 1, 1, 1);
    draw_text(40, 240, text, 0);
    glPopAttrib();
}

static const LayerFn TIMELINE_LAYERS[] = {
    layer_song_position,
};

enum { L_POSITION = 0 };

const uint32_t TIMELINE_TABLE[] = {
    10,
    0, 1, L_POSITION, 0,    // order 0
    128, 1, L_POSITION, 0,  // order 2
    192, 1, L_POSITION, 0,  // order 3
    256, 1, L_POSITION, 0,  // order 4
    320, 1, L_POSITION, 0,  // order 5
    384, 1, L_POSITION, 0,  // order 6
    448, 1, L_POSITION, 0,  // order 7
    464, 1, L_POSITION, 0,  // order 7, row 16
    576, 1, L_POSITION, 0,  // order 9
    672, 0,                 // order 10, row 32: the end
};

TimelineEntry *timeline_build()
{
    return timeline_build_from(TIMELINE_TABLE, TIMELINE_LAYERS,
                               sizeof TIMELINE_LAYERS / sizeof TIMELINE_LAYERS[0]);
}
