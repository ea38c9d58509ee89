// The robot: its chamfered boxes as closed, outward-wound solids, the mouth
// envelope over song positions, and on a real context a drawn pose.
// Polygons are counted from the pure geometry: Mesa's feedback mode drops
// triangles. FM_PICTURES=<dir> keeps the drawn robot as robot_front.png.
#include <algorithm>
#include <array>
#include <map>

#include "../gl_fixture.h"
#include "../robot_fixture.h"
#include "base/arena.h"
#include "geometry/chamfer_box.h"
#include "geometry/robot.h"
#include "platform/gl.h"
#include "sequencing/paths.h"
#include "textures/textures.h"

using Point = std::array<float, 3>;

// The robot's torso, head, upper arm, leg piece and forearm, and an odd one.
static const float SHAPES[][4] = {{5, 5, 3, 5},           {3, 3, 3, 3},
                                  {1.5f, 2.5f, 1.5f, -1.25f}, {2.25f, 2.5f, 2, -2.5f},
                                  {1.5f, 2.5f, 1.5f, -2.5f},  {7, 0.5f, 2, 100}};

TEST(ChamferBox, ClosedWoundOutwardAndAsLargeAsAsked)
{
    for (const auto &s : SHAPES) {
        ChamferBox box = {};
        chamfer_box_build(s[0], s[1], s[2], s[3], &box);
        std::map<std::pair<Point, Point>, int> edges;  // directed edge -> uses
        Point low = {1e9f, 1e9f, 1e9f}, high = {-1e9f, -1e9f, -1e9f};
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
                    low[k] = std::min(low[k], a[k]), high[k] = std::max(high[k], a[k]);
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
        EXPECT_EQ(low, (Point{-s[0], s[3] - s[1], -s[2]}));
        EXPECT_EQ(high, (Point{s[0], s[3] + s[1], s[2]}));
    }
}

TEST(Mouth, OpensOnItsRowsOfOrdersOneThreeFiveAndCloses)
{
    for (int order : {1, 3, 5})
        for (int row = 0; row < 64; ++row) {
            mouth_reset();
            const bool listed = std::count(MOUTH_ROWS, MOUTH_ROWS + MOUTH_ROW_COUNT, row);
            EXPECT_EQ(mouth_value(order, row, 0), listed ? 1.0f : 0.1f) << order << " " << row;
        }
    mouth_reset();
    EXPECT_FLOAT_EQ(mouth_value(1, 0, 20), 0.9f);  // opens on the row's first frame
    EXPECT_FLOAT_EQ(mouth_value(1, 0, 20), 0.8f);  // then closes five units a second
    EXPECT_EQ(mouth_value(1, 1, 1000), 0.1f);      // down to its floor
    for (int order : {0, 2, 4, 6, 8})              // silent orders forget nothing
        EXPECT_EQ(mouth_value(order, 7, 1000), 0.1f) << order;
    EXPECT_EQ(mouth_value(3, 1, 20), 0.1f);  // the row seen last does not fire again
    mouth_value(5, 63, 20);
    EXPECT_FLOAT_EQ(mouth_value(7, 0, 20), 1.65f);  // wide at the start of order 7
}

class RobotGl : public RobotTest {
protected:
    void TearDown() override { EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR); }
    // The robot from the front, 12 pixels a unit about (72, 20).
    static Picture front(const RobotPose &pose)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(72 - 320 / 12.0, 72 + 320 / 12.0, 0, 40, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        draw_robot(pose, 0.5f, 0.6f);
        return read_back();
    }
};

TEST_F(RobotGl, PathsPlaceTheBodyAndTheTalkingPoseKeepsItsLegsStraight)
{
    ASSERT_EQ(pose_paths({320, 240}, {{3, {410, 240}},    // body: 90 degrees about y
                                      {2, {330, 250}},    // place: +2 in x and z
                                      {13, {0, 260}}}),   // lift: 2 lower
              1);
    draw_robot(ROBOT_POSE_WALK, 0, 0.1f);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(m[2], -1, 1e-6f);
    EXPECT_NEAR(m[8], 1, 1e-6f);
    EXPECT_TRUE(m[12] == 74 && m[13] == 15 && m[14] == 2);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_TEXTURE_GEN_S));

    ASSERT_EQ(pose_paths({320, 240}), 1);
    const Picture talk = front(ROBOT_POSE_TALK);
    save_picture_if_asked(talk, "robot_front.png");
    auto lit = [&](float x, float y) {
        const Rgba c = talk.at((int)((x - 72) * 12 + 320), (int)(480 - y * 12));
        return (c.r | c.g | c.b) != 0;
    };
    // Torso, head beside the mouth, upper arm, forearm and a leg; not the
    // mouth, above the head or between the legs.
    EXPECT_TRUE(lit(72, 22) && lit(74.5f, 30) && lit(65.5f, 21.5f) && lit(78.5f, 17.5f) &&
                lit(69.5f, 10));
    EXPECT_FALSE(lit(72, 29) || lit(72, 33.5f) || lit(72, 10));
    EXPECT_EQ(front(ROBOT_POSE_WALK), talk);
    ASSERT_EQ(pose_paths({320, 240}, {{9, {360, 290}}, {10, {360, 290}}, {11, {360, 290}},
                                      {12, {360, 290}}}),
              1);
    EXPECT_EQ(front(ROBOT_POSE_TALK), talk);
    EXPECT_NE(front(ROBOT_POSE_WALK), talk);
}
