// arena_test.cpp - the precalc arena's padding, refusals and release.
#include <gtest/gtest.h>

#include "base/arena.h"

// The arena pads to the pointer size and refuses what does not fit (sizes
// near 4 GB too, rather than wrapping to a small padded size) without
// moving; after its release it gives nothing.
TEST(Arena, PadsToThePointerSizeAndFailsWithoutChangingAnything)
{
    ASSERT_EQ(arena_init(), 1);
    uint8_t *a = (uint8_t *)arena_alloc(1), *b = (uint8_t *)arena_alloc(4);
    uint8_t *c = (uint8_t *)arena_alloc(5), *d = (uint8_t *)arena_alloc(0);
    // In a 32-bit build: 4, 4 and 8 bytes; in a 64-bit one: 8, 8 and 8.
    EXPECT_TRUE(b - a == (int)ARENA_ALIGN && c - b == (int)ARENA_ALIGN && d - c == 8);
    EXPECT_TRUE(arena_alloc(0) == d && (uintptr_t)a % ARENA_ALIGN == 0);
    EXPECT_TRUE(arena_alloc(0xFFFFFFFFu) == nullptr && arena_alloc(ARENA_SIZE + 1) == nullptr);
    ASSERT_NE(arena_alloc((uint32_t)arena.bytes_left), nullptr);  // an exact fit
    uint8_t *cursor = arena.cursor;
    EXPECT_TRUE(arena_alloc(1) == nullptr && arena.cursor == cursor);
    EXPECT_EQ(arena.bytes_used, ARENA_SIZE);
    EXPECT_EQ(arena_release(), 1);
    EXPECT_TRUE(arena.size == 0 && arena_alloc(4) == nullptr);
}
