// platform.cpp - the process-wide backend table and its safe defaults (see
// platform.h). A backend without a window, fonts or sound still answers
// every call: the program then ends with a message instead of a crash.
#include "platform/platform.h"

#include <chrono>
#include <cstdio>
#include <new>
#include <thread>

#include "support/report.h"

Platform platform;

static int default_init()
{
    return 1;
}

static void default_shutdown() {}

static int default_ask_yes_no(const char *caption, const char *text)
{
    fprintf(stderr, "%s: %s (nobody to ask: answering No)\n", caption, text);
    return PLATFORM_ANSWER_NO;
}

static void default_message_box(const char *caption, const char *text)
{
    fprintf(stderr, "%s: %s\n", caption, text);
}

static int default_set_display_mode(int, int, int)
{
    return 0;
}

static void default_restore_display_mode() {}

static int default_window_open(int, int, int, const char *)
{
    report("this platform backend has no window");
    return 0;
}

static void default_window_close() {}
static void default_show_cursor(int) {}

static double default_refresh_rate()
{
    return 0.0;
}

static void default_swap_buffers() {}
static void default_pump_events(PlatformEventHandler) {}

static int64_t default_counter()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

static int64_t default_counter_frequency()
{
    return 1000000000;
}

static void default_sleep_ms(uint32_t ms)
{
    if (ms == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

static int default_font_bitmaps(const char *face, int, int, uint32_t, uint32_t, uint32_t)
{
    report("this platform backend has no fonts (asked for \"%s\")", face ? face : "");
    return 0;
}

static int default_audio_open(int)
{
    report("this platform backend has no sound output");
    return 0;
}

static void default_audio_play_loop(const void *, uint32_t) {}

static uint64_t default_audio_bytes_played()
{
    return 0;
}

static void default_audio_reset() {}
static void default_audio_close() {}
static void default_audio_set_cycle(void (*)(void)) {}

static void *default_thread_start(int (*body)(void))
{
    // The thread object is the handle; it is joined and deleted by wait.
    std::thread *thread = new (std::nothrow) std::thread(body);
    return thread;
}

static void default_thread_wait(void *thread)
{
    std::thread *t = (std::thread *)thread;
    if (!t)
        return;
    if (t->joinable())
        t->join();
    delete t;
}

void platform_defaults(Platform *p)
{
    p->name = "none";
    p->audio_virtual_time = 0;
    p->init = default_init;
    p->shutdown = default_shutdown;
    p->ask_yes_no = default_ask_yes_no;
    p->message_box = default_message_box;
    p->set_display_mode = default_set_display_mode;
    p->restore_display_mode = default_restore_display_mode;
    p->window_open = default_window_open;
    p->window_close = default_window_close;
    p->show_cursor = default_show_cursor;
    p->refresh_rate = default_refresh_rate;
    p->swap_buffers = default_swap_buffers;
    p->pump_events = default_pump_events;
    p->counter = default_counter;
    p->counter_frequency = default_counter_frequency;
    p->sleep_ms = default_sleep_ms;
    p->font_bitmaps = default_font_bitmaps;
    p->audio_open = default_audio_open;
    p->audio_play_loop = default_audio_play_loop;
    p->audio_bytes_played = default_audio_bytes_played;
    p->audio_reset = default_audio_reset;
    p->audio_close = default_audio_close;
    p->audio_set_cycle = default_audio_set_cycle;
    p->thread_start = default_thread_start;
    p->thread_wait = default_thread_wait;
}
