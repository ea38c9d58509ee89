// output_probe.h - a look inside the output ring's fill, for tests.
//
//   fill_block_probe = [](int32_t block) { ...song_get_row(song)... };
//   ...render...
//   fill_block_probe = nullptr;
//
// When set, fill_block() calls it right after the block's position is
// written and before fill_index moves on, so a test sees what the getters
// report at that instant. The program never sets it.
#pragma once

#include <cstdint>

extern void (*fill_block_probe)(int32_t block);
