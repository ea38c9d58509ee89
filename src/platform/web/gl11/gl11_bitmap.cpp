// gl11_bitmap.cpp - glBitmap through a glyph atlas: each bitmap is stored
// once (a display list's glyph when the list is recorded) as bytes 0/255 in
// a 2048x2048 single-channel texture, and drawn as a quad at the raster
// position in the raster colour, its empty texels discarded. Quads queue up
// and go out in one draw before anything else is drawn or state changes.
#include <cmath>
#include <cstddef>
#include <vector>

#include "platform/web/gl11/gl11_state.h"
#include "platform/web/gl11/webgl2.h"

static const int ATLAS_SIZE = 2048;
static const uint32_t GL_RED_ = 0x1903, GL_R8_ = 0x8229;

struct AtlasEntry {
    int x, y, width, height;
    float xorig, yorig, xmove, ymove;
};

static std::vector<AtlasEntry> entries;
static int shelf_x, shelf_y, shelf_height;  // the row being filled
static uint32_t atlas, program, buffer;
static int u_viewport, u_atlas, u_alpha_func, u_alpha_ref;
static std::vector<Gl11Vertex> pending;

static const char *const VERTEX_SHADER = R"(#version 300 es
precision highp float;
in vec4 a_position;   // window x, y and depth 0..1
in vec4 a_color;
in vec2 a_tex;
uniform vec4 u_viewport;
out vec4 v_color;
out vec2 v_tex;
void main() {
    vec2 ndc = (a_position.xy - u_viewport.xy) / u_viewport.zw * 2.0 - 1.0;
    gl_Position = vec4(ndc, a_position.z * 2.0 - 1.0, 1.0);
    v_color = a_color;
    v_tex = a_tex;
}
)";

static const char *const FRAGMENT_SHADER = R"(#version 300 es
precision highp float;
in vec4 v_color;
in vec2 v_tex;
uniform sampler2D u_atlas;
uniform int u_alpha_func;
uniform float u_alpha_ref;
out vec4 frag;
void main() {
    if (texture(u_atlas, v_tex).r < 0.5) discard;
    // Bitmap fragments pass the alpha test with the raster colour's alpha.
    float a = v_color.a;
    int f = u_alpha_func - 1;
    if (u_alpha_func != 0 && !(f == 7 || (f == 1 && a < u_alpha_ref) ||
        (f == 2 && a == u_alpha_ref) || (f == 3 && a <= u_alpha_ref) ||
        (f == 4 && a > u_alpha_ref) || (f == 5 && a != u_alpha_ref) ||
        (f == 6 && a >= u_alpha_ref))) discard;
    frag = v_color;
}
)";

static const char *const ATTRIBUTES[] = {"a_position", "a_color", "a_flat_color", "a_tex",
                                         nullptr};

int gl11_bitmap_init(void)
{
    program = wgl_program_create(VERTEX_SHADER, FRAGMENT_SHADER, ATTRIBUTES);
    if (!program)
        return 0;
    u_viewport = wgl_uniform_location(program, "u_viewport");
    u_atlas = wgl_uniform_location(program, "u_atlas");
    u_alpha_func = wgl_uniform_location(program, "u_alpha_func");
    u_alpha_ref = wgl_uniform_location(program, "u_alpha_ref");
    buffer = wgl_buffer_create();
    atlas = wgl_texture_create();
    gl11_bind_texture(atlas);
    wgl_tex_image_2d(GL_TEXTURE_2D, 0, GL_R8_, ATLAS_SIZE, ATLAS_SIZE, GL_RED_, GL_UNSIGNED_BYTE,
                     nullptr);
    wgl_tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    wgl_tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    wgl_tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    wgl_tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    entries.clear();
    shelf_x = shelf_y = shelf_height = 0;
    return buffer && atlas;
}

// A place for width x height texels (with a texel of space around it), on
// shelves filled left to right.
static int place(int width, int height, int *x, int *y)
{
    if (width + 1 > ATLAS_SIZE || height + 1 > ATLAS_SIZE)
        return 0;
    if (shelf_x + width + 1 > ATLAS_SIZE) {
        shelf_y += shelf_height;
        shelf_x = shelf_height = 0;
    }
    if (shelf_y + height + 1 > ATLAS_SIZE)
        return 0;
    *x = shelf_x;
    *y = shelf_y;
    shelf_x += width + 1;
    if (height + 1 > shelf_height)
        shelf_height = height + 1;
    return 1;
}

