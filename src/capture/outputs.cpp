// outputs.cpp - see outputs.h.
#include "capture/outputs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

static int try_output(const std::string &path, std::string *why)
{
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    const int existed = fs::exists(status);
    if (existed && fs::is_directory(status)) {
        *why = "cannot write " + path + ": it is a folder";
        return 0;
    }
    if (existed && !fs::is_regular_file(status))
        return 1;  // a device or a pipe: opening it now could block
    FILE *file = fopen(path.c_str(), existed ? "ab" : "wb");
    if (!file) {
        *why = "cannot write " + path + ": " + strerror(errno);
        return 0;
    }
    fclose(file);
    if (!existed)
        remove(path.c_str());
    return 1;
}

// Two names for one file: the same text, or the same place once the folders
// and links in it are resolved.
static int same_file(const std::string &a, const std::string &b)
{
    std::error_code error_a, error_b;
    fs::path real_a = fs::weakly_canonical(a, error_a), real_b = fs::weakly_canonical(b, error_b);
    if (error_a || error_b)
        return a == b;
    return real_a == real_b;
}

int capture_check_outputs(const CaptureOptions &o, std::string *why)
{
    const struct {
        const char *option;
        const std::string &path;
    } OUTPUTS[] = {
        {"--wav", o.wav_path},
        {"--log", o.log_path},
        {"--timing", o.timing_path},
        {"--video", o.video_path},
    };
    for (size_t i = 0; i < sizeof OUTPUTS / sizeof OUTPUTS[0]; ++i) {
        if (OUTPUTS[i].path.empty())
            continue;
        for (size_t j = 0; j < i; ++j) {
            if (!OUTPUTS[j].path.empty() && same_file(OUTPUTS[i].path, OUTPUTS[j].path)) {
                *why = std::string(OUTPUTS[j].option) + " and " + OUTPUTS[i].option +
                       " name the same file " + OUTPUTS[i].path;
                return 0;
            }
        }
        // The video's folder is tried by the files made beside it.
        if (OUTPUTS[i].path != o.video_path && !try_output(OUTPUTS[i].path, why))
            return 0;
    }
    return 1;
}

int capture_make_dirs(const std::string &path, std::string *why)
{
    std::error_code error;
    fs::create_directories(path, error);
    if (!error && fs::is_directory(path, error))
        return 1;
    *why = error ? error.message() : "it is not a folder";
    return 0;
}
