// png_read.cpp - see png_read.h. The chunks are walked with their CRCs
// checked, the IDAT run inflated with zlib and the five filters undone.
#include "png_read.h"

#include <zlib.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

static uint32_t be32(const uint8_t *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

int png_read_rgba(const char *path, std::vector<uint8_t> &rgba, int *width, int *height)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> f((std::istreambuf_iterator<char>(in)), {});
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (f.size() < 8 || memcmp(f.data(), signature, 8))
        return 0;
    uint32_t w = 0, h = 0, bpp = 0;
    std::vector<uint8_t> packed;
    for (size_t at = 8;;) {
        if (f.size() - at < 12)
            return 0;
        const uint32_t n = be32(&f[at]);
        if (f.size() - at - 12 < n || crc32(0, &f[at + 4], n + 4) != be32(&f[at + 8 + n]))
            return 0;
        const uint8_t *type = &f[at + 4], *data = &f[at + 8];
        at += 12 + (size_t)n;
        if (!memcmp(type, "IHDR", 4) && n == 13) {
            w = be32(data);
            h = be32(data + 4);
            bpp = data[9] == 6 ? 4 : data[9] == 2 ? 3 : 0;
            if (data[8] != 8 || data[12] || w > 65535 || h > 65535)
                return 0;
        } else if (!memcmp(type, "IDAT", 4)) {
            packed.insert(packed.end(), data, data + n);
        } else if (!memcmp(type, "IEND", 4)) {
            break;
        }
    }
    if (!bpp || !w || !h)
        return 0;
    const size_t stride = (size_t)w * bpp + 1;
    std::vector<uint8_t> raw(stride * h), out((size_t)w * h * 4, 255);
    uLongf size = (uLongf)raw.size();
    if (uncompress(raw.data(), &size, packed.data(), (uLong)packed.size()) != Z_OK ||
        size != raw.size())
        return 0;
    for (size_t y = 0; y < h; ++y) {
        uint8_t *row = &raw[y * stride + 1];
        const uint8_t *up = y ? row - stride : nullptr;
        if (row[-1] > 4)
            return 0;
        for (size_t i = 0; i + 1 < stride; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0, b = up ? up[i] : 0,
                      c = up && i >= bpp ? up[i - bpp] : 0;
            const int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
            const int prediction[5] = {0, a, b, (a + b) / 2,
                                       pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
            row[i] = (uint8_t)(row[i] + prediction[row[-1]]);
            out[(y * w + i / bpp) * 4 + i % bpp] = row[i];
        }
    }
    rgba.swap(out);
    *width = (int)w;
    *height = (int)h;
    return 1;
}
