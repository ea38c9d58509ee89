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
// Pictures of more than 1 GiB of RGBA are refused both ways, which keeps every
// size within zlib's 32-bit counts.
static const uint64_t max_rgba_bytes = (uint64_t)1 << 30;
static const uint64_t max_file_bytes = (uint64_t)1 << 31;
static const size_t idat_bytes = 1 << 16;

static void put32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)(v >> 24);
    p[1] = (uint8_t)(v >> 16);
    p[2] = (uint8_t)(v >> 8);
    p[3] = (uint8_t)v;
}

static uint32_t get32(const uint8_t *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
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

// The whole file, or 0 when it cannot be read or is too large to be a picture.
static int read_file(const char *path, std::vector<uint8_t> &data)
{
    FILE *f = fopen(path, "rb");
    if (!f)
        return 0;
    uint8_t block[1 << 16];
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) > 0 && data.size() + n <= max_file_bytes)
        data.insert(data.end(), block, block + n);
    int ok = !ferror(f) && feof(f);
    fclose(f);
    return ok;
}

// What the chunks of a picture say: its size and channels, and its zlib
// stream gathered from the IDAT run.
struct PngChunks {
    uint32_t width, height;
    int channels;
    std::vector<uint8_t> packed;
};

// Walks the chunks: IHDR first, then consecutive IDATs, up to IEND. 0 for
// any chunk that is cut short, fails its CRC, is out of order or is a
// critical one we cannot read.
static int read_chunks(const std::vector<uint8_t> &file, PngChunks *png)
{
    int idat_state = 0;  // 0 none yet, 1 in the run, 2 after it
    png->channels = 0;
    size_t at = 8;
    for (;;) {
        if (file.size() - at < 12)
            return 0;
        uint32_t n = get32(&file[at]);
        const uint8_t *type = &file[at + 4], *data = &file[at + 8];
        if (n > 0x7FFFFFFF || file.size() - at - 12 < n)
            return 0;
        for (int i = 0; i < 4; ++i)
            if (!((type[i] | 0x20) >= 'a' && (type[i] | 0x20) <= 'z'))
                return 0;
        if (crc32(0, type, n + 4) != get32(data + n))
            return 0;
        at += 12 + (size_t)n;
        int is_ihdr = !memcmp(type, "IHDR", 4), is_idat = !memcmp(type, "IDAT", 4);
        if (is_ihdr != (png->channels == 0))
            return 0;  // IHDR missing, or a second one
        if (idat_state == 1 && !is_idat)
            idat_state = 2;
        if (is_ihdr) {
            static const int channels_of_type[7] = {1, 0, 3, 0, 2, 0, 4};
            if (n != 13)
                return 0;
            png->width = get32(data);
            png->height = get32(data + 4);
            if (!size_fits(png->width, png->height) || data[8] != 8 || data[9] > 6 ||
                !channels_of_type[data[9]] || data[10] || data[11] || data[12])
                return 0;  // only 8-bit, non-palette, non-interlaced pictures
            png->channels = channels_of_type[data[9]];
        } else if (is_idat) {
            if (idat_state == 2)
                return 0;
            idat_state = 1;
            png->packed.insert(png->packed.end(), data, data + n);
        } else if (!memcmp(type, "IEND", 4)) {
            return idat_state != 0;
        } else if (!(type[0] & 0x20) && memcmp(type, "PLTE", 4)) {
            return 0;  // a critical chunk we cannot read
        }
    }
}

// Inflates packed into exactly raw.size() bytes; 0 for any other length.
static int inflate_all(const std::vector<uint8_t> &packed, std::vector<uint8_t> &raw)
{
    z_stream z;
    memset(&z, 0, sizeof z);
    if (inflateInit(&z) != Z_OK)
        return 0;
    z.next_in = (Bytef *)packed.data();
    z.avail_in = (uInt)packed.size();
    z.next_out = raw.data();
    z.avail_out = (uInt)raw.size();
    int done = inflate(&z, Z_FINISH) == Z_STREAM_END && z.total_out == raw.size();
    inflateEnd(&z);
    return done;
}

// Undoes the filters in place, row after row, and widens to RGBA in out.
static int unfilter_rows(std::vector<uint8_t> &raw, const PngChunks &png, std::vector<uint8_t> &out)
{
    size_t w = png.width, h = png.height, bpp = (size_t)png.channels;
    size_t row_bytes = w * bpp, stride = row_bytes + 1;
    out.resize(w * h * 4);
    std::vector<uint8_t> zero_row(row_bytes, 0);
    const uint8_t *up = zero_row.data();
    int grey = png.channels < 3;
    for (size_t y = 0; y < h; ++y) {
        uint8_t *row = &raw[y * stride + 1];
        int type = row[-1];
        if (type > 4)
            return 0;
        for (size_t i = 0; i < row_bytes; ++i)
            row[i] = (uint8_t)(row[i] + predict(type, row, up, i, bpp));
        uint8_t *dst = &out[y * w * 4];
        for (size_t x = 0; x < w; ++x, dst += 4) {
            const uint8_t *p = &row[x * bpp];
            dst[0] = p[0];
            dst[1] = p[grey ? 0 : 1];
            dst[2] = p[grey ? 0 : 2];
            dst[3] = png.channels == 2 ? p[1] : png.channels == 4 ? p[3] : 255;
        }
        up = row;
    }
    return 1;
}

int png_read_rgba(const char *path, std::vector<uint8_t> &rgba, int *width, int *height)
{
    std::vector<uint8_t> file;
    if (!path || !read_file(path, file) || file.size() < 8 || memcmp(file.data(), png_signature, 8))
        return 0;
    PngChunks png = {};
    if (!read_chunks(file, &png))
        return 0;
    // Deflate cannot pack more than 1032 bytes into one, so a small stream
    // claiming a large picture is refused before its buffer is allocated.
    uint64_t raw_size = ((uint64_t)png.width * (uint64_t)png.channels + 1) * png.height;
    if (raw_size > (uint64_t)png.packed.size() * 1032 + 1024)
        return 0;
    std::vector<uint8_t> raw((size_t)raw_size), out;
    if (!inflate_all(png.packed, raw) || !unfilter_rows(raw, png, out))
        return 0;
    rgba.swap(out);
    *width = (int)png.width;
    *height = (int)png.height;
    return 1;
}
