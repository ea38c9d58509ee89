// keep.cpp - the half of an upload that needs no OpenGL: which texture entry
// a slot goes to, and the copy of its pixels kept there. tex_upload
// (upload.cpp) adds the GL texture; the tests and the fuzzer run this alone.
#include <cstring>

#include "textures/textures.h"

int texture_keep(int dst, uint8_t *const *copies, int *uploaded)
{
    const int i = *uploaded;
    if (i >= TEXTURE_COUNT || !copies[i])
        return -1;
    memcpy(copies[i], tex_slot(dst), TEXTURE_SLOT_BYTES);
    *uploaded = i + 1;
    return i;
}
