// gl11_test.cpp - our OpenGL 1.1 layer (src/platform/web/gl11) against
// Mesa. Each case is written once against a table of entry points and drawn
// twice in the same offscreen context: through Mesa's fixed function and
// through our layer (its fm11_ names, over Mesa's shaders by
// webgl2_mesa.cpp). The two frames must agree within a tolerance: no
// channel more than 2 apart on at least 99.5% of the pixels, the rest being
// edge pixels where the two rasterisers may round coverage differently.
#include <gtest/gtest.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "gl_fixture.h"
#include "platform/web/gl11/gl11.h"

#define GL11_TEST_CALLS(X)                                                                      \
    X(glAlphaFunc) X(glBegin) X(glBindTexture) X(glBitmap) X(glBlendFunc) X(glCallList)         \
    X(glCallLists) X(glClear) X(glClearColor) X(glColor4f) X(glCullFace) X(glDepthFunc)         \
    X(glDisable) X(glEnable) X(glEnd) X(glEndList) X(glGenLists) X(glGenTextures)               \
    X(glGetIntegerv) X(glLineWidth) X(glListBase) X(glLoadIdentity) X(glMatrixMode)             \
    X(glNewList) X(glNormal3f) X(glOrtho) X(glPixelStorei) X(glPopAttrib) X(glPopMatrix)        \
    X(glPushAttrib) X(glPushMatrix) X(glRasterPos2f) X(glRotatef) X(glScalef) X(glShadeModel)   \
    X(glTexCoord2f) X(glTexEnvi) X(glTexGeni) X(glTexImage2D) X(glTexParameteri)                \
    X(glTranslatef) X(glVertex2f) X(glVertex3f) X(glViewport) X(gluOrtho2D) X(gluPerspective)   \
    X(glColorMaterial) X(glCopyTexSubImage2D)

struct Api {
#define X(name) decltype(&::name) name;
    GL11_TEST_CALLS(X)
#undef X
};

static const Api MESA = {
#define X(name) &name,
    GL11_TEST_CALLS(X)
#undef X
};

static const Api OURS = {
#define X(name) &fm11_##name,
    GL11_TEST_CALLS(X)
#undef X
};

