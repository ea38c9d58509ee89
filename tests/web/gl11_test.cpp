// gl11_test.cpp - our OpenGL 1.1 layer (src/platform/web/gl11) against
// Mesa. Each case of CASES is written once, its calls through GL(), and
// drawn twice in the same offscreen context: through Mesa's fixed function
// and through our layer (its fm11_ names, over Mesa's shaders by
// webgl2_mesa.cpp). The two frames must agree within a tolerance: no
// channel more than 2 apart on at least 99.5% of the pixels, the rest being
// edge pixels where the two rasterisers may round coverage differently.
#include <gtest/gtest.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "gl_fixture.h"
#include "platform/web/gl11/gl11.h"

// The side a case draws through: Mesa's entry point or ours of that name.
static bool ours;
#define GL(name) (ours ? fm11_##name : ::name)

// A vertex in 2-D, with its colour when r is not negative, or with tex its
// texture coordinates (r, g).
struct V { float x, y, r = -1, g = 0, b = 0; };

static void prim(GLenum mode, std::initializer_list<V> vertices, bool tex = false)
{
    GL(glBegin)(mode);
    for (const V &v : vertices) {
        if (tex)
            GL(glTexCoord2f)(v.r, v.g);
        else if (v.r >= 0)
            GL(glColor4f)(v.r, v.g, v.b, 1);
        GL(glVertex2f)(v.x, v.y);
    }
    GL(glEnd)();
}

static void projection(bool perspective)
{
    GL(glMatrixMode)(GL_PROJECTION);
    perspective ? GL(gluPerspective)(45.0, 640.0 / 480.0, 1.0, 100.0)
                : GL(glOrtho)(0, 640, 480, 0, -1, 1);
    GL(glMatrixMode)(GL_MODELVIEW);
}

