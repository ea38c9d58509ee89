#include <gtest/gtest.h>

#include "base/arena.h"

TEST(Arena, PadsToThePointerSizeAndFailsWithoutChangingAnything)
{
    ASSERT_EQ(arena_init(), 1);
    // In a 32-bit build: 4, 4 and 8 bytes; in a 64-bit one: 8, 8 and 8.
    const int align = (int)ARENA_ALIGN;
    uint8_t *a = (uint8_t *)arena_alloc(1);
    uint8_t *b = (uint8_t *)arena_alloc(4);
    uint8_t *c = (uint8_t *)arena_alloc(5);
    uint8_t *d = (uint8_t *)arena_alloc(0);
    EXPECT_EQ(b - a, align);
    EXPECT_EQ(c - b, align);
    EXPECT_EQ(d - c, 8);
    EXPECT_EQ(arena_alloc(0), d);  // a zero-byte request does not move the cursor
    EXPECT_EQ(((uintptr_t)a) % ARENA_ALIGN, 0u);
    EXPECT_EQ(arena.bytes_used + arena.bytes_left, ARENA_SIZE);

    // Sizes near 4 GB fail instead of wrapping to a small padded size.
    EXPECT_EQ(arena_alloc(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(arena_alloc(ARENA_SIZE + 1), nullptr);
    // An exact fit succeeds; then nothing more fits and nothing moves.
    ASSERT_NE(arena_alloc((uint32_t)arena.bytes_left), nullptr);
    uint8_t *cursor = arena.cursor;
    EXPECT_EQ(arena_alloc(1), nullptr);
    EXPECT_EQ(arena.cursor, cursor);
    EXPECT_EQ(arena.bytes_used, ARENA_SIZE);

    EXPECT_EQ(arena_release(), 1);
    EXPECT_EQ(arena.size, 0);
    EXPECT_EQ(arena.cursor, nullptr);
    EXPECT_EQ(arena_alloc(4), nullptr);
}
