// platform.cpp - the process-wide backend table (see platform.h).
#include "platform/platform.h"

Platform platform;
