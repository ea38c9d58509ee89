// gl.h - the one way OpenGL and GLU reach the program.
//
// Include this instead of the system headers: it pulls in what each platform
// needs before them, and names the few constants the intro uses from
// extensions that old headers may lack.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
#include <GL/gl.h>
#include <GL/glu.h>

#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif
#ifndef GL_REFLECTION_MAP_ARB
#define GL_REFLECTION_MAP_ARB 0x8512
#endif
#ifndef GL_TEXTURE_CUBE_MAP_ARB
#define GL_TEXTURE_CUBE_MAP_ARB 0x8513
#endif

// What every layer saves with glPushAttrib before changing state: the twenty
// attribute groups of OpenGL 1.1, bits 0 to 19 (the value old headers give
// GL_ALL_ATTRIB_BITS). Newer headers make that 0xFFFFFFFF, which also asks
// for the multisample group; this keeps one mask on every header.
constexpr GLbitfield GL11_ALL_ATTRIB_BITS = 0xFFFFF;
