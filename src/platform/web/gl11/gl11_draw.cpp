// gl11_draw.cpp - the fixed function as one GLSL program: transform,
// texture coordinate generation (sphere map, reflection map), the texture
// environment, flat shading and the alpha test; everything drawn by the
// layer but glyphs goes through gl11_draw or gl11_draw_buffer. A draw sends
// only the uniforms, attribute pointers and texture binding that changed
// since the last one:
// each is a call into the page and through WebGL's checks, and a scene
// makes hundreds of draws a frame with mostly the same state.
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/web/gl11/gl11_state.h"
#include "platform/web/gl11/webgl2.h"

static const char *const VERTEX_SHADER = R"(#version 300 es
precision highp float;
in vec4 a_position;
in vec4 a_color;
in vec4 a_flat_color;
in vec2 a_tex;
in vec3 a_normal;
in vec3 a_from_state;
uniform mat4 u_mvp;
uniform mat4 u_modelview;
uniform mat4 u_normal_matrix;
uniform mat4 u_texture_matrix;
uniform vec4 u_color;
uniform vec4 u_tex;
uniform vec4 u_normal;
uniform ivec2 u_texgen;   // per coordinate: 0 off, 1 sphere map, 2 reflection map
uniform int u_flat;
out vec4 v_color;
out vec2 v_tex;
void main() {
    gl_Position = u_mvp * a_position;
    vec4 color = a_from_state.x > 0.5 ? u_color : (u_flat == 1 ? a_flat_color : a_color);
    v_color = clamp(color, 0.0, 1.0);
    vec4 tex = vec4(a_from_state.y > 0.5 ? u_tex.xy : a_tex, 0.0, 1.0);
    if (u_texgen.x != 0 || u_texgen.y != 0) {
        // Eye-space reflection of the view direction about the normal, the
        // normal transformed by the inverse transpose, not renormalised.
        vec3 n = mat3(u_normal_matrix) * (a_from_state.z > 0.5 ? u_normal.xyz : a_normal);
        vec4 eye = u_modelview * a_position;
        vec3 u = normalize(eye.xyz);
        vec3 r = u - 2.0 * n * dot(n, u);
        float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
        vec2 sphere = r.xy / m + 0.5;
        if (u_texgen.x == 1) tex.x = sphere.x;
        if (u_texgen.x == 2) tex.x = r.x;
        if (u_texgen.y == 1) tex.y = sphere.y;
        if (u_texgen.y == 2) tex.y = r.y;
    }
    vec4 t = u_texture_matrix * tex;
    v_tex = t.xy / t.w;
}
)";

static const char *const FRAGMENT_SHADER = R"(#version 300 es
precision highp float;
in vec4 v_color;
in vec2 v_tex;
uniform sampler2D u_sampler;
uniform int u_texture_on;
uniform int u_env;        // 0 modulate, 1 replace, 2 decal
uniform int u_alpha_func; // 0 always, else GL_NEVER + n
uniform float u_alpha_ref;
out vec4 frag;
bool passes(float a) {
    if (u_alpha_func == 0) return true;
    int f = u_alpha_func - 1;
    if (f == 0) return false;
    if (f == 1) return a < u_alpha_ref;
    if (f == 2) return a == u_alpha_ref;
    if (f == 3) return a <= u_alpha_ref;
    if (f == 4) return a > u_alpha_ref;
    if (f == 5) return a != u_alpha_ref;
    if (f == 6) return a >= u_alpha_ref;
    return true;
}
void main() {
    vec4 c = v_color;
    if (u_texture_on == 1) {
        vec4 t = texture(u_sampler, v_tex);
        if (u_env == 0) c = c * t;
        else if (u_env == 1) c = t;
        else c = vec4(mix(c.rgb, t.rgb, t.a), c.a);
    }
    if (!passes(c.a)) discard;
    frag = c;
}
)";

