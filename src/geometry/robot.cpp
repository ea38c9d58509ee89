// robot.cpp - see robot.h.
#include "geometry/robot.h"

#include <cmath>

#include "geometry/chamfer_box.h"
#include "geometry/texgen.h"
#include "platform/gl.h"
#include "sequencing/paths.h"
#include "sequencing/row_trigger.h"
#include "textures/textures.h"

RobotPartLists robot_part_lists;
uint32_t chrome_texture;
uint32_t eye_texture;

const RobotPose ROBOT_POSE_WALK = {2, 13, 3, 4, {5, 6}, {7, 8}, {9, 10}, {11, 12}};
const RobotPose ROBOT_POSE_TALK = {15,
                                   22,
                                   16,
                                   17,
                                   {18, 19},
                                   {20, 21},
                                   {ROBOT_JOINT_FIXED, ROBOT_JOINT_FIXED},
                                   {ROBOT_JOINT_FIXED, ROBOT_JOINT_FIXED}};

const int MOUTH_ROWS[MOUTH_ROW_COUNT] = {0,  3,  5,  8,  10, 16, 19, 21, 24, 26,
                                        32, 35, 37, 40, 42, 45, 47, 50, 52};
MouthState mouth_state;

void mouth_reset()
{
    mouth_state = MouthState{};
}

namespace {

void emit_polygon(const ChamferPolygon &p, int count)
{
    for (int i = 0; i < count; ++i) {
        glNormal3f(p.normal[0], p.normal[1], p.normal[2]);
        glVertex3f(p.vertices[i][0], p.vertices[i][1], p.vertices[i][2]);
    }
}

// The axis a joint's first angle turns about: y for the body, the neck, the
// hips, elbows and knees; z for the shoulders, which swing sideways.
struct SwingAxis {
    float x, y, z;
};
constexpr SwingAxis ABOUT_Y = {0, 1, 0};
constexpr SwingAxis ABOUT_Z = {0, 0, 1};

// The paths hold screen-like values around (320, 240); the offsets from
// there are the joint angles in degrees, the second always about x.
void turn(int path, SwingAxis swing)
{
    if (path == ROBOT_JOINT_FIXED)
        return;
    const PathPoint p = path_value(path);
    glRotatef(p.x - 320.0f, swing.x, swing.y, swing.z);
    glRotatef(p.y - 240.0f, 1, 0, 0);
}

void draw_face(float eye_angle, float mouth)
{
    // The face lies exactly on the head's front face; without the depth
    // test it cannot fight with it.
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, eye_texture);
    glColor4f(1, 1, 1, 1);

    // Corners of a square inscribed in the texture's centre circle: turning
    // the square spins the pattern.
    float s[4], t[4];
    const float angles[4] = {eye_angle - 1.5707964f, eye_angle, eye_angle + 1.5707964f,
                             eye_angle + 3.1415927f};
    for (int k = 0; k < 4; ++k) {
        s[k] = (cosf(angles[k]) + 1.0f) * 0.5f;
        t[k] = (sinf(angles[k]) + 1.0f) * 0.5f;
    }
    const float eyes[2][4][2] = {
        {{-2.0f, 3.25f}, {-0.15f, 3.25f}, {-0.15f, 5.0f}, {-2.0f, 5.0f}},
        {{0.15f, 3.25f}, {2.0f, 3.25f}, {2.0f, 5.0f}, {0.15f, 5.0f}},
    };
    glBegin(GL_QUADS);
    for (int e = 0; e < 2; ++e)
        for (int k = 0; k < 4; ++k) {
            glTexCoord2f(s[k], t[k]);
            glVertex3f(eyes[e][k][0], eyes[e][k][1], 3.0f);
        }
    glEnd();

    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 1);
    glBegin(GL_QUADS);
    glVertex3f(-2.0f, 2.0f - mouth, 3.0f);
    glVertex3f(2.0f, 2.0f - mouth, 3.0f);
    glVertex3f(2.0f, 2.0f + mouth, 3.0f);
    glVertex3f(-2.0f, 2.0f + mouth, 3.0f);
    glEnd();
    glEnable(GL_DEPTH_TEST);
}

}  // namespace

