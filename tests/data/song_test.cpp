// The stored song against the rows the pictures react to: the mouth, the
// flash and the caption react to rows the code lists, and a syllable, a laugh
// or a word starts on each of them and nowhere else. (Its bytes and its
// figures are the data tool's to keep: tools/check_data.py.)
#include <gtest/gtest.h>

#include <set>

#include "base/arena.h"
#include "embedded_data.h"
#include "geometry/robot.h"
#include "music/song.h"
#include "music/song_source.h"
#include "scenes/silhouette.h"

namespace {

TEST(StoredSong, WordsFallOnTheRowsThePicturesReactTo)
{
    ASSERT_EQ(arena_init(), 1);
    memsrc_set_data(EMBEDDED_SONG, EMBEDDED_SONG_SIZE);
    set_file_callbacks(memsrc_open, memsrc_close, memsrc_read, memsrc_seek, memsrc_tell);
    Song *song = song_load("song");
    ASSERT_NE(song, nullptr) << song_load_error();
    // The rows of a pattern, up to `last`, where the voice channel (9) has a note.
    auto spoken = [&](int pattern, int last) {
        std::set<int> rows;
        for (int r = 0; r <= last; ++r) {
            const int note = song->patterns[pattern].cells[r * song->channel_count + 9].note;
            if (note >= 1 && note <= 96)
                rows.insert(r);
        }
        return rows;
    };
    auto flashing = [](int order, std::set<int> rows) {
        for (int r = 0; r < 64; ++r)
            if (is_flash_row(order, r))
                rows.insert(r);
        return rows;
    };
    const std::set<int> mouth(MOUTH_ROWS, MOUTH_ROWS + MOUTH_ROW_COUNT);
    EXPECT_EQ(spoken(2, 63), mouth);                                         // orders 1 and 5
    EXPECT_EQ(spoken(7, 32), std::set<int>(mouth.begin(), mouth.find(35)));  // 3, to its break
    EXPECT_EQ(spoken(6, 16), flashing(4, {}));                               // order 4
    EXPECT_EQ(spoken(3, 40), flashing(7, {0}));  // order 7: row 0 opens the mouth wide
    EXPECT_EQ(spoken(1, 63), flashing(8, {}));   // order 8
    EXPECT_TRUE(spoken(4, 63).empty() && spoken(5, 63).empty());  // orders 0, 2, 6
    song_free(song);
    arena_release();
}

}  // namespace