// The state every case starts from, set the same way on both.
static void reset(const Api &gl)
{
    const GLenum caps[] = {GL_ALPHA_TEST, GL_BLEND, GL_COLOR_MATERIAL, GL_CULL_FACE,
                           GL_DEPTH_TEST, GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T};
    for (GLenum c : caps)
        gl.glDisable(c);
    const GLenum modes[] = {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW};
    for (GLenum m : modes) {
        gl.glMatrixMode(m);
        gl.glLoadIdentity();
    }
    gl.glViewport(0, 0, 640, 480);
    gl.glBlendFunc(GL_ONE, GL_ZERO);
    gl.glDepthFunc(GL_LESS);
    gl.glCullFace(GL_BACK);
    gl.glShadeModel(GL_SMOOTH);
    gl.glLineWidth(1.0f);
    gl.glColor4f(1, 1, 1, 1);
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    gl.glClearColor(0, 0, 0, 0);
    gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

static Picture draw_with(const Api &gl, void (*draw)(const Api &))
{
    if (&gl == &OURS) {
        EXPECT_EQ(gl11_init(640, 480), 1);
    } else {
        glUseProgram(0);
        for (GLuint i = 0; i < 6; ++i)
            glDisableVertexAttribArray(i);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    }
    reset(gl);
    draw(gl);
    if (&gl == &OURS)
        gl11_flush();
    return read_back();
}

static void expect_alike(void (*draw)(const Api &), const char *name)
{
    ASSERT_EQ(test_gl_open(), 1);
    Picture mesa = draw_with(MESA, draw);
    Picture ours = draw_with(OURS, draw);
    ASSERT_EQ(mesa.rgba.size(), ours.rgba.size());
    int lit = 0, off = 0, worst = 0;
    for (size_t i = 0; i < mesa.rgba.size(); i += 4) {
        int d = 0;
        for (int c = 0; c < 4; ++c)
            d = std::max(d, std::abs((int)mesa.rgba[i + c] - (int)ours.rgba[i + c]));
        lit += mesa.rgba[i] | mesa.rgba[i + 1] | mesa.rgba[i + 2] ? 1 : 0;
        off += d > 2;
        worst = std::max(worst, d);
    }
    save_picture_if_asked(mesa, std::string(name) + "-mesa.png");
    save_picture_if_asked(ours, std::string(name) + "-ours.png");
    EXPECT_GT(lit, 1000) << name << ": the case draws almost nothing";
    EXPECT_LE(off, (int)(mesa.rgba.size() / 4) / 200)
        << name << ": " << off << " pixels differ by more than 2 (worst " << worst << ")";
}

static void coloured_quads(const Api &gl)
{
    gl.glMatrixMode(GL_PROJECTION);
    gl.glOrtho(0, 640, 480, 0, -1, 1);
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glBegin(GL_QUADS);
    gl.glColor4f(1, 0, 0, 1);
    gl.glVertex2f(20, 20);
    gl.glColor4f(0, 1, 0, 1);
    gl.glVertex2f(300, 20);
    gl.glColor4f(0, 0, 1, 1);
    gl.glVertex2f(300, 200);
    gl.glColor4f(1, 1, 1, 1);
    gl.glVertex2f(20, 200);
    gl.glEnd();
    gl.glShadeModel(GL_FLAT);
    gl.glBegin(GL_QUADS);
    gl.glColor4f(1, 0, 0, 1);
    gl.glVertex2f(340, 20);
    gl.glColor4f(0, 1, 0, 1);
    gl.glVertex2f(620, 20);
    gl.glColor4f(0, 0, 1, 1);
    gl.glVertex2f(620, 200);
    gl.glColor4f(1, 1, 0, 1);
    gl.glVertex2f(340, 200);
    gl.glEnd();
    gl.glShadeModel(GL_SMOOTH);
    // Blending as the fade does, and a wide line as the frame mask draws.
    gl.glEnable(GL_BLEND);
    gl.glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    gl.glColor4f(0, 0, 0, 0.5f);
    gl.glBegin(GL_QUADS);
    gl.glVertex2f(0, 100);
    gl.glVertex2f(640, 100);
    gl.glVertex2f(640, 300);
    gl.glVertex2f(0, 300);
    gl.glEnd();
    gl.glDisable(GL_BLEND);
    gl.glColor4f(1, 1, 1, 1);
    gl.glLineWidth(8.0f);
    gl.glBegin(GL_LINES);
    gl.glVertex2f(320, 240);
    gl.glVertex2f(320, 480);
    gl.glVertex2f(0, 400);
    gl.glVertex2f(640, 400);
    gl.glEnd();
}

TEST(Gl11, ImmediateQuadsShadingBlendingWideLines)
{
    expect_alike(coloured_quads, "quads");
}

// A lit-looking ring of quad strips in perspective, depth-tested and culled,
// recorded into a display list with its colour set inside.
static void strips_in_a_list(const Api &gl)
{
    gl.glMatrixMode(GL_PROJECTION);
    gl.gluPerspective(45.0, 640.0 / 480.0, 1.0, 100.0);
    gl.glMatrixMode(GL_MODELVIEW);
    GLuint list = gl.glGenLists(1);
    gl.glNewList(list, GL_COMPILE);
    gl.glColor4f(0.8f, 0.5f, 0.2f, 1.0f);
    gl.glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= 24; ++i) {
        float a = (float)i / 24.0f * 6.2831853f;
        gl.glColor4f(0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a), 0.5f, 1.0f);
        gl.glVertex3f(std::cos(a), -1.0f, std::sin(a));
        gl.glVertex3f(std::cos(a), 1.0f, std::sin(a));
    }
    gl.glEnd();
    gl.glEndList();
    gl.glEnable(GL_DEPTH_TEST);
    gl.glEnable(GL_CULL_FACE);
    gl.glTranslatef(0.0f, 0.0f, -5.0f);
    gl.glRotatef(30.0f, 1.0f, 0.3f, 0.0f);
    gl.glCallList(list);
    gl.glTranslatef(0.8f, 0.2f, -1.0f);
    gl.glCallList(list);
}

TEST(Gl11, DisplayListOfQuadStripsDepthCulling)
{
    expect_alike(strips_in_a_list, "strips");
}

