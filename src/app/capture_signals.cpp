// capture_signals.cpp - see capture_signals.h.
#include "app/capture_signals.h"

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
#ifdef _WIN32
    // The C runtime puts the default action back before each call.
    signal(signal_number, on_signal);
#endif
}

#ifdef _WIN32
static void catch_signal(int signal_number)
{
    signal(signal_number, on_signal);
}
#else
static void catch_signal(int signal_number)
{
    struct sigaction action = {};
    struct sigaction before = {};
    if (sigaction(signal_number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
        return;
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a write in progress finishes instead of failing
    sigaction(signal_number, &action, nullptr);
}
#endif

void capture_signals_install()
{
    interrupted_by = 0;
    catch_signal(SIGINT);
    catch_signal(SIGTERM);
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
