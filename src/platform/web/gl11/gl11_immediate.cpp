// gl11_immediate.cpp - glBegin/glEnd: the vertices of a primitive are
// gathered, turned into triangles (quads, quad strips, polygons) or line
// pairs with each primitive's provoking colour beside them, then drawn at
// once or recorded into the open display list.
#include <cstring>
#include <vector>

#include "platform/web/gl11/gl11_lists.h"
#include "platform/web/gl11/gl11_state.h"

static std::vector<Gl11Vertex> gathered;
static std::vector<Gl11Vertex> assembled;

extern "C" void GL11(glBegin)(GLenum mode)
{
    if (gs.begin_mode != GL_INVALID_ENUM)
        return gl11_set_error(GL_INVALID_OPERATION);
    gs.begin_mode = mode;
    gathered.clear();
}

// The attributes a vertex gets: the current ones, or while recording the
// ones given so far in the list, marked where the list gave none.
static void make_vertex(float x, float y, float z)
{
    Gl11Vertex v = {};
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    v.position[3] = 1.0f;
    gl11_list_attributes(v.color, v.tex, v.normal, v.from_state);
    memcpy(v.flat_color, v.color, sizeof v.color);
    gathered.push_back(v);
}

extern "C" void GL11(glVertex2f)(GLfloat x, GLfloat y)
{
    make_vertex(x, y, 0.0f);
}

extern "C" void GL11(glVertex3f)(GLfloat x, GLfloat y, GLfloat z)
{
    make_vertex(x, y, z);
}

extern "C" void GL11(glTexCoord2f)(GLfloat s, GLfloat t)
{
    if (gl11_recording())
        return gl11_list_texcoord(s, t);
    gs.a.current.tex[0] = s;
    gs.a.current.tex[1] = t;
}

extern "C" void GL11(glNormal3f)(GLfloat x, GLfloat y, GLfloat z)
{
    if (gl11_recording())
        return gl11_list_normal(x, y, z);
    gs.a.current.normal[0] = x;
    gs.a.current.normal[1] = y;
    gs.a.current.normal[2] = z;
}

// Appends a triangle of gathered vertices a, b, c whose flat colour is p's.
static void triangle(int a, int b, int c, int p)
{
    const int corners[3] = {a, b, c};
    for (int k : corners) {
        Gl11Vertex v = gathered[(size_t)k];
        memcpy(v.flat_color, gathered[(size_t)p].color, sizeof v.flat_color);
        if (gathered[(size_t)p].from_state[0] > 0.5f)
            v.from_state[0] = 1.0f;
        assembled.push_back(v);
    }
}

// OpenGL's provoking vertex is the last of each primitive, the first of a
// polygon.
static uint32_t assemble(uint32_t mode)
{
    assembled.clear();
    const int n = (int)gathered.size();
    switch (mode) {
    case GL_TRIANGLES:
        for (int i = 0; i + 2 < n; i += 3)
            triangle(i, i + 1, i + 2, i + 2);
        return GL_TRIANGLES;
    case GL_QUADS:
        for (int i = 0; i + 3 < n; i += 4) {
            triangle(i, i + 1, i + 2, i + 3);
            triangle(i, i + 2, i + 3, i + 3);
        }
        return GL_TRIANGLES;
    case GL_QUAD_STRIP:
        for (int i = 0; i + 3 < n; i += 2) {
            triangle(i, i + 1, i + 3, i + 3);
            triangle(i, i + 3, i + 2, i + 3);
        }
        return GL_TRIANGLES;
    case GL_TRIANGLE_STRIP:
        for (int i = 0; i + 2 < n; ++i)
            if (i & 1)
                triangle(i + 1, i, i + 2, i + 2);
            else
                triangle(i, i + 1, i + 2, i + 2);
        return GL_TRIANGLES;
    case GL_TRIANGLE_FAN:
        for (int i = 1; i + 1 < n; ++i)
            triangle(0, i, i + 1, i + 1);
        return GL_TRIANGLES;
    case GL_POLYGON:
        for (int i = 1; i + 1 < n; ++i)
            triangle(0, i, i + 1, 0);
        return GL_TRIANGLES;
    case GL_LINES:
        for (int i = 0; i + 1 < n; i += 2) {
            for (int k = 0; k < 2; ++k) {
                Gl11Vertex v = gathered[(size_t)(i + k)];
                memcpy(v.flat_color, gathered[(size_t)(i + 1)].color, sizeof v.flat_color);
                assembled.push_back(v);
            }
        }
        return GL_LINES;
    default:
        gl11_set_error(GL_INVALID_ENUM);
        return GL_INVALID_ENUM;
    }
}

extern "C" void GL11(glEnd)(void)
{
    uint32_t mode = gs.begin_mode;
    if (mode == GL_INVALID_ENUM)
        return gl11_set_error(GL_INVALID_OPERATION);
    gs.begin_mode = GL_INVALID_ENUM;
    uint32_t drawn = assemble(mode);
    if (drawn == GL_INVALID_ENUM || assembled.empty())
        return;
    if (gl11_recording())
        gl11_record_primitive(drawn, assembled.data(), (int)assembled.size());
    else
        gl11_draw(drawn, assembled.data(), (int)assembled.size());
}
