// win32_audio.cpp - see win32_audio.h.
//
// One device, one header: the state is a handful of statics. The device's
// byte count is 32-bit and wraps; wave_position widens it to 64 bits. The
// position state belongs to the sound thread, the only caller of
// win32_audio_bytes_played; open, play, reset and close come from the main
// thread while that thread is not running.
#include "platform/win32/win32_audio.h"

#include "platform/win32/wave_position.h"
#include "support/report.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>

static HWAVEOUT device;
static WAVEHDR header;
static bool header_prepared;
static WavePosition position;

// waveOut's text for an error code, for the messages on stderr.
static const char *wave_error_text(MMRESULT result, char *text, UINT size)
{
    if (waveOutGetErrorTextA(result, text, size) != MMSYSERR_NOERROR)
        snprintf(text, size, "unknown error");
    return text;
}

int win32_audio_open(int rate)
{
    win32_audio_close();
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = (DWORD)rate;
    format.nAvgBytesPerSec = (DWORD)rate * 4;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    HWAVEOUT opened = nullptr;
    MMRESULT result = waveOutOpen(&opened, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
    if (result != MMSYSERR_NOERROR) {
        char text[MAXERRORLENGTH];
        report("no wave output device could be opened at %d Hz, 16-bit stereo "
               "(waveOut error %u: %s)",
               rate, (unsigned)result, wave_error_text(result, text, sizeof text));
        return 0;
    }
    device = opened;
    wave_position_reset(&position);
    return 1;
}

void win32_audio_play_loop(const void *pcm, uint32_t bytes)
{
    if (!device)
        return;
    // A new loop replaces the old one from its start; resetting also puts
    // the device's count back to zero, where the widening starts.
    win32_audio_reset();
    wave_position_reset(&position);
    bytes &= ~3u;  // whole stereo frames only
    if (!pcm || !bytes)
        return;
    header = {};
    header.lpData = (LPSTR)pcm;
    header.dwBufferLength = bytes;
    header.dwBytesRecorded = 0;
    header.dwUser = 0;
    header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header.dwLoops = 0xFFFFFFFFu;  // as many times as a DWORD counts: endless
    char text[MAXERRORLENGTH];
    MMRESULT result = waveOutPrepareHeader(device, &header, sizeof header);
    if (result != MMSYSERR_NOERROR) {
        report("the loop buffer could not be prepared (waveOut error %u: %s)",
               (unsigned)result, wave_error_text(result, text, sizeof text));
        return;
    }
    header_prepared = true;
    result = waveOutWrite(device, &header, sizeof header);
    if (result != MMSYSERR_NOERROR) {
        report("the loop buffer could not be played (waveOut error %u: %s)",
               (unsigned)result, wave_error_text(result, text, sizeof text));
        win32_audio_reset();
    }
}

uint64_t win32_audio_bytes_played()
{
    if (!device || !header_prepared)
        return position.total;
    MMTIME time = {};
    time.wType = TIME_BYTES;
    if (waveOutGetPosition(device, &time, sizeof time) != MMSYSERR_NOERROR)
        return position.total;
    // Drivers that cannot count bytes answer in a format of their own.
    // Samples are stereo frames of 4 bytes; the product wraps modulo 2^32
    // just as a byte count would, so the widening still holds. Any other
    // format keeps the last position.
    switch (time.wType) {
    case TIME_BYTES:
        return wave_position_widen(&position, time.u.cb);
    case TIME_SAMPLES:
        return wave_position_widen(&position, time.u.sample * 4u);
    default:
        return position.total;
    }
}

void win32_audio_reset()
{
    if (!device)
        return;
    // Reset marks the header done, so it can be unprepared at once; after
    // that the device no longer touches the buffer and the caller may free it.
    waveOutReset(device);
    if (header_prepared) {
        waveOutUnprepareHeader(device, &header, sizeof header);
        header_prepared = false;
    }
}

void win32_audio_close()
{
    if (!device)
        return;
    win32_audio_reset();
    waveOutClose(device);
    device = nullptr;
}

// The body travels as the thread's parameter: a function pointer fits in a
// pointer-sized integer on every Windows target.
static DWORD WINAPI thread_entry(LPVOID parameter)
{
    int (*body)(void) = (int (*)(void))(uintptr_t)parameter;
    // 1 ms timer resolution for the body's sleeps, for as long as it runs.
    timeBeginPeriod(1);
    int result = body();
    timeEndPeriod(1);
    return (DWORD)result;
}

void *win32_thread_start(int (*body)(void))
{
    if (!body)
        return nullptr;
    HANDLE thread = CreateThread(nullptr, 0, thread_entry, (LPVOID)(uintptr_t)body, 0, nullptr);
    if (!thread)
        return nullptr;
    // Without the right to raise it the thread keeps normal priority.
    SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    return thread;
}

void win32_thread_wait(void *thread)
{
    if (!thread)
        return;
    WaitForSingleObject((HANDLE)thread, INFINITE);
    CloseHandle((HANDLE)thread);
}
