// signals_win32.cpp - signals.h with the C runtime's signal(): Ctrl-C in the
// console arrives as SIGINT on a thread of its own; Windows has no SIGPIPE
// (a write to a pipe whose reader is gone simply fails).
#include "platform/capture/signals.h"

#include <csignal>

static volatile sig_atomic_t interrupted_by;

static void on_signal(int signal_number)
{
    if (interrupted_by) {  // asked twice: stop now, the system's way
        signal(signal_number, SIG_DFL);
        raise(signal_number);
        return;
    }
    interrupted_by = signal_number;
    // The C runtime puts the default action back before each call.
    signal(signal_number, on_signal);
}

void capture_signals_install()
{
    interrupted_by = 0;
    signal(SIGINT, on_signal);
    signal(SIGTERM, on_signal);
}

int capture_stop_requested()
{
    return interrupted_by != 0;
}

int capture_interrupted_by()
{
    return interrupted_by;
}

const char *capture_signal_name(int signal_number)
{
    return signal_number == SIGINT ? "SIGINT" : signal_number == SIGTERM ? "SIGTERM" : "a signal";
}

int capture_interrupt_exit_code()
{
    return 128 + interrupted_by;
}
