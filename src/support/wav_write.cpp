// wav_write.cpp - see wav_write.h. Sizes are little-endian whatever the host;
// the data size is written when the file is closed. The stream is
// unbuffered, with a buffer of our own: each fwrite then says how much
// reached the file, so that a failed write leaves a count the header can
// honestly give.
#include "support/wav_write.h"

#include <cerrno>
#include <cstring>

static void put16(uint8_t *p, uint16_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

static void put32(uint8_t *p, uint32_t v)
{
    put16(p, (uint16_t)v);
    put16(p + 2, (uint16_t)(v >> 16));
}

static void fill_header(uint8_t *h, const WavFile *wav)
{
    // RIFF sizes are 32-bit; a longer file keeps the largest size it can say.
    uint64_t data = wav->data_bytes > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFull - 36 : wav->data_bytes;
    uint16_t align = (uint16_t)(wav->channels * 2);
    memcpy(h, "RIFF", 4);
    put32(h + 4, (uint32_t)(36 + data));
    memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, wav->channels);
    put32(h + 24, wav->rate);
    put32(h + 28, wav->rate * align);
    put16(h + 32, align);
    put16(h + 34, 16);
    memcpy(h + 36, "data", 4);
    put32(h + 40, (uint32_t)data);
}

static void fail(WavFile *wav)
{
    if (!wav->failed)
        wav->error = errno ? errno : EIO;
    wav->failed = 1;
}

int wav_open(WavFile *wav, const char *path, uint32_t rate, uint16_t channels)
{
    *wav = {};
    wav->rate = rate;
    wav->channels = channels;
    errno = channels ? 0 : EINVAL;  // a frame of no samples has no size
    wav->file = channels ? fopen(path, "wb") : nullptr;
    if (!wav->file) {
        fail(wav);
        return 0;
    }
    setvbuf(wav->file, nullptr, _IONBF, 0);
    uint8_t header[44];
    fill_header(header, wav);
    if (fwrite(header, 1, sizeof header, wav->file) != sizeof header)
        fail(wav);
    return !wav->failed;
}

int wav_write_frames(WavFile *wav, const int16_t *samples, uint32_t frames)
{
    if (!wav->file || wav->failed)
        return 0;
    uint8_t buffer[16384];
    const size_t frame_bytes = (size_t)wav->channels * 2;
    const size_t count = (size_t)frames * wav->channels;
    // Whole frames a write, so that a write that ends well counts every byte
    // (with 3, 5, 6 or 7 channels a frame would straddle the buffer's end).
    const size_t most = sizeof buffer / frame_bytes * wav->channels;
    size_t at = 0;
    while (at < count) {
        size_t n = count - at < most ? count - at : most;
        for (size_t i = 0; i < n; ++i)
            put16(buffer + 2 * i, (uint16_t)samples[at + i]);
        errno = 0;
        size_t done = fwrite(buffer, 1, n * 2, wav->file);
        // Only whole frames count; a torn one at the end lies past the data.
        wav->data_bytes += done / frame_bytes * frame_bytes;
        if (done != n * 2) {
            fail(wav);
            return 0;
        }
        at += n;
    }
    return 1;
}

int wav_close(WavFile *wav)
{
    if (!wav->file)
        return 0;
    uint8_t header[44];
    fill_header(header, wav);
    errno = 0;
    if (fseek(wav->file, 0, SEEK_SET) != 0 ||
        fwrite(header, 1, sizeof header, wav->file) != sizeof header)
        fail(wav);
    if (fclose(wav->file) != 0)
        fail(wav);
    wav->file = nullptr;
    if (wav->failed)
        errno = wav->error;  // for a caller that reports errno
    return !wav->failed;
}
