// window.h - the intro's single window, its display mode and GL context.
//
// register_window_class() brings the platform backend up (0 when it cannot,
// e.g. without a display; the backend says why on stderr);
// window_create() opens the 640x480 window (fullscreen when wanted and the
// display allows it, else windowed without a word), makes its GL context
// current and sets the initial GL state every 3-D layer relies on;
// window_destroy() tears it down and restores the desktop mode;
// unregister_window_class() releases the backend.
// window_proc() turns Escape and window closing into quit_requested.
#pragma once

extern int fullscreen_active;
extern double refresh_rate;

int register_window_class();
void unregister_window_class();
int window_create(int width, int height, int bits, int fullscreen_wanted, const char *title);
int set_display_mode(int width, int height, int bits);
void window_destroy();
void window_proc(int event);
void window_pump_messages();
void window_swap_buffers();

// 1 when name is one of the space-separated names of extension_list, compared
// exactly and case-sensitively; 0 for a null list.
int extension_list_contains(const char *extension_list, const char *name);
// The same test on the current context's GL_EXTENSIONS.
int has_gl_extension(const char *name);
