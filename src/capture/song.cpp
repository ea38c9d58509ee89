// song.cpp - see song.h. The walk calls the replayer's own
// tick, so speed and tempo changes and pattern breaks count exactly as they
// sound; the voices it touches are reset when a song starts playing.
#include "capture/song.h"

#include <vector>

#include "app/program.h"
#include "music/music.h"
#include "sequencing/timeline.h"

int capture_song_frames(const uint8_t *module, uint32_t size, int64_t until, uint64_t *frames)
{
    if (output_in_use())
        return 0;
    Song *song = music_load_offline(module, size, "walk");
    if (!song)
        return 0;
    output_set_rate(OUTPUT_RATE);
    song_rewind(song);
    // Rows are below 256 and orders below 256: one flag for each.
    std::vector<uint8_t> played(256 * 256);
    const uint64_t limit = 3600ull * OUTPUT_RATE;
    uint64_t total = 0;
    while (total < limit) {
        if (song->tick_counter == 0) {  // this tick plays the next row
            int order = song->next_order >= 0 ? song->next_order : song->order;
            int row = song->next_row >= 0 ? song->next_row : song->row;
            if (until >= 0 && song_position(order, row) >= until)
                break;
            uint8_t &seen = played[(size_t)(order & 255) * 256 + (row & 255)];
            if (seen)
                break;
            seen = 1;
        }
        song->tick_callback(song);
        // The renderer plays samples_per_tick frames after each tick.
        total += (uint64_t)song->samples_per_tick;
    }
    song_free(song);
    *frames = total < limit ? total : limit;
    return 1;
}

// The start of the timeline's terminator, or -1 when it has none.
static int64_t terminator_start()
{
    const uint32_t *word = TIMELINE_TABLE;
    uint32_t count = *word++;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t start = *word++, layers = *word++;
        if (!layers)
            return start;
        word += layers;
        word += *word + 1;  // the path count and the paths
    }
    return -1;
}

uint32_t capture_expected_frames(int fps)
{
    uint64_t song_frames;
    int64_t end = terminator_start();
    if (end < 0 || !capture_song_frames(nullptr, 0, end, &song_frames))
        return 0;
    // One task a frame and the fade's 64 frames, the first of which is the
    // last task's; then the song's frames, the last one a block late.
    uint64_t frames = PRECALC_TASK_COUNT + 63 +
                      (song_frames * (uint64_t)fps + OUTPUT_RATE - 1) / OUTPUT_RATE + 1;
    return frames < 0xFFFFFFFFu ? (uint32_t)frames : 0;
}
