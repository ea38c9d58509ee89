// capture_options.cpp - see capture_options.h.
#include "app/capture_options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "music/music.h"

enum OptionId {
    // The program run: frames, log and sound.
    OPT_OUT,
    OPT_FRAMES,
    OPT_EVERY,
    OPT_MAX_FRAMES,
    OPT_FPS,
    OPT_LOG,
    OPT_WAV,
    // Each of the two exports stands alone.
    OPT_TEXTURES,
    OPT_SOUNDTRACK,
    OPT_SECONDS,
    OPT_MODULE,
    OPT_COUNT
};

static const char *const OPTION_NAMES[OPT_COUNT] = {
    "--out", "--frames",   "--every",      "--max-frames", "--fps",    "--log",
    "--wav", "--textures", "--soundtrack", "--seconds",    "--module",
};

// An option that means nothing without another one.
struct Companion {
    int option;
    int needs;
};

static const Companion COMPANIONS[] = {
    {OPT_FRAMES, OPT_OUT},
    {OPT_EVERY, OPT_OUT},
    {OPT_SECONDS, OPT_SOUNDTRACK},
    {OPT_MODULE, OPT_SOUNDTRACK},
};

static const double MAX_SECONDS = 3600.0;
static const uint32_t MAX_FPS = 1000;

void capture_usage(FILE *to)
{
    fprintf(to,
            "usage: frostmere-capture [--out DIR] [--log FILE] [--wav FILE] [options]\n"
            "  --out DIR         write frames as DIR/frame-NNNNNN.png (DIR made when missing)\n"
            "  --frames LIST     with --out: the frames to write, e.g. 0,7,70 (the first is 0)\n"
            "  --every N         with --out: write every Nth frame (0, N, 2N, ...), N >= 1\n"
            "  --max-frames N    stop after N frames, N >= 1\n"
            "  --fps N           frames per second of the virtual display, 1 to 1000 (60)\n"
            "  --log FILE        one line per frame: frame elapsed_ms frame_ms order row entry\n"
            "  --wav FILE        the sound the program plays, from its first frame, as WAV\n"
            "With --out alone every frame is written; with --frames and no --every or --log\n"
            "the run stops after the last frame listed.\n"
            "\n"
            "       frostmere-capture --textures DIR\n"
            "  writes the ten procedural textures as DIR/textureN.png and .rgba, then exits\n"
            "\n"
            "       frostmere-capture --soundtrack FILE [--seconds S] [--module IN.xm]\n"
            "  renders the song (or any XM module) offline to a WAV file as fast as it goes;\n"
            "  S is seconds as digits with an optional fraction (90, 2.5), at least one\n"
            "  sample at 44100 Hz (0.0000227) and at most 3600; 60 when not given\n"
            "\n"
            "Numbers are decimal digits only: no sign, exponent or 0x. Each option is given\n"
            "once (--frames lists add up). --textures stands alone; --soundtrack takes only\n"
            "--seconds and --module.\n"
            "Ctrl-C or SIGTERM ends a capture after its current frame with every file\n"
            "finished, exit code 130 or 143.\n");
}

// Digits, and where a fraction is allowed one '.' with digits on both sides;
// anything else (signs, spaces, exponents, hex, inf) is not a number here.
static int parse_decimal(const char *text, int fraction_allowed, double *value)
{
    int before = 0, after = 0, point = 0;
    for (const char *c = text; *c; ++c) {
        if (*c >= '0' && *c <= '9')
            ++(point ? after : before);
        else if (*c == '.' && fraction_allowed && !point)
            point = 1;
        else
            return 0;
    }
    if (!before || (point && !after))
        return 0;
    *value = strtod(text, nullptr);
    return 1;
}

static int parse_count(const char *text, uint32_t minimum, uint32_t maximum, uint32_t *value)
{
    double v;
    if (!parse_decimal(text, 0, &v) || v < minimum || v > maximum)
        return 0;
    *value = (uint32_t)v;
    return 1;
}

// Numbers separated by single commas; adds them to frames.
static int parse_frame_list(const char *text, std::vector<uint32_t> &frames)
{
    std::string list = text;
    size_t begin = 0;
    for (;;) {
        size_t end = list.find(',', begin);
        if (end == std::string::npos)
            end = list.size();
        uint32_t frame;
        if (!parse_count(list.substr(begin, end - begin).c_str(), 0, 0xFFFFFFFFu, &frame))
            return 0;
        frames.push_back(frame);
        if (end == list.size())
            return 1;
        begin = end + 1;
    }
}

// A duration that renders at least one sample frame, as the renderer counts.
static int parse_seconds(const char *text, double *seconds)
{
    double v;
    if (!parse_decimal(text, 1, &v) || v > MAX_SECONDS || (uint64_t)(v * OUTPUT_RATE) < 1)
        return 0;
    *seconds = v;
    return 1;
}

