// Runs frostmere-capture as a user does and looks at what it wrote.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program.h"
#include "support/png_write.h"

namespace fs = std::filesystem;

struct RunResult {
    int exit_code = -1;
    std::string output;
};

#ifdef _WIN32
// A tool built on Linux and run under Wine is seen through Wine's Z: drive.
static std::string tool_command()
{
    std::string command = "\"";
    if (CAPTURE_TOOL[0] == '/')
        command += "Z:";
    command += CAPTURE_TOOL;
    command += '"';
    return command;
}
#define popen _popen
#define pclose _pclose
#define exit_code_of(status) (status)
#else
static std::string tool_command()
{
    return CAPTURE_TOOL;
}
#define exit_code_of(status) (WIFEXITED(status) ? WEXITSTATUS(status) : -1)
#endif

static RunResult run_capture(const std::string &arguments)
{
    RunResult result;
    FILE *pipe = popen((tool_command() + " " + arguments + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe))
        result.output += buffer;
    int status = pclose(pipe);
    result.exit_code = exit_code_of(status);
    return result;
}

static fs::path fresh_dir(const char *name)
{
    const auto tag = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path dir = fs::temp_directory_path() / ("frostmere-test-" + std::to_string(tag)) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// The red byte of pixel (x, y) of a written frame.
static int red_at(const fs::path &dir, uint32_t frame, int x, int y)
{
    char name[32];
    snprintf(name, sizeof name, "frame-%06u.png", frame);
    std::vector<uint8_t> rgba;
    int width = 0, height = 0;
    if (!png_read_rgba((dir / name).string().c_str(), rgba, &width, &height) || width != 640 ||
        height != 480)
        return -1;
    return rgba[((size_t)y * width + x) * 4];
}

TEST(CaptureTool, WritesTheLoadingScreenAndItsFadeWithoutADisplay)
{
    // Frame k is the loading screen after task k + 1; the last task's frame
    // starts the fade, which halves the picture 32 frames on.
    uint32_t last = PRECALC_TASK_COUNT - 1;
    fs::path dir = fresh_dir("loading");
    RunResult run = run_capture("--out " + dir.string() + " --frames 0," + std::to_string(last) +
                                "," + std::to_string(last + 32));
    ASSERT_EQ(run.exit_code, 0) << run.output;
    int bar = red_at(dir, 0, 5, 100);
    EXPECT_NEAR(bar, 128, 1);
    EXPECT_EQ(red_at(dir, 0, 5, 470), 255);          // the first task's marker
    EXPECT_EQ(red_at(dir, last, 639, 100), bar);     // the full bar, not yet faded
    EXPECT_NEAR(red_at(dir, last + 32, 5, 100), bar / 2, 1);
}

// The command line's cases are in capture_options_test.cpp; here only that
// a refusal reaches the user, before anything is written.
TEST(CaptureTool, RefusesBadArgumentsBeforeWritingAndReportsMissingFrames)
{
    fs::path dir = fresh_dir("refused");
    const std::string wav = (dir / "s.wav").string(), frames = (dir / "frames").string();
    const std::pair<std::string, const char *> ROWS[] = {
        {"foo", "unknown argument 'foo'"},
        {"--out", "--out needs a value"},
        {"--soundtrack " + wav + " --out " + frames + " --frames 0,1",
         "--soundtrack cannot be combined with --out, --frames"},
        {"--soundtrack " + wav + " --seconds 1e-9", "--seconds wants"},
    };
    for (const auto &[arguments, says] : ROWS) {
        RunResult run = run_capture(arguments);
        EXPECT_EQ(run.exit_code, 1) << arguments;
        EXPECT_NE(run.output.find(std::string("frostmere-capture: ") + says), std::string::npos)
            << run.output;
        EXPECT_FALSE(fs::exists(wav)) << arguments;
        EXPECT_FALSE(fs::exists(frames)) << arguments;
    }
    RunResult run = run_capture("--out " + fresh_dir("beyond").string() +
                                " --frames 100000000 --max-frames 3");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.output.find("was asked for"), std::string::npos) << run.output;
}

// The whole intro, headless: the log shows the timeline following the song,
// one entry a frame at most, to its terminator; the sound covers every frame.
TEST(CaptureTool, TheTimelineFollowsTheSongToTheTerminator)
{
    static const unsigned STARTS[] = {0, 128, 192, 256, 320, 384, 448, 464, 576, 672};
    fs::path dir = fresh_dir("whole");
    RunResult run = run_capture("--log " + (dir / "log.txt").string() + " --wav " +
                                (dir / "sound.wav").string());
    ASSERT_EQ(run.exit_code, 0) << run.output;

    FILE *file = fopen((dir / "log.txt").string().c_str(), "r");
    ASSERT_NE(file, nullptr);
    char text[256];
    int frames = 0, entry = -1, elapsed = 0, order = 0, row = 0;
    while (fgets(text, sizeof text, file)) {
        int frame, ms, frame_ms, e;
        if (sscanf(text, "%d %d %d %d %d %d", &frame, &ms, &frame_ms, &order, &row, &e) != 6)
            continue;
        ASSERT_EQ(frame, frames++);
        if (e < 0) {  // the task frames and the fade
            ASSERT_LT((uint32_t)frame, PRECALC_TASK_COUNT + 63);
            continue;
        }
        unsigned position = (unsigned)(order * 64 + row);
        if (entry < 0) {  // the first frame of the song
            EXPECT_EQ((uint32_t)frame, PRECALC_TASK_COUNT + 63);
            EXPECT_EQ(ms, 0);
            EXPECT_EQ(frame_ms, 0);
            EXPECT_EQ(position, 0u);
        } else {
            ASSERT_LE(e, entry + 1) << "frame " << frame;
            EXPECT_EQ(frame_ms, 16);
            EXPECT_EQ(ms, elapsed + frame_ms);
        }
        ASSERT_GE(e, entry) << "frame " << frame;
        EXPECT_GE(position, STARTS[e]) << "frame " << frame;
        if (e == entry && e < 9) {  // no switch: the next entry's start is not reached
            EXPECT_LT(position, STARTS[e + 1]) << "frame " << frame;
        }
        entry = e;
        elapsed = ms;
    }
    fclose(file);
    EXPECT_EQ(entry, 9);
    EXPECT_EQ(order * 64 + row, 672);
    // 735 stereo frames of sound per video frame at 60 fps.
    EXPECT_EQ(fs::file_size(dir / "sound.wav"), 44u + (uintmax_t)frames * 735 * 4);
}

TEST(CaptureTool, TexturesAndSoundtrackExports)
{
    fs::path dir = fresh_dir("exports");
    RunResult run = run_capture("--textures " + (dir / "a" / "b").string());
    ASSERT_EQ(run.exit_code, 0) << run.output;  // missing parents are made
    EXPECT_EQ(fs::file_size(dir / "a" / "b" / "texture9.rgba"), 262144u);

    run = run_capture("--soundtrack " + (dir / "song.wav").string() + " --seconds 2");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(fs::file_size(dir / "song.wav"), 44u + 88200u * 4);

    FILE *junk = fopen((dir / "junk.xm").string().c_str(), "wb");
    ASSERT_NE(junk, nullptr);
    fputs("Extended Module: but nothing after it", junk);
    fclose(junk);
    run = run_capture("--soundtrack " + (dir / "j.wav").string() + " --module " +
                      (dir / "junk.xm").string());
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.output.find("rejected"), std::string::npos) << run.output;
}

