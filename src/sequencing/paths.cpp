// paths.cpp - see paths.h.
#include "sequencing/paths.h"

#include <cmath>

#include "base/arena.h"
#include "embedded_data.h"

static float **path_points;      // per path: x0, y0, x1, y1, ... as floats
static int32_t *path_start_ms;   // -1 until first evaluated
static uint32_t path_count;
static PathPoint path_values[PATH_COUNT];

// The last segment whose four points all lie inside a path.
static const int LAST_SEGMENT = PATH_POINTS - 4;

int paths_init_from(const uint8_t *const *table, uint32_t count)
{
    // More stored paths than the program has ids for is a broken table.
    if (count > (uint32_t)PATH_COUNT)
        return 0;
    path_points = (float **)arena_alloc(PATH_COUNT * (uint32_t)sizeof(float *));
    path_start_ms = (int32_t *)arena_alloc(PATH_COUNT * 4);
    if (!path_points || !path_start_ms)
        return 0;
    // Every id gets its points, those past the table all (0, 0); only the
    // table's paths are ever evaluated.
    for (uint32_t p = 0; p < (uint32_t)PATH_COUNT; ++p) {
        float *points = (float *)arena_alloc(PATH_POINTS * 2 * (uint32_t)sizeof(float));
        if (!points)
            return 0;
        for (int i = 0; p < count && i < PATH_POINTS * 2; ++i)
            points[i] = (float)(int16_t)(table[p][i * 2] | table[p][i * 2 + 1] << 8);
        path_points[p] = points;
        path_start_ms[p] = -1;
    }
    path_count = count;
    return 1;
}

int paths_init()
{
    return paths_init_from(PATH_TABLE, PATH_TABLE_COUNT);
}

float cubic_interpolate(float p0, float p1, float p2, float p3, float t)
{
    float a0 = p3 - p2 - p0 + p1;
    float a1 = p0 - p1 - a0;
    float a2 = p2 - p0;
    return p1 + (a1 + a0 * t) * t * t + a2 * t;
}

void paths_update(int elapsed_ms, const int32_t *ids, uint32_t count)
{
    for (uint32_t k = 0; k < count; ++k) {
        int32_t id = ids[k];
        if (id < 0 || (uint32_t)id >= path_count)
            continue;
        if (path_start_ms[id] == -1)
            path_start_ms[id] = elapsed_ms;
        float t = (float)(elapsed_ms - path_start_ms[id]) * PATH_POINTS_PER_MS;
        int segment = (int)floorf(t);
        float f = t - (float)segment;
        // Past the stored points the path holds its last point.
        if (segment > LAST_SEGMENT) {
            segment = LAST_SEGMENT;
            f = 1.0f;
        }
        const float *p = path_points[id] + segment * 2;
        path_values[id].x = cubic_interpolate(p[0], p[2], p[4], p[6], f);
        path_values[id].y = cubic_interpolate(p[1], p[3], p[5], p[7], f);
    }
}

PathPoint path_value(int id)
{
    if (id < 0 || id >= PATH_COUNT)
        return PathPoint{0.0f, 0.0f};  // an id outside the table reads as (0, 0)
    return path_values[id];
}
