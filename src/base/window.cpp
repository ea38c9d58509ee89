// window.cpp - see window.h.
#include "base/window.h"

#include <cstdlib>
#include <cstring>

#include "base/shell.h"
#include "platform/gl.h"
#include "platform/platform.h"

int fullscreen_active;
double refresh_rate;

int register_window_class()
{
    return platform.init() ? 1 : 0;
}

void unregister_window_class()
{
    platform.shutdown();
}

int set_display_mode(int width, int height, int bits)
{
    return platform.set_display_mode(width, height, bits) ? 1 : 0;
}

int window_create(int width, int height, int bits, int fullscreen_wanted, const char *title)
{
    fullscreen_active = 0;
    if (fullscreen_wanted && set_display_mode(width, height, bits)) {
        fullscreen_active = 1;
        platform.show_cursor(0);
    }
    if (!platform.window_open(width, height, fullscreen_active, title))
        return 0;
    refresh_rate = platform.refresh_rate();

    // The state every 3-D layer relies on: depth test with GL_LESS and back
    // faces culled. Clear colour and viewport keep their defaults.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    return 1;
}

void window_destroy()
{
    if (fullscreen_active)
        platform.show_cursor(1);
    platform.window_close();
    if (fullscreen_active) {
        // Give the display a moment before switching modes back.
        platform.sleep_ms(300);
        platform.restore_display_mode();
    }
    fullscreen_active = 0;
}

void window_proc(int event)
{
    if (event == PLATFORM_EVENT_CLOSE || event == PLATFORM_EVENT_ESCAPE)
        quit_requested = 1;
}

void window_pump_messages()
{
    platform.pump_events(window_proc);
}

void window_swap_buffers()
{
    platform.swap_buffers();
}

int extension_list_contains(const char *list, const char *name)
{
    if (!list || !name)
        return 0;
    size_t name_len = strlen(name);
    const char *token = list;
    for (;;) {
        const char *end = strchr(token, ' ');
        size_t len = end ? (size_t)(end - token) : strlen(token);
        if (len == name_len && memcmp(token, name, len) == 0)
            return 1;
        if (!end)
            return 0;
        token = end + 1;
    }
}

int has_gl_extension(const char *name)
{
    return extension_list_contains((const char *)glGetString(GL_EXTENSIONS), name);
}
