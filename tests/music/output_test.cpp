// The output ring on a scripted device, offline rendering against the
// capture device, and every mixer kernel against the plain one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>

#include "base/arena.h"
#include "music/mixer.h"
#include "music/music.h"
#include "music/output.h"
#include "music/song_source.h"
#include "music/voices.h"
#include "platform/capture/capture_audio.h"
#include "platform/platform.h"
#include "../output_probe.h"
#include "xm_builder.h"

std::vector<int16_t> xm_render(const std::vector<uint8_t> &module, double seconds)
{
    // Tests, and other builds' tests, run side by side: a name of this one's own.
    std::string path = testing::TempDir() + "music_" + std::to_string(getpid()) + "_" +
                       testing::UnitTest::GetInstance()->current_test_info()->name() + ".wav";
    testing::internal::CaptureStdout();
    EXPECT_EQ(music_render_soundtrack(path.c_str(), seconds, module.data(),
                                      (uint32_t)module.size()), 1);
    testing::internal::GetCapturedStdout();
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    remove(path.c_str());
    file.resize(std::max<size_t>(file.size(), 44));
    std::vector<int16_t> pcm((file.size() - 44) / 2);
    EXPECT_EQ(file[40] | file[41] << 8 | file[42] << 16 | file[43] << 24, (int)pcm.size() * 2);
    memcpy(pcm.data(), file.data() + 44, pcm.size() * 2);
    return pcm;
}

