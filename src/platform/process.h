// process.h - other programs run as children, fed through a pipe, and what
// the tool needs to know about its own standard streams.
//
// The capture tool hands its frames to ffmpeg this way. The child reads the
// other end of a pipe as its standard input (or nothing), shares our
// standard output and error, and is kept out of our terminal's process
// group, so Ctrl-C reaches the tool alone and the tool decides how the child
// ends. A child that exits early makes process_write fail (on POSIX systems
// once the caller ignores SIGPIPE, as the capture tool does where it starts).
//
//   if (!process_find_program("ffmpeg")) ... say how to get it ...
//   ProcessChild child = {};           // child.interrupted may be set first
//   const char *argv[] = {"ffmpeg", "-i", "pipe:0", "out.mkv", nullptr};
//   if (!process_start(&child, argv, 1)) ...;
//   process_write(&child, bytes, size);   // 0 once the child is gone
//   process_close_input(&child);
//   int code = process_wait(&child);      // its exit code, 128 + N for signal N
//
// Implementations: process_posix.cpp (posix_spawn) and process_win32.cpp
// (CreateProcessA with an anonymous pipe).
#pragma once

#include <cstddef>
#include <cstdint>

struct ProcessChild {
    intptr_t id;     // pid, or the process HANDLE; 0 when none runs
    intptr_t input;  // write end of the child's standard input; -1 when none
    int running;
    // Asked before each write to the child and after a signal interrupted
    // one (may be null): nonzero ends process_write with 0 and errno EINTR,
    // so that a stop request is not lost in a write a stopped child blocks.
    int (*interrupted)(void);
};

// 1 when `name` (without .exe) is an executable found through PATH.
int process_find_program(const char *name);
// Starts argv[0] (looked up through PATH) with argv; with_input gives the
// child a pipe as standard input, else it reads the null device. 0 when it
// could not be started.
int process_start(ProcessChild *child, const char *const *argv, int with_input);
// Writes all bytes to the child's input; 0 when the child no longer reads
// (errno EPIPE) or child->interrupted said so (errno EINTR).
int process_write(ProcessChild *child, const void *bytes, size_t size);
// Closes the child's input: it sees the end of its stream.
void process_close_input(ProcessChild *child);
// Waits for the child to exit: its exit code, 128 + N when signal N ended
// it, -1 when there was no child or the wait failed.
int process_wait(ProcessChild *child);
// How process_wait() starts on every system: the child's input is closed,
// so that it reads to its end, and the child no longer counts as running.
// 0 when none was running (nothing to wait for).
inline int process_wait_begin(ProcessChild *child)
{
    process_close_input(child);
    if (!child->running)
        return 0;
    child->running = 0;
    return 1;
}
// Ends the child at once and waits for it (nothing when none runs).
void process_kill(ProcessChild *child);

// Our own process id, for names no other running process uses.
uint64_t process_own_id();
// 1 when our standard error is a terminal (a console on Windows).
int process_stderr_is_terminal();
