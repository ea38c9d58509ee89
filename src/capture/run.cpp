// run.cpp - see run.h. The frame hooks of the capture backend, the
// program's frame hook and the sound device's listener take no context of
// their own; `active` is the one run they all serve.
#include "capture/run.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "app/program.h"
#include "capture/outputs.h"
#include "capture/song.h"
#include "capture/timing.h"
#include "platform/capture/capture_audio.h"
#include "platform/capture/capture_platform.h"
#include "platform/capture/signals.h"
#include "platform/memory.h"
#include "support/png_write.h"
#include "support/report.h"

static CaptureRun *active;

int capture_report_interrupt(const char *files)
{
    report("interrupted by %s; %s", capture_signal_name(capture_interrupted_by()), files);
    return capture_interrupt_exit_code();
}

// The first failure to write one of the run's own files ends the run after
// the frame it is on, as a failed video does.
static void write_failure(CaptureRun *run, const std::string &path, int error)
{
    if (!run->write_failed)
        report("could not write %s: %s", path.c_str(), strerror(error));
    run->write_failed = 1;
}

static void log_frame(const AppFrameInfo *info)
{
    CaptureRun *run = active;
    if (!run->options.timing_path.empty())
        timing_frame_shown(info);
    if (run->frame_log && fprintf(run->frame_log, "%u %d %d %d %d %d\n", run->frames_logged++,
                                  info->elapsed_ms, info->frame_ms, info->order, info->row,
                                  info->entry) < 0)
        write_failure(run, run->options.log_path, errno);
}

static int want_png(const CaptureOptions &o, uint32_t frame)
{
    if (o.out_dir.empty())
        return 0;
    if (o.every && frame % o.every == 0)
        return 1;
    if (!o.frames.empty())
        return std::binary_search(o.frames.begin(), o.frames.end(), frame);
    return !o.every;
}

static int want_frame(uint32_t frame)
{
    return active->video_on || want_png(active->options, frame);
}

static void save_png(CaptureRun *run, uint32_t frame, const uint8_t *rgba, int width, int height)
{
    char name[32];
    snprintf(name, sizeof name, "/frame-%06u.png", frame);
    std::string path = run->options.out_dir + name;
    errno = 0;
    if (!png_write_rgba(path.c_str(), rgba, width, height, 0)) {
        write_failure(run, path, errno ? errno : EIO);
        return;
    }
    if (!run->options.quiet)
        printf("wrote %s\n", path.c_str());
    ++run->frames_written;
}

static void save_frame(uint32_t frame, const uint8_t *rgba, int width, int height)
{
    if (want_png(active->options, frame))
        save_png(active, frame, rgba, width, height);
    if (active->video_on)
        capture_video_frame(&active->video, rgba, width, height);
}

static void write_pcm(const int16_t *stereo, uint32_t frames)
{
    CaptureRun *run = active;
    if (!run->options.wav_path.empty() && !run->write_failed &&
        !wav_write_frames(&run->wav, stereo, frames))
        write_failure(run, run->options.wav_path, run->wav.error);
    if (run->video_on)
        capture_video_sound(&run->video, stereo, frames);
}

static void after_frame(uint32_t frame)
{
    capture_progress_frame(&active->progress, frame + 1);
}

// A signal, a file that can no longer be written or a video that can no
// longer be made: the run ends after the frame it is on.
static int stop_run()
{
    return capture_stop_requested() || active->write_failed ||
           (active->video_on && active->video.failed);
}

