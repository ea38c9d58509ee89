// gl11_state.cpp - the layer's state calls: enables and modes, matrices,
// glPushAttrib/glPopAttrib as a stack of copies of the saved groups, the
// raster position, queries, errors and strings. Calls made while a display
// list is open are recorded instead (GL_COMPILE).
#include <cmath>
#include <cstring>

#include "platform/web/gl11/gl11_lists.h"
#include "platform/web/gl11/gl11_state.h"
#include "platform/web/gl11/webgl2.h"

Gl11State gs;

static Gl11Attribs attrib_stack[16];
static GLbitfield attrib_masks[16];
static int attrib_depth;

static const float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void gl11_set_error(uint32_t error)
{
    if (gs.error == GL_NO_ERROR)
        gs.error = error;
}

void gl11_mat_multiply(float *out, const float *a, const float *b)
{
    float r[16];
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            r[c * 4 + row] = a[0 * 4 + row] * b[c * 4 + 0] + a[1 * 4 + row] * b[c * 4 + 1] +
                             a[2 * 4 + row] * b[c * 4 + 2] + a[3 * 4 + row] * b[c * 4 + 3];
    memcpy(out, r, sizeof r);
}

void gl11_mat_transform(const float *m, const float *v, float *out)
{
    float r[4];
    for (int row = 0; row < 4; ++row)
        r[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
    memcpy(out, r, sizeof r);
}

Gl11MatrixStack *gl11_stack(void)
{
    switch (gs.a.transform.matrix_mode) {
    case GL_PROJECTION: return &gs.projection;
    case GL_TEXTURE: return &gs.texture_matrix;
    default: return &gs.modelview;
    }
}

float *gl11_top(Gl11MatrixStack *s)
{
    return s->m[s->top];
}

static void set_defaults(int width, int height)
{
    memset(&gs, 0, sizeof gs);
    Gl11Attribs &a = gs.a;
    a.current.color[0] = a.current.color[1] = a.current.color[2] = a.current.color[3] = 1.0f;
    a.current.normal[2] = 1.0f;
    a.current.raster[3] = 1.0f;
    a.current.raster_color[0] = a.current.raster_color[1] = a.current.raster_color[2] = 1.0f;
    a.current.raster_color[3] = 1.0f;
    a.modes.alpha_func = GL_ALWAYS;
    a.modes.blend_src = GL_ONE;
    a.modes.blend_dst = GL_ZERO;
    a.modes.depth_func = GL_LESS;
    a.modes.cull_face = GL_BACK;
    a.modes.shade_model = GL_SMOOTH;
    a.modes.color_material_face = GL_FRONT_AND_BACK;
    a.modes.color_material_mode = GL_AMBIENT_AND_DIFFUSE;
    a.modes.line_width = 1.0f;
    a.texture.env_mode = GL_MODULATE;
    a.texture.texgen_mode[0] = a.texture.texgen_mode[1] = GL_EYE_LINEAR;
    a.transform.matrix_mode = GL_MODELVIEW;
    a.transform.viewport[2] = width;
    a.transform.viewport[3] = height;
    memcpy(gs.modelview.m[0], IDENTITY, sizeof IDENTITY);
    memcpy(gs.projection.m[0], IDENTITY, sizeof IDENTITY);
    memcpy(gs.texture_matrix.m[0], IDENTITY, sizeof IDENTITY);
    gs.width = width;
    gs.height = height;
    gs.error = GL_NO_ERROR;
    gs.unpack_alignment = gs.pack_alignment = 4;
    gs.begin_mode = GL_INVALID_ENUM;
}

int gl11_init(int width, int height)
{
    set_defaults(width, height);
    attrib_depth = 0;
    wgl_viewport(0, 0, width, height);
    wgl_blend_func(GL_ONE, GL_ZERO);
    wgl_depth_func(GL_LESS);
    wgl_cull_face(GL_BACK);
    wgl_clear_color(0, 0, 0, 0);
    wgl_enable(GL_BLEND, 0);
    wgl_enable(GL_DEPTH_TEST, 0);
    wgl_enable(GL_CULL_FACE, 0);
    return gl11_draw_init() && gl11_bitmap_init();
}

void gl11_flush(void)
{
    gl11_flush_bitmaps();
}

// The caps WebGL keeps itself; the rest live only in our state.
static void set_cap(GLenum cap, bool on)
{
    Gl11Enables &e = gs.a.enables;
    switch (cap) {
    case GL_ALPHA_TEST: e.alpha_test = on; break;
    case GL_BLEND: e.blend = on; wgl_enable(cap, on); break;
    case GL_COLOR_MATERIAL: e.color_material = on; break;
    case GL_CULL_FACE: e.cull_face = on; wgl_enable(cap, on); break;
    case GL_DEPTH_TEST: e.depth_test = on; wgl_enable(cap, on); break;
    case GL_TEXTURE_2D: e.texture_2d = on; break;
    case GL_TEXTURE_GEN_S: e.texgen_s = on; break;
    case GL_TEXTURE_GEN_T: e.texgen_t = on; break;
    case GL_LIGHTING:
    case GL_FOG:
    case GL_NORMALIZE:
    case GL_DITHER:
        break;  // never turned on by the program: accepted and ignored
    default: gl11_set_error(GL_INVALID_ENUM); break;
    }
}

extern "C" void GL11(glEnable)(GLenum cap)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_ENABLE, cap, 0, 0, 0, 0);
    gl11_flush_bitmaps();
    set_cap(cap, true);
}

