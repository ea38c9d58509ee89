// The forest scene on a real context with everything it draws built as the
// precalc would: the sky's mirror, the forest drawer's state, the walk
// layer's clocks and pictures from the canonical and recorded cameras.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "../gl_fixture.h"
#include "app/arena.h"
#include "embedded_data.h"
#include "geometry/robot.h"
#include "geometry/terrain.h"
#include "geometry/trees.h"
#include "platform/gl.h"
#include "scenes/forest.h"
#include "sequencing/paths.h"
#include "textures/textures.h"

namespace {

// The paths timeline entry 0 advances.
const int32_t WALK_PATHS[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1, 13};
const uint32_t WALK_PATH_COUNT = sizeof WALK_PATHS / sizeof WALK_PATHS[0];

void centre_all_paths()
{
    for (int id = 0; id < PATH_COUNT; id++)
        path_value(id) = PathPoint{320.0f, 240.0f};
}

}  // namespace

class ForestWalk : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        GlTest::SetUpTestSuite();
        arena_release();
        ASSERT_EQ(arena_init(), 1);
        ASSERT_EQ(paths_init_from(PATH_TABLE, PATH_TABLE_COUNT), 1);
        ASSERT_EQ(textures_build(), 1);
        ASSERT_EQ(robot_parts_build(), 1);
        ASSERT_EQ(trees_build(), 1);
        ASSERT_EQ(terrain_build(), 1);
    }
    void SetUp() override
    {
        GlTest::SetUp();
        // The program's context stands with culling on and GL_LESS depth.
        glEnable(GL_CULL_FACE);
        glDepthFunc(GL_LESS);
    }
    void TearDown() override { glDisable(GL_CULL_FACE); }
};

TEST_F(ForestWalk, SkyIsMirroredAtTheHorizonAndWritesNoDepth)
{
    draw_sky_backdrop();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    const Picture p = read_back();
    p.save("/tmp/forest_sky.png");
    EXPECT_EQ(p.count_lit(0, 0, 640, 480), 640 * 480);
    for (int k : {1, 60, 180, 239}) {
        for (int x : {5, 320, 600}) {
            const Rgba above = p.at(x, 240 - k), below = p.at(x, 239 + k);
            EXPECT_NEAR(above.r, below.r, 2) << x << "," << k;
            EXPECT_NEAR(above.b, below.b, 2) << x << "," << k;
        }
    }
    float depth = 0;
    glReadPixels(320, 100, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(ForestWalk, ForestLeavesModelviewSelectedUnchangedAndTexturingOff)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, 1.3333333730697632, 1, 256);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, -25, 3);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    draw_forest();
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(before[i], after[i]) << i;
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(ForestWalk, CentredCameraSeesGroundBelowTheHorizonAndThreeTrees)
{
    centre_all_paths();
    layer_forest_walk(0, 40, 0, 0, 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    const Picture p = read_back();
    p.save("/tmp/forest_walk_centred.png");

    // Bottom rows are terrain (25 below the eye); the top right corner, past
    // the centre tree's crown, is open sky. Depth rows count from the bottom.
    float depth = 0;
    glReadPixels(320, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_LT(depth, 1.0f);
    glReadPixels(600, 470, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);

    // Trunks: the side trees 64 left and right at depth 64 project to
    // 320 -+ 64/64 * 240/tan(22.5 deg) = about 320 -+ 579, off screen; the
    // centre tree's trunk stands in the middle at depth 32.
    glReadPixels(320, 260, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    const double eye_z = 2.0 * 256.0 * 1.0 / (256.0 + 1.0 - (2.0 * depth - 1.0) * (256.0 - 1.0));
    EXPECT_NEAR(eye_z, 32.0, 2.5);
}

TEST_F(ForestWalk, StandingStateIsRestored)
{
    centre_all_paths();
    layer_forest_walk(1, 3, 0, 0, 20);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint func = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    EXPECT_EQ(func, GL_LESS);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(ForestWalk, EyeSpinsTenRadiansASecondAndWrapsOnce)
{
    centre_all_paths();
    walk_eye_angle = 1.0f;
    layer_forest_walk(0, 40, 0, 0, 50);
    EXPECT_FLOAT_EQ(walk_eye_angle, 1.5f);

    walk_eye_angle = 6.2f;
    layer_forest_walk(0, 40, 0, 0, 10);
    EXPECT_NEAR(walk_eye_angle, 0.0168145f, 1e-5);

    // A still frame: eyes and mouth stand, and the picture repeats.
    const float mouth = mouth_open;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    layer_forest_walk(0, 41, 0, 0, 0);
    const Picture first = read_back();
    EXPECT_NEAR(walk_eye_angle, 0.0168145f, 1e-5);
    EXPECT_EQ(mouth_open, mouth);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    layer_forest_walk(0, 41, 0, 0, 0);
    EXPECT_TRUE(read_back() == first);
}

TEST_F(ForestWalk, RecordedPathsWalkTheRobotThroughTheForest)
{
    // The recordings last the scene's fifteen seconds.
    paths_update(0, WALK_PATHS, WALK_PATH_COUNT);
    std::vector<Picture> frames;
    for (int ms : {2000, 6000, 12000, 14000}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        paths_update(ms, WALK_PATHS, WALK_PATH_COUNT);
        layer_forest_walk(1, 10, 0, ms, 20);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        frames.push_back(read_back());
        frames.back().save("/tmp/forest_walk_" + std::to_string(ms) + ".png");
        // Only the robot's mouth is black.
        EXPECT_GT(frames.back().count_lit(0, 0, 640, 480), 640 * 480 * 95 / 100) << ms;
    }
    for (size_t i = 1; i < frames.size(); i++)
        EXPECT_FALSE(frames[i] == frames[i - 1]) << i;
    // At twelve seconds the camera faces the robot: a grey chrome torso in
    // the middle of the frame, between brown ground and bark.
    const Rgba torso = frames[2].at(330, 220);
    EXPECT_GT(torso.r, 120);
    EXPECT_LT(std::abs(torso.r - torso.b), 30);
}
