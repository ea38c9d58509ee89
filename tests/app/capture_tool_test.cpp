// Runs frostmere-capture as a user does and looks at what it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program.h"
#include "music/xm_builder.h"
#include "support/png_write.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

#ifndef _WIN32
// The tool shuts SDL down at exit, which unloads the OpenGL driver: what the
// driver keeps for the process is then reported by LeakSanitizer from an
// unknown module that no suppression can name. The tool's own code is
// leak-checked by the tests that run it in-process.
static const int leak_check_off_for_the_tool = [] {
    std::string options = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
    options += options.empty() ? "detect_leaks=0" : ":detect_leaks=0";
    return setenv("ASAN_OPTIONS", options.c_str(), 1);
}();
#endif

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

// A PATH that leads nowhere, for the command that follows.
#ifdef _WIN32
static const char NO_PATH[] = "set \"PATH=C:\\frostmere-nowhere\" && ";
#else
static const char NO_PATH[] = "PATH=/frostmere-nowhere ";
#endif

// prefix: put before the command (NO_PATH).
static RunResult run_capture(const std::string &arguments, const char *prefix = "")
{
    RunResult result;
    FILE *pipe = popen((prefix + tool_command() + " " + arguments + " 2>&1").c_str(), "r");
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
// Frames from every part of the show: the loading screen, and the first and
// later frames of each timeline entry (first frames at 71, 917, 1340, 1558,
// 1671, 1883, 2306, 2412, 3000 and 3635).
static const char DIGEST_FRAMES[] = "0,5,40,70,71,400,900,917,1200,1340,1450,1558,1600,1671,"
                                    "1800,1883,2100,2306,2380,2412,2700,2990,3000,3300,3600,3635";

#ifndef _WIN32
// A whole file as bytes ("" when it cannot be read).
static std::string read_text(const fs::path &path)
{
    std::string text;
    if (FILE *file = fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, got);
        fclose(file);
    }
    return text;
}

