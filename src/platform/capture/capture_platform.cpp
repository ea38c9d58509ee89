// capture_platform.cpp - see capture_platform.h.
#include "platform/capture/capture_platform.h"
#include "platform/capture/capture_audio.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/gl.h"

static CaptureConfig capture;
static int64_t virtual_counter;
static int64_t ticks_per_frame;
static int pacing_pending;
static uint32_t frames_presented;
static uint32_t boxes_shown;
static int limit_reached;
static int window_width, window_height;
static std::vector<uint8_t> frame_pixels;
static PlatformEventHandler event_handler;  // the program's, from its first pump
static Platform host;  // the offscreen backend: window, context, glyphs, threads
static double last_swap_end;  // real seconds, for frame_cost

static int capture_ask_yes_no(const char *, const char *)
{
    return PLATFORM_ANSWER_NO;
}

static char last_caption[128];
static char last_text[512];

static void capture_message_box(const char *caption, const char *text)
{
    fprintf(stderr, "%s: %s\n", caption, text);
    snprintf(last_caption, sizeof last_caption, "%s", caption);
    snprintf(last_text, sizeof last_text, "%s", text);
    ++boxes_shown;
}

const char *capture_last_message_caption()
{
    return last_caption;
}

const char *capture_last_message_text()
{
    return last_text;
}

static int capture_window_open(int width, int height, int, const char *title)
{
    window_width = width;
    window_height = height;
    int ok = host.window_open(width, height, 0, title);
    last_swap_end = capture_real_seconds();
    return ok;
}

static double capture_refresh_rate()
{
    return (double)capture.fps;
}

// Reads the finished back buffer, flips it to top-down rows and hands it on.
static void read_frame(uint32_t frame)
{
    size_t row = (size_t)window_width * 4;
    frame_pixels.resize(row * window_height * 2);
    uint8_t *bottom_up = frame_pixels.data();
    uint8_t *top_down = bottom_up + row * window_height;
    GLint pack_alignment;
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack_alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, window_width, window_height, GL_RGBA, GL_UNSIGNED_BYTE, bottom_up);
    glPixelStorei(GL_PACK_ALIGNMENT, pack_alignment);
    for (int y = 0; y < window_height; ++y)
        memcpy(top_down + row * y, bottom_up + row * (window_height - 1 - y), row);
    capture.on_frame(frame, top_down, window_width, window_height);
}

// The frame limit reached, or a stop asked for from outside.
static int should_close()
{
    if (capture.max_frames && frames_presented >= capture.max_frames) {
        limit_reached = 1;
        return 1;
    }
    return capture.stop_requested && capture.stop_requested();
}

static void capture_swap_buffers()
{
    uint32_t frame = frames_presented;
    int read_back = capture.on_frame && (!capture.want_frame || capture.want_frame(frame));
    if (capture.frame_cost) {
        glFinish();
        capture.frame_cost(frame, capture_real_seconds() - last_swap_end);
    }
    if (read_back)
        read_frame(frame);
    host.swap_buffers();
    // Reading the pixels waited for the frame; otherwise nothing does, and
    // Mesa would keep queueing whole frames (half a megabyte each).
    if (!read_back)
        glFinish();
    if (capture.frame_cost)
        last_swap_end = capture_real_seconds();
    ++frames_presented;
    pacing_pending = 1;
    if (capture.after_frame)
        capture.after_frame(frame);
    // The window closes right after the last allowed frame, so the loops,
    // which look for a quit after presenting, end exactly there.
    if (event_handler && should_close())
        event_handler(PLATFORM_EVENT_CLOSE);
}

static void capture_pump_events(PlatformEventHandler handler)
{
    event_handler = handler;
    host.pump_events(handler);
    if (should_close())
        handler(PLATFORM_EVENT_CLOSE);
}

static int64_t capture_counter()
{
    return virtual_counter;
}

static int64_t capture_counter_frequency()
{
    return ticks_per_frame * capture.fps;
}

// The first yield after a presented frame is the pacing wait: the frame's
// whole period passes. Any further look in the same wait moves one tick on,
// so the frame ends just past its period, as on a real display.
static void capture_sleep_ms(uint32_t ms)
{
    if (ms > 0) {
        virtual_counter += (int64_t)ms * capture_counter_frequency() / 1000;
    } else if (pacing_pending) {
        virtual_counter += ticks_per_frame;
        pacing_pending = 0;
    } else {
        virtual_counter += 1;
    }
}

int platform_capture_bootstrap(Platform *p, const CaptureConfig *config)
{
    if (!config || config->fps <= 0)
        return 0;
    capture = *config;
    ticks_per_frame = 1000000;
    virtual_counter = 0;
    pacing_pending = 0;
    frames_presented = 0;
    boxes_shown = 0;
    limit_reached = 0;
    event_handler = nullptr;

    // The host keeps its init, window, context, glyphs and threads; the
    // display is never changed, and time, questions and sound are virtual.
    platform_offscreen_bootstrap(&host);
    Platform defaults;
    platform_defaults(&defaults);
    *p = host;
    p->name = "capture";
    p->ask_yes_no = capture_ask_yes_no;
    p->message_box = capture_message_box;
    p->set_display_mode = defaults.set_display_mode;
    p->restore_display_mode = defaults.restore_display_mode;
    p->show_cursor = defaults.show_cursor;
    p->window_open = capture_window_open;
    p->refresh_rate = capture_refresh_rate;
    p->swap_buffers = capture_swap_buffers;
    p->pump_events = capture_pump_events;
    p->counter = capture_counter;
    p->counter_frequency = capture_counter_frequency;
    p->sleep_ms = capture_sleep_ms;
    capture_audio_bootstrap(p, capture.fps);
    return 1;
}

double capture_real_seconds()
{
    return (double)host.counter() / (double)host.counter_frequency();
}

uint32_t capture_frames_presented()
{
    return frames_presented;
}

uint32_t capture_message_boxes_shown()
{
    return boxes_shown;
}

int capture_limit_reached()
{
    return limit_reached;
}
