// The "NOW!" close-up keeps the robot in the scope: on every frame of the
// entry that opens order 7, at 50, 60 and 100 frames a second, the centre of
// its torso projects inside the scope's clear circle (where the mask's alpha,
// texture 8's blue, is below half). The song plays block by block through the
// program's player, the frames follow the timeline and advance the stored
// paths as the frame loop does, and the scene layer itself places the robot:
// it leaves the robot's body frame as the modelview. Checked are the frames
// whose four interpolated points all lie in the recordings: once the first
// (0, 0) after a recording enters them the paths fall away within 0.2 s,
// whatever was recorded, which the entry reaches only when the song holds
// it past 17 s from the paths' start.
#include <cmath>
#include <vector>

#include "../gl_fixture.h"
#include "../output_probe.h"
#include "app/program.h"
#include "base/arena.h"
#include "music/music.h"
#include "platform/gl.h"
#include "scenes/forest_talk.h"
#include "sequencing/paths.h"
#include "textures/textures.h"

TEST_F(GlTest, TheRobotStaysInTheScopeThroughTheNowShot)
{
    ASSERT_TRUE(arena_init() && textures_build());
    const int recorded = 173;  // points in each recording of paths 14 to 22
    int edge = 128;
    while (edge < 255 && texture_pixels(8)[4 * (128 * 256 + edge) + 2] < 128)
        ++edge;
    const float radius = (float)(edge - 128) / 256.0f;  // of the frame's width or height
    static std::vector<SongPosition> heard;  // the position heard in each block
    static Song *song;
    ASSERT_TRUE(output_set_rate(44100) && (song = music_load_offline(nullptr, 0, "song")));
    fill_block_probe = [](int32_t) { heard.push_back(song_position(song->order, song->row)); };
    ASSERT_EQ(output_begin(song), 1);
    while (heard.back() < song_position(8, 0))
        fill_block();
    fill_block_probe = nullptr, song_free(song);
    for (int fps : {50, 60, 100}) {
        ASSERT_EQ(paths_init(), 1);
        int shown = 0, start_ms = -1, frame = 0;
        for (const TimelineEntry *timeline = timeline_build(), *e = timeline; e < timeline + 7; ++frame) {
            const int ms = frame * (1000 / fps);
            const SongPosition at = heard.at((size_t)frame * 44100 / fps / block_frames);
            e = timeline_advance(e, at);
            start_ms = start_ms < 0 && e == timeline + 2 ? ms : start_ms;
            paths_update(ms, e->path_ids, e->path_count);
            if (e != timeline + 6 || (ms - start_ms) / 100 >= recorded - 3)
                continue;
            layer_forest_talk((int)at / 64, (int)at % 64, (int)e->start, ms, 1000 / fps);
            float m[16];  // modelview, then projection x modelview: the torso's centre is 5 up
            glGetFloatv(GL_MODELVIEW_MATRIX, m), glMatrixMode(GL_PROJECTION), glMultMatrixf(m);
            glGetFloatv(GL_PROJECTION_MATRIX, m);
            const float w = m[7] * 5 + m[15], off = std::hypot(m[4] * 5 + m[12], m[5] * 5 + m[13]) / w / 2;
            EXPECT_TRUE(w > 0 && off < radius) << fps << " Hz, " << ms - start_ms << " ms in: " << off;
            ++shown;
        }
        EXPECT_GT(shown, fps / 2) << fps;  // more than half a second checked
    }
    arena_release();
}
