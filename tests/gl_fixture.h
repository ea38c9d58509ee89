// gl_fixture.h - a real OpenGL context for tests, offscreen (SDL's offscreen
// driver on Mesa), opened once per test process through the capture backend.
//
//   TEST_F(GlTest, Something) { ...draw...; Picture p = read_back(); p.at(x, y) }
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

struct Rgba {
    uint8_t r, g, b, a;
};

// The back buffer as top-down rows (y = 0 is the top of the frame).
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    Rgba at(int x, int y) const;
    bool operator==(const Picture &o) const { return rgba == o.rgba; }
    // Pixels that are not black in the rectangle [x0, x1) x [y0, y1).
    int count_lit(int x0, int y0, int x1, int y1) const;
    // The leftmost and rightmost columns with a lit pixel in rows [y0, y1),
    // or -1 when there is none.
    int lit_column(int from, int step, int y0, int y1) const;
    int first_lit_column(int y0 = 0, int y1 = 480) const { return lit_column(0, 1, y0, y1); }
    int last_lit_column(int y0 = 0, int y1 = 480) const { return lit_column(639, -1, y0, y1); }
};

// 1 once the window and context are up (later calls reuse them).
int test_gl_open();
Picture read_back();

// Font 0 ("Arial"), and with all set fonts 1-3 too, created once per process
// as start-up and the precalc make them. 1 on success.
int test_fonts_create(int all);
// Saves the picture as FM_PICTURES/name when that variable is set.
void save_picture_if_asked(const Picture &p, const std::string &name);

class GlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;  // clears colour and depth, resets common state
};

// A GL test with the four fonts made once for the process, as the program
// makes them.
class GlTextTest : public GlTest {
protected:
    static void SetUpTestSuite();
};
