// pool.cpp - the five working images that every texture operator shares.
//
// Static and zero at start, 1.25 MB in all; see textures/pool.h for the
// pixel layout and the shared arithmetic.
#include "textures/pool.h"

TexturePool texture_pool;
