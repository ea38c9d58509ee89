// web_platform.cpp - the browser backend: platform_desktop_bootstrap() fills
// the table for a page (web/index.html, web/page.js) holding a canvas.
//
// The program's loops stay as they are: swap_buffers and sleep_ms unwind to
// the browser (ASYNCIFY) and come back on the next animation frame or
// timer. The start question is answered by the page's buttons, whose click
// also starts the page's audio (browsers allow sound only after a gesture).
// The player runs its cycle from swap_buffers instead of a thread (as in
// virtual time, audio_virtual_time 1), against the position the audio clock
// says is heard; the worklet gets the refreshed ring after each cycle.
// OpenGL is our layer over WebGL 2 (gl11/), drawing a 640x480 frame that
// each swap scales onto the canvas; glyphs come from canvas text, in the
// faces face_table.h names for the Windows ones.
// When the page asks for the frame-exact mode (index.html?capture=1), the
// table is the capture backend's over this one (web_capture.cpp).
#include <emscripten.h>

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <vector>

#include "platform/freetype/face_table.h"
#include "platform/platform.h"
#include "platform/web/gl11/gl11.h"

extern "C" {
void web_page_setup(void);
int web_answer(void);
int web_take_escape(void);
void web_message(const char *caption, const char *text);
double web_now_ms(void);
void web_wait_frame(void);
int web_font_available(const char *family);
int web_glyph(const char *family, int height, double squeeze, int code, uint8_t *out, int max,
              int *info);
int web_audio_ready(int rate);
void web_audio_play(const void *pcm, uint32_t bytes);
void web_audio_refresh(void);
double web_audio_heard_bytes(void);
void web_audio_stop(void);
int wgl_context_create(const char *selector);
void wgl_present(void);
void web_window_closed(void);
int web_capture_fps(void);
}

int web_capture_bootstrap(Platform *p, int fps);  // web_capture.cpp

static void (*audio_cycle)(void);
static int window_up;

static int web_init()
{
    web_page_setup();
    return 1;
}

static int web_ask_yes_no(const char *caption, const char *text)
{
    printf("%s: %s (the page's buttons answer)\n", caption, text);
    int answer;
    while ((answer = web_answer()) == 0)
        emscripten_sleep(50);
    return answer;
}

static void web_message_box(const char *caption, const char *text)
{
    web_message(caption, text);
}

// The page goes fullscreen itself when its button says so.
static int web_set_display_mode(int, int, int)
{
    return 1;
}

static int web_window_open(int width, int height, int, const char *)
{
    if (!wgl_context_create("#canvas")) {
        web_message("This browser has no WebGL 2",
                    "The intro draws with WebGL 2: open it in a current browser with hardware "
                    "acceleration turned on.");
        return 0;
    }
    if (!gl11_init(width, height)) {
        web_message("The graphics could not start",
                    "This browser's WebGL 2 did not build the intro's shaders. Try another "
                    "browser.");
        return 0;
    }
    window_up = 1;
    return 1;
}

static void web_window_close()
{
    window_up = 0;
    web_window_closed();
}

// The frame is shown when the browser gets control back: the next
// animation frame. The player renders what the listener has left behind.
static void web_swap_buffers()
{
    gl11_flush();
    wgl_present();
    if (audio_cycle) {
        audio_cycle();
        web_audio_refresh();
    }
    web_wait_frame();
}

static void web_pump_events(PlatformEventHandler handler)
{
    if (web_take_escape())
        handler(PLATFORM_EVENT_ESCAPE);
}

static int64_t web_counter()
{
    return (int64_t)(web_now_ms() * 1000.0);
}

static int64_t web_counter_frequency()
{
    return 1000000;
}

static void web_sleep_ms(uint32_t ms)
{
    emscripten_sleep(ms);
}

// A family every browser has, for a face none of whose alternatives is
// installed (a phone has no Liberation faces): text then still shows.
static const char *generic_family(const char *face)
{
    if (strcasecmp(face, "Times New Roman") == 0)
        return "serif";
    if (strcasecmp(face, "Courier New") == 0)
        return "monospace";
    return strcasecmp(face, "Impact") == 0 ? "sans-serif:style=Condensed Bold" : "sans-serif";
}

