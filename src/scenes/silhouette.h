// silhouette.h - the robot silhouette scene: the black robot fills the
// shaking frame, its eyes glow a pulsing red and its mouth flashes white on
// chosen rows, over a swinging, mirroring backdrop and a spinning cut-out
// overlay pattern.
//
//   image_textures_build();        // precalc: the textures it draws with
//   layer_robot_silhouette(order, row, entry_start, elapsed_ms, frame_ms);
//
// A timeline layer, purely 2-D. Each call draws two crt_rand() values for
// the shake without reseeding. Its clocks and flash are one process-wide
// record that plays through once per run; silhouette_reset() puts it back
// as at start, and tests set its fields to stage a moment of the run.
#pragma once

constexpr float SILHOUETTE_TURN = 6.2831855f;

struct SilhouetteState {
    float backdrop_angle = 0.0f;            // radians; the backdrop's texture window
    float overlay_angle = SILHOUETTE_TURN;  // radians; the overlay's texture coordinates
    float glow_angle = 0.0f;                // radians; the eyes' red pulse
    float flash = 0.0f;                     // the mouth's brightness, 0 to 1
    int flash_last_position = -1;           // song position last seen in a flashing order
};

extern SilhouetteState silhouette_state;

// The state as at start.
void silhouette_reset();

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