static GLuint checker_texture(const Api &gl)
{
    static uint8_t pixels[64 * 64 * 4];
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t *p = pixels + (y * 64 + x) * 4;
            bool on = ((x / 8) ^ (y / 8)) & 1;
            p[0] = on ? 255 : 40;
            p[1] = (uint8_t)(x * 4);
            p[2] = (uint8_t)(y * 4);
            p[3] = (uint8_t)(on ? 255 : 100);
        }
    GLuint t = 0;
    gl.glGenTextures(1, &t);
    gl.glBindTexture(GL_TEXTURE_2D, t);
    gl.glTexImage2D(GL_TEXTURE_2D, 0, 4, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return t;
}

// Texturing with modulate, the texture matrix, the alpha test, and
// glPushAttrib/glPopAttrib bringing the untextured state back.
static void textured(const Api &gl)
{
    GLuint t = checker_texture(gl);
    gl.glMatrixMode(GL_PROJECTION);
    gl.glOrtho(0, 640, 480, 0, -1, 1);
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glPushAttrib(0xFFFFF);
    gl.glEnable(GL_TEXTURE_2D);
    gl.glBindTexture(GL_TEXTURE_2D, t);
    gl.glMatrixMode(GL_TEXTURE);
    gl.glScalef(2.0f, 1.0f, 1.0f);
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glColor4f(1.0f, 0.8f, 0.6f, 1.0f);
    gl.glBegin(GL_QUADS);
    gl.glTexCoord2f(0, 0);
    gl.glVertex2f(16, 16);
    gl.glTexCoord2f(1, 0);
    gl.glVertex2f(272, 16);
    gl.glTexCoord2f(1, 1);
    gl.glVertex2f(272, 272);
    gl.glTexCoord2f(0, 1);
    gl.glVertex2f(16, 272);
    gl.glEnd();
    gl.glMatrixMode(GL_TEXTURE);
    gl.glLoadIdentity();
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glEnable(GL_ALPHA_TEST);
    gl.glAlphaFunc(GL_GREATER, 0.5f);
    gl.glBegin(GL_QUADS);
    gl.glTexCoord2f(0, 0);
    gl.glVertex2f(320, 16);
    gl.glTexCoord2f(2, 0);
    gl.glVertex2f(576, 16);
    gl.glTexCoord2f(2, 2);
    gl.glVertex2f(576, 272);
    gl.glTexCoord2f(0, 2);
    gl.glVertex2f(320, 272);
    gl.glEnd();
    gl.glPopAttrib();
    gl.glBegin(GL_QUADS);  // untextured, opaque white again
    gl.glVertex2f(16, 300);
    gl.glVertex2f(600, 300);
    gl.glVertex2f(600, 460);
    gl.glVertex2f(16, 460);
    gl.glEnd();
}

TEST(Gl11, TexturesTextureMatrixAlphaTestPushAttrib)
{
    expect_alike(textured, "textured");
}

// Sphere-map and reflection-map coordinates on a sphere of normals, the
// texture generation set inside a display list as the trees do.
static void generated(const Api &gl)
{
    GLuint t = checker_texture(gl);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.glMatrixMode(GL_PROJECTION);
    gl.gluPerspective(45.0, 640.0 / 480.0, 1.0, 100.0);
    gl.glMatrixMode(GL_MODELVIEW);
    const GLint modes[2] = {GL_SPHERE_MAP, GL_REFLECTION_MAP_ARB};
    for (int k = 0; k < 2; ++k) {
        GLuint list = gl.glGenLists(1);
        gl.glNewList(list, GL_COMPILE);
        gl.glEnable(GL_TEXTURE_2D);
        gl.glEnable(GL_TEXTURE_GEN_S);
        gl.glEnable(GL_TEXTURE_GEN_T);
        gl.glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, modes[k]);
        gl.glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, modes[k]);
        gl.glBindTexture(GL_TEXTURE_2D, t);
        for (int j = 0; j < 12; ++j) {
            gl.glBegin(GL_QUAD_STRIP);
            for (int i = 0; i <= 24; ++i) {
                for (int h = 1; h >= 0; --h) {
                    float phi = ((float)(j + h) / 12.0f - 0.5f) * 3.14159265f;
                    float th = (float)i / 24.0f * 6.2831853f;
                    float x = std::cos(phi) * std::cos(th), y = std::sin(phi),
                          z = std::cos(phi) * std::sin(th);
                    gl.glNormal3f(x, y, z);
                    gl.glVertex3f(x, y, z);
                }
            }
            gl.glEnd();
        }
        gl.glDisable(GL_TEXTURE_GEN_T);
        gl.glDisable(GL_TEXTURE_GEN_S);
        gl.glDisable(GL_TEXTURE_2D);
        gl.glEndList();
        gl.glPushMatrix();
        gl.glTranslatef(k ? 1.3f : -1.3f, 0.0f, -5.0f);
        gl.glRotatef(20.0f, 0.0f, 1.0f, 0.0f);
        gl.glEnable(GL_DEPTH_TEST);
        gl.glCallList(list);
        gl.glPopMatrix();
    }
}

