// path_poses.h - holds the animation paths at chosen points, for tests that
// pose the robot or the camera.
//
//   ASSERT_EQ(arena_init(), 1);
//   ASSERT_EQ(pose_paths({320, 240}), 1);                        // every path
//   ASSERT_EQ(pose_paths({320, 240}, {{3, {410, 240}}}), 1);     // path 3 apart
//
// It goes through the program's own entry points: paths_init_from() with a
// table of paths that stand still (every point the same, so the four-point
// cubic gives that point exactly), then paths_update() once on every path.
// Each call takes about 100 KB of the arena. Points are whole numbers in the
// stored int16 range.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sequencing/paths.h"

struct PathPose {
    int id;
    PathPoint at;
};

inline int pose_paths(PathPoint all, std::initializer_list<PathPose> poses = {})
{
    PathPoint at[PATH_COUNT];
    for (PathPoint &p : at)
        p = all;
    for (const PathPose &pose : poses)
        at[pose.id] = pose.at;
    static std::vector<uint8_t> bytes(PATH_COUNT * PATH_POINTS * 4);
    const uint8_t *table[PATH_COUNT];
    int32_t ids[PATH_COUNT];
    for (int id = 0; id < PATH_COUNT; ++id) {
        uint8_t *path = bytes.data() + id * PATH_POINTS * 4;
        const int16_t x = (int16_t)at[id].x, y = (int16_t)at[id].y;
        for (int i = 0; i < PATH_POINTS; ++i) {
            path[i * 4 + 0] = (uint8_t)x, path[i * 4 + 1] = (uint8_t)((uint16_t)x >> 8);
            path[i * 4 + 2] = (uint8_t)y, path[i * 4 + 3] = (uint8_t)((uint16_t)y >> 8);
        }
        table[id] = path;
        ids[id] = id;
    }
    if (!paths_init_from(table, PATH_COUNT))
        return 0;
    paths_update(0, ids, PATH_COUNT);
    return 1;
}
