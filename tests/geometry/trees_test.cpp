// The tree turtle on its own (matrices, segments, counts, the stored rules'
// shapes) and the trees_build task on a real context (lists, mask texture).
#include <cmath>
#include <cstring>
#include <vector>

#include "../gl_fixture.h"
#include "app/arena.h"
#include "geometry/lsystem.h"
#include "geometry/trees.h"
#include "platform/gl.h"
#include "textures/textures.h"

namespace {

struct Recorded {
    TreeSegment segment;
    double start[3], end[3];
    double diameter;
};

std::vector<Recorded> recorded;

void record(const TreeSegment *segment)
{
    Recorded r;
    r.segment = *segment;
    memcpy(r.start, turtle.pose.previous_position, sizeof r.start);
    memcpy(r.end, turtle.pose.position, sizeof r.end);
    r.diameter = turtle.pose.diameter;
    recorded.push_back(r);
}

void grow(const char *rule, double taper, int max_depth = TREE_MAX_DEPTH)
{
    recorded.clear();
    turtle_reset(TURTLE_ROLL, TURTLE_PITCH, TREE_START_DIAMETER);
    turtle_segment_sink = record;
    turtle_interpret(rule, 0, max_depth, TREE_SEGMENT_LENGTH, taper);
    turtle_segment_sink = nullptr;
}

void expect_vec(const float *v, double x, double y, double z, double tolerance = 1e-5)
{
    EXPECT_NEAR(v[0], x, tolerance);
    EXPECT_NEAR(v[1], y, tolerance);
    EXPECT_NEAR(v[2], z, tolerance);
}

}  // namespace

TEST(TreeMatrix, MultiplyMayWriteIntoEitherFactor)
{
    Matrix a, b, expected, out;
    for (int i = 0; i < 16; i++) {
        a.m[i] = i + 1;
        b.m[i] = (i * 7) % 5 - 2;
    }
    matrix_multiply(&expected, &a, &b);
    EXPECT_EQ(expected.m[4 * 1 + 2], 5 * 2 + 6 * 0 + 7 * -2 + 8 * 1);  // row 1 of a, column 2 of b
    out = a;
    matrix_multiply(&out, &out, &b);
    EXPECT_EQ(memcmp(&out, &expected, sizeof out), 0);
    out = b;
    matrix_multiply(&out, &a, &out);
    EXPECT_EQ(memcmp(&out, &expected, sizeof out), 0);
}

TEST(TreeTurtle, SegmentCountsOfTheStoredRules)
{
    EXPECT_EQ(turtle_segment_count(TREE_RULES[1], 0, 4), 320);
    EXPECT_EQ(turtle_segment_count(TREE_RULES[0], 0, 4), 765);
    EXPECT_EQ(turtle_segment_count(TREE_RULES[0], 0, 0), 0);
    EXPECT_EQ(turtle_segment_count(TREE_RULES[0], 0, 1), 9);

    grow(TREE_RULES[1], SIDE_TREE_TAPER);
    EXPECT_EQ(recorded.size(), 320u);
    EXPECT_EQ(turtle.stack_top, 0);
    grow(TREE_RULES[0], CENTRE_TREE_TAPER);
    EXPECT_EQ(recorded.size(), 765u);
    EXPECT_EQ(turtle.stack_top, 0);
}

TEST(TreeTurtle, DepthLimits)
{
    grow(TREE_RULES[0], CENTRE_TREE_TAPER, 0);
    EXPECT_TRUE(recorded.empty());
    // At the last level X draws nothing: only the rule's own F remain.
    grow("FXF", 0.1, 1);
    EXPECT_EQ(recorded.size(), 2u);
    grow("FXF", 0.1, 3);
    EXPECT_EQ(recorded.size(), 6u);
}

