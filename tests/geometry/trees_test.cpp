// The tree turtle on its own (counts, depth limits, a digest of every
// segment, hostile rules) and the trees_build task on a real context.
#include <cstring>
#include <string>
#include <vector>

#include "../gl_fixture.h"
#include "app/arena.h"
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

// FNV-1a over every vertex of every segment: pins the trees to the bit.
uint64_t digest()
{
    uint64_t h = 14695981039346656037ull;
    for (const TreeSegment &s : recorded) {
        const unsigned char *b = (const unsigned char *)s.vertices;
        for (size_t i = 0; i < sizeof s.vertices; i++)
            h = (h ^ b[i]) * 1099511628211ull;
    }
    return h;
}

}  // namespace

TEST(TreeTurtle, StoredTreesToTheBit)
{
    EXPECT_EQ(turtle_segment_count(TREE_RULES[0], 0, 0), 0);
    EXPECT_EQ(turtle_segment_count(TREE_RULES[0], 0, 1), 9);
    grow(TREE_RULES[1], SIDE_TREE_TAPER);
    EXPECT_EQ(recorded.size(), 320u);
    EXPECT_EQ(turtle.stack_top, 0);
    EXPECT_EQ(digest(), 0x3d630ccd34f8b268ull);
    grow(TREE_RULES[0], CENTRE_TREE_TAPER);
    EXPECT_EQ(recorded.size(), 765u);
    EXPECT_EQ(digest(), 0xad41af611d336c7eull);
    // At the last level X draws nothing: only the rule's own F remain.
    grow("FXF", 0.1, 1);
    EXPECT_EQ(recorded.size(), 2u);
    grow("FXF", 0.1, 3);
    EXPECT_EQ(recorded.size(), 6u);
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
        {"?!*F", 1, 0},  // unknown letters are skipped
    };
    for (const auto &c : cases) {
        grow(c.rule.c_str(), 0.5);
        EXPECT_EQ(recorded.size(), c.segments) << c.rule;
        EXPECT_EQ(turtle.stack_top, c.stack_top) << c.rule;
    }
    // Pool texture 8 missing: a clear mask rather than a read through null.
    std::vector<uint8_t> out(256 * 256 * 4, 0xAA);
    mask_pixels_from(nullptr, out.data());
    EXPECT_TRUE(out[0] == 0 && out[3] == 0 && out.back() == 0);
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
