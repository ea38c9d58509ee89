// outputs.h - every file a program run will write, tried before the run
// starts, so that a name that cannot be written, or one file named for two
// outputs, is refused before the first frame instead of after the last.
//
//   std::string why;
//   if (!capture_check_outputs(options, &why)) ... report why, exit 1 ...
#pragma once

#include <string>

#include "capture/options.h"

// 1 when --wav, --log, --timing and --video name distinct files and the
// first three can be written (a missing file is created and removed again; an existing one is
// opened for appending and left as it was; a device or a pipe is left to the
// run). 0 with the reason in *why.
int capture_check_outputs(const CaptureOptions &options, std::string *why);

// Makes the folder and its parents; 0 with the reason in *why.
int capture_make_dirs(const std::string &path, std::string *why);
