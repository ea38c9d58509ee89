// options.cpp - see options.h. Each option is a row of
// OPTIONS: its name, the mode it belongs to, the kind of value it takes
// (read and range-checked by parse_value alone), the option it needs, and
// the function that stores the value.
#include "capture/options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "capture/formats.h"
#include "music/music.h"

enum OptionGroup {
    GROUP_RUN,         // the program run: frames, log, sound, video
    GROUP_TEXTURES,    // stands alone
    GROUP_SOUNDTRACK,  // takes only its own companions
    GROUP_ANY,         // goes with every mode
};

enum ValueKind {
    VALUE_NONE,     // a switch: no value follows
    VALUE_TEXT,     // a file or folder name
    VALUE_COUNT,    // a whole number from minimum to maximum
    VALUE_FRAMES,   // counts separated by single commas
    VALUE_SECONDS,  // a duration that renders at least one sample
    VALUE_VIDEO,    // a file name whose extension names a video format
};

struct OptionValue {
    const char *text;
    uint32_t count;
    double seconds;
    std::vector<uint32_t> frames;
};

// A row names only the fields it sets; the others keep these defaults.
struct OptionRow {
    const char *name = nullptr;
    int group = GROUP_RUN;
    int kind = VALUE_NONE;
    uint32_t minimum = 0, maximum = 0;  // VALUE_COUNT only
    int repeatable = 0;                 // --frames lists add up
    int writes = 0;                     // a run without any such option writes nothing
    const char *needs = nullptr;        // the option it means nothing without, or null
    void (*store)(CaptureOptions *options, const OptionValue &value) = nullptr;
};

static const uint32_t ANY_COUNT = 0xFFFFFFFFu;
static const double MAX_SECONDS = 3600.0;

// The order of the rows is the order options are named in messages.
static const OptionRow OPTIONS[] = {
    {.name = "--out", .group = GROUP_RUN, .kind = VALUE_TEXT, .writes = 1,
     .store = [](CaptureOptions *o, const OptionValue &v) { o->out_dir = v.text; }},
    {.name = "--frames", .group = GROUP_RUN, .kind = VALUE_FRAMES, .repeatable = 1,
     .needs = "--out",
     .store = [](CaptureOptions *o, const OptionValue &v) {
         o->frames.insert(o->frames.end(), v.frames.begin(), v.frames.end());
     }},
    {.name = "--every", .group = GROUP_RUN, .kind = VALUE_COUNT, .minimum = 1,
     .maximum = ANY_COUNT, .needs = "--out",
     .store = [](CaptureOptions *o, const OptionValue &v) { o->every = v.count; }},
    {.name = "--max-frames", .group = GROUP_RUN, .kind = VALUE_COUNT, .minimum = 1,
     .maximum = ANY_COUNT,
     .store = [](CaptureOptions *o, const OptionValue &v) { o->max_frames = v.count; }},
    {.name = "--fps", .group = GROUP_RUN, .kind = VALUE_COUNT, .minimum = 1, .maximum = 1000,
     .store = [](CaptureOptions *o, const OptionValue &v) { o->fps = (int)v.count; }},
    {.name = "--log", .group = GROUP_RUN, .kind = VALUE_TEXT, .writes = 1,
     .store = [](CaptureOptions *o, const OptionValue &v) { o->log_path = v.text; }},
    {.name = "--wav", .group = GROUP_RUN, .kind = VALUE_TEXT, .writes = 1,
     .store = [](CaptureOptions *o, const OptionValue &v) { o->wav_path = v.text; }},
    {.name = "--timing", .group = GROUP_RUN, .kind = VALUE_TEXT, .writes = 1,
     .store = [](CaptureOptions *o, const OptionValue &v) { o->timing_path = v.text; }},
    {.name = "--video", .group = GROUP_RUN, .kind = VALUE_VIDEO, .writes = 1,
     .store = [](CaptureOptions *o, const OptionValue &v) { o->video_path = v.text; }},
    {.name = "--scale", .group = GROUP_RUN, .kind = VALUE_COUNT, .minimum = 1,
     .maximum = 8, .needs = "--video",
     .store = [](CaptureOptions *o, const OptionValue &v) { o->scale = v.count; }},
    {.name = "--textures", .group = GROUP_TEXTURES, .kind = VALUE_TEXT,
     .store = [](CaptureOptions *o, const OptionValue &v) { o->textures_dir = v.text; }},
    {.name = "--soundtrack", .group = GROUP_SOUNDTRACK, .kind = VALUE_TEXT,
     .store = [](CaptureOptions *o, const OptionValue &v) { o->soundtrack_path = v.text; }},
    {.name = "--seconds", .group = GROUP_SOUNDTRACK, .kind = VALUE_SECONDS,
     .needs = "--soundtrack",
     .store = [](CaptureOptions *o, const OptionValue &v) {
         o->seconds = v.seconds;
         o->seconds_given = 1;
     }},
    {.name = "--module", .group = GROUP_SOUNDTRACK, .kind = VALUE_TEXT,
     .needs = "--soundtrack",
     .store = [](CaptureOptions *o, const OptionValue &v) { o->module_path = v.text; }},
    {.name = "--quiet", .group = GROUP_ANY, .kind = VALUE_NONE,
     .store = [](CaptureOptions *o, const OptionValue &) { o->quiet = 1; }},
};

