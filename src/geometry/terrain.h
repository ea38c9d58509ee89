// terrain.h - the forest floor: a height-map grid recorded into a display
// list, plus the sky texture the forest scenes draw behind it.
//
// terrain_build() is a precalc task (after textures_build()): heights and
// grey shades come from the red channel of pool texture 1, the surface is
// pool texture 4 repeated sixteen times. Calling the list binds the ground
// texture but leaves enabling texturing to the caller, and leaves the matrix
// mode at GL_TEXTURE:
//
//   glEnable(GL_TEXTURE_2D); glCallList(terrain_list); glMatrixMode(GL_MODELVIEW);
#pragma once

#include <cstdint>

constexpr int TERRAIN_MAP_SIZE = 256;

struct TerrainVertex {
    float colour;        // grey shade, red = green = blue
    float tex[2];
    float position[3];
};

extern uint8_t *height_map;  // 256x256 red bytes in the arena, row-major
extern uint32_t terrain_texture;
extern uint32_t sky_texture;
extern uint32_t terrain_list;

// The shade of a map value: value/256 + 0.5, at most 1.
float terrain_shade(uint8_t value);

// The four vertices of the quad whose far-left corner reads map row r - 4 and
// column j (r in 8..252, j in 4..248, both steps of 4), counter-clockwise
// seen from above.
void terrain_quad(const uint8_t *map, int r, int j, TerrainVertex out[4]);

// Precalc task; 0 when the arena cannot hold the height map.
int terrain_build();
