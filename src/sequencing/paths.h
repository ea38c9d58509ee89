// paths.h - the recorded animation paths.
//
// Motion in the scenes comes from PATH_COUNT recorded 2-D paths, each
// PATH_POINTS points sampled every 100 ms, stored as little-endian signed
// 16-bit (x, y) pairs, 2000 bytes a path, the paths one after another.
// paths_init_from() converts them to floats in the arena; the precalc task
// paths_init() does so with the paths stored in the program (fm_data). Every frame
// paths_update() evaluates the listed paths at their own local time with a
// four-point cubic; a path's clock starts the first time it is evaluated.
// Scenes read the result with path_value(id).
#pragma once

#include <cstdint>

constexpr int PATH_COUNT = 23;
constexpr int PATH_POINTS = 500;
constexpr float PATH_POINTS_PER_MS = 0.01f;

struct PathPoint {
    float x, y;
};

// 1 on success, 0 when the arena is exhausted or there are more than
// PATH_COUNT paths. table holds the address of each of count stored paths.
int paths_init_from(const uint8_t *const *table, uint32_t count);
// Precalc task: the stored paths (embedded_data.h); 1, or 0 as above.
int paths_init();
void paths_update(int elapsed_ms, const int32_t *ids, uint32_t count);
PathPoint path_value(int id);
float cubic_interpolate(float p0, float p1, float p2, float p3, float t);
