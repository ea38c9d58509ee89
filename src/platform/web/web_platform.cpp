// web_platform.cpp - the browser backend (placeholder while it is built up).
#include "platform/platform.h"

int platform_desktop_bootstrap(Platform *p)
{
    platform_defaults(p);
    p->name = "web";
    return 1;
}

int platform_offscreen_bootstrap(Platform *p)
{
    return platform_desktop_bootstrap(p);
}
