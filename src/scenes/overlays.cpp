// overlays.cpp - the fade veil and the frame mask layers. See overlays.h.
#include "scenes/overlays.h"

#include "geometry/trees.h"
#include "platform/gl.h"

float veil = 0.0f;

static const float FADE_IN_PER_SECOND = 0.275f;
static const float FADE_OUT_PER_SECOND = 1.5f;

static void ortho_frame()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

static void full_frame_quad()
{
    glVertex2f(0, 0);
    glVertex2f(640, 0);
    glVertex2f(640, 480);
    glVertex2f(0, 480);
}

const float WHOLE_TEXTURE[8] = {0, 0, 1, 0, 1, 1, 0, 1};

void textured_frame_quad(const float uv[8])
{
    glBegin(GL_QUADS);
    glTexCoord2f(uv[0], uv[1]), glVertex2f(0, 0);
    glTexCoord2f(uv[2], uv[3]), glVertex2f(640, 0);
    glTexCoord2f(uv[4], uv[5]), glVertex2f(640, 480);
    glTexCoord2f(uv[6], uv[7]), glVertex2f(0, 480);
    glEnd();
}

void layer_fade_veil(int order, int row, int, int, int frame_ms)
{
    if (order != 0 && order != 8)
        return;
    const float seconds = (float)frame_ms * 0.001f;
    if (order == 0) {
        veil += seconds * FADE_IN_PER_SECOND;
        // The scene stays black until the song's intro has played half an
        // order, whatever time has gone by.
        if (row < 32)
            veil = 0.0f;
        else if (veil > 1.0f)
            veil = 1.0f;
    } else {
        if (row < 40) {
            veil = 1.0f;
            return;
        }
        veil -= seconds * FADE_OUT_PER_SECOND;
        if (!(veil >= 0.0f))
            veil = 0.0f;
    }

    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    glShadeModel(GL_FLAT);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    // Destination times the quad's alpha: the veil scales the frame without
    // needing to know its colours.
    glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA);
    glEnable(GL_BLEND);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    ortho_frame();
    glBegin(GL_QUADS);
    glColor4f(0.0f, 0.0f, 0.0f, veil);
    full_frame_quad();
    glEnd();
    glPopAttrib();
}

void layer_frame_mask(int, int, int, int, int)
{
    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    glShadeModel(GL_SMOOTH);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    ortho_frame();
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);

    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glLineWidth(8.0f);
    glBegin(GL_LINES);
    glVertex2f(320, 0);
    glVertex2f(320, 480);
    glVertex2f(0, 240);
    glVertex2f(640, 240);
    glEnd();

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, mask_texture);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    textured_frame_quad(WHOLE_TEXTURE);
    glDisable(GL_BLEND);
    glPopAttrib();
}