extern "C" void GL11(glDisable)(GLenum cap)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_DISABLE, cap, 0, 0, 0, 0);
    gl11_flush_bitmaps();
    set_cap(cap, false);
}

extern "C" void GL11(glAlphaFunc)(GLenum func, GLclampf ref)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_ALPHA_FUNC, func, ref, 0, 0, 0);
    gl11_flush_bitmaps();
    gs.a.modes.alpha_func = func;
    gs.a.modes.alpha_ref = ref < 0.0f ? 0.0f : ref > 1.0f ? 1.0f : ref;
}

extern "C" void GL11(glBlendFunc)(GLenum sfactor, GLenum dfactor)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_BLEND_FUNC, sfactor, (float)dfactor, 0, 0, 0);
    gl11_flush_bitmaps();
    gs.a.modes.blend_src = sfactor;
    gs.a.modes.blend_dst = dfactor;
    wgl_blend_func(sfactor, dfactor);
}

extern "C" void GL11(glDepthFunc)(GLenum func)
{
    gl11_flush_bitmaps();
    gs.a.modes.depth_func = func;
    wgl_depth_func(func);
}

extern "C" void GL11(glCullFace)(GLenum mode)
{
    gl11_flush_bitmaps();
    gs.a.modes.cull_face = mode;
    wgl_cull_face(mode);
}

extern "C" void GL11(glShadeModel)(GLenum mode)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_SHADE_MODEL, mode, 0, 0, 0, 0);
    gs.a.modes.shade_model = mode;
}

// Lighting stays off in the program, so the tracked colour is all a colour
// material would change: the mode is kept for glPushAttrib only.
extern "C" void GL11(glColorMaterial)(GLenum face, GLenum mode)
{
    gs.a.modes.color_material_face = face;
    gs.a.modes.color_material_mode = mode;
}

extern "C" void GL11(glLineWidth)(GLfloat width)
{
    if (width > 0.0f)
        gs.a.modes.line_width = width;
}

extern "C" void GL11(glListBase)(GLuint base)
{
    gs.a.modes.list_base = base;
}

extern "C" void GL11(glViewport)(GLint x, GLint y, GLsizei width, GLsizei height)
{
    gl11_flush_bitmaps();
    int *v = gs.a.transform.viewport;
    v[0] = x;
    v[1] = y;
    v[2] = width;
    v[3] = height;
    wgl_viewport(x, y, width, height);
}

extern "C" void GL11(glClearColor)(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    float *c = gs.a.modes.clear_color;
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
    wgl_clear_color(r, g, b, a);
}

extern "C" void GL11(glClear)(GLbitfield mask)
{
    gl11_flush_bitmaps();
    wgl_clear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
}

extern "C" void GL11(glColor4f)(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    if (gl11_recording())
        return gl11_list_color(r, g, b, a);
    float *c = gs.a.current.color;
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
}