static uint64_t fnv1a64(const std::vector<uint8_t> &bytes)
{
    uint64_t hash = 14695981039346656037ull;
    for (uint8_t b : bytes)
        hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

// The renderer line of a --timing file ("" when there is none).
static std::string renderer_of(const fs::path &timing)
{
    std::string text;
    if (FILE *file = fopen(timing.string().c_str(), "r")) {
        char line[256];
        if (fgets(line, sizeof line, file))
            text = line;
        fclose(file);
    }
    size_t at = text.find("(renderer: ");
    return at == std::string::npos ? "" : text.substr(at + 11, text.rfind(')') - at - 11);
}

// Compares the written frames with frame_digests.txt, whose first line names
// the renderer and fonts they were pinned on; on another renderer the
// pictures may differ by rounding, and the check says so instead. With
// FROSTMERE_PIN_FRAMES=1 the file is written anew from this run.
static void expect_pinned_frames(const fs::path &dir, const std::string &renderer)
{
    std::string table = "# " + renderer + "\n";
    std::vector<uint32_t> frames;
    for (const char *p = DIGEST_FRAMES; *p;) {
        char *end;
        frames.push_back((uint32_t)strtoul(p, &end, 10));
        p = *end ? end + 1 : end;
    }
    for (uint32_t frame : frames) {
        char name[32];
        snprintf(name, sizeof name, "frame-%06u.png", frame);
        std::vector<uint8_t> rgba;
        int width = 0, height = 0;
        ASSERT_EQ(png_read_rgba((dir / name).string().c_str(), rgba, &width, &height), 1) << name;
        char line[64];
        snprintf(line, sizeof line, "%u %016llx\n", frame, (unsigned long long)fnv1a64(rgba));
        table += line;
    }
    if (getenv("FROSTMERE_PIN_FRAMES")) {
        FILE *file = fopen(FRAME_DIGESTS, "w");
        ASSERT_NE(file, nullptr);
        fputs(table.c_str(), file);
        fclose(file);
        return;
    }
    const std::string pinned = read_text(FRAME_DIGESTS);
    if (pinned.rfind("# " + renderer + "\n", 0) != 0) {
        printf("frames not compared: they were pinned on another renderer than %s\n",
               renderer.c_str());
        return;
    }
    // Any change of a pixel shows here; the frames stay in dir to be looked at.
    EXPECT_EQ(table, pinned) << "frames in " << dir.string()
                             << "; FROSTMERE_PIN_FRAMES=1 pins a deliberate change";
}
#endif

TEST(CaptureTool, TheTimelineFollowsTheSongToTheTerminator)
{
    static const unsigned STARTS[] = {0, 128, 192, 256, 320, 384, 448, 464, 576, 672};
    fs::path dir = fresh_dir("whole");
    RunResult run = run_capture("--log " + (dir / "log.txt").string() + " --wav " +
                                (dir / "sound.wav").string() + " --timing " +
                                (dir / "timing.txt").string() + " --out " + dir.string() +
                                " --frames " + DIGEST_FRAMES + " --quiet");
    ASSERT_EQ(run.exit_code, 0) << run.output;
#ifndef _WIN32
    // Windows draws its text with GDI: its frames are compared with these
    // by the Windows tests, by eye and by count of lit pixels.
    expect_pinned_frames(dir, renderer_of(dir / "timing.txt"));
#endif

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

    // The timing table counts every frame under its entry, and each task.
    file = fopen((dir / "timing.txt").string().c_str(), "r");
    ASSERT_NE(file, nullptr);
    int counted = 0, rows = 0, tasks = 0, peak = 0;
    while (fgets(text, sizeof text, file)) {
        char name[16];
        int count;
        double p50, p99, max;
        if (sscanf(text, "%15s %d %lf %lf %lf", name, &count, &p50, &p99, &max) == 5) {
            EXPECT_TRUE(p50 > 0 && p50 <= p99 && p99 <= max) << text;
            counted += count;
            ++rows;
        }
        tasks += strncmp(text, "task ", 5) == 0;
        peak += strncmp(text, "peak memory ", 12) == 0 && !strstr(text, "unknown");
    }
    fclose(file);
    EXPECT_EQ(counted, frames);
    EXPECT_EQ(rows, 11);  // the loading screen and entries 0 to 9
    EXPECT_EQ(tasks, (int)PRECALC_TASK_COUNT);
    EXPECT_EQ(peak, 1);
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

// Without ffmpeg the video and a compressed soundtrack are refused with a
// message that says how to get it, before anything is written; PNG frames
// and WAV need nothing.
TEST(CaptureTool, WithoutFfmpegSaysHowToGetItAndStillWritesPngAndWav)
{
    fs::path dir = fresh_dir("no-ffmpeg");
    for (const std::string &arguments :
         {"--video " + (dir / "v.mp4").string() + " --max-frames 2",
          "--soundtrack " + (dir / "s.flac").string() + " --seconds 1"}) {
        RunResult run = run_capture(arguments, NO_PATH);
        EXPECT_EQ(run.exit_code, 1) << arguments;
        EXPECT_NE(run.output.find("ffmpeg was not found on the PATH"), std::string::npos)
            << run.output;
        EXPECT_NE(run.output.find("apt install ffmpeg"), std::string::npos) << run.output;
    }
    RunResult run = run_capture("--quiet --max-frames 2 --out " + dir.string() + " --wav " +
                                    (dir / "w.wav").string(), NO_PATH);
    EXPECT_EQ(run.exit_code, 0) << run.output;
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"frame-000000.png", "frame-000001.png", "w.wav"}));
}

#ifndef _WIN32
// The standard output of a command (ffmpeg, ffprobe), as bytes.
static std::string output_of(const std::string &command)
{
    std::string bytes;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            bytes.append(buffer, got);
        pclose(pipe);
    }
    return bytes;
}

// ffprobe's answer for one stream: "entry=value|..." for the entries asked.
static std::string probe(const fs::path &file, const char *stream, const char *entries)
{
    std::string line = output_of("ffprobe -v error -count_frames -select_streams " +
                                 std::string(stream) + " -show_entries stream=" + entries +
                                 " -of compact=p=0 " + file.string());
    return line.substr(0, line.find('\n'));
}

static std::string read_text(const fs::path &path);

