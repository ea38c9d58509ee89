// webgl2_mesa.cpp - the wgl_* calls of our OpenGL 1.1 layer (webgl2.h) on
// Mesa's desktop OpenGL, for the native tests: the layer then runs, shaders
// and all, in the same context as Mesa's own fixed function it is compared
// with. Mesa takes the layer's GLSL ES 3.00 shaders (ARB_ES3_compatibility).
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>

#include "platform/web/gl11/webgl2.h"

extern "C" {

uint32_t wgl_program_create(const char *vertex_source, const char *fragment_source,
                            const char *const *attribute_names)
{
    const char *sources[2] = {vertex_source, fragment_source};
    GLuint program = glCreateProgram();
    for (int i = 0; i < 2; ++i) {
        GLuint shader = glCreateShader(i ? GL_FRAGMENT_SHADER : GL_VERTEX_SHADER);
        glShaderSource(shader, 1, &sources[i], nullptr);
        glCompileShader(shader);
        GLint ok = 0;
        char log[2048] = "";
        glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        if (!ok)
            return fprintf(stderr, "gl11: shader: %s\n", log), 0;
        glAttachShader(program, shader);
    }
    for (GLuint i = 0; attribute_names[i]; ++i)
        glBindAttribLocation(program, i, attribute_names[i]);
    glLinkProgram(program);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    return ok ? program : 0;
}

int wgl_uniform_location(uint32_t program, const char *name) { return glGetUniformLocation(program, name); }
void wgl_program_use(uint32_t program) { glUseProgram(program); }
void wgl_uniform_1i(int l, int v) { glUniform1i(l, v); }
void wgl_uniform_2i(int l, int a, int b) { glUniform2i(l, a, b); }
void wgl_uniform_1f(int l, float v) { glUniform1f(l, v); }
void wgl_uniform_4f(int l, float x, float y, float z, float w) { glUniform4f(l, x, y, z, w); }
void wgl_uniform_matrix4(int l, const float *m) { glUniformMatrix4fv(l, 1, GL_FALSE, m); }
uint32_t wgl_buffer_create(void) { GLuint b = 0; return glGenBuffers(1, &b), b; }
void wgl_buffer_delete(uint32_t b) { glDeleteBuffers(1, &b); }
void wgl_buffer_bind(uint32_t b) { glBindBuffer(GL_ARRAY_BUFFER, b); }
void wgl_buffer_data(uint32_t b, uint32_t bytes, const void *data, int dynamic)
{
    glBindBuffer(GL_ARRAY_BUFFER, b);
    glBufferData(GL_ARRAY_BUFFER, bytes, data, dynamic ? GL_STREAM_DRAW : GL_STATIC_DRAW);
}
void wgl_attribute(uint32_t index, int size, int stride, int offset)
{
    glEnableVertexAttribArray(index);
    glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, stride, (const void *)(intptr_t)offset);
}
void wgl_draw_arrays(uint32_t mode, int first, int count) { glDrawArrays(mode, first, count); }
uint32_t wgl_texture_create(void) { GLuint t = 0; return glGenTextures(1, &t), t; }
void wgl_texture_delete(uint32_t t) { glDeleteTextures(1, &t); }
void wgl_texture_bind(uint32_t target, uint32_t t) { glBindTexture(target, t); }
void wgl_tex_image_2d(uint32_t target, int level, uint32_t internal_format, int width, int height,
                      uint32_t format, uint32_t type, const void *pixels)
{
    glTexImage2D(target, level, (GLint)internal_format, width, height, 0, format, type, pixels);
}
void wgl_tex_sub_image_2d(uint32_t target, int level, int x, int y, int width, int height,
                          uint32_t format, uint32_t type, const void *pixels)
{
    glTexSubImage2D(target, level, x, y, width, height, format, type, pixels);
}
void wgl_copy_tex_sub_image_2d(uint32_t target, int level, int xo, int yo, int x, int y, int w, int h)
{
    glCopyTexSubImage2D(target, level, xo, yo, x, y, w, h);
}
void wgl_tex_parameter(uint32_t target, uint32_t name, int value) { glTexParameteri(target, name, value); }
void wgl_pixel_store(uint32_t name, int value) { glPixelStorei(name, value); }
void wgl_enable(uint32_t cap, int on) { (on ? glEnable : glDisable)(cap); }
void wgl_blend_func(uint32_t s, uint32_t d) { glBlendFunc(s, d); }
void wgl_depth_func(uint32_t f) { glDepthFunc(f); }
void wgl_cull_face(uint32_t f) { glCullFace(f); }
void wgl_viewport(int x, int y, int w, int h) { glViewport(x, y, w, h); }
void wgl_clear_color(float r, float g, float b, float a) { glClearColor(r, g, b, a); }
void wgl_clear(uint32_t mask) { glClear(mask); }
void wgl_read_pixels(int x, int y, int w, int h, void *rgba) { glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba); }
void wgl_finish(void) { glFinish(); }
}
