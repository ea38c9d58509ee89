// gl11_lists.h - what the display-list recorder adds to the layer's state
// (see gl11_lists.cpp): the vertex attributes as a list being recorded sees
// them. In GL_COMPILE mode glColor, glTexCoord and glNormal change nothing
// current; a vertex recorded before its list gave one takes, when the list
// runs, the one current then.
#pragma once

#include "platform/web/gl11/gl11_state.h"

void gl11_list_color(float r, float g, float b, float a);
void gl11_list_texcoord(float s, float t);
void gl11_list_normal(float x, float y, float z);
// The colour, texture coordinate and normal of the next vertex, and which
// of them come from the state at draw time (from_state[i] 1).
void gl11_list_attributes(float *color, float *tex, float *normal, float *from_state);
