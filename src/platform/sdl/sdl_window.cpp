// sdl_window.cpp - see sdl_window.h.
#include "platform/sdl/sdl_window.h"

#include <SDL2/SDL.h>
#include <cstdio>

#include "support/report.h"

static SDL_Window *sdl_window;
static SDL_GLContext sdl_context;
static int sdl_video_up;

int sdl_video_init(const char *driver)
{
    if (sdl_video_up)
        return 1;
    if (driver)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        report("no display could be opened: %s", SDL_GetError());
        return 0;
    }
    sdl_video_up = 1;
    return 1;
}

void sdl_video_shutdown()
{
    sdl_window_close();
    if (sdl_video_up)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    sdl_video_up = 0;
}

int sdl_window_open(int width, int height, int fullscreen, const char *title)
{
    if (!sdl_video_up)
        return 0;
    // The intro is written for the fixed-function 1.1 API: ask for a
    // compatibility context, 32-bit colour, 16-bit depth, double buffering.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    if (fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN;
    sdl_window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  width, height, flags);
    if (!sdl_window && fullscreen) {
        // A mode the display refuses gives a window, as on the desktop.
        flags &= ~(Uint32)SDL_WINDOW_FULLSCREEN;
        sdl_window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                      width, height, flags);
    }
    if (!sdl_window) {
        report("the window could not be created: %s", SDL_GetError());
        return 0;
    }
    sdl_context = SDL_GL_CreateContext(sdl_window);
    if (!sdl_context || SDL_GL_MakeCurrent(sdl_window, sdl_context) != 0) {
        report("no OpenGL context: %s", SDL_GetError());
        return 0;
    }
    // Present at the display's pace where the driver allows it.
    SDL_GL_SetSwapInterval(1);
    return 1;
}

void sdl_window_close()
{
    if (sdl_context) {
        SDL_GL_MakeCurrent(sdl_window, nullptr);
        SDL_GL_DeleteContext(sdl_context);
        sdl_context = nullptr;
    }
    if (sdl_window) {
        SDL_DestroyWindow(sdl_window);
        sdl_window = nullptr;
    }
}

void sdl_window_swap()
{
    if (sdl_window)
        SDL_GL_SwapWindow(sdl_window);
}

double sdl_display_refresh_rate()
{
    SDL_DisplayMode mode;
    int display = sdl_window ? SDL_GetWindowDisplayIndex(sdl_window) : 0;
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0)
        return 0.0;
    return (double)mode.refresh_rate;
}
