// capture_main.cpp - frostmere-capture: the intro run offscreen, frame-exact,
// into PNG frames, a frame log, its sound and a video (see capture_options.h
// for the command line).
//
//   frostmere-capture --out DIR [--frames 0,7,70] [--every N]
//                     [--max-frames N] [--fps N] [--log FILE] [--wav FILE]
//                     [--video FILE [--scale N]] [--quiet]
//   frostmere-capture --textures DIR
//   frostmere-capture --soundtrack FILE [--seconds S] [--module IN.xm]
//
// Frames are numbered from the first presented frame (the first loading
// screen) and written as DIR/frame-NNNNNN.png. Exit code 0 when the program
// ended normally, 1 with a message on any failure, 130 or 143 when SIGINT or
// SIGTERM stopped it (the files then hold what was captured until then; a
// video, which would be cut short, is removed).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/capture_options.h"
#include "app/capture_progress.h"
#include "app/capture_signals.h"
#include "app/capture_song.h"
#include "app/capture_timing.h"
#include "app/capture_video.h"
#include "app/program.h"
#include "base/arena.h"
#include "base/window.h"
#include "music/music.h"
#include "platform/capture/capture_audio.h"
#include "platform/capture/capture_platform.h"
#include "platform/memory.h"
#include "platform/process.h"
#include "support/png_write.h"
#include "support/report.h"
#include "support/wav_write.h"
#include "textures/export.h"
#include "textures/textures.h"

static CaptureOptions options;
static uint32_t frames_written;
static uint32_t frames_logged;
static FILE *frame_log;
static WavFile wav;
static int write_failed;
static CaptureVideo video;
static int video_on;
static CaptureProgress progress;

// Makes the folder and its parents; on failure errno-style text is in why.
static int make_dirs(const std::string &path, std::string &why)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!error && std::filesystem::is_directory(path, error))
        return 1;
    why = error ? error.message() : "not a folder";
    return 0;
}

static void log_frame(const AppFrameInfo *info)
{
    if (!options.timing_path.empty())
        timing_frame_shown(info);
    if (frame_log)
        fprintf(frame_log, "%u %d %d %d %d %d\n", frames_logged++, info->elapsed_ms,
                info->frame_ms, info->order, info->row, info->entry);
}

static int want_png(uint32_t frame)
{
    if (options.out_dir.empty())
        return 0;
    if (options.every && frame % options.every == 0)
        return 1;
    if (!options.frames.empty())
        return std::binary_search(options.frames.begin(), options.frames.end(), frame);
    return !options.every;
}

static int want_frame(uint32_t frame)
{
    return video_on || want_png(frame);
}

static void save_png(uint32_t frame, const uint8_t *rgba, int width, int height)
{
    char name[32];
    snprintf(name, sizeof name, "/frame-%06u.png", frame);
    std::string path = options.out_dir + name;
    if (!png_write_rgba(path.c_str(), rgba, width, height, 0)) {
        report("could not write %s", path.c_str());
        write_failed = 1;
        return;
    }
    if (!options.quiet)
        printf("wrote %s\n", path.c_str());
    ++frames_written;
}

static void save_frame(uint32_t frame, const uint8_t *rgba, int width, int height)
{
    if (want_png(frame))
        save_png(frame, rgba, width, height);
    if (video_on)
        capture_video_frame(&video, rgba, width, height);
}

static void write_pcm(const int16_t *stereo, uint32_t frames)
{
    if (!options.wav_path.empty())
        wav_write_frames(&wav, stereo, frames);
    if (video_on)
        capture_video_sound(&video, stereo, frames);
}

static void after_frame(uint32_t frame)
{
    capture_progress_frame(&progress, frame + 1);
}

// A signal, or a video that can no longer be made: the run ends after the
// frame it is on.
static int stop_run()
{
    return capture_stop_requested() || (video_on && video.failed);
}

// Says which signal stopped the capture and what became of its files;
// returns the exit code for it.
static int report_interrupt(const char *files)
{
    report("interrupted by %s; %s", capture_signal_name(capture_interrupted_by()), files);
    return capture_interrupt_exit_code();
}

// The textures alone: a context, the arena and the texture task.
static int capture_textures()
{
    std::string why;
    if (!make_dirs(options.textures_dir, why)) {
        report("cannot create the folder %s: %s", options.textures_dir.c_str(), why.c_str());
        return 1;
    }
    CaptureConfig config = {};
    config.fps = options.fps;
    platform_capture_bootstrap(&platform, &config);
    register_window_class();
    int ok = window_create(640, 480, 32, 0, "frostmere textures");
    if (!ok)
        report("no offscreen OpenGL context");
    else if (!(ok = arena_init()))
        report("the arena could not be allocated");
    else if (!(ok = textures_build()))
        report("the texture script failed");
    else if (capture_stop_requested())
        ok = 0;  // nothing written yet: nothing to finish
    else if ((ok = textures_export(options.textures_dir.c_str())))
        printf("wrote %d textures to %s\n", TEXTURE_COUNT, options.textures_dir.c_str());
    arena_release();
    window_destroy();
    unregister_window_class();
    if (capture_stop_requested())
        return report_interrupt(ok ? "the textures were written before it came"
                                   : "no texture was written");
    return ok ? 0 : 1;
}

