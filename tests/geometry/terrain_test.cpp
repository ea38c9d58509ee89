// The terrain grid's vertices from a height map, and the terrain_build task
// on a real context (arena failure, the list's state, a look from above).
#include <cstring>
#include <set>
#include <vector>

#include "../gl_fixture.h"
#include "app/arena.h"
#include "geometry/terrain.h"
#include "platform/gl.h"
#include "textures/textures.h"

namespace {

// Every vertex of the grid, in list order.
std::vector<TerrainVertex> grid_of(const uint8_t *map)
{
    std::vector<TerrainVertex> all;
    for (int r = 8; r - 4 < 252; r += 4) {
        for (int j = 4; j < 252; j += 4) {
            TerrainVertex quad[4];
            terrain_quad(map, r, j, quad);
            all.insert(all.end(), quad, quad + 4);
        }
    }
    return all;
}

}  // namespace

TEST(TerrainGrid, CornerQuadReadsEntryFourFourAndFacesUp)
{
    std::vector<uint8_t> map(256 * 256, 0);
    map[256 * 4 + 4] = 128;
    map[256 * 8 + 4] = 255;
    TerrainVertex q[4];
    terrain_quad(map.data(), 8, 4, q);
    EXPECT_EQ(q[0].position[0], -124.0f);
    EXPECT_FLOAT_EQ(q[0].position[1], 12.8f);
    EXPECT_EQ(q[0].position[2], -124.0f);
    EXPECT_EQ(q[0].colour, 1.0f);
    EXPECT_EQ(q[0].tex[0], 0.015625f);
    EXPECT_EQ(q[0].tex[1], 0.015625f);
    EXPECT_FLOAT_EQ(q[1].position[1], 25.5f);
    EXPECT_EQ(q[1].position[2], -120.0f);
    EXPECT_EQ(q[2].position[0], -120.0f);
    EXPECT_EQ(q[2].position[1], 0.0f);
    EXPECT_EQ(q[2].colour, 0.5f);
    EXPECT_EQ(q[1].colour, 1.0f);
    EXPECT_EQ(q[3].tex[0], 0.03125f);
    EXPECT_EQ(q[3].tex[1], 0.015625f);

    // Counter-clockwise seen from +y: (v2 - v1) x (v3 - v1) points up.
    std::vector<uint8_t> flat(256 * 256, 0);
    for (int r : {8, 132, 252}) {
        for (int j : {4, 128, 248}) {
            terrain_quad(flat.data(), r, j, q);
            const float ax = q[1].position[0] - q[0].position[0], az = q[1].position[2] - q[0].position[2];
            const float bx = q[2].position[0] - q[0].position[0], bz = q[2].position[2] - q[0].position[2];
            EXPECT_GT(az * bx - ax * bz, 0.0f) << r << "," << j;
        }
    }
}

TEST(TerrainGrid, SpansTheWorldAndReadsOnlyEveryFourthEntry)
{
    std::vector<uint8_t> map(256 * 256, 0);
    const std::vector<TerrainVertex> flat = grid_of(map.data());
    ASSERT_EQ(flat.size(), 3844u * 4);
    float lo = 1e9f, hi = -1e9f;
    for (const TerrainVertex &v : flat) {
        lo = std::min({lo, v.position[0], v.position[2]});
        hi = std::max({hi, v.position[0], v.position[2]});
    }
    EXPECT_EQ(lo, -124.0f);
    EXPECT_EQ(hi, 124.0f);

    // Scribbling over every entry off the 4..252 lattice changes nothing.
    for (int row = 0; row < 256; row++)
        for (int col = 0; col < 256; col++) {
            const bool on_lattice =
                row % 4 == 0 && col % 4 == 0 && row >= 4 && row <= 252 && col >= 4 && col <= 252;
            if (!on_lattice)
                map[256 * row + col] = (uint8_t)(row * 7 + col * 13 + 1);
        }
    const std::vector<TerrainVertex> scribbled = grid_of(map.data());
    ASSERT_EQ(memcmp(flat.data(), scribbled.data(), flat.size() * sizeof flat[0]), 0);

    // ...while lattice entries, edges and corners included, move some vertex
    // (a sample: a whole grid per entry is slow).
    std::set<int> read;
    for (int row = 4; row <= 252; row += 24)
        for (int col : {4, 8, 128, 248, 252}) {
            map[256 * row + col] = 200;
            const std::vector<TerrainVertex> moved = grid_of(map.data());
            if (memcmp(flat.data(), moved.data(), flat.size() * sizeof flat[0]) != 0)
                read.insert(256 * row + col);
            map[256 * row + col] = 0;
        }
    EXPECT_EQ(read.size(), 11u * 5u);
}

class TerrainTask : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        arena_release();
        ASSERT_EQ(arena_init(), 1);
    }
};

// Runs first in its process: no list has been made yet.
TEST_F(TerrainTask, ExhaustedArenaFailsBeforeMakingAnything)
{
    while (arena_alloc(65536))
        ;
    EXPECT_EQ(terrain_build(), 0);
    EXPECT_EQ(terrain_list, 0u);
    EXPECT_EQ(height_map, nullptr);
    EXPECT_EQ(sky_texture, 0u);
}

TEST_F(TerrainTask, BuildsTheListFromPoolTextureOne)
{
    ASSERT_EQ(textures_build(), 1);
    ASSERT_EQ(terrain_build(), 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_TRUE(glIsList(terrain_list));
    EXPECT_EQ(sky_texture, texture_gl_name(2));
    EXPECT_EQ(terrain_texture, texture_gl_name(4));
    const uint8_t *pixels = texture_pixels(1);
    ASSERT_NE(height_map, nullptr);
    int differ = 0;
    for (int i = 0; i < 256 * 256; i++)
        differ += height_map[i] != pixels[4 * i];
    EXPECT_EQ(differ, 0);

    // Seen from straight above, the whole grid fills a 248-unit square.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-160, 160, -120, 120, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90, 1, 0, 0);
    glEnable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glCallList(terrain_list);

    // The list leaves the texture matrix selected and reset, texturing as
    // the caller had it.
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_TEXTURE);
    GLfloat texture_matrix[16];
    glGetFloatv(GL_TEXTURE_MATRIX, texture_matrix);
    EXPECT_EQ(texture_matrix[0], 1.0f);
    EXPECT_EQ(texture_matrix[5], 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ((GLuint)bound, terrain_texture);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

    const Picture top = read_back();
    top.save("/tmp/forest_terrain_top.png");
    // 248 of 320 units wide, 248 of 240 high: the square covers the middle
    // fully and leaves both side margins black.
    EXPECT_EQ(top.count_lit(100, 0, 540, 480), 440 * 480);
    EXPECT_EQ(top.count_lit(0, 0, 20, 480), 0);
    EXPECT_EQ(top.count_lit(620, 0, 640, 480), 0);
}