static const char *const ATTRIBUTES[] = {"a_position", "a_color", "a_flat_color", "a_tex",
                                         "a_normal",   "a_from_state", nullptr};

static uint32_t program;
static uint32_t stream_buffer;
static int u_mvp, u_modelview, u_normal_matrix, u_texture_matrix, u_color, u_tex, u_normal,
    u_texgen, u_flat, u_sampler, u_texture_on, u_env, u_alpha_func, u_alpha_ref;

// The values the program's uniforms hold; all bits set is "never sent"
// (no float or int the layer sends has that pattern).
struct SentUniforms {
    float mvp[16], modelview[16], normal_matrix[16], texture_matrix[16];
    float color[4], tex[4], normal[4];
    int texgen[2], flat, texture_on, sampler, env, alpha_func;
    float alpha_ref;
};
static SentUniforms sent;
static uint32_t current_program;
static const uint32_t UNKNOWN_TEXTURE = 0xFFFFFFFFu;
static uint32_t bound_texture;  // UNKNOWN_TEXTURE until the layer binds one
uint32_t gl11_attributes_buffer;

void gl11_use_program(uint32_t p)
{
    if (p != current_program)
        wgl_program_use(p);
    current_program = p;
}

void gl11_bind_texture(uint32_t handle)
{
    if (handle != bound_texture)
        wgl_texture_bind(GL_TEXTURE_2D, handle);
    bound_texture = handle;
}

void gl11_texture_deleted(uint32_t handle)
{
    if (handle == bound_texture)
        bound_texture = 0;  // deleting the bound texture binds none
}

static void send_matrix(int location, float *held, const float *m)
{
    if (memcmp(held, m, 16 * sizeof(float)) != 0) {
        memcpy(held, m, 16 * sizeof(float));
        wgl_uniform_matrix4(location, m);
    }
}

static void send_4f(int location, float *held, float x, float y, float z, float w)
{
    const float v[4] = {x, y, z, w};
    if (memcmp(held, v, sizeof v) != 0) {
        memcpy(held, v, sizeof v);
        wgl_uniform_4f(location, x, y, z, w);
    }
}

static void send_1i(int location, int *held, int value)
{
    if (*held != value) {
        *held = value;
        wgl_uniform_1i(location, value);
    }
}

int gl11_draw_init(void)
{
    // A new context: nothing of the last one's program is current or held.
    memset(&sent, 0xff, sizeof sent);
    current_program = 0;
    bound_texture = UNKNOWN_TEXTURE;
    gl11_attributes_buffer = 0;
    program = wgl_program_create(VERTEX_SHADER, FRAGMENT_SHADER, ATTRIBUTES);
    if (!program)
        return 0;
    u_mvp = wgl_uniform_location(program, "u_mvp");
    u_modelview = wgl_uniform_location(program, "u_modelview");
    u_normal_matrix = wgl_uniform_location(program, "u_normal_matrix");
    u_texture_matrix = wgl_uniform_location(program, "u_texture_matrix");
    u_color = wgl_uniform_location(program, "u_color");
    u_tex = wgl_uniform_location(program, "u_tex");
    u_normal = wgl_uniform_location(program, "u_normal");
    u_texgen = wgl_uniform_location(program, "u_texgen");
    u_flat = wgl_uniform_location(program, "u_flat");
    u_sampler = wgl_uniform_location(program, "u_sampler");
    u_texture_on = wgl_uniform_location(program, "u_texture_on");
    u_env = wgl_uniform_location(program, "u_env");
    u_alpha_func = wgl_uniform_location(program, "u_alpha_func");
    u_alpha_ref = wgl_uniform_location(program, "u_alpha_ref");
    stream_buffer = wgl_buffer_create();
    return stream_buffer != 0;
}

