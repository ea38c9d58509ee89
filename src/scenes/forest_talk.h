// forest_talk.h - the robot's close-ups: the forest seen from a camera that
// stands beside the robot and only turns, while the robot, legs still,
// gestures, spins its eyes and talks in time with the song.
//
// layer_forest_talk is a timeline layer (the entries of orders 3, 5 and the
// start of 7). It needs the precalc tasks textures_build(), robot_parts_build(),
// trees_build() and terrain_build() to have run, and the animation paths 14
// to 22 to be advanced by its timeline entry:
//
//   layer_forest_talk(order, row, entry_start, elapsed_ms, frame_ms);
//
// The mouth envelope is shared with the walking scene (geometry/robot.h).
#pragma once

extern float talk_eye_angle;  // radians, advances only while the layer draws

// How far the world is moved down under the camera at a song order: the
// camera rises for the last close-up, from order 7 on.
float forest_talk_shift(int order);

void layer_forest_talk(int order, int row, int entry_start, int elapsed_ms, int frame_ms);
