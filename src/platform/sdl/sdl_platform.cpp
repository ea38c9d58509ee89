// sdl_platform.cpp - the desktop backend on SDL2 (Linux).
//
// platform_desktop_bootstrap() fills the platform table with SDL's window,
// message boxes, input, counter and sound, and FreeType glyphs;
// platform_offscreen_bootstrap() the window on SDL's offscreen driver (Mesa,
// no display server), glyphs and threads for the capture backend. Where a message box
// cannot be shown (no display), its caption and text go to stderr and a
// question is answered No, so a user in a terminal sees why nothing opened.
#include <SDL2/SDL.h>
#include <cstdio>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/freetype/ft_glyphs.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_window.h"
#include "support/report.h"

// SDL falls back to its offscreen driver when there is no display; the intro
// would then play to nobody. Only a driver asked for by name may be headless.
static int sdl_display_is_real()
{
    const char *driver = SDL_GetCurrentVideoDriver();
    if (!driver || SDL_getenv("SDL_VIDEODRIVER"))
        return 1;
    return SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0;
}

// Mesa's software renderer allocates and frees 64 KB blocks for every draw
// it bins, and each bitmap glyph is a draw of its own. glibc hands the
// heap's top back to the system whenever the free part passes the trim
// threshold and faults it in again on the next draw: on a screen of text
// that cost ten times the drawing. Keeping up to 64 MB of freed memory, and
// growing the heap 16 MB at a time, stops the churn; the pictures are the
// same.
static void keep_freed_memory()
{
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TOP_PAD, 16 * 1024 * 1024);
#endif
}

static int sdl_init()
{
    keep_freed_memory();
    if (!sdl_video_init(nullptr))
        return 0;
    if (!sdl_display_is_real()) {
        report("no display found (frostmere-capture renders offscreen)");
        sdl_video_shutdown();
        return 0;
    }
    return ft_glyphs_init();
}

static void sdl_shutdown()
{
    ft_glyphs_shutdown();
    sdl_video_shutdown();
    SDL_Quit();
}

static int sdl_ask_yes_no(const char *caption, const char *text)
{
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, PLATFORM_ANSWER_YES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, PLATFORM_ANSWER_NO, "No"},
    };
    SDL_MessageBoxData box = {};
    box.flags = SDL_MESSAGEBOX_INFORMATION;
    box.title = caption;
    box.message = text;
    box.numbuttons = 2;
    box.buttons = buttons;
    int answer = 0;
    if (SDL_ShowMessageBox(&box, &answer) != 0) {
        fprintf(stderr, "%s: %s (no display to ask on: answering No)\n", caption, text);
        return PLATFORM_ANSWER_NO;
    }
    // Closing the box without a button answers nothing; the caller asks again.
    return answer == PLATFORM_ANSWER_YES || answer == PLATFORM_ANSWER_NO ? answer
                                                                          : PLATFORM_ANSWER_FAILED;
}

static void sdl_message_box(const char *caption, const char *text)
{
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) != 0)
        fprintf(stderr, "%s: %s\n", caption, text);
}

static int sdl_set_display_mode(int width, int height, int bits)
{
    SDL_DisplayMode want = {};
    SDL_DisplayMode got;
    want.w = width;
    want.h = height;
    if (!SDL_GetClosestDisplayMode(0, &want, &got))
        return 0;
    return got.w == width && got.h == height && (int)SDL_BITSPERPIXEL(got.format) >= bits - 8;
}

static void sdl_restore_display_mode()
{
    // SDL puts the desktop mode back when the fullscreen window goes.
}

static void sdl_show_cursor(int visible)
{
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

static void sdl_pump_events(PlatformEventHandler handler)
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT ||
            (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE))
            handler(PLATFORM_EVENT_CLOSE);
        else if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE)
            handler(PLATFORM_EVENT_ESCAPE);
    }
}

static int64_t sdl_counter()
{
    return (int64_t)SDL_GetPerformanceCounter();
}

static int64_t sdl_counter_frequency()
{
    return (int64_t)SDL_GetPerformanceFrequency();
}

static void sdl_sleep_ms(uint32_t ms)
{
    SDL_Delay(ms);  // SDL_Delay(0) yields the time slice
}

static int sdl_offscreen_init()
{
    keep_freed_memory();
    if (!sdl_video_init("offscreen"))
        return 0;
    return ft_glyphs_init();
}

static void sdl_offscreen_shutdown()
{
    ft_glyphs_shutdown();
    sdl_video_shutdown();
}

// What both variants share: the window and context, input, time, glyphs
// and threads.
static void fill_common(Platform *p)
{
    platform_defaults(p);
    p->window_open = sdl_window_open;
    p->window_close = sdl_window_close;
    p->swap_buffers = sdl_window_swap;
    // Once video is up SDL also turns SIGINT and SIGTERM into a quit event.
    p->pump_events = sdl_pump_events;
    p->counter = sdl_counter;
    p->counter_frequency = sdl_counter_frequency;
    p->sleep_ms = sdl_sleep_ms;
    p->font_bitmaps = ft_glyphs_record;
    p->thread_start = sdl_thread_start;
    p->thread_wait = sdl_thread_wait;
}

int platform_offscreen_bootstrap(Platform *p)
{
    fill_common(p);
    p->name = "sdl-offscreen";
    p->init = sdl_offscreen_init;
    p->shutdown = sdl_offscreen_shutdown;
    return 1;
}

int platform_desktop_bootstrap(Platform *p)
{
    fill_common(p);
    p->name = "sdl";
    p->init = sdl_init;
    p->shutdown = sdl_shutdown;
    p->ask_yes_no = sdl_ask_yes_no;
    p->message_box = sdl_message_box;
    p->set_display_mode = sdl_set_display_mode;
    p->restore_display_mode = sdl_restore_display_mode;
    p->show_cursor = sdl_show_cursor;
    p->refresh_rate = sdl_display_refresh_rate;
    p->audio_open = sdl_audio_open;
    p->audio_play_loop = sdl_audio_play_loop;
    p->audio_bytes_played = sdl_audio_bytes_played;
    p->audio_reset = sdl_audio_reset;
    p->audio_close = sdl_audio_close;
    return 1;
}
