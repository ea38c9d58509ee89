// Runs frostmere-capture as a user does and looks at what it wrote.
//
// The whole-intro case compares 26 frames with digests pinned on one
// renderer (frame_digests.txt) and the sound, second by second, with
// sound_digests.txt; FROSTMERE_PIN_FRAMES=1 writes both anew from a run. On
// another renderer the frames are skipped (ctest shows it), unless
// FROSTMERE_REQUIRE_FRAMES=1 (set by CI) makes that a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/program.h"
#include "png_read.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// The tool unloads the OpenGL driver at exit; what the driver keeps is then
// reported by LeakSanitizer from a module no suppression can name. The pin
// holds on llvmpipe at 256-bit vectors: set, so that it holds on any x86
// processor, and the software renderer even where a GPU driver is present.
static const int environment_for_the_tool = [] {
    std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
    setenv("ASAN_OPTIONS", (asan + (asan.empty() ? "" : ":") + "detect_leaks=0").c_str(), 1);
    setenv("LP_NATIVE_VECTOR_WIDTH", "256", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    return setenv("GALLIUM_DRIVER", "llvmpipe", 1);
}();
static const char NO_PATH[] = "PATH=/frostmere-nowhere ";
static const std::string TOOL = CAPTURE_TOOL;
#define exit_code_of(status) (WIFEXITED(status) ? WEXITSTATUS(status) : -1)
#else
// A tool built on Linux and run under Wine is seen through Wine's Z: drive.
static const char NO_PATH[] = "set \"PATH=C:\\frostmere-nowhere\" && ";
static const std::string TOOL = std::string("\"") + (CAPTURE_TOOL[0] == '/' ? "Z:" : "") +
                                CAPTURE_TOOL + "\"";
#define popen _popen
#define pclose _pclose
#define exit_code_of(status) (status)
#endif

namespace fs = std::filesystem;

// A command's exit code and its output (stdout, and stderr too when asked).
static std::pair<int, std::string> run(const std::string &command, bool with_errors = true)
{
    std::string output;
    FILE *pipe = popen((command + (with_errors ? " 2>&1" : "")).c_str(), "r");
    char buffer[65536];
    for (size_t got; pipe && (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    int status = pipe ? pclose(pipe) : -1;
    return {exit_code_of(status), output};
}

static fs::path fresh_dir(const char *name)
{
    const auto tag = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path dir = fs::temp_directory_path() / ("frostmere-" + std::to_string(tag)) / name;
    return fs::create_directories(dir), dir;
}

static std::string read_text(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

static void write_text(const fs::path &path, const std::string &text, bool program = false)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    if (program)
        fs::permissions(path, fs::perms::owner_all);
}

// The names of the files under dir, sorted, separated by spaces.
static std::string names_in(const fs::path &dir)
{
    std::set<std::string> names;
    for (const auto &entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
            names.insert(entry.path().filename().string());
    std::string text;
    for (const std::string &name : names)
        text.append(text.empty() ? "" : " ").append(name);
    return text;
}

// The text with each @ replaced by `dir` and each % by `top`.
static std::string with_dirs(std::string text, const std::string &dir, const std::string &top = "")
{
    for (size_t at; (at = text.find_first_of("@%")) != std::string::npos;)
        text.replace(at, 1, text[at] == '@' ? dir : top);
    return text;
}

// Simple runs, each in a folder of its own (@ in the arguments, % the
// top folder): the exit code, what is said, and the files left. Refusals
// come before anything is written; without ffmpeg PNG and WAV still work.
TEST(CaptureTool, RunsRefusalsAndExports)
{
    const fs::path top = fresh_dir("runs");
    write_text(top / "junk.xm", "Extended Module: but nothing after it");
    const struct {
        std::string prefix, arguments;
        int exit_code;
        std::string message, files;
    } ROWS[] = {
        {"", "foo --out @/f", 1, "unknown argument 'foo'", ""},
        {"", "--wav @/same --log @/./same", 1, "--wav and --log name the same file", ""},
        {"", "--out @/f --timing @/no/t.txt", 1, "@/no/t.txt: No such file or directory", ""},
        {"", "--soundtrack @/s.wav --module @/s.wav", 1, "@/s.wav: No such file", ""},
        {"", "--soundtrack @/s.wav --module %/junk.xm", 1, "the module was rejected", ""},
        {NO_PATH, "--video @/v.mp4", 1, "ffmpeg was not found on the PATH", ""},
        {NO_PATH, "--soundtrack @/s.flac", 1, "apt install ffmpeg", ""},
        {NO_PATH, "--max-frames 2 --out @ --wav @/w.wav", 0, "2 frames presented, 2 written",
         "frame-000000.png frame-000001.png w.wav"},
        {"", "--soundtrack @/s.wav --seconds 2", 0, "wrote @/s.wav", "s.wav"},
        {"", "--textures @/a/b", 0, "wrote 10 textures", "*"},
    };
    for (size_t i = 0; i < std::size(ROWS); ++i) {
        const fs::path dir = top / std::to_string(i);
        fs::create_directory(dir);
        const std::string arguments = with_dirs(ROWS[i].arguments, dir.string(), top.string());
        auto [code, output] = run(ROWS[i].prefix + TOOL + " --quiet " + arguments);
        const std::string files = names_in(dir);
        EXPECT_TRUE(code == ROWS[i].exit_code && (ROWS[i].files == "*" || files == ROWS[i].files) &&
                    output.find(with_dirs(ROWS[i].message, dir.string())) != output.npos)
            << arguments << " -> " << code << ", " << files << "\n" << output;
    }
    EXPECT_EQ(fs::file_size(top / "8/s.wav"), 44u + 88200u * 4);
    EXPECT_EQ(fs::file_size(top / "9/a/b/texture9.rgba"), 262144u);  // missing parents are made
}

// Frames from every part of the show: the loading screen, and the first and
// later frames of each timeline entry (first frames at 71, 917, 1340, 1558,
// 1671, 1883, 2306, 2412, 3000 and 3635).
static const char DIGEST_FRAMES[] = "0,5,40,70,71,400,900,917,1200,1340,1450,1558,1600,1671,"
                                    "1800,1883,2100,2306,2380,2412,2700,2990,3000,3300,3600,3635";

static std::string digest_line(size_t index, const void *bytes, size_t size)
{
    unsigned long long hash = 14695981039346656037ull;  // FNV-1a
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ ((const uint8_t *)bytes)[i]) * 1099511628211ull;
    char line[40];
    return std::string(line, (size_t)snprintf(line, sizeof line, "%zu %016llx\n", index, hash));
}

// Pinned frames and sound against this run's; 1 when the frames were
// compared (or pinned anew), 0 when they were pinned on another renderer.
[[maybe_unused]] static int compare_with_pins(const fs::path &dir, const std::string &timing)
{
    const size_t at = timing.find("(renderer: ") + 11;
    std::string frames = "# " + timing.substr(at, timing.find(")\n") - at) + "\n", sound;
    for (const char *p = DIGEST_FRAMES; *p; p += strcspn(p, ",") + (p[strcspn(p, ",")] != 0)) {
        char name[32];
        snprintf(name, sizeof name, "frame-%06d.png", atoi(p));
        std::vector<uint8_t> rgba;
        int width = 0, height = 0;
        EXPECT_EQ(png_read_rgba((dir / name).string().c_str(), rgba, &width, &height), 1) << name;
        frames += digest_line(atoi(p), rgba.data(), rgba.size());
    }
    const std::string pcm = read_text(dir / "sound.wav").substr(44);
    for (size_t from = 0; from < pcm.size(); from += 44100 * 4)
        sound += digest_line(from / 44100 / 4, pcm.data() + from,
                             std::min<size_t>(44100 * 4, pcm.size() - from));
    if (getenv("FROSTMERE_PIN_FRAMES"))
        return write_text(FRAME_DIGESTS, frames), write_text(SOUND_DIGESTS, sound), 1;
    // A change shows the seconds or frames it is in; the files stay in dir.
    EXPECT_EQ(sound, read_text(SOUND_DIGESTS)) << "sound in " << dir.string();
    const std::string pinned = read_text(FRAME_DIGESTS);
    if (pinned.substr(0, pinned.find('\n')) != frames.substr(0, frames.find('\n')))
        return 0;
    EXPECT_EQ(frames, pinned) << "frames in " << dir.string()
                              << "; FROSTMERE_PIN_FRAMES=1 pins a deliberate change";
    return 1;
}

// The whole intro, headless, into a log, its sound, a timing table and the
// pinned frames.
TEST(CaptureTool, TheTimelineFollowsTheSongToTheTerminator)
{
    const fs::path dir = fresh_dir("whole");
    auto [code, output] = run(with_dirs(TOOL + " --log @/log.txt --wav @/sound.wav --timing "
                                        "@/timing.txt --out @ --quiet --frames ", dir.string()) +
                              DIGEST_FRAMES);
    ASSERT_EQ(code, 0) << output;
    // The log: a line a frame, the clock 16 ms a frame from the song's start,
    // and the frame on which each timeline entry began (0 at the song's
    // start, after the task frames and the fade; 9 is the terminator).
    const std::string log = read_text(dir / "log.txt");
    std::string switches;
    int frames = 0, entry = -1, frame, ms, frame_ms, order = 0, row = 0, e = 0, used;
    for (const char *p = log.c_str() + log.find('\n') + 1;
         sscanf(p, "%d %d %d %d %d %d%n", &frame, &ms, &frame_ms, &order, &row, &e, &used) == 6;
         p += used + 1, entry = e) {
        ASSERT_EQ(frame, frames++);
        ASSERT_EQ(ms, e < 0 ? 0 : (frame - (int)PRECALC_TASK_COUNT - 63) * 16) << frame;
        if (e != entry)
            switches += std::to_string(frame) + ":" + std::to_string(e) + " ";
    }
    EXPECT_EQ(switches + "ends on row " + std::to_string(order * 64 + row),
              "71:0 917:1 1340:2 1558:3 1671:4 1883:5 2306:6 2412:7 3000:8 3635:9 ends on row 672");

    // Every frame is counted under its entry and each task has its line; the
    // memory stays flat: frames not read back must still be finished one by
    // one (unfinished ones piled up by half a megabyte a frame).
    const std::string timing = read_text(dir / "timing.txt");
    int counted = 0, rows = 0, tasks = 0, count;
    double p50, p99, max, peak_mb = 0;
    for (const char *p = timing.c_str(); *p; p += strcspn(p, "\n") + 1) {
        char name[16];
        int n = sscanf(p, "%15s %d %lf %lf %lf", name, &count, &p50, &p99, &max);
        counted += n == 5 ? count : 0;
        rows += n == 5 && p50 > 0 && p50 <= p99 && p99 <= max;
        tasks += strncmp(p, "task ", 5) == 0;
        sscanf(p, "peak memory %lf MB", &peak_mb);
    }
    // 11 rows: the loading screen and entries 0 to 9.
    EXPECT_TRUE(counted == frames && rows == 11 && tasks == (int)PRECALC_TASK_COUNT) << timing;
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_TRUE(peak_mb > 10 && peak_mb < 300) << peak_mb;  // 2 GB while frames piled up
#endif
#ifndef _WIN32  // Windows draws its text with GDI: the Windows tests compare its frames
    if (!compare_with_pins(dir, timing)) {
        EXPECT_EQ(getenv("FROSTMERE_REQUIRE_FRAMES"), nullptr) << "frames pinned elsewhere";
        GTEST_SKIP() << "frames not compared: they were pinned on another renderer than "
                     << timing.substr(0, timing.find('\n'));
    }
#endif
}

#ifndef _WIN32
// Each format with its codecs, and a name that ffmpeg would take for a
// protocol written as the file it names (nothing on stdout but the tool's
// lines). 100 frames to a lossless video at twice the size
// with the WAV and a PNG of the same run: every frame is there, each pixel
// a 2x2 block of the PNG's, and the sound is the WAV's, sample for sample.
TEST(CaptureTool, VideosAndCompressedSoundtracks)
{
    const fs::path dir = fresh_dir("formats");
    const char *const ROWS[][3] = {
        {"--max-frames 12 --video a.mp4", "a.mp4", "h264,640,480,yuv420p,12 aac,44100,9"},
        {"--max-frames 12 --video a.webm", "a.webm", "vp9,640,480,yuv420p,12 opus,48000,11"},
        {"--soundtrack s.flac --seconds 1", "s.flac", "flac,44100,10"},
        {"--max-frames 3 --video pipe:1.mkv", "pipe:1.mkv", "ffv1,640,480,bgr0,3 flac,44100,1"},
        {"--max-frames 100 --scale 2 --video b.mkv --wav b.wav --out . --frames 5", "b.mkv",
         "ffv1,1280,960,bgr0,100 flac,44100,16"},
    };
    for (const auto &[arguments, file, codecs] : ROWS) {
        auto [code, out] = run("cd '" + dir.string() + "' && " + TOOL + " --quiet " + arguments,
                               false);
        // Nothing but the tool's lines on stdout: no video there.
        EXPECT_TRUE(code == 0 && out.find(std::string("wrote ") + file) != out.npos &&
                    out.size() < 300) << arguments << " -> " << code << "\n" << out;
        std::string found = run("ffprobe -v error -count_frames -of csv=p=0 -show_entries stream="
                                "codec_name,width,height,pix_fmt,sample_rate,nb_read_frames "
                                "'file:" + (dir / file).string() + "' | sed 's/,*$//' | paste "
                                "-sd' '", false).second;
        EXPECT_EQ(found.substr(0, found.find('\n')), codecs) << file;
    }
    EXPECT_EQ(names_in(dir), "a.mp4 a.webm b.mkv b.wav frame-000005.png pipe:1.mkv s.flac");
    EXPECT_LT(read_text(dir / "a.mp4").find("moov"), read_text(dir / "a.mp4").find("mdat"));

    const std::string b = (dir / "b.mkv").string();
    std::string sound = run("ffmpeg -v error -i " + b + " -map 0:a -f s16le -", false).second;
    EXPECT_TRUE(sound == read_text(dir / "b.wav").substr(44)) << sound.size() << " bytes differ";
    std::string picture = run("ffmpeg -v error -i " + b + " -vf 'select=eq(n\\,5)' -frames:v 1 "
                              "-f rawvideo -pix_fmt rgb24 -", false).second;
    std::vector<uint8_t> rgba;
    int width = 0, height = 0;
    ASSERT_TRUE(png_read_rgba((dir / "frame-000005.png").c_str(), rgba, &width, &height) &&
                picture.size() == 1280u * 960 * 3) << picture.size() << " bytes of frame 5";
    size_t differing = 0;
    for (size_t i = 0; i < picture.size(); ++i)
        differing += (uint8_t)picture[i] != rgba[(i / 7680 * 640 + i / 3 % 1280 / 2) * 4 + i % 3];
    EXPECT_EQ(differing, 0u);
}

// Runs that end early: by a signal once something was written (130 for
// SIGINT, 143 for SIGTERM; a signal also ends a write blocked on an ffmpeg
// that stopped, while another run to the same video finishes its own), by
// a module that is a FIFO (refused, not opened), or by a failed write (a
// folder that is not there, an encoder that quits, a full disk). Each says
// why; a video cut short is removed, but no file this run did not make; the
// WAV's header counts exactly the whole frames the file holds; the log ends
// on a whole line, with the sound of each frame logged. Each run is started
// by a shell that prints its process id and becomes `timeout`, which ends a
// run still going after two minutes and passes signals on.
TEST(CaptureTool, RunsStoppedBySignalsOrFailuresLeaveHonestFiles)
{
    const fs::path dir = fresh_dir("stopped");
    const std::string d = dir.string() + "/", disk_full = "ulimit -f 400; trap '' XFSZ; ";
    // The stand-in reads the first frame but the 64 KB a full pipe holds, then
    // stops: the tool's next write blocks before moving a byte, as only a
    // signal handler without SA_RESTART can end.
    write_text(dir / "bin" / "ffmpeg", "#!/bin/sh\nhead -c 1163264 >/dev/null\ntouch " + d +
                                           "stopped\nkill -STOP $$\n", true);
    write_text(dir / "quits" / "ffmpeg", "#!/bin/sh\n/usr/bin/head -c 3000000 >/dev/null\nexit 3\n",
               true);
    write_text(dir / "v.mkv", "a video made before");
    ASSERT_EQ(mkfifo((dir / "fifo.xm").c_str(), 0600), 0);
    const struct {
        std::string setup, arguments, wait_for;
        int signal_number, exit_code;
        std::string message;
    } ROWS[] = {
        {"", "--log @log.txt --wav @sound.wav", "sound.wav", SIGINT, 130,
         "interrupted by SIGINT; the files are finished"},
        {"", "--soundtrack @song.wav --seconds 3600", "song.wav", SIGTERM, 143,
         "interrupted by SIGTERM"},
        {"", "--video @v.mkv --wav @beside.wav", "beside.wav", SIGINT, 130, "v.mkv was removed"},
        {"export PATH=@bin:$PATH; ", "--video @same.mkv", "stopped", SIGINT, 130, "same.mkv was"},
        {"", "--soundtrack @s.wav --module @fifo.xm", "", 0, 1, "fifo.xm: it is not a regular"},
        {"", "--video @no/v.mkv", "", 0, 1, "no/v.mkv.sound-part-"},
        {"export PATH=@quits; ", "--video @v.mkv", "", 0, 1,
         "ffmpeg stopped taking frames while the show went on (it ended with exit code 3)"},
        {disk_full, "--wav @full.wav --log @full.txt", "", 0, 1, "could not write @full.wav: File"},
        {disk_full, "--soundtrack @track.wav --seconds 60", "", 0, 1, "track.wav: File too"},
        {"ulimit -f 1; trap '' XFSZ; ", "--out @frames", "", 0, 1, "frame-000000.png: File too"},
    };
    for (const auto &row : ROWS) {
        FILE *shell = popen(with_dirs(row.setup + "echo $$; exec /usr/bin/timeout --foreground -s "
                                      "KILL 120 " + TOOL + " --quiet " + row.arguments +
                                      " >@output.txt 2>&1", d).c_str(), "r");
        int pid = 0, status = fscanf(shell, "%d", &pid);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        const uintmax_t wanted = row.wait_for == "stopped" ? 0 : 44 + 512 * 1024;
        std::error_code error;
        while (row.signal_number && std::chrono::steady_clock::now() < deadline &&
               (fs::file_size(dir / row.wait_for, error) < wanted || error))
            usleep(1000);
        if (row.wait_for == "stopped") {  // another run to the same video meanwhile
            auto [other, output] = run(TOOL + " --quiet --max-frames 3 --video " + d + "same.mkv");
            EXPECT_TRUE(other == 0 && names_in(dir).find("same.mkv.sound-part-") != output.npos)
                << "the other run failed or took this run's part file: " << output;
        }
        if (row.signal_number)
            kill(pid, row.signal_number);
        status = pclose(shell);
        const std::string said = read_text(dir / "output.txt");
        EXPECT_TRUE(WEXITSTATUS(status) == row.exit_code &&
                    said.find(with_dirs(row.message, d)) != said.npos) << status << ": " << said;
    }
    for (const char *name : {"sound.wav", "song.wav", "beside.wav", "full.wav", "track.wav"}) {
        std::string bytes = read_text(dir / name);
        ASSERT_GT(bytes.size(), 100000u) << name;
        uint32_t sizes[2];  // the RIFF and data sizes, little-endian as the host
        memcpy(sizes, bytes.data() + 4, 4), memcpy(sizes + 1, bytes.data() + 40, 4);
        EXPECT_TRUE(sizes[1] == (bytes.size() - 44) / 4 * 4 && sizes[0] == 36 + sizes[1])
            << name << ": " << bytes.size() << " bytes, " << sizes[1] << " of data";
    }
    EXPECT_EQ(read_text(dir / "v.mkv"), "a video made before");
    const std::string log = read_text(dir / "log.txt"), full = read_text(dir / "full.txt");
    size_t lines = std::count(log.begin(), log.end(), '\n'), last = log.rfind('\n', log.size() - 2);
    EXPECT_EQ(log.substr(last + 1, log.find(' ', last) - last), std::to_string(lines - 2) + " ");
    EXPECT_EQ(std::count(log.begin() + last, log.end(), ' '), 5);  // the last line is whole
    EXPECT_EQ(fs::file_size(dir / "sound.wav") - 44, (lines - 1) * 735 * 4);
    EXPECT_LT(std::count(full.begin(), full.end(), '\n'), 100);  // not the whole show
    EXPECT_EQ(names_in(dir), "beside.wav ffmpeg full.txt full.wav log.txt output.txt "
                             "same.mkv song.wav sound.wav stopped track.wav v.mkv");
}
#endif