static int read_whole_file(const char *path, std::vector<uint8_t> &bytes)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return 0;
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (bytes.size() + got > 64u * 1024 * 1024) {  // no module is that large
            fclose(file);
            errno = EFBIG;
            return 0;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    int ok = !ferror(file);
    fclose(file);
    return ok;
}

static int capture_soundtrack()
{
    std::vector<uint8_t> module;
    if (!options.module_path.empty() && !read_whole_file(options.module_path.c_str(), module)) {
        report("cannot read %s: %s", options.module_path.c_str(), strerror(errno));
        return 1;
    }
    const uint8_t *bytes = module.empty() ? nullptr : module.data();
    if (!options.module_path.empty() && module.empty()) {
        report("%s is empty", options.module_path.c_str());
        return 1;
    }
    // A compressed file is rendered as WAV beside it first, then encoded.
    const CaptureSoundFormat *format = capture_sound_format(options.soundtrack_path.c_str());
    if (format && !process_find_program("ffmpeg")) {
        report("%s", CAPTURE_FFMPEG_MISSING);
        return 1;
    }
    std::string wav_path = options.soundtrack_path + (format ? ".sound-part.wav" : "");
    double seconds = options.seconds;
    if (!options.seconds_given) {
        uint64_t frames;
        if (!capture_song_frames(bytes, (uint32_t)module.size(), -1, &frames)) {
            report("the module was rejected: %s", song_load_error());
            return 1;
        }
        // Half a frame more, so that the renderer's count comes out whole.
        seconds = ((double)frames + 0.5) / OUTPUT_RATE;
    }
    if (!music_render_soundtrack(wav_path.c_str(), seconds, bytes, (uint32_t)module.size(),
                                 capture_stop_requested)) {
        if (format)
            remove(wav_path.c_str());
        return 1;
    }
    if (format && capture_stop_requested()) {
        remove(wav_path.c_str());
        return report_interrupt("nothing was encoded");
    }
    if (format) {
        std::string why;
        int encoded = capture_sound_encode(wav_path.c_str(), options.soundtrack_path.c_str(),
                                           format, &why);
        remove(wav_path.c_str());
        if (!encoded) {
            report("%s", why.c_str());
            return 1;
        }
    }
    printf("wrote %s\n", options.soundtrack_path.c_str());
    if (capture_stop_requested())
        return report_interrupt("the WAV file is finished with the sound rendered until then");
    return 0;
}

// The run's virtual display: the frame hooks, and a frame limit where the
// options allow one.
static CaptureConfig run_config()
{
    CaptureConfig config = {};
    config.fps = options.fps;
    config.max_frames = options.max_frames;
    // A list of frames alone needs the program no further than its last one
    // (a last frame past 2^32 - 2 cannot be limited: the run goes to its end).
    if (!options.every && !options.frames.empty() && options.log_path.empty() && !video_on) {
        uint64_t needed = (uint64_t)options.frames.back() + 1;
        if (needed <= 0xFFFFFFFFu && (!config.max_frames || needed < config.max_frames))
            config.max_frames = (uint32_t)needed;
    }
    config.want_frame = want_frame;
    config.on_frame = save_frame;
    config.after_frame = after_frame;
    config.stop_requested = stop_run;
    return config;
}

// The frames the progress counts towards: the frame limit or the show's
// end, whichever comes first (0: unknown).
static uint32_t progress_frames(const CaptureConfig *config)
{
    uint32_t expected = config->max_frames;
    uint32_t show = options.quiet ? 0 : capture_expected_frames(options.fps);
    if (show && (!expected || show < expected))
        expected = show;
    return expected;
}

// Opens the WAV file and the frame log and hooks them to the run; 0 with a
// message when one cannot be written.
static int open_run_files()
{
    if (!options.wav_path.empty()) {
        if (!wav_open(&wav, options.wav_path.c_str(), 44100, 2)) {
            report("cannot write %s: %s", options.wav_path.c_str(), strerror(errno));
            return 0;
        }
    }
    if (!options.wav_path.empty() || video_on)
        capture_audio_set_listener(write_pcm);
    if (!options.log_path.empty()) {
        frame_log = fopen(options.log_path.c_str(), "w");
        if (!frame_log) {
            report("cannot write %s: %s", options.log_path.c_str(), strerror(errno));
            return 0;
        }
        fprintf(frame_log, "# frame elapsed_ms frame_ms order row entry\n");
        app_on_frame = log_frame;
    }
    return 1;
}