// 100 frames to a lossless video at twice the size, with the WAV and two
// PNG frames of the same run: every frame is there, each pixel a 2x2 block
// of the PNG's (the right way up), and the sound is the WAV's, sample for
// sample, lasting as long as the frames.
TEST(CaptureTool, LosslessVideoHoldsEveryFrameAndTheSoundAsPlayed)
{
    const uint32_t FRAMES = 100, PICKED = PRECALC_TASK_COUNT / 2;
    fs::path dir = fresh_dir("video");
    const fs::path mkv = dir / "show.mkv", wav = dir / "show.wav";
    RunResult run = run_capture("--video " + mkv.string() + " --scale 2 --wav " + wav.string() +
                                " --out " + dir.string() + " --frames 0," +
                                std::to_string(PICKED) + " --max-frames " +
                                std::to_string(FRAMES) + " --quiet");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(probe(mkv, "v:0", "codec_name,width,height,pix_fmt,nb_read_frames"),
              "codec_name=ffv1|width=1280|height=960|pix_fmt=bgr0|nb_read_frames=" +
                  std::to_string(FRAMES));
    double seconds = atof(output_of("ffprobe -v error -show_entries format=duration -of "
                                    "csv=p=0 " + mkv.string()).c_str());
    EXPECT_NEAR(seconds, FRAMES / 60.0, 1 / 60.0);
    std::string sound = output_of("ffmpeg -v error -i " + mkv.string() +
                                  " -map 0:a -f s16le -");
    EXPECT_EQ(sound.size(), (size_t)FRAMES * 735 * 4);
    EXPECT_TRUE(sound == read_text(wav).substr(44)) << "the sound differs from the WAV";

    std::string picture = output_of("ffmpeg -v error -i " + mkv.string() + " -vf 'select=eq(n\\," +
                                    std::to_string(PICKED) +
                                    ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(picture.size(), 1280u * 960 * 3);
    char name[32];
    snprintf(name, sizeof name, "frame-%06u.png", PICKED);
    std::vector<uint8_t> rgba;
    int width = 0, height = 0;
    ASSERT_TRUE(png_read_rgba((dir / name).string().c_str(), rgba, &width, &height));
    size_t differing = 0;
    for (int y = 0; y < 960; ++y)
        for (int x = 0; x < 1280; ++x)
            for (int c = 0; c < 3; ++c)
                differing += (uint8_t)picture[((size_t)y * 1280 + x) * 3 + c] !=
                             rgba[((size_t)(y / 2) * 640 + x / 2) * 4 + c];
    EXPECT_EQ(differing, 0u);
}

// The other two formats at their own size; the MP4 index comes first.
TEST(CaptureTool, Mp4AndWebmHaveTheirCodecs)
{
    fs::path dir = fresh_dir("formats");
    const struct {
        const char *name, *video, *audio;
    } ROWS[] = {
        {"a.mp4", "codec_name=h264|width=640|height=480|pix_fmt=yuv420p|nb_read_frames=12",
         "codec_name=aac"},
        {"a.webm", "codec_name=vp9|width=640|height=480|pix_fmt=yuv420p|nb_read_frames=12",
         "codec_name=opus"},
    };
    for (const auto &row : ROWS) {
        RunResult run = run_capture("--quiet --max-frames 12 --video " + (dir / row.name).string());
        ASSERT_EQ(run.exit_code, 0) << run.output;
        EXPECT_EQ(probe(dir / row.name, "v:0", "codec_name,width,height,pix_fmt,nb_read_frames"),
                  row.video);
        EXPECT_EQ(probe(dir / row.name, "a:0", "codec_name"), row.audio);
    }
    std::string mp4 = read_text(dir / "a.mp4");
    EXPECT_LT(mp4.find("moov"), mp4.find("mdat"));
    // Nothing but the videos is left behind.
    size_t files = 0;
    for (const auto &entry : fs::directory_iterator(dir))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 2u);
}