// The first alternative of face the browser has, and its horizontal scale.
static const char *pick_family(const char *face, double *squeeze)
{
    *squeeze = 1.0;
    const FaceAlternatives *alt = face_alternatives(face);
    if (!alt)
        return nullptr;
    for (int i = 0; i < 4 && alt->families[i]; ++i)
        if (web_font_available(alt->families[i])) {
            *squeeze = face_alternative_width(alt, i);
            return alt->families[i];
        }
    *squeeze = face_alternative_width(alt, 1);
    return generic_family(face);
}

static int web_font_bitmaps(const char *face, int height, int, uint32_t first, uint32_t count,
                            uint32_t list_base)
{
    double squeeze;
    const char *family = face ? pick_family(face, &squeeze) : nullptr;
    if (!family)
        return 0;
    static uint8_t alpha[512 * 256];
    std::vector<uint8_t> rows;
    GLint alignment;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t code = first + i < 256 ? cp1252_to_unicode((uint8_t)(first + i)) : first + i;
        int info[5] = {};
        int drawn = code ? web_glyph(family, height, squeeze, (int)code, alpha, (int)sizeof alpha,
                                     info)
                         : 0;
        glNewList(list_base + i, GL_COMPILE);
        if (!drawn) {
            static const GLubyte empty[1] = {0};
            glBitmap(1, 1, 0.0f, 0.0f, (GLfloat)info[4], 0.0f, empty);
        } else {
            int w = info[0], h = info[1], row_bytes = (w + 7) / 8;
            rows.assign((size_t)row_bytes * h, 0);
            // Top-down coverage to bottom-up bits, set where at least half covered.
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (alpha[y * w + x] >= 128)
                        rows[(size_t)(h - 1 - y) * row_bytes + x / 8] |= (uint8_t)(0x80 >> (x % 8));
            glBitmap(w, h, (GLfloat)-info[2], (GLfloat)(h - info[3]), (GLfloat)info[4], 0.0f,
                     rows.data());
        }
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return 1;
}

static int web_audio_open(int rate)
{
    for (int waited = 0; waited < 5000; waited += 20) {
        int ready = web_audio_ready(rate);
        if (ready == 1)
            return 1;
        if (ready < 0)
            break;
        emscripten_sleep(20);
    }
    fprintf(stderr, "sound: the page has no audio output\n");
    return 0;
}

static void web_audio_play_loop(const void *pcm, uint32_t bytes)
{
    web_audio_play(pcm, bytes);
}

static uint64_t web_bytes_played()
{
    return (uint64_t)web_audio_heard_bytes();
}

static void web_audio_reset()
{
    web_audio_stop();
}

static void web_audio_set_cycle(void (*cycle)(void))
{
    audio_cycle = cycle;
}

// The page's own table, for real time.
static int web_bootstrap(Platform *p)
{
    platform_defaults(p);
    p->name = "web";
    p->audio_virtual_time = 1;  // the cycle runs at each swap; there are no threads
    p->init = web_init;
    p->ask_yes_no = web_ask_yes_no;
    p->message_box = web_message_box;
    p->set_display_mode = web_set_display_mode;
    p->window_open = web_window_open;
    p->window_close = web_window_close;
    p->swap_buffers = web_swap_buffers;
    p->pump_events = web_pump_events;
    p->counter = web_counter;
    p->counter_frequency = web_counter_frequency;
    p->sleep_ms = web_sleep_ms;
    p->font_bitmaps = web_font_bitmaps;
    p->audio_open = web_audio_open;
    p->audio_play_loop = web_audio_play_loop;
    p->audio_bytes_played = web_bytes_played;
    p->audio_reset = web_audio_reset;
    p->audio_close = web_audio_reset;
    p->audio_set_cycle = web_audio_set_cycle;
    return 1;
}

int platform_desktop_bootstrap(Platform *p)
{
    int fps = web_capture_fps();
    return fps > 0 ? web_capture_bootstrap(p, fps) : web_bootstrap(p);
}

// The table the capture backend starts from: the page's.
int platform_offscreen_bootstrap(Platform *p)
{
    return web_bootstrap(p);
}
