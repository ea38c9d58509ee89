// The terrain grid's vertices from a height map, and the terrain_build task
// on a real context (arena failure, the list's state, a look from above).
#include <cstring>
#include <vector>

#include "../gl_fixture.h"
#include "base/arena.h"
#include "geometry/terrain.h"
#include "platform/gl.h"
#include "textures/textures.h"

TEST(TerrainGrid, ReadsOnlyEveryFourthEntryAndFacesUp)
{
    std::vector<uint8_t> map(256 * 256, 0);
    map[256 * 4 + 4] = 128;
    map[256 * 8 + 4] = 255;
    TerrainVertex q[4];
    terrain_quad(map.data(), 8, 4, q);
    // The corner quad reads entries (4, 4) and (8, 4) and spans the world's edge.
    EXPECT_TRUE(q[0].position[0] == -124 && q[0].position[2] == -124 && q[2].position[1] == 0);
    EXPECT_FLOAT_EQ(q[0].position[1], 12.8f);
    EXPECT_FLOAT_EQ(q[1].position[1], 25.5f);

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

class TerrainTask : public GlTest {};

TEST_F(TerrainTask, ExhaustedArenaFailsBeforeMakingAnything)
{
    arena_release();
    ASSERT_EQ(arena_init(), 1);
    while (arena_alloc(65536))
        ;
    terrain_list = sky_texture = 0, height_map = nullptr;  // as before any build
    EXPECT_EQ(terrain_build(), 0);
    EXPECT_TRUE(terrain_list == 0 && height_map == nullptr && sky_texture == 0);
}

TEST_F(TerrainTask, BuildsTheListFromPoolTextureOne)
{
    arena_release();
    ASSERT_EQ(arena_init(), 1);
    ASSERT_EQ(textures_build(), 1);
    ASSERT_EQ(terrain_build(), 1);
    EXPECT_EQ(sky_texture, texture_gl_name(2));
    EXPECT_EQ(terrain_texture, texture_gl_name(4));
    const uint8_t *pixels = texture_pixels(1);
    ASSERT_NE(height_map, nullptr);
    for (int i = 0; i < 256 * 256; i += 97)
        ASSERT_EQ(height_map[i], pixels[4 * i]) << i;

    // Seen from straight above, the whole grid fills a 248-unit square.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-160, 160, -120, 120, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90, 1, 0, 0);
    glEnable(GL_TEXTURE_2D);
    glCallList(terrain_list);
    GLint mode = 0;  // the list leaves the texture matrix selected
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_TEXTURE);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_TEXTURE_2D);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    const Picture top = read_back();
    save_picture_if_asked(top, "terrain_top.png");
    EXPECT_EQ(top.count_lit(100, 0, 540, 480), 440 * 480);
    EXPECT_EQ(top.count_lit(0, 0, 20, 480) + top.count_lit(620, 0, 640, 480), 0);
}
