// options.h - frostmere-capture's command line.
//
//   CaptureOptions options;
//   std::string error;
//   if (!capture_parse_options(argc, argv, &options, &error))
//       fprintf(stderr, "frostmere-capture: %s\n", error.c_str());
//
// Every number is plain decimal digits (a duration may have a fraction);
// each option is given once, except --frames, whose lists add up; a word
// that is no option, an option without its value and options that cannot
// work together are refused, so nothing asked for is silently left out.
// The options are one table in options.cpp: a new one is a row
// there, a field here and a line of the usage.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum CaptureMode {
    CAPTURE_MODE_RUN = 0,     // the program, into frames, a log, sound and video
    CAPTURE_MODE_TEXTURES,    // the ten textures only
    CAPTURE_MODE_SOUNDTRACK,  // a module rendered offline to WAV (or through ffmpeg)
    CAPTURE_MODE_HELP,        // --help or -h: print the usage and stop
};

struct CaptureOptions {
    int mode = CAPTURE_MODE_RUN;
    std::string out_dir;
    std::vector<uint32_t> frames;  // sorted, each once
    uint32_t every = 0;
    uint32_t max_frames = 0;
    int fps = 60;
    std::string log_path;
    std::string wav_path;
    std::string timing_path;
    std::string textures_dir;
    std::string soundtrack_path;
    std::string module_path;
    double seconds = 60.0;
    int seconds_given = 0;  // without --seconds the song's own length is rendered
    std::string video_path;
    uint32_t scale = 1;     // integer enlargement of the video, nearest neighbour
    int quiet = 0;          // no progress on stderr
};

// 1 with *options filled in; 0 with one line saying what is wrong in *error
// (without the program's name).
int capture_parse_options(int argc, const char *const *argv, CaptureOptions *options,
                          std::string *error);

// What the options do and exactly which values each one takes.
void capture_usage(FILE *to);
