// The fade veil's darkening at given song positions, read back from a real
// frame: black until order 0's row 32, then opening, and closing from order
// 8's row 40, clamped both ways.
#include "../gl_fixture.h"
#include "platform/gl.h"
#include "scenes/overlays.h"

namespace {

// Red of the frame's middle after the veil layer ran over a white frame.
int veiled_red(int order, int row, int frame_ms)
{
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    layer_fade_veil(order, row, 0, 0, frame_ms);
    return read_back().at(400, 300).r;
}

}  // namespace

TEST_F(GlTest, FadeVeilOpensInOrderZeroAndClosesInOrderEight)
{
    const struct {
        int order, row, frame_ms, red;
        float veil_after;
    } steps[] = {
        {0, 10, 5000, 0, 0.0f},    // black until row 32
        {0, 32, 20, 1, 0.0055f},   // then opens
        {0, 40, 10000, 255, 1.0f}, // clamped once open
        {8, 39, 100, 255, 1.0f},   // order 8 holds
        {8, 40, 100, 217, 0.85f},  // then closes
        {8, 41, 0, 217, 0.85f},    // a still frame keeps and draws the veil
        {8, 63, 5000, 0, 0.0f},
        {5, 50, 100, 255, 0.0f},   // other orders draw nothing and keep the veil
    };
    veil = 0.7f;
    for (const auto &s : steps) {
        EXPECT_NEAR(veiled_red(s.order, s.row, s.frame_ms), s.red, 1) << s.order << " " << s.row;
        EXPECT_FLOAT_EQ(veil, s.veil_after) << s.order << " " << s.row;
    }
}
