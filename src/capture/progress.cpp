// progress.cpp - see progress.h.
#include "capture/progress.h"

#include <chrono>
#include <cstdio>

#include "platform/process.h"

static const int64_t QUIET_START_MS = 1000;  // "longer than a moment"
static const int64_t TERMINAL_EVERY_MS = 200;
static const int64_t LOG_EVERY_MS = 5000;
static const int BAR_WIDTH = 30;

static int64_t now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

static void draw(CaptureProgress *p, int64_t now)
{
    double seconds = (double)(now - p->began_ms) / 1000.0;
    double rate = seconds > 0 ? p->done / seconds : 0.0;
    char line[160];
    int at = 0;
    if (p->total) {
        uint32_t shown = p->done < p->total ? p->done : p->total;
        int filled = (int)((uint64_t)shown * BAR_WIDTH / p->total);
        char bar[BAR_WIDTH + 1];
        for (int i = 0; i < BAR_WIDTH; ++i)
            bar[i] = i < filled ? '#' : '.';
        bar[BAR_WIDTH] = 0;
        at = snprintf(line, sizeof line, "[%s] %u/%u frames", bar, p->done, p->total);
    } else {
        at = snprintf(line, sizeof line, "%u frames", p->done);
    }
    at += snprintf(line + at, sizeof line - at, ", %.1f fps", rate);
    if (p->total && rate > 0 && p->done < p->total) {
        int left = (int)((p->total - p->done) / rate + 0.5);
        snprintf(line + at, sizeof line - at, ", %d:%02d left", left / 60, left % 60);
    }
    // On a terminal the line is cleared to its end: the new one may be shorter.
    fprintf(stderr, p->terminal ? "\r%s\033[K" : "%s\n", line);
    fflush(stderr);
    p->shown = 1;
    p->drawn_ms = now;
}

void capture_progress_begin(CaptureProgress *p, uint32_t total, int quiet)
{
    *p = {};
    p->total = total;
    p->enabled = !quiet;
    p->terminal = process_stderr_is_terminal();
    p->began_ms = p->drawn_ms = now_ms();
}

void capture_progress_frame(CaptureProgress *p, uint32_t done)
{
    p->done = done;
    if (!p->enabled)
        return;
    int64_t now = now_ms();
    if (now - p->began_ms < QUIET_START_MS)
        return;
    int64_t every = p->terminal ? TERMINAL_EVERY_MS : LOG_EVERY_MS;
    if (!p->shown || now - p->drawn_ms >= every)
        draw(p, now);
}

void capture_progress_end(CaptureProgress *p)
{
    if (!p->enabled || !p->shown)
        return;
    draw(p, now_ms());
    if (p->terminal)
        fputc('\n', stderr);
    p->shown = 0;
}
