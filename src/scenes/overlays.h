// overlays.h - full-frame 2-D layers laid over the 3-D scenes.
//
// layer_fade_veil darkens the frame by a veil that opens in order 0 and
// closes in order 8; layer_frame_mask draws a black cross and the black
// mask_texture (geometry/trees.h) over the picture. Both are timeline layers.
#pragma once

// A textured quad over the whole 640x480 frame, its own glBegin/glEnd; uv
// holds (s, t) for the top left, top right, bottom right and bottom left.
void textured_frame_quad(const float uv[8]);
extern const float WHOLE_TEXTURE[8];

extern float veil;  // 0 = black frame, 1 = frame unchanged

void layer_fade_veil(int order, int row, int entry_start, int elapsed_ms, int frame_ms);
void layer_frame_mask(int order, int row, int entry_start, int elapsed_ms, int frame_ms);
