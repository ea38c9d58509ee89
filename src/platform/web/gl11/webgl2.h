// webgl2.h - the few WebGL 2 calls our OpenGL 1.1 layer draws through.
//
// In the browser they are JavaScript (webgl2_bridge.js) on the page's
// canvas context; in the native tests (tests/web) they are the same calls
// on Mesa's OpenGL (webgl2_native.cpp), so the layer runs, and is compared
// with Mesa's own fixed function, without a browser. Enumerants are the
// OpenGL ES 3 values, which are OpenGL's. Handles are small positive
// integers, 0 for none.
#pragma once

#include <cstdint>

extern "C" {
// Compiles and links a GLSL ES 3.00 program whose attributes are bound to
// locations 0.. in the order of attribute_names (null-terminated list).
// 0 with the log on stderr when it does not build.
uint32_t wgl_program_create(const char *vertex_source, const char *fragment_source,
                            const char *const *attribute_names);
int wgl_uniform_location(uint32_t program, const char *name);
void wgl_program_use(uint32_t program);
void wgl_uniform_1i(int location, int value);
void wgl_uniform_2i(int location, int a, int b);
void wgl_uniform_1f(int location, float value);
void wgl_uniform_4f(int location, float x, float y, float z, float w);
void wgl_uniform_matrix4(int location, const float *column_major);

uint32_t wgl_buffer_create(void);
void wgl_buffer_delete(uint32_t buffer);
// Binds buffer as the array buffer and fills it (dynamic: refilled often).
void wgl_buffer_data(uint32_t buffer, uint32_t bytes, const void *data, int dynamic);
// Binds buffer as the array buffer.
void wgl_buffer_bind(uint32_t buffer);
// Float attribute `index` of `size` components at byte offset of each
// stride-byte vertex of the bound array buffer.
void wgl_attribute(uint32_t index, int size, int stride, int offset);
void wgl_draw_arrays(uint32_t mode, int first, int count);

uint32_t wgl_texture_create(void);
void wgl_texture_delete(uint32_t texture);
void wgl_texture_bind(uint32_t target, uint32_t texture);
void wgl_tex_image_2d(uint32_t target, int level, uint32_t internal_format, int width,
                      int height, uint32_t format, uint32_t type, const void *pixels);
void wgl_tex_sub_image_2d(uint32_t target, int level, int x, int y, int width, int height,
                          uint32_t format, uint32_t type, const void *pixels);
void wgl_copy_tex_sub_image_2d(uint32_t target, int level, int xoffset, int yoffset, int x,
                               int y, int width, int height);
void wgl_tex_parameter(uint32_t target, uint32_t name, int value);
void wgl_pixel_store(uint32_t name, int value);

void wgl_enable(uint32_t capability, int on);
void wgl_blend_func(uint32_t source, uint32_t destination);
void wgl_depth_func(uint32_t func);
void wgl_depth_mask(int on);
void wgl_cull_face(uint32_t face);
void wgl_viewport(int x, int y, int width, int height);
void wgl_clear_color(float r, float g, float b, float a);
void wgl_clear(uint32_t mask);
void wgl_read_pixels(int x, int y, int width, int height, void *rgba);
void wgl_finish(void);
}
