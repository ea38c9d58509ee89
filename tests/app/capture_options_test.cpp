// The capture tool's command line: what it takes, what it refuses and why.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "capture/options.h"

// Parses "frostmere-capture" + arguments; the options in one line, or the error.
static std::string parse(const std::vector<const char *> &arguments)
{
    std::vector<const char *> argv = {"frostmere-capture"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    CaptureOptions o;
    std::string error;
    if (!capture_parse_options((int)argv.size(), argv.data(), &o, &error))
        return "error: " + error;
    static const char *const MODES[] = {"run", "textures", "soundtrack", "help"};
    std::string frames;
    for (uint32_t f : o.frames) {
        if (!frames.empty())
            frames += ',';
        frames += std::to_string(f);
    }
    char line[512];
    snprintf(line, sizeof line, "%s out=%s frames=%s every=%u max=%u fps=%d log=%s wav=%s "
             "tex=%s st=%s mod=%s s=%.7g%s%s", MODES[o.mode], o.out_dir.c_str(), frames.c_str(),
             o.every, o.max_frames, o.fps, o.log_path.c_str(), o.wav_path.c_str(),
             o.textures_dir.c_str(), o.soundtrack_path.c_str(), o.module_path.c_str(), o.seconds,
             o.timing_path.empty() ? "" : " timing=", o.timing_path.c_str());
    return line;
}

struct Row {
    std::vector<const char *> arguments;
    const char *expected;
};

TEST(CaptureOptions, TakesWhatEachModeAccepts)
{
    static const Row ROWS[] = {
        {{"--out", "d"}, "run out=d frames= every=0 max=0 fps=60 log= wav= tex= st= mod= s=60"},
        {{"--out", "d", "--frames", "70,0,7,7", "--frames", "3"},
         "run out=d frames=0,3,7,70 every=0 max=0 fps=60 log= wav= tex= st= mod= s=60"},
        {{"--out", "d", "--every", "4294967295", "--frames", "4294967295", "--max-frames", "1",
          "--fps", "1000"},
         "run out=d frames=4294967295 every=4294967295 max=1 fps=1000 log= wav= tex= st= mod= "
         "s=60"},
        {{"--log", "l", "--fps", "1", "--max-frames", "4294967295"},
         "run out= frames= every=0 max=4294967295 fps=1 log=l wav= tex= st= mod= s=60"},
        {{"--out", "d", "--every", "007"},
         "run out=d frames= every=7 max=0 fps=60 log= wav= tex= st= mod= s=60"},
        {{"--wav", "-w.wav"}, "run out= frames= every=0 max=0 fps=60 log= wav=-w.wav tex= st= "
                              "mod= s=60"},
        {{"--timing", "t", "--max-frames", "9"}, "run out= frames= every=0 max=9 fps=60 log= wav= "
                                                 "tex= st= mod= s=60 timing=t"},
        {{"--textures", "t"}, "textures out= frames= every=0 max=0 fps=60 log= wav= tex=t st= "
                              "mod= s=60"},
        {{"--soundtrack", "s.wav", "--seconds", "3600", "--module", "m.xm"},
         "soundtrack out= frames= every=0 max=0 fps=60 log= wav= tex= st=s.wav mod=m.xm s=3600"},
        {{"--soundtrack", "s.wav", "--seconds", "0.0000227"},
         "soundtrack out= frames= every=0 max=0 fps=60 log= wav= tex= st=s.wav mod= s=2.27e-05"},
        {{"--soundtrack", "s.wav", "--seconds", "002.50"},
         "soundtrack out= frames= every=0 max=0 fps=60 log= wav= tex= st=s.wav mod= s=2.5"},
        {{"--help"}, "help out= frames= every=0 max=0 fps=60 log= wav= tex= st= mod= s=60"},
        {{"--out", "d", "-h", "--bogus"},
         "help out=d frames= every=0 max=0 fps=60 log= wav= tex= st= mod= s=60"},
    };
    for (const Row &row : ROWS)
        EXPECT_EQ(parse(row.arguments), row.expected) << row.arguments[0];
}

TEST(CaptureOptions, RefusesWhatItCannotDoAndSaysWhy)
{
    static const Row ROWS[] = {
        // Words and options it does not know; options without their value.
        {{}, "nothing to write: give --out DIR, --log FILE, --wav FILE"},
        {{"--fps", "30", "--max-frames", "3"}, "nothing to write: give --out DIR, --log FILE, "
                                               "--wav FILE, --video FILE or --timing FILE"},
        {{"foo"}, "unknown argument 'foo'"},
        {{"--out", "d", "foo"}, "unknown argument 'foo'"},
        {{"--bogus", "1"}, "unknown option '--bogus'"},
        {{"-x"}, "unknown option '-x'"},
        {{"--out"}, "--out needs a value"},
        {{"--out", ""}, "--out needs a value"},
        {{"--out", "--log", "l"}, "--out needs a value"},
        {{"--out", "a", "--out", "b"}, "--out is given twice"},
        {{"--log", "a", "--fps", "30", "--fps", "30"}, "--fps is given twice"},
        // Numbers: decimal digits only, each within its range.
        {{"--out", "d", "--frames", "1,,2"}, "--frames wants frame numbers separated by "
                                             "commas, like 0,7,70, not '1,,2'"},
        {{"--out", "d", "--frames", ",1"}, "--frames wants"},
        {{"--out", "d", "--frames", "1,"}, "--frames wants"},
        {{"--out", "d", "--frames", "1.5"}, "--frames wants"},
        {{"--out", "d", "--frames", "4294967296"}, "--frames wants"},
        {{"--out", "d", "--every", "0"}, "--every wants a whole number of at least 1, not '0'"},
        {{"--out", "d", "--every", "-3"}, "--every wants"},
        {{"--out", "d", "--every", "+3"}, "--every wants"},
        {{"--out", "d", "--every", " 3"}, "--every wants"},
        {{"--out", "d", "--every", "0x10"}, "--every wants"},
        {{"--out", "d", "--every", "4294967296"}, "--every wants"},
        {{"--out", "d", "--max-frames", "0"}, "--max-frames wants"},
        {{"--out", "d", "--max-frames", "4294967296"}, "--max-frames wants"},
        {{"--out", "d", "--fps", "0"}, "--fps wants a whole number from 1 to 1000, not '0'"},
        {{"--out", "d", "--fps", "1001"}, "--fps wants"},
        {{"--out", "d", "--fps", "60.0"}, "--fps wants"},
        {{"--soundtrack", "s", "--seconds", "1e-9"}, "--seconds wants seconds as digits with "
                                                     "an optional fraction, from 0.0000227 (one "
                                                     "sample) to 3600, not '1e-9'"},
        {{"--soundtrack", "s", "--seconds", "0x10"}, "--seconds wants"},
        {{"--soundtrack", "s", "--seconds", "0"}, "--seconds wants"},
        {{"--soundtrack", "s", "--seconds", "0.0000226"}, "--seconds wants"},
        {{"--soundtrack", "s", "--seconds", "3600.001"}, "--seconds wants"},
        {{"--soundtrack", "s", "--seconds", ".5"}, "--seconds wants"},
        {{"--soundtrack", "s", "--seconds", "5."}, "--seconds wants"},
        {{"--soundtrack", "s", "--seconds", "1.2.3"}, "--seconds wants"},
        {{"--soundtrack", "s", "--seconds", "inf"}, "--seconds wants"},
        // Options that cannot work together.
        {{"--soundtrack", "s.wav", "--out", "dir", "--frames", "0,1"},
         "--soundtrack cannot be combined with --out, --frames"},
        {{"--soundtrack", "s", "--every", "2", "--max-frames", "3", "--fps", "30", "--log", "l",
          "--wav", "w"},
         "--soundtrack cannot be combined with --every, --max-frames, --fps, --log, --wav"},
        {{"--textures", "t", "--out", "o", "--wav", "w.wav"},
         "--textures cannot be combined with --out, --wav"},
        {{"--soundtrack", "s", "--textures", "t2"}, "--textures cannot be combined with "
                                                    "--soundtrack"},
        {{"--module", "m", "--seconds", "2", "--textures", "t"},
         "--textures cannot be combined with --seconds, --module"},
        {{"--textures", "t", "--fps", "30"}, "--textures cannot be combined with --fps"},
        {{"--log", "l", "--frames", "1"}, "--frames goes with --out"},
        {{"--wav", "w", "--every", "2"}, "--every goes with --out"},
        {{"--out", "d", "--seconds", "2"}, "--seconds goes with --soundtrack"},
        {{"--log", "l", "--module", "m.xm"}, "--module goes with --soundtrack"},
    };
    for (const Row &row : ROWS) {
        std::string got = parse(row.arguments);
        EXPECT_EQ(got.rfind(std::string("error: ") + row.expected, 0), 0u)
            << (row.arguments.empty() ? "(none)" : row.arguments[0]) << " ... -> " << got;
    }
}

// The video's options, and --quiet, which goes with every mode.
TEST(CaptureOptions, VideoScaleAndQuiet)
{
    const struct {
        std::vector<const char *> arguments;
        const char *expected;
    } TAKEN[] = {
        {{"--video", "v.MKV", "--scale", "8", "--quiet"}, "run video=v.MKV scale=8 quiet=1"},
        {{"--out", "d", "--video", "v.webm"}, "run video=v.webm scale=1 quiet=0"},
        {{"--soundtrack", "s.flac", "--quiet"}, "soundtrack video= scale=1 quiet=1"},
        {{"--quiet", "--textures", "t"}, "textures video= scale=1 quiet=1"},
    };
    for (const auto &row : TAKEN) {
        std::vector<const char *> argv = {"frostmere-capture"};
        argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
        CaptureOptions o;
        std::string error;
        ASSERT_TRUE(capture_parse_options((int)argv.size(), argv.data(), &o, &error)) << error;
        static const char *const MODES[] = {"run", "textures", "soundtrack", "help"};
        EXPECT_EQ(std::string(MODES[o.mode]) + " video=" + o.video_path + " scale=" +
                      std::to_string(o.scale) + " quiet=" + std::to_string(o.quiet),
                  row.expected);
    }
    static const Row REFUSED[] = {
        {{"--video", "v.avi"}, "--video wants a file name ending in .mp4, .mkv or .webm, "
                               "not 'v.avi'"},
        {{"--video", ".mp4"}, "--video wants"},
        {{"--video", "v.mp4", "--scale", "0"}, "--scale wants a whole number from 1 to 8, "
                                               "not '0'"},
        {{"--video", "v.mp4", "--scale", "9"}, "--scale wants"},
        {{"--out", "d", "--scale", "2"}, "--scale goes with --video"},
        {{"--soundtrack", "s", "--video", "v.mp4", "--scale", "2"},
         "--soundtrack cannot be combined with --video, --scale"},
        {{"--quiet"}, "nothing to write: give --out DIR"},
        {{"--timing", "t", "--timing", "u"}, "--timing is given twice"},
        {{"--quiet", "--log", "l", "--quiet"}, "--quiet is given twice"},
    };
    for (const Row &row : REFUSED) {
        std::string got = parse(row.arguments);
        EXPECT_EQ(got.rfind(std::string("error: ") + row.expected, 0), 0u) << got;
    }
}
