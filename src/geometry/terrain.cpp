// terrain.cpp - records the height-map terrain list during precalc. See
// terrain.h.
#include "geometry/terrain.h"

#include "base/arena.h"
#include "platform/gl.h"
#include "textures/textures.h"

uint8_t *height_map;
uint32_t terrain_texture;
uint32_t sky_texture;
uint32_t terrain_list;

// The grid samples every fourth map entry; one cell is four world units.
static const int CELL = 4;

float terrain_shade(uint8_t value)
{
    const float g = (float)value * 0.00390625f + 0.5f;
    return g > 1.0f ? 1.0f : g;
}

static void terrain_vertex(const uint8_t *map, int row, int column, float x, float z,
                           TerrainVertex *out)
{
    const uint8_t h = map[TERRAIN_MAP_SIZE * row + column];
    out->colour = terrain_shade(h);
    out->tex[0] = (float)column / 256.0f;
    out->tex[1] = (float)row / 256.0f;
    out->position[0] = x;
    out->position[1] = 0.1f * (float)h;
    out->position[2] = z;
}

void terrain_quad(const uint8_t *map, int r, int j, TerrainVertex out[4])
{
    terrain_vertex(map, r - CELL, j, (float)(j - 128), (float)(r - 132), &out[0]);
    terrain_vertex(map, r, j, (float)(j - 128), (float)(r - 128), &out[1]);
    terrain_vertex(map, r, j + CELL, (float)(j - 124), (float)(r - 128), &out[2]);
    terrain_vertex(map, r - CELL, j + CELL, (float)(j - 124), (float)(r - 132), &out[3]);
}

int terrain_build()
{
    height_map = (uint8_t *)arena_alloc(TERRAIN_MAP_SIZE * TERRAIN_MAP_SIZE);
    if (!height_map)
        return 0;
    // Without pool texture 1 the arena's zeroes stand: a flat grey floor.
    if (const uint8_t *pixels = texture_pixels(1)) {
        for (int i = 0; i < TERRAIN_MAP_SIZE * TERRAIN_MAP_SIZE; i++)
            height_map[i] = pixels[4 * i];
    }
    terrain_texture = texture_gl_name(4);
    sky_texture = texture_gl_name(2);

    terrain_list = glGenLists(1);
    glNewList(terrain_list, GL_COMPILE);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glScalef(16.0f, 16.0f, 16.0f);
    glBegin(GL_QUADS);
    for (int r = 8; r - CELL < 252; r += CELL) {
        for (int j = 4; j < 252; j += CELL) {
            TerrainVertex quad[4];
            terrain_quad(height_map, r, j, quad);
            for (const TerrainVertex &v : quad) {
                glColor4f(v.colour, v.colour, v.colour, 1.0f);
                glTexCoord2f(v.tex[0], v.tex[1]);
                glVertex3f(v.position[0], v.position[1], v.position[2]);
            }
        }
    }
    glEnd();
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glEndList();
    return 1;
}