// The inverse transpose of the modelview's upper 3x3, in a mat4.
static void normal_matrix(const float *m, float *out)
{
    float a = m[0], b = m[4], c = m[8];
    float d = m[1], e = m[5], f = m[9];
    float g = m[2], h = m[6], i = m[10];
    float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    float s = det != 0.0f ? 1.0f / det : 0.0f;
    // The transpose of the inverse is the cofactor matrix over det;
    // cof[c * 3 + r] is its row r, column c.
    float cof[9] = {(e * i - f * h) * s, -(b * i - c * h) * s, (b * f - c * e) * s,
                    -(d * i - f * g) * s, (a * i - c * g) * s, -(a * f - c * d) * s,
                    (d * h - e * g) * s, -(a * h - b * g) * s, (a * e - b * d) * s};
    for (int k = 0; k < 16; ++k)
        out[k] = 0.0f;
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row)
            out[col * 4 + row] = cof[col * 3 + row];
    out[15] = 1.0f;
}

static int texgen_code(bool enabled, uint32_t mode)
{
    if (!enabled)
        return 0;
    return mode == GL_SPHERE_MAP ? 1 : mode == 0x8512 /* GL_REFLECTION_MAP */ ? 2 : 0;
}

static void set_uniforms(uint32_t mode)
{
    const Gl11Attribs &a = gs.a;
    const float *mv = gl11_top(&gs.modelview);
    gl11_use_program(program);
    if (memcmp(sent.modelview, mv, sizeof sent.modelview) != 0) {
        float nm[16];
        normal_matrix(mv, nm);
        send_matrix(u_normal_matrix, sent.normal_matrix, nm);
        send_matrix(u_modelview, sent.modelview, mv);
    }
    float mvp[16];
    gl11_mat_multiply(mvp, gl11_top(&gs.projection), mv);
    send_matrix(u_mvp, sent.mvp, mvp);
    send_matrix(u_texture_matrix, sent.texture_matrix, gl11_top(&gs.texture_matrix));
    send_4f(u_color, sent.color, a.current.color[0], a.current.color[1], a.current.color[2],
            a.current.color[3]);
    send_4f(u_tex, sent.tex, a.current.tex[0], a.current.tex[1], 0.0f, 0.0f);
    send_4f(u_normal, sent.normal, a.current.normal[0], a.current.normal[1],
            a.current.normal[2], 0.0f);
    int texgen_s = texgen_code(a.enables.texgen_s, a.texture.texgen_mode[0]);
    int texgen_t = texgen_code(a.enables.texgen_t, a.texture.texgen_mode[1]);
    if (sent.texgen[0] != texgen_s || sent.texgen[1] != texgen_t) {
        sent.texgen[0] = texgen_s;
        sent.texgen[1] = texgen_t;
        wgl_uniform_2i(u_texgen, texgen_s, texgen_t);
    }
    send_1i(u_flat, &sent.flat, a.modes.shade_model == GL_FLAT && mode != GL_LINES);
    bool textured = a.enables.texture_2d && gl11_texture_handle(a.texture.bound_2d) != 0;
    send_1i(u_texture_on, &sent.texture_on, textured ? 1 : 0);
    send_1i(u_sampler, &sent.sampler, 0);
    send_1i(u_env, &sent.env, a.texture.env_mode == GL_REPLACE ? 1
                              : a.texture.env_mode == GL_DECAL ? 2
                                                               : 0);
    send_1i(u_alpha_func, &sent.alpha_func,
            a.enables.alpha_test ? (int)(a.modes.alpha_func - GL_NEVER) + 1 : 0);
    if (memcmp(&sent.alpha_ref, &a.modes.alpha_ref, sizeof(float)) != 0) {
        sent.alpha_ref = a.modes.alpha_ref;
        wgl_uniform_1f(u_alpha_ref, a.modes.alpha_ref);
    }
    if (textured)
        gl11_texture_bind_current();
}

