// formats.h - the files the capture tool has ffmpeg write, chosen
// by the output's extension, and the ffmpeg arguments for each.
//
//   const CaptureVideoFormat *v = capture_video_format("show.mp4");  // null: not a video name
//   const CaptureSoundFormat *s = capture_sound_format("song.flac"); // null: plain WAV
//
// Argument lists end with a null entry; they are appended as they are.
#pragma once

struct CaptureVideoFormat {
    const char *extension;          // ".mp4"
    const char *const *video_args;  // encoder and pixel format of the picture
    int rgb;                        // 1: the picture stays RGB (lossless); 0: YUV 4:2:0
    const char *const *audio_args;  // encoder of the sound
    const char *const *mux_args;    // options of the finished file
};

struct CaptureSoundFormat {
    const char *extension;
    const char *const *audio_args;
};

// ".mp4 .mkv .webm", for messages.
extern const char CAPTURE_VIDEO_EXTENSIONS[];

// The format a video file name asks for (its extension, in any case), or null.
const CaptureVideoFormat *capture_video_format(const char *path);
// The compressed format a soundtrack file name asks for, or null for WAV.
const CaptureSoundFormat *capture_sound_format(const char *path);