static int find_option(const char *arg)
{
    for (int id = 0; id < OPT_COUNT; ++id)
        if (!strcmp(arg, OPTION_NAMES[id]))
            return id;
    return -1;
}

// Reads one option's value into options; 0 with the complaint in error.
static int take_value(int id, const char *value, CaptureOptions *options, std::string *error)
{
    const char *wants = nullptr;
    switch (id) {
    case OPT_OUT: options->out_dir = value; break;
    case OPT_LOG: options->log_path = value; break;
    case OPT_WAV: options->wav_path = value; break;
    case OPT_TEXTURES: options->textures_dir = value; break;
    case OPT_SOUNDTRACK: options->soundtrack_path = value; break;
    case OPT_MODULE: options->module_path = value; break;
    case OPT_FRAMES:
        if (!parse_frame_list(value, options->frames))
            wants = "frame numbers separated by commas, like 0,7,70";
        break;
    case OPT_EVERY:
        if (!parse_count(value, 1, 0xFFFFFFFFu, &options->every))
            wants = "a whole number of at least 1";
        break;
    case OPT_MAX_FRAMES:
        if (!parse_count(value, 1, 0xFFFFFFFFu, &options->max_frames))
            wants = "a whole number of at least 1";
        break;
    case OPT_FPS: {
        uint32_t fps;
        if (parse_count(value, 1, MAX_FPS, &fps))
            options->fps = (int)fps;
        else
            wants = "a whole number from 1 to 1000";
        break;
    }
    case OPT_SECONDS:
        if (!parse_seconds(value, &options->seconds))
            wants = "seconds as digits with an optional fraction, from 0.0000227 (one "
                    "sample) to 3600";
        break;
    }
    if (!wants)
        return 1;
    *error = std::string(OPTION_NAMES[id]) + " wants " + wants + ", not '" + value + "'";
    return 0;
}

// "--a, --b" for the options given among first .. last, except skip.
static std::string given_among(const int *given, int first, int last, int skip)
{
    std::string names;
    for (int id = first; id <= last; ++id) {
        if (!given[id] || id == skip)
            continue;
        if (!names.empty())
            names += ", ";
        names += OPTION_NAMES[id];
    }
    return names;
}

// Refuses what cannot be done together and picks the mode.
static int check_combination(const int *given, CaptureOptions *options, std::string *error)
{
    const char *alone = given[OPT_TEXTURES] ? "--textures" : "--soundtrack";
    std::string others;
    if (given[OPT_TEXTURES]) {
        options->mode = CAPTURE_MODE_TEXTURES;
        others = given_among(given, 0, OPT_COUNT - 1, OPT_TEXTURES);
    } else if (given[OPT_SOUNDTRACK]) {
        options->mode = CAPTURE_MODE_SOUNDTRACK;
        others = given_among(given, OPT_OUT, OPT_WAV, -1);
    }
    if (!others.empty()) {
        *error = std::string(alone) + " cannot be combined with " + others;
        return 0;
    }
    for (const Companion &c : COMPANIONS) {
        if (given[c.option] && !given[c.needs]) {
            *error = std::string(OPTION_NAMES[c.option]) + " goes with " + OPTION_NAMES[c.needs];
            return 0;
        }
    }
    if (options->mode == CAPTURE_MODE_RUN && !given[OPT_OUT] && !given[OPT_LOG] &&
        !given[OPT_WAV]) {
        *error = "nothing to write: give --out DIR, --log FILE or --wav FILE";
        return 0;
    }
    return 1;
}

int capture_parse_options(int argc, const char *const *argv, CaptureOptions *options,
                          std::string *error)
{
    *options = CaptureOptions();
    int given[OPT_COUNT] = {};
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (!strcmp(arg, "--help") || !strcmp(arg, "-h")) {
            options->mode = CAPTURE_MODE_HELP;
            return 1;
        }
        int id = find_option(arg);
        if (id < 0) {
            *error = std::string(arg[0] == '-' ? "unknown option '" : "unknown argument '") +
                     arg + "'";
            return 0;
        }
        if (given[id] && id != OPT_FRAMES) {
            *error = std::string(arg) + " is given twice";
            return 0;
        }
        // An empty word or the next option is no value: taking it would
        // silently turn, say, "--out --log x" into a folder named --log.
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value || !value[0] || !strncmp(value, "--", 2)) {
            *error = std::string(arg) + " needs a value";
            return 0;
        }
        ++i;
        given[id] = 1;
        if (!take_value(id, value, options, error))
            return 0;
    }
    std::sort(options->frames.begin(), options->frames.end());
    options->frames.erase(std::unique(options->frames.begin(), options->frames.end()),
                          options->frames.end());
    return check_combination(given, options, error);
}
