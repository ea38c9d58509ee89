// program.cpp - the intro's content tables: its precalc tasks in running
// order and its timeline of scenes.
#include <cstdio>

#include "app/program.h"
#include "geometry/robot.h"
#include "geometry/terrain.h"
#include "geometry/trees.h"
#include "scenes/forest.h"
#include "scenes/forest_talk.h"
#include "scenes/messages.h"
#include "scenes/overlays.h"
#include "scenes/silhouette.h"
#include "sequencing/paths.h"
#include "text/text.h"
#include "textures/image_textures.h"
#include "textures/textures.h"

// The tasks, in running order; the loading screen's bar follows the count.
const PrecalcTask PRECALC_TASK_TABLE[] = {
    fonts_create,
    paths_init,
    textures_build,
    robot_parts_build,
    trees_build,
    terrain_build,
    image_textures_build,
    pick_invite_texture,
};
const uint32_t PRECALC_TASK_COUNT = sizeof PRECALC_TASK_TABLE / sizeof PRECALC_TASK_TABLE[0];

PrecalcList *precalc_list_build()
{
    return precalc_list_build_from(PRECALC_TASK_TABLE, PRECALC_TASK_COUNT);
}

// The scene layers the timeline names by index.
static const LayerFn TIMELINE_LAYERS[] = {
    layer_forest_walk,
    layer_forest_talk,
    layer_robot_silhouette,
    layer_fade_veil,
    layer_frame_mask,
    layer_invite_screen,
    layer_growing_caption,
    layer_closing_message,
};

enum {
    L_FOREST_WALK,
    L_FOREST_TALK,
    L_SILHOUETTE,
    L_FADE_VEIL,
    L_FRAME_MASK,
    L_INVITE,
    L_CAPTION,
    L_CLOSING,
};

// The path count and ids the talking robot and its camera follow.
#define TALK_PATHS 9, 15, 16, 17, 18, 19, 20, 21, 14, 22

const uint32_t TIMELINE_TABLE[] = {
    10,
    // order 0: the forest fades in, the robot walks
    0, 2, L_FOREST_WALK, L_FADE_VEIL, 14, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1, 13,
    128, 1, L_INVITE, 0,                         // order 2: the invitation
    192, 1, L_FOREST_TALK, TALK_PATHS,           // order 3: the robot talks
    256, 2, L_SILHOUETTE, L_CAPTION, TALK_PATHS, // order 4: it laughs
    320, 2, L_FOREST_TALK, L_FRAME_MASK, TALK_PATHS,
    384, 1, L_INVITE, TALK_PATHS,                // order 6: the invitation again
    448, 2, L_FOREST_TALK, L_FRAME_MASK, TALK_PATHS,
    464, 3, L_SILHOUETTE, L_CAPTION, L_FADE_VEIL, 0,  // order 7, row 16: the threat
    576, 1, L_CLOSING, 0,                        // order 9: the closing message
    672, 0,                                      // order 10, row 32: the end
};

TimelineEntry *timeline_build()
{
    return timeline_build_from(TIMELINE_TABLE, TIMELINE_LAYERS,
                               sizeof TIMELINE_LAYERS / sizeof TIMELINE_LAYERS[0]);
}
