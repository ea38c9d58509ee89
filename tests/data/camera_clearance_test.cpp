// The forest cameras stay clear of the hills: on every frame that shows a
// forest scene the eye stands well above the ground it looks out from, so
// the near plane never cuts into a hillside. The heights are the terrain
// grid as the terrain list records it (texture 1's red channel), the walk's
// eye comes from the stored path through the program's own interpolation.
#include <algorithm>
#include <cmath>
#include <vector>

#include "../gl_fixture.h"
#include "base/arena.h"
#include "embedded_data.h"
#include "geometry/terrain.h"
#include "scenes/forest.h"
#include "scenes/forest_talk.h"
#include "textures/textures.h"

namespace {

// What the eye must keep above the ground within the near plane's reach
// (1 unit away, 45 degrees high, 4:3: 1.22 units at its corners).
const float MIN_CLEARANCE = 1.5f, NEAR_REACH = 1.25f;

std::vector<uint8_t> heights;

// The highest vertex of any grid cell within NEAR_REACH of (x, z): whatever
// way a cell is split into triangles, it stays below its highest corner.
// Cell (r, j) spans x in [j - 128, j - 124] and z in [r - 132, r - 128].
float ground_in_reach(float x, float z)
{
    auto cell = [](float at, float offset) { return 4 * (int)std::floor((at + offset) / 4); };
    const int r0 = std::max(cell(z - NEAR_REACH, 132), 8);
    const int r1 = std::min(cell(z + NEAR_REACH, 132), 252);
    const int j0 = std::max(cell(x - NEAR_REACH, 128), 4);
    const int j1 = std::min(cell(x + NEAR_REACH, 128), 248);
    float highest = -1.0f;
    for (int r = r0; r <= r1; r += 4)
        for (int j = j0; j <= j1; j += 4) {
            TerrainVertex quad[4];
            terrain_quad(heights.data(), r, j, quad);
            for (const TerrainVertex &v : quad)
                highest = std::max(highest, v.position[1]);
        }
    return highest;
}

TEST_F(GlTest, ForestCamerasStayAboveTheHills)
{
    ASSERT_EQ(arena_init(), 1);
    ASSERT_EQ(textures_build(), 1);
    for (int i = 0; i < TERRAIN_MAP_SIZE * TERRAIN_MAP_SIZE; ++i)
        heights.push_back(texture_pixels(1)[4 * i]);
    EXPECT_GT(*std::max_element(heights.begin(), heights.end()), 250);  // hills above 25
    // The walk: orders 0 and 1, 128 rows of 6 ticks at 136 BPM, and a little
    // more, as the scene changes when the song is heard to reach order 2.
    ASSERT_EQ(paths_init_from(PATH_TABLE, PATH_TABLE_COUNT), 1);
    const int32_t place[] = {0};
    for (int ms = 0; ms <= (int)(128 * 6 * 2500.0 / 136.0) + 400; ms += 2) {
        paths_update(ms, place, 1);
        const WalkEye eye = walk_eye(path_value(0));
        ASSERT_GE(eye.y - ground_in_reach(eye.x, eye.z), MIN_CLEARANCE)
            << "at " << ms << " ms the eye (" << eye.x << ", " << eye.y << ", " << eye.z << ")";
    }
    // The close-ups' eye stands at (60, -shift, 20) and only turns.
    for (int order : {3, 5, 7})
        EXPECT_GE(-forest_talk_shift(order) - ground_in_reach(60, 20), MIN_CLEARANCE) << order;
    arena_release();
}

}  // namespace
