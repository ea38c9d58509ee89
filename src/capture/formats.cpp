// formats.cpp - see formats.h. H.264 for players and
// sharing, FFV1 with FLAC to keep every pixel and sample, VP9 with Opus for
// the web; the soundtrack in FLAC, Vorbis or MP3.
#include "capture/formats.h"

#include <cctype>
#include <cstring>

static const char *const MP4_VIDEO[] = {"-c:v", "libx264", "-preset", "medium", "-crf", "16",
                                        "-pix_fmt", "yuv420p", nullptr};
static const char *const MP4_AUDIO[] = {"-c:a", "aac", "-b:a", "256k", nullptr};
// The index in front, so that a player can start before the whole file arrives.
static const char *const MP4_MUX[] = {"-movflags", "+faststart", nullptr};

static const char *const MKV_VIDEO[] = {"-c:v", "ffv1", "-level", "3", "-g", "1",
                                        "-pix_fmt", "bgr0", nullptr};
static const char *const MKV_AUDIO[] = {"-c:a", "flac", nullptr};

static const char *const WEBM_VIDEO[] = {"-c:v", "libvpx-vp9", "-crf", "24", "-b:v", "0",
                                         "-row-mt", "1", "-deadline", "good", "-cpu-used", "4",
                                         "-pix_fmt", "yuv420p", nullptr};
static const char *const WEBM_AUDIO[] = {"-c:a", "libopus", "-b:a", "192k", nullptr};

static const char *const NONE[] = {nullptr};

static const CaptureVideoFormat VIDEO_FORMATS[] = {
    {".mp4", MP4_VIDEO, 0, MP4_AUDIO, MP4_MUX},
    {".mkv", MKV_VIDEO, 1, MKV_AUDIO, NONE},
    {".webm", WEBM_VIDEO, 0, WEBM_AUDIO, NONE},
};

const char CAPTURE_VIDEO_EXTENSIONS[] = ".mp4, .mkv or .webm";

static const char *const FLAC_AUDIO[] = {"-c:a", "flac", nullptr};
static const char *const VORBIS_AUDIO[] = {"-c:a", "libvorbis", "-q:a", "6", nullptr};
static const char *const MP3_AUDIO[] = {"-c:a", "libmp3lame", "-q:a", "2", nullptr};

static const CaptureSoundFormat SOUND_FORMATS[] = {
    {".flac", FLAC_AUDIO},
    {".ogg", VORBIS_AUDIO},
    {".oga", VORBIS_AUDIO},
    {".mp3", MP3_AUDIO},
};

static int ends_with(const char *path, const char *extension)
{
    size_t n = strlen(path), e = strlen(extension);
    if (n <= e)
        return 0;  // ".mp4" alone names no file
    for (size_t i = 0; i < e; ++i)
        if (tolower((unsigned char)path[n - e + i]) != extension[i])
            return 0;
    return 1;
}

const CaptureVideoFormat *capture_video_format(const char *path)
{
    for (const CaptureVideoFormat &format : VIDEO_FORMATS)
        if (ends_with(path, format.extension))
            return &format;
    return nullptr;
}

const CaptureSoundFormat *capture_sound_format(const char *path)
{
    for (const CaptureSoundFormat &format : SOUND_FORMATS)
        if (ends_with(path, format.extension))
            return &format;
    return nullptr;
}
