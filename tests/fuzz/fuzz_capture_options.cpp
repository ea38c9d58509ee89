// fuzz_capture_options.cpp - libFuzzer target: frostmere-capture's command line.
//
// Input: the words after the program's name, each ended by a NUL byte. The
// parser must accept them with the frames in order and the mode's own output
// named, or refuse them with a reason; the same words parsed twice give the
// same answer. The ranges of single values are the options tests' to pin.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "capture/options.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> words = {"frostmere-capture"};
    for (size_t at = 0; at < size; at += words.back().size() + 1)
        words.emplace_back((const char *)data + at, strnlen((const char *)data + at, size - at));
    std::vector<const char *> argv;
    for (const std::string &w : words)
        argv.push_back(w.c_str());
    CaptureOptions o, again;
    std::string why, why_again;
    const int ok = capture_parse_options((int)argv.size(), argv.data(), &o, &why);
    FUZZ_CHECK(ok == capture_parse_options((int)argv.size(), argv.data(), &again, &why_again) &&
                   why == why_again && o.mode == again.mode && o.frames == again.frames,
               "two parses of one command line differ");
    if (!ok || o.mode == CAPTURE_MODE_HELP) {
        FUZZ_CHECK(ok || !why.empty(), "refused without a reason");
        return 0;
    }
    FUZZ_CHECK(std::adjacent_find(o.frames.begin(), o.frames.end(),
                                  [](uint32_t a, uint32_t b) { return a >= b; }) == o.frames.end(),
               "frames not in order, each once");
    const bool writes = !o.out_dir.empty() || !o.log_path.empty() || !o.wav_path.empty() ||
                        !o.video_path.empty() || !o.timing_path.empty();
    FUZZ_CHECK(o.mode == CAPTURE_MODE_RUN ? writes
               : o.mode == CAPTURE_MODE_TEXTURES ? !o.textures_dir.empty() && !writes
                                                 : !o.soundtrack_path.empty() && !writes,
               "mode %d without its output, or with another mode's", o.mode);
    return 0;
}
