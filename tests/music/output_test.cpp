// The output ring on a scripted device, offline rendering against the
// capture device, and every mixer kernel against the plain one.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <unistd.h>

#include "music/mixer.h"
#include "music/music.h"
#include "music/output.h"
#include "music/song_source.h"
#include "music/voices.h"
#include "platform/capture/capture_audio.h"
#include "platform/platform.h"
#include "../output_probe.h"
#include "xm_builder.h"

// The module's first `seconds` as the offline renderer writes them (the WAV's
// PCM, checked against the size its header declares).
std::vector<int16_t> render(const std::vector<uint8_t> &module, double seconds)
{
    // Other builds' tests run side by side: a name of this process's own.
    std::string path = testing::TempDir() + "music_" + std::to_string(getpid()) + ".wav";
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

// Every mixer path: forward, ping-pong and one-shot samples, 8 and 16 bits,
// an envelope with fade-out, pans and slides, portamento both ways.
XmModule mixing_module()
{
    XmModule m;
    m.channels = 4, m.speed = 3, m.bpm = 150, m.patterns = {xm_pattern(32, 4)};
    std::vector<int8_t> saw(700);
    std::vector<int16_t> chirp(3000);
    for (size_t i = 0; i < chirp.size(); ++i)
        saw[i % 700] = (int8_t)(i * 7 % 200 - 100), chirp[i] = (int16_t)(20000 * sin(i * i / 8e4));
    XmSample forward = xm_sample_8bit(saw), pingpong, oneshot = xm_sample_16bit(chirp);
    forward.loop_type = 1, forward.loop_start = 100, forward.loop_length = 500;
    pingpong = forward, pingpong.loop_type = 2, pingpong.panning = 30, oneshot.panning = 220;
    XmInstrument enveloped = xm_instrument(forward);
    enveloped.volume_envelope = {{0, 0}, {5, 64}, {20, 30}, {60, 10}}, enveloped.fadeout = 900;
    enveloped.volume_type = ENVELOPE_ON | ENVELOPE_SUSTAIN, enveloped.volume_sustain = 2;
    m.instruments = {xm_instrument(forward), xm_instrument(pingpong), xm_instrument(oneshot),
                     enveloped};
    for (int row = 0; row < 32; ++row) {
        const int c = row % 4, volume = row % 3 == 0 ? 0x18 + row : row % 3 == 1 ? 0xD3 : 0x72;
        xm_cell(m.patterns[0], 4, row, c) = {(uint8_t)(30 + row * 5 % 40), (uint8_t)(1 + c),
                                             (uint8_t)volume, (uint8_t)(c % 3), 5};  // 1xx, 2xx
        if (row % 8 == 7)
            xm_cell(m.patterns[0], 4, row, (c + 1) % 4) = {NOTE_KEY_OFF, 0, 0xE4, 0, 0};
    }
    return m;
}

struct Output : testing::Test {
    Platform saved = platform;
    Song *song = nullptr;
    void SetUp() override
    {
        platform_defaults(&platform);
        platform.audio_virtual_time = 1, platform.audio_open = [](int) { return 1; };
        platform.audio_play_loop = [](const void *, uint32_t) { device_bytes = 0; };
        platform.audio_bytes_played = [] { return device_bytes; };
        platform.audio_set_cycle = [](void (*cycle)(void)) { device_cycle = cycle; };
        song = xm_load(xm_build(mixing_module()));
        ASSERT_NE(song, nullptr) << song_load_error();
    }
    void TearDown() override { song_free(song), audio_close(), platform = saved; }
};

TEST_F(Output, RefusalsAndACycleThatCatchesUpMoreThanALap)
{
    // Rates from 1000 to 384000 Hz; a refused one changes nothing.
    EXPECT_EQ(output_set_rate(999) + output_set_rate(384001), 0);
    EXPECT_EQ(output_set_rate(1000) + output_set_rate(384000), 2);
    EXPECT_FALSE(audio_open(999) || song_play(song));  // and the device is closed
    EXPECT_EQ(output_rate, 384000);
    ASSERT_TRUE(audio_open(44100) && song_play(song));
    device_bytes = 103 * (uint64_t)block_frames * 4, device_cycle();
    EXPECT_EQ(std::pair(fill_index.load(), play_index.load()), std::pair(3, 3));
    audio_close(), set_file_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(audio_open(44100));  // no song source
}

// The plain kernels against a few frames pinned from them, where ramps, loops
// and slides meet; the capture backend's device at 60 frames/s hears exactly
// the offline render; the faster kernels give the plain ones' frames.
TEST_F(Output, EveryKernelAndTheCaptureDeviceGiveTheOfflineFrames)
{
    const std::vector<uint8_t> bytes = xm_build(mixing_module());
    ASSERT_TRUE(mixer_use_kernels(MIXER_KERNELS_PLAIN));
    const std::vector<int16_t> plain = render(bytes, 3.0);
    ASSERT_EQ(plain.size(), 2u * 3 * 44100);
    std::vector<int16_t> pinned;
    for (size_t frame : {1000u, 22050u, 100001u, 130000u})
        pinned.insert(pinned.end(), &plain[2 * frame], &plain[2 * frame + 4]);
    EXPECT_EQ(pinned, (std::vector<int16_t>{-402, -402, -398, -398, -562, -1498, -315, -1294, 5880,
                                             6236, 6188, 6344, 10177, 12485, 10427, 12674}));
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
    for (int frame = 0; frame < 180; ++frame)
        platform.swap_buffers();
    capture_audio_set_listener(nullptr);
    EXPECT_TRUE(capture_audio_frames_played() == 180u * 735 && heard == plain);
    audio_close();  // the offline renders need the output free
    for (int kernels = MIXER_KERNELS_SSE2; kernels < MIXER_KERNELS_BEST; ++kernels) {
        const std::vector<int16_t> fast =
            mixer_use_kernels(kernels) ? render(bytes, 3.0) : plain;
        const auto [at, _] = std::mismatch(plain.begin(), plain.end(), fast.begin(), fast.end());
        EXPECT_EQ(at, plain.end()) << "kernels " << kernels << " differ from frame "
                                   << (at - plain.begin()) / 2;
    }
    mixer_use_kernels(MIXER_KERNELS_BEST);
}
