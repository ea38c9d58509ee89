// signals.cpp - the answers of signals.h that are the same on every system;
// the backends' handlers (signals_posix.cpp, signals_win32.cpp) record the
// signal in capture_signal_received.
#include "platform/capture/signals.h"

volatile sig_atomic_t capture_signal_received;

void capture_signal_arrived(int signal_number)
{
    if (capture_signal_received) {  // asked twice: stop now, the system's way
        signal(signal_number, SIG_DFL);
        raise(signal_number);
        return;
    }
    capture_signal_received = signal_number;
}

int capture_stop_requested()
{
    return capture_signal_received != 0;
}

int capture_interrupted_by()
{
    return capture_signal_received;
}

const char *capture_signal_name(int signal_number)
{
    return signal_number == SIGINT ? "SIGINT" : signal_number == SIGTERM ? "SIGTERM" : "a signal";
}

int capture_interrupt_exit_code()
{
    return 128 + capture_signal_received;
}
