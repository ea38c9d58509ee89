// Runs frostmere-capture as a user does and looks at what it wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/program.h"
#include "support/png_write.h"

namespace fs = std::filesystem;

struct RunResult {
    int exit_code;
    std::string output;
};

static RunResult run_capture(const std::string &arguments)
{
    std::string command = std::string(CAPTURE_TOOL) + " " + arguments + " 2>&1";
    RunResult result = {-1, {}};
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe))
        result.output += buffer;
    int status = pclose(pipe);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

static fs::path fresh_dir(const char *name)
{
    fs::path dir = fs::temp_directory_path() / ("frostmere-test-" + std::to_string(getpid())) / name;
    fs::remove_all(dir);
    return dir;
}

struct Frame {
    std::vector<uint8_t> rgba;
    int width = 0, height = 0;
    const uint8_t *at(int x, int y) const { return &rgba[((size_t)y * width + x) * 4]; }
};

static Frame load(const fs::path &path)
{
    Frame frame;
    EXPECT_EQ(png_read_rgba(path.c_str(), frame.rgba, &frame.width, &frame.height), 1) << path;
    return frame;
}

TEST(CaptureTool, WritesTheLoadingScreenAndItsFadeWithoutADisplay)
{
    // Frame k (from 0) is the loading screen after task k + 1; the frame of
    // the last task starts the fade, which halves the picture 32 frames on.
    uint32_t last_task_frame = PRECALC_TASK_COUNT - 1;
    uint32_t half_fade_frame = last_task_frame + 32;
    fs::path dir = fresh_dir("loading");
    std::string frames = "0," + std::to_string(last_task_frame) + "," + std::to_string(half_fade_frame);
    RunResult run = run_capture("--out " + dir.string() + " --frames " + frames);
    ASSERT_EQ(run.exit_code, 0) << run.output;

    char name[32];
    snprintf(name, sizeof name, "frame-%06u.png", 0u);
    Frame first = load(dir / name);
    ASSERT_EQ(first.width, 640);
    ASSERT_EQ(first.height, 480);
    // The first task's marker is white, the bar dark red under it.
    EXPECT_EQ(first.at(5, 470)[0], 255);
    EXPECT_EQ(first.at(5, 470)[1], 255);
    int bar_red = first.at(5, 100)[0];
    EXPECT_NEAR(bar_red, 128, 1);
    EXPECT_EQ(first.at(5, 100)[1], 0);

    snprintf(name, sizeof name, "frame-%06u.png", last_task_frame);
    Frame done = load(dir / name);
    EXPECT_EQ(done.at(639, 100)[0], bar_red);  // the bar is full, not yet faded
    int last_marker_x = (int)((PRECALC_TASK_COUNT - 1) * 640 / PRECALC_TASK_COUNT) + 1;
    EXPECT_EQ(done.at(last_marker_x, 470)[0], 255);  // and the last task's marker white
    snprintf(name, sizeof name, "frame-%06u.png", half_fade_frame);
    Frame half = load(dir / name);
    EXPECT_NEAR(half.at(5, 100)[0], bar_red / 2, 1);
    EXPECT_NEAR(half.at(5, 470)[0], 128, 1);
    EXPECT_NE(run.output.find("wrote"), std::string::npos);
}

TEST(CaptureTool, EveryNthFrameWithALimit)
{
    fs::path dir = fresh_dir("every");
    RunResult run = run_capture("--out " + dir.string() + " --every 5 --max-frames 12");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    int files = 0;
    for (const auto &entry : fs::directory_iterator(dir)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 3);  // frames 0, 5 and 10
    EXPECT_TRUE(fs::exists(dir / "frame-000010.png"));
}

TEST(CaptureTool, RejectsBadArgumentsWithAMessage)
{
    for (const char *arguments : {"", "--out", "--out /tmp/x --frames 1,,2", "--out /tmp/x --fps 0",
                                  "--out /tmp/x --every -3", "--bogus 1"}) {
        RunResult run = run_capture(arguments);
        EXPECT_EQ(run.exit_code, 1) << arguments;
        EXPECT_NE(run.output.find("frostmere-capture:"), std::string::npos) << arguments;
    }
}

TEST(CaptureTool, AFrameBeyondTheEndIsAFailure)
{
    fs::path dir = fresh_dir("beyond");
    RunResult run = run_capture("--out " + dir.string() + " --frames 100000000 --max-frames 3");
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_NE(run.output.find("was asked for"), std::string::npos) << run.output;
}

