// The robot: the chamfered boxes as numbers (closed, outward-wound, the
// documented sizes), the mouth envelope over song positions, and on a real
// context the part lists, the jointed drawer and its face.
// FM_PICTURES=<dir> keeps the drawn robot as robot_front.png.
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

struct Shape {
    float hx, hy, hz, centre_y;
};

// Torso, head, upper arm, leg piece, forearm.
const Shape SHAPES[] = {
    {5, 5, 3, 5}, {3, 3, 3, 3}, {1.5f, 2.5f, 1.5f, -1.25f}, {2.25f, 2.5f, 2, -2.5f},
    {1.5f, 2.5f, 1.5f, -2.5f},
};

struct Vec {
    float x, y, z;
};

Vec vec(const float *v) { return {v[0], v[1], v[2]}; }
Vec sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(Vec a) { return std::sqrt(dot(a, a)); }

// Every polygon of a box with its vertex count.
std::vector<std::pair<const ChamferPolygon *, int>> polygons_of(const ChamferBox &box)
{
    std::vector<std::pair<const ChamferPolygon *, int>> all;
    for (const ChamferPolygon &q : box.quads)
        all.push_back({&q, 4});
    for (const ChamferPolygon &t : box.corners)
        all.push_back({&t, 3});
    return all;
}

}  // namespace

TEST(ChamferBox, EveryPolygonIsFlatAndTurnsItsFrontOutwardAlongItsNormal)
{
    for (const Shape &s : SHAPES) {
        ChamferBox box;
        chamfer_box_build(s.hx, s.hy, s.hz, s.centre_y, &box);
        const Vec centre = {0, s.centre_y, 0};
        for (auto [p, count] : polygons_of(box)) {
            const Vec n = vec(p->normal);
            const Vec v0 = vec(p->vertices[0]);
            // Counter-clockwise seen from the side the normal points to. The
            // bevels are 45 degrees only where two half extents agree, so the
            // sent normal only leans the same way as the true one.
            const Vec face = cross(sub(vec(p->vertices[1]), v0), sub(vec(p->vertices[2]), v0));
            EXPECT_GT(dot(face, n) / (length(face) * length(n)), 0.9f) << s.hx;
            for (int i = 0; i < count; ++i)
                EXPECT_NEAR(dot(sub(vec(p->vertices[i]), v0), face), 0.0f, 1e-5f);
            // And that side is the outside.
            EXPECT_GT(dot(sub(v0, centre), n), 0.0f);
        }
    }
}

TEST(ChamferBox, IsClosedWithEveryEdgeSharedByTwoOppositelyWoundPolygons)
{
    for (const Shape &s : SHAPES) {
        ChamferBox box;
        chamfer_box_build(s.hx, s.hy, s.hz, s.centre_y, &box);
        using Point = std::tuple<float, float, float>;
        std::map<std::pair<Point, Point>, int> directed;
        for (auto [p, count] : polygons_of(box))
            for (int i = 0; i < count; ++i) {
                const float *a = p->vertices[i], *b = p->vertices[(i + 1) % count];
                ++directed[{{a[0], a[1], a[2]}, {b[0], b[1], b[2]}}];
            }
        EXPECT_EQ(directed.size(), 18u * 4 + 8 * 3);
        for (const auto &[edge, uses] : directed) {
            EXPECT_EQ(uses, 1);
            EXPECT_EQ(directed.count({edge.second, edge.first}), 1u);
        }
    }
}

