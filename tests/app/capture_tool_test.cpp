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
