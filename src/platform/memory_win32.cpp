// memory_win32.cpp - see memory.h.
#include "platform/memory.h"

#include <windows.h>
#include <psapi.h>

size_t platform_peak_memory_bytes()
{
    PROCESS_MEMORY_COUNTERS counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return counters.PeakWorkingSetSize;
}
