// gl11_state.h - the fixed-function state our OpenGL 1.1 layer keeps, shared
// by its files (gl11_*.cpp). One process-wide GL11State `gs`; the groups
// glPushAttrib saves are the structs inside it.
#pragma once

#include <cstdint>

#include "platform/web/gl11/gl11.h"

// One vertex as the layer's shader reads it. Vertices recorded in a display
// list before any colour (texture coordinate, normal) was given in that list
// take the one current when the list runs: from_state says which.
struct Gl11Vertex {
    float position[4];
    float color[4];
    float flat_color[4];  // the colour of the primitive's provoking vertex
    float tex[2];
    float normal[3];
    float from_state[3];  // 1 where colour, texture coordinate, normal come from the state
};

constexpr int GL11_MATRIX_DEPTH = 32;

struct Gl11MatrixStack {
    float m[GL11_MATRIX_DEPTH][16];  // column-major, as OpenGL
    int top;
};

struct Gl11Current {  // GL_CURRENT_BIT
    float color[4];
    float tex[2];
    float normal[3];
    float raster[4];  // window x, y, z and whether the position is valid
    float raster_color[4];
};

struct Gl11Enables {  // GL_ENABLE_BIT (with the caps of the other groups)
    bool alpha_test, blend, color_material, cull_face, depth_test, texture_2d;
    bool texgen_s, texgen_t;
};

struct Gl11Modes {  // the colour-buffer, depth, polygon, lighting, line and list groups
    uint32_t alpha_func;
    float alpha_ref;
    uint32_t blend_src, blend_dst;
    float clear_color[4];
    uint32_t depth_func;
    uint32_t cull_face;
    uint32_t shade_model;
    uint32_t color_material_face, color_material_mode;
    float line_width;
    uint32_t list_base;
};

struct Gl11TextureUnit {  // GL_TEXTURE_BIT
    uint32_t bound_2d;  // GL name
    uint32_t env_mode;
    uint32_t texgen_mode[2];  // s, t
};

struct Gl11Transform {  // GL_TRANSFORM_BIT and GL_VIEWPORT_BIT
    uint32_t matrix_mode;
    int viewport[4];
};

struct Gl11Attribs {
    Gl11Current current;
    Gl11Enables enables;
    Gl11Modes modes;
    Gl11TextureUnit texture;
    Gl11Transform transform;
};

struct Gl11State {
    Gl11Attribs a;
    Gl11MatrixStack modelview, projection, texture_matrix;
    int width, height;  // the drawing buffer
    uint32_t error;
    int unpack_alignment, pack_alignment;
    // Between glBegin and glEnd: the primitive and its vertices so far.
    uint32_t begin_mode;  // GL_INVALID_ENUM when outside
};

extern Gl11State gs;

// The current matrix stack (glMatrixMode) and its top.
Gl11MatrixStack *gl11_stack(void);
float *gl11_top(Gl11MatrixStack *s);
void gl11_mat_multiply(float *out, const float *a, const float *b);  // out = a * b
void gl11_mat_transform(const float *m, const float *v, float *out);

// Draws triangles (or lines) with the current state: the immediate and the
// display-list paths both end here. mode is GL_TRIANGLES or GL_LINES.
void gl11_draw(uint32_t mode, const Gl11Vertex *vertices, int count);
// Draws `count` vertices already in `buffer` (a display list's batch).
void gl11_draw_buffer(uint32_t mode, uint32_t buffer, int first, int count);
// Glyph quads queued by glBitmap go out before anything else draws or
// changes state.
void gl11_flush_bitmaps(void);
// The display-list recorder: 1 while glNewList is open (GL_COMPILE).
int gl11_recording(void);
// Records a state call into the open list: op with up to four arguments.
void gl11_record(int op, uint32_t a, float b, float c, float d, float e);
// Records the primitive just ended into the open list.
void gl11_record_primitive(uint32_t mode, const Gl11Vertex *vertices, int count);
void gl11_set_error(uint32_t error);
// The texture object bound to GL name `name` (WebGL handle, 0 for none).
uint32_t gl11_texture_handle(uint32_t name);
void gl11_texture_bind_current(void);
int gl11_bitmap_init(void);
int gl11_draw_init(void);
// Makes program current unless it is.
void gl11_use_program(uint32_t program);
// Binds the WebGL texture handle (0: none) to GL_TEXTURE_2D unless it is;
// gl11_texture_deleted says a handle is gone (and so no longer bound).
void gl11_bind_texture(uint32_t handle);
void gl11_texture_deleted(uint32_t handle);
// The buffer the vertex attribute pointers read (0: unknown). Whoever sets
// the pointers sets it; a deleted buffer's name may come back, so deleting
// the one it names sets it to 0.
extern uint32_t gl11_attributes_buffer;

// What a display list replays besides geometry: the state calls it holds.
enum Gl11ListOp {
    GL11_OP_ENABLE = 1,
    GL11_OP_DISABLE,
    GL11_OP_COLOR,
    GL11_OP_TEXCOORD,
    GL11_OP_NORMAL,
    GL11_OP_BIND_TEXTURE,
    GL11_OP_TEXGEN,
    GL11_OP_TEXENV,
    GL11_OP_BLEND_FUNC,
    GL11_OP_SHADE_MODEL,
    GL11_OP_BITMAP,  // a = the atlas entry, which holds the glBitmap's arguments
    GL11_OP_MATRIX_MODE,
    GL11_OP_LOAD_IDENTITY,
    GL11_OP_TRANSLATE,
    GL11_OP_SCALE,
    GL11_OP_ROTATE,
    GL11_OP_PUSH_MATRIX,
    GL11_OP_POP_MATRIX,
    GL11_OP_CALL_LIST,
    GL11_OP_RASTER_POS,
    GL11_OP_TEX_PARAMETER,
    GL11_OP_ALPHA_FUNC,
};

// Glyph bitmaps: stored once in the atlas, drawn as textured quads.
// Stores a glBitmap's image (rows bottom-up, row_bytes apart, MSB first)
// with its origin and move; -1 when the atlas is full.
int gl11_bitmap_store(int width, int height, float xorig, float yorig, float xmove, float ymove,
                      const uint8_t *bits, int row_bytes);
// Draws entry at the raster position, as glBitmap does, and moves it on.
void gl11_bitmap_draw(int entry);
