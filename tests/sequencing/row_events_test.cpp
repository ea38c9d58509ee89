// Row events: a listed row fires once when the song reaches or passes it,
// whatever the frame rate. The song itself, played block by block through
// the program's player and sampled as a frame loop at a given rate sees
// it, drives the program's timeline, caption, flash and mouth.
#include <utility>
#include <vector>

#include "../gl_fixture.h"
#include "../output_probe.h"
#include "app/program.h"
#include "base/arena.h"
#include "geometry/robot.h"
#include "music/music.h"
#include "music/output.h"
#include "scenes/forest_talk.h"
#include "scenes/messages.h"
#include "scenes/silhouette.h"
#include "sequencing/row_trigger.h"

namespace {

TEST(RowTrigger, AListedRowFiresOnceOnTheFirstFrameAtOrPastIt)
{
    static const int ROWS[] = {0, 4, 8, 9, 16};
    const int frames[][3] = {
        {4, 0, 1},  {4, 0, 0},   // the song's first row, then seen again
        {4, 3, 0},  {4, 5, 1},   // row 4 went by between frames
        {4, 7, 0},  {4, 10, 2},  // two at once
        {4, 16, 1}, {7, 16, 5},  // the same row number in a later order, and all before
        {7, 9, 1},  {7, 16, 1},  // the song went back to a listed row: it fires again
        {8, 3, 1},               // a new order from its start
    };
    int last = ROW_TRIGGER_START;
    for (const auto &f : frames)
        EXPECT_EQ(row_trigger(&last, f[0], f[1], ROWS, 5), f[2]) << f[0] << " " << f[1];
}

// The position the device reports while it plays each 20 ms block.
std::vector<std::pair<int, int>> blocks;
Song *song;

// At 60 frames a second the laugh's flash and a mouth in order 5 were lost
// where the order before ended on the row they open on; at 10 and 4 frames a
// second a frame may pass over rows. The layers get 20 ms frames so that a
// flash still shows on the frame it fires.
TEST_F(GlTextTest, AtAnyFrameRateTheWholeCaptionGrowsAndTheLaughFlashes)
{
    ASSERT_EQ(arena_init(), 1);
    ASSERT_EQ(output_set_rate(44100), 1);
    ASSERT_NE(song = music_load_offline(nullptr, 0, "song"), nullptr);
    fill_block_probe = [](int32_t) { blocks.push_back({song->order, song->row}); };
    ASSERT_EQ(output_begin(song), 1);
    while (blocks.back().first < 11)
        fill_block();
    fill_block_probe = nullptr;
    song_free(song);
    const TimelineEntry *timeline = timeline_build();
    for (int fps : {60, 10, 4}) {
        caption_reset(), silhouette_reset(), mouth_reset();
        float laugh_flash = -1, order5_mouth = -1;
        const TimelineEntry *e = timeline;
        for (int frame = 0; e->layer_count; ++frame) {
            const auto [order, row] = blocks.at((size_t)(frame * 1000 / fps / BLOCK_MS));
            e = timeline_advance(e, song_position(order, row));
            for (const LayerFn *layer = e->layers; layer < e->layers + e->layer_count; ++layer) {
                if (*layer == layer_growing_caption)
                    layer_growing_caption(order, row, 0, 0, 20);
                const bool silhouette = *layer == layer_robot_silhouette;
                const float flash = silhouette ? silhouette_advance(order, row, 20).flash : -1;
                const float mouth = *layer == layer_forest_talk ? mouth_value(order, row, 20) : -1;
                if (order == 7 && laugh_flash < 0)
                    laugh_flash = flash;
                if (order == 5 && order5_mouth < 0)
                    order5_mouth = mouth;
            }
        }
        EXPECT_EQ(caption_state.steps_order4, 2) << fps;
        EXPECT_EQ(caption_state.steps_order7, 2) << fps;
        EXPECT_EQ(caption_state.steps_order8, 7) << fps;  // "ENTER OR THE ROBOT GETS IT"
        EXPECT_FLOAT_EQ(laugh_flash, 0.9f) << fps;
        EXPECT_FLOAT_EQ(order5_mouth, 0.9f) << fps;
    }
    arena_release();
}

}  // namespace
