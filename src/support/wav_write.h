// wav_write.h - writes 16-bit PCM into a RIFF WAVE file as it comes.
//
//   WavFile wav;
//   if (!wav_open(&wav, "out.wav", 44100, 2)) ...;
//   wav_write_frames(&wav, samples, frames);   // interleaved int16, any number of calls
//   wav_close(&wav);                            // fixes up the sizes; 0 if anything failed
#pragma once

#include <cstdint>
#include <cstdio>

struct WavFile {
    FILE *file;
    uint32_t rate;
    uint16_t channels;
    uint64_t data_bytes;
    int failed;
};

int wav_open(WavFile *wav, const char *path, uint32_t rate, uint16_t channels);
int wav_write_frames(WavFile *wav, const int16_t *samples, uint32_t frames);
int wav_close(WavFile *wav);
