// The capture tool's command line: what it takes, what it refuses and why.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "capture/options.h"

// Parses "frostmere-capture" + arguments: the mode and the fields that differ
// from their defaults, or "" and the complaint.
static std::string parse(const std::vector<const char *> &arguments)
{
    std::vector<const char *> argv = {"frostmere-capture"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    CaptureOptions o;
    std::string error;
    if (!capture_parse_options((int)argv.size(), argv.data(), &o, &error))
        return "" + error;
    static const char *const MODES[] = {"run", "textures", "soundtrack", "help"};
    std::string line = MODES[o.mode], frames, seconds = std::to_string(o.seconds);
    for (uint32_t f : o.frames)
        frames.append(frames.empty() ? "" : ",").append(std::to_string(f));
    auto number = [](uint32_t n, uint32_t unset) { return n == unset ? "" : std::to_string(n); };
    const std::pair<const char *, std::string> FIELDS[] = {
        {"out", o.out_dir}, {"frames", frames}, {"every", number(o.every, 0)},
        {"max", number(o.max_frames, 0)}, {"fps", number(o.fps, 60)}, {"log", o.log_path},
        {"wav", o.wav_path}, {"timing", o.timing_path}, {"tex", o.textures_dir},
        {"st", o.soundtrack_path}, {"mod", o.module_path},
        {"s", o.seconds_given ? seconds.erase(seconds.find_last_not_of('0') + 1) : ""},
        {"video", o.video_path}, {"scale", number(o.scale, 1)}, {"quiet", number(o.quiet, 0)}};
    for (const auto &[name, value] : FIELDS)
        line += value.empty() ? "" : std::string(" ").append(name).append("=").append(value);
    return line;
}

// What each mode accepts, and what it refuses and why.
TEST(CaptureOptions, TakesWhatEachModeAcceptsAndRefusesTheRest)
{
    static const struct {
        std::vector<const char *> arguments;
        std::string expected;
    } ROWS[] = {
        {{"--out", "d", "--frames", "70,0,7,7", "--frames", "3"}, "run out=d frames=0,3,7,70"},
        {{"--out", "d", "--every", "4294967295", "--frames", "4294967294", "--max-frames",
          "4294967295", "--fps", "1000"},
         "run out=d frames=4294967294 every=4294967295 max=4294967295 fps=1000"},
        {{"--out", "d", "--every", "007", "--frames", "2", "--max-frames", "3"},
         "run out=d frames=2 every=7 max=3"},
        {{"--log", "l", "--fps", "1", "--max-frames", "1", "--timing", "t", "--wav", "-w.wav"},
         "run max=1 fps=1 log=l wav=-w.wav timing=t"},
        {{"--textures", "t", "--quiet"}, "textures tex=t quiet=1"},
        {{"--soundtrack", "s.wav", "--seconds", "3600", "--module", "m.xm"},
         "soundtrack st=s.wav mod=m.xm s=3600."},
        {{"--soundtrack", "s.flac", "--seconds", "002.50"}, "soundtrack st=s.flac s=2.5"},
        {{"--soundtrack", "s.wav", "--seconds", "0.0000227"}, "soundtrack st=s.wav s=0.000023"},
        {{"--video", "v.MKV", "--scale", "8", "--quiet"}, "run video=v.MKV scale=8 quiet=1"},
        {{"--out", "d", "--video", "v.webm", "--scale", "1"}, "run out=d video=v.webm"},
        {{"--help"}, "help"},
        {{"--out", "d", "-h", "--bogus"}, "help out=d"},
        // Refused, with the complaint (or its start, then "..."): words and
        // options it does not know; options without their value.
        {{}, "nothing to write: give --out DIR, --log FILE, --wav FILE, --video FILE or "
             "--timing FILE"},
        {{"--fps", "30", "--quiet"}, "nothing to write..."},
        {{"foo"}, "unknown argument 'foo'"},
        {{"-x"}, "unknown option '-x'"},
        {{"--out"}, "--out needs a value"},
        {{"--out", ""}, "--out needs a value"},
        {{"--out", "--log", "l"}, "--out needs a value"},
        {{"--log", "a", "--quiet", "--quiet"}, "--quiet is given twice"},
        // Numbers: decimal digits only, each within its range.
        {{"--out", "d", "--frames", "1,,2"}, "--frames wants frame numbers separated by "
                                             "commas, like 0,7,70, not '1,,2'"},
        {{"--out", "d", "--frames", "1.5"}, "--frames wants..."},
        {{"--out", "d", "--frames", "4294967296"}, "--frames wants..."},
        {{"--out", "d", "--every", "0"}, "--every wants a whole number of at least 1, not '0'"},
        {{"--soundtrack", "s", "--seconds", "1.2.3"}, "--seconds wants..."},
        {{"--out", "d", "--every", "4294967296"}, "--every wants..."},
        {{"--out", "d", "--max-frames", "0"}, "--max-frames wants..."},
        {{"--out", "d", "--fps", "0"}, "--fps wants a whole number from 1 to 1000, not '0'"},
        {{"--video", "v.mp4", "--scale", "9"}, "--scale wants..."},
        {{"--soundtrack", "s", "--seconds", "1e-9"}, "--seconds wants seconds as digits with an "
                                                     "optional fraction, from 0.0000227 (one "
                                                     "sample) to 3600, not '1e-9'"},
        {{"--soundtrack", "s", "--seconds", "0.0000226"}, "--seconds wants..."},
        {{"--soundtrack", "s", "--seconds", "3600.001"}, "--seconds wants..."},
        {{"--soundtrack", "s", "--seconds", ".5"}, "--seconds wants..."},
        {{"--soundtrack", "s", "--seconds", "5."}, "--seconds wants..."},
        {{"--video", "v.avi"}, "--video wants a file name ending in .mp4, .mkv or .webm, "
                               "not 'v.avi'"},
        {{"--video", ".mp4"}, "--video wants..."},
        // Options that cannot work together.
        {{"--out", "d", "--frames", "0,3", "--max-frames", "3"},
         "--frames asks for frame 3, but --max-frames 3 ends the run before it (the first frame "
         "is 0)"},
        {{"--soundtrack", "s", "--every", "2", "--max-frames", "3", "--fps", "30", "--log", "l",
          "--wav", "w", "--video", "v.mp4", "--scale", "2"},
         "--soundtrack cannot be combined with --every, --max-frames, --fps, --log, --wav, "
         "--video, --scale"},
        {{"--textures", "t", "--out", "o", "--wav", "w.wav"},
         "--textures cannot be combined with --out, --wav"},
        {{"--soundtrack", "s", "--textures", "t2"}, "--textures cannot be combined with "
                                                    "--soundtrack"},
        {{"--module", "m", "--seconds", "2", "--textures", "t"},
         "--textures cannot be combined with --seconds, --module"},
        {{"--log", "l", "--frames", "1"}, "--frames goes with --out"},
        {{"--out", "d", "--scale", "2"}, "--scale goes with --video"},
    };
    for (const auto &[arguments, expected] : ROWS) {
        const std::string got = parse(arguments);
        const size_t length = expected.ends_with("...") ? expected.size() - 3 : std::string::npos;
        EXPECT_EQ(got.substr(0, length), expected.substr(0, length))
            << (arguments.empty() ? "(none)" : arguments[0]) << " ... -> " << got;
    }
}