TEST(ChamferBox, SpansItsHalfExtentsWithBevelsAtThreeQuarters)
{
    ChamferBox torso;
    chamfer_box_build(5, 5, 3, 5, &torso);
    const ChamferPolygon &front = torso.quads[12];
    EXPECT_EQ(front.normal[2], 1.0f);
    for (const auto &v : front.vertices) {
        EXPECT_EQ(std::fabs(v[0]), 3.75f);
        EXPECT_TRUE(v[1] == 1.25f || v[1] == 8.75f);
        EXPECT_EQ(v[2], 3.0f);
    }
    const ChamferPolygon &top = torso.quads[14];
    EXPECT_EQ(top.normal[1], 1.0f);
    for (const auto &v : top.vertices) {
        EXPECT_EQ(v[1], 10.0f);
        EXPECT_EQ(std::fabs(v[2]), 2.25f);
    }
    for (const ChamferPolygon &c : torso.corners)
        EXPECT_NEAR(length(vec(c.normal)), 0.57735f, 1e-5f);

    for (const Shape &s : SHAPES) {
        ChamferBox box;
        chamfer_box_build(s.hx, s.hy, s.hz, s.centre_y, &box);
        Vec lo = {1e9f, 1e9f, 1e9f}, hi = {-1e9f, -1e9f, -1e9f};
        for (auto [p, count] : polygons_of(box))
            for (int i = 0; i < count; ++i) {
                const Vec v = vec(p->vertices[i]);
                lo = {std::fmin(lo.x, v.x), std::fmin(lo.y, v.y), std::fmin(lo.z, v.z)};
                hi = {std::fmax(hi.x, v.x), std::fmax(hi.y, v.y), std::fmax(hi.z, v.z)};
            }
        EXPECT_EQ(lo.x, -s.hx);
        EXPECT_EQ(hi.x, s.hx);
        EXPECT_EQ(lo.y, s.centre_y - s.hy);
        EXPECT_EQ(hi.y, s.centre_y + s.hy);
        EXPECT_EQ(lo.z, -s.hz);
        EXPECT_EQ(hi.z, s.hz);
    }
}

// ---- the mouth envelope ----

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
    EXPECT_FLOAT_EQ(mouth_value(1, 0, 20), 0.7f);
    for (int i = 0; i < 10; ++i)
        mouth_value(1, 0, 20);
    EXPECT_EQ(mouth_open, 0.1f);  // held at the floor
    EXPECT_EQ(mouth_value(1, 1, 20), 0.1f);  // row 1 triggers nothing
    EXPECT_EQ(mouth_last_row, 1);
    EXPECT_FLOAT_EQ(mouth_value(1, 3, 100), 0.5f);
    EXPECT_EQ(mouth_value(1, 3, 0), mouth_open);  // a still frame keeps it
}

TEST_F(Mouth, TriggersOnExactlyTheListedRowsOfOrdersOneThreeAndFive)
{
    for (int order : {1, 3, 5})
        for (int row = 0; row < 64; ++row) {
            bool listed = false;
            for (int r : MOUTH_ROWS)
                listed |= r == row;
            mouth_open = 0.1f;
            EXPECT_EQ(mouth_value(order, row, 0), listed ? 1.0f : 0.1f) << order << " " << row;
        }
    for (int order : {0, 2, 4, 6, 8, 9, 10}) {
        mouth_last_row = 63;
        EXPECT_EQ(mouth_value(order, 0, 0), 0.1f) << order;
        EXPECT_EQ(mouth_last_row, 63);  // not a triggering order: not remembered
    }
}

TEST_F(Mouth, OrderSevenOpensWideOnRowZeroOnly)
{
    mouth_value(5, 63, 20);
    EXPECT_FLOAT_EQ(mouth_value(7, 0, 20), 1.65f);
    EXPECT_FLOAT_EQ(mouth_value(7, 0, 20), 1.55f);
    mouth_open = 0.1f;
    EXPECT_EQ(mouth_value(7, 16, 20), 0.1f);  // a MOUTH_ROWS row, but not here
}

TEST_F(Mouth, ARowRememberedAcrossSilentOrdersDoesNotFireAgain)
{
    mouth_value(1, 0, 20);
    for (int i = 0; i < 20; ++i)
        mouth_value(2, i, 20);  // order 2 closes the mouth and forgets nothing
    EXPECT_EQ(mouth_value(3, 0, 20), 0.1f);
    mouth_value(1, 63, 20);
    mouth_value(2, 5, 20);
    EXPECT_FLOAT_EQ(mouth_value(3, 0, 20), 0.9f);
}

