// forest_talk.cpp - see forest_talk.h.
#include "scenes/forest_talk.h"

#include "geometry/robot.h"
#include "platform/gl.h"
#include "scenes/forest.h"
#include "sequencing/paths.h"

float talk_eye_angle = 0.0f;

namespace {

const float EYE_SPIN_PER_SECOND = 10.0f;
const float TWO_PI = 6.2831855f;

}  // namespace

float forest_talk_shift(int order) { return order < 7 ? -45.0f : -80.0f; }

void layer_forest_talk(int order, int row, int, int, int frame_ms)
{
    const PathPoint turn = path_value(14);

    // A single subtraction keeps the angle near one turn; after a long
    // stall it may stay above, which cos and sin take just as well.
    talk_eye_angle += (float)frame_ms * 0.001f * EYE_SPIN_PER_SECOND;
    if (talk_eye_angle > TWO_PI)
        talk_eye_angle -= TWO_PI;

    const float shift = forest_talk_shift(order);
    draw_sky_backdrop();

    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    // The camera stands at (60, -shift, 20) and only turns about itself.
    forest_camera(turn);
    glTranslatef(-60.0f, shift, -20.0f);

    draw_forest();

    // The talking robot stands where its place path puts it, with no extra
    // offset: the camera was set up beside it.
    const float mouth = mouth_value(order, row, frame_ms);
    draw_robot(ROBOT_POSE_TALK, talk_eye_angle, mouth);
    glPopAttrib();
}