extern "C" void GL11(glColor4fv)(const GLfloat *v)
{
    GL11(glColor4f)(v[0], v[1], v[2], v[3]);
}

// --- matrices -----------------------------------------------------------

static void multiply_current(const float *m)
{
    float *top = gl11_top(gl11_stack());
    gl11_mat_multiply(top, top, m);
}

extern "C" void GL11(glMatrixMode)(GLenum mode)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_MATRIX_MODE, mode, 0, 0, 0, 0);
    gs.a.transform.matrix_mode = mode;
}

extern "C" void GL11(glLoadIdentity)(void)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_LOAD_IDENTITY, 0, 0, 0, 0, 0);
    memcpy(gl11_top(gl11_stack()), IDENTITY, sizeof IDENTITY);
}

extern "C" void GL11(glMultMatrixf)(const GLfloat *m)
{
    multiply_current(m);
}

extern "C" void GL11(glPushMatrix)(void)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_PUSH_MATRIX, 0, 0, 0, 0, 0);
    Gl11MatrixStack *s = gl11_stack();
    if (s->top + 1 >= GL11_MATRIX_DEPTH)
        return gl11_set_error(GL_STACK_OVERFLOW);
    memcpy(s->m[s->top + 1], s->m[s->top], sizeof s->m[0]);
    ++s->top;
}

extern "C" void GL11(glPopMatrix)(void)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_POP_MATRIX, 0, 0, 0, 0, 0);
    Gl11MatrixStack *s = gl11_stack();
    if (s->top == 0)
        return gl11_set_error(GL_STACK_UNDERFLOW);
    --s->top;
}

extern "C" void GL11(glTranslatef)(GLfloat x, GLfloat y, GLfloat z)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_TRANSLATE, 0, x, y, z, 0);
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
    multiply_current(m);
}

extern "C" void GL11(glScalef)(GLfloat x, GLfloat y, GLfloat z)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_SCALE, 0, x, y, z, 0);
    float m[16] = {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1};
    multiply_current(m);
}

extern "C" void GL11(glRotatef)(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_ROTATE, 0, angle, x, y, z);
    float len = std::sqrt(x * x + y * y + z * z);
    if (len == 0.0f)
        return;
    x /= len;
    y /= len;
    z /= len;
    float radians = angle * (float)(3.14159265358979323846 / 180.0);
    float s = std::sin(radians), c = std::cos(radians), k = 1.0f - c;
    float m[16] = {x * x * k + c,     y * x * k + z * s, z * x * k - y * s, 0,
                   x * y * k - z * s, y * y * k + c,     z * y * k + x * s, 0,
                   x * z * k + y * s, y * z * k - x * s, z * z * k + c,     0,
                   0,                 0,                 0,                 1};
    multiply_current(m);
}

// Computed in double as GLU does, then multiplied in as floats.
static void multiply_double(const double *d)
{
    float m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = (float)d[i];
    multiply_current(m);
}

extern "C" void GL11(glOrtho)(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n,
                              GLdouble f)
{
    double m[16] = {2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
                    -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1};
    multiply_double(m);
}

extern "C" void GL11(gluOrtho2D)(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top)
{
    GL11(glOrtho)(left, right, bottom, top, -1.0, 1.0);
}

extern "C" void GL11(gluPerspective)(GLdouble fovy, GLdouble aspect, GLdouble z_near,
                                     GLdouble z_far)
{
    double radians = fovy / 2 * 3.14159265358979323846 / 180;
    double dz = z_far - z_near;
    double s = std::sin(radians);
    if (dz == 0 || s == 0 || aspect == 0)
        return;
    double cot = std::cos(radians) / s;
    double m[16] = {cot / aspect, 0, 0, 0, 0, cot, 0, 0, 0, 0, -(z_far + z_near) / dz, -1,
                    0, 0, -2 * z_near * z_far / dz, 0};
    multiply_double(m);
}

// --- the raster position --------------------------------------------------

