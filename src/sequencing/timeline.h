// timeline.h - the sequence of scenes as data.
//
// A packed table of 32-bit words lists entries: the song position at which
// each becomes current, the scene layers it draws every frame and the
// animation paths it advances. timeline_build_from() expands it into
// fixed-size records in the arena; every frame timeline_advance() moves to
// the next entry once the song reaches its start, one entry per frame at
// most. The entry without layers is the terminator that ends the program.
//
// Packed form: count, then per record: start, layer count (0 = terminator,
// nothing follows), the layers, path count, the path ids. A layer word is an
// index into the layer table passed to timeline_build_from(): a function
// address does not fit a 32-bit word on every machine.
#pragma once

#include <cstdint>

typedef uint32_t SongPosition;  // order * 64 + row

typedef void (*LayerFn)(int order, int row, int entry_start, int elapsed_ms, int frame_ms);

struct TimelineEntry {
    uint32_t start;
    uint32_t layer_count;  // 0 for the terminator
    uint32_t path_count;
    LayerFn *layers;       // null for the terminator
    int32_t *path_ids;     // null when path_count is 0
};

inline SongPosition song_position(int order, int row)
{
    return (SongPosition)(order * 64 + row);
}

// The expanded table in the arena, or null when the arena is exhausted or a
// layer word names no layer of layer_table.
TimelineEntry *timeline_build_from(const uint32_t *table, const LayerFn *layer_table,
                                   uint32_t layer_table_count);

// The entry current after this frame's position: the next one when the
// position has reached its start, else the same one. Never moves past a
// terminator.
const TimelineEntry *timeline_advance(const TimelineEntry *current, SongPosition position);