TEST(TreeTurtle, FirstSegmentOfEitherTree)
{
    const double top_radius[2] = {2.0 - 0.5 * CENTRE_TREE_TAPER, 2.0 - 0.5 * SIDE_TREE_TAPER};
    const double taper[2] = {CENTRE_TREE_TAPER, SIDE_TREE_TAPER};
    for (int rule = 0; rule < 2; rule++) {
        grow(TREE_RULES[rule], taper[rule]);
        const TreeVertex *v = recorded[0].segment.vertices;
        expect_vec(v[0].position, 2, 0, 0);
        expect_vec(v[0].normal, 1, 0, 0);
        EXPECT_EQ(v[0].tex[0], 0.0f);
        EXPECT_EQ(v[0].tex[1], 0.0f);
        expect_vec(v[1].position, top_radius[rule], 4, 0);
        EXPECT_EQ(v[1].tex[1], 1.0f);
        // 72 degrees round the ring.
        expect_vec(v[2].normal, 0.309017, 0, 0.951057);
        expect_vec(v[2].position, 0.618034, 0, 1.902113);
        EXPECT_FLOAT_EQ(v[2].tex[0], 0.2f);
        // The closing pair lands back on the first, a float step short of 2*pi.
        expect_vec(v[10].position, 2, 0, 0);
        EXPECT_NE(v[10].position[2], 0.0f);
        EXPECT_FLOAT_EQ(v[10].tex[0], 1.0f);
    }
}

TEST(TreeTurtle, ThirdSegmentTiltsIntoTheFirstBranch)
{
    grow(TREE_RULES[1], SIDE_TREE_TAPER);
    const Recorded &third = recorded[2];
    EXPECT_NEAR(third.start[0], 0, 1e-9);
    EXPECT_NEAR(third.start[1], 8, 1e-9);
    EXPECT_NEAR(third.start[2], 0, 1e-9);
    EXPECT_NEAR(third.end[0], -2.449490, 1e-6);
    EXPECT_NEAR(third.end[1], 10.828428, 1e-6);
    EXPECT_NEAR(third.end[2], 1.414212, 1e-6);
    // Its lower ring is the upper ring of the segment before.
    for (int i = 0; i < 6; i++)
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(third.segment.vertices[2 * i].position[k],
                      recorded[1].segment.vertices[2 * i + 1].position[k]);
}

TEST(TreeTurtle, TubesFaceOutwards)
{
    // Quad i of a strip is (2i, 2i+1, 2i+3, 2i+2); counter-clockwise from
    // outside means its geometric normal agrees with the ring normals.
    // Segments right after a roll are twisted (their rings' axes differ by a
    // third of a turn) and have no clear outside, so only straight ones count.
    grow(TREE_RULES[0], CENTRE_TREE_TAPER);
    int straight = 0;
    for (size_t s = 0; s < recorded.size(); s++) {
        const TreeVertex *v = recorded[s].segment.vertices;
        const float *nb = v[0].normal, *nt = v[1].normal;
        if (nb[0] * nt[0] + nb[1] * nt[1] + nb[2] * nt[2] < 0.5f)
            continue;
        straight++;
        for (int i = 0; i < 5; i++) {
            const float *p0 = v[2 * i].position, *p1 = v[2 * i + 1].position,
                        *p3 = v[2 * i + 3].position;
            double a[3], b[3], n[3] = {0, 0, 0};
            for (int k = 0; k < 3; k++) {
                a[k] = p1[k] - p0[k];
                b[k] = p3[k] - p0[k];
                n[k] = v[2 * i].normal[k] + v[2 * i + 2].normal[k];
            }
            const double cross[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                                     a[0] * b[1] - a[1] * b[0]};
            EXPECT_GT(cross[0] * n[0] + cross[1] * n[1] + cross[2] * n[2], 0.0)
                << "segment " << s << " side " << i;
        }
    }
    EXPECT_GT(straight, 400);
}

