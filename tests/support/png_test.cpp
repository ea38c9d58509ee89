// png_test.cpp - the PNG writer and reader: round trips, the file's layout as
// another decoder sees it (IHDR fields, IDAT inflating to the filtered rows),
// hand-made files the writer never makes, and damaged files refused.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/png_write.h"

namespace fs = std::filesystem;

static fs::path temp_dir()
{
    return fs::temp_directory_path() / ("frostmere-png-test-" + std::to_string(getpid()));
}

// A file in the test's own folder, as the narrow path the PNG functions take.
static std::string temp_path(const char *name)
{
    fs::create_directories(temp_dir());
    return (temp_dir() / name).string();
}

static std::string load(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

static void save(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

static uint32_t be32(const std::string &s, size_t at)
{
    const uint8_t *p = (const uint8_t *)s.data() + at;
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

static std::string put32(uint32_t v)
{
    return {(char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v};
}

static std::string chunk(const std::string &type, const std::string &data)
{
    std::string body = type + data;
    return put32((uint32_t)data.size()) + body +
           put32((uint32_t)crc32(0, (const Bytef *)body.data(), (uInt)body.size()));
}

// A PNG made by hand: IHDR fields as given, `rows` (filter bytes included)
// compressed into two IDATs; `before` and `between` are chunks put before
// and between them.
static std::string hand_png(uint32_t w, uint32_t h, int depth, int colour, int interlace,
                            const std::string &rows, const std::string &before = "",
                            const std::string &between = "")
{
    std::string packed(compressBound((uLong)rows.size()), '\0');
    uLongf n = packed.size();
    compress((Bytef *)packed.data(), &n, (const Bytef *)rows.data(), (uLong)rows.size());
    packed.resize(n);
    std::string ihdr = put32(w) + put32(h);
    ihdr += {(char)depth, (char)colour, 0, 0, (char)interlace};
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", ihdr) + before +
           chunk("IDAT", packed.substr(0, n / 2)) + between + chunk("IDAT", packed.substr(n / 2)) +
           chunk("IEND", "");
}

// Undoes the filters of inflated rows as any decoder does (filter types
// checked beforehand), giving the picture's samples.
static std::string unfilter(const std::string &rows, size_t stride, size_t bpp)
{
    std::string out, up(stride - 1, '\0');
    for (size_t at = 0; at < rows.size(); at += stride) {
        std::string row = rows.substr(at + 1, stride - 1);
        for (size_t i = 0; i < row.size(); ++i) {
            int a = i >= bpp ? (uint8_t)row[i - bpp] : 0, b = (uint8_t)up[i];
            int c = i >= bpp ? (uint8_t)up[i - bpp] : 0;
            int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
            int predicted[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
            row[i] = (char)(row[i] + predicted[(uint8_t)rows[at]]);
        }
        out += row;
        up = row;
    }
    return out;
}

// Bands of flat black, noise, a plane, a pattern and a noisy bowl, so that
// every filter type wins somewhere and the stream spans several IDATs.
static std::vector<uint8_t> test_picture(int w, int h)
{
    std::vector<uint8_t> rgba((size_t)w * h * 4);
    uint32_t seed = 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                seed = seed * 1103515245 + 12345;
                int noise = (seed >> 16) & 255, v = 0;
                switch ((y / 8) % 6) {
                case 1: case 5: v = noise; break;
                case 2: v = x * 3 + y * 5 + c * 40; break;
                case 3: v = (x * 7 * (c + 1)) ^ (y / 8 * 50); break;
                case 4: v = ((x * x + y * y) >> 4) + (noise & 63) + c * 20; break;
                }
                rgba[((size_t)y * w + x) * 4 + c] = (uint8_t)v;
            }
    return rgba;
}

TEST(PngFile, RoundTripsRgbAndRgbaAndOtherDecodersSeeTheSameRows)
{
    struct Case { int w, h; };
    for (Case size : {Case{320, 240}, Case{1, 1}, Case{7, 1}, Case{1, 9}, Case{33, 17}})
        for (int alpha = 0; alpha < 2; ++alpha) {
            SCOPED_TRACE(testing::Message() << size.w << "x" << size.h << " alpha " << alpha);
            std::vector<uint8_t> picture = test_picture(size.w, size.h);
            std::string path = temp_path("round.png");
            ASSERT_EQ(png_write_rgba(path.c_str(), picture.data(), size.w, size.h, alpha), 1);
            std::string file = load(path);

            std::vector<uint8_t> back;
            int w = 0, h = 0;
            ASSERT_EQ(png_read_rgba(path.c_str(), back, &w, &h), 1);
            ASSERT_EQ(w, size.w);
            ASSERT_EQ(h, size.h);
            std::vector<uint8_t> expected = picture;
            for (size_t i = 3; !alpha && i < expected.size(); i += 4)
                expected[i] = 255;
            EXPECT_TRUE(back == expected);

            // The same pixels give the same bytes.
            ASSERT_EQ(png_write_rgba(path.c_str(), picture.data(), size.w, size.h, alpha), 1);
            EXPECT_TRUE(load(path) == file);

            // The layout: signature, IHDR, IDATs inflating to one filter byte
            // and w * bpp bytes a row, IEND last.
            ASSERT_EQ(file.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
            ASSERT_EQ(file.compare(12, 4, "IHDR"), 0);
            EXPECT_EQ(be32(file, 16), (uint32_t)size.w);
            EXPECT_EQ(be32(file, 20), (uint32_t)size.h);
            EXPECT_EQ(file.substr(24, 5), (std::string{8, (char)(alpha ? 6 : 2), 0, 0, 0}));
            std::string packed;
            std::vector<std::string> types;
            for (size_t at = 8; at + 12 <= file.size(); at += 12 + be32(file, at)) {
                types.push_back(file.substr(at + 4, 4));
                if (types.back() == "IDAT")
                    packed += file.substr(at + 8, be32(file, at));
            }
            EXPECT_EQ(types.front(), "IHDR");
            EXPECT_EQ(types.back(), "IEND");
            size_t bpp = alpha ? 4 : 3, stride = 1 + size.w * bpp;
            std::string rows(stride * size.h + 1, '\0');
            uLongf n = rows.size();
            ASSERT_EQ(uncompress((Bytef *)rows.data(), &n, (const Bytef *)packed.data(),
                                 (uLong)packed.size()),
                      Z_OK);
            ASSERT_EQ(n, stride * size.h);
            rows.resize(n);
            std::set<int> filters;
            for (int y = 0; y < size.h; ++y)
                filters.insert((uint8_t)rows[y * stride]);
            ASSERT_LE(*filters.rbegin(), 4);
            std::string samples;
            for (size_t i = 0; i < picture.size(); i += 4)
                samples.append((const char *)&picture[i], bpp);
            EXPECT_TRUE(unfilter(rows, stride, bpp) == samples);
            if (size.w == 320) {
                EXPECT_EQ(filters.size(), 5u) << "every filter type is read back";
                EXPECT_GT(std::count(types.begin(), types.end(), "IDAT"), 1);
            }
        }
    fs::remove_all(temp_dir());
}

TEST(PngFile, ReadsGreyAndGreyAlphaAndRefusesWhatItCannotRead)
{
    // 2x2 pictures, their stream split over two IDATs; rows carry filter
    // bytes 0 (None) and 2 (Up).
    std::string grey("\0\x10\x20\2\x01\x01", 6);
    std::string grey_alpha("\0\x10\x80\x20\x40\2\x01\x01\x01\x01", 10);
    std::string ihdr_again = chunk("IHDR", put32(2) + put32(2) + std::string("\10\0\0\0\0", 5));
    std::vector<uint8_t> grey_rgba = {16, 16, 16, 255, 32, 32, 32, 255,
                                      17, 17, 17, 255, 33, 33, 33, 255};
    std::vector<uint8_t> grey_alpha_rgba = {16, 16, 16, 128, 32, 32, 32, 64,
                                            17, 17, 17, 129, 33, 33, 33, 65};
    struct Case { std::string file; std::vector<uint8_t> rgba; };  // no rgba: refused
    Case cases[] = {
        {hand_png(2, 2, 8, 0, 0, grey), grey_rgba},
        {hand_png(2, 2, 8, 4, 0, grey_alpha), grey_alpha_rgba},
        {hand_png(2, 2, 8, 0, 0, grey, chunk("tEXt", "a") + chunk("PLTE", "abc")), grey_rgba},
        {hand_png(2, 2, 8, 0, 0, grey, "", chunk("tEXt", "a")), {}},  // IDATs not in a row
        {hand_png(2, 2, 8, 0, 0, grey, ihdr_again), {}},
        {hand_png(2, 2, 8, 0, 0, grey, chunk("ABCD", "")), {}},       // unknown critical chunk
        {hand_png(2, 2, 16, 0, 0, grey + grey), {}},                  // 16-bit
        {hand_png(2, 2, 8, 3, 0, grey), {}},                          // palette
        {hand_png(2, 2, 8, 0, 1, grey), {}},                          // interlaced
        {hand_png(2, 2, 8, 0, 0, std::string("\5\1\1\0\1\1", 6)), {}},  // filter type 5
        {hand_png(2, 2, 8, 0, 0, grey.substr(0, 5)), {}},             // a row short
        {hand_png(2, 2, 8, 0, 0, grey + '\0'), {}},                   // a byte too many
        {hand_png(0, 2, 8, 0, 0, grey), {}},
        {hand_png(0x7FFFFFFF, 0x7FFFFFFF, 8, 6, 0, grey), {}},
        {hand_png(16000, 16000, 8, 6, 0, grey), {}},  // more than its data can hold
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::string path = temp_path("hand.png");
        save(path, cases[i].file);
        std::vector<uint8_t> rgba;
        int w = 0, h = 0;
        ASSERT_EQ(png_read_rgba(path.c_str(), rgba, &w, &h), cases[i].rgba.empty() ? 0 : 1);
        EXPECT_TRUE(rgba == cases[i].rgba);
        EXPECT_EQ(w, cases[i].rgba.empty() ? 0 : 2);
    }
    fs::remove_all(temp_dir());
}

TEST(PngFile, RefusesEveryTruncationAndEveryChangedByte)
{
    std::vector<uint8_t> picture = test_picture(12, 10);
    std::string good = temp_path("good.png"), bad = temp_path("bad.png");
    ASSERT_EQ(png_write_rgba(good.c_str(), picture.data(), 12, 10, 1), 1);
    std::string file = load(good);
    std::vector<uint8_t> rgba;
    int w = 0, h = 0;
    for (size_t n = 0; n < file.size(); ++n) {
        save(bad, file.substr(0, n));
        ASSERT_EQ(png_read_rgba(bad.c_str(), rgba, &w, &h), 0) << "cut at " << n;
    }
    for (size_t i = 0; i < file.size(); ++i) {
        std::string changed = file;
        changed[i] ^= 0x24;
        save(bad, changed);
        ASSERT_EQ(png_read_rgba(bad.c_str(), rgba, &w, &h), 0) << "byte " << i;
    }
    EXPECT_EQ(png_read_rgba(temp_path("missing.png").c_str(), rgba, &w, &h), 0);
    EXPECT_TRUE(rgba.empty());
    fs::remove_all(temp_dir());
}

TEST(PngFile, WritingFailsCleanlyOnBadPathsAndSizes)
{
    uint8_t pixels[16] = {0};
    std::string nowhere = (temp_dir() / "no-such-folder" / "x.png").string();
    EXPECT_EQ(png_write_rgba(nowhere.c_str(), pixels, 2, 2, 1), 0);
    EXPECT_FALSE(fs::exists(nowhere));
    std::string path = temp_path("bad-size.png");
    fs::remove(path);
    EXPECT_EQ(png_write_rgba(path.c_str(), pixels, 0, 2, 1), 0);
    EXPECT_EQ(png_write_rgba(path.c_str(), pixels, 2, -1, 1), 0);
    EXPECT_EQ(png_write_rgba(path.c_str(), nullptr, 2, 2, 1), 0);
    EXPECT_EQ(png_write_rgba(path.c_str(), pixels, 0x7FFFFFFF, 0x7FFFFFFF, 1), 0);
    EXPECT_FALSE(fs::exists(path));
    fs::remove_all(temp_dir());
}
