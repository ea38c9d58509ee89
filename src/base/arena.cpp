// arena.cpp - see arena.h.
#include "base/arena.h"

#include <cstdlib>
#include <cstring>

Arena arena;

int arena_init()
{
    uint8_t *block = (uint8_t *)malloc(ARENA_SIZE);
    if (!block)
        return 0;
    arena.base = block;
    arena.cursor = block;
    arena.bytes_left = ARENA_SIZE;
    arena.size = ARENA_SIZE;
    arena.bytes_used = 0;
    memset(block, 0, ARENA_SIZE);
    return 1;
}

void *arena_alloc(uint32_t size)
{
    // Padding is done in 64 bits so a request near 4 GB cannot wrap to a
    // small size and be granted.
    uint64_t padded = ((uint64_t)size + (ARENA_ALIGN - 1)) & ~(uint64_t)(ARENA_ALIGN - 1);
    if (!arena.cursor || padded > (uint64_t)(int64_t)arena.bytes_left)
        return nullptr;
    void *block = arena.cursor;
    arena.cursor += padded;
    arena.bytes_left -= (int32_t)padded;
    arena.bytes_used += (int32_t)padded;
    return block;
}

int arena_release()
{
    free(arena.base);
    arena.base = nullptr;
    arena.cursor = nullptr;
    arena.size = 0;
    arena.bytes_left = 0;
    arena.bytes_used = 0;
    return 1;
}
