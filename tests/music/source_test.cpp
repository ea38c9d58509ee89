// The in-memory song source and the player's file layer: the clamps that keep
// reads inside the module.
#include <gtest/gtest.h>

#include <vector>

#include "app/arena.h"
#include "music/song_source.h"

namespace {

class SongSource : public ::testing::Test {
protected:
    std::vector<uint8_t> bytes = std::vector<uint8_t>(85546);
    void SetUp() override
    {
        if (!arena.base) {
            ASSERT_TRUE(arena_init());
        }
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = (uint8_t)i;
        memsrc_set_data(bytes.data(), (uint32_t)bytes.size());
    }
};

TEST_F(SongSource, ReadsStopAtTheEnd)
{
    MemoryFile *f = (MemoryFile *)memsrc_open("ignored");
    ASSERT_NE(f, nullptr);
    memsrc_seek(f, 85540, SEEK_FROM_START);
    uint8_t out[10] = {};
    EXPECT_EQ(memsrc_read(out, 10, f), 6);
    EXPECT_EQ(out[5], (uint8_t)85545);
    EXPECT_EQ(f->position, 85546);
    EXPECT_EQ(memsrc_read(out, 10, f), 0);
    EXPECT_EQ(memsrc_read(out, -5, f), 0);
}

TEST_F(SongSource, SeeksClampToTheData)
{
    MemoryFile *f = (MemoryFile *)memsrc_open(nullptr);
    memsrc_seek(f, 12345, SEEK_TO_END);
    EXPECT_EQ(memsrc_tell(f), 85546);
    memsrc_seek(f, -6, SEEK_FROM_CURRENT);
    EXPECT_EQ(memsrc_tell(f), 85540);
    memsrc_seek(f, 100000, SEEK_FROM_START);
    EXPECT_EQ(memsrc_tell(f), 85546);
    memsrc_seek(f, 10, 0x103);  // only the low byte is a mode: 3 is none
    EXPECT_EQ(memsrc_tell(f), 85546);
    memsrc_seek(f, 7, 0x100);   // low byte 0: from the start
    EXPECT_EQ(memsrc_tell(f), 7);
    // Below the start is clamped, so a read never copies from before the data.
    memsrc_seek(f, -100, SEEK_FROM_CURRENT);
    EXPECT_EQ(memsrc_tell(f), 0);
    uint8_t b = 0xEE;
    EXPECT_EQ(memsrc_read(&b, 1, f), 1);
    EXPECT_EQ(b, 0);
}

TEST_F(SongSource, OneMissingCallbackClearsAll)
{
    set_file_callbacks(memsrc_open, memsrc_close, memsrc_read, memsrc_seek, memsrc_tell);
    EXPECT_TRUE(file_callbacks_installed());
    set_file_callbacks(memsrc_open, memsrc_close, memsrc_read, nullptr, memsrc_tell);
    EXPECT_FALSE(file_callbacks_installed());
    EXPECT_EQ(file_callbacks.open, nullptr);
    EXPECT_EQ(player_file_open("x"), nullptr);
}

}  // namespace
