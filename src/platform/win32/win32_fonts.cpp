// win32_fonts.cpp - see win32_fonts.h.
#include "platform/win32/win32_fonts.h"

#include <windows.h>

#include "platform/gl.h"

// Glyphs without pixels (the space and the no-break space) are recorded
// again as a blank 1x1 bitmap carrying the font's advance: some OpenGL
// drivers drop an empty bitmap inside a display list, advance and all, and
// report GL_OUT_OF_MEMORY for it.
static void record_blank_glyphs(HDC dc, uint32_t first, uint32_t count, uint32_t list_base)
{
    static const uint32_t BLANK_CODES[] = {0x20, 0xA0};
    static const GLubyte blank[4] = {0, 0, 0, 0};
    GLint unpack_alignment;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack_alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (uint32_t code : BLANK_CODES) {
        if (code < first || code - first >= count)
            continue;
        INT advance = 0;
        if (!GetCharWidth32A(dc, code, code, &advance))
            continue;
        glNewList(list_base + (code - first), GL_COMPILE);
        glBitmap(1, 1, 0.0f, 0.0f, (GLfloat)advance, 0.0f, blank);
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpack_alignment);
}

int win32_font_bitmaps(const char *face, int height, int weight, uint32_t first, uint32_t count,
                       uint32_t list_base)
{
    HDC dc = wglGetCurrentDC();
    if (!dc || !face)
        return 0;
    // Weight 40 lies below FW_THIN; GDI takes it as it is.
    HFONT font = CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, VARIABLE_PITCH,
                             face);
    if (!font)
        return 0;
    HGDIOBJ previous = SelectObject(dc, font);
    wglUseFontBitmapsA(dc, first, count, list_base);
    record_blank_glyphs(dc, first, count, list_base);
    // Errors of lost empty glyphs are mended above; none may linger for
    // whoever asks glGetError next.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i)
        ;
    SelectObject(dc, previous);
    DeleteObject(font);
    return 1;
}