TEST(Gl11, SphereMapAndReflectionMapInDisplayLists)
{
    expect_alike(generated, "texgen");
}

// Glyph-like bitmaps recorded into lists and drawn with glCallLists at a
// raster position, in the raster colour, blended, as the text is.
static void bitmaps(const Api &gl)
{
    static const GLubyte glyph_a[16] = {0xC3, 0xC3, 0xC3, 0xFF, 0xFF, 0xC3, 0xC3, 0x66,
                                        0x66, 0x3C, 0x3C, 0x18, 0x18, 0x00, 0x00, 0x00};
    static const GLubyte glyph_b[16] = {0xFE, 0xFF, 0xC3, 0xC3, 0xFF, 0xFE, 0xC3, 0xC3,
                                        0xFF, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLuint base = gl.glGenLists(2);
    gl.glNewList(base, GL_COMPILE);
    gl.glBitmap(8, 16, 0.0f, 2.0f, 10.0f, 0.0f, glyph_a);
    gl.glEndList();
    gl.glNewList(base + 1, GL_COMPILE);
    gl.glBitmap(8, 10, -1.0f, 0.0f, 11.0f, 0.0f, glyph_b);
    gl.glEndList();
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl.gluOrtho2D(0, 640, 480, 0);
    gl.glEnable(GL_BLEND);
    gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    static const GLubyte text[] = {0, 1, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0, 1, 0};
    for (int row = 0; row < 40; ++row) {
        gl.glColor4f(1.0f, row / 40.0f, 0.3f, 0.8f);
        gl.glRasterPos2f(10.0f + (float)row * 3.3f, 20.0f + (float)row * 11.0f);
        gl.glPushAttrib(0xFFFFF);
        gl.glListBase(base);
        for (int k = 0; k < 3; ++k)
            gl.glCallLists((GLsizei)sizeof text, GL_UNSIGNED_BYTE, text);
        gl.glPopAttrib();
    }
}

TEST(Gl11, BitmapsThroughListsAtTheRasterPosition)
{
    expect_alike(bitmaps, "bitmaps");
}

// State changing between draws of every kind: display lists (one recorded
// again, the name of its old buffer free to come back), immediate
// triangles, glyphs, and part of the frame copied into a texture and drawn
// back. The layer sends only the uniforms and attribute pointers that
// changed, so each draw must still see its own state.
static void interleaved(const Api &gl)
{
    // Rows of four bytes: glBitmap reads rows at the unpack alignment (4).
    static const GLubyte glyph[32] = {0xFF, 0, 0, 0, 0x81, 0, 0, 0, 0x81, 0, 0, 0, 0x99, 0, 0, 0,
                                      0x99, 0, 0, 0, 0x81, 0, 0, 0, 0x81, 0, 0, 0, 0xFF, 0, 0, 0};
    gl.glMatrixMode(GL_PROJECTION);
    gl.glOrtho(0, 640, 480, 0, -1, 1);
    gl.glMatrixMode(GL_MODELVIEW);
    GLuint list = gl.glGenLists(1);
    for (int pass = 0; pass < 2; ++pass) {
        gl.glNewList(list, GL_COMPILE);
        gl.glBegin(GL_QUADS);
        gl.glVertex2f(0, 0);
        gl.glVertex2f(40.0f - 10.0f * (float)pass, 0);
        gl.glVertex2f(40, 40);
        gl.glVertex2f(0, 40);
        gl.glEnd();
        gl.glEndList();
        for (int i = 0; i < 12; ++i) {
            gl.glPushMatrix();
            gl.glTranslatef(10.0f + 50.0f * (float)i, 10.0f + 110.0f * (float)pass, 0);
            gl.glColor4f((float)i / 12.0f, 1.0f - (float)i / 12.0f, (float)pass, 1);
            gl.glCallList(list);
            gl.glTranslatef(0, 50, 0);
            gl.glShadeModel(i & 1 ? GL_FLAT : GL_SMOOTH);
            gl.glBegin(GL_TRIANGLES);
            gl.glColor4f(1, 1, 1, 1);
            gl.glVertex2f(0, 0);
            gl.glColor4f(0, 0, 1, 1);
            gl.glVertex2f(40, 0);
            gl.glColor4f(1, 0, 0, 1);
            gl.glVertex2f(20, 40);
            gl.glEnd();
            gl.glColor4f(1, 1, 0, 1);
            gl.glRasterPos2f(5, 50);
            gl.glBitmap(8, 8, 0, 0, 10, 0, glyph);
            gl.glPopMatrix();
        }
    }
    // The top 256 rows of the left half into a texture, drawn below them.
    GLuint t = 0;
    gl.glGenTextures(1, &t);
    gl.glBindTexture(GL_TEXTURE_2D, t);
    gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 224, 256, 256);
    gl.glEnable(GL_TEXTURE_2D);
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    gl.glLoadIdentity();
    gl.glBegin(GL_QUADS);
    gl.glTexCoord2f(0, 1);
    gl.glVertex2f(320, 224);
    gl.glTexCoord2f(1, 1);
    gl.glVertex2f(576, 224);
    gl.glTexCoord2f(1, 0);
    gl.glVertex2f(576, 480);
    gl.glTexCoord2f(0, 0);
    gl.glVertex2f(320, 480);
    gl.glEnd();
}

