// crt_rand.cpp - the generator lives inline in crt_rand.h; this unit keeps
// the support library non-empty for toolchains that reject empty archives.
#include "support/crt_rand.h"
