// signals_win32.cpp - signals.h with the C runtime's signal(): Ctrl-C in the
// console arrives as SIGINT on a thread of its own; Windows has no SIGPIPE
// (a write to a pipe whose reader is gone simply fails).
#include "platform/capture/signals.h"

#include <csignal>

static void on_signal(int signal_number)
{
    const int first = !capture_signal_received;
    capture_signal_arrived(signal_number);
    // The C runtime puts the default action back before each call.
    if (first)
        signal(signal_number, on_signal);
}

void capture_signals_install()
{
    capture_signal_received = 0;
    signal(SIGINT, on_signal);
    signal(SIGTERM, on_signal);
}
