// messages.cpp - the invitation, the growing caption and the closing
// message. See scenes/messages.h.
#include "scenes/messages.h"

#include "platform/gl.h"
#include "scenes/overlays.h"
#include "sequencing/precalc.h"
#include "sequencing/row_trigger.h"
#include "text/text.h"
#include "textures/textures.h"

const char *const CAPTION_TABLE[CAPTION_COUNT] = {
    "HA",
    "HA HA",
    "HA HA HA",
    "EN",
    "ENTER",
    "ENTER OR",
    "ENTER OR THE",
    "ENTER OR THE RO",
    "ENTER OR THE ROBOT",
    "ENTER OR THE ROBOT GETS",
    "ENTER OR THE ROBOT GETS IT",
};

uint32_t invite_texture;

CaptionState caption_state;
ClosingState closing_state;

void caption_reset()
{
    caption_state = CaptionState{};
}

void closing_reset()
{
    closing_state = ClosingState{};
}

int pick_invite_texture()
{
    invite_texture = texture_gl_name(9);
    return 1;
}

struct JitterText {
    int x, y;
    const char *text;
    uint32_t seed;
    int from_row;  // shown from this row of each order on
};

// Each text has its own seed, so its letters and boxes hold still from
// frame to frame.
static const JitterText INVITE_DEADLINE[] = {
    {40, 100, "UpLOAd yOUr entRIeS", 775624, 0},
    {40, 150, "tO mORrOWglAdeS FtP", 7865324, 0},
    {20, 200, "By MIDnIght 19/12/06 ...", 324, 0},
    {40, 340, "OR tHe RoBOt gEts iT!", 32146578, 32},
};

static const JitterText INVITE_XMAS[] = {
    {40, 100, "It'S ALMOst", 2345234, 0},
    {140, 140, "XmAs TimE", 324324, 0},
    {280, 170, "aGAin!", 632574865, 0},
    {40, 300, "TIme fOR ...", 37486548, 32},
    {140, 340, "tHe FrOStmERe", 4736745, 32},
    {280, 370, "cOMpo 2006!", 739486, 32},
};

void layer_invite_screen(int order, int row, int, int, int)
{
    if (order < 2)
        return;
    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    setup_overlay_2d();
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glBindTexture(GL_TEXTURE_2D, invite_texture);
    textured_frame_quad(WHOLE_TEXTURE);
    glDisable(GL_TEXTURE_2D);

    const JitterText *texts = order >= 6 ? INVITE_DEADLINE : INVITE_XMAS;
    const int count = order >= 6 ? (int)(sizeof INVITE_DEADLINE / sizeof *INVITE_DEADLINE)
                                 : (int)(sizeof INVITE_XMAS / sizeof *INVITE_XMAS);
    for (int i = 0; i < count; ++i)
        if (row >= texts[i].from_row)
            draw_text_jitter(texts[i].x, texts[i].y, texts[i].text, texts[i].seed, 1);
    glPopAttrib();
}

// How the caption grows in each order it is drawn in: the rows that add a
// word, the counter that keeps them, the first row it shows on, where in
// CAPTION_TABLE its texts start and where it stands.
struct CaptionOrder {
    int order;
    int row_count;
    int rows[7];
    int *steps;
    int from_row;
    int first_text;
    int x;
};

static const CaptionOrder CAPTION_ORDERS[] = {
    {4, 2, {4, 8}, &caption_state.steps_order4, 0, 0, 260},
    {7, 2, {20, 24}, &caption_state.steps_order7, 16, 0, 260},
    {8, 7, {4, 12, 16, 20, 23, 28, 32}, &caption_state.steps_order8, 0, 3, 150},
};

CaptionShown caption_advance(int order, int row)
{
    for (const CaptionOrder &c : CAPTION_ORDERS) {
        if (c.order != order)
            continue;
        // A slow frame may pass several listed rows: a word for each. A
        // song that came back to a trigger row within the order would step
        // past the table's end; the caption stops at its last text.
        *c.steps += row_trigger(&caption_state.last_position, order, row, c.rows, c.row_count);
        if (c.first_text + *c.steps > CAPTION_COUNT - 1)
            *c.steps = CAPTION_COUNT - 1 - c.first_text;
        if (row >= c.from_row)
            return {c.first_text + *c.steps, c.x};
    }
    return {-1, 0};
}

void layer_growing_caption(int order, int row, int, int, int)
{
    const CaptionShown shown = caption_advance(order, row);
    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    setup_overlay_2d();
    glColor4f(1, 1, 0, 1);
    if (shown.text >= 0)
        draw_text(shown.x, 440, CAPTION_TABLE[shown.text], 2);
    glPopAttrib();
}

struct PlainText {
    int x, y;
    const char *text;
};

static const PlainText CLOSING_THREAT[] = {
    {260, 32, "Ha ha ha!"},
    {80, 80, "Is that a pitiful cry of distress I hear?"},
    {90, 112, "You better play the hero and enter:"},
};

static const PlainText CLOSING_FACTS[] = {
    {110, 170, "the frostmere competition 2006"},
    {110, 202, "the online pc demo competition"},
    {40, 234, "http://frostmere.morrowglades.net"},
    {50, 300, "deadline set to 19/12/2006 11:59pm AEDT!"},
    {160, 370, "... you have no choice ..."},
};

static void draw_plain(const PlainText *texts, int count)
{
    for (int i = 0; i < count; ++i)
        draw_text(texts[i].x, texts[i].y, texts[i].text, 2);
}

void layer_closing_message(int order, int row, int, int, int frame_ms)
{
    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    setup_overlay_2d();
    glColor4f(1, 0, 0, 1);
    draw_plain(CLOSING_THREAT, (int)(sizeof CLOSING_THREAT / sizeof *CLOSING_THREAT));
    glColor4f(1, 1, 1, 1);
    draw_plain(CLOSING_FACTS, (int)(sizeof CLOSING_FACTS / sizeof *CLOSING_FACTS));
    glColor4f(1, 0, 0, 1);
    draw_text(0, 458, "this message was brought to you by morrowglades", 2);

    // The quad comes after the texts so that it fades them with the frame.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float s = (float)frame_ms * 0.001f;
    float alpha = -1.0f;
    ClosingState &c = closing_state;
    if (order < 10) {
        c.fade_in -= s;
        if (c.fade_in < 0.0f)
            c.fade_in = 0.0f;
        alpha = c.fade_in;
    } else if (row >= 16) {
        c.fade_out += s;
        if (c.fade_out > 1.0f)
            c.fade_out = 1.0f;
        alpha = c.fade_out;
    }
    if (alpha >= 0.0f) {
        glColor4f(0, 0, 0, alpha);
        glBegin(GL_QUADS);
        glVertex2f(0, 0);
        glVertex2f(640, 0);
        glVertex2f(640, 480);
        glVertex2f(0, 480);
        glEnd();
    }
    glPopAttrib();
}
