// The program's timeline as properties the pictures show only as frozen
// motion: every entry advances the paths its scenes read, the starts ascend
// and only the last entry ends the show.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/program.h"
#include "base/arena.h"
#include "geometry/robot.h"
#include "scenes/forest.h"
#include "scenes/forest_talk.h"

namespace {

std::set<int32_t> paths_read(const RobotPose &p, int32_t camera_a, int32_t camera_b)
{
    std::set<int32_t> ids = {p.place, p.lift, p.body, p.neck, camera_a, camera_b};
    for (int side = 0; side < 2; ++side)
        ids.insert({p.shoulder[side], p.elbow[side], p.hip[side], p.knee[side]});
    ids.erase(ROBOT_JOINT_FIXED);
    return ids;
}

TEST(Program, EachEntryAdvancesThePathsItsScenesRead)
{
    ASSERT_EQ(arena_init(), 1);
    const TimelineEntry *t = timeline_build();
    ASSERT_NE(t, nullptr);
    for (uint32_t e = 0; e < TIMELINE_TABLE[0]; ++e) {
        EXPECT_TRUE(e == 0 || t[e].start > t[e - 1].start) << e;
        EXPECT_EQ(t[e].layer_count == 0, e == TIMELINE_TABLE[0] - 1) << e;
        const std::set<int32_t> ids(t[e].path_ids, t[e].path_ids + t[e].path_count);
        for (const LayerFn *layer = t[e].layers; layer < t[e].layers + t[e].layer_count; ++layer) {
            std::set<int32_t> read;
            if (*layer == layer_forest_walk)
                read = paths_read(ROBOT_POSE_WALK, 0, 1);
            if (*layer == layer_forest_talk)
                read = paths_read(ROBOT_POSE_TALK, 14, 14);
            EXPECT_TRUE(std::includes(ids.begin(), ids.end(), read.begin(), read.end())) << e;
        }
    }
    arena_release();
}

}  // namespace
