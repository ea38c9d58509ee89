// The terrain grid's vertices from a height map, and the terrain_build task
// on a real context (arena failure, the height map, the list's state).
#include <cstring>
#include <vector>

#include "../gl_fixture.h"
#include "base/arena.h"
#include "geometry/terrain.h"
#include "platform/gl.h"
#include "textures/textures.h"

TEST(TerrainGrid, ReadsOnlyEveryFourthEntryAndFacesUp)
{
    std::vector<uint8_t> map(256 * 256);
    for (int i = 0; i < 256 * 256; i++)
        map[i] = (uint8_t)(i * 13 % 251);
    // Off the 4..252 lattice nothing is read; quads are counter-clockwise from +y.
    std::vector<uint8_t> scribbled = map;
    for (int i = 0; i < 256 * 256; i++) {
        const int row = i / 256, col = i % 256;
        if (row % 4 || col % 4 || row < 4 || row > 252 || col < 4 || col > 252)
            scribbled[i] = (uint8_t)(i * 7 + 1);
    }
    for (int r : {8, 132, 252})
        for (int j : {4, 128, 248}) {
            TerrainVertex a[4], b[4];
            terrain_quad(map.data(), r, j, a);
            terrain_quad(scribbled.data(), r, j, b);
            EXPECT_EQ(memcmp(a, b, sizeof a), 0) << r << "," << j;
            const float *o = a[0].position, *u = a[1].position, *v = a[2].position;
            EXPECT_GT((u[2] - o[2]) * (v[0] - o[0]) - (u[0] - o[0]) * (v[2] - o[2]), 0.0f)
                << r << "," << j;
        }
}

// Out of arena, nothing is made; without pool texture 1 the floor is flat.
// In a child process (started afresh), which a write or read through null
// would end.
TEST_F(GlTest, TerrainTaskFailsCleanlyOrBuildsFlat)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            arena_release();
            arena_init();
            while (arena_alloc(65536))
                ;
            const bool none = terrain_build() == 0 && terrain_list == 0 && height_map == nullptr;
            arena_release();
            arena_init();
            const bool flat = terrain_build() == 1 && height_map[0] == 0 && height_map[65535] == 0;
            exit(none && flat && glIsList(terrain_list) ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(GlTest, TerrainTaskBuildsFromPoolTextureOne)
{
    arena_release();
    ASSERT_TRUE(arena_init() && textures_build() && terrain_build());
    EXPECT_TRUE(sky_texture == texture_gl_name(2) && terrain_texture == texture_gl_name(4));
    for (int i = 0; i < 256 * 256; ++i)
        ASSERT_EQ(height_map[i], texture_pixels(1)[4 * i]) << i;
    GLint mode = 0;  // the list leaves the texture matrix selected
    glCallList(terrain_list);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_TEXTURE);
    glMatrixMode(GL_MODELVIEW);
}
