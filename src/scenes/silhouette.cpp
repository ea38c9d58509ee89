// silhouette.cpp - the robot silhouette scene. See scenes/silhouette.h.
#include "scenes/silhouette.h"

#include <cmath>

#include "platform/gl.h"
#include "scenes/overlays.h"
#include "sequencing/row_trigger.h"
#include "support/crt_rand.h"
#include "textures/image_textures.h"

SilhouetteState silhouette_state;

void silhouette_reset()
{
    silhouette_state = SilhouetteState{};
}

struct FlashRows {
    int order;
    int count;
    int rows[8];
};

static const FlashRows FLASH_ROWS[] = {
    {4, 5, {0, 4, 8, 9, 10}},
    {7, 6, {16, 17, 20, 24, 25, 26}},
    {8, 8, {0, 4, 12, 16, 20, 23, 28, 32}},
};

static const FlashRows *flash_rows_of(int order)
{
    for (const FlashRows &f : FLASH_ROWS)
        if (f.order == order)
            return &f;
    return nullptr;
}

int is_flash_row(int order, int row)
{
    const FlashRows *f = flash_rows_of(order);
    return f && row_listed(row, f->rows, f->count);
}

SilhouetteFrame silhouette_advance(int order, int row, int frame_ms)
{
    SilhouetteState &s = silhouette_state;
    const float step = (float)frame_ms * 0.001f;
    s.backdrop_angle += step * 10.0f;
    s.overlay_angle -= step * 13.0f;
    s.glow_angle += step * 7.0f;
    // One wrap a frame is enough at any frame length the program sees.
    if (s.backdrop_angle > SILHOUETTE_TURN)
        s.backdrop_angle -= SILHOUETTE_TURN;
    if (s.glow_angle > SILHOUETTE_TURN)
        s.glow_angle -= SILHOUETTE_TURN;
    if (s.overlay_angle < 0.0f)
        s.overlay_angle += SILHOUETTE_TURN;

    // The flash jumps on the first frame at or past a listed row, then
    // decays even on the jump frame, so it never shows at full 1.0 unless
    // frame_ms is 0.
    float v = s.flash;
    const FlashRows *f = flash_rows_of(order);
    if (f && row_trigger(&s.flash_last_position, order, row, f->rows, f->count))
        v = 1.0f;
    s.flash = v - step * 5.0f;
    if (s.flash < 0.0f)
        s.flash = 0.0f;

    return {sinf(s.glow_angle) * 0.4f + 0.6f, s.flash};
}

static void full_frame_projection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
}

// The backdrop fills the frame through a texture window of width C and
// height S about the centre: it zooms, flattens to a line and comes back
// mirrored as the angle turns.
static void draw_backdrop()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, backdrop_texture);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glColor4f(1, 1, 1, 1);
    const float c = cosf(silhouette_state.backdrop_angle);
    const float s = sinf(silhouette_state.backdrop_angle);
    const float uv[8] = {0.5f - c * 0.5f,   0.5f - s * 0.5f,   (c + 1.0f) * 0.5f,
                         0.5f - s * 0.5f,   (c + 1.0f) * 0.5f, (s + 1.0f) * 0.5f,
                         0.5f - c * 0.5f,   (s + 1.0f) * 0.5f};
    textured_frame_quad(uv);
}

// The overlay shows only where texture 7 was bright. Its first and third
// corners take the sine for both coordinates, so the pattern twists as well
// as turning.
static void draw_overlay()
{
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.4f);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glScalef(2, 2, 2);
    glColor4f(1, 1, 1, 1);
    glBindTexture(GL_TEXTURE_2D, overlay_texture);
    const float c = cosf(silhouette_state.overlay_angle);
    const float s = sinf(silhouette_state.overlay_angle);
    const float uv[8] = {0.5f - s * 0.5f,   0.5f - s * 0.5f,   (c + 1.0f) * 0.5f,
                         0.5f - s * 0.5f,   (s + 1.0f) * 0.5f, (s + 1.0f) * 0.5f,
                         0.5f - c * 0.5f,   (s + 1.0f) * 0.5f};
    textured_frame_quad(uv);
    // The texture matrix is not part of the attribute stack.
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
}

// Eyes and mouth: plain quads that only the mask's cut-outs let through;
// then the mask, the black robot with its cut-outs.
static void draw_robot_cut_out(const SilhouetteFrame &frame)
{
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glColor4f(frame.glow, 0, 0, 1);
    glVertex2f(272, 132), glVertex2f(382, 132), glVertex2f(382, 260), glVertex2f(272, 260);
    glColor4f(frame.flash, frame.flash, frame.flash, 1);
    glVertex2f(272, 260), glVertex2f(382, 260), glVertex2f(382, 336), glVertex2f(272, 336);
    glEnd();

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_ALPHA_TEST);
    glBindTexture(GL_TEXTURE_2D, robot_mask_texture);
    glColor4f(0, 0, 0, 1);
    glAlphaFunc(GL_GREATER, 0.5f);
    textured_frame_quad(WHOLE_TEXTURE);
}

void layer_robot_silhouette(int order, int row, int, int, int frame_ms)
{
    const SilhouetteFrame frame = silhouette_advance(order, row, frame_ms);

    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    glShadeModel(GL_SMOOTH);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    full_frame_projection();

    // The size follows the offset, so the picture stretches a little as it
    // jumps; that is part of the shake.
    const int dx = (crt_rand() & 15) - 7;
    const int dy = (crt_rand() & 15) - 7;
    glViewport(dx, dy, dx + 640, dy + 480);

    draw_backdrop();
    draw_overlay();
    draw_robot_cut_out(frame);

    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    full_frame_projection();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, 640, 480);
    glPopAttrib();
}
