// The forest scenes on a real context with everything built as the precalc
// would: the state the layers leave, their clocks and cameras, and pictures
// from the recorded paths.
// FM_PICTURES=<dir> keeps the drawn frames as forest_*.png.
#include "../gl_fixture.h"
#include "../robot_fixture.h"
#include "base/arena.h"
#include "geometry/robot.h"
#include "geometry/terrain.h"
#include "geometry/trees.h"
#include "platform/gl.h"
#include "scenes/forest.h"
#include "scenes/forest_talk.h"
#include "sequencing/paths.h"
#include "textures/textures.h"

namespace {

// The paths the layers' timeline entries advance.
const int32_t WALK_PATHS[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1, 13};
const int32_t TALK_PATHS[] = {15, 16, 17, 18, 19, 20, 21, 14, 22};

int black_pixels(const Picture &p) { return 640 * 480 - p.count_lit(0, 0, 640, 480); }

}  // namespace

class Forest : public RobotTest {
protected:
    static void SetUpTestSuite()
    {
        RobotTest::SetUpTestSuite();
        ASSERT_EQ(trees_build(), 1);
        ASSERT_EQ(terrain_build(), 1);
    }
    void SetUp() override
    {
        RobotTest::SetUp();
        glDepthFunc(GL_LESS);
    }
    void TearDown() override
    {
        // Each layer leaves the standing state as it found it.
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_BLEND));
        GLint func = 0, mode = 0;
        glGetIntegerv(GL_DEPTH_FUNC, &func);
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_TRUE(func == GL_LESS && mode == GL_MODELVIEW);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        glDisable(GL_CULL_FACE);
    }
};

TEST_F(Forest, EyesSpinTenRadiansASecondEachSceneItsOwn)
{
    walk_eye_angle = 6.2f, talk_eye_angle = 1.0f;
    layer_forest_walk(0, 40, 0, 0, 10);
    EXPECT_NEAR(walk_eye_angle, 6.3f - 6.2831855f, 1e-5f);  // wraps once
    layer_forest_talk(3, 1, 0, 0, 50);
    EXPECT_FLOAT_EQ(talk_eye_angle, 1.5f);
    layer_forest_walk(0, 41, 0, 0, 0);  // a still frame
    EXPECT_NEAR(walk_eye_angle, 6.3f - 6.2831855f, 1e-5f);
}

TEST_F(Forest, TheTalkCameraRisesFromOrderSevenOnAndTheMouthFollowsTheSong)
{
    // Still paths: the eye at (60, 45, 20) looks along -z at the body at
    // (72, 17, 0); from order 7 on it stands 35 higher.
    for (int order : {5, 7}) {
        layer_forest_talk(order, 8, 0, 0, 20);
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        EXPECT_TRUE(m[0] == 1 && m[12] == 12 && m[14] == -20) << order;
        EXPECT_FLOAT_EQ(m[13], order < 7 ? -28 : -63);
    }
    mouth_value(5, 63, 20);
    layer_forest_talk(7, 0, 0, 0, 20);
    EXPECT_FLOAT_EQ(mouth_state.open, 1.65f);
}

TEST_F(Forest, RecordedPathsShowTheRobotInTheForest)
{
    // Twelve seconds into the walk the camera faces the robot: a grey
    // chrome torso between brown ground and bark; only its mouth is black.
    ASSERT_EQ(paths_init(), 1);
    paths_update(0, WALK_PATHS, 14);
    paths_update(12000, WALK_PATHS, 14);
    layer_forest_walk(1, 10, 0, 12000, 20);
    const Picture walk = read_back();
    save_picture_if_asked(walk, "forest_walk_12000.png");
    EXPECT_GT(walk.count_lit(0, 0, 640, 480), 640 * 480 * 95 / 100);
    const Rgba torso = walk.at(330, 220);
    EXPECT_TRUE(torso.r > 120 && std::abs(torso.r - torso.b) < 30);

    // Three seconds into the first close-up, on a trigger row: the mouth
    // opens wide, then shuts to a thin slit.
    paths_update(0, TALK_PATHS, 9);
    paths_update(3000, TALK_PATHS, 9);
    mouth_value(3, 2, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    layer_forest_talk(3, 3, 0, 3000, 20);
    const Picture open = read_back();
    save_picture_if_asked(open, "forest_talk_order3.png");
    EXPECT_TRUE(black_pixels(open) > 1000 && black_pixels(open) < 640 * 480 / 10);
    mouth_state.open = 0.1f;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    layer_forest_talk(3, 4, 0, 3000, 0);
    const Picture shut = read_back();
    EXPECT_TRUE(black_pixels(shut) > 0 && black_pixels(shut) * 5 < black_pixels(open));
}
