// fuzz_png_write.cpp - libFuzzer target: the PNG writer on any picture.
//
// Input: width - 1, height - 1 (a byte each, up to 256 x 256), a flags
// byte (bit 0 keeps the alpha channel, bit 1 also offers the writer a size
// of 0 and a negative one, which it must refuse), then the RGBA pixels,
// repeated to fill the picture. What is written must read back as the same
// pixels (alpha 255 when it was dropped).
#include <string>
#include <unistd.h>
#include <vector>

#include "fuzz_support.h"
#include "png_read.h"
#include "support/png_write.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const int width = data[0] + 1, height = data[1] + 1, keep_alpha = data[2] & 1;
    std::vector<uint8_t> rgba((size_t)width * height * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = data[3 + i % (size - 3)];
    const std::string path = "/tmp/fuzz_png_write_" + std::to_string(getpid()) + ".png";
    if (data[2] & 2)
        FUZZ_CHECK(!png_write_rgba(path.c_str(), rgba.data(), 0, height, keep_alpha) &&
                       !png_write_rgba(path.c_str(), rgba.data(), width, -height, keep_alpha),
                   "a picture without pixels was written");
    FUZZ_CHECK(png_write_rgba(path.c_str(), rgba.data(), width, height, keep_alpha),
               "%d x %d not written", width, height);
    std::vector<uint8_t> back;
    int w = 0, h = 0;
    FUZZ_CHECK(png_read_rgba(path.c_str(), back, &w, &h), "%d x %d does not read back", width,
               height);
    unlink(path.c_str());
    if (!keep_alpha)
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255;
    FUZZ_CHECK(w == width && h == height && back == rgba, "%d x %d read back otherwise", width,
               height);
    return 0;
}
