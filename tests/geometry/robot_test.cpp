// The robot: the chamfered boxes as numbers (closed, wound outward, the
// documented sizes), the mouth envelope over song positions, and on a real
// context the part lists, the jointed drawer and its face.
// FM_PICTURES=<dir> keeps the drawn robot as robot_front.png.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "../gl_fixture.h"
#include "app/arena.h"
#include "geometry/chamfer_box.h"
#include "geometry/robot.h"
#include "platform/gl.h"
#include "sequencing/paths.h"
#include "textures/textures.h"

namespace {

struct Vec {
    float x, y, z;
};
Vec vec(const float *v) { return {v[0], v[1], v[2]}; }
Vec sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(Vec a) { return std::sqrt(dot(a, a)); }

}  // namespace

TEST(ChamferBox, EveryPartIsAClosedFlatFacedShapeWoundOutwardWithinItsExtents)
{
    // Torso, head, upper arm, leg piece, forearm.
    const float shapes[][4] = {{5, 5, 3, 5}, {3, 3, 3, 3}, {1.5f, 2.5f, 1.5f, -1.25f},
                               {2.25f, 2.5f, 2, -2.5f}, {1.5f, 2.5f, 1.5f, -2.5f}};
    for (const auto &s : shapes) {
        ChamferBox box;
        chamfer_box_build(s[0], s[1], s[2], s[3], &box);
        std::vector<std::pair<const ChamferPolygon *, int>> polygons;
        for (const ChamferPolygon &q : box.quads)
            polygons.push_back({&q, 4});
        for (const ChamferPolygon &t : box.corners)
            polygons.push_back({&t, 3});

        using Point = std::tuple<float, float, float>;
        std::map<std::pair<Point, Point>, int> edges;
        for (auto [p, count] : polygons) {
            const Vec n = vec(p->normal), v0 = vec(p->vertices[0]);
            // Counter-clockwise seen from the outside, where the normal
            // points. Bevels are 45 degrees only where two half extents
            // agree, so the sent normal only leans the true one's way.
            const Vec face = cross(sub(vec(p->vertices[1]), v0), sub(vec(p->vertices[2]), v0));
            EXPECT_GT(dot(face, n) / (length(face) * length(n)), 0.9f) << s[0];
            EXPECT_GT(dot(sub(v0, Vec{0, s[3], 0}), n), 0.0f) << s[0];
            for (int i = 0; i < count; ++i) {
                const float *a = p->vertices[i], *b = p->vertices[(i + 1) % count];
                EXPECT_NEAR(dot(sub(vec(a), v0), face), 0.0f, 1e-5f);
                EXPECT_LE(std::fabs(a[0]), s[0]);
                EXPECT_LE(std::fabs(a[1] - s[3]), s[1]);
                EXPECT_LE(std::fabs(a[2]), s[2]);
                ++edges[{{a[0], a[1], a[2]}, {b[0], b[1], b[2]}}];
            }
        }
        // Closed and consistently wound: each edge is walked once each way.
        EXPECT_EQ(edges.size(), 18u * 4 + 8 * 3);
        for (const auto &[edge, uses] : edges) {
            EXPECT_EQ(uses, 1);
            EXPECT_EQ(edges.count({edge.second, edge.first}), 1u);
        }
    }
}

TEST(ChamferBox, TheTorsoFrontAndTopFacesSitWhereTheFaceAndNeckExpectThem)
{
    ChamferBox torso;
    chamfer_box_build(5, 5, 3, 5, &torso);
    for (const auto &v : torso.quads[12].vertices) {  // front
        EXPECT_EQ(std::fabs(v[0]), 3.75f);
        EXPECT_TRUE(v[1] == 1.25f || v[1] == 8.75f);
        EXPECT_EQ(v[2], 3.0f);
    }
    for (const auto &v : torso.quads[14].vertices) {  // top
        EXPECT_EQ(v[1], 10.0f);
        EXPECT_EQ(std::fabs(v[2]), 2.25f);
    }
    EXPECT_NEAR(length(vec(torso.corners[5].normal)), 0.57735f, 1e-5f);
}

class Mouth : public ::testing::Test {
protected:
    void SetUp() override
    {
        mouth_last_row = -1;
        mouth_open = 0.1f;
    }
};

TEST_F(Mouth, OpensOnTheFirstFrameOfATriggerRowAndClosesFiveUnitsASecond)
{
    EXPECT_FLOAT_EQ(mouth_value(1, 0, 20), 0.9f);
    EXPECT_FLOAT_EQ(mouth_value(1, 0, 20), 0.8f);
    for (int i = 0; i < 10; ++i)
        mouth_value(1, 0, 20);
    EXPECT_EQ(mouth_value(1, 1, 20), 0.1f);  // floor; row 1 triggers nothing
    EXPECT_FLOAT_EQ(mouth_value(1, 3, 100), 0.5f);
    EXPECT_FLOAT_EQ(mouth_value(1, 3, 0), 0.5f);  // a still frame keeps it

    mouth_value(5, 63, 20);
    EXPECT_FLOAT_EQ(mouth_value(7, 0, 20), 1.65f);  // wide at the start of order 7
    mouth_open = 0.1f;
    EXPECT_EQ(mouth_value(7, 16, 20), 0.1f);  // a trigger row elsewhere, not here
}

