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

class Win32Window : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        platform_desktop_bootstrap(&platform);
        ASSERT_TRUE(platform.init() && platform.window_open(640, 480, 0, TITLE));
    }
    static void TearDownTestSuite()
    {
        platform.window_close();
        platform.window_close();  // safe when none is open
        EXPECT_EQ(FindWindowA(WIN32_WINDOW_CLASS, TITLE), nullptr);
        platform.shutdown();
    }
};

TEST_F(Win32Window, HasItsClassStylesAndContextAndTurnsMessagesIntoEvents)
{
    HWND hwnd = FindWindowA(WIN32_WINDOW_CLASS, TITLE);
    ASSERT_TRUE(hwnd != nullptr && hwnd == (HWND)win32_window_handle());
    // Windows adds WS_CLIPSIBLINGS to every top-level window itself.
    uint32_t style = (uint32_t)GetWindowLongA(hwnd, GWL_STYLE) & ~(uint32_t)WS_CLIPSIBLINGS;
    EXPECT_EQ(style & 0xFFFF0000u, 0x90C80000u);
    EXPECT_TRUE(win32_window_style(1) == 0x90000000u &&
                win32_window_ex_style(1) == (uint32_t)WS_EX_TOPMOST);
    RECT client;
    EXPECT_TRUE(GetClientRect(hwnd, &client) && client.right == 640 && client.bottom == 480);
    const char *extensions = (const char *)glGetString(GL_EXTENSIONS);
    EXPECT_TRUE(extensions && strstr(extensions, "GL_ARB_texture_cube_map"));
    PostMessageA(hwnd, WM_KEYDOWN, 'A', 0);
    PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    platform.pump_events([](int event) { events.push_back(event); });
    EXPECT_EQ(events, (std::vector<int>{PLATFORM_EVENT_ESCAPE, PLATFORM_EVENT_CLOSE}));
    EXPECT_TRUE(IsWindow(hwnd));  // the program tears the window down itself, after its context
}

// The advance of one glyph list, in pixels.
float advance_of(GLuint list)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
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
    for (int code : {0x20, 0xA0})
        EXPECT_TRUE(advance_of(base + code) > 5.0f && advance_of(base + code) < 20.0f) << code;
    EXPECT_GT(advance_of(base + 'W'), advance_of(base + ' '));
    EXPECT_FALSE(glIsList(base + 255));  // codes 0 to 254 only
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glDeleteLists(base, 255);
}

}  // namespace