// Points the attributes at `buffer`, already bound as the array buffer,
// unless they read it already.
static void set_attributes(uint32_t buffer)
{
    if (gl11_attributes_buffer == buffer)
        return;
    gl11_attributes_buffer = buffer;
    const int stride = (int)sizeof(Gl11Vertex);
    wgl_attribute(0, 4, stride, (int)offsetof(Gl11Vertex, position));
    wgl_attribute(1, 4, stride, (int)offsetof(Gl11Vertex, color));
    wgl_attribute(2, 4, stride, (int)offsetof(Gl11Vertex, flat_color));
    wgl_attribute(3, 2, stride, (int)offsetof(Gl11Vertex, tex));
    wgl_attribute(4, 3, stride, (int)offsetof(Gl11Vertex, normal));
    wgl_attribute(5, 3, stride, (int)offsetof(Gl11Vertex, from_state));
}

// Lines wider than a pixel (WebGL draws only one-pixel lines) become quads
// in window space, widened across their minor axis as OpenGL's aliased wide
// lines are; their positions are then clip coordinates.
static int widen_lines(const Gl11Vertex *in, int count, Gl11Vertex *out)
{
    float mvp[16];
    gl11_mat_multiply(mvp, gl11_top(&gs.projection), gl11_top(&gs.modelview));
    const float half = gs.a.modes.line_width * 0.5f;
    const int *vp = gs.a.transform.viewport;
    int n = 0;
    for (int i = 0; i + 1 < count; i += 2) {
        float c[2][4];
        gl11_mat_transform(mvp, in[i].position, c[0]);
        gl11_mat_transform(mvp, in[i + 1].position, c[1]);
        float wx[2], wy[2];
        for (int k = 0; k < 2; ++k) {
            wx[k] = (c[k][0] / c[k][3] * 0.5f + 0.5f) * (float)vp[2];
            wy[k] = (c[k][1] / c[k][3] * 0.5f + 0.5f) * (float)vp[3];
        }
        bool x_major = std::fabs(wx[1] - wx[0]) >= std::fabs(wy[1] - wy[0]);
        float dx = x_major ? 0.0f : half, dy = x_major ? half : 0.0f;
        const float corner[4][3] = {{0, -1, 0}, {0, 1, 0}, {1, 1, 0}, {1, -1, 0}};
        const int order[6] = {0, 1, 2, 0, 2, 3};
        for (int t = 0; t < 6; ++t) {
            const float *k = corner[order[t]];
            int e = (int)k[0];
            Gl11Vertex v = in[i + e];
            float x = wx[e] + k[1] * dx, y = wy[e] + k[1] * dy;
            float z = c[e][2] / c[e][3];
            v.position[0] = x / (float)vp[2] * 2.0f - 1.0f;
            v.position[1] = y / (float)vp[3] * 2.0f - 1.0f;
            v.position[2] = z;
            v.position[3] = 1.0f;
            out[n++] = v;
        }
    }
    return n;
}

void gl11_draw(uint32_t mode, const Gl11Vertex *vertices, int count)
{
    if (count <= 0)
        return;
    gl11_flush_bitmaps();
    static Gl11Vertex wide[3 * 4096];
    if (mode == GL_LINES && gs.a.modes.line_width > 1.0f && count <= 4096) {
        count = widen_lines(vertices, count, wide);
        vertices = wide;
        mode = GL_TRIANGLES;
        set_uniforms(mode);
        static const float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        send_matrix(u_mvp, sent.mvp, IDENTITY);
    } else {
        set_uniforms(mode);
    }
    wgl_buffer_data(stream_buffer, (uint32_t)(count * sizeof(Gl11Vertex)), vertices, 1);
    set_attributes(stream_buffer);
    wgl_draw_arrays(mode, 0, count);
}

void gl11_draw_buffer(uint32_t mode, uint32_t buffer, int first, int count)
{
    gl11_flush_bitmaps();
    set_uniforms(mode);
    if (gl11_attributes_buffer != buffer) {
        wgl_buffer_bind(buffer);
        set_attributes(buffer);
    }
    wgl_draw_arrays(mode, first, count);
}