// ---- on a real context ----

namespace {

// World units to window pixels for the orthographic views below: ppu pixels
// a unit, (cx, cy) at the centre of the frame.
struct View {
    float cx, cy, ppu;
    int px(float wx) const { return (int)std::lround((wx - cx) * ppu + 320); }
    int py(float wy) const { return (int)std::lround(240 - (wy - cy) * ppu); }
    float wx(float window_x) const { return (window_x - 320) / ppu + cx; }
    float wy(float window_y_up) const { return (window_y_up - 240) / ppu + cy; }
};

void ortho_view(const View &v)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(v.cx - 320 / v.ppu, v.cx + 320 / v.ppu, v.cy - 240 / v.ppu, v.cy + 240 / v.ppu, -100,
            100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool lit(const Picture &p, int x, int y)
{
    const Rgba c = p.at(x, y);
    return (c.r | c.g | c.b) != 0;
}

void set_all_paths(float x, float y)
{
    for (int id = 0; id < PATH_COUNT; ++id)
        path_value(id) = PathPoint{x, y};
}

// The vertices that feedback mode reports for a drawing, in order.
struct FedVertex {
    float x, y, z, r, g, b, a, s, t;
};

std::vector<FedVertex> feedback_of(void (*draw)())
{
    static std::vector<GLfloat> buffer(200000);
    glFeedbackBuffer((GLsizei)buffer.size(), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<FedVertex> vertices;
    for (GLint i = 0; i < used;) {
        const GLint token = (GLint)buffer[i++];
        int n = 0;
        if (token == GL_POLYGON_TOKEN)
            n = (int)buffer[i++];
        else if (token == GL_PASS_THROUGH_TOKEN) {
            ++i;
            continue;
        } else
            ADD_FAILURE() << "unexpected feedback token " << token;
        for (int k = 0; k < n; ++k, i += 11) {
            const GLfloat *v = &buffer[i];
            vertices.push_back({v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]});
        }
        if (n == 0)
            break;
    }
    return vertices;
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
        glEnable(GL_CULL_FACE);  // the standing 3-D state of the program
        glCullFace(GL_BACK);
        glDepthFunc(GL_LESS);
        set_all_paths(320, 240);
        while (glGetError() != GL_NO_ERROR) {
        }
    }
};

TEST_F(RobotGl, FiveListsShapesSharedAcrossPairsAndTheTexturesKept)
{
    const RobotPartLists &p = robot_part_lists;
    EXPECT_EQ(chrome_texture, texture_gl_name(3));
    EXPECT_EQ(eye_texture, texture_gl_name(0));
    EXPECT_EQ(p.upper_arm[0], p.upper_arm[1]);
    EXPECT_EQ(p.forearm[0], p.forearm[1]);
    EXPECT_EQ(p.thigh[0], p.thigh[1]);
    EXPECT_EQ(p.thigh[0], p.shin[0]);
    EXPECT_EQ(p.shin[0], p.shin[1]);
    const uint32_t lists[] = {p.torso, p.head, p.upper_arm[0], p.forearm[0], p.thigh[0]};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(glIsList(lists[i]));
        for (int j = 0; j < i; ++j)
            EXPECT_NE(lists[i], lists[j]);
    }
}

TEST_F(RobotGl, CallingAListLeavesTexturingAndCoordinateGenerationOff)
{
    ortho_view({0, 5, 20});
    glEnable(GL_TEXTURE_2D);
    glCallList(robot_part_lists.torso);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    // Chrome: the sphere-mapped texture makes the front face neither black
    // nor flat white.
    const Picture p = read_back();
    const Rgba c = p.at(320, 240);
    EXPECT_NE(c, (Rgba{0, 0, 0, 255}));
    EXPECT_NE(c, (Rgba{255, 255, 255, 255}));
}

