// png_write.cpp - see png_write.h. A PNG file is an 8-byte signature and
// chunks (big-endian length, 4-letter type, data, CRC-32 of type and data):
// IHDR (size and pixel format), IDAT (the zlib stream of the rows, split
// over any number of chunks) and IEND. Each row is stored as a filter byte
// and the row's bytes minus a prediction from the left, upper and upper-left
// neighbours; the writer picks per row the filter whose residuals have the
// smallest sum of magnitudes (ties to the lower type), compresses at level 6
// and writes the file in one go from memory.
#include "support/png_write.h"

#include <zlib.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Pictures of more than 1 GiB of RGBA are refused, which keeps every
// size within zlib's 32-bit counts.
static const uint64_t max_rgba_bytes = (uint64_t)1 << 30;
static const size_t idat_bytes = 1 << 16;

static void put32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)(v >> 24);
    p[1] = (uint8_t)(v >> 16);
    p[2] = (uint8_t)(v >> 8);
    p[3] = (uint8_t)v;
}

static void put_chunk(std::vector<uint8_t> &out, const char *type, const uint8_t *data, size_t n)
{
    size_t at = out.size();
    out.resize(at + 12 + n);
    put32(&out[at], (uint32_t)n);
    memcpy(&out[at + 4], type, 4);
    if (n)
        memcpy(&out[at + 8], data, n);
    put32(&out[at + 8 + n], (uint32_t)crc32(0, &out[at + 4], (uInt)(n + 4)));
}

static int paeth(int a, int b, int c)
{
    int p = a + b - c;
    int pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// The prediction filter `type` makes for byte i of a row; `bpp` bytes a pixel.
static int predict(int type, const uint8_t *row, const uint8_t *up, size_t i, size_t bpp)
{
    int a = i >= bpp ? row[i - bpp] : 0, b = up[i], c = i >= bpp ? up[i - bpp] : 0;
    switch (type) {
    case 1: return a;
    case 2: return b;
    case 3: return (a + b) >> 1;
    case 4: return paeth(a, b, c);
    default: return 0;
    }
}

// Whether a picture of this size is one both ways accept.
static int size_fits(uint64_t width, uint64_t height)
{
    return width > 0 && height > 0 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF &&
           width * height <= max_rgba_bytes / 4;
}

// Each row with the filter that leaves the smallest sum of magnitudes,
// behind its filter byte: the rows as PNG compresses them.
static std::vector<uint8_t> filter_rows(const uint8_t *rgba, size_t w, size_t h, size_t bpp)
{
    size_t row_bytes = w * bpp, stride = row_bytes + 1;
    std::vector<uint8_t> filtered(stride * h), rows(row_bytes * 2, 0), trial(row_bytes * 5);
    uint8_t *row = &rows[0], *up = &rows[row_bytes];
    for (size_t y = 0; y < h; ++y) {
        const uint8_t *src = rgba + y * w * 4;
        for (size_t x = 0; x < w; ++x)
            memcpy(&row[x * bpp], &src[x * 4], bpp);
        int best = 0;
        uint64_t best_cost = UINT64_MAX;
        for (int type = 0; type < 5; ++type) {
            uint8_t *t = &trial[type * row_bytes];
            uint64_t cost = 0;
            for (size_t i = 0; i < row_bytes; ++i) {
                t[i] = (uint8_t)(row[i] - predict(type, row, up, i, bpp));
                cost += (uint64_t)abs((int8_t)t[i]);
            }
            if (cost < best_cost) {
                best = type;
                best_cost = cost;
            }
        }
        filtered[y * stride] = (uint8_t)best;
        memcpy(&filtered[y * stride + 1], &trial[best * row_bytes], row_bytes);
        uint8_t *swap = up;
        up = row;
        row = swap;
    }
    return filtered;
}

// The zlib stream of bytes into packed; 0 when zlib fails.
static int deflate_all(const std::vector<uint8_t> &bytes, std::vector<uint8_t> &packed)
{
    z_stream z;
    memset(&z, 0, sizeof z);
    if (deflateInit(&z, 6) != Z_OK)
        return 0;
    packed.resize(deflateBound(&z, (uLong)bytes.size()));
    z.next_in = (Bytef *)bytes.data();
    z.avail_in = (uInt)bytes.size();
    z.next_out = packed.data();
    z.avail_out = (uInt)packed.size();
    int done = deflate(&z, Z_FINISH) == Z_STREAM_END;
    packed.resize(z.total_out);
    deflateEnd(&z);
    return done;
}

// Writes the file whole; a file that could not be finished is removed.
static int write_file(const char *path, const std::vector<uint8_t> &file)
{
    FILE *f = fopen(path, "wb");
    if (!f)
        return 0;
    int ok = fwrite(file.data(), 1, file.size(), f) == file.size();
    ok = (fclose(f) == 0) && ok;
    if (!ok)
        remove(path);
    return ok;
}

int png_write_rgba(const char *path, const uint8_t *rgba, int width, int height, int keep_alpha)
{
    if (!path || !rgba || width <= 0 || height <= 0 ||
        !size_fits((uint64_t)width, (uint64_t)height))
        return 0;
    std::vector<uint8_t> packed;
    if (!deflate_all(filter_rows(rgba, (size_t)width, (size_t)height, keep_alpha ? 4 : 3), packed))
        return 0;

    std::vector<uint8_t> file(png_signature, png_signature + 8);
    uint8_t ihdr[13] = {0};
    put32(ihdr, (uint32_t)width);
    put32(ihdr + 4, (uint32_t)height);
    ihdr[8] = 8;                   // bits a sample
    ihdr[9] = keep_alpha ? 6 : 2;  // colour type: RGBA or RGB
    put_chunk(file, "IHDR", ihdr, sizeof ihdr);
    for (size_t at = 0; at < packed.size(); at += idat_bytes) {
        size_t n = packed.size() - at < idat_bytes ? packed.size() - at : idat_bytes;
        put_chunk(file, "IDAT", &packed[at], n);
    }
    put_chunk(file, "IEND", nullptr, 0);
    return write_file(path, file);
}
