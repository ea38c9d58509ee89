// timeline.cpp - see timeline.h.
#include "sequencing/timeline.h"

#include "base/arena.h"

TimelineEntry *timeline_build_from(const uint32_t *table, const LayerFn *layer_table,
                                   uint32_t layer_table_count)
{
    uint32_t count = *table++;
    // One zeroed entry more than the table holds: a table without a
    // terminator then ends on a terminator instead of reading on into
    // whatever the arena holds next.
    if (count >= 0x10000000u)
        return nullptr;
    TimelineEntry *entries =
        (TimelineEntry *)arena_alloc((count + 1) * (uint32_t)sizeof(TimelineEntry));
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
        entry.layers = (LayerFn *)arena_alloc(entry.layer_count * (uint32_t)sizeof(LayerFn));
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
            entry.path_ids = (int32_t *)arena_alloc(entry.path_count * 4);
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
