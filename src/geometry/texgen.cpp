// texgen.cpp - see texgen.h.
#include "geometry/texgen.h"

#include "platform/gl.h"

void texgen_begin(int mode, uint32_t texture)
{
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, mode);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, mode);
    glBindTexture(GL_TEXTURE_2D, texture);
}

void texgen_end()
{
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_2D);
}