extern "C" void GL11(glRasterPos2f)(GLfloat x, GLfloat y)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_RASTER_POS, 0, x, y, 0, 0);
    gl11_flush_bitmaps();
    float mvp[16], clip[4];
    const float object[4] = {x, y, 0.0f, 1.0f};
    gl11_mat_multiply(mvp, gl11_top(&gs.projection), gl11_top(&gs.modelview));
    gl11_mat_transform(mvp, object, clip);
    Gl11Current &c = gs.a.current;
    bool inside = std::fabs(clip[0]) <= clip[3] && std::fabs(clip[1]) <= clip[3] &&
                  std::fabs(clip[2]) <= clip[3];
    const int *vp = gs.a.transform.viewport;
    c.raster[0] = (clip[0] / clip[3] * 0.5f + 0.5f) * (float)vp[2] + (float)vp[0];
    c.raster[1] = (clip[1] / clip[3] * 0.5f + 0.5f) * (float)vp[3] + (float)vp[1];
    c.raster[2] = clip[2] / clip[3] * 0.5f + 0.5f;
    c.raster[3] = inside ? 1.0f : 0.0f;
    memcpy(c.raster_color, c.color, sizeof c.color);
}

// --- glPushAttrib / glPopAttrib ---------------------------------------------

extern "C" void GL11(glPushAttrib)(GLbitfield mask)
{
    if (attrib_depth >= 16)
        return gl11_set_error(GL_STACK_OVERFLOW);
    attrib_stack[attrib_depth] = gs.a;
    attrib_masks[attrib_depth] = mask;
    ++attrib_depth;
}

// Puts WebGL's own copy of what it keeps back in line with ours.
static void apply_to_webgl(void)
{
    const Gl11Attribs &a = gs.a;
    wgl_enable(GL_BLEND, a.enables.blend);
    wgl_enable(GL_CULL_FACE, a.enables.cull_face);
    wgl_enable(GL_DEPTH_TEST, a.enables.depth_test);
    wgl_blend_func(a.modes.blend_src, a.modes.blend_dst);
    wgl_depth_func(a.modes.depth_func);
    wgl_cull_face(a.modes.cull_face);
    const float *c = a.modes.clear_color;
    wgl_clear_color(c[0], c[1], c[2], c[3]);
    const int *v = a.transform.viewport;
    wgl_viewport(v[0], v[1], v[2], v[3]);
}

extern "C" void GL11(glPopAttrib)(void)
{
    if (attrib_depth == 0)
        return gl11_set_error(GL_STACK_UNDERFLOW);
    gl11_flush_bitmaps();
    --attrib_depth;
    const Gl11Attribs &saved = attrib_stack[attrib_depth];
    GLbitfield mask = attrib_masks[attrib_depth];
    Gl11Attribs &a = gs.a;
    if (mask & GL_CURRENT_BIT)
        a.current = saved.current;
    if (mask & GL_ENABLE_BIT)
        a.enables = saved.enables;
    if (mask & GL_COLOR_BUFFER_BIT) {
        a.enables.alpha_test = saved.enables.alpha_test;
        a.enables.blend = saved.enables.blend;
        a.modes.alpha_func = saved.modes.alpha_func;
        a.modes.alpha_ref = saved.modes.alpha_ref;
        a.modes.blend_src = saved.modes.blend_src;
        a.modes.blend_dst = saved.modes.blend_dst;
        memcpy(a.modes.clear_color, saved.modes.clear_color, sizeof a.modes.clear_color);
    }
    if (mask & GL_DEPTH_BUFFER_BIT) {
        a.enables.depth_test = saved.enables.depth_test;
        a.modes.depth_func = saved.modes.depth_func;
    }
    if (mask & GL_POLYGON_BIT) {
        a.enables.cull_face = saved.enables.cull_face;
        a.modes.cull_face = saved.modes.cull_face;
    }
    if (mask & GL_LIGHTING_BIT) {
        a.enables.color_material = saved.enables.color_material;
        a.modes.shade_model = saved.modes.shade_model;
        a.modes.color_material_face = saved.modes.color_material_face;
        a.modes.color_material_mode = saved.modes.color_material_mode;
    }
    if (mask & GL_LINE_BIT)
        a.modes.line_width = saved.modes.line_width;
    if (mask & GL_LIST_BIT)
        a.modes.list_base = saved.modes.list_base;
    if (mask & GL_TEXTURE_BIT) {
        a.texture = saved.texture;
        a.enables.texture_2d = saved.enables.texture_2d;
        a.enables.texgen_s = saved.enables.texgen_s;
        a.enables.texgen_t = saved.enables.texgen_t;
    }
    if (mask & GL_TRANSFORM_BIT)
        a.transform.matrix_mode = saved.transform.matrix_mode;
    if (mask & GL_VIEWPORT_BIT)
        memcpy(a.transform.viewport, saved.transform.viewport, sizeof a.transform.viewport);
    apply_to_webgl();
}

