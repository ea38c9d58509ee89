// frame_cache.cpp - see frame_cache.h.
#include "scenes/frame_cache.h"

#include "platform/gl.h"

// GL 1.1 textures are powers of two: the frame sits in a corner of this.
static const int CACHE_WIDTH = 1024, CACHE_HEIGHT = 512;
static const int FRAME_WIDTH = 640, FRAME_HEIGHT = 480;

int frame_cache_draw(FrameCache *cache, uint32_t key)
{
    if (!cache->kept || cache->key != key || !glIsTexture(cache->texture) ||
        ++cache->uses >= FRAME_CACHE_REFRESH)
        return 0;
    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, cache->texture);
    // Replace: the texel as it is, whatever colour or lighting is set.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, FRAME_WIDTH, 0, FRAME_HEIGHT, -1, 1);  // window rows, bottom up
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    // Each pixel's centre falls on its own texel's centre: nearest
    // sampling copies it exactly.
    const float u = (float)FRAME_WIDTH / CACHE_WIDTH, v = (float)FRAME_HEIGHT / CACHE_HEIGHT;
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(0, 0);
    glTexCoord2f(u, 0), glVertex2f((float)FRAME_WIDTH, 0);
    glTexCoord2f(u, v), glVertex2f((float)FRAME_WIDTH, (float)FRAME_HEIGHT);
    glTexCoord2f(0, v), glVertex2f(0, (float)FRAME_HEIGHT);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glPopAttrib();  // restores the matrix mode and the texture binding too
    return 1;
}

void frame_cache_keep(FrameCache *cache, uint32_t key)
{
    glPushAttrib(GL11_ALL_ATTRIB_BITS);
    if (!cache->texture || !glIsTexture(cache->texture)) {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, CACHE_WIDTH, CACHE_HEIGHT, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        cache->texture = name;
    }
    glBindTexture(GL_TEXTURE_2D, cache->texture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, FRAME_WIDTH, FRAME_HEIGHT);
    glPopAttrib();
    cache->key = key;
    cache->kept = 1;
    cache->uses = 0;
}