TEST_F(RobotGl, TheTorsoSeenFromTheFrontHasBevelledEdgesAndCutCorners)
{
    // Recorded against texture 0 the box comes out plain white, so coverage
    // shows the outline alone.
    const uint32_t kept = chrome_texture;
    chrome_texture = 0;
    const uint32_t plain = glGenLists(1);
    chamfered_box_list(5, 5, 3, 5, plain);
    chrome_texture = kept;

    const View view = {0, 5, 20};
    ortho_view(view);
    glCallList(plain);
    const Picture p = read_back();
    glDeleteLists(plain, 1);
    auto at = [&](float wx, float wy) { return lit(p, view.px(wx), view.py(wy)); };
    EXPECT_TRUE(at(0, 5));
    EXPECT_TRUE(at(4.9f, 5));   // the side bevel faces the viewer too
    EXPECT_FALSE(at(5.1f, 5));
    EXPECT_TRUE(at(0, 9.9f));
    EXPECT_FALSE(at(0, 10.1f));
    EXPECT_TRUE(at(-4.3f, 0.9f));  // inside the corner triangle's reach
    EXPECT_FALSE(at(-4.9f, 0.1f));  // beyond its cut
    EXPECT_FALSE(at(4.9f, 9.9f));
    EXPECT_EQ(p.at(view.px(0), view.py(5)), (Rgba{255, 255, 255, 255}));

    // From behind with front faces culled the same outline shows: the box is
    // wound the same way all round.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const uint32_t again = glGenLists(1);
    chrome_texture = 0;
    chamfered_box_list(5, 5, 3, 5, again);
    chrome_texture = kept;
    glCullFace(GL_FRONT);
    glCallList(again);
    glCullFace(GL_BACK);
    const Picture inside = read_back();
    glDeleteLists(again, 1);
    EXPECT_EQ(inside.count_lit(0, 0, 640, 480), p.count_lit(0, 0, 640, 480));
}

TEST_F(RobotGl, StillPathsPlaceTheBodyAtSeventyTwoSeventeenAndTurnNothing)
{
    GLint depth_before = 0, depth_after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);
    draw_robot(ROBOT_POSE_WALK, 0, 0.1f);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
    EXPECT_EQ(depth_after, depth_before);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const GLfloat expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 72, 17, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(m[i], expected[i]) << i;
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    // The body turn is in the matrix left behind: 90 degrees about y.
    glLoadIdentity();
    path_value(3) = PathPoint{410, 240};
    path_value(2) = PathPoint{330, 250};  // place: +2 in x, +2 in z
    path_value(13) = PathPoint{0, 260};   // lift: 2 lower
    draw_robot(ROBOT_POSE_WALK, 0, 0.1f);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(m[0], 0, 1e-6f);
    EXPECT_NEAR(m[2], -1, 1e-6f);
    EXPECT_NEAR(m[8], 1, 1e-6f);
    EXPECT_FLOAT_EQ(m[12], 74);
    EXPECT_FLOAT_EQ(m[13], 15);
    EXPECT_FLOAT_EQ(m[14], 2);
}

namespace {

Picture draw_robot_front(const RobotPose &pose)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ortho_view({72, 20, 12});
    draw_robot(pose, 0.5f, 0.6f);
    return read_back();
}

}  // namespace

