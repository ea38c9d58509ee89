// The Win32 window on a real (Wine or Windows) desktop: its class and
// styles, its OpenGL context, the events its messages become, and glyphs
// whose blank characters still advance the raster position.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/gl.h"
#include "platform/platform.h"
#include "platform/win32/win32_window.h"

namespace {

const char *const TITLE = "frostmere window test";
std::vector<int> events;

void record_event(int event)
{
    events.push_back(event);
}

class Win32Window : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        platform_desktop_bootstrap(&platform);
        ASSERT_EQ(platform.init(), 1);
        ASSERT_EQ(platform.window_open(640, 480, 0, TITLE), 1);
    }
    static void TearDownTestSuite()
    {
        platform.window_close();
        platform.window_close();  // safe when none is open
        EXPECT_EQ(FindWindowA(WIN32_WINDOW_CLASS, TITLE), nullptr);
        platform.shutdown();
    }
    HWND window() { return FindWindowA(WIN32_WINDOW_CLASS, TITLE); }
};

TEST_F(Win32Window, HasItsClassStylesAndAnOpenGLContext)
{
    HWND hwnd = window();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(hwnd, (HWND)win32_window_handle());
    // Windows adds WS_CLIPSIBLINGS to every top-level window itself.
    uint32_t style = (uint32_t)GetWindowLongA(hwnd, GWL_STYLE) & ~(uint32_t)WS_CLIPSIBLINGS;
    EXPECT_EQ(style & 0xFFFF0000u, 0x90C80000u);
    EXPECT_EQ(win32_window_style(1), 0x90000000u);
    EXPECT_EQ(win32_window_ex_style(1), (uint32_t)WS_EX_TOPMOST);
    RECT client;
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);

    const char *extensions = (const char *)glGetString(GL_EXTENSIONS);
    ASSERT_NE(extensions, nullptr);
    EXPECT_NE(strstr(extensions, "GL_ARB_texture_cube_map"), nullptr);
    GLint depth_bits = 0;
    GLboolean double_buffered = GL_FALSE;
    glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
    glGetBooleanv(GL_DOUBLEBUFFER, &double_buffered);
    EXPECT_GE(depth_bits, 16);
    EXPECT_TRUE(double_buffered);
    EXPECT_GE(platform.refresh_rate(), 0.0);  // 0 or 1 mean "the default rate"
}

TEST_F(Win32Window, EscapeAndClosingBecomeEventsAndTheWindowStays)
{
    HWND hwnd = window();
    ASSERT_NE(hwnd, nullptr);
    events.clear();
    PostMessageA(hwnd, WM_KEYDOWN, 'A', 0);
    PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    platform.pump_events(record_event);
    EXPECT_EQ(events, (std::vector<int>{PLATFORM_EVENT_ESCAPE, PLATFORM_EVENT_CLOSE}));
    // The program tears the window down itself, after its context.
    EXPECT_TRUE(IsWindow(hwnd));
}

// The advance of one glyph list, in pixels.
float advance_of(GLuint list)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRasterPos2f(100.5f, 100.5f);
    GLfloat before[4], after[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, before);
    glCallList(list);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, after);
    return after[0] - before[0];
}

TEST_F(Win32Window, GlyphsOfBlankCharactersStillAdvance)
{
    const GLuint base = 3000;
    ASSERT_EQ(platform.font_bitmaps("Arial", 40, 40, 0, 255, base), 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    for (int code : {0x20, 0xA0}) {
        EXPECT_TRUE(glIsList(base + code)) << code;
        float space = advance_of(base + code);
        EXPECT_GT(space, 5.0f) << code;
        EXPECT_LT(space, 20.0f) << code;
    }
    EXPECT_GT(advance_of(base + 'W'), advance_of(base + ' '));
    EXPECT_FALSE(glIsList(base + 255));  // codes 0 to 254 only
    glDeleteLists(base, 255);
}

}  // namespace
