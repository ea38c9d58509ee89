// The Win32 wave device and threads on a real (Wine or Windows) system.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/win32/win32_audio.h"

// A quiet 440 Hz square wave, half a second, played in a loop: the position
// grows while it plays, in whole stereo frames, and reset and close let go.
TEST(Win32Audio, LoopPlaysAndThePositionGrows)
{
    const int rate = 44100;
    std::vector<int16_t> pcm((size_t)rate / 2 * 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = (int16_t)(((i / 2) * 440 * 2 / rate) % 2 ? 1000 : -1000);
    ASSERT_EQ(win32_audio_open(rate), 1);
    win32_audio_play_loop(pcm.data(), (uint32_t)(pcm.size() * 2));
    uint64_t last = 0;
    for (int i = 0; i < 20; ++i) {
        Sleep(10);
        const uint64_t now = win32_audio_bytes_played();
        EXPECT_TRUE(now >= last && now % 4 == 0) << now;
        last = now;
    }
    EXPECT_GT(last, 0u);
    win32_audio_reset();
    win32_audio_close();
    win32_audio_close();  // safe when none is open
}

static std::atomic<int> body_runs;

TEST(Win32Audio, ThreadRunsItsBodyAndIsWaitedFor)
{
    void *thread = win32_thread_start([]() { return body_runs.fetch_add(1), 7; });
    ASSERT_NE(thread, nullptr);
    win32_thread_wait(thread);
    EXPECT_EQ(body_runs.load(), 1);
}
