// The forest cameras stay clear of the hills: on every frame that shows a
// forest scene, the eye stands well above the ground it looks out from, so
// the near plane never cuts into a hillside. Heights come from the terrain
// grid as the terrain list records it (pool texture 1's red channel, made
// here without OpenGL), the walk camera's place from the stored path table
// through the program's own path interpolation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/arena.h"
#include "embedded_data.h"
#include "geometry/terrain.h"
#include "scenes/forest_talk.h"
#include "sequencing/paths.h"
#include "textures/textures.h"

namespace {

// What the eye must keep between itself and the highest ground in reach.
const float MIN_CLEARANCE = 1.5f;
// The near plane (1 unit away, 45 degrees high, 4:3) reaches 1.22 units from
// the eye at its corners: ground that close could show through it.
const float NEAR_REACH = 1.25f;

std::vector<uint8_t> kept_height_map;
int uploads_seen;

// Keeps the slot the second upload (texture 1) takes, as the height map.
int keep_texture_one(const TextureOp *op)
{
    if (uploads_seen++ == 1) {
        const uint8_t *pixels = tex_slot(op->dst);
        kept_height_map.resize(TERRAIN_MAP_SIZE * TERRAIN_MAP_SIZE);
        for (int i = 0; i < TERRAIN_MAP_SIZE * TERRAIN_MAP_SIZE; ++i)
            kept_height_map[i] = pixels[4 * i];
    }
    return 1;
}

const std::vector<uint8_t> &terrain_heights()
{
    if (kept_height_map.empty()) {
        TextureOpFn ops[TEX_OP_COUNT];
        memcpy(ops, TEXTURE_OPS, sizeof ops);
        ops[TEX_OP_UPLOAD] = keep_texture_one;
        uploads_seen = 0;
        const TextureOp *records = (const TextureOp *)(TEXTURE_SCRIPT + 2);
        const int length = TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8;
        EXPECT_EQ(texture_script_run_with(ops, records, length), 1);
        EXPECT_EQ(uploads_seen, TEXTURE_COUNT);
    }
    return kept_height_map;
}

// The highest terrain vertex of any grid cell that reaches within
// NEAR_REACH of (x, z) on the ground plane (square reach, a little more than
// round). Whatever way a cell's quad is split into triangles, its surface
// stays below its highest corner. -1 off the grid.
float ground_in_reach(float x, float z)
{
    const std::vector<uint8_t> &map = terrain_heights();
    float highest = -1.0f;
    // Quad (r, j) spans x in [j - 128, j - 124] and z in [r - 132, r - 128].
    const int j0 = 4 * (int)std::floor((x - NEAR_REACH + 128.0f) / 4.0f);
    const int j1 = 4 * (int)std::floor((x + NEAR_REACH + 128.0f) / 4.0f);
    const int r0 = 4 * (int)std::floor((z - NEAR_REACH + 132.0f) / 4.0f);
    const int r1 = 4 * (int)std::floor((z + NEAR_REACH + 132.0f) / 4.0f);
    for (int r = std::max(r0, 8); r <= std::min(r1, 252); r += 4)
        for (int j = std::max(j0, 4); j <= std::min(j1, 248); j += 4) {
            TerrainVertex quad[4];
            terrain_quad(map.data(), r, j, quad);
            for (const TerrainVertex &v : quad)
                highest = std::max(highest, v.position[1]);
        }
    return highest;
}

TEST(CameraClearance, GroundInReachFollowsTheTerrainGrid)
{
    const std::vector<uint8_t> &map = terrain_heights();
    ASSERT_EQ(map.size(), (size_t)(256 * 256));
    // Vertex (x, z) of the grid reads map row z + 128, column x + 128.
    auto vertex = [&](int x, int z) { return 0.1f * (float)map[(z + 128) * 256 + x + 128]; };
    const float middle = std::max({vertex(20, 100), vertex(24, 100), vertex(20, 104),
                                   vertex(24, 104)});
    EXPECT_FLOAT_EQ(ground_in_reach(22.0f, 102.0f), middle);
    EXPECT_GE(ground_in_reach(23.0f, 102.0f), vertex(28, 104));  // reaches the next cell
    EXPECT_EQ(ground_in_reach(200.0f, 0.0f), -1.0f);
    // The hills rise above the walk camera's 25 units: the check has work to do.
    float top = 0.0f;
    for (uint8_t h : map)
        top = std::max(top, 0.1f * (float)h);
    EXPECT_GT(top, 25.0f);
}

// The walk (orders 0 and 1, 128 rows of 6 ticks at 136 BPM: the song test
// pins the speed and tempo) moves its eye with path 0. The scene changes
// when the song is heard to reach order 2, so the check runs a little past
// the rows' own end.
TEST(CameraClearance, WalkCameraKeepsAboveTheHills)
{
    const double walk_ms = 128 * 6 * 2500.0 / 136.0;
    const int checked_ms = (int)walk_ms + 400;
    arena_release();
    ASSERT_EQ(arena_init(), 1);
    ASSERT_EQ(paths_init_from(PATH_TABLE, PATH_TABLE_COUNT), 1);
    const int32_t walk_paths[] = {0};
    float lowest = 1e9f;
    int lowest_ms = -1;
    for (int ms = 0; ms <= checked_ms; ms += 2) {  // every 2 ms: finer than any frame
        paths_update(ms, walk_paths, 1);
        const PathPoint place = path_value(0);
        // layer_forest_walk moves the world by ((320 - x) / 2, -25, (240 - y) / 2).
        const float eye_x = (place.x - 320.0f) * 0.5f;
        const float eye_y = 25.0f;
        const float eye_z = (place.y - 240.0f) * 0.5f;
        const float clearance = eye_y - ground_in_reach(eye_x, eye_z);
        if (clearance < lowest)
            lowest = clearance, lowest_ms = ms;
        ASSERT_GE(clearance, MIN_CLEARANCE)
            << "at " << ms << " ms the eye (" << eye_x << ", " << eye_y << ", " << eye_z
            << ") is " << clearance << " above the ground in reach";
    }
    RecordProperty("lowest_clearance", std::to_string(lowest));
    RecordProperty("lowest_clearance_ms", lowest_ms);
    arena_release();
}

// The talk scene's eye does not follow a path: it stands at (60, -shift, 20)
// and only turns. Every order that shows it must still find it clear.
TEST(CameraClearance, TalkCameraStandsAboveTheHills)
{
    for (int order : {3, 5, 7}) {
        const float eye_y = -forest_talk_shift(order);
        EXPECT_GE(eye_y - ground_in_reach(60.0f, 20.0f), MIN_CLEARANCE) << "order " << order;
    }
}

}  // namespace
