// arena.h - the one block that all long-lived tables come from.
//
// arena_init() takes ARENA_SIZE zeroed bytes once; arena_alloc() hands out
// pieces padded to ARENA_ALIGN bytes by bumping a cursor and returns null when
// the block is exhausted; nothing is freed singly; arena_release() frees the
// whole block at shutdown. Every piece starts zeroed because the block is
// never reused.
//
// ARENA_ALIGN is the size of a pointer: 4 bytes in a 32-bit build and 8 in a
// 64-bit one, where tables of pointers (the timeline, the paths) must sit on
// 8-byte boundaries.
#pragma once

#include <cstdint>

constexpr int32_t ARENA_SIZE = 0x800000;
constexpr uint32_t ARENA_ALIGN = sizeof(void *);

struct Arena {
    uint8_t *base;
    uint8_t *cursor;
    int32_t bytes_left;
    int32_t size;
    int32_t bytes_used;
};

extern Arena arena;

int arena_init();
void *arena_alloc(uint32_t size);
int arena_release();
