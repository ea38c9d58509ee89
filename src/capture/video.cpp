// video.cpp - see video.h.
#include "capture/video.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/capture/signals.h"

const char CAPTURE_FFMPEG_MISSING[] =
    "ffmpeg was not found on the PATH; videos and compressed soundtracks are made with it. "
    "Install it (Debian: sudo apt install ffmpeg, or scripts/setup; Windows: put the folder "
    "holding ffmpeg.exe on the PATH), or capture PNG frames (--out) and WAV (--wav) instead";

// The part of every ffmpeg command before its inputs: no questions on the
// terminal, only errors (they reach the user's stderr as they are), and
// overwrite, as the tool's other files do.
static void ffmpeg_begin(std::vector<const char *> &argv)
{
    for (const char *word : {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"})
        argv.push_back(word);
}

std::string capture_part_name(const std::string &output, const char *what,
                              const char *extension)
{
    return output + "." + what + "-part-" + std::to_string(process_own_id()) + extension;
}

// ffmpeg reads a name with a colon in it as a protocol ("pipe:1",
// "tcp://...") and one that starts with '-' as an option: "file:" makes
// every name the local file it says.
static std::string local_file(const std::string &path)
{
    return "file:" + path;
}

static void append(std::vector<const char *> &argv, const char *const *words)
{
    for (; *words; ++words)
        argv.push_back(*words);
}

// Runs ffmpeg to its end; its exit code (-1 when it could not start).
static int run_ffmpeg(std::vector<const char *> &argv)
{
    argv.push_back(nullptr);
    ProcessChild child = {};
    if (!process_start(&child, argv.data(), 0))
        return -1;
    return process_wait(&child);
}

static std::string exit_text(int code)
{
    return code < 0 ? std::string("it could not be started")
                    : "it ended with exit code " + std::to_string(code);
}

// Only what this run made: another run may be writing the same output.
static void remove_parts(CaptureVideo *v)
{
    remove(v->video_part.c_str());
    remove(v->sound_part.c_str());
    if (v->output_made)
        remove(v->path.c_str());
    v->output_made = 0;
}

static int fail(CaptureVideo *v, const std::string &why)
{
    if (!v->failed) {
        v->failed = 1;
        v->why = why;
    }
    return 0;
}

int capture_video_open(CaptureVideo *v, const char *path, int fps, uint32_t scale,
                       std::string *why)
{
    *v = {};
    v->encoder = {0, -1, 0, capture_stop_requested};
    v->path = path;
    v->format = capture_video_format(path);
    v->fps = fps;
    v->scale = scale ? scale : 1;
    // The intermediate picture in the output's own container, so its time
    // base is the one the finished file gets. Named for this process, so
    // that two runs to one output never share them.
    v->video_part = capture_part_name(v->path, "video", v->format->extension);
    v->sound_part = capture_part_name(v->path, "sound", ".wav");
    if (!process_find_program("ffmpeg")) {
        *why = CAPTURE_FFMPEG_MISSING;
        return 0;
    }
    // Made now, beside the output, so that a folder that is not there or
    // cannot be written is said before the run.
    if (!wav_open(&v->sound, v->sound_part.c_str(), 44100, 2)) {
        *why = "cannot write " + v->sound_part + ": " + strerror(v->sound.error);
        if (v->sound.file)
            wav_close(&v->sound);
        remove(v->sound_part.c_str());
        return 0;
    }
    // x264 keeps dozens of frames in flight: about 4 GB at 5120x3840.
    if (!strcmp(v->format->extension, ".mp4") && v->scale > 4) {
        char text[160];
        snprintf(text, sizeof text,
                 "frames of %ux%u make ffmpeg's H.264 encoder use about %.1f GB of memory",
                 640 * v->scale, 480 * v->scale, 4.0 * v->scale * v->scale / 64);
        *why = text;
    }
    return 1;
}

// The encoder for frames of width x height: raw RGBA on its input.
static int start_encoder(CaptureVideo *v, int width, int height)
{
    char size[32], rate[16], filter[160];
    snprintf(size, sizeof size, "%dx%d", width, height);
    snprintf(rate, sizeof rate, "%d", v->fps);
    // Nearest neighbour on the RGB picture keeps each pixel a sharp block;
    // the YUV formats are then converted with BT.709, said in the file, so
    // players show the colours the program drew.
    int at = 0;
    filter[0] = 0;
    if (v->scale > 1)
        at = snprintf(filter, sizeof filter, "scale=iw*%u:ih*%u:flags=neighbor", v->scale,
                      v->scale);
    if (!v->format->rgb)
        snprintf(filter + at, sizeof filter - at, "%sscale=out_color_matrix=bt709:out_range=tv",
                 at ? "," : "");
    std::vector<const char *> argv;
    ffmpeg_begin(argv);
    for (const char *word : {"-f", "rawvideo", "-pix_fmt", "rgba", "-s", (const char *)size,
                             "-framerate", (const char *)rate, "-i", "pipe:0"})
        argv.push_back(word);
    if (filter[0]) {
        argv.push_back("-vf");
        argv.push_back(filter);
    }
    append(argv, v->format->video_args);
    if (!v->format->rgb)
        for (const char *word : {"-colorspace", "bt709", "-color_primaries", "bt709",
                                 "-color_trc", "bt709", "-color_range", "tv"})
            argv.push_back(word);
    argv.push_back("-an");
    const std::string video_part = local_file(v->video_part);
    argv.push_back(video_part.c_str());
    argv.push_back(nullptr);
    if (!process_start(&v->encoder, argv.data(), 1))
        return fail(v, std::string("ffmpeg could not be started: ") + strerror(errno));
    v->started = 1;
    return 1;
}

int capture_video_frame(CaptureVideo *v, const uint8_t *rgba, int width, int height)
{
    if (v->failed)
        return 0;
    if (!v->started && !start_encoder(v, width, height))
        return 0;
    if (!process_write(&v->encoder, rgba, (size_t)width * height * 4)) {
        // Asked to stop: the child may be stopped too, so it is not waited
        // for here; the abort kills it.
        if (errno == EINTR && capture_stop_requested())
            return fail(v, "interrupted");
        int code = process_wait(&v->encoder);
        return fail(v, "ffmpeg stopped taking frames while the show went on (" +
                           exit_text(code) + ")");
    }
    return 1;
}

int capture_video_sound(CaptureVideo *v, const int16_t *stereo, uint32_t frames)
{
    if (v->failed)
        return 0;
    if (!wav_write_frames(&v->sound, stereo, frames))
        return fail(v, "cannot write " + v->sound_part + ": " + strerror(errno));
    return 1;
}

void capture_video_abort(CaptureVideo *v)
{
    process_kill(&v->encoder);
    if (v->sound.file)
        wav_close(&v->sound);
    remove_parts(v);
}

int capture_video_finish(CaptureVideo *v)
{
    if (!v->failed && !v->started)
        fail(v, "the program presented no frame");
    int code = v->started ? process_wait(&v->encoder) : 0;
    if (!v->failed && code != 0)
        fail(v, "ffmpeg could not encode the picture (" + exit_text(code) + ")");
    if (!wav_close(&v->sound) && !v->failed)
        fail(v, "could not finish " + v->sound_part);
    if (!v->failed) {
        const std::string video_in = local_file(v->video_part),
                          sound_in = local_file(v->sound_part), out = local_file(v->path);
        std::vector<const char *> argv;
        ffmpeg_begin(argv);
        for (const char *word : {"-i", video_in.c_str(), "-i", sound_in.c_str(), "-map",
                                 "0:v:0", "-map", "1:a:0", "-c:v", "copy"})
            argv.push_back(word);
        append(argv, v->format->audio_args);
        append(argv, v->format->mux_args);
        argv.push_back(out.c_str());
        v->output_made = 1;
        code = run_ffmpeg(argv);
        if (code != 0)
            fail(v, "ffmpeg could not put the picture and the sound together (" +
                        exit_text(code) + ")");
    }
    if (!v->failed)
        v->output_made = 0;  // kept: the parts alone go
    remove_parts(v);
    return !v->failed;
}

int capture_sound_encode(const char *wav_path, const char *out_path,
                         const CaptureSoundFormat *format, std::string *why)
{
    const std::string in = local_file(wav_path), out = local_file(out_path);
    std::vector<const char *> argv;
    ffmpeg_begin(argv);
    argv.push_back("-i");
    argv.push_back(in.c_str());
    append(argv, format->audio_args);
    argv.push_back(out.c_str());
    int code = run_ffmpeg(argv);
    if (code == 0)
        return 1;
    *why = "ffmpeg could not encode " + std::string(out_path) + " (" + exit_text(code) + ")";
    remove(out_path);
    return 0;
}
