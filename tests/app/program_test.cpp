// The program's own tables: what the precalc order and the timeline must
// get right, checked as properties rather than copied.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "app/program.h"
#include "base/arena.h"
#include "embedded_data.h"
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

static int task_index(PrecalcTask task)
{
    const PrecalcTask *end = PRECALC_TASK_TABLE + PRECALC_TASK_COUNT;
    const PrecalcTask *at = std::find(PRECALC_TASK_TABLE, end, task);
    return at == end ? -1 : (int)(at - PRECALC_TASK_TABLE);
}

TEST(Program, FontsComeFirstAndEveryTextureReaderAfterTheTextures)
{
    ASSERT_EQ(PRECALC_TASK_COUNT, 8u);
    EXPECT_EQ(task_index(fonts_create), 0);  // the loading screen writes with font 0
    EXPECT_GE(task_index(paths_init), 0);
    const int textures = task_index(textures_build);
    ASSERT_GE(textures, 0);
    for (PrecalcTask reader : {robot_parts_build, trees_build, terrain_build,
                               image_textures_build, pick_invite_texture})
        EXPECT_GT(task_index(reader), textures);
}

// The path ids a pose turns its joints with (fixed joints aside).
static std::set<int32_t> pose_paths(const RobotPose &p)
{
    std::set<int32_t> ids = {p.place, p.lift, p.body, p.neck};
    for (int side = 0; side < 2; ++side)
        ids.insert({p.shoulder[side], p.elbow[side], p.hip[side], p.knee[side]});
    ids.erase(ROBOT_JOINT_FIXED);
    return ids;
}

TEST(Program, TimelineShowsEverySceneInOrderAndAdvancesThePathsItsScenesRead)
{
    ASSERT_EQ(arena_init(), 1);
    const TimelineEntry *t = timeline_build();
    ASSERT_NE(t, nullptr);
    const uint32_t count = TIMELINE_TABLE[0];
    std::set<LayerFn> shown;
    for (uint32_t e = 0; e < count; ++e) {
        EXPECT_TRUE(e == 0 ? t[e].start == 0 : t[e].start > t[e - 1].start) << e;
        EXPECT_EQ(t[e].layer_count == 0, e == count - 1) << "only the last entry ends it";
        const std::set<int32_t> ids(t[e].path_ids, t[e].path_ids + t[e].path_count);
        EXPECT_EQ(ids.size(), t[e].path_count) << e;
        for (int32_t id : ids)
            EXPECT_TRUE(id >= 0 && (uint32_t)id < PATH_TABLE_COUNT) << e << ": " << id;
        // The walk's camera follows paths 0 and 1, the close-ups' path 14.
        std::set<int32_t> read;
        for (uint32_t k = 0; k < t[e].layer_count; ++k) {
            shown.insert(t[e].layers[k]);
            if (t[e].layers[k] == layer_forest_walk)
                read = pose_paths(ROBOT_POSE_WALK), read.insert({0, 1});
            if (t[e].layers[k] == layer_forest_talk)
                read = pose_paths(ROBOT_POSE_TALK), read.insert(14);
        }
        EXPECT_TRUE(std::includes(ids.begin(), ids.end(), read.begin(), read.end())) << e;
    }
    EXPECT_EQ(shown, (std::set<LayerFn>{layer_forest_walk, layer_forest_talk,
                                        layer_robot_silhouette, layer_fade_veil,
                                        layer_frame_mask, layer_invite_screen,
                                        layer_growing_caption, layer_closing_message}));
    arena_release();
}
