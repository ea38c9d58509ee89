// timeline.cpp - see timeline.h.
#include "sequencing/timeline.h"

#include "base/arena.h"

// count pieces of size bytes from the arena, or null. The arena takes
// 32-bit sizes: a product that does not fit is refused, not wrapped into a
// small piece that the copy would then overrun.
static void *arena_array(uint64_t count, uint64_t size)
{
    const uint64_t bytes = count * size;
    return bytes > UINT32_MAX ? nullptr : arena_alloc((uint32_t)bytes);
}

TimelineEntry *timeline_build_from(const uint32_t *table, const LayerFn *layer_table,
                                   uint32_t layer_table_count)
{
    uint32_t count = *table++;
    // One zeroed entry more than the table holds: a table without a
    // terminator then ends on a terminator instead of reading on into
    // whatever the arena holds next.
    TimelineEntry *entries =
        (TimelineEntry *)arena_array((uint64_t)count + 1, sizeof(TimelineEntry));
    if (!entries)
        return nullptr;
    for (uint32_t j = 0; j < count; ++j) {
        TimelineEntry &entry = entries[j];
        entry.start = *table++;
        entry.layer_count = *table++;
        if (entry.layer_count == 0) {
            // The terminator: later records are not read; any entries after
            // it stay zeroed, which reads as further terminators.
            entry.layers = nullptr;
            entry.path_count = 0;
            entry.path_ids = nullptr;
            return entries;
        }
        entry.layers = (LayerFn *)arena_array(entry.layer_count, sizeof(LayerFn));
        if (!entry.layers)
            return nullptr;
        for (uint32_t k = 0; k < entry.layer_count; ++k) {
            uint32_t layer = *table++;
            if (layer >= layer_table_count)
                return nullptr;
            entry.layers[k] = layer_table[layer];
        }
        entry.path_count = *table++;
        entry.path_ids = nullptr;
        if (entry.path_count) {
            entry.path_ids = (int32_t *)arena_array(entry.path_count, sizeof(int32_t));
            if (!entry.path_ids)
                return nullptr;
            for (uint32_t k = 0; k < entry.path_count; ++k)
                entry.path_ids[k] = (int32_t)*table++;
        }
    }
    return entries;
}

const TimelineEntry *timeline_advance(const TimelineEntry *current, SongPosition position)
{
    if (current->layer_count == 0)
        return current;
    const TimelineEntry *next = current + 1;
    return position >= next->start ? next : current;
}