// --- queries ----------------------------------------------------------------

extern "C" void GL11(glPixelStorei)(GLenum pname, GLint param)
{
    switch (pname) {
    case GL_UNPACK_ALIGNMENT: gs.unpack_alignment = param; wgl_pixel_store(pname, param); break;
    case GL_PACK_ALIGNMENT: gs.pack_alignment = param; wgl_pixel_store(pname, param); break;
    case GL_UNPACK_ROW_LENGTH:
    case GL_UNPACK_SKIP_ROWS:
    case GL_UNPACK_SKIP_PIXELS:
    case GL_UNPACK_LSB_FIRST:
        // The program sets these only to their defaults around its glyphs.
        if (param != 0)
            gl11_set_error(GL_INVALID_VALUE);
        break;
    default: gl11_set_error(GL_INVALID_ENUM); break;
    }
}

extern "C" void GL11(glGetIntegerv)(GLenum pname, GLint *params)
{
    switch (pname) {
    case GL_LIST_BASE: *params = (GLint)gs.a.modes.list_base; break;
    case GL_UNPACK_ALIGNMENT: *params = gs.unpack_alignment; break;
    case GL_PACK_ALIGNMENT: *params = gs.pack_alignment; break;
    case GL_UNPACK_ROW_LENGTH:
    case GL_UNPACK_SKIP_ROWS:
    case GL_UNPACK_SKIP_PIXELS:
    case GL_UNPACK_LSB_FIRST: *params = 0; break;
    case GL_MATRIX_MODE: *params = (GLint)gs.a.transform.matrix_mode; break;
    case GL_VIEWPORT: memcpy(params, gs.a.transform.viewport, 4 * sizeof(GLint)); break;
    case GL_SHADE_MODEL: *params = (GLint)gs.a.modes.shade_model; break;
    case GL_TEXTURE_BINDING_2D: *params = (GLint)gs.a.texture.bound_2d; break;
    default: gl11_set_error(GL_INVALID_ENUM); break;
    }
}

extern "C" GLenum GL11(glGetError)(void)
{
    GLenum e = gs.error;
    gs.error = GL_NO_ERROR;
    return e;
}

extern "C" const GLubyte *GL11(glGetString)(GLenum name)
{
    switch (name) {
    case GL_VENDOR: return (const GLubyte *)"frostmere";
    case GL_RENDERER: return (const GLubyte *)"frostmere OpenGL 1.1 layer on WebGL 2";
    case GL_VERSION: return (const GLubyte *)"1.1";
    // Reflection-map texture generation is in the layer's shader.
    case GL_EXTENSIONS: return (const GLubyte *)"GL_ARB_texture_cube_map";
    default: gl11_set_error(GL_INVALID_ENUM); return nullptr;
    }
}

extern "C" void GL11(glFinish)(void)
{
    gl11_flush_bitmaps();
    wgl_finish();
}

extern "C" void GL11(glFlush)(void)
{
    gl11_flush_bitmaps();
}

extern "C" void GL11(glReadBuffer)(GLenum)
{
    // One drawing buffer: the back buffer, which WebGL keeps until composited.
}

extern "C" void GL11(glReadPixels)(GLint x, GLint y, GLsizei width, GLsizei height,
                                   GLenum format, GLenum type, GLvoid *pixels)
{
    if (format != GL_RGBA || type != GL_UNSIGNED_BYTE)
        return gl11_set_error(GL_INVALID_ENUM);
    gl11_flush_bitmaps();
    wgl_read_pixels(x, y, width, height, pixels);
}
