// web_frames.cpp - tells the page what each presented frame showed (the
// program's frame report: song order and row, timeline entry, time), which
// the page keeps on window.FM.song and, in its frame-exact mode, as lines of
// FM.log like frostmere-capture --log's. Linked into the browser build of
// the intro only; it hooks itself in before main runs.
#include "app/program.h"

extern "C" void web_frame_shown(int elapsed_ms, int frame_ms, int order, int row, int entry);

static void report(const AppFrameInfo *info)
{
    web_frame_shown(info->elapsed_ms, info->frame_ms, info->order, info->row, info->entry);
}

static const int hooked = (app_on_frame = report, 1);
