// messages.h - the layers that carry the intro's messages.
//
// layer_invite_screen: the invitation over invite_texture, in jittered,
// boxed letters; the second half of each message joins at row 32.
// layer_growing_caption: the yellow "HA HA HA" / "ENTER OR THE ROBOT GETS IT"
// caption over the silhouette scene, a word more on chosen rows.
// layer_closing_message: the final screen of plain texts, faded in from
// black and out again at the end.
// All are timeline layers; pick_invite_texture is a precalc task that must
// run after textures_build.
//
//   pick_invite_texture();                       // precalc, once
//   layer_growing_caption(order, row, start, elapsed_ms, frame_ms);
//
// Each layer's state is one process-wide record that plays through once per
// run; its reset puts it back as at start, and tests set its fields to stage
// a moment of the run.
#pragma once

#include <cstdint>

constexpr int CAPTION_COUNT = 11;
extern const char *const CAPTION_TABLE[CAPTION_COUNT];

extern uint32_t invite_texture;

// layer_growing_caption: the song position last seen in any of its orders
// and the steps taken in orders 4, 7 and 8.
struct CaptionState {
    int last_position = -1;
    int steps_order4 = 0;
    int steps_order7 = 0;
    int steps_order8 = 0;
};
extern CaptionState caption_state;
void caption_reset();

// layer_closing_message: opacity of the black quad while fading in (from 1)
// and while fading out (from 0).
struct ClosingState {
    float fade_in = 1.0f;
    float fade_out = 0.0f;
};
extern ClosingState closing_state;
void closing_reset();

// The caption's text (an index into CAPTION_TABLE, -1 for none) and its x
// at (order, row), after the steps to there; no GL.
struct CaptionShown {
    int text;
    int x;
};
CaptionShown caption_advance(int order, int row);

int pick_invite_texture();

void layer_invite_screen(int order, int row, int entry_start, int elapsed_ms, int frame_ms);
void layer_growing_caption(int order, int row, int entry_start, int elapsed_ms, int frame_ms);
void layer_closing_message(int order, int row, int entry_start, int elapsed_ms, int frame_ms);
