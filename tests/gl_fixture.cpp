// gl_fixture.cpp - see gl_fixture.h.
#include "gl_fixture.h"

#include <cstdlib>
#include <cstring>

#include "base/window.h"
#include "platform/capture/capture_platform.h"
#include "platform/gl.h"
#include "support/png_write.h"
#include "text/text.h"

Rgba Picture::at(int x, int y) const
{
    const uint8_t *p = &rgba[((size_t)y * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

int Picture::count_lit(int x0, int y0, int x1, int y1) const
{
    int lit = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            Rgba c = at(x, y);
            lit += (c.r | c.g | c.b) != 0;
        }
    return lit;
}

int Picture::lit_column(int from, int step, int y0, int y1) const
{
    for (int x = from; x >= 0 && x < width; x += step)
        if (count_lit(x, y0, x + 1, y1))
            return x;
    return -1;
}

int test_gl_open()
{
    static int state = -1;
    if (state >= 0)
        return state;
    CaptureConfig config = {};
    config.fps = 60;
    platform_capture_bootstrap(&platform, &config);
    register_window_class();
    state = window_create(640, 480, 32, 0, "frostmere test") ? 1 : 0;
    return state;
}

Picture read_back()
{
    Picture picture = {640, 480, std::vector<uint8_t>(640 * 480 * 4)};
    std::vector<uint8_t> bottom_up(640 * 480 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, bottom_up.data());
    for (int y = 0; y < 480; ++y)
        memcpy(&picture.rgba[(size_t)y * 640 * 4], &bottom_up[(size_t)(479 - y) * 640 * 4],
               640 * 4);
    return picture;
}

void GlTest::SetUpTestSuite()
{
    ASSERT_EQ(test_gl_open(), 1) << "no offscreen OpenGL context";
}

void GlTest::SetUp()
{
    ASSERT_EQ(test_gl_open(), 1);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

int test_fonts_create(int all)
{
    if (font_count == 0 && !font_create(40, 40, "Arial"))
        return 0;
    if (all && font_count == 1 && !fonts_create())
        return 0;
    return font_count >= (all ? 4 : 1);
}

void save_picture_if_asked(const Picture &p, const std::string &name)
{
    if (const char *dir = getenv("FM_PICTURES"))
        png_write_rgba((std::string(dir) + "/" + name).c_str(), p.rgba.data(), p.width, p.height, 0);
}

void GlTextTest::SetUpTestSuite()
{
    GlTest::SetUpTestSuite();
    ASSERT_EQ(test_fonts_create(1), 1);
}
