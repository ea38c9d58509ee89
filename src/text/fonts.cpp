// fonts.cpp - font display lists (see text.h).
#include "platform/platform.h"
#include "text/text.h"

int font_count;

int font_create(int height, int weight, const char *face)
{
    if (!face)
        return 0;
    // 255 lists, codes 0 to 254: code 255 of every font has no list and
    // draws nothing.
    if (!platform.font_bitmaps(face, height, weight, 0, 255, font_list_base(font_count)))
        return 0;
    ++font_count;
    return 1;
}

int fonts_create()
{
    static const char *const FACES[] = {"Times New Roman", "Impact", "Courier New"};
    for (const char *face : FACES)
        if (!font_create(40, 40, face))
            return 0;
    return 1;
}
