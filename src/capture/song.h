// song.h - how long a module plays, found by stepping its replayer
// without rendering a sample: for the soundtrack's default length and the
// capture's expected number of frames.
//
//   uint64_t frames;
//   if (capture_song_frames(module, size, -1, &frames)) ...   // once through
//   capture_song_frames(module, size, 672, &frames);           // up to order 10, row 32
//
// The count is in output frames at OUTPUT_RATE, exactly as the renderer
// plays them. Not while music is playing (the replayer state is shared).
#pragma once

#include <cstdint>

// Output frames from the start until the song loops (it comes back to a
// row it has played), or, when until >= 0, until it first reaches song
// position `until` (order * 64 + row); at most an hour. The stored song
// when module is null. 0 when the module is rejected.
int capture_song_frames(const uint8_t *module, uint32_t size, int64_t until, uint64_t *frames);

// The frames a whole capture of the program is expected to present at fps:
// the loading screen and its fade, then the song up to the timeline's
// terminator. An estimate for the progress (the timeline follows the song
// in 20 ms blocks); 0 when the song cannot be walked.
uint32_t capture_expected_frames(int fps);
