// text_draw.cpp - the plain and the jittered text drawer (see text.h).
#include <cstring>

#include "platform/gl.h"
#include "support/crt_rand.h"
#include "text/text.h"

const GlyphBoxColour GLYPH_BOX_COLOURS[GLYPH_BOX_COLOUR_COUNT] = {
    {{0.8f, 0.0f, 0.1f, 1.0f}, {1, 1, 1, 1}},
    {{1.0f, 1.0f, 1.0f, 1.0f}, {0, 0, 0, 1}},
    {{0.1f, 0.4f, 0.8f, 1.0f}, {1, 1, 1, 1}},
    {{0.0f, 0.0f, 0.0f, 1.0f}, {1, 1, 1, 1}},
    {{0.9f, 0.5f, 0.0f, 1.0f}, {1, 1, 1, 1}},
    {{0.5f, 0.5f, 0.0f, 1.0f}, {1, 1, 1, 1}},
};

// The float nearest to 1/32767: the largest shift is exactly 5 pixels.
static const float INV_RAND_MAX = 1.0f / 32767.0f;

static void begin_pixel_space()
{
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, 640, 480, 0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

static void end_pixel_space()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}

void draw_text(int x, int y, const char *text, int font)
{
    if (font < 0 || font >= font_count || !text)
        return;
    begin_pixel_space();
    GLint saved_base;
    glGetIntegerv(GL_LIST_BASE, &saved_base);
    glListBase(font_list_base(font));
    glRasterPos2f((float)x + 0.5f, (float)y + 0.5f);
    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    glCallLists((GLsizei)strlen(text), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
    glListBase((GLuint)saved_base);
    end_pixel_space();
}

void draw_glyph_box(float gx, float gy)
{
    const GlyphBoxColour &colour = GLYPH_BOX_COLOURS[crt_rand() % GLYPH_BOX_COLOUR_COUNT];
    glShadeModel(GL_FLAT);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glColor4fv(colour.box);

    float x0 = gx - 2, y0 = gy - 22;
    float x1 = x0 + 29, y1 = y0 + 22;
    int a[4], b[4];
    for (int &v : a)
        v = crt_rand() % 5;
    for (int &v : b)
        v = crt_rand() % 5;
    glBegin(GL_QUADS);
    glVertex2f(x0 - a[0], y0 - b[0]);
    glVertex2f(x1 + a[1], y0 - b[1]);
    glVertex2f(x1 + a[2], y1 + b[2]);
    glVertex2f(x0 - a[3], y1 + b[3]);
    glEnd();
    // The next raster position takes this as the glyph's colour.
    glColor4fv(colour.text);
}

void draw_text_jitter(int x, int y, const char *text, uint32_t seed, int boxes)
{
    // Without a font there is nothing to pick from (and nothing to divide by).
    if (font_count <= 0 || !text)
        return;
    crt_srand(seed);
    begin_pixel_space();
    GLint saved_base;
    glGetIntegerv(GL_LIST_BASE, &saved_base);
    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    for (int k = 0; text[k]; ++k) {
        unsigned char character = (unsigned char)text[k];
        glListBase(font_list_base(crt_rand() % font_count));
        float gx = (float)(k * GLYPH_ADVANCE + x) + 0.5f;
        float gy = (float)y + 0.5f + 5.0f * (float)crt_rand() * INV_RAND_MAX;
        if (boxes && character != ' ')
            draw_glyph_box(gx, gy);
        glRasterPos2f(gx, gy);
        glCallLists(1, GL_UNSIGNED_BYTE, &character);
    }
    glPopAttrib();
    glListBase((GLuint)saved_base);
    end_pixel_space();
}
