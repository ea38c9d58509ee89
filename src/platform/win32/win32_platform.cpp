// win32_platform.cpp - the desktop backend on Win32 (Windows, and Wine).
//
// platform_desktop_bootstrap() fills the platform table with user32's
// message boxes, window and input, GDI's display modes and fonts, WGL,
// the performance counter, and waveOut sound on a time-critical thread;
// platform_offscreen_bootstrap() an invisible window with the same context,
// fonts and threads for the capture backend.
#include <windows.h>

#include <cstdio>

#include "platform/platform.h"
#include "platform/win32/win32_audio.h"
#include "platform/win32/win32_fonts.h"
#include "platform/win32/win32_window.h"

// A GUI program has no console: started from one, it borrows its parent's,
// so the reasons it gives on stderr are seen. Where stderr already leads
// somewhere (a file, a pipe, Wine's terminal) it stays as it is.
static void borrow_parent_console()
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error && error != INVALID_HANDLE_VALUE)
        return;
    if (AttachConsole(ATTACH_PARENT_PROCESS))
        freopen("CONOUT$", "w", stderr);
}

static int win32_init()
{
    borrow_parent_console();
    return win32_register_class();
}

static void win32_shutdown()
{
    win32_window_close();
    win32_unregister_class();
}

static int win32_ask_yes_no(const char *caption, const char *text)
{
    int answer = MessageBoxA(nullptr, text, caption, MB_YESNO);
    if (answer == 0) {
        // A box that cannot be shown at all would be asked again for ever.
        fprintf(stderr, "%s: %s (the question could not be shown: answering No)\n", caption,
                text);
        return PLATFORM_ANSWER_NO;
    }
    return answer == IDYES || answer == IDNO ? answer : PLATFORM_ANSWER_FAILED;
}

static void win32_message_box(const char *caption, const char *text)
{
    if (MessageBoxA((HWND)win32_window_handle(), text, caption, MB_OK) == 0)
        fprintf(stderr, "%s: %s\n", caption, text);
}

static int win32_set_display_mode(int width, int height, int bits)
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = (DWORD)width;
    mode.dmPelsHeight = (DWORD)height;
    mode.dmBitsPerPel = (DWORD)bits;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

static void win32_restore_display_mode()
{
    ChangeDisplaySettingsA(nullptr, 0);
}

static void win32_show_cursor(int visible)
{
    ShowCursor(visible ? TRUE : FALSE);
}

static int win32_visible_window_open(int width, int height, int fullscreen, const char *title)
{
    return win32_window_open(width, height, fullscreen, title, 1);
}

static int win32_hidden_window_open(int width, int height, int, const char *title)
{
    return win32_window_open(width, height, 0, title, 0);
}

static int64_t win32_counter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

static int64_t win32_counter_frequency()
{
    LARGE_INTEGER frequency;
    return QueryPerformanceFrequency(&frequency) ? frequency.QuadPart : 0;
}

static void win32_sleep_ms(uint32_t ms)
{
    Sleep(ms);  // Sleep(0) gives up the rest of the time slice
}

// What both backends share: the class, the context, fonts, time, threads.
static void fill_common(Platform *p)
{
    platform_defaults(p);
    p->init = win32_init;
    p->shutdown = win32_shutdown;
    p->window_close = win32_window_close;
    p->swap_buffers = win32_window_swap;
    p->pump_events = win32_pump_events;
    p->counter = win32_counter;
    p->counter_frequency = win32_counter_frequency;
    p->sleep_ms = win32_sleep_ms;
    p->font_bitmaps = win32_font_bitmaps;
    p->thread_start = win32_thread_start;
    p->thread_wait = win32_thread_wait;
}

int platform_offscreen_bootstrap(Platform *p)
{
    fill_common(p);
    p->name = "win32-hidden";
    p->window_open = win32_hidden_window_open;
    return 1;
}

int platform_desktop_bootstrap(Platform *p)
{
    fill_common(p);
    p->name = "win32";
    p->ask_yes_no = win32_ask_yes_no;
    p->message_box = win32_message_box;
    p->set_display_mode = win32_set_display_mode;
    p->restore_display_mode = win32_restore_display_mode;
    p->window_open = win32_visible_window_open;
    p->show_cursor = win32_show_cursor;
    p->refresh_rate = win32_refresh_rate;
    p->audio_open = win32_audio_open;
    p->audio_play_loop = win32_audio_play_loop;
    p->audio_bytes_played = win32_audio_bytes_played;
    p->audio_reset = win32_audio_reset;
    p->audio_close = win32_audio_close;
    return 1;
}
