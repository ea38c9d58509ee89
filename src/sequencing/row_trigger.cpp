// row_trigger.cpp - see row_trigger.h.
#include "sequencing/row_trigger.h"

int row_listed(int row, const int *rows, int count)
{
    for (int i = 0; i < count; ++i)
        if (rows[i] == row)
            return 1;
    return 0;
}

int row_trigger(int *last_row, int row, const int *rows, int count)
{
    if (row == *last_row)
        return 0;
    *last_row = row;
    return row_listed(row, rows, count);
}