static const int OPTION_COUNT = (int)(sizeof OPTIONS / sizeof OPTIONS[0]);

void capture_usage(FILE *to)
{
    fprintf(to,
            "usage: frostmere-capture [--out DIR] [--log FILE] [--wav FILE] [--video FILE]\n"
            "                         [options]\n"
            "  --out DIR         write frames as DIR/frame-NNNNNN.png (DIR made when missing)\n"
            "  --frames LIST     with --out: the frames to write, e.g. 0,7,70 (the first is 0)\n"
            "  --every N         with --out: write every Nth frame (0, N, 2N, ...), N >= 1\n"
            "  --max-frames N    stop after N frames, N >= 1\n"
            "  --fps N           frames per second of the virtual display, 1 to 1000 (60)\n"
            "  --log FILE        one line per frame: frame elapsed_ms frame_ms order row entry\n"
            "  --wav FILE        the sound the program plays, from its first frame, as WAV\n"
            "  --timing FILE     the real cost of each frame (finished before its swap) per\n"
            "                    timeline entry as p50, p99 and max, each precalc task's\n"
            "                    cost and the peak memory\n"
            "  --video FILE      every frame and its sound as a video through ffmpeg: .mp4\n"
            "                    (H.264 + AAC), .mkv (FFV1 + FLAC, lossless) or .webm\n"
            "                    (VP9 + Opus)\n"
            "  --scale N         with --video: N times larger, each pixel an NxN block, 1 to 8\n"
            "  --quiet           no progress bar on stderr, no line per PNG frame written\n"
            "With --out alone every frame is written; with --frames and no --every, --log or\n"
            "--video the run stops after the last frame listed.\n"
            "\n"
            "       frostmere-capture --textures DIR\n"
            "  writes the ten procedural textures as DIR/textureN.png and .rgba, then exits\n"
            "\n"
            "       frostmere-capture --soundtrack FILE [--seconds S] [--module IN.xm]\n"
            "  renders the song (or any XM module) offline as fast as it goes: FLAC, Ogg\n"
            "  Vorbis or MP3 (through ffmpeg) when FILE ends in .flac, .ogg or .mp3, else\n"
            "  WAV; S is seconds as digits with an optional fraction (90, 2.5), at least one\n"
            "  sample at 44100 Hz (0.0000227) and at most 3600; without it the song plays\n"
            "  once, to where it ends or loops\n"
            "\n"
            "Numbers are decimal digits only: no sign, exponent or 0x. Each option is given\n"
            "once (--frames lists add up). --textures stands alone; --soundtrack takes only\n"
            "--seconds and --module (and --quiet, as every mode does).\n"
            "ffmpeg must be on the PATH for --video and compressed soundtracks (Debian:\n"
            "apt install ffmpeg, or scripts/setup).\n"
            "Exit code 0 when the run ended normally, 1 with a message on any failure.\n"
            "Ctrl-C or SIGTERM ends a capture after its current frame with the PNG, WAV and\n"
            "log files finished (a video is removed), exit code 130 or 143.\n");
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

// Numbers separated by single commas.
static int parse_frame_list(const char *text, std::vector<uint32_t> &frames)
{
    std::string list = text;
    size_t begin = 0;
    for (;;) {
        size_t end = list.find(',', begin);
        if (end == std::string::npos)
            end = list.size();
        uint32_t frame;
        if (!parse_count(list.substr(begin, end - begin).c_str(), 0, ANY_COUNT, &frame))
            return 0;
        frames.push_back(frame);
        if (end == list.size())
            return 1;
        begin = end + 1;
    }
}

// What a value of the row's kind must look like, for the complaint.
static std::string wanted(const OptionRow &row)
{
    switch (row.kind) {
    case VALUE_COUNT:
        if (row.maximum == ANY_COUNT)
            return "a whole number of at least " + std::to_string(row.minimum);
        return "a whole number from " + std::to_string(row.minimum) + " to " +
               std::to_string(row.maximum);
    case VALUE_FRAMES: return "frame numbers separated by commas, like 0,7,70";
    case VALUE_SECONDS:
        return "seconds as digits with an optional fraction, from 0.0000227 (one sample) to "
               "3600";
    case VALUE_VIDEO:
        return std::string("a file name ending in ") + CAPTURE_VIDEO_EXTENSIONS;
    default: return "a value";
    }
}

// Reads text as the row's kind of value; 0 when it is not one.
static int parse_value(const OptionRow &row, const char *text, OptionValue *value)
{
    value->text = text;
    switch (row.kind) {
    case VALUE_COUNT: return parse_count(text, row.minimum, row.maximum, &value->count);
    case VALUE_FRAMES: return parse_frame_list(text, value->frames);
    case VALUE_SECONDS: {
        // At least one sample frame, as the renderer counts.
        double v;
        if (!parse_decimal(text, 1, &v) || v > MAX_SECONDS || (uint64_t)(v * OUTPUT_RATE) < 1)
            return 0;
        value->seconds = v;
        return 1;
    }
    case VALUE_VIDEO: return capture_video_format(text) != nullptr;
    default: return 1;
    }
}

static int find_option(const char *arg)
{
    for (int id = 0; id < OPTION_COUNT; ++id)
        if (!strcmp(arg, OPTIONS[id].name))
            return id;
    return -1;
}

// "--a, --b" for the options given in the group (any group when negative),
// except skip.
static std::string given_in(const int *given, int group, int skip)
{
    std::string names;
    for (int id = 0; id < OPTION_COUNT; ++id) {
        if (!given[id] || id == skip || OPTIONS[id].group == GROUP_ANY ||
            (group >= 0 && OPTIONS[id].group != group))
            continue;
        if (!names.empty())
            names += ", ";
        names += OPTIONS[id].name;
    }
    return names;
}

// Refuses what cannot be done together and picks the mode.
static int check_combination(const int *given, CaptureOptions *options, std::string *error)
{
    const int textures = find_option("--textures"), soundtrack = find_option("--soundtrack");
    const char *alone = nullptr;
    std::string others;
    if (given[textures]) {
        options->mode = CAPTURE_MODE_TEXTURES;
        alone = "--textures";
        others = given_in(given, -1, textures);
    } else if (given[soundtrack]) {
        options->mode = CAPTURE_MODE_SOUNDTRACK;
        alone = "--soundtrack";
        others = given_in(given, GROUP_RUN, -1);
    }
    if (!others.empty()) {
        *error = std::string(alone) + " cannot be combined with " + others;
        return 0;
    }
    int writes = 0;
    for (int id = 0; id < OPTION_COUNT; ++id) {
        const OptionRow &row = OPTIONS[id];
        writes |= given[id] && row.writes;
        if (given[id] && row.needs && !given[find_option(row.needs)]) {
            *error = std::string(row.name) + " goes with " + row.needs;
            return 0;
        }
    }
    if (options->max_frames && !options->frames.empty() &&
        options->frames.back() >= options->max_frames) {
        *error = "--frames asks for frame " + std::to_string(options->frames.back()) +
                 ", but --max-frames " + std::to_string(options->max_frames) +
                 " ends the run before it (the first frame is 0)";
        return 0;
    }
    if (options->mode == CAPTURE_MODE_RUN && !writes) {
        *error = "nothing to write: give --out DIR, --log FILE, --wav FILE, --video FILE or "
                 "--timing FILE";
        return 0;
    }
    return 1;
}

int capture_parse_options(int argc, const char *const *argv, CaptureOptions *options,
                          std::string *error)
{
    *options = CaptureOptions();
    int given[OPTION_COUNT] = {};
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
        const OptionRow &row = OPTIONS[id];
        if (given[id] && !row.repeatable) {
            *error = std::string(arg) + " is given twice";
            return 0;
        }
        given[id] = 1;
        OptionValue value = {};
        if (row.kind != VALUE_NONE) {
            // An empty word or the next option is no value: taking it would
            // silently turn, say, "--out --log x" into a folder named --log.
            const char *text = i + 1 < argc ? argv[i + 1] : "";
            if (!text[0] || !strncmp(text, "--", 2)) {
                *error = std::string(arg) + " needs a value";
                return 0;
            }
            ++i;
            if (!parse_value(row, text, &value)) {
                *error = std::string(arg) + " wants " + wanted(row) + ", not '" + text + "'";
                return 0;
            }
        }
        row.store(options, value);
    }
    std::sort(options->frames.begin(), options->frames.end());
    options->frames.erase(std::unique(options->frames.begin(), options->frames.end()),
                          options->frames.end());
    return check_combination(given, options, error);
}
