// export.h - writing the ten finished textures to files, for looking at them
// outside the program (the capture tool's --textures option).
//
//   if (!textures_export("/tmp/tex")) ...   // after textures_build()
//
// Writes texture0.png .. texture9.png (RGB: the script leaves alpha 0 in
// every pixel, which would make an RGBA picture invisible) and
// texture0.rgba .. texture9.rgba, the raw 262144-byte copies with alpha.
// Creates the directory when it is missing. Returns 1, or 0 after printing
// what failed to stderr.
#pragma once

int textures_export(const char *dir);
