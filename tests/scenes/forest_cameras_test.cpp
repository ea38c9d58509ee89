// The forest scenes' cameras against what they film.
//
// They stay clear of the hills: on every frame that shows a forest scene the
// eye stands well above the ground it looks out from, so the near plane never
// cuts into a hillside. The heights are the terrain grid as the terrain list
// records it (texture 1's red channel), the walk's eye comes from the stored
// path through the program's own interpolation.
//
// The "NOW!" close-up keeps the robot in the scope: on every frame of the
// entry that opens order 7, at 50, 60 and 100 frames a second, the centre of
// its torso projects inside the scope's clear circle (where the mask's alpha,
// texture 8's blue, is below half). The song plays block by block through the
// program's player, the frames follow the timeline and advance the stored
// paths as the frame loop does, and the scene layer itself places the robot:
// it leaves the robot's body frame as the modelview. Checked are the frames
// whose four interpolated points all lie in the recordings: once the first
// (0, 0) after a recording enters them (17 s after the paths start) they
// swing away at once, whatever was recorded; how long the entry lasts past
// that is the song's timing.
#include <algorithm>
#include <cmath>
#include <vector>

#include "../gl_fixture.h"
#include "../output_probe.h"
#include "app/program.h"
#include "base/arena.h"
#include "embedded_data.h"
#include "geometry/terrain.h"
#include "music/music.h"
#include "platform/gl.h"
#include "scenes/forest.h"
#include "scenes/forest_talk.h"
#include "textures/textures.h"

namespace {

// What the eye must keep above the ground within the near plane's reach
// (1 unit away, 45 degrees high, 4:3: 1.22 units at its corners).
const float MIN_CLEARANCE = 1.5f, NEAR_REACH = 1.25f;

std::vector<uint8_t> heights;

// The highest vertex of any grid cell within NEAR_REACH of (x, z): whatever
// way a cell is split into triangles, it stays below its highest corner.
// Cell (r, j) spans x in [j - 128, j - 124] and z in [r - 132, r - 128].
float ground_in_reach(float x, float z)
{
    auto cell = [](float at, float offset) { return 4 * (int)std::floor((at + offset) / 4); };
    const int r0 = std::max(cell(z - NEAR_REACH, 132), 8), r1 = std::min(cell(z + NEAR_REACH, 132), 252);
    const int j0 = std::max(cell(x - NEAR_REACH, 128), 4), j1 = std::min(cell(x + NEAR_REACH, 128), 248);
    float highest = -1.0f;
    for (int r = r0; r <= r1; r += 4)
        for (int j = j0; j <= j1; j += 4) {
            TerrainVertex quad[4];
            terrain_quad(heights.data(), r, j, quad);
            for (const TerrainVertex &v : quad)
                highest = std::max(highest, v.position[1]);
        }
    return highest;
}

TEST_F(GlTest, ForestCamerasStayAboveTheHills)
{
    ASSERT_TRUE(arena_init() && textures_build());
    for (int i = 0; i < TERRAIN_MAP_SIZE * TERRAIN_MAP_SIZE; ++i)
        heights.push_back(texture_pixels(1)[4 * i]);
    EXPECT_GT(*std::max_element(heights.begin(), heights.end()), 250);  // hills above 25
    // The walk: orders 0 and 1, 128 rows of 6 ticks at 136 BPM, and a little
    // more, as the scene changes when the song is heard to reach order 2.
    ASSERT_EQ(paths_init_from(PATH_TABLE, PATH_TABLE_COUNT), 1);
    const int32_t place[] = {0};
    for (int ms = 0; ms <= (int)(128 * 6 * 2500.0 / 136.0) + 400; ms += 2) {
        paths_update(ms, place, 1);
        const WalkEye eye = walk_eye(path_value(0));
        ASSERT_GE(eye.y - ground_in_reach(eye.x, eye.z), MIN_CLEARANCE)
            << "at " << ms << " ms the eye (" << eye.x << ", " << eye.y << ", " << eye.z << ")";
    }
    // The close-ups' eye stands at (60, -shift, 20) and only turns.
    for (int order : {3, 5, 7})
        EXPECT_GE(-forest_talk_shift(order) - ground_in_reach(60, 20), MIN_CLEARANCE) << order;
    arena_release();
}

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

}  // namespace
