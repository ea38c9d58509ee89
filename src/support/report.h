// report.h - messages on stderr, each under the name of the running program.
//
//   report_program = "frostmere-capture";            // once, first in main()
//   report("cannot write %s: %s", path, strerror(errno));
//   // stderr: "frostmere-capture: cannot write /x/y.wav: Permission denied"
//
// Every layer reports through this, so a message reads the same whichever
// layer found the trouble and a user sees one prefix per program. The
// newline is added here. Header-only, so the platform layer can use it too.
#pragma once

#include <cstdarg>
#include <cstdio>

// "frostmere" unless main() names another program.
inline const char *report_program = "frostmere";

__attribute__((format(printf, 1, 2))) inline void report(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    fprintf(stderr, "%s: ", report_program);
    vfprintf(stderr, format, arguments);
    fputc('\n', stderr);
    va_end(arguments);
}
