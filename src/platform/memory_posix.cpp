// memory_posix.cpp - see memory.h.
#include "platform/memory.h"

#include <sys/resource.h>

size_t platform_peak_memory_bytes()
{
    struct rusage usage;
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
    return (size_t)usage.ru_maxrss * 1024;  // Linux counts kilobytes
}