// Finishes the log, the timing table and the WAV file, saying what each
// holds; 0 with a message when one could not be finished.
static int finish_run_files()
{
    // A failed write along the way leaves the error flag; the close only
    // reports the last flush.
    int log_failed = frame_log && ferror(frame_log);
    if (frame_log && fclose(frame_log) != 0)
        log_failed = 1;
    if (log_failed) {
        report("could not finish %s", options.log_path.c_str());
        return 0;
    }
    if (frame_log)
        printf("logged %u frames to %s\n", frames_logged, options.log_path.c_str());
    if (!options.timing_path.empty()) {
        if (!timing_write(options.timing_path.c_str(), platform_peak_memory_bytes())) {
            report("could not write %s: %s", options.timing_path.c_str(), strerror(errno));
            return 0;
        }
        printf("wrote frame costs to %s\n", options.timing_path.c_str());
    }
    if (!options.wav_path.empty()) {
        uint64_t frames = wav.data_bytes / 4;
        if (!wav_close(&wav)) {
            report("could not finish %s", options.wav_path.c_str());
            return 0;
        }
        printf("wrote %s (%.2f s of sound)\n", options.wav_path.c_str(), frames / 44100.0);
    }
    return 1;
}

// The exit code for how the program ended and what it presented.
static int run_exit_code(int outcome, uint32_t presented)
{
    if (outcome != APP_OUTCOME_ENDED) {
        report("the program failed (%s)",
               outcome == APP_OUTCOME_NO_GL          ? "no OpenGL window"
               : outcome == APP_OUTCOME_TASK_FAILED ? "a precalc task failed"
                                                     : "start-up failed");
        return 1;
    }
    if (write_failed || (video_on && video.failed))
        return 1;
    if (capture_stop_requested())
        return report_interrupt("the files are finished with what was captured until then");
    for (uint32_t frame : options.frames) {
        if (frame >= presented) {
            report("frame %u was asked for, but the program presented only %u frames", frame,
                   presented);
            return 1;
        }
    }
    return 0;
}

// The program run: frames, log and sound as it plays them; every file but
// the video is finished here.
static int capture_run_program()
{
    std::string why;
    if (!options.out_dir.empty() && !make_dirs(options.out_dir, why)) {
        report("cannot create the folder %s: %s", options.out_dir.c_str(), why.c_str());
        return 1;
    }
    CaptureConfig config = run_config();
    const uint32_t expected = progress_frames(&config);
    if (!options.timing_path.empty()) {
        timing_start(&config);
        app_on_frame = log_frame;
    }
    platform_capture_bootstrap(&platform, &config);
    if (!open_run_files())
        return 1;

    capture_progress_begin(&progress, expected, options.quiet);
    int outcome = app_run();
    capture_progress_end(&progress);
    if (!finish_run_files())
        return 1;
    uint32_t presented = capture_frames_presented();
    if (!options.out_dir.empty())
        printf("%u frames presented, %u written to %s\n", presented, frames_written,
               options.out_dir.c_str());
    return run_exit_code(outcome, presented);
}

// The program run, and the video made of it.
static int capture_run()
{
    std::string why;
    // First, as it may need ffmpeg: nothing is written when it is missing.
    if (!options.video_path.empty()) {
        if (!capture_video_open(&video, options.video_path.c_str(), options.fps, options.scale,
                                &why)) {
            report("%s", why.c_str());
            return 1;
        }
        video_on = 1;
    }
    int outcome = capture_run_program();
    if (!video_on)
        return outcome;
    if (outcome != 0 || capture_stop_requested()) {
        capture_video_abort(&video);
        if (capture_stop_requested())
            report("the video %s was removed", options.video_path.c_str());
        else if (video.failed)
            report("the video %s was not made: %s", options.video_path.c_str(), video.why.c_str());
        return outcome ? outcome : 1;
    }
    if (!options.quiet)
        printf("encoding %s\n", options.video_path.c_str());
    fflush(stdout);
    if (!capture_video_finish(&video)) {
        report("the video %s was not made: %s", options.video_path.c_str(), video.why.c_str());
        return 1;
    }
    printf("wrote %s (%u frames at %d fps)\n", options.video_path.c_str(),
           capture_frames_presented(), options.fps);
    return 0;
}

int main(int argc, char **argv)
{
    report_program = "frostmere-capture";
    std::string error;
    if (!capture_parse_options(argc, argv, &options, &error)) {
        report("%s\n(frostmere-capture --help says what each option takes)", error.c_str());
        return 1;
    }
    // Before the platform starts, so that its own handlers stay out.
    capture_signals_install();
    switch (options.mode) {
    case CAPTURE_MODE_HELP:
        capture_usage(stdout);
        return 0;
    case CAPTURE_MODE_SOUNDTRACK:
        return capture_soundtrack();
    case CAPTURE_MODE_TEXTURES:
        return capture_textures();
    default:
        return capture_run();
    }
}