TEST_F(Mouth, OnlyTheListedRowsOfOrdersOneThreeAndFiveTriggerAndSilentOrdersForgetNothing)
{
    const std::vector<int> rows = {0,  3,  5,  8,  10, 16, 19, 21, 24, 26,
                                   32, 35, 37, 40, 42, 45, 47, 50, 52};
    for (int order : {1, 3, 5})
        for (int row = 0; row < 64; ++row) {
            mouth_open = 0.1f;
            const bool listed = std::find(rows.begin(), rows.end(), row) != rows.end();
            EXPECT_EQ(mouth_value(order, row, 0), listed ? 1.0f : 0.1f) << order << " " << row;
        }
    mouth_value(1, 0, 20);
    for (int order : {0, 2, 4, 6, 8})
        EXPECT_EQ(mouth_value(order, 7, 1000), 0.1f) << order;
    EXPECT_EQ(mouth_last_row, 0);
    EXPECT_EQ(mouth_value(3, 0, 20), 0.1f);  // the row seen last does not fire again
}

// ---- on a real context ----

namespace {

// An orthographic view of ppu pixels a unit centred on (cx, cy).
struct View {
    float cx, cy, ppu;
    int px(float wx) const { return (int)std::lround((wx - cx) * ppu + 320); }
    int py(float wy) const { return (int)std::lround(240 - (wy - cy) * ppu); }
    float wx(float window_x) const { return (window_x - 320) / ppu + cx; }
    float wy(float window_y_up) const { return (window_y_up - 240) / ppu + cy; }
    void apply() const
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(cx - 320 / ppu, cx + 320 / ppu, cy - 240 / ppu, cy + 240 / ppu, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    bool lit(const Picture &p, float x, float y) const
    {
        const Rgba c = p.at(px(x), py(y));
        return (c.r | c.g | c.b) != 0;
    }
};

Picture draw_robot_front(const RobotPose &pose)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    View{72, 20, 12}.apply();
    draw_robot(pose, 0.5f, 0.6f);
    return read_back();
}

}  // namespace

class RobotGl : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        GlTest::SetUpTestSuite();
        ASSERT_EQ(arena_init(), 1);
        ASSERT_EQ(textures_build(), 1);
        ASSERT_EQ(robot_parts_build(), 1);
    }
    void SetUp() override
    {
        GlTest::SetUp();
        glEnable(GL_CULL_FACE);  // the program's standing 3-D state
        glCullFace(GL_BACK);
        for (int id = 0; id < PATH_COUNT; ++id)
            path_value(id) = PathPoint{320, 240};
        while (glGetError() != GL_NO_ERROR) {
        }
    }
};

TEST_F(RobotGl, FiveChromeListsSharedAcrossPairsThatLeaveTexturingOff)
{
    const RobotPartLists &p = robot_part_lists;
    EXPECT_EQ(chrome_texture, texture_gl_name(3));
    EXPECT_EQ(eye_texture, texture_gl_name(0));
    EXPECT_EQ(p.upper_arm[0], p.upper_arm[1]);
    EXPECT_EQ(p.forearm[0], p.forearm[1]);
    EXPECT_TRUE(p.thigh[0] == p.thigh[1] && p.thigh[0] == p.shin[0] && p.shin[0] == p.shin[1]);
    const uint32_t lists[] = {p.torso, p.head, p.upper_arm[0], p.forearm[0], p.thigh[0]};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(glIsList(lists[i]));
        for (int j = 0; j < i; ++j)
            EXPECT_NE(lists[i], lists[j]);
    }

    View{0, 5, 20}.apply();
    glCallList(p.torso);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    const Rgba c = read_back().at(320, 240);  // sphere-mapped, not flat
    EXPECT_NE(c, (Rgba{0, 0, 0, 255}));
    EXPECT_NE(c, (Rgba{255, 255, 255, 255}));
}

