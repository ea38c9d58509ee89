// timing.cpp - see timing.h.
#include "capture/timing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gl.h"

static const int MAX_ENTRIES = 64;  // the timeline has 9; more is a bad table

static std::vector<double> entry_costs[MAX_ENTRIES + 1];  // [0] is the loading screen
static std::vector<double> task_costs;
static double task_began;
static double pending_cost;  // the presented frame's, until its entry is known
static char renderer[128];

static void record_frame_cost(uint32_t, double seconds)
{
    pending_cost = seconds;
}

static void record_task(uint32_t index, int finished)
{
    double now = capture_real_seconds();
    if (!finished) {
        task_began = now;
        return;
    }
    if (task_costs.size() <= index)
        task_costs.resize(index + 1);
    task_costs[index] = now - task_began;
}

void timing_start(CaptureConfig *config)
{
    for (std::vector<double> &costs : entry_costs)
        costs.clear();
    task_costs.clear();
    renderer[0] = 0;
    config->frame_cost = record_frame_cost;
    app_on_task = record_task;
}

void timing_frame_shown(const AppFrameInfo *info)
{
    if (!renderer[0]) {
        const char *name = (const char *)glGetString(GL_RENDERER);
        snprintf(renderer, sizeof renderer, "%s", name ? name : "unknown");
    }
    int slot = info->entry < 0 ? 0 : std::min(info->entry, MAX_ENTRIES - 1) + 1;
    entry_costs[slot].push_back(pending_cost);
}

// The nearest-rank percentile of sorted costs, in milliseconds.
static double percentile_ms(const std::vector<double> &sorted, double p)
{
    size_t rank = (size_t)std::ceil(p / 100.0 * (double)sorted.size());
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1] * 1000.0;
}

void timing_print(FILE *out, size_t peak_bytes)
{
    fprintf(out, "# real cost of each frame, finished before its swap (renderer: %s)\n",
            renderer[0] ? renderer : "unknown");
    fprintf(out, "%-8s %7s %8s %8s %8s\n", "entry", "frames", "p50_ms", "p99_ms", "max_ms");
    for (int slot = 0; slot <= MAX_ENTRIES; ++slot) {
        std::vector<double> sorted = entry_costs[slot];
        if (sorted.empty())
            continue;
        std::sort(sorted.begin(), sorted.end());
        char name[16];
        snprintf(name, sizeof name, slot ? "%d" : "loading", slot - 1);
        fprintf(out, "%-8s %7zu %8.2f %8.2f %8.2f\n", name, sorted.size(),
                percentile_ms(sorted, 50), percentile_ms(sorted, 99), sorted.back() * 1000.0);
    }
    double total = 0;
    fprintf(out, "# precalc tasks, each run once behind the loading screen\n");
    for (size_t i = 0; i < task_costs.size(); ++i) {
        fprintf(out, "task %-3zu %8.2f ms\n", i, task_costs[i] * 1000.0);
        total += task_costs[i];
    }
    fprintf(out, "precalc  %8.2f ms\n", total * 1000.0);
    if (peak_bytes)
        fprintf(out, "peak memory %.1f MB\n", (double)peak_bytes / (1024.0 * 1024.0));
    else
        fprintf(out, "peak memory unknown\n");
}

int timing_write(const char *path, size_t peak_bytes)
{
    FILE *out = fopen(path, "w");
    if (!out)
        return 0;
    timing_print(out, peak_bytes);
    int failed = ferror(out);
    return fclose(out) == 0 && !failed;
}