TEST(Gl11, StateChangingBetweenListsTrianglesGlyphsAndCopies)
{
    expect_alike(interleaved, "interleaved");
}

// A list giving a colour per primitive, drawn as one, and between its
// primitives a call of a list without colours of its own, which takes the
// colour current at that point; after the list, its last colour is current.
static void colours_in_a_list(const Api &gl)
{
    gl.glMatrixMode(GL_PROJECTION);
    gl.glOrtho(0, 640, 480, 0, -1, 1);
    gl.glMatrixMode(GL_MODELVIEW);
    GLuint plain = gl.glGenLists(2), mesh = plain + 1;
    gl.glNewList(plain, GL_COMPILE);
    gl.glBegin(GL_TRIANGLES);
    gl.glVertex2f(0, 300);
    gl.glVertex2f(60, 300);
    gl.glVertex2f(30, 360);
    gl.glEnd();
    gl.glEndList();
    gl.glNewList(mesh, GL_COMPILE);
    for (int i = 0; i < 10; ++i) {
        gl.glColor4f((float)i / 10.0f, 0.5f, 1.0f - (float)i / 10.0f, 1);
        gl.glBegin(GL_TRIANGLES);
        gl.glVertex2f(10.0f + 60.0f * (float)i, 10);
        gl.glColor4f(1, 1, (float)i / 10.0f, 1);
        gl.glVertex2f(60.0f + 60.0f * (float)i, 10);
        gl.glVertex2f(35.0f + 60.0f * (float)i, 200);
        gl.glEnd();
        if (i == 4 || i == 7) {
            gl.glColor4f(0.2f, 0.9f, 0.3f + 0.1f * (float)i, 1);
            gl.glPushMatrix();
            gl.glTranslatef(70.0f * (float)i, 0, 0);
            gl.glCallList(plain);
            gl.glPopMatrix();
        }
    }
    gl.glEndList();
    gl.glCallList(mesh);
    gl.glTranslatef(0, 100, 0);
    gl.glCallList(plain);  // the mesh's last colour
}

TEST(Gl11, ColoursPerPrimitiveInAListAroundCallsThatReadTheColour)
{
    expect_alike(colours_in_a_list, "colours");
}
