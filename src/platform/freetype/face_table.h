// face_table.h - which installed faces draw the four Windows faces the
// intro's text asks for, and how the Windows-1252 character codes of its
// texts map to Unicode. The FreeType glyphs (ft_glyphs.cpp) and the
// browser's canvas text (platform/web) both choose their faces from it:
//
//   const FaceAlternatives *alt = face_alternatives("Impact");
//   for (int i = 0; alt && i < 4 && alt->families[i]; ++i)
//       if (installed(alt->families[i])) { scale x by face_alternative_width(alt, i); break; }
#pragma once

#include <cstdint>
#include <strings.h>

// A face with the families that may stand in for it, in order of
// preference. A "Family:style=Style" entry asks for one style of a family.
struct FaceAlternatives {
    const char *face;
    const char *families[4];
    double width[4];  // horizontal scale for each family; 0 reads as 1
};

// The metric-compatible faces draw as wide as the face they replace.
// Impact's stand-ins are wider than Impact at the same cell height while its
// lines are laid out to Impact's width (the closing message's last line
// spans nearly the whole frame), so they are squeezed horizontally to about
// Impact's proportions: 0.82 for the narrow Liberation face, 0.66 for
// DejaVu's condensed one, which then sets the same lines about as wide.
inline constexpr FaceAlternatives FACE_ALTERNATIVES[] = {
    {"Arial", {"Arial", "Liberation Sans", "Arimo", nullptr}, {}},
    {"Times New Roman", {"Times New Roman", "Liberation Serif", "Tinos", nullptr}, {}},
    {"Courier New", {"Courier New", "Liberation Mono", "Cousine", nullptr}, {}},
    {"Impact", {"Impact", "Liberation Sans Narrow:style=Bold", "DejaVu Sans:style=Condensed Bold",
                nullptr},
     {1.0, 0.82, 0.66}},
};

inline constexpr uint16_t CP1252_HIGH[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

// The alternatives for face (matched without regard to case), or null.
inline const FaceAlternatives *face_alternatives(const char *face)
{
    if (!face)
        return nullptr;
    for (const FaceAlternatives &alt : FACE_ALTERNATIVES)
        if (strcasecmp(alt.face, face) == 0)
            return &alt;
    return nullptr;
}

// How much alternative i is scaled horizontally (1 for the face itself).
inline double face_alternative_width(const FaceAlternatives *alt, int i)
{
    return alt->width[i] > 0.0 ? alt->width[i] : 1.0;
}

// The Unicode code point of a Windows-1252 byte (0 where 1252 has none).
inline uint32_t cp1252_to_unicode(uint8_t code)
{
    if (code >= 0x80 && code < 0xA0)
        return CP1252_HIGH[code - 0x80];
    return code;
}
