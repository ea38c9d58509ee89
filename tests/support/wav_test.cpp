// wav_test.cpp - the WAV writer's header counts every byte written, for any
// number of channels (a frame may straddle the writer's buffer), and a WAV
// of no channels is refused.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/wav_write.h"

TEST(WavFile, HeaderCountsEveryFrameForAnyChannelCount)
{
    const std::string path = (std::filesystem::temp_directory_path() / "fm_wav_test.wav").string();
    for (uint16_t channels = 1; channels <= 8; ++channels) {
        std::vector<int16_t> samples(10000u * channels);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = (int16_t)(i * 7919);
        WavFile wav;
        ASSERT_TRUE(wav_open(&wav, path.c_str(), 44100, channels));
        ASSERT_TRUE(wav_write_frames(&wav, samples.data(), 10000));
        ASSERT_TRUE(wav_close(&wav));
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> f((std::istreambuf_iterator<char>(in)), {});
        const uint32_t data = f[40] | f[41] << 8 | f[42] << 16 | (uint32_t)f[43] << 24;
        EXPECT_EQ(data, samples.size() * 2) << channels << " channels";
        EXPECT_EQ(f.size(), 44 + samples.size() * 2) << channels << " channels";
        EXPECT_EQ(f[44 + 2 * 4999] | f[45 + 2 * 4999] << 8, (uint16_t)(4999 * 7919));
    }
    std::filesystem::remove(path);
    WavFile wav;
    EXPECT_FALSE(wav_open(&wav, path.c_str(), 44100, 0));
    EXPECT_EQ(wav.error, EINVAL);
    EXPECT_FALSE(std::filesystem::exists(path));
}
