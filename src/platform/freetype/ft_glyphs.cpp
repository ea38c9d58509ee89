// ft_glyphs.cpp - see ft_glyphs.h.
#include "platform/freetype/ft_glyphs.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <vector>

#include "platform/gl.h"
#include "support/report.h"

static FT_Library ft_library;
static int fc_ready;

int ft_glyphs_init()
{
    if (!fc_ready) {
        if (!FcInit()) {
            report("fontconfig could not be initialised");
            return 0;
        }
        fc_ready = 1;
    }
    if (!ft_library && FT_Init_FreeType(&ft_library) != 0) {
        report("FreeType could not be initialised");
        ft_library = nullptr;
        return 0;
    }
    return 1;
}

void ft_glyphs_shutdown()
{
    if (ft_library)
        FT_Done_FreeType(ft_library);
    ft_library = nullptr;
}

// The file of family (a "Family" or "Family:style=Style" pattern) when
// fontconfig has that family itself, not some default stand-in.
static int match_family(const char *pattern_text, char *path, size_t path_size, int *index)
{
    FcPattern *pattern = FcNameParse((const FcChar8 *)pattern_text);
    if (!pattern)
        return 0;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    int found = 0;
    if (match) {
        FcChar8 *wanted = nullptr;
        FcChar8 *family = nullptr;
        FcChar8 *file = nullptr;
        FcPatternGetString(pattern, FC_FAMILY, 0, &wanted);
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
            FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && wanted &&
            strcasecmp((const char *)family, (const char *)wanted) == 0) {
            snprintf(path, path_size, "%s", (const char *)file);
            if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch)
                *index = 0;
            found = 1;
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

// The file for face, and in *width how much to scale it horizontally to
// match the face it stands in for (1 for the face itself).
static int find_face_file(const char *face, char *path, size_t path_size, int *index,
                          double *width)
{
    if (!fc_ready && !ft_glyphs_init())
        return 0;
    *width = 1.0;
    const FaceAlternatives *alt = face_alternatives(face);
    if (!alt)
        return match_family(face, path, path_size, index);
    for (int i = 0; i < 4 && alt->families[i]; ++i)
        if (match_family(alt->families[i], path, path_size, index)) {
            *width = face_alternative_width(alt, i);
            return 1;
        }
    return 0;
}
const char *ft_glyphs_face_file(const char *face)
{
    static char path[1024];
    int index;
    double width;
    return face && find_face_file(face, path, sizeof path, &index, &width) ? path : nullptr;
}

double ft_glyphs_face_width(const char *face)
{
    char path[1024];
    int index;
    double width;
    return face && find_face_file(face, path, sizeof path, &index, &width) ? width : 0.0;
}

// A positive GDI height is the cell height, ascent plus descent, which the
// Windows metrics of the OS/2 table give; the em size follows from it.
static void set_cell_height(FT_Face face, int height)
{
    const TT_OS2 *os2 = (const TT_OS2 *)FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
    long cell_units = os2 && os2->usWinAscent + os2->usWinDescent > 0
                          ? (long)os2->usWinAscent + os2->usWinDescent
                          : (long)face->ascender - face->descender;
    if (cell_units <= 0)
        cell_units = face->units_per_EM;
    FT_UInt em_pixels = (FT_UInt)((long)height * face->units_per_EM / cell_units);
    FT_Set_Pixel_Sizes(face, 0, em_pixels ? em_pixels : 1);
}

// Records one glyph as glBitmap. GL wants the rows bottom-up, FreeType gives
// them top-down. A glyph without pixels still gets a 1x1 empty bitmap: Mesa
// drops the advance of a zero-sized bitmap inside a display list.
static void record_glyph(FT_GlyphSlot slot, std::vector<uint8_t> &rows)
{
    const FT_Bitmap &bm = slot->bitmap;
    GLfloat advance = (GLfloat)((slot->advance.x + 32) >> 6);
    if (bm.width == 0 || bm.rows == 0 || bm.pixel_mode != FT_PIXEL_MODE_MONO) {
        static const GLubyte empty[1] = {0};
        glBitmap(1, 1, 0.0f, 0.0f, advance, 0.0f, empty);
        return;
    }
    int row_bytes = ((int)bm.width + 7) / 8;
    rows.assign((size_t)row_bytes * bm.rows, 0);
    for (unsigned y = 0; y < bm.rows; ++y) {
        const uint8_t *src = bm.buffer + (long)y * bm.pitch;
        if (bm.pitch < 0)
            src = bm.buffer + (long)(bm.rows - 1 - y) * -bm.pitch;
        memcpy(&rows[(size_t)(bm.rows - 1 - y) * row_bytes], src, (size_t)row_bytes);
    }
    glBitmap((GLsizei)bm.width, (GLsizei)bm.rows, (GLfloat)-slot->bitmap_left,
             (GLfloat)((int)bm.rows - slot->bitmap_top), advance, 0.0f, rows.data());
}

int ft_glyphs_record(const char *face_name, int height, int weight, uint32_t first,
                     uint32_t count, uint32_t list_base)
{
    (void)weight;  // the program asks for 40, below thin: GDI draws the regular face
    char path[1024];
    int index = 0;
    double width = 1.0;
    if (!face_name || !ft_library ||
        !find_face_file(face_name, path, sizeof path, &index, &width))
        return 0;
    FT_Face face;
    if (FT_New_Face(ft_library, path, index, &face) != 0)
        return 0;
    set_cell_height(face, height);
    if (width != 1.0) {
        // Applied to the hinted outline and to the advance alike, so the
        // squeezed glyphs still sit one advance apart.
        FT_Matrix squeeze = {(FT_Fixed)(width * 0x10000 + 0.5), 0, 0, 0x10000};
        FT_Set_Transform(face, &squeeze, nullptr);
    }

    GLint unpack_alignment, unpack_lsb, unpack_row_length, unpack_skip_rows, unpack_skip_pixels;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack_alignment);
    glGetIntegerv(GL_UNPACK_LSB_FIRST, &unpack_lsb);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpack_row_length);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &unpack_skip_rows);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &unpack_skip_pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);

    std::vector<uint8_t> rows;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t code = first + i;
        uint32_t unicode = code < 256 ? cp1252_to_unicode((uint8_t)code) : code;
        FT_UInt glyph = FT_Get_Char_Index(face, unicode);
        glNewList(list_base + i, GL_COMPILE);
        if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0)
            record_glyph(face->glyph, rows);
        glEndList();
    }

    glPixelStorei(GL_UNPACK_ALIGNMENT, unpack_alignment);
    glPixelStorei(GL_UNPACK_LSB_FIRST, unpack_lsb);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, unpack_row_length);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, unpack_skip_rows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, unpack_skip_pixels);
    FT_Done_Face(face);
    return 1;
}
