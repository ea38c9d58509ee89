// signals_posix.cpp - signals.h with sigaction.
#include "platform/capture/signals.h"

#include <csignal>

static void catch_signal(int signal_number)
{
    struct sigaction action = {};
    struct sigaction before = {};
    if (sigaction(signal_number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
        return;
    action.sa_handler = capture_signal_arrived;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a write blocked on a stopped ffmpeg, or an open that
    // waits, returns EINTR so that the caller sees the request to stop.
    action.sa_flags = 0;
    sigaction(signal_number, &action, nullptr);
}

void capture_signals_install()
{
    capture_signal_received = 0;
    catch_signal(SIGINT);
    catch_signal(SIGTERM);
    // The tool pipes its frames to ffmpeg: if ffmpeg quits early, the write
    // must fail with EPIPE and be reported, not kill the tool silently.
    signal(SIGPIPE, SIG_IGN);
}
