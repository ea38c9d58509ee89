// The in-memory song source and the player's file layer: the clamps that keep
// reads inside the module.
#include <gtest/gtest.h>

#include <vector>

#include "app/arena.h"
#include "music/song_source.h"

namespace {

TEST(SongSource, ReadsAndSeeksStayInsideTheData)
{
    if (!arena.base) {
        ASSERT_TRUE(arena_init());
    }
    std::vector<uint8_t> bytes(85546);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = (uint8_t)i;
    memsrc_set_data(bytes.data(), (uint32_t)bytes.size());
    MemoryFile *f = (MemoryFile *)memsrc_open("ignored");
    ASSERT_NE(f, nullptr);
    uint8_t out[10] = {};
    memsrc_seek(f, 85540, SEEK_FROM_START);
    EXPECT_EQ(memsrc_read(out, 10, f), 6);
    EXPECT_EQ(out[5], (uint8_t)85545);
    EXPECT_EQ(memsrc_read(out, 10, f), 0);
    EXPECT_EQ(memsrc_read(out, -5, f), 0);
    memsrc_seek(f, 100000, SEEK_FROM_START);
    EXPECT_EQ(memsrc_tell(f), 85546);
    memsrc_seek(f, 7, 0x100);   // only the low byte is a mode: 0, from the start
    EXPECT_EQ(memsrc_tell(f), 7);
    memsrc_seek(f, 10, 0x103);  // 3 is no mode
    EXPECT_EQ(memsrc_tell(f), 7);
    // Below the start is clamped, so a read never copies from before the data.
    memsrc_seek(f, -100, SEEK_FROM_CURRENT);
    EXPECT_EQ(memsrc_read(out, 1, f), 1);
    EXPECT_EQ(out[0], 0);

    // One missing callback clears them all, and nothing opens.
    set_file_callbacks(memsrc_open, memsrc_close, memsrc_read, nullptr, memsrc_tell);
    EXPECT_FALSE(file_callbacks_installed());
    EXPECT_EQ(player_file_open("x"), nullptr);
    EXPECT_EQ(player_file_read(nullptr, out, 2), 0);
    player_file_close(nullptr);
}

}  // namespace
