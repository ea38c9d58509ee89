#include <gtest/gtest.h>

#include "app/arena.h"

class ArenaTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(arena_init(), 1); }
    void TearDown() override { arena_release(); }
};

TEST_F(ArenaTest, PadsEveryRequestToThePointerSize)
{
    // In a 32-bit build: 4, 4 and 8 bytes; in a 64-bit one: 8, 8 and 8.
    const int align = (int)ARENA_ALIGN;
    uint8_t *a = (uint8_t *)arena_alloc(1);
    uint8_t *b = (uint8_t *)arena_alloc(4);
    uint8_t *c = (uint8_t *)arena_alloc(5);
    uint8_t *d = (uint8_t *)arena_alloc(0);
    EXPECT_EQ(b - a, align);
    EXPECT_EQ(c - b, align);
    EXPECT_EQ(d - c, 8);
    EXPECT_EQ(arena.bytes_used, 2 * align + 8);
    EXPECT_EQ(arena.bytes_used + arena.bytes_left, ARENA_SIZE);
    EXPECT_EQ(arena.cursor, arena.base + arena.bytes_used);
    // A zero-byte request does not move the cursor.
    EXPECT_EQ(arena_alloc(0), d);
    EXPECT_EQ(((uintptr_t)a) % ARENA_ALIGN, 0u);
    EXPECT_EQ(((uintptr_t)d) % ARENA_ALIGN, 0u);
}

TEST_F(ArenaTest, ExactFitSucceedsThenExhaustionReturnsNullAndChangesNothing)
{
    ASSERT_NE(arena_alloc(100), nullptr);
    int32_t left = arena.bytes_left;
    ASSERT_NE(arena_alloc((uint32_t)left), nullptr);
    EXPECT_EQ(arena.bytes_left, 0);
    uint8_t *cursor = arena.cursor;
    EXPECT_EQ(arena_alloc(1), nullptr);
    EXPECT_EQ(arena.cursor, cursor);
    EXPECT_EQ(arena.bytes_used, ARENA_SIZE);
}

TEST_F(ArenaTest, HugeRequestsFailInsteadOfWrapping)
{
    EXPECT_EQ(arena_alloc(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(arena_alloc(0xFFFFFFFDu), nullptr);
    EXPECT_EQ(arena_alloc(ARENA_SIZE + 1), nullptr);
    EXPECT_EQ(arena.bytes_used, 0);
}

TEST_F(ArenaTest, FreshBlockIsZeroed)
{
    uint8_t *block = (uint8_t *)arena_alloc(ARENA_SIZE);
    ASSERT_NE(block, nullptr);
    size_t nonzero = 0;
    for (int32_t i = 0; i < ARENA_SIZE; ++i)
        nonzero += block[i] != 0;
    EXPECT_EQ(nonzero, 0u);
}

TEST(ArenaLifecycle, ReleaseClearsEverythingAndAllocationThenFails)
{
    ASSERT_EQ(arena_init(), 1);
    ASSERT_NE(arena_alloc(8), nullptr);
    EXPECT_EQ(arena_release(), 1);
    EXPECT_EQ(arena.size, 0);
    EXPECT_EQ(arena.bytes_left, 0);
    EXPECT_EQ(arena.bytes_used, 0);
    EXPECT_EQ(arena.cursor, nullptr);
    EXPECT_EQ(arena_alloc(4), nullptr);
}
