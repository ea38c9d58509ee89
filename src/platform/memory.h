// memory.h - how much memory this process has held at most, for figures
// such as frostmere-capture --timing.
//
//   size_t peak = platform_peak_memory_bytes();   // 0 when the system cannot say
//
// Implementations: memory_posix.cpp (getrusage) and memory_win32.cpp
// (the peak working set).
#pragma once

#include <cstddef>

size_t platform_peak_memory_bytes();
