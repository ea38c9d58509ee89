// platform.h - the services the intro needs from the machine it runs on.
//
// The rest of the program never includes a system header: it reaches the
// window, the clock, message boxes, glyph rasterising and sound through the
// one process-wide table `platform`, filled by a backend's bootstrap function
// before anything else runs:
//
//   platform_desktop_bootstrap(&platform);     // a window on the desktop
//   platform_capture_bootstrap(&platform, &c); // offscreen, frame-exact
//
// A bootstrap starts from platform_defaults() and sets only what its backend
// has, so every entry can always be called. The desktop backend is SDL2 on
// Linux and Win32 on Windows; the build picks the one for its system.
// OpenGL itself is called directly, through "platform/gl.h".
// Every entry reports success as 1 and failure as 0 unless it says otherwise.
#pragma once

#include <cstdint>

enum PlatformAnswer {
    PLATFORM_ANSWER_FAILED = 0,
    PLATFORM_ANSWER_YES = 6,  // the values of IDYES and IDNO, which callers test
    PLATFORM_ANSWER_NO = 7,
};

enum PlatformEvent {
    PLATFORM_EVENT_ESCAPE = 1,  // the Escape key went down
    PLATFORM_EVENT_CLOSE = 2,   // the window was closed
};

typedef void (*PlatformEventHandler)(int event);

struct Platform {
    const char *name;
    // 1 when sound runs in virtual time: the backend moves the play position
    // itself, once per presented frame, and runs the player's cycle right
    // after (see audio_set_cycle). 0: sound plays in real time and the
    // player runs its own thread.
    int audio_virtual_time;

    // Brings the backend up (video subsystem, font library). Called once.
    int (*init)(void);
    // Releases what init took. Safe after a failed init.
    void (*shutdown)(void);

    // A Yes/No question before any window exists: PLATFORM_ANSWER_*.
    int (*ask_yes_no)(const char *caption, const char *text);
    // A message with an OK button; blocks until dismissed.
    void (*message_box)(const char *caption, const char *text);

    // 1 when the display can run width x height at bits per pixel; the mode
    // takes effect when a fullscreen window opens.
    int (*set_display_mode)(int width, int height, int bits);
    // Puts the desktop mode back after a fullscreen window has closed.
    void (*restore_display_mode)(void);

    // Opens the double-buffered RGBA window (depth >= 16 bits) and makes a
    // compatibility OpenGL context current on the calling thread.
    int (*window_open)(int width, int height, int fullscreen, const char *title);
    // Releases the context and destroys the window. Safe when none is open.
    void (*window_close)(void);
    void (*show_cursor)(int visible);
    // The display's refresh rate in Hz, 0 when unknown.
    double (*refresh_rate)(void);
    // Presents the back buffer.
    void (*swap_buffers)(void);
    // Delivers pending input as PLATFORM_EVENT_* to handler; never blocks.
    void (*pump_events)(PlatformEventHandler handler);

    // Monotonic high-resolution counter and its ticks per second.
    int64_t (*counter)(void);
    int64_t (*counter_frequency)(void);
    // Sleeps ms milliseconds; 0 yields the rest of the time slice.
    void (*sleep_ms)(uint32_t ms);

    // Records bitmap glyphs of a font face as display lists list_base + c for
    // codes c = first .. first + count - 1 (Windows-1252), each glyph drawn at
    // the raster position and advancing it, as wglUseFontBitmaps does. height
    // is the cell height in pixels (ascent + descent), weight as GDI's.
    // 0 when the face cannot be found.
    int (*font_bitmaps)(const char *face, int height, int weight,
                        uint32_t first, uint32_t count, uint32_t list_base);

    // Sound output: 16-bit signed stereo PCM at rate Hz. 0 when no device
    // can be opened; the reason is on stderr.
    int (*audio_open)(int rate);
    // Plays bytes of pcm from its start in an endless loop, from now on. The
    // buffer stays in use until audio_reset or audio_close.
    void (*audio_play_loop)(const void *pcm, uint32_t bytes);
    // Bytes played since audio_play_loop, counted as heard; never wraps.
    uint64_t (*audio_bytes_played)(void);
    // Stops playing and lets go of the buffer; the device stays open.
    void (*audio_reset)(void);
    // Stops playing and closes the device. Safe when none is open.
    void (*audio_close)(void);
    // Only where audio_virtual_time is 1: keeps cycle and calls it once per
    // presented frame, after the play position has moved; null forgets it.
    void (*audio_set_cycle)(void (*cycle)(void));
    // Runs body on a new thread at the highest priority granted, with the
    // finest timer resolution the system offers for its sleeps; null when no
    // thread can be started.
    void *(*thread_start)(int (*body)(void));
    // Waits until the thread's body has returned, then releases the thread.
    void (*thread_wait)(void *thread);
};

// The backend in use; all of its entries are set once bootstrapped.
extern Platform platform;

// Gives every entry a safe default: no window, no sound device, no fonts
// (each says so on stderr), questions answered No, messages on stderr, and
// the C++ library's steady clock, sleep and threads.
void platform_defaults(Platform *p);

// Fills the table with this system's desktop backend.
int platform_desktop_bootstrap(Platform *p);
// The same backend with an invisible window, for the offscreen capture
// backend, which takes its window, context, glyphs and threads from it.
int platform_offscreen_bootstrap(Platform *p);
