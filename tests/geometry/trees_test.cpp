// The tree turtle on its own (counts, the shape of its tubes, turns, depth
// limits, hostile rules) and the trees_build task on a real context.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "../gl_fixture.h"
#include "base/arena.h"
#include "geometry/lsystem.h"
#include "geometry/trees.h"
#include "platform/gl.h"
#include "textures/textures.h"

namespace {

std::vector<TreeSegment> recorded;

void record(const TreeSegment *segment) { recorded.push_back(*segment); }

void grow(const char *rule, double taper, int max_depth = TREE_MAX_DEPTH)
{
    recorded.clear();
    turtle_reset(TURTLE_ROLL, TURTLE_PITCH, TREE_START_DIAMETER);
    turtle_segment_sink = record;
    turtle_interpret(rule, 0, max_depth, TREE_SEGMENT_LENGTH, taper);
    turtle_segment_sink = nullptr;
}

struct Vec {
    double x, y, z;
    Vec operator-(const Vec &o) const { return {x - o.x, y - o.y, z - o.z}; }
    double dot(const Vec &o) const { return x * o.x + y * o.y + z * o.z; }
    double length() const { return std::sqrt(dot(*this)); }
};

Vec position(const TreeVertex &v) { return {v.position[0], v.position[1], v.position[2]}; }
Vec normal(const TreeVertex &v) { return {v.normal[0], v.normal[1], v.normal[2]}; }

// A ring's centre (its five distinct vertices) and its signed diameter
// (vertices stand half a diameter out along their normals).
struct Ring {
    Vec centre;
    double diameter;
};

Ring ring(const TreeSegment &s, int top)
{
    Vec c = {0, 0, 0};
    for (int i = 0; i < 5; ++i) {
        const Vec p = position(s.vertices[2 * i + top]);
        c = {c.x + p.x / 5, c.y + p.y / 5, c.z + p.z / 5};
    }
    const TreeVertex &v = s.vertices[top];
    return {c, 2 * (position(v) - c).dot(normal(v))};
}

Vec heading(const TreeSegment &s) { return ring(s, 1).centre - ring(s, 0).centre; }

}  // namespace

// S(d) = F + X * S(d + 1) per level: rule 1 has 8 F and 3 X, rule 0 9 F
// and 4 X, so four levels give 320 and 765 segments.
TEST(TreeTurtle, StoredTreesAreJoinedTubesOfEvenLengthAndTaper)
{
    const struct {
        const char *rule;
        double taper;
        size_t segments;
    } trees[] = {{TREE_RULES[1], SIDE_TREE_TAPER, 320},
                 {TREE_RULES[0], CENTRE_TREE_TAPER, 765}};
    for (const auto &tree : trees) {
        EXPECT_EQ(turtle_segment_count(tree.rule, 0, TREE_MAX_DEPTH), (int)tree.segments);
        grow(tree.rule, tree.taper);
        ASSERT_EQ(recorded.size(), tree.segments);
        EXPECT_EQ(turtle.stack_top, 0);
        const Ring root = ring(recorded[0], 0);
        EXPECT_TRUE(root.centre.length() < 1e-6 && std::fabs(root.diameter - 4.0) < 1e-6);
        for (size_t n = 0; n < recorded.size(); ++n) {
            const TreeSegment &s = recorded[n];
            const Ring bottom = ring(s, 0), top = ring(s, 1);
            // Each tube starts on the very ring an earlier one ended with.
            bool joined = n == 0;
            for (size_t e = 0; e < n && !joined; ++e) {
                double gap = 0;
                for (int i = 0; i < 12; i += 2) {
                    const TreeVertex &here = s.vertices[i], &there = recorded[e].vertices[i + 1];
                    gap = std::max({gap, (position(here) - position(there)).length(),
                                    (normal(here) - normal(there)).length()});
                }
                joined = gap < 1e-4;
            }
            ASSERT_TRUE(joined) << "a loose tube at segment " << n;
            EXPECT_NEAR(heading(s).length(), TREE_SEGMENT_LENGTH, 1e-4);
            EXPECT_NEAR(bottom.diameter - top.diameter, tree.taper, 1e-4);
            for (int i = 0; i < 12; ++i) {  // normals: unit, the top ones square to the tube
                EXPECT_NEAR(normal(s.vertices[i]).length(), 1.0, 1e-5);
                EXPECT_NEAR(i % 2 ? normal(s.vertices[i]).dot(heading(s)) : 0.0, 0.0, 1e-4);
            }
            for (int k = 0; k < 3; ++k)  // the sixth pair closes the ring
                ASSERT_NEAR(s.vertices[10].position[k], s.vertices[0].position[k], 1e-5);
        }
        EXPECT_NEAR(heading(recorded[0]).y, TREE_SEGMENT_LENGTH, 1e-9);  // the trunk stands
    }
    // At the last level X draws nothing: only the rule's own F remain.
    for (int depth : {0, 1, 3}) {
        grow("FXF", 0.1, depth);
        EXPECT_EQ(recorded.size(), 2u * depth);
    }
}

