// win32_window.cpp - see win32_window.h.
#include "platform/win32/win32_window.h"

#include <windows.h>

#include <cstdio>

#include "platform/gl.h"
#include "support/report.h"

const char *const WIN32_WINDOW_CLASS = "morrowgladesintrosystem";

static HINSTANCE instance;
static HWND window;
static HDC device_context;
static HGLRC gl_context;
static int class_registered;
static PlatformEventHandler event_handler;

static void raise_event(int event)
{
    if (event_handler)
        event_handler(event);
}

static LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CLOSE:
        // The window goes when the program tears it down, after its context:
        // until then frames may still be drawn into it.
        raise_event(PLATFORM_EVENT_CLOSE);
        return 0;
    case WM_DESTROY:
        raise_event(PLATFORM_EVENT_CLOSE);
        PostQuitMessage(0);
        break;
    case WM_KEYDOWN:
        if (wparam == VK_ESCAPE) {
            raise_event(PLATFORM_EVENT_ESCAPE);
            PostQuitMessage(0);
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

int win32_register_class()
{
    if (class_registered)
        return 1;
    instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = WIN32_WINDOW_CLASS;
    if (!RegisterClassA(&wc)) {
        report("the window class could not be registered (error %lu)",
               (unsigned long)GetLastError());
        return 0;
    }
    class_registered = 1;
    return 1;
}

void win32_unregister_class()
{
    if (class_registered)
        UnregisterClassA(WIN32_WINDOW_CLASS, instance);
    class_registered = 0;
}

uint32_t win32_window_style(int fullscreen)
{
    return fullscreen ? WS_POPUP | WS_VISIBLE : WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
}

uint32_t win32_window_ex_style(int fullscreen)
{
    return fullscreen ? WS_EX_TOPMOST : 0;
}

// 32-bit colour, 16-bit depth, double-buffered, whatever the display runs.
static int set_pixel_format(HDC dc)
{
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(dc, &pfd);
    return format != 0 && SetPixelFormat(dc, format, &pfd);
}

int win32_window_open(int width, int height, int fullscreen, const char *title, int visible)
{
    if (!class_registered && !win32_register_class())
        return 0;
    DWORD style = win32_window_style(fullscreen);
    DWORD ex_style = win32_window_ex_style(fullscreen);
    if (!visible)
        style &= ~(DWORD)WS_VISIBLE;
    RECT rect = {0, 0, width, height};
    AdjustWindowRect(&rect, style, FALSE);
    window = CreateWindowExA(ex_style, WIN32_WINDOW_CLASS, title, style, CW_USEDEFAULT,
                             CW_USEDEFAULT, rect.right - rect.left, rect.bottom - rect.top,
                             nullptr, nullptr, instance, nullptr);
    if (!window) {
        report("the window could not be created (error %lu)", (unsigned long)GetLastError());
        return 0;
    }
    device_context = GetDC(window);
    if (!device_context) {
        report("the window has no device context");
        return 0;
    }
    if (!set_pixel_format(device_context))
        report("no 32-bit OpenGL pixel format with a depth buffer");
    gl_context = wglCreateContext(device_context);
    if (!gl_context || !wglMakeCurrent(device_context, gl_context)) {
        report("no OpenGL context (error %lu)", (unsigned long)GetLastError());
        return 0;
    }
    return 1;
}

void win32_window_close()
{
    if (gl_context) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(gl_context);
        gl_context = nullptr;
    }
    if (device_context) {
        ReleaseDC(window, device_context);
        device_context = nullptr;
    }
    if (window) {
        HWND closing = window;
        window = nullptr;
        DestroyWindow(closing);
    }
}

void win32_window_swap()
{
    if (device_context)
        SwapBuffers(device_context);
}

double win32_refresh_rate()
{
    return device_context ? (double)GetDeviceCaps(device_context, VREFRESH) : 0.0;
}

void win32_pump_events(PlatformEventHandler handler)
{
    event_handler = handler;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void *win32_window_handle()
{
    return window;
}
