// robot_fixture.h - a GL test with the robot ready to draw, for the robot's
// own tests and the forest scenes'.
//
//   class Forest : public RobotTest {
//       static void SetUpTestSuite() { RobotTest::SetUpTestSuite(); trees_build(); }
//   };
//
// Once a suite: the arena, the textures and the robot's part lists, in the
// precalc's order. Before each test: the program's standing 3-D state
// (back faces culled), every path held at the frame's centre (the rest
// pose) and the mouth as at start.
#pragma once

#include "base/arena.h"
#include "geometry/robot.h"
#include "gl_fixture.h"
#include "path_poses.h"
#include "platform/gl.h"
#include "textures/textures.h"

class RobotTest : public GlTest {
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
        glEnable(GL_CULL_FACE);
        ASSERT_EQ(pose_paths({320, 240}), 1);
        mouth_reset();
    }
};
