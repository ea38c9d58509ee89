// chamfer_box.cpp - see chamfer_box.h.
#include "geometry/chamfer_box.h"

namespace {

void set_polygon(ChamferPolygon *p, float nx, float ny, float nz, const float (*v)[3], int count)
{
    p->normal[0] = nx;
    p->normal[1] = ny;
    p->normal[2] = nz;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            p->vertices[i][j] = i < count ? v[i][j] : 0.0f;
}

}  // namespace

void chamfer_box_build(float hx, float hy, float hz, float centre_y, ChamferBox *out)
{
    const float a = hx, x = 0.75f * hx;
    const float y0 = centre_y - hy, y1 = centre_y - 0.75f * hy;
    const float y2 = centre_y + 0.75f * hy, y3 = centre_y + hy;
    const float c = hz, z = 0.75f * hz;
    const float h = CHAMFER_H, t = CHAMFER_T;

    // The order of the polygons and of their vertices is the order in which
    // the lists have always been recorded; culling depends on the winding.
    const float quads[CHAMFER_QUAD_COUNT][4][3] = {
        {{x, y0, z}, {x, y1, c}, {-x, y1, c}, {-x, y0, z}},
        {{-x, y0, -z}, {-x, y1, -c}, {x, y1, -c}, {x, y0, -z}},
        {{x, y2, c}, {x, y3, z}, {-x, y3, z}, {-x, y2, c}},
        {{-x, y2, -c}, {-x, y3, -z}, {x, y3, -z}, {x, y2, -c}},
        {{a, y1, -z}, {x, y1, -c}, {x, y2, -c}, {a, y2, -z}},
        {{-x, y1, -c}, {-a, y1, -z}, {-a, y2, -z}, {-x, y2, -c}},
        {{-x, y1, c}, {-x, y2, c}, {-a, y2, z}, {-a, y1, z}},
        {{x, y1, c}, {a, y1, z}, {a, y2, z}, {x, y2, c}},
        {{-a, y1, -z}, {-x, y0, -z}, {-x, y0, z}, {-a, y1, z}},
        {{a, y1, -z}, {a, y1, z}, {x, y0, z}, {x, y0, -z}},
        {{-x, y3, -z}, {-a, y2, -z}, {-a, y2, z}, {-x, y3, z}},
        {{a, y2, -z}, {x, y3, -z}, {x, y3, z}, {a, y2, z}},
        {{-x, y1, c}, {x, y1, c}, {x, y2, c}, {-x, y2, c}},
        {{-x, y1, -c}, {-x, y2, -c}, {x, y2, -c}, {x, y1, -c}},
        {{-x, y3, -z}, {-x, y3, z}, {x, y3, z}, {x, y3, -z}},
        {{-x, y0, -z}, {x, y0, -z}, {x, y0, z}, {-x, y0, z}},
        {{a, y1, -z}, {a, y2, -z}, {a, y2, z}, {a, y1, z}},
        {{-a, y1, -z}, {-a, y1, z}, {-a, y2, z}, {-a, y2, -z}},
    };
    const float quad_normals[CHAMFER_QUAD_COUNT][3] = {
        {0, -h, h}, {0, -h, -h}, {0, h, h},  {0, h, -h}, {h, 0, -h}, {-h, 0, -h},
        {-h, 0, h}, {h, 0, h},   {-h, -h, 0}, {h, -h, 0}, {-h, h, 0}, {h, h, 0},
        {0, 0, 1},  {0, 0, -1},  {0, 1, 0},  {0, -1, 0}, {1, 0, 0},  {-1, 0, 0},
    };
    const float corners[CHAMFER_CORNER_COUNT][3][3] = {
        {{a, y2, -z}, {x, y2, -c}, {x, y3, -z}},
        {{x, y3, z}, {x, y2, c}, {a, y2, z}},
        {{-x, y3, -z}, {-x, y2, -c}, {-a, y2, -z}},
        {{-a, y2, z}, {-x, y2, c}, {-x, y3, z}},
        {{a, y1, -z}, {x, y0, -z}, {x, y1, -c}},
        {{a, y1, z}, {x, y1, c}, {x, y0, z}},
        {{-a, y1, -z}, {-x, y1, -c}, {-x, y0, -z}},
        {{-x, y0, z}, {-x, y1, c}, {-a, y1, z}},
    };
    const float corner_normals[CHAMFER_CORNER_COUNT][3] = {
        {t, t, -t},  {t, t, t},  {-t, t, -t},  {-t, t, t},
        {t, -t, -t}, {t, -t, t}, {-t, -t, -t}, {-t, -t, t},
    };

    for (int i = 0; i < CHAMFER_QUAD_COUNT; ++i)
        set_polygon(&out->quads[i], quad_normals[i][0], quad_normals[i][1], quad_normals[i][2],
                    quads[i], 4);
    for (int i = 0; i < CHAMFER_CORNER_COUNT; ++i)
        set_polygon(&out->corners[i], corner_normals[i][0], corner_normals[i][1],
                    corner_normals[i][2], corners[i], 3);
}
