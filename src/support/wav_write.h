// wav_write.h - writes 16-bit PCM into a RIFF WAVE file as it comes.
//
//   WavFile wav;
//   if (!wav_open(&wav, "out.wav", 44100, 2)) ... strerror(wav.error) ...;
//   wav_write_frames(&wav, samples, frames);   // interleaved int16, any number of calls
//   wav_close(&wav);                            // fixes up the sizes; 0 if anything failed
//
// The header always counts the whole frames that reached the file: after a
// failed write (a full disk) the file still says truthfully what it holds,
// and wav_close() still writes that count before it reports the failure.
#pragma once

#include <cstdint>
#include <cstdio>

struct WavFile {
    FILE *file;
    uint32_t rate;
    uint16_t channels;
    uint64_t data_bytes;  // whole frames written to the file so far
    int failed;
    int error;            // errno of the first failure, 0 when none
};

int wav_open(WavFile *wav, const char *path, uint32_t rate, uint16_t channels);
int wav_write_frames(WavFile *wav, const int16_t *samples, uint32_t frames);
int wav_close(WavFile *wav);