static void upload(int x, int y, int width, int height, const uint8_t *bits, int row_bytes)
{
    std::vector<uint8_t> texels((size_t)width * height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            texels[(size_t)r * width + c] =
                (bits[(size_t)r * row_bytes + c / 8] >> (7 - c % 8)) & 1 ? 255 : 0;
    gl11_bind_texture(atlas);
    wgl_pixel_store(GL_UNPACK_ALIGNMENT, 1);
    wgl_tex_sub_image_2d(GL_TEXTURE_2D, 0, x, y, width, height, GL_RED_, GL_UNSIGNED_BYTE,
                         texels.data());
    wgl_pixel_store(GL_UNPACK_ALIGNMENT, gs.unpack_alignment);
}

int gl11_bitmap_store(int width, int height, float xorig, float yorig, float xmove, float ymove,
                      const uint8_t *bits, int row_bytes)
{
    AtlasEntry e = {0, 0, width, height, xorig, yorig, xmove, ymove};
    if (width > 0 && height > 0 && bits) {
        if (!place(width, height, &e.x, &e.y))
            return -1;
        upload(e.x, e.y, width, height, bits, row_bytes);
    } else {
        e.width = e.height = 0;
    }
    entries.push_back(e);
    return (int)entries.size() - 1;
}

void gl11_bitmap_draw(int entry)
{
    if (entry < 0 || entry >= (int)entries.size())
        return;
    Gl11Current &c = gs.a.current;
    if (c.raster[3] == 0.0f)
        return;  // an invalid raster position draws nothing and stays put
    const AtlasEntry &e = entries[(size_t)entry];
    if (e.width > 0) {
        // A raster position computed a hair below a whole pixel still
        // means that pixel, as in Mesa.
        const float epsilon = 0.0001f;
        float x0 = std::floor(c.raster[0] + epsilon - e.xorig);
        float y0 = std::floor(c.raster[1] + epsilon - e.yorig);
        float x1 = x0 + (float)e.width, y1 = y0 + (float)e.height;
        float s0 = (float)e.x / ATLAS_SIZE, t0 = (float)e.y / ATLAS_SIZE;
        float s1 = (float)(e.x + e.width) / ATLAS_SIZE, t1 = (float)(e.y + e.height) / ATLAS_SIZE;
        const float corners[6][4] = {{x0, y0, s0, t0}, {x1, y0, s1, t0}, {x1, y1, s1, t1},
                                     {x0, y0, s0, t0}, {x1, y1, s1, t1}, {x0, y1, s0, t1}};
        for (const float *k : corners) {
            Gl11Vertex v = {};
            v.position[0] = k[0];
            v.position[1] = k[1];
            v.position[2] = c.raster[2];
            v.position[3] = 1.0f;
            for (int i = 0; i < 4; ++i)
                v.color[i] = c.raster_color[i];
            v.tex[0] = k[2];
            v.tex[1] = k[3];
            pending.push_back(v);
        }
    }
    c.raster[0] += e.xmove;
    c.raster[1] += e.ymove;
}

void gl11_flush_bitmaps(void)
{
    if (pending.empty())
        return;
    const int *vp = gs.a.transform.viewport;
    gl11_use_program(program);
    wgl_uniform_4f(u_viewport, (float)vp[0], (float)vp[1], (float)vp[2], (float)vp[3]);
    wgl_uniform_1i(u_atlas, 0);
    wgl_uniform_1i(u_alpha_func,
                   gs.a.enables.alpha_test ? (int)(gs.a.modes.alpha_func - GL_NEVER) + 1 : 0);
    wgl_uniform_1f(u_alpha_ref, gs.a.modes.alpha_ref);
    gl11_bind_texture(atlas);
    wgl_buffer_data(buffer, (uint32_t)(pending.size() * sizeof(Gl11Vertex)), pending.data(), 1);
    const int stride = (int)sizeof(Gl11Vertex);
    gl11_attributes_buffer = 0;  // its own three pointers: gl11_draw sets them all anew
    wgl_attribute(0, 4, stride, (int)offsetof(Gl11Vertex, position));
    wgl_attribute(1, 4, stride, (int)offsetof(Gl11Vertex, color));
    wgl_attribute(3, 2, stride, (int)offsetof(Gl11Vertex, tex));
    int count = (int)pending.size();
    pending.clear();
    wgl_draw_arrays(GL_TRIANGLES, 0, count);
}

// Outside a list a bitmap is stored for the one draw: the scratch entry is
// the last one and is taken back at once.
extern "C" void GL11(glBitmap)(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig,
                               GLfloat xmove, GLfloat ymove, const GLubyte *bitmap)
{
    int row_bytes = (width + 7) / 8;
    int a = gs.unpack_alignment > 0 ? gs.unpack_alignment : 1;
    row_bytes = (row_bytes + a - 1) / a * a;
    if (gl11_recording()) {
        int entry = gl11_bitmap_store(width, height, xorig, yorig, xmove, ymove, bitmap, row_bytes);
        if (entry < 0)
            return gl11_set_error(GL_OUT_OF_MEMORY);
        return gl11_record(GL11_OP_BITMAP, (uint32_t)entry, 0, 0, 0, 0);
    }
    int sx = shelf_x, sy = shelf_y, sh = shelf_height;
    int entry = gl11_bitmap_store(width, height, xorig, yorig, xmove, ymove, bitmap, row_bytes);
    if (entry < 0)
        return gl11_set_error(GL_OUT_OF_MEMORY);
    gl11_bitmap_draw(entry);
    gl11_flush_bitmaps();
    entries.pop_back();
    shelf_x = sx;
    shelf_y = sy;
    shelf_height = sh;
}
