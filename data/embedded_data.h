// embedded_data.h - the stored binaries of data/, compiled into the program.
//
// Link fm_data and include "embedded_data.h". Every array lives in the
// program's initialised data; nothing is read from disk at run time.
//   EMBEDDED_SONG / EMBEDDED_SONG_SIZE  the XM module (song.xm)
//   PATH_DATA / PATH_DATA_SIZE          23 paths x 500 little-endian int16
//                                       (x, y) pairs, 2000 bytes a path
//   PATH_TABLE_COUNT, PATH_TABLE        the path count as a 32-bit word and
//                                       the address of each path in PATH_DATA
//   ROBOT_IMAGE / ROBOT_IMAGE_SIZE      256x256 greyscale silhouette, row-major
// Each byte array carries one extra zero byte past its _SIZE.
#pragma once

#include <cstdint>

extern const unsigned char EMBEDDED_SONG[];
extern const unsigned int EMBEDDED_SONG_SIZE;

extern const unsigned char PATH_DATA[];
extern const unsigned int PATH_DATA_SIZE;
extern const uint32_t PATH_TABLE_COUNT;
extern const unsigned char *const PATH_TABLE[];

extern const unsigned char ROBOT_IMAGE[];
extern const unsigned int ROBOT_IMAGE_SIZE;
