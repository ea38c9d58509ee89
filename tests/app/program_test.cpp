// The program's own tables: its precalc tasks and its timeline of scenes.
#include <gtest/gtest.h>

#include <vector>

#include "app/arena.h"
#include "app/program.h"
#include "geometry/robot.h"
#include "geometry/terrain.h"
#include "geometry/trees.h"
#include "scenes/forest.h"
#include "scenes/forest_talk.h"
#include "scenes/messages.h"
#include "scenes/overlays.h"
#include "scenes/silhouette.h"
#include "text/text.h"
#include "textures/image_textures.h"
#include "textures/textures.h"

TEST(Program, PrecalcTasksRunInTheirOrder)
{
    const std::vector<PrecalcTask> expected = {fonts_create,      paths_init,    textures_build,
                                               robot_parts_build, trees_build,   terrain_build,
                                               image_textures_build, pick_invite_texture};
    ASSERT_EQ(PRECALC_TASK_COUNT, expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(PRECALC_TASK_TABLE[i], expected[i]) << "task " << i;
}

TEST(Program, TimelineEntriesLayersAndPaths)
{
    struct Expected {
        uint32_t start;
        std::vector<LayerFn> layers;
        std::vector<int32_t> paths;
    };
    const std::vector<int32_t> talk = {15, 16, 17, 18, 19, 20, 21, 14, 22};
    const std::vector<Expected> table = {
        {0, {layer_forest_walk, layer_fade_veil}, {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1, 13}},
        {128, {layer_invite_screen}, {}},
        {192, {layer_forest_talk}, talk},
        {256, {layer_robot_silhouette, layer_growing_caption}, talk},
        {320, {layer_forest_talk, layer_frame_mask}, talk},
        {384, {layer_invite_screen}, talk},
        {448, {layer_forest_talk, layer_frame_mask}, talk},
        {464, {layer_robot_silhouette, layer_growing_caption, layer_fade_veil}, {}},
        {576, {layer_closing_message}, {}},
        {672, {}, {}},
    };
    ASSERT_EQ(arena_init(), 1);
    TimelineEntry *t = timeline_build();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(TIMELINE_TABLE[0], table.size());
    for (size_t e = 0; e < table.size(); ++e) {
        EXPECT_EQ(t[e].start, table[e].start) << "entry " << e;
        ASSERT_EQ(t[e].layer_count, table[e].layers.size()) << "entry " << e;
        for (size_t k = 0; k < table[e].layers.size(); ++k)
            EXPECT_EQ(t[e].layers[k], table[e].layers[k]) << "entry " << e << " layer " << k;
        ASSERT_EQ(t[e].path_count, table[e].paths.size()) << "entry " << e;
        for (size_t k = 0; k < table[e].paths.size(); ++k)
            EXPECT_EQ(t[e].path_ids[k], table[e].paths[k]) << "entry " << e << " path " << k;
    }
    arena_release();
}