TEST_F(RobotGl, PathsPlaceAndTurnTheBodyAndTheTalkingPoseKeepsItsLegsStraight)
{
    GLint depth_before = 0, depth_after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);
    draw_robot(ROBOT_POSE_WALK, 0, 0.1f);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
    EXPECT_EQ(depth_after, depth_before);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const GLfloat still[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 72, 17, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(m[i], still[i]) << i;
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));  // the face turns it back on

    glLoadIdentity();
    path_value(3) = PathPoint{410, 240};  // body: 90 degrees about y
    path_value(2) = PathPoint{330, 250};  // place: +2 in x and z
    path_value(13) = PathPoint{0, 260};   // lift: 2 lower
    draw_robot(ROBOT_POSE_WALK, 0, 0.1f);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(m[2], -1, 1e-6f);
    EXPECT_NEAR(m[8], 1, 1e-6f);
    EXPECT_FLOAT_EQ(m[12], 74);
    EXPECT_FLOAT_EQ(m[13], 15);
    EXPECT_FLOAT_EQ(m[14], 2);

    for (int id = 0; id < PATH_COUNT; ++id)
        path_value(id) = PathPoint{320, 240};
    const Picture front = draw_robot_front(ROBOT_POSE_TALK);
    if (const char *dir = getenv("FM_PICTURES"))
        front.save(std::string(dir) + "/robot_front.png");
    const View view = {72, 20, 12};
    EXPECT_TRUE(view.lit(front, 72, 22));           // torso
    EXPECT_TRUE(view.lit(front, 74.5f, 30));        // head beside the mouth
    EXPECT_FALSE(view.lit(front, 72, 29));          // the mouth: 27 + 2 +- 0.6
    EXPECT_FALSE(view.lit(front, 72, 33.5f));       // above the head
    EXPECT_TRUE(view.lit(front, 65.5f, 21.5f));     // upper arm, hung from 7.5
    EXPECT_TRUE(view.lit(front, 78.5f, 17.5f));     // forearm below it
    EXPECT_TRUE(view.lit(front, 69.5f, 10));        // legs
    EXPECT_FALSE(view.lit(front, 72, 10));          // apart
    EXPECT_EQ(draw_robot_front(ROBOT_POSE_WALK), front);

    for (int id = 9; id <= 12; ++id)
        path_value(id) = PathPoint{360, 290};
    EXPECT_EQ(draw_robot_front(ROBOT_POSE_TALK), front);
    EXPECT_NE(draw_robot_front(ROBOT_POSE_WALK), front);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(RobotGl, TheEyeCornersTakeTheTurnedSquaresCoordinatesAndTheMouthItsHalfHeight)
{
    glDisable(GL_CULL_FACE);
    const View view = {72, 27, 20};  // the head's origin in the middle
    view.apply();
    static std::vector<GLfloat> buffer(200000);
    glFeedbackBuffer((GLsizei)buffer.size(), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw_robot(ROBOT_POSE_WALK, 0, 0.5f);
    const GLint used = glRenderMode(GL_RENDER);

    // Vertices as (x, y in head coordinates, red, s, t), in drawing order.
    std::vector<std::array<float, 5>> vertices;
    for (GLint i = 0; i < used;) {
        ASSERT_EQ((GLint)buffer[i], GL_POLYGON_TOKEN);
        const int n = (int)buffer[i + 1];
        for (int k = 0; k < n; ++k) {
            const GLfloat *v = &buffer[i + 2 + k * 11];
            vertices.push_back({view.wx(v[0]) - 72, view.wy(v[1]) - 27, v[3], v[7], v[8]});
        }
        i += 2 + n * 11;
    }
    // The mouth is the only black polygon and the eyes come just before it,
    // as quads or as pairs of triangles.
    size_t mouth = 0;
    while (mouth < vertices.size() && vertices[mouth][2] != 0)
        ++mouth;
    size_t mouth_end = mouth;
    for (; mouth_end < vertices.size() && vertices[mouth_end][2] == 0; ++mouth_end)
        EXPECT_NEAR(std::fabs(vertices[mouth_end][1] - 2), 0.5f, 1e-3f);
    const size_t per_quad = mouth_end - mouth;
    ASSERT_TRUE(per_quad == 4 || per_quad == 6);
    ASSERT_GE(mouth, 2 * per_quad);
    for (size_t i = mouth - 2 * per_quad; i < mouth; ++i) {
        const auto &v = vertices[i];
        const bool left = std::fabs(v[0] + 2) < 1e-3f || std::fabs(v[0] - 0.15f) < 1e-3f;
        const bool bottom = std::fabs(v[1] - 3.25f) < 1e-3f;
        ASSERT_TRUE(bottom || std::fabs(v[1] - 5) < 1e-3f) << v[1];
        // At angle 0: (0.5, 0), (1, 0.5), (0.5, 1), (0, 0.5) counter-clockwise
        // from the bottom left.
        EXPECT_NEAR(v[3], bottom ? (left ? 0.5f : 1.0f) : (left ? 0.0f : 0.5f), 1e-5f);
        EXPECT_NEAR(v[4], bottom ? (left ? 0.0f : 0.5f) : (left ? 0.5f : 1.0f), 1e-5f);
    }
}
