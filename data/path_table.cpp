// path_table.cpp - the count and addresses of the stored animation paths,
// kept beside each other as the program's path loader expects them.
#include "embedded_data.h"

namespace {
constexpr unsigned PATH_BYTES = 500 * 4;
}

const uint32_t PATH_TABLE_COUNT = 23;

const unsigned char *const PATH_TABLE[23] = {
    PATH_DATA + 0 * PATH_BYTES,  PATH_DATA + 1 * PATH_BYTES,  PATH_DATA + 2 * PATH_BYTES,
    PATH_DATA + 3 * PATH_BYTES,  PATH_DATA + 4 * PATH_BYTES,  PATH_DATA + 5 * PATH_BYTES,
    PATH_DATA + 6 * PATH_BYTES,  PATH_DATA + 7 * PATH_BYTES,  PATH_DATA + 8 * PATH_BYTES,
    PATH_DATA + 9 * PATH_BYTES,  PATH_DATA + 10 * PATH_BYTES, PATH_DATA + 11 * PATH_BYTES,
    PATH_DATA + 12 * PATH_BYTES, PATH_DATA + 13 * PATH_BYTES, PATH_DATA + 14 * PATH_BYTES,
    PATH_DATA + 15 * PATH_BYTES, PATH_DATA + 16 * PATH_BYTES, PATH_DATA + 17 * PATH_BYTES,
    PATH_DATA + 18 * PATH_BYTES, PATH_DATA + 19 * PATH_BYTES, PATH_DATA + 20 * PATH_BYTES,
    PATH_DATA + 21 * PATH_BYTES, PATH_DATA + 22 * PATH_BYTES,
};
