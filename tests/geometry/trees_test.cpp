// The tree turtle on its own (counts, depth limits, hostile rules) and the
// trees_build task's lists and mask.
#include <algorithm>
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

void grow(const char *rule, double taper)
{
    recorded.clear();
    turtle_reset(TURTLE_ROLL, TURTLE_PITCH, TREE_START_DIAMETER);
    turtle_segment_sink = record;
    turtle_interpret(rule, 0, TREE_MAX_DEPTH, TREE_SEGMENT_LENGTH, taper);
    turtle_segment_sink = nullptr;
}

}  // namespace

// S(d) = F + X * S(d + 1) per level: rule 1 has 8 F and 3 X, rule 0 9 F
// and 4 X, so four levels give 320 and 765 segments. The tubes' shape is in
// the pinned frames of the forest scenes.
TEST(TreeTurtle, StoredTreesGrowTheirSegmentsWithinTheDepth)
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
        EXPECT_TRUE(recorded.size() == tree.segments && turtle.stack_top == 0) << recorded.size();
    }
}

// Unmatched closes, saves past the stack and walks without a sink: the
// turtle stays inside its stack and walks on.
TEST(TreeTurtle, HostileRulesStayInsideTheStack)
{
    const struct {
        std::string rule;
        size_t segments;
        int stack_top;
        double height;  // where the turtle ends
    } cases[] = {
        {"]]F]", 1, 0, 4},
        {"[F]]F", 2, 0, 4},
        {std::string(TURTLE_STACK_SIZE, '[') + "F", 1, TURTLE_STACK_SIZE, 4},  // just fits
        {std::string(TURTLE_STACK_SIZE + 1, '['), 0, TURTLE_STACK_SIZE, 0},    // one too many
    };
    for (const auto &c : cases) {
        grow(c.rule.c_str(), 0.5);
        EXPECT_EQ(recorded.size(), c.segments) << c.rule;
        EXPECT_EQ(turtle.stack_top, c.stack_top) << c.rule;
        EXPECT_EQ(turtle.pose.position[1], c.height) << c.rule;
    }
    // Without a sink the turtle walks on and draws nowhere; without pool
    // texture 8 the mask is clear. In a child process, which a call or a read
    // through null would end.
    EXPECT_EXIT(
        {
            turtle_reset(TURTLE_ROLL, TURTLE_PITCH, TREE_START_DIAMETER);
            turtle_interpret("FF", 0, 1, 3.0, 0.5);
            std::vector<uint8_t> out(256 * 256 * 4, 0xAA);
            mask_pixels_from(nullptr, out.data());
            const bool clear = *std::max_element(out.begin(), out.end()) == 0;
            exit(turtle.pose.position[1] == 6.0 && clear ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(TreesTask, ListsAndTheMaskFromPoolTextureEight)
{
    ASSERT_TRUE(test_gl_open() && arena_init() && textures_build() && trees_build());
    EXPECT_TRUE(glIsList(side_tree_list) && glIsList(centre_tree_list) &&
                side_tree_list != centre_tree_list);
    // The mask is black with pool texture 8's blue as alpha.
    glBindTexture(GL_TEXTURE_2D, mask_texture);
    std::vector<uint8_t> level0(256 * 256 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level0.data());
    const uint8_t *pool = texture_pixels(8);
    for (int i = 0; i < 256 * 256; ++i)
        ASSERT_TRUE(level0[4 * i] == 0 && level0[4 * i + 3] == pool[4 * i + 2]) << i;
}
