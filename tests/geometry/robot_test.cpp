// The robot's chamfered boxes as closed, outward-wound solids, checked on
// the pure geometry (Mesa's feedback mode drops triangles).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

#include "geometry/chamfer_box.h"

using Point = std::array<float, 3>;

// The robot's torso, head, upper arm, leg piece and forearm, and an odd one.
static const float SHAPES[][4] = {{5, 5, 3, 5},           {3, 3, 3, 3},
                                  {1.5f, 2.5f, 1.5f, -1.25f}, {2.25f, 2.5f, 2, -2.5f},
                                  {1.5f, 2.5f, 1.5f, -2.5f},  {7, 0.5f, 2, 100}};

TEST(ChamferBox, ClosedAndWoundOutward)
{
    for (const auto &s : SHAPES) {
        ChamferBox box = {};
        chamfer_box_build(s[0], s[1], s[2], s[3], &box);
        std::map<std::pair<Point, Point>, int> edges;  // directed edge -> uses
        for (int f = 0; f < CHAMFER_QUAD_COUNT + CHAMFER_CORNER_COUNT; ++f) {
            const bool quad = f < CHAMFER_QUAD_COUNT;
            const ChamferPolygon &p = quad ? box.quads[f] : box.corners[f - CHAMFER_QUAD_COUNT];
            const int n = quad ? 4 : 3;
            float winding[3] = {0, 0, 0}, middle[3] = {0, -s[3], 0};  // Newell's normal
            for (int i = 0; i < n; ++i) {
                const float *a = p.vertices[i], *b = p.vertices[(i + 1) % n];
                ++edges[{{a[0], a[1], a[2]}, {b[0], b[1], b[2]}}];
                for (int k = 0; k < 3; ++k) {
                    const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
                    winding[k] += (a[k1] - b[k1]) * (a[k2] + b[k2]);
                    middle[k] += a[k] / (float)n;
                }
            }
            float out = 0, agree = 0;  // seen from the box's centre; against the normal
            for (int k = 0; k < 3; ++k)
                out += winding[k] * middle[k], agree += winding[k] * p.normal[k];
            EXPECT_TRUE(out > 0 && agree > 0) << "face " << f << " of box " << s[0];
        }
        // Closed: every edge is used once each way, by two faces.
        for (const auto &[edge, uses] : edges)
            EXPECT_TRUE(uses == 1 && edges.count({edge.second, edge.first}) == 1)
                << "an open edge on box " << s[0];
    }
}