// The run's virtual display: the frame hooks, and a frame limit where the
// options allow one.
static CaptureConfig run_config(const CaptureRun *run)
{
    const CaptureOptions &o = run->options;
    CaptureConfig config = {};
    config.fps = o.fps;
    config.max_frames = o.max_frames;
    // A list of frames alone needs the program no further than its last one
    // (a last frame past 2^32 - 2 cannot be limited: the run goes to its end).
    if (!o.every && !o.frames.empty() && o.log_path.empty() && !run->video_on) {
        uint64_t needed = (uint64_t)o.frames.back() + 1;
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
static uint32_t progress_frames(const CaptureOptions &o, const CaptureConfig *config)
{
    uint32_t expected = config->max_frames;
    uint32_t show = o.quiet ? 0 : capture_expected_frames(o.fps);
    if (show && (!expected || show < expected))
        expected = show;
    return expected;
}

// Opens the WAV file and the frame log and hooks them to the run; 0 with a
// message when one cannot be written.
static int open_run_files(CaptureRun *run)
{
    const CaptureOptions &o = run->options;
    if (!o.wav_path.empty() && !wav_open(&run->wav, o.wav_path.c_str(), 44100, 2)) {
        report("cannot write %s: %s", o.wav_path.c_str(), strerror(run->wav.error));
        return 0;
    }
    if (!o.wav_path.empty() || run->video_on)
        capture_audio_set_listener(write_pcm);
    if (!o.log_path.empty()) {
        run->frame_log = fopen(o.log_path.c_str(), "w");
        if (!run->frame_log) {
            report("cannot write %s: %s", o.log_path.c_str(), strerror(errno));
            return 0;
        }
        fprintf(run->frame_log, "# frame elapsed_ms frame_ms order row entry\n");
        app_on_frame = log_frame;
    }
    return 1;
}

// Finishes the log, the timing table and the WAV file, saying what each
// holds; 0 with a message when one could not be finished.
static int finish_run_files(CaptureRun *run)
{
    const CaptureOptions &o = run->options;
    int ok = 1;
    if (run->frame_log) {
        // A failed write along the way leaves the error flag; the close
        // reports only the last flush.
        int failed = ferror(run->frame_log);
        if (fclose(run->frame_log) != 0 || failed) {
            report("could not finish %s: %s", o.log_path.c_str(), strerror(failed ? EIO : errno));
            ok = 0;
        } else {
            printf("logged %u frames to %s\n", run->frames_logged, o.log_path.c_str());
        }
        run->frame_log = nullptr;
    }
    if (!o.timing_path.empty()) {
        if (!timing_write(o.timing_path.c_str(), platform_peak_memory_bytes())) {
            report("could not write %s: %s", o.timing_path.c_str(), strerror(errno));
            ok = 0;
        } else {
            printf("wrote frame costs to %s\n", o.timing_path.c_str());
        }
    }
    if (!o.wav_path.empty()) {
        // The header counts what reached the file, even after a failed write.
        int written = !run->wav.failed;
        if (!wav_close(&run->wav)) {
            if (written)
                report("could not finish %s: %s", o.wav_path.c_str(), strerror(run->wav.error));
            ok = 0;
        } else {
            printf("wrote %s (%.2f s of sound)\n", o.wav_path.c_str(),
                   run->wav.data_bytes / 4 / 44100.0);
        }
    }
    return ok;
}

// The exit code for how the program ended and what it presented.
static int run_exit_code(const CaptureRun *run, int outcome, uint32_t presented)
{
    if (outcome != APP_OUTCOME_ENDED) {
        report("the program failed (%s)",
               outcome == APP_OUTCOME_NO_GL          ? "no OpenGL window"
               : outcome == APP_OUTCOME_TASK_FAILED ? "a precalc task failed"
                                                     : "start-up failed");
        return 1;
    }
    // A write a signal broke off is the signal's doing.
    if (capture_stop_requested())
        return capture_report_interrupt("the files are finished with what was captured until then");
    if (run->write_failed || (run->video_on && run->video.failed))
        return 1;
    for (uint32_t frame : run->options.frames) {
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
static int run_program(CaptureRun *run)
{
    const CaptureOptions &o = run->options;
    std::string why;
    if (!o.out_dir.empty() && !capture_make_dirs(o.out_dir, &why)) {
        report("cannot create the folder %s: %s", o.out_dir.c_str(), why.c_str());
        return 1;
    }
    CaptureConfig config = run_config(run);
    const uint32_t expected = progress_frames(o, &config);
    if (!o.timing_path.empty()) {
        timing_start(&config);
        app_on_frame = log_frame;
    }
    platform_capture_bootstrap(&platform, &config);
    if (!open_run_files(run)) {
        finish_run_files(run);
        return 1;
    }
    capture_progress_begin(&run->progress, expected, o.quiet);
    int outcome = app_run();
    capture_progress_end(&run->progress);
    int finished = finish_run_files(run);
    uint32_t presented = capture_frames_presented();
    if (!o.out_dir.empty())
        printf("%u frames presented, %u written to %s\n", presented, run->frames_written,
               o.out_dir.c_str());
    int code = run_exit_code(run, outcome, presented);
    return code ? code : !finished;
}

int capture_run(CaptureRun *run)
{
    const CaptureOptions &o = run->options;
    active = run;
    std::string why;
    if (!capture_check_outputs(o, &why)) {
        report("%s", why.c_str());
        return 1;
    }
    // First, as it may need ffmpeg: nothing is written when it is missing.
    if (!o.video_path.empty()) {
        if (!capture_video_open(&run->video, o.video_path.c_str(), o.fps, o.scale, &why)) {
            report("%s", why.c_str());
            return 1;
        }
        if (!why.empty())
            report("warning: %s", why.c_str());
        run->video_on = 1;
    }
    int outcome = run_program(run);
    if (!run->video_on)
        return outcome;
    if (outcome != 0 || capture_stop_requested()) {
        capture_video_abort(&run->video);
        if (capture_stop_requested())
            report("the video %s was removed", o.video_path.c_str());
        else if (run->video.failed)
            report("the video %s was not made: %s", o.video_path.c_str(), run->video.why.c_str());
        return outcome ? outcome : 1;
    }
    if (!o.quiet)
        printf("encoding %s\n", o.video_path.c_str());
    fflush(stdout);
    if (!capture_video_finish(&run->video)) {
        report("the video %s was not made: %s", o.video_path.c_str(), run->video.why.c_str());
        return 1;
    }
    printf("wrote %s (%u frames at %d fps)\n", o.video_path.c_str(), capture_frames_presented(),
           o.fps);
    return 0;
}
