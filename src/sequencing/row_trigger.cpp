// row_trigger.cpp - see row_trigger.h.
#include "sequencing/row_trigger.h"

#include "sequencing/timeline.h"

int row_listed(int row, const int *rows, int count)
{
    for (int i = 0; i < count; ++i)
        if (rows[i] == row)
            return 1;
    return 0;
}

int row_trigger(int *last_position, int order, int row, const int *rows, int count)
{
    const int position = (int)song_position(order, row);
    int after = *last_position;
    if (position < after)
        after = position - 1;
    *last_position = position;
    int passed = 0;
    for (int i = 0; i < count; ++i) {
        const int listed = (int)song_position(order, rows[i]);
        passed += listed > after && listed <= position;
    }
    return passed;
}