namespace {

// Every block the tests render lies inside the ring. One past it has written
// over the heap, so the run ends there as a failure, before anything frees
// next to it.
void ring_bound(int32_t block)
{
    if (block >= block_count)
        fprintf(stderr, "block %d is past the ring\n", block), std::_Exit(1);
}
const bool ring_bound_set = (fill_block_probe = ring_bound, true);

// A device the test moves by hand.
uint64_t device_bytes;
void (*device_cycle)(void);
int device_resets;

Platform scripted_platform()
{
    Platform p;
    platform_defaults(&p);
    p.audio_virtual_time = 1, p.audio_open = [](int) { return 1; };
    p.audio_play_loop = [](const void *, uint32_t) { device_bytes = 0; };
    p.audio_bytes_played = [] { return device_bytes; };
    p.audio_set_cycle = [](void (*cycle)(void)) { device_cycle = cycle; };
    p.audio_reset = [] { ++device_resets; };
    return p;
}

// The device reaches ring block `blocks` (counted across laps); the cycle runs.
void play_to_block(uint64_t blocks)
{
    device_bytes = blocks * (uint64_t)block_frames * 4;
    device_cycle();
}

// Every mixer path: forward, ping-pong and one-shot samples, 8 and 16 bits,
// an envelope with fade-out, pans and slides, portamento both ways.
XmModule mixing_module()
{
    XmModule m;
    m.channels = 4, m.speed = 3, m.bpm = 150;
    m.orders = {0, 1, 0, 1};
    std::vector<int8_t> saw(700);
    for (size_t i = 0; i < saw.size(); ++i)
        saw[i] = (int8_t)((i * 7) % 200 - 100);
    XmSample forward = xm_sample_8bit(saw), pingpong;
    forward.loop_type = 1, forward.loop_start = 100, forward.loop_length = 500;
    pingpong = forward, pingpong.loop_type = 2, pingpong.panning = 30;
    std::vector<int16_t> chirp(3000);
    for (size_t i = 0; i < chirp.size(); ++i)
        chirp[i] = (int16_t)(20000.0 * std::sin(0.0005 * (double)(i * i) / 40.0));
    XmSample oneshot = xm_sample_16bit(chirp);
    oneshot.panning = 220;
    XmInstrument enveloped = xm_instrument(forward);
    enveloped.volume_envelope = {{0, 0}, {5, 64}, {20, 30}, {60, 10}};
    enveloped.volume_type = ENVELOPE_ON | ENVELOPE_SUSTAIN;
    enveloped.volume_sustain = 2, enveloped.fadeout = 900;
    m.instruments = {xm_instrument(forward), xm_instrument(pingpong), xm_instrument(oneshot),
                     enveloped};
    for (int p = 0; p < 2; ++p) {
        XmPattern pattern = xm_pattern(32, 4);
        for (int row = 0; row < 32; ++row) {
            int c = row % 4;
            uint8_t note = (uint8_t)(30 + (row * 5 + p * 7) % 40);
            uint8_t volume = (uint8_t)(row % 3 == 0 ? 0x18 + row : row % 3 == 1 ? 0xD3 : 0x72);
            uint8_t effect = row % 4 == 1 ? 1 : row % 4 == 2 ? 2 : 0;
            xm_cell(pattern, 4, row, c) = {note, (uint8_t)(1 + (row + p) % 4), volume, effect, 5};
            if (row % 8 == 7)
                xm_cell(pattern, 4, row, (c + 1) % 4) = {NOTE_KEY_OFF, 0, 0xE4, 0, 0};
        }
        m.patterns.push_back(pattern);
    }
    return m;
}

struct Output : testing::Test {
    Platform saved = platform;
    Song *song = nullptr;
    void SetUp() override
    {
        platform = scripted_platform();
        device_cycle = nullptr;
        ASSERT_TRUE(arena.base || arena_init());  // the service's song source lives in it
        song = xm_load(xm_build(mixing_module()));
        ASSERT_NE(song, nullptr) << song_load_error();
    }
    void TearDown() override
    {
        fill_block_probe = ring_bound;
        song_free(song);
        audio_close();
        platform = saved;
    }
};

int position(Song *s) { return song_get_order(s) * 64 + song_get_row(s); }

TEST_F(Output, CycleCatchesUpAndGettersNeverRunAheadOfTheListener)
{
    ASSERT_TRUE(audio_open(44100) && song_play(song));
    play_to_block(103);  // more than a lap: it wraps and catches up
    EXPECT_EQ(std::pair(fill_index.load(), play_index.load()), std::pair(3, 3));
    // The instant between writing a block's new position (a ring ahead) and
    // moving on: what does a reader get?
    static std::vector<int> seen_at_write;
    static Song *s;
    s = song, seen_at_write.clear();
    fill_block_probe = [](int32_t b) { ring_bound(b), seen_at_write.push_back(position(s)); };
    std::vector<int> after_cycle;
    for (uint64_t b = 104; b <= 250; ++b)
        play_to_block(b), after_cycle.push_back(position(song));
    EXPECT_TRUE(std::is_sorted(after_cycle.begin(), after_cycle.end()));
    // A ring ahead is 40 rows; what is heard is behind, and never goes back.
    ASSERT_FALSE(seen_at_write.empty());
    EXPECT_TRUE(std::is_sorted(seen_at_write.begin(), seen_at_write.end()));
    EXPECT_LT(seen_at_write.back(), song->order * 64 + song->row - 30);
}

TEST_F(Output, StopFreeAndRefusals)
{
    EXPECT_FALSE(song_stop(nullptr) || song_free(nullptr) || song_get_row(nullptr) ||
                 output_begin(nullptr));
    EXPECT_EQ(song_get_order(song) + song_get_row(song), 0);  // not playing yet
    // Rates from 1000 to 384000 Hz; a refused one changes nothing.
    EXPECT_EQ(output_set_rate(999) + output_set_rate(384001), 0);
    EXPECT_EQ(output_set_rate(1000) + output_set_rate(384000), 2);
    EXPECT_FALSE(audio_open(999) || song_play(song));  // and the device is closed
    EXPECT_EQ(output_rate, 384000);
    // Nothing playing: a block or a cycle does nothing.
    fill_index.store(0);
    device_bytes = 7 * (uint64_t)block_frames * 4;
    fill_block(), output_cycle();
    EXPECT_EQ(fill_index.load(), 0);
    ASSERT_TRUE(audio_open(44100));
    // Never played, played, twice.
    EXPECT_TRUE(song_stop(song) && song_play(song) && song_stop(song) && song_stop(song));
    EXPECT_EQ(device_cycle, nullptr);
    device_resets = 0;
    EXPECT_TRUE(song_play(song));
    play_to_block(20);
    // The device lets go of the old ring before it is freed; free while playing.
    EXPECT_TRUE(device_resets == 1 && song_get_row(song) > 0 && song_free(song));
    song = nullptr;
    EXPECT_EQ(device_cycle, nullptr);
    // A device that does not open, or no file callbacks: no device.
    platform.audio_open = [](int) { return 0; };
    EXPECT_FALSE(audio_open(44100) || output_in_use());
    platform = scripted_platform(), set_file_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(audio_open(44100));
}

// The plain kernels against a few frames pinned from them, where ramps, loops
// and slides meet; the capture backend's device at 60 frames/s hears exactly
// the offline render; the faster kernels give the plain ones' frames.
TEST_F(Output, EveryKernelAndTheCaptureDeviceGiveTheOfflineFrames)
{
    const std::vector<uint8_t> bytes = xm_build(mixing_module());
    ASSERT_TRUE(mixer_use_kernels(MIXER_KERNELS_PLAIN));
    const std::vector<int16_t> plain = xm_render(bytes, 6.0);
    ASSERT_EQ(plain.size(), 2u * 6 * 44100);
    std::vector<int16_t> pinned;
    for (size_t frame : {1000u, 22050u, 100001u, 200000u, 264000u})
        pinned.insert(pinned.end(), &plain[2 * frame], &plain[2 * frame + 4]);
    EXPECT_EQ(pinned, (std::vector<int16_t>{-402, -402, -398, -398, 5763, 4827, 6009, 5030, 6155,
                                             12296, 6250, 12452, -8410, -3417, -8156, -3225, 2904,
                                             6242, 2428, 5697}));
    static std::vector<int16_t> heard;
    capture_audio_bootstrap(&platform, 60);
    capture_audio_set_listener([](const int16_t *pcm, uint32_t frames) {
        heard.insert(heard.end(), pcm, pcm + 2 * (size_t)frames);
    });
    ASSERT_TRUE(audio_open(44100));
    platform.swap_buffers();  // before playback: a frame of silence
    ASSERT_EQ(heard, std::vector<int16_t>(2 * 735, 0));
    heard.clear();
    ASSERT_TRUE(song_play(song));
    for (int frame = 0; frame < 360; ++frame)
        platform.swap_buffers();
    capture_audio_set_listener(nullptr);
    EXPECT_TRUE(capture_audio_frames_played() == 360u * 735 && heard == plain);
    audio_close();  // the offline renders need the output free
    for (int kernels = MIXER_KERNELS_SSE2; kernels < MIXER_KERNELS_BEST; ++kernels) {
        if (!mixer_use_kernels(kernels))
            continue;
        const std::vector<int16_t> fast = xm_render(bytes, 6.0);
        ASSERT_EQ(fast.size(), plain.size());
        const auto [at, _] = std::mismatch(plain.begin(), plain.end(), fast.begin());
        EXPECT_EQ(at, plain.end()) << "kernels " << kernels << " differ from frame "
                                   << (at - plain.begin()) / 2;
    }
    mixer_use_kernels(MIXER_KERNELS_BEST);
}

}  // namespace