void chamfered_box_list(float hx, float hy, float hz, float centre_y, uint32_t list)
{
    ChamferBox box;
    chamfer_box_build(hx, hy, hz, centre_y, &box);

    glNewList(list, GL_COMPILE);
    texgen_begin(GL_SPHERE_MAP, chrome_texture);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    for (const ChamferPolygon &q : box.quads)
        emit_polygon(q, 4);
    glEnd();
    glBegin(GL_TRIANGLES);
    for (const ChamferPolygon &c : box.corners)
        emit_polygon(c, 3);
    glEnd();
    texgen_end();
    glEndList();
}

int robot_parts_build()
{
    chrome_texture = texture_gl_name(3);
    eye_texture = texture_gl_name(0);

    RobotPartLists &parts = robot_part_lists;
    parts.torso = glGenLists(1);
    chamfered_box_list(5.0f, 5.0f, 3.0f, 5.0f, parts.torso);
    parts.head = glGenLists(1);
    chamfered_box_list(3.0f, 3.0f, 3.0f, 3.0f, parts.head);
    const uint32_t upper_arm = glGenLists(1);
    parts.upper_arm[0] = parts.upper_arm[1] = upper_arm;
    chamfered_box_list(1.5f, 2.5f, 1.5f, -1.25f, upper_arm);
    const uint32_t leg = glGenLists(1);
    parts.thigh[0] = parts.thigh[1] = parts.shin[0] = parts.shin[1] = leg;
    chamfered_box_list(2.25f, 2.5f, 2.0f, -2.5f, leg);
    const uint32_t forearm = glGenLists(1);
    parts.forearm[0] = parts.forearm[1] = forearm;
    chamfered_box_list(1.5f, 2.5f, 1.5f, -2.5f, forearm);
    return 1;
}

// An arm or a leg: the upper part turns at its joint (x, y) on the torso, the
// lower part at the upper part's end, drop below it.
static void draw_limb(float x, float y, SwingAxis upper_swing, int upper_joint,
                      uint32_t upper, float drop, int lower_joint, uint32_t lower)
{
    glPushMatrix();
    glTranslatef(x, y, 0);
    turn(upper_joint, upper_swing);
    glCallList(upper);
    glPushMatrix();
    glTranslatef(0, drop, 0);
    turn(lower_joint, ABOUT_Y);
    glCallList(lower);
    glPopMatrix();
    glPopMatrix();
}

void draw_robot(const RobotPose &pose, float eye_angle, float mouth)
{
    const RobotPartLists &parts = robot_part_lists;
    const PathPoint place = path_value(pose.place);
    const PathPoint lift = path_value(pose.lift);
    glTranslatef(place.x * 0.2f + 8.0f, 41.0f - lift.y * 0.1f, place.y * 0.2f - 48.0f);
    turn(pose.body, ABOUT_Y);
    glCallList(parts.torso);

    glPushMatrix();
    glPushMatrix();
    glTranslatef(0, 10, 0);
    turn(pose.neck, ABOUT_Y);
    glCallList(parts.head);
    draw_face(eye_angle, mouth);
    glPopMatrix();

    const float shoulder_x[2] = {-6.5f, 6.5f};
    for (int k = 0; k < 2; ++k)
        draw_limb(shoulder_x[k], 7.5f, ABOUT_Z, pose.shoulder[k], parts.upper_arm[k], -3.75f,
                  pose.elbow[k], parts.forearm[k]);
    const float hip_x[2] = {-2.5f, 2.5f};
    for (int k = 0; k < 2; ++k)
        draw_limb(hip_x[k], 0, ABOUT_Y, pose.hip[k], parts.thigh[k], -4.5f, pose.knee[k],
                  parts.shin[k]);
    glPopMatrix();
}

float mouth_value(int order, int row, int frame_ms)
{
    const float step = (float)frame_ms * 0.001f;
    MouthState &m = mouth_state;
    float v = m.open;
    // Order 7 opens it wider, once, for the laugh.
    static const int LAUGH_ROWS[] = {0};
    if (order == 1 || order == 3 || order == 5) {
        if (row_trigger(&m.last_position, order, row, MOUTH_ROWS, MOUTH_ROW_COUNT))
            v = 1.0f;
    } else if (order == 7) {
        if (row_trigger(&m.last_position, order, row, LAUGH_ROWS, 1))
            v = 1.75f;
    }
    m.open = v - step * 5.0f;
    if (m.open < 0.1f)
        m.open = 0.1f;
    return m.open;
}
