// textures.h - the program's ten procedural textures: the precalc task that
// makes them, and the getters that scenes and geometry builders use.
//
//   textures_build();                 // precalc task: arena copies, script, uploads
//   glBindTexture(GL_TEXTURE_2D, texture_gl_name(2));     // the sky
//   const uint8_t *height = texture_pixels(1);            // 256x256 RGBA copy
//
// Textures are numbered 0..9 in upload order. Each upload (tex_upload, op 13)
// makes a mipmapped, repeating GL texture from a pool slot and keeps a copy of
// the slot's pixels in the arena. Needs a current GL context and an
// initialised arena (app/arena.h).
#pragma once

#include <cstdint>

#include "textures/script.h"

constexpr int TEXTURE_COUNT = 10;

// All twenty operators, indexed by a record's op byte.
extern const TextureOpFn TEXTURE_OPS[TEX_OP_COUNT];

extern uint32_t texture_names[TEXTURE_COUNT];
extern uint8_t *texture_copies[TEXTURE_COUNT];
extern int uploaded_count;

// Op 13: uploads slot dst as texture uploaded_count and keeps its pixels.
// Returns 0 (and does nothing) when all TEXTURE_COUNT entries are taken or
// the copy for the entry was never allocated.
int tex_upload(const TextureOp *op);

// The part of an upload without OpenGL (textures/keep.cpp): copies slot dst
// into copies[*uploaded], counts it and returns that entry; -1, keeping
// nothing, when all TEXTURE_COUNT entries are taken or the entry has no copy.
int texture_keep(int dst, uint8_t *const *copies, int *uploaded);

// Runs a script through TEXTURE_OPS; see texture_script_run_with.
int texture_script_run(const TextureOp *records, int length);

// The precalc task: allocates the ten copies from the arena, then runs
// TEXTURE_SCRIPT with GL_TEXTURE_2D enabled. 0 when an allocation fails
// (before any GL call) or the script stops; 1 otherwise. Starts from empty
// texture tables, so a second run makes a fresh set.
int textures_build();

// GL name and kept pixels of texture i; 0 and null outside 0..9 and until
// texture i is uploaded (uploaded_count > i).
uint32_t texture_gl_name(int i);
const uint8_t *texture_pixels(int i);