TEST(TreeTurtle, ExtentsAndDiametersOfTheStoredTrees)
{
    struct Expect {
        int rule;
        double taper, lo[3], hi[3], min_diameter;
    } cases[2] = {
        {1, SIDE_TREE_TAPER, {-39.7, 4, -36.2}, {39.7, 50.9, 29.0}, -0.16},
        {0, CENTRE_TREE_TAPER, {-33.2, 4, -35.6}, {27.4, 46.5, 25.2}, 0.16},
    };
    for (const Expect &c : cases) {
        grow(TREE_RULES[c.rule], c.taper);
        double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9}, min_d = 1e9;
        int negative = 0;
        for (const Recorded &r : recorded) {
            for (int k = 0; k < 3; k++) {
                lo[k] = std::fmin(lo[k], r.end[k]);
                hi[k] = std::fmax(hi[k], r.end[k]);
            }
            min_d = std::fmin(min_d, r.diameter);
            negative += r.diameter < 0;
        }
        for (int k = 0; k < 3; k++) {
            EXPECT_NEAR(lo[k], c.lo[k], 0.06) << "rule " << c.rule << " axis " << k;
            EXPECT_NEAR(hi[k], c.hi[k], 0.06) << "rule " << c.rule << " axis " << k;
        }
        EXPECT_NEAR(min_d, c.min_diameter, 1e-9);
        EXPECT_EQ(negative, c.rule == 1 ? 1 : 0);
    }
}

TEST(TreeTurtle, UnbalancedBracketsStayInsideTheStack)
{
    // More closes than opens: the turtle stays put.
    grow("]]F]", 0.5);
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(turtle.stack_top, 0);
    EXPECT_NEAR(recorded[0].end[1], 4.0, 1e-12);

    // More opens than the stack holds: the extra saves are dropped.
    std::string deep(TURTLE_STACK_SIZE + 40, '[');
    deep += "F";
    grow(deep.c_str(), 0.5);
    EXPECT_EQ(turtle.stack_top, TURTLE_STACK_SIZE);
    EXPECT_EQ(recorded.size(), 1u);
}

TEST(TreeMask, NoSourceGivesAClearMask)
{
    // Pool texture 8 missing: transparent rather than a read through null.
    std::vector<uint8_t> out(256 * 256 * 4, 0xAA);
    mask_pixels_from(nullptr, out.data());
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(out[out.size() - 1], 0);
}

class TreesTask : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        GlTest::SetUpTestSuite();
        arena_release();
        ASSERT_EQ(arena_init(), 1);
        ASSERT_EQ(textures_build(), 1);
        ASSERT_EQ(trees_build(), 1);
    }
};

TEST_F(TreesTask, ListsAndMaskExistWithoutErrors)
{
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_TRUE(glIsList(side_tree_list));
    EXPECT_TRUE(glIsList(centre_tree_list));
    EXPECT_NE(side_tree_list, centre_tree_list);
    EXPECT_TRUE(glIsTexture(mask_texture));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    glBindTexture(GL_TEXTURE_2D, mask_texture);
    std::vector<uint8_t> level0(256 * 256 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level0.data());
    const uint8_t *pool = texture_pixels(8);
    ASSERT_NE(pool, nullptr);
    int mismatches = 0;
    for (int i = 0; i < 256 * 256; i++) {
        mismatches += level0[4 * i] != 0 || level0[4 * i + 1] != 0 || level0[4 * i + 2] != 0 ||
                      level0[4 * i + 3] != pool[4 * i + 2];
    }
    EXPECT_EQ(mismatches, 0);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR_MIPMAP_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_REPEAT);
}

TEST_F(TreesTask, ListsLeaveTexturingOffAndDrawATree)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 4.0 / 3.0, 1.0, 256.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, -26, -80);
    glEnable(GL_CULL_FACE);
    glCallList(side_tree_list);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    Picture side = read_back();
    side.save("/tmp/forest_side_tree.png");

    // A trunk up the middle, branches spreading wider above than below.
    EXPECT_GT(side.count_lit(310, 300, 330, 400), 1000);
    EXPECT_GT(side.count_lit(0, 0, 640, 240), side.count_lit(0, 240, 640, 480));
    // Grey bark, never brighter than the 0.6 colour allows.
    const Rgba trunk = side.at(320, 380);
    EXPECT_GT(trunk.r, 0);
    EXPECT_LE(trunk.r, 154);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glCallList(centre_tree_list);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    Picture centre = read_back();
    centre.save("/tmp/forest_centre_tree.png");
    EXPECT_FALSE(centre == side);
    glDisable(GL_CULL_FACE);
}
