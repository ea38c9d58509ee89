// precalc.cpp - see precalc.h.
#include "sequencing/precalc.h"

#include "base/arena.h"
#include "platform/gl.h"
#include "support/crt_rand.h"
#include "text/text.h"

PrecalcList *precalc_list_build_from(const PrecalcTask *table, uint32_t count)
{
    PrecalcList *list = (PrecalcList *)arena_alloc(sizeof(PrecalcList));
    if (!list)
        return nullptr;
    list->tasks = (PrecalcTask *)arena_alloc(count * (uint32_t)sizeof(PrecalcTask));
    if (!list->tasks)
        return nullptr;
    for (uint32_t i = 0; i < count; ++i)
        list->tasks[i] = table[i];
    list->count = count;
    return list;
}

void setup_overlay_2d()
{
    glShadeModel(GL_FLAT);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

static void quad(float x0, float y0, float x1, float y1)
{
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
}

void draw_loading_screen(int count, float w, int done)
{
    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    setup_overlay_2d();
    glDisable(GL_TEXTURE_2D);

    glColor4f(0.5f, 0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    quad(0.0f, 0.0f, (float)done * w, 479.0f);
    glEnd();

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    draw_text_jitter(80, 200, "PRecAlCuLoOTOrinG ...", 0xDEADBEEF, 0);
    crt_srand(0xDEADBEEF);
    uint32_t seed = (uint32_t)crt_rand();
    draw_text_jitter(80, 280, "(And STUff)", seed, 0);

    glBegin(GL_QUADS);
    for (int i = 0; i < count; ++i) {
        float x0 = (float)i * w;
        float x1 = ((float)i + 0.5f) * w;
        if (i < done)
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        else
            glColor4f(0.3f, 0.0f, 0.0f, 1.0f);
        quad(x0, 463.0f, x1, 479.0f);
        quad(x0, 0.0f, x1, 16.0f);
    }
    glEnd();
    glPopAttrib();
}
