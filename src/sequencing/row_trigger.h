// row_trigger.h - things that happen on chosen rows of the song.
//
//   static int last_row = -1;
//   if (row_trigger(&last_row, row, ROWS, ROW_COUNT))
//       brightness = 1.0f;   // once, on the first frame of a listed row
//
// A row lasts several frames; *last_row remembers the row of the previous
// call, so a listed row fires on its first frame only. The mouth, the
// silhouette's flash and the growing caption each keep one last row for all
// the orders they react to.
#pragma once

// 1 when row is one of the count rows listed.
int row_listed(int row, const int *rows, int count);

// 1 on the first call that sees a row (which *last_row then holds) when
// that row is listed; 0 otherwise.
int row_trigger(int *last_row, int row, const int *rows, int count);
