// forest.h - the forest: the mirrored sky, the terrain with three trees, and
// the opening scene in which the robot walks through it.
//
// draw_sky_backdrop() fills the frame with the sky (no depth written);
// draw_forest() draws terrain and trees with the caller's projection and
// modelview and leaves GL_MODELVIEW selected and texturing off. Both need
// trees_build() and terrain_build() to have run. layer_forest_walk is the
// timeline layer of the opening entry.
#pragma once

#include "sequencing/paths.h"

extern float walk_eye_angle;  // radians, advances only while the layer draws

void draw_sky_backdrop();
void draw_forest();
// The forest scenes' camera: their perspective, and a modelview turned by
// the turn path's (x - 320, y - 240) degrees, about x first, then y.
void forest_camera(const PathPoint &turn);

// Where the walk's eye stands in the world for a value of its place path:
// the layer moves the world by the opposite of this under the camera.
struct WalkEye {
    float x, y, z;
};
WalkEye walk_eye(const PathPoint &place);

void layer_forest_walk(int order, int row, int entry_start, int elapsed_ms, int frame_ms);
