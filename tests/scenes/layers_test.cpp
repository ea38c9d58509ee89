// Every layer of the timeline, drawn on a real context with everything the
// precalc builds: each leaves the GL state as it found it (the next layer
// and the next frame start from the context's standing state), raises no GL
// error, and keeps its clocks and envelopes in range over long frames.
#include <vector>

#include "../gl_fixture.h"
#include "app/program.h"
#include "base/arena.h"
#include "geometry/robot.h"
#include "platform/gl.h"
#include "scenes/forest.h"
#include "scenes/forest_talk.h"
#include "scenes/messages.h"
#include "scenes/silhouette.h"

namespace {

// What a layer must give back: switches, functions, the viewport, the
// current colour and texture, and the texture matrix, which the attribute
// stack does not hold.
std::vector<float> gl_state()
{
    std::vector<float> state;
    for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_TEXTURE_2D, GL_ALPHA_TEST,
                       GL_COLOR_MATERIAL, GL_LIGHTING, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T})
        state.push_back(glIsEnabled(cap));
    for (GLenum name : {GL_DEPTH_FUNC, GL_MATRIX_MODE, GL_BLEND_SRC, GL_BLEND_DST, GL_SHADE_MODEL,
                        GL_VIEWPORT, GL_LINE_WIDTH, GL_CURRENT_COLOR, GL_TEXTURE_BINDING_2D,
                        GL_ALPHA_TEST_FUNC, GL_TEXTURE_MATRIX}) {
        GLfloat values[16] = {};
        glGetFloatv(name, values);
        state.insert(state.end(), values, values + 16);
    }
    return state;
}

TEST_F(GlTest, EveryLayerLeavesTheGlStateAsItFoundIt)
{
    ASSERT_TRUE(test_fonts_create(0) && arena_init());
    for (uint32_t task = 0; task < PRECALC_TASK_COUNT; ++task)
        ASSERT_EQ(PRECALC_TASK_TABLE[task](), 1) << "task " << task;
    const TimelineEntry *timeline = timeline_build();
    ASSERT_NE(timeline, nullptr);
    glEnable(GL_CULL_FACE);
    glDepthFunc(GL_LESS);
    // 400 ms frames: every clock turns more than once over the rounds. The
    // second round draws the sky from its cache.
    for (int round = 0; round < 3; ++round)
        for (const TimelineEntry *e = timeline; e->layer_count; ++e) {
            const int position = (int)e->start + 40;
            for (uint32_t k = 0; k < e->layer_count; ++k) {
                const std::vector<float> before = gl_state();
                e->layers[k](position / 64, position % 64, (int)e->start, 0, 400);
                EXPECT_EQ(gl_state(), before) << "entry " << e - timeline << ", layer " << k;
                EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
            }
        }
    const SilhouetteState &s = silhouette_state;
    for (float angle : {walk_eye_angle, talk_eye_angle, s.backdrop_angle, s.overlay_angle,
                        s.glow_angle})
        EXPECT_TRUE(angle >= 0 && angle < SILHOUETTE_TURN) << angle;
    EXPECT_EQ(s.flash, 0.0f);
    EXPECT_EQ(mouth_state.open, 0.1f);
    EXPECT_EQ(closing_state.fade_in, 0.0f);
    glDisable(GL_CULL_FACE);
    arena_release();
}

}  // namespace