TEST(TreeTurtle, TurnsBendTheHeadingByTheirAngles)
{
    const struct {
        const char *rule;
        double degrees;  // between the first segment and the last
    } turns[] = {{"FDF", 45}, {"FdF", 22.5}, {"FUF", 45}, {"FuF", 22.5}, {"F+-F", 0},
                 {"F+F", 0},  {"FDDF", 90},  {"FD[DF]F", 45}, {"F-UF", 45}};
    for (const auto &t : turns) {
        grow(t.rule, 0.1);
        const Vec a = heading(recorded.front()), b = heading(recorded.back());
        const double cosine = a.dot(b) / a.length() / b.length();
        const double degrees = std::acos(std::min(1.0, cosine)) * 180 / std::numbers::pi;
        EXPECT_NEAR(degrees, t.degrees, 1e-3) << t.rule;
    }
    // A roll turns the direction a pitch then takes by a third of a circle.
    grow("FDF", 0.1);
    const Vec plain = heading(recorded.back());
    grow("F+DF", 0.1);
    const Vec rolled = heading(recorded.back());
    const double across = plain.x * plain.x + plain.z * plain.z;
    EXPECT_NEAR(plain.x * rolled.x + plain.z * rolled.z, -0.5 * across, 1e-3);
}

TEST(TreeTurtle, HostileRulesStayInsideTheStack)
{
    const struct {
        std::string rule;
        size_t segments;
        int stack_top;
    } cases[] = {
        {"]]F]", 1, 0},                                        // more closes than opens
        {std::string(TURTLE_STACK_SIZE + 40, '[') + "F", 1, TURTLE_STACK_SIZE},  // too deep
        {std::string(TURTLE_STACK_SIZE, '[') + "F", 1, TURTLE_STACK_SIZE},       // just fits
        {std::string(TURTLE_STACK_SIZE + 1, ']') + "[F", 1, 1},
        {"?!*F", 1, 0},  // unknown letters are skipped
    };
    for (const auto &c : cases) {
        grow(c.rule.c_str(), 0.5);
        EXPECT_EQ(recorded.size(), c.segments) << c.rule;
        EXPECT_EQ(turtle.stack_top, c.stack_top) << c.rule;
    }
    // Without a sink the turtle still walks, and draws nowhere.
    turtle_reset(TURTLE_ROLL, TURTLE_PITCH, TREE_START_DIAMETER);
    turtle_interpret("FF", 0, 1, 3.0, 0.5);
    EXPECT_EQ(turtle.pose.position[1], 6.0);
    // Pool texture 8 missing: a clear mask rather than a read through null.
    std::vector<uint8_t> out(256 * 256 * 4, 0xAA);
    mask_pixels_from(nullptr, out.data());
    EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 0));
}

TEST(TreesTask, ListsAndMaskDrawATree)
{
    ASSERT_EQ(test_gl_open(), 1);
    ASSERT_EQ(arena_init(), 1);
    ASSERT_EQ(textures_build(), 1);
    ASSERT_EQ(trees_build(), 1);
    EXPECT_TRUE(glIsList(side_tree_list) && glIsList(centre_tree_list));
    EXPECT_NE(side_tree_list, centre_tree_list);
    // The mask is black with pool texture 8's blue as alpha.
    glBindTexture(GL_TEXTURE_2D, mask_texture);
    std::vector<uint8_t> level0(256 * 256 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level0.data());
    const uint8_t *pool = texture_pixels(8);
    for (int i = 0; i < 256 * 256; i += 61)
        ASSERT_TRUE(level0[4 * i] == 0 && level0[4 * i + 3] == pool[4 * i + 2]) << i;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 4.0 / 3.0, 1.0, 256.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, -26, -80);
    glEnable(GL_CULL_FACE);
    glCallList(side_tree_list);
    glDisable(GL_CULL_FACE);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    const Picture side = read_back();
    save_picture_if_asked(side, "side_tree.png");
    // A trunk up the middle of grey bark, branches wider above than below.
    EXPECT_GT(side.count_lit(310, 300, 330, 400), 1000);
    EXPECT_GT(side.count_lit(0, 0, 640, 240), side.count_lit(0, 240, 640, 480));
    EXPECT_TRUE(side.at(320, 380).r > 0 && side.at(320, 380).r <= 154);
}
