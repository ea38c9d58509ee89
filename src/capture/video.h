// video.h - the capture's frames and sound made into a video by
// ffmpeg, and soundtracks compressed by it.
//
//   CaptureVideo video;
//   std::string why;
//   if (!capture_video_open(&video, "show.mp4", 60, 2, &why)) ... say why ...
//   capture_video_frame(&video, rgba, 640, 480);     // each presented frame, top-down RGBA
//   capture_video_sound(&video, stereo, frames);     // the sound the device played with it
//   if (!capture_video_finish(&video)) ... say video.why ...   // or capture_video_abort
//
// The frames go to an ffmpeg child through a pipe as raw RGBA and are
// encoded as they come, so memory stays flat however long the show; the
// sound goes to a WAV file beside the output. When the show is over a
// second ffmpeg puts the encoded picture (copied, not encoded again) and the
// sound, now encoded, into the file asked for. Two passes, because one
// ffmpeg reading picture and sound from two pipes at once would need a
// second pipe that Windows cannot hand to it by number, and a writer thread
// per pipe to keep either from blocking the other; the second pass only
// copies the picture and takes seconds. Any failure removes everything
// this run wrote, the output included; the helper files are named for the
// process, so two runs to one output never touch each other's.
#pragma once

#include <cstdint>
#include <string>

#include "capture/formats.h"
#include "platform/process.h"
#include "support/wav_write.h"

struct CaptureVideo {
    std::string path;        // the finished video
    std::string video_part;  // the encoded picture until the second pass
    std::string sound_part;  // the sound until the second pass
    const CaptureVideoFormat *format;
    int fps;
    uint32_t scale;
    ProcessChild encoder;
    WavFile sound;
    int started;             // the encoder runs (from the first frame)
    int output_made;         // the second pass has begun writing path
    int failed;
    std::string why;         // the first failure, or after open a warning
};

// How to get ffmpeg, for the message when it is missing.
extern const char CAPTURE_FFMPEG_MISSING[];

// Checks that ffmpeg is there and the output's folder can be written; opens
// the sound file. 0 with the reason in *why (nothing is left behind); 1
// with *why empty, or holding a warning about the encoder's memory.
int capture_video_open(CaptureVideo *video, const char *path, int fps, uint32_t scale,
                       std::string *why);
// 0 once anything failed (video->why says what); later calls do nothing.
int capture_video_frame(CaptureVideo *video, const uint8_t *rgba, int width, int height);
int capture_video_sound(CaptureVideo *video, const int16_t *stereo, uint32_t frames);
// Ends the encoding and makes the finished file; 0 with video->why, and
// every file removed, on failure.
int capture_video_finish(CaptureVideo *video);
// Stops ffmpeg and removes every file it made (for a signal or a failed run).
void capture_video_abort(CaptureVideo *video);

// "OUTPUT.WHAT-part-PID.EXT": a helper file beside the output that no other
// running capture uses.
std::string capture_part_name(const std::string &output, const char *what,
                              const char *extension);

// Encodes a WAV file into out_path in the compressed sound format; 0 with
// the reason in *why (out_path removed). wav_path stays.
int capture_sound_encode(const char *wav_path, const char *out_path,
                         const CaptureSoundFormat *format, std::string *why);
