// row_trigger.h - things that happen on chosen rows of the song.
//
//   static int last_position = ROW_TRIGGER_START;
//   if (row_trigger(&last_position, order, row, ROWS, ROW_COUNT))
//       brightness = 1.0f;   // once, on the frame that reaches a listed row
//
// A row lasts several frames at 60 Hz, but a slow frame may be longer than a
// row and see the song only after it has passed one. So *last_position keeps
// the song position (order * 64 + row) of the previous call, and a listed
// row of this order fires on the first frame at or past it, once. Keeping
// the order too means a listed row fires even when the previous order ended
// on the same row number. The mouth, the silhouette's flash and the growing
// caption each keep one last position for all the orders they react to.
#pragma once

// Before the song's first row: every listed row is still ahead.
constexpr int ROW_TRIGGER_START = -1;

// 1 when row is one of the count rows listed.
int row_listed(int row, const int *rows, int count);

// How many of the count rows listed for order lie after *last_position and
// at or before (order, row); *last_position then holds (order, row). When
// the song went back, the rows it returned to are ahead again: only the row
// it stands on counts.
int row_trigger(int *last_position, int order, int row, const int *rows, int count);
