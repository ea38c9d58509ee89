// The talking-robot close-up: camera height by order, the eye spin and the
// shared mouth as the layer drives them, the matrices and state it leaves,
// and the picture with the stored paths.
// FM_PICTURES=<dir> keeps the drawn frames as forest_talk_*.png.
#include <cmath>
#include <cstdlib>
#include <string>

#include "../gl_fixture.h"
#include "app/arena.h"
#include "embedded_data.h"
#include "geometry/robot.h"
#include "geometry/terrain.h"
#include "geometry/trees.h"
#include "platform/gl.h"
#include "scenes/forest.h"
#include "scenes/forest_talk.h"
#include "sequencing/paths.h"
#include "textures/textures.h"

namespace {

// The paths the layer's timeline entries advance.
const int32_t TALK_PATHS[] = {15, 16, 17, 18, 19, 20, 21, 14, 22};

void set_all_paths(float x, float y)
{
    for (int id = 0; id < PATH_COUNT; ++id)
        path_value(id) = PathPoint{x, y};
}

void keep(const Picture &p, const char *name)
{
    if (const char *dir = getenv("FM_PICTURES"))
        p.save(std::string(dir) + "/forest_talk_" + name + ".png");
}

}  // namespace

class ForestTalk : public GlTest {
protected:
    static void SetUpTestSuite()
    {
        GlTest::SetUpTestSuite();
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
        // The program's standing 3-D state.
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glDepthFunc(GL_LESS);
        set_all_paths(320, 240);
        mouth_last_row = -1;
        mouth_open = 0.1f;
        talk_eye_angle = 0.0f;
        while (glGetError() != GL_NO_ERROR) {
        }
    }
};

TEST_F(ForestTalk, TheCameraRisesFromOrderSevenOnAndLeavesTheBodyFrameBehind)
{
    // With still paths the camera looks along -z from (60, 45, 20); the
    // body stands at (72, 17, 0), so the matrix left behind moves it by
    // (12, -28, -20) from the eye.
    GLint attrib_depth = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &attrib_depth);
    for (int order : {5, 7}) {
        layer_forest_talk(order, 8, 0, 0, 20);
        GLint matrix_mode = 0, depth = 0;
        glGetIntegerv(GL_MATRIX_MODE, &matrix_mode);
        EXPECT_EQ(matrix_mode, GL_MODELVIEW);
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        EXPECT_FLOAT_EQ(m[12], 12);
        EXPECT_FLOAT_EQ(m[13], order < 7 ? -28 : -63);
        EXPECT_FLOAT_EQ(m[14], -20);
        EXPECT_EQ(m[0], 1.0f);
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, attrib_depth);
    }
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(ForestTalk, EyesSpinApartFromTheWalkingRobotsAndTheMouthFollowsTheSong)
{
    walk_eye_angle = 1.0f;
    layer_forest_talk(3, 1, 0, 0, 50);
    EXPECT_FLOAT_EQ(talk_eye_angle, 0.5f);  // ten radians a second
    talk_eye_angle = 6.2f;
    layer_forest_talk(3, 1, 0, 0, 10);
    EXPECT_NEAR(talk_eye_angle, 6.3f - 6.2831855f, 1e-5f);
    layer_forest_talk(3, 1, 0, 0, 0);
    EXPECT_NEAR(talk_eye_angle, 6.3f - 6.2831855f, 1e-5f);
    EXPECT_EQ(walk_eye_angle, 1.0f);

    mouth_value(1, 63, 20);  // the walking scene's last frame; order 2 is silent
    layer_forest_talk(3, 0, 0, 0, 20);
    EXPECT_FLOAT_EQ(mouth_open, 0.9f);
    layer_forest_talk(5, 63, 0, 0, 20);
    layer_forest_talk(7, 0, 0, 0, 20);
    EXPECT_FLOAT_EQ(mouth_open, 1.65f);
}

namespace {

int black_pixels(const Picture &p)
{
    return 640 * 480 - p.count_lit(0, 0, 640, 480);
}

}  // namespace

TEST_F(ForestTalk, TheStoredPathsShowTheRobotWithItsBlackMouthAgainstTheForest)
{
    // Three seconds into the first close-up (its paths start with it).
    paths_update(0, TALK_PATHS, 9);
    paths_update(3000, TALK_PATHS, 9);
    mouth_value(3, 2, 0);
    layer_forest_talk(3, 3, 0, 3000, 20);  // a trigger row: the mouth opens
    const Picture open = read_back();
    keep(open, "order3");
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

    // Sky and ground cover the whole frame; only the mouth is black.
    const int open_black = black_pixels(open);
    EXPECT_GT(open_black, 1000);
    EXPECT_LT(open_black, 640 * 480 / 10);

    // Closed to its floor the mouth is a thin slit.
    mouth_open = 0.1f;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    layer_forest_talk(3, 4, 0, 3000, 0);
    const Picture shut = read_back();
    EXPECT_LT(black_pixels(shut) * 5, open_black);
    EXPECT_GT(black_pixels(shut), 0);

    // Order 7 starts about 15.5 s after order 3 in the song. The camera
    // stands higher and looks over the robot, whose head only just shows at
    // the bottom; the frame mask covers that part of the frame anyway.
    paths_update(15456, TALK_PATHS, 9);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    mouth_value(6, 63, 0);
    layer_forest_talk(7, 0, 0, 15456, 20);
    const Picture high = read_back();
    keep(high, "order7");
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
