// sdl_window.h - the SDL2 window and OpenGL context shared by the desktop and
// capture backends (the capture backend runs them on SDL's offscreen driver).
#pragma once

// Brings up SDL's video subsystem with the driver SDL picks, or the named one.
int sdl_video_init(const char *driver);
void sdl_video_shutdown();
int sdl_window_open(int width, int height, int fullscreen, const char *title);
void sdl_window_close();
void sdl_window_swap();
double sdl_display_refresh_rate();
