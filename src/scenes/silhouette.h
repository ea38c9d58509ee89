// silhouette.h - the robot silhouette scene: the black robot fills the
// shaking frame, its eyes glow a pulsing red and its mouth flashes white on
// chosen rows, over a swinging, mirroring backdrop and a spinning cut-out
// overlay pattern.
//
//   image_textures_build();        // precalc: the textures it draws with
//   layer_robot_silhouette(order, row, entry_start, elapsed_ms, frame_ms);
//
// A timeline layer, purely 2-D. Each call draws two crt_rand() values for
// the shake without reseeding. Its clocks and flash are process-wide, never
// reset, and visible here so tests can set up a moment of the run.
#pragma once

constexpr float SILHOUETTE_TURN = 6.2831855f;

extern float backdrop_angle;  // radians; the backdrop's texture window
extern float overlay_angle;   // radians; the overlay's texture coordinates
extern float glow_angle;      // radians; the eyes' red pulse
extern float flash;           // the mouth's brightness, 0 to 1
extern int flash_last_row;    // the last row seen in a flashing order

struct SilhouetteFrame {
    float glow;   // red of the eyes, 0.2 to 1.0
    float flash;  // grey of the mouth, 0 to 1
};

// Advances the clocks and the flash by one frame; no GL. Returns what the
// frame draws with.
SilhouetteFrame silhouette_advance(int order, int row, int frame_ms);

// 1 when row is one of the rows of order on which the mouth flashes.
int is_flash_row(int order, int row);

void layer_robot_silhouette(int order, int row, int entry_start, int elapsed_ms, int frame_ms);
