// png_test.cpp - the PNG writer through the reader: pictures come back as
// written, with alpha or opaque, whichever filter each row takes; the same
// pixels give the same bytes; failures are reported.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "png_read.h"
#include "support/png_write.h"

static std::string load(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(PngFile, RoundTripsAndReportsFailures)
{
    const std::string path = (std::filesystem::temp_directory_path() / "fm_png_test.png").string();
    for (const auto &size : {std::array{320, 48}, std::array{1, 1}, std::array{7, 3}})
        for (int alpha = 0; alpha < 2; ++alpha) {
            // Bands of flat, noisy, sloped and patterned rows: each filter wins somewhere.
            const int w = size[0], h = size[1];
            std::vector<uint8_t> picture((size_t)w * h * 4), back;
            uint32_t seed = 1;
            for (size_t i = 0; i < picture.size(); ++i) {
                const int x = (int)(i / 4 % w), y = (int)(i / 4 / w), c = (int)(i % 4);
                seed = seed * 1103515245 + 12345;
                const int bands[4] = {0, (int)(seed >> 16), x * 3 + y * 5 + c * 40,
                                      (x * 7 * (c + 1)) ^ y};
                picture[i] = (uint8_t)bands[y / 8 % 4];
            }
            ASSERT_EQ(png_write_rgba(path.c_str(), picture.data(), w, h, alpha), 1);
            const std::string file = load(path);
            int bw = 0, bh = 0;
            ASSERT_EQ(png_read_rgba(path.c_str(), back, &bw, &bh), 1);
            for (size_t i = 3; !alpha && i < picture.size(); i += 4)
                picture[i] = 255;
            EXPECT_TRUE(bw == w && bh == h && back == picture) << w << "x" << h << " " << alpha;
            ASSERT_EQ(png_write_rgba(path.c_str(), picture.data(), w, h, alpha), 1);
            EXPECT_TRUE(load(path) == file);
        }
    const std::string file = load(path);
    std::ofstream(path, std::ios::binary) << file.substr(0, file.size() - 20);  // cut short
    std::vector<uint8_t> rgba;
    int w = 0, h = 0;
    EXPECT_EQ(png_read_rgba(path.c_str(), rgba, &w, &h), 0);
    std::filesystem::remove(path);
    const uint8_t pixel[4] = {1, 2, 3, 4};
    EXPECT_EQ(png_write_rgba("/proc/no/such/dir/f.png", pixel, 1, 1, 1), 0);
}
