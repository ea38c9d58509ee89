// win32_window.h - the Win32 window, its OpenGL context and its messages.
//
//   win32_register_class();                         // once, before a window
//   win32_window_open(640, 480, 0, "title", 1);     // 1: visible, 0: hidden
//   win32_pump_events(handler);                     // every frame
//   win32_window_swap();
//   win32_window_close(); win32_unregister_class();
//
// One window at a time, of the class "morrowgladesintrosystem", with a
// double-buffered RGBA pixel format (32-bit colour, 16-bit depth) and a
// current WGL context. Escape and closing the window reach the handler of
// the latest pump as PLATFORM_EVENT_ESCAPE and PLATFORM_EVENT_CLOSE.
#pragma once

#include <cstdint>

#include "platform/platform.h"

extern const char *const WIN32_WINDOW_CLASS;

int win32_register_class();
void win32_unregister_class();

// The styles of a window: with caption and system menu, or a bare topmost
// popup covering a fullscreen display mode.
uint32_t win32_window_style(int fullscreen);
uint32_t win32_window_ex_style(int fullscreen);

int win32_window_open(int width, int height, int fullscreen, const char *title, int visible);
void win32_window_close();
void win32_window_swap();
// The display's refresh rate as the window's device context reports it
// (0 or 1 stand for the hardware's default rate: unknown).
double win32_refresh_rate();
void win32_pump_events(PlatformEventHandler handler);
// The open window (an HWND), null when none: owner of message boxes.
void *win32_window_handle();