TEST_F(RobotGl, TheTalkingPoseLeavesTheLegsStraightWhateverTheirPathsHold)
{
    const Picture walk_still = draw_robot_front(ROBOT_POSE_WALK);
    const Picture talk_still = draw_robot_front(ROBOT_POSE_TALK);
    EXPECT_EQ(walk_still, talk_still);  // same paths, same picture
    if (const char *dir = getenv("FM_PICTURES"))
        walk_still.save(std::string(dir) + "/robot_front.png");

    for (int id = 9; id <= 12; ++id)
        path_value(id) = PathPoint{360, 290};
    EXPECT_EQ(draw_robot_front(ROBOT_POSE_TALK), talk_still);
    EXPECT_NE(draw_robot_front(ROBOT_POSE_WALK), walk_still);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(RobotGl, TheFrontShowsTheBodyHeadArmsLegsAndABlackMouth)
{
    const Picture p = draw_robot_front(ROBOT_POSE_WALK);
    const View view = {72, 20, 12};
    auto at = [&](float wx, float wy) { return lit(p, view.px(wx), view.py(wy)); };
    // Body origin at (72, 17): torso from 17 to 27, head 27 to 33.
    EXPECT_TRUE(at(72, 22));
    EXPECT_TRUE(at(72 + 2.5f, 30));   // head beside the mouth
    EXPECT_FALSE(at(72, 29));         // inside the mouth (27 + 2 +- 0.6)
    EXPECT_FALSE(at(72, 33.5f));      // above the head
    EXPECT_TRUE(at(72 - 6.5f, 17 + 7.5f - 3));  // upper arms hang from 7.5
    EXPECT_TRUE(at(72 + 6.5f, 17 + 7.5f - 7));  // forearms below them
    EXPECT_TRUE(at(72 - 2.5f, 17 - 7));  // legs
    EXPECT_FALSE(at(72, 17 - 7));     // the gap between the legs
}

TEST_F(RobotGl, TheEyesSpinTheirTextureAndTheMouthIsItsHalfHeightAboutTwo)
{
    glDisable(GL_CULL_FACE);
    const View view = {72, 27, 20};  // head origin at the centre
    ortho_view(view);
    const auto vertices = feedback_of([] { draw_robot(ROBOT_POSE_WALK, 0, 0.5f); });
    // The mouth is the only black polygon; the eyes come just before it.
    size_t mouth_first = vertices.size();
    for (size_t i = 0; i < vertices.size(); ++i)
        if (vertices[i].r == 0 && vertices[i].g == 0 && vertices[i].b == 0) {
            mouth_first = i;
            break;
        }
    ASSERT_LT(mouth_first, vertices.size());
    int mouth_vertices = 0;
    for (size_t i = mouth_first; i < vertices.size() && vertices[i].r == 0 && vertices[i].b == 0;
         ++i, ++mouth_vertices) {
        const float wy = view.wy(vertices[i].y) - 27;  // head coordinates
        EXPECT_TRUE(std::fabs(wy - 1.5f) < 1e-3f || std::fabs(wy - 2.5f) < 1e-3f) << wy;
    }
    EXPECT_TRUE(mouth_vertices == 4 || mouth_vertices == 6) << mouth_vertices;

    // Eye corner (left, bottom) takes (0.5, 0), (right, bottom) (1, 0.5),
    // (right, top) (0.5, 1), (left, top) (0, 0.5) at angle 0, whichever way
    // the quads come back.
    const int eye_vertices = mouth_vertices == 4 ? 8 : 12;
    ASSERT_GE(mouth_first, (size_t)eye_vertices);
    for (size_t i = mouth_first - eye_vertices; i < mouth_first; ++i) {
        const FedVertex &v = vertices[i];
        const float wx = view.wx(v.x) - 72, wy = view.wy(v.y) - 27;
        const bool left = std::fabs(wx + 2) < 1e-3f || std::fabs(wx - 0.15f) < 1e-3f;
        const bool bottom = std::fabs(wy - 3.25f) < 1e-3f;
        ASSERT_TRUE(left || std::fabs(wx + 0.15f) < 1e-3f || std::fabs(wx - 2) < 1e-3f) << wx;
        ASSERT_TRUE(bottom || std::fabs(wy - 5) < 1e-3f) << wy;
        const float s = bottom ? (left ? 0.5f : 1.0f) : (left ? 0.0f : 0.5f);
        const float t = bottom ? (left ? 0.0f : 0.5f) : (left ? 0.5f : 1.0f);
        EXPECT_NEAR(v.s, s, 1e-5f) << wx << ", " << wy;
        EXPECT_NEAR(v.t, t, 1e-5f) << wx << ", " << wy;
        EXPECT_EQ(v.r, 1.0f);
    }
}
