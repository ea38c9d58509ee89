// main.cpp - the intro: runs the program on the desktop backend.
#include "app/program.h"
#include "platform/platform.h"

int main()
{
    platform_desktop_bootstrap(&platform);
    app_run();
    return 0;  // the intro reports nothing through its exit code
}