// A bound texture: at 64 texels a side a checker of 8-texel squares, half
// of them translucent, under ramps of green and blue; larger, left empty to
// be copied into.
static GLuint texture(GLint filter, int size)
{
    static uint32_t checker[64 * 64];  // RGBA bytes on a little-endian host
    for (uint32_t i = 0; i < 64 * 64; ++i)
        checker[i] = (((i % 64 / 8) ^ (i / 512)) & 1 ? 0xFF0000FFu : 0x64000028u) |
                     (i % 64 * 4) << 8 | (i / 64 * 4) << 16;
    GLuint t = 0;
    GL(glGenTextures)(1, &t);
    GL(glBindTexture)(GL_TEXTURE_2D, t);
    GL(glTexImage2D)(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     size == 64 ? checker : nullptr);
    GL(glTexParameteri)(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    GL(glTexParameteri)(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    return t;
}

// Smooth and flat shading, blending as the fade does, wide lines as the
// frame mask; modulated texturing through the texture matrix, the alpha
// test, and glPushAttrib/glPopAttrib bringing the untextured state back.
static void flat_shapes()
{
    projection(false);
    prim(GL_QUADS, {{20, 20, 1, 0, 0}, {300, 20, 0, 1, 0}, {300, 200, 0, 0, 1}, {20, 200, 1, 1, 1}});
    GL(glShadeModel)(GL_FLAT);
    prim(GL_TRIANGLES, {{340, 20, 1, 0, 0}, {620, 20, 0, 1, 0}, {620, 200, 0, 0, 1}});
    GL(glEnable)(GL_BLEND);
    GL(glBlendFunc)(GL_ONE, GL_SRC_ALPHA);
    GL(glColor4f)(0, 0, 0, 0.5f);
    prim(GL_QUADS, {{0, 100}, {640, 100}, {640, 300}, {0, 300}});
    GL(glDisable)(GL_BLEND);
    GL(glColor4f)(1, 1, 1, 1);
    GL(glLineWidth)(8.0f);
    prim(GL_LINES, {{320, 240}, {320, 480}, {0, 400}, {640, 400}});
    GLuint t = texture(GL_NEAREST, 64);
    GL(glPushAttrib)(0xFFFFF);
    GL(glEnable)(GL_TEXTURE_2D);
    GL(glBindTexture)(GL_TEXTURE_2D, t);
    GL(glMatrixMode)(GL_TEXTURE);
    GL(glScalef)(2.0f, 1.0f, 1.0f);
    GL(glColor4f)(1.0f, 0.8f, 0.6f, 1.0f);
    prim(GL_QUADS, {{16, 220, 0, 0}, {200, 220, 1, 0}, {200, 400, 1, 1}, {16, 400, 0, 1}}, true);
    GL(glLoadIdentity)();
    GL(glMatrixMode)(GL_MODELVIEW);
    GL(glEnable)(GL_ALPHA_TEST);
    GL(glAlphaFunc)(GL_GREATER, 0.5f);
    prim(GL_QUADS, {{220, 220, 0, 0}, {420, 220, 2, 0}, {420, 400, 2, 2}, {220, 400, 0, 2}}, true);
    GL(glPopAttrib)();
    prim(GL_QUADS, {{440, 420}, {620, 420}, {620, 470}, {440, 470}});  // untextured, white
}

// In perspective, depth-tested and culled: spheres of normals in lists of
// quad strips, with sphere-map and reflection-map coordinates, their
// generation set inside the list as the trees do.
static void perspective_lists()
{
    projection(true);
    GL(glEnable)(GL_DEPTH_TEST);
    GL(glEnable)(GL_CULL_FACE);
    GLuint lists = GL(glGenLists)(2), t = texture(GL_LINEAR, 64);
    for (GLuint k = 0; k < 2; ++k) {
        const GLint mode = k ? GL_REFLECTION_MAP_ARB : GL_SPHERE_MAP;
        GL(glNewList)(lists + k, GL_COMPILE);
        for (GLenum c : {GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T})
            GL(glEnable)(c);
        GL(glTexGeni)(GL_S, GL_TEXTURE_GEN_MODE, mode);
        GL(glTexGeni)(GL_T, GL_TEXTURE_GEN_MODE, mode);
        GL(glBindTexture)(GL_TEXTURE_2D, t);
        for (int j = 0; j < 12; ++j) {
            GL(glBegin)(GL_QUAD_STRIP);
            for (int i = 0; i <= 48; ++i) {
                float phi = ((float)(j + 1 - i % 2) / 12.0f - 0.5f) * 3.14159265f;
                float th = (float)(i / 2) / 24.0f * 6.2831853f, c = std::cos(phi);
                GL(glNormal3f)(c * std::cos(th), std::sin(phi), c * std::sin(th));
                GL(glVertex3f)(c * std::cos(th), std::sin(phi), c * std::sin(th));
            }
            GL(glEnd)();
        }
        for (GLenum c : {GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_S, GL_TEXTURE_2D})
            GL(glDisable)(c);
        GL(glEndList)();
        GL(glPushMatrix)();
        GL(glTranslatef)(k ? 1.3f : -1.3f, 0.0f, -5.0f);
        GL(glRotatef)(30.0f, 1.0f, 0.3f, 0.0f);
        GL(glCallList)(lists + k);
        GL(glPopMatrix)();
    }
}

// Glyphs recorded into lists and set with glCallLists at a raster position,
// in the raster colour, blended, as the text is; a list recorded again; a
// list giving a colour per primitive (drawn as one) around calls of a list
// without colours, which takes the colour current there, and after it the
// last colour current; part of the frame copied
// into a texture and drawn back. Each draw must see its own state, though
// the layer sends only what changed.
static void lists_text_copies()
{
    static const GLubyte glyphs[2][16] = {
        {0xC3, 0xC3, 0xC3, 0xFF, 0xFF, 0xC3, 0xC3, 0x66, 0x66, 0x3C, 0x3C, 0x18, 0x18},
        {0xFE, 0xFF, 0xC3, 0xC3, 0xFF, 0xFE, 0xC3, 0xC3, 0xFF, 0xFE}};
    static const GLubyte text[] = {0, 1, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0, 1, 0};
    GL(glPixelStorei)(GL_UNPACK_ALIGNMENT, 1);
    GLuint base = GL(glGenLists)(4), plain = base + 2, mesh = base + 3;
    for (GLuint g = 0; g < 2; ++g) {
        GL(glNewList)(base + g, GL_COMPILE);
        GL(glBitmap)(8, g ? 10 : 13, -(float)g, g ? 0.0f : 2.0f, 10.0f + (float)g, 0.0f, glyphs[g]);
        GL(glEndList)();
    }
    GL(glMatrixMode)(GL_PROJECTION);
    GL(gluOrtho2D)(0, 640, 480, 0);
    GL(glMatrixMode)(GL_MODELVIEW);
    GL(glEnable)(GL_BLEND);
    GL(glBlendFunc)(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (int row = 0; row < 20; ++row) {
        GL(glColor4f)(1.0f, (float)row / 20.0f, 0.3f, 0.8f);
        GL(glRasterPos2f)(10.0f + (float)row * 3.3f, 250.0f + (float)row * 11.0f);
        GL(glPushAttrib)(0xFFFFF);
        GL(glListBase)(base);
        GL(glCallLists)((GLsizei)sizeof text, GL_UNSIGNED_BYTE, text);
        GL(glPopAttrib)();
    }
    for (int pass = 0; pass < 2; ++pass) {
        GL(glNewList)(plain, GL_COMPILE);
        prim(GL_TRIANGLES, {{0, 0}, {60.0f - 20.0f * (float)pass, 0}, {30, 60}});
        GL(glEndList)();
    }
    GL(glNewList)(mesh, GL_COMPILE);
    for (int i = 0; i < 10; ++i) {
        const float x = 60.0f * (float)i, f = (float)i / 10.0f;
        prim(GL_TRIANGLES, {{10 + x, 10, f, 0.5f, 1 - f}, {60 + x, 10, 1, 1, f}, {35 + x, 150}});
        if (i == 4 || i == 7) {
            GL(glColor4f)(0.2f, 0.9f, 0.3f + 0.1f * (float)i, 1);
            GL(glPushMatrix)();
            GL(glTranslatef)(x, 160, 0);
            GL(glCallList)(plain);
            GL(glPopMatrix)();
        }
    }
    GL(glEndList)();
    GL(glCallList)(mesh);
    GL(glShadeModel)(GL_FLAT);
    GL(glTranslatef)(200, 160, 0);
    GL(glCallList)(plain);
    texture(GL_NEAREST, 256);
    GL(glCopyTexSubImage2D)(GL_TEXTURE_2D, 0, 0, 0, 0, 224, 256, 256);
    GL(glEnable)(GL_TEXTURE_2D);
    GL(glTexEnvi)(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    GL(glLoadIdentity)();
    prim(GL_QUADS, {{360, 224, 0, 0}, {616, 224, 1, 0}, {616, 480, 1, 1}, {360, 480, 0, 1}}, true);
}

static void (*const CASES[])() = {flat_shapes, perspective_lists, lists_text_copies};

// Draws a case from the same starting state on either side.
static Picture draw_with(bool our_side, void (*draw)())
{
    ours = our_side;
    EXPECT_TRUE(!ours || gl11_init(640, 480) == 1);
    if (!ours) {
        glUseProgram(0);
        for (GLuint i = 0; i < 6; ++i)
            glDisableVertexAttribArray(i);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    }
    for (GLenum c : {GL_ALPHA_TEST, GL_BLEND, GL_CULL_FACE, GL_DEPTH_TEST, GL_TEXTURE_2D})
        GL(glDisable)(c);
    for (GLenum m : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW})
        GL(glMatrixMode)(m), GL(glLoadIdentity)();
    GL(glShadeModel)(GL_SMOOTH);
    GL(glLineWidth)(1.0f);
    GL(glColor4f)(1, 1, 1, 1);
    GL(glTexEnvi)(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    GL(glClear)(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw();
    if (ours)
        gl11_flush();
    return read_back();
}

TEST(Gl11, EachCaseDrawsAsMesasFixedFunction)
{
    ASSERT_EQ(test_gl_open(), 1);
    for (size_t n = 0; n < sizeof CASES / sizeof CASES[0]; ++n) {
        Picture mesa = draw_with(false, CASES[n]), mine = draw_with(true, CASES[n]);
        auto far = [&](size_t k) { return std::abs(mesa.rgba[k] - mine.rgba[k]) > 2; };
        int lit = 0, off = 0;
        for (size_t i = 0; i < mesa.rgba.size(); i += 4) {
            lit += (mesa.rgba[i] | mesa.rgba[i + 1] | mesa.rgba[i + 2]) != 0;
            off += far(i) || far(i + 1) || far(i + 2) || far(i + 3);
        }
        save_picture_if_asked(mesa, "case" + std::to_string(n) + "-mesa.png");
        save_picture_if_asked(mine, "case" + std::to_string(n) + "-ours.png");
        EXPECT_TRUE(lit > 1000 && off <= (int)(mesa.rgba.size() / 4) / 200)
            << "case " << n << ": " << lit << " pixels lit, " << off << " differ by more than 2";
    }
}
