// main.cpp - frostmere-capture: the intro run offscreen, frame-exact,
// into PNG frames, a frame log, its sound and a video (see options.h
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
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "base/arena.h"
#include "base/window.h"
#include "capture/options.h"
#include "capture/outputs.h"
#include "capture/run.h"
#include "capture/song.h"
#include "capture/video.h"
#include "music/music.h"
#include "platform/capture/capture_platform.h"
#include "platform/capture/signals.h"
#include "platform/process.h"
#include "support/report.h"
#include "textures/export.h"
#include "textures/textures.h"

// The textures alone: a context, the arena and the texture task.
static int capture_textures(const CaptureOptions &o)
{
    std::string why;
    if (!capture_make_dirs(o.textures_dir, &why)) {
        report("cannot create the folder %s: %s", o.textures_dir.c_str(), why.c_str());
        return 1;
    }
    CaptureConfig config = {};
    config.fps = o.fps;
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
    else if ((ok = textures_export(o.textures_dir.c_str())))
        printf("wrote %d textures to %s\n", TEXTURE_COUNT, o.textures_dir.c_str());
    arena_release();
    window_destroy();
    unregister_window_class();
    if (capture_stop_requested())
        return capture_report_interrupt(ok ? "the textures were written before it came"
                                           : "no texture was written");
    return ok ? 0 : 1;
}

// Reads a module file. Only a regular file is opened: a FIFO or a device
// could block the open or the read for ever. 0 with errno set (EINVAL, and
// the message given, for what is not a regular file).
static int read_module(const char *path, std::vector<uint8_t> &bytes)
{
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        report("cannot read %s: it is not a regular file", path);
        errno = EINVAL;
        return 0;
    }
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

// The render's length: --seconds, or the song once through.
static int soundtrack_seconds(const CaptureOptions &o, const std::vector<uint8_t> &module,
                              double *seconds)
{
    *seconds = o.seconds;
    if (o.seconds_given)
        return 1;
    uint64_t frames;
    if (!capture_song_frames(module.empty() ? nullptr : module.data(), (uint32_t)module.size(),
                             -1, &frames)) {
        report("the module was rejected: %s", song_load_error());
        return 0;
    }
    // Half a frame more, so that the renderer's count comes out whole.
    *seconds = ((double)frames + 0.5) / OUTPUT_RATE;
    return 1;
}

static int capture_soundtrack(const CaptureOptions &o)
{
    std::vector<uint8_t> module;
    if (!o.module_path.empty() && !read_module(o.module_path.c_str(), module)) {
        if (errno != EINVAL)
            report("cannot read %s: %s", o.module_path.c_str(), strerror(errno));
        return 1;
    }
    if (!o.module_path.empty() && module.empty()) {
        report("%s is empty", o.module_path.c_str());
        return 1;
    }
    // A compressed file is rendered as WAV beside it first, then encoded.
    const CaptureSoundFormat *format = capture_sound_format(o.soundtrack_path.c_str());
    if (format && !process_find_program("ffmpeg")) {
        report("%s", CAPTURE_FFMPEG_MISSING);
        return 1;
    }
    std::string wav_path = format ? capture_part_name(o.soundtrack_path, "sound", ".wav")
                                  : o.soundtrack_path;
    double seconds;
    if (!soundtrack_seconds(o, module, &seconds))
        return 1;
    const uint8_t *bytes = module.empty() ? nullptr : module.data();
    if (!music_render_soundtrack(wav_path.c_str(), seconds, bytes, (uint32_t)module.size(),
                                 capture_stop_requested)) {
        if (format)
            remove(wav_path.c_str());
        return 1;
    }
    if (format && capture_stop_requested()) {
        remove(wav_path.c_str());
        return capture_report_interrupt("nothing was encoded");
    }
    if (format) {
        std::string why;
        int encoded = capture_sound_encode(wav_path.c_str(), o.soundtrack_path.c_str(), format,
                                           &why);
        remove(wav_path.c_str());
        if (!encoded) {
            report("%s", why.c_str());
            return 1;
        }
    }
    printf("wrote %s\n", o.soundtrack_path.c_str());
    if (capture_stop_requested())
        return capture_report_interrupt(
            "the WAV file is finished with the sound rendered until then");
    return 0;
}

int main(int argc, char **argv)
{
    report_program = "frostmere-capture";
    static CaptureRun run;
    std::string error;
    if (!capture_parse_options(argc, argv, &run.options, &error)) {
        report("%s\n(frostmere-capture --help says what each option takes)", error.c_str());
        return 1;
    }
    // Before the platform starts, so that its own handlers stay out.
    capture_signals_install();
    switch (run.options.mode) {
    case CAPTURE_MODE_HELP:
        capture_usage(stdout);
        return 0;
    case CAPTURE_MODE_SOUNDTRACK:
        return capture_soundtrack(run.options);
    case CAPTURE_MODE_TEXTURES:
        return capture_textures(run.options);
    default:
        return capture_run(&run);
    }
}
