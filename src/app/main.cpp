// main.cpp - the intro: runs the program on the desktop backend. The exit
// code is 0 when the show ran (or the user ended it), else the AppOutcome
// that stopped it; the reason is on stderr.
#include "app/program.h"
#include "platform/platform.h"

int main()
{
    platform_desktop_bootstrap(&platform);
    return app_run();
}
