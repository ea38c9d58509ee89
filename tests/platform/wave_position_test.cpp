#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/win32/wave_position.h"

// Each case feeds device readings from a fresh reset and expects the 64-bit
// total after every one.
struct WidenCase {
    const char *name;
    std::vector<uint32_t> readings;
    std::vector<uint64_t> totals;
};

TEST(WavePosition, WidensTheDeviceCount)
{
    const uint64_t wrap = 1ull << 32;
    const WidenCase cases[] = {
        {"starts at zero", {0}, {0}},
        {"counts up", {4, 4096, 4096, 1000000}, {4, 4096, 4096, 1000000}},
        // Readings come less than 2^31 bytes apart, as a polling player's do.
        {"one wrap", {0x60000000u, 0xC0000000u, 0xFFFFFF00u, 0x100u},
         {0x60000000u, 0xC0000000u, 0xFFFFFF00u, wrap + 0x100u}},
        {"exactly at the wrap", {0x60000000u, 0xC0000000u, 0xFFFFFFFCu, 0, 4},
         {0x60000000u, 0xC0000000u, 0xFFFFFFFCu, wrap, wrap + 4}},
        {"several wraps",
         {0x60000000u, 0xC0000000u, 0x20000000u, 0x80000000u, 0xE0000000u, 0x40000000u,
          0xA0000000u, 0x10u},
         {0x60000000u, 0xC0000000u, wrap + 0x20000000u, wrap + 0x80000000u, wrap + 0xE0000000u,
          2 * wrap + 0x40000000u, 2 * wrap + 0xA0000000u, 3 * wrap + 0x10u}},
        {"never goes back", {8000, 7996, 4000, 8000, 8004}, {8000, 8000, 8000, 8000, 8004}},
        {"a step back across the wrap holds", {0x10u, 0xFFFFFFF0u, 0x20u},
         {0x10u, 0x10u, 0x20u}},
    };
    for (const WidenCase &c : cases) {
        SCOPED_TRACE(c.name);
        WavePosition pos;
        wave_position_reset(&pos);
        ASSERT_EQ(c.readings.size(), c.totals.size());
        for (size_t i = 0; i < c.readings.size(); ++i)
            EXPECT_EQ(wave_position_widen(&pos, c.readings[i]), c.totals[i]) << "reading " << i;
    }
}

TEST(WavePosition, ResetStartsOverAndALongRunNeverGoesBack)
{
    WavePosition pos;
    wave_position_reset(&pos);
    // Polls a mebibyte (about 6 s of sound) apart, through seven wraps:
    // the total matches a 64-bit count and only rises.
    const uint64_t step = 1u << 20;
    uint64_t device = 0;
    uint64_t last = 0;
    for (int poll = 0; poll < 30000; ++poll) {
        device += step;
        uint64_t total = wave_position_widen(&pos, (uint32_t)device);
        ASSERT_EQ(total, device);
        ASSERT_GE(total, last);
        last = total;
    }
    EXPECT_GT(last, 1ull << 32);
    wave_position_reset(&pos);
    EXPECT_EQ(pos.total, 0u);
    EXPECT_EQ(wave_position_widen(&pos, 16), 16u);
}
