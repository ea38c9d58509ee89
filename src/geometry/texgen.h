// texgen.h - a texture laid on a surface by coordinates GL generates from
// its normals: the robot's chrome (a sphere map) and the trees' bark (a
// reflection map), recorded into their display lists.
//
//   glNewList(list, GL_COMPILE);
//   texgen_begin(GL_SPHERE_MAP, chrome_texture);
//   ...vertices with normals...
//   texgen_end();
//   glEndList();
//
// texgen_begin() turns on 2-D texturing and generated S and T in `mode` and
// binds the texture; texgen_end() turns the three off again, so what draws
// next finds texturing as it was before the list.
#pragma once

#include <cstdint>

void texgen_begin(int mode, uint32_t texture);
void texgen_end();