// A soundtrack is compressed when its name says so; without --seconds it is
// the song once through, to where it loops.
TEST(CaptureTool, SoundtracksAreCompressedAndLastTheSongsLength)
{
    fs::path dir = fresh_dir("soundtracks");
    RunResult run = run_capture("--soundtrack " + (dir / "s.flac").string() + " --seconds 1");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(probe(dir / "s.flac", "a:0", "codec_name,sample_rate,channels"),
              "codec_name=flac|sample_rate=44100|channels=2");
    std::string decoded = output_of("ffmpeg -v error -i " + (dir / "s.flac").string() +
                                    " -f s16le -");
    EXPECT_EQ(decoded.size(), 44100u * 4);

    // Lengths compared with a one-order song of eight rows: twice the rows
    // or the order played twice take twice as long; a break to the next
    // order after row 3, half as long; a song that loops back to its second
    // order plays its first one once.
    auto module = [&](const char *name, int rows, std::vector<uint8_t> orders, int restart,
                      int break_after) {
        XmModule m;
        m.orders = orders;
        m.restart = restart;
        for (int p = 0; p < 2; ++p) {
            XmPattern pattern = xm_pattern(rows, 1);
            if (break_after >= 0)
                xm_cell(pattern, 1, break_after, 0).effect = 0x0D;
            m.patterns.push_back(pattern);
        }
        std::vector<uint8_t> bytes = xm_build(m);
        FILE *file = fopen((dir / name).string().c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
        RunResult rendered = run_capture("--soundtrack " + (dir / "m.wav").string() +
                                         " --module " + (dir / name).string());
        EXPECT_EQ(rendered.exit_code, 0) << rendered.output;
        return fs::file_size(dir / "m.wav") - 44;
    };
    uintmax_t eight = module("8.xm", 8, {0}, 0, -1);
    EXPECT_GT(eight, 0u);
    EXPECT_EQ(module("16.xm", 16, {0}, 0, -1), 2 * eight);
    EXPECT_EQ(module("twice.xm", 8, {0, 1}, 0, -1), 2 * eight);
    EXPECT_EQ(module("break.xm", 8, {0, 1}, 0, 3), eight);  // 4 rows of each order
    EXPECT_EQ(module("restart.xm", 8, {0, 1, 0}, 1, -1), 3 * eight);
}

// The tool as a child of its own, so that it can be signalled and measured.
static pid_t start_capture(const std::vector<std::string> &arguments, const fs::path &output)
{
    std::vector<char *> argv = {(char *)CAPTURE_TOOL};
    for (const std::string &argument : arguments)
        argv.push_back((char *)argument.c_str());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        // A shell's background job would start with SIGINT ignored.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        execv(CAPTURE_TOOL, argv.data());
        _exit(127);
    }
    return pid;
}

