// run.h - one capture of the program: what was asked, the files being
// written and how far it got, in one record that every step of the run is
// handed.
//
//   CaptureRun run = {};
//   run.options = options;               // parsed by capture_parse_options
//   return capture_run(&run);            // the exit code
//
// Every output is tried before the program starts, so a name that cannot be
// written is said before anything is made.
#pragma once

#include <cstdint>
#include <cstdio>

#include "capture/options.h"
#include "capture/progress.h"
#include "capture/video.h"
#include "support/wav_write.h"

struct CaptureRun {
    CaptureOptions options;
    uint32_t frames_written;  // PNG files
    uint32_t frames_logged;   // lines of the frame log
    FILE *frame_log;
    WavFile wav;
    int write_failed;         // a PNG, the WAV or the log could not be written
    CaptureVideo video;
    int video_on;
    CaptureProgress progress;
};

// The program run into the files the options ask for, and the video made of
// it: 0, 1 with a message on failure, 130 or 143 when a signal stopped it.
int capture_run(CaptureRun *run);

// Says which signal stopped the tool and what became of its files; returns
// the exit code for it.
int capture_report_interrupt(const char *files);
