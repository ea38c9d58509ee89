// fuzz_wav_write.cpp - libFuzzer target: the WAV writer over any run of writes.
//
// Input: the rate (4 bytes, little-endian), the channels - 1 (a byte, 1 to
// 8 channels), then writes: each a 16-bit frame count followed by the
// samples it takes (zeros where the input ends). After wav_close the file
// must be a 44-byte header whose sizes, rate and layout match, then exactly
// the samples written, in order.
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "fuzz_support.h"
#include "support/wav_write.h"

static uint32_t u32(const uint8_t *p) { uint32_t v; return memcpy(&v, p, 4), v; }  // little-endian

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    const uint32_t rate = u32(data);
    const uint16_t channels = (uint16_t)(1 + data[4] % 8);
    const std::string path = "/tmp/fuzz_wav_write_" + std::to_string(getpid()) + ".wav";
    WavFile wav;
    FUZZ_CHECK(wav_open(&wav, path.c_str(), rate, channels), "not opened");
    std::vector<int16_t> all;
    for (size_t at = 5; at + 2 <= size && all.size() < (1u << 22);) {
        const uint32_t frames = data[at] | data[at + 1] << 8;
        std::vector<int16_t> samples((size_t)frames * channels);
        at += 2;
        const size_t n = std::min(size - at, samples.size() * 2);
        if (n)
            memcpy(samples.data(), data + at, n);
        at += n;
        FUZZ_CHECK(wav_write_frames(&wav, samples.data(), frames), "a write failed");
        all.insert(all.end(), samples.begin(), samples.end());
    }
    FUZZ_CHECK(wav_close(&wav), "not closed");
    FILE *f = fopen(path.c_str(), "rb");
    std::vector<uint8_t> file(44 + all.size() * 2 + 1);
    const size_t got = f ? fread(file.data(), 1, file.size(), f) : 0;
    if (f)
        fclose(f);
    unlink(path.c_str());
    const uint32_t bytes = (uint32_t)all.size() * 2;
    FUZZ_CHECK(got == 44 + (size_t)bytes, "%zu bytes in the file for %u of samples", got, bytes);
    FUZZ_CHECK(u32(&file[4]) == 36 + bytes && u32(&file[40]) == bytes && u32(&file[24]) == rate &&
                   (file[22] | file[23] << 8) == channels &&
                   u32(&file[28]) == rate * channels * 2 && (file[32] | file[33] << 8) == channels * 2,
               "the header says otherwise: data %u of %u bytes", u32(&file[40]), bytes);
    FUZZ_CHECK(!bytes || !memcmp(file.data() + 44, all.data(), bytes), "the samples differ");
    return 0;
}
