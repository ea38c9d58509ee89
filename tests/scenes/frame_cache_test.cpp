// The frame cache gives back exactly the picture it kept, draws anew for
// another key and every FRAME_CACHE_REFRESH uses, and leaves GL as it was.
#include "../gl_fixture.h"
#include "platform/gl.h"
#include "scenes/frame_cache.h"
#include "sequencing/precalc.h"

namespace {

// A picture with every kind of pixel: a gradient with alpha, smooth-shaded
// and blended over the cleared frame.
void draw_gradient()
{
    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    setup_overlay_2d();
    glShadeModel(GL_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glBegin(GL_QUADS);
    glColor4f(1, 0, 0.3f, 0.2f), glVertex2f(0, 0);
    glColor4f(0, 1, 0.6f, 0.9f), glVertex2f(640, 0);
    glColor4f(0.2f, 0.1f, 1, 0.5f), glVertex2f(640, 480);
    glColor4f(0.7f, 0.7f, 0, 1), glVertex2f(0, 480);
    glEnd();
    glPopAttrib();
}

TEST_F(GlTest, TheCacheGivesBackTheKeptFrameExactly)
{
    FrameCache cache = {};
    EXPECT_EQ(frame_cache_draw(&cache, 7), 0);  // nothing kept yet
    draw_gradient();
    frame_cache_keep(&cache, 7);
    const Picture drawn = read_back();

    // Other state set than the picture was drawn with: the copy ignores it.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(0.5f, 0.5f, 0.5f, 0.5f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    ASSERT_EQ(frame_cache_draw(&cache, 7), 1);
    EXPECT_TRUE(read_back() == drawn);
    EXPECT_TRUE(glIsEnabled(GL_BLEND) && !glIsEnabled(GL_TEXTURE_2D));
    GLint mode = 0, env = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_TRUE(mode == GL_MODELVIEW && env == GL_MODULATE) << mode << " " << env;
    glDisable(GL_BLEND);

    EXPECT_EQ(frame_cache_draw(&cache, 8), 0) << "another key draws anew";
    for (uint32_t use = 2; use < FRAME_CACHE_REFRESH; ++use)
        ASSERT_EQ(frame_cache_draw(&cache, 7), 1) << use;
    EXPECT_EQ(frame_cache_draw(&cache, 7), 0) << "drawn anew now and then";
    frame_cache_keep(&cache, 7);
    EXPECT_EQ(frame_cache_draw(&cache, 7), 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glDeleteTextures(1, &cache.texture);
}

}  // namespace
