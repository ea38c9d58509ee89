// forest.cpp - the sky backdrop, the forest, and the opening scene with the
// walking robot. See forest.h.
#include "scenes/forest.h"

#include "geometry/robot.h"
#include "geometry/terrain.h"
#include "geometry/trees.h"
#include "platform/gl.h"
#include "scenes/frame_cache.h"
#include "sequencing/precalc.h"
#include "sequencing/paths.h"

float walk_eye_angle = 0.0f;

static const float TWO_PI = 6.2831855f;
static const float EYE_SPIN_PER_SECOND = 10.0f;

void forest_camera(const PathPoint &turn)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.3333333730697632, 1.0, 256.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(turn.y - 240.0f, 1, 0, 0);
    glRotatef(turn.x - 320.0f, 0, 1, 0);
}

// Every forest scene starts its frame with the same sky.
static FrameCache sky_cache;

void draw_sky_backdrop()
{
    if (frame_cache_draw(&sky_cache, sky_texture))
        return;
    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    setup_overlay_2d();
    glShadeModel(GL_SMOOTH);  // the sky's colours blend across the frame

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, sky_texture);
    glBegin(GL_QUADS);
    glColor4f(1, 1, 1, 1);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(1, 0);
    glVertex2f(640, 0);
    glTexCoord2f(1, 1);
    glVertex2f(640, 240);
    glTexCoord2f(0, 1);
    glVertex2f(0, 240);
    // Mirrored about the horizon, as if the sky lay on still water.
    glTexCoord2f(0, 1);
    glVertex2f(0, 240);
    glTexCoord2f(1, 1);
    glVertex2f(640, 240);
    glTexCoord2f(1, 0);
    glVertex2f(640, 480);
    glTexCoord2f(0, 0);
    glVertex2f(0, 480);
    glEnd();
    glPopAttrib();
    frame_cache_keep(&sky_cache, sky_texture);
}

void draw_forest()
{
    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    glCallList(terrain_list);
    // The terrain list leaves the texture matrix selected.
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(-64, 0, -64);
    glCallList(side_tree_list);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(0, 16, -32);
    glCallList(centre_tree_list);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(64, 0, -64);
    glCallList(side_tree_list);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

WalkEye walk_eye(const PathPoint &place)
{
    return {(place.x - 320.0f) * 0.5f, 25.0f, (place.y - 240.0f) * 0.5f};
}

void layer_forest_walk(int order, int row, int, int, int frame_ms)
{
    const PathPoint turn = path_value(1);
    const PathPoint place = path_value(0);

    walk_eye_angle += (float)frame_ms * 0.001f * EYE_SPIN_PER_SECOND;
    if (walk_eye_angle > TWO_PI)
        walk_eye_angle -= TWO_PI;

    draw_sky_backdrop();

    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    forest_camera(turn);
    const WalkEye eye = walk_eye(place);
    glTranslatef(-eye.x, -eye.y, -eye.z);

    draw_forest();

    glTranslatef(-56, 0, 0);
    const float mouth = mouth_value(order, row, frame_ms);
    draw_robot(ROBOT_POSE_WALK, walk_eye_angle, mouth);
    glPopAttrib();
}
