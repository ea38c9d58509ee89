// wave_position_test.cpp - widening the Windows wave device's 32-bit byte
// count to a 64-bit play position (plain arithmetic, tested everywhere).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/win32/wave_position.h"

// Each case feeds device readings from a reset (which must start over after
// the case before) and expects the 64-bit total after every one.
TEST(WavePosition, WidensTheDeviceCountAndNeverGoesBack)
{
    const uint64_t wrap = 1ull << 32;
    const struct {
        const char *name;
        std::vector<uint32_t> readings;
        std::vector<uint64_t> totals;
    } cases[] = {
        {"counts up", {0, 4, 4096, 4096, 1000000}, {0, 4, 4096, 4096, 1000000}},
        // Readings come less than 2^31 bytes apart, as a polling player's do.
        {"exactly at the wrap", {0x60000000u, 0xC0000000u, 0xFFFFFFFCu, 0, 4},
         {0x60000000u, 0xC0000000u, 0xFFFFFFFCu, wrap, wrap + 4}},
        {"several wraps", {0x60000000u, 0xC0000000u, 0x20000000u, 0x80000000u, 0xE0000000u, 0x4u},
         {0x60000000u, 0xC0000000u, wrap + 0x20000000u, wrap + 0x80000000u, wrap + 0xE0000000u,
          2 * wrap + 0x4u}},
        {"never goes back", {8000, 7996, 4000, 8000, 8004}, {8000, 8000, 8000, 8000, 8004}},
        {"a step back across the wrap holds", {0x10u, 0xFFFFFFF0u, 0x20u}, {0x10u, 0x10u, 0x20u}},
    };
    WavePosition pos;
    for (const auto &c : cases) {
        wave_position_reset(&pos);
        for (size_t i = 0; i < c.readings.size(); ++i)
            EXPECT_EQ(wave_position_widen(&pos, c.readings[i]), c.totals[i]) << c.name << " " << i;
    }
}
