// signals.h - Ctrl-C and SIGTERM as a request to stop, for the capture tool.
//
// A capture killed mid-way would leave a WAV whose header says it is empty
// and a log cut inside a line. Instead the first SIGINT or SIGTERM only sets
// a flag that the frame loop and the soundtrack renderer look at; they stop
// at the next frame or block, the files are finished and the tool exits
// with 128 + the signal's number (130, 143). A second signal takes the
// system's default action at once, for a capture stuck somewhere.
//
//   capture_signals_install();            // first thing, before the platform
//   ... while (!capture_stop_requested()) ...
//   if (capture_interrupted_by()) return capture_interrupt_exit_code();
//
// Implementations: signals_posix.cpp (sigaction) and signals_win32.cpp (the
// C runtime's signal()) install the handler; signals.cpp answers the rest.
#pragma once

#include <csignal>

// Catches SIGINT and SIGTERM. Installed before the platform starts, so SDL
// leaves them alone instead of turning them into a quit event. A signal the
// tool was started with ignored (a background job of a script) stays ignored.
// On POSIX systems a blocked system call (a pipe write to a stopped child)
// is interrupted, not restarted, so that the flag is looked at; and SIGPIPE
// is ignored, so that a child that quits early makes our writes fail
// instead of ending the tool.
void capture_signals_install();
// 1 once a signal has asked the capture to stop.
int capture_stop_requested();
// The signal that asked, or 0.
int capture_interrupted_by();
// "SIGINT", "SIGTERM", or "a signal".
const char *capture_signal_name(int signal_number);
// 128 + the signal's number.
int capture_interrupt_exit_code();

// The signal that asked to stop, or 0: set by the backends' handlers only.
extern volatile sig_atomic_t capture_signal_received;
// The backends' handlers: the first signal is recorded, a second one takes
// the system's default action.
void capture_signal_arrived(int signal_number);