TEST(CaptureTool, LogsEveryPresentedFrame)
{
    fs::path dir = fresh_dir("log");
    fs::create_directories(dir);
    fs::path log = dir / "frames.txt";
    RunResult run = run_capture("--log " + log.string() + " --max-frames 20");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    FILE *file = fopen(log.c_str(), "r");
    ASSERT_NE(file, nullptr);
    char line[256];
    ASSERT_NE(fgets(line, sizeof line, file), nullptr);
    EXPECT_EQ(line[0], '#');
    int frames = 0;
    while (fgets(line, sizeof line, file)) {
        int frame, elapsed, frame_ms, order, row, entry;
        ASSERT_EQ(sscanf(line, "%d %d %d %d %d %d", &frame, &elapsed, &frame_ms, &order, &row, &entry), 6);
        EXPECT_EQ(frame, frames);
        if (frame < 20 && (uint32_t)frame < PRECALC_TASK_COUNT + 63) {  // still loading
            EXPECT_EQ(order, -1);
            EXPECT_EQ(entry, -1);
        }
        ++frames;
    }
    fclose(file);
    EXPECT_EQ(frames, 20);
}

struct LogLine {
    int frame, elapsed, frame_ms, order, row, entry;
};

static std::vector<LogLine> read_log(const fs::path &path)
{
    std::vector<LogLine> lines;
    FILE *file = fopen(path.c_str(), "r");
    if (!file)
        return lines;
    char text[256];
    while (fgets(text, sizeof text, file)) {
        LogLine l;
        if (sscanf(text, "%d %d %d %d %d %d", &l.frame, &l.elapsed, &l.frame_ms, &l.order, &l.row,
                   &l.entry) == 6)
            lines.push_back(l);
    }
    fclose(file);
    return lines;
}

// The whole intro, headless: the timeline follows the song to its end.
TEST(CaptureTool, TheTimelineFollowsTheSongToTheTerminator)
{
    static const unsigned STARTS[] = {0, 128, 192, 256, 320, 384, 448, 464, 576, 672};
    fs::path dir = fresh_dir("whole");
    fs::create_directories(dir);
    RunResult run = run_capture("--log " + (dir / "log.txt").string() + " --wav " +
                                (dir / "sound.wav").string());
    ASSERT_EQ(run.exit_code, 0) << run.output;
    std::vector<LogLine> log = read_log(dir / "log.txt");
    ASSERT_GT(log.size(), 3000u);

    size_t first = 0;
    while (first < log.size() && log[first].entry < 0)
        ++first;
    ASSERT_EQ(first, PRECALC_TASK_COUNT + 63);  // the task frames and the fade
    EXPECT_EQ(log[first].elapsed, 0);
    EXPECT_EQ(log[first].frame_ms, 0);
    EXPECT_EQ(log[first].order, 0);
    EXPECT_EQ(log[first].row, 0);
    EXPECT_EQ(log[first].entry, 0);

    int entry = 0;
    int elapsed = 0;
    for (size_t i = first + 1; i < log.size(); ++i) {
        const LogLine &l = log[i];
        unsigned position = (unsigned)(l.order * 64 + l.row);
        ASSERT_GE(l.entry, entry) << "frame " << l.frame;
        ASSERT_LE(l.entry, entry + 1) << "frame " << l.frame;  // one step a frame
        if (l.entry == entry + 1) {
            EXPECT_GE(position, STARTS[l.entry]) << "frame " << l.frame;
        } else if (entry + 1 < 10) {
            EXPECT_LT(position, STARTS[entry + 1]) << "frame " << l.frame;
        }
        EXPECT_EQ(l.elapsed, elapsed + l.frame_ms);
        EXPECT_EQ(l.frame_ms, 16);
        entry = l.entry;
        elapsed = l.elapsed;
    }
    EXPECT_EQ(entry, 9);  // it ended on the terminator's frame
    EXPECT_EQ(log.back().order * 64 + log.back().row, 672);

    // The sound covers every presented frame: 735 stereo frames each at 60 fps.
    uintmax_t wav_bytes = fs::file_size(dir / "sound.wav");
    EXPECT_EQ(wav_bytes, 44u + log.size() * 735 * 4);
}

TEST(CaptureTool, WritesTheTenTextures)
{
    fs::path dir = fresh_dir("textures");
    RunResult run = run_capture("--textures " + dir.string());
    ASSERT_EQ(run.exit_code, 0) << run.output;
    for (int i = 0; i < 10; ++i) {
        std::string name = "texture" + std::to_string(i);
        EXPECT_EQ(fs::file_size(dir / (name + ".rgba")), 262144u) << name;
        Frame png = load(dir / (name + ".png"));
        EXPECT_EQ(png.width, 256);
    }
}

TEST(CaptureTool, SoundtrackOfTheSongAndOfARejectedModule)
{
    fs::path dir = fresh_dir("soundtrack");
    fs::create_directories(dir);
    RunResult run = run_capture("--soundtrack " + (dir / "song.wav").string() + " --seconds 2");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(fs::file_size(dir / "song.wav"), 44u + 88200u * 4);

    fs::path junk = dir / "junk.xm";
    FILE *file = fopen(junk.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs("Extended Module: but nothing after it", file);
    fclose(file);
    run = run_capture("--soundtrack " + (dir / "junk.wav").string() + " --module " + junk.string());
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_NE(run.output.find("rejected"), std::string::npos) << run.output;

    run = run_capture("--soundtrack " + (dir / "x.wav").string() + " --module /no/such/file.xm");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.output.find("cannot read"), std::string::npos) << run.output;
}