// The child's exit code, -N when signal N ended it, -1000 when it was still
// running after the given seconds (it is killed then). Its usage goes to *usage.
static int finish_child(pid_t pid, double seconds, rusage *usage = nullptr)
{
    rusage ignored;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        int status;
        if (wait4(pid, &status, WNOHANG, usage ? usage : &ignored) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        usleep(1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1000;
}

static uint32_t le32(const std::string &bytes, size_t at)
{
    return (uint32_t)(uint8_t)bytes[at] | (uint32_t)(uint8_t)bytes[at + 1] << 8 |
           (uint32_t)(uint8_t)bytes[at + 2] << 16 | (uint32_t)(uint8_t)bytes[at + 3] << 24;
}

// Ctrl-C or SIGTERM after something was written: the run stops, the WAV's
// header tells its true size, the log ends on a whole line, and the exit
// code says which signal it was.
TEST(CaptureTool, ASignalStopsTheCaptureWithItsFilesFinished)
{
    fs::path dir = fresh_dir("signals");
    const std::string log = (dir / "log.txt").string(), wav = (dir / "sound.wav").string();
    const std::string song = (dir / "song.wav").string();
    const std::string video = (dir / "video.mkv").string(), beside = (dir / "beside.wav").string();
    const struct {
        std::vector<std::string> arguments;
        std::string wav;
        int signal_number;
        int exit_code;
        const char *says;
    } ROWS[] = {
        {{"--log", log, "--wav", wav}, wav, SIGINT, 130, "interrupted by SIGINT"},
        {{"--soundtrack", song, "--seconds", "3600"}, song, SIGTERM, 143,
         "interrupted by SIGTERM"},
        // A video cut short is no video: it goes, with the files it was made of.
        {{"--video", video, "--wav", beside}, beside, SIGINT, 130, "video.mkv was removed"},
    };
    for (const auto &row : ROWS) {
        pid_t pid = start_capture(row.arguments, dir / "output.txt");
        ASSERT_GT(pid, 0);
        // Half a megabyte of sound is a second and a half of the run.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (std::error_code error; std::chrono::steady_clock::now() < deadline;) {
            uintmax_t size = fs::file_size(row.wav, error);
            siginfo_t ended = {};  // left to be collected below
            waitid(P_PID, (id_t)pid, &ended, WEXITED | WNOHANG | WNOWAIT);
            if ((!error && size >= 512 * 1024) || ended.si_pid == pid)
                break;
            usleep(1000);
        }
        kill(pid, row.signal_number);
        int code = finish_child(pid, 30);
        std::string output = read_text(dir / "output.txt");
        EXPECT_EQ(code, row.exit_code) << output;
        EXPECT_NE(output.find(row.says), std::string::npos) << output;

        std::string bytes = read_text(row.wav);
        ASSERT_GE(bytes.size(), 44u + 512 * 1024) << row.wav;
        EXPECT_EQ(le32(bytes, 4), bytes.size() - 8) << row.wav;
        EXPECT_EQ(le32(bytes, 40), bytes.size() - 44) << row.wav;
        EXPECT_LT(bytes.size(), 44u + 3600u * 44100 * 4) << row.wav;
        for (const auto &entry : fs::directory_iterator(dir))
            EXPECT_EQ(entry.path().string().find("video"), std::string::npos) << entry.path();
        if (row.wav != wav)
            continue;
        // Every logged frame has its sound, and the last line is whole.
        std::string text = read_text(log);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n');
        size_t lines = 0;
        for (char c : text)
            lines += c == '\n';
        size_t last = text.rfind('\n', text.size() - 2) + 1;
        int fields[6];
        EXPECT_EQ(sscanf(text.c_str() + last, "%d %d %d %d %d %d", &fields[0], &fields[1],
                         &fields[2], &fields[3], &fields[4], &fields[5]), 6) << text.substr(last);
        EXPECT_EQ((size_t)fields[0], lines - 2);  // after the heading, from frame 0
        EXPECT_EQ(bytes.size() - 44, (lines - 1) * 735 * 4);
    }
    fs::remove(song);
}

// A video that cannot be made stops the run with the reason and leaves
// nothing behind: a folder that is not there, an encoder that quits early.
TEST(CaptureTool, AFailingVideoStopsTheRunAndLeavesNothing)
{
    fs::path dir = fresh_dir("failing");
    const fs::path quitter = dir / "bin" / "ffmpeg";
    fs::create_directories(quitter.parent_path());
    FILE *script = fopen(quitter.c_str(), "w");
    ASSERT_NE(script, nullptr);
    fputs("#!/bin/sh\n/usr/bin/head -c 3000000 >/dev/null\nexit 3\n", script);
    fclose(script);
    fs::permissions(quitter, fs::perms::owner_all);
    const std::string quitting = "PATH=" + quitter.parent_path().string() + " ";
    const struct {
        std::string prefix, video;
        const char *says;
    } ROWS[] = {
        {"", (dir / "nowhere" / "v.mkv").string(), "cannot write "},
        {quitting, (dir / "v.mkv").string(),
         "ffmpeg stopped taking frames while the show went on (it ended with exit code 3)"},
    };
    for (const auto &row : ROWS) {
        RunResult run = run_capture("--quiet --video " + row.video, row.prefix.c_str());
        EXPECT_EQ(run.exit_code, 1) << run.output;
        EXPECT_NE(run.output.find(row.says), std::string::npos) << run.output;
        size_t files = 0;
        for (const auto &entry : fs::recursive_directory_iterator(dir))
            files += entry.is_regular_file();
        EXPECT_EQ(files, 1u) << "only the stand-in ffmpeg is left";
    }
}

// Frames that are not read back must still be finished one by one: the
// queue of unfinished ones grew by half a megabyte a frame.
TEST(CaptureTool, MemoryStaysFlatWhenNoFrameIsReadBack)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers keep memory of their own";
#endif
    fs::path dir = fresh_dir("memory");
    // The log alone, and every frame read back and piped to the encoder.
    const std::string OUTPUTS[2][2] = {{"--log", (dir / "log.txt").string()},
                                       {"--video", (dir / "video.mkv").string()}};
    const char *const FRAMES[2] = {"100", "300"};
    for (const auto &output : OUTPUTS) {
        long peak_kb[2] = {};
        for (int i = 0; i < 2; ++i) {
            pid_t pid = start_capture({output[0], output[1], "--max-frames", FRAMES[i]},
                                      dir / "output.txt");
            ASSERT_GT(pid, 0);
            rusage usage = {};
            ASSERT_EQ(finish_child(pid, 120, &usage), 0) << read_text(dir / "output.txt");
            peak_kb[i] = usage.ru_maxrss;
        }
        // Flat: 4 MB more here; 160 MB more while frames piled up.
        EXPECT_LT(peak_kb[1] - peak_kb[0], 40 * 1024)
            << output[0] << ": " << peak_kb[0] << " KB, then " << peak_kb[1];
    }
}
#endif
