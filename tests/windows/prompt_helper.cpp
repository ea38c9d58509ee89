// prompt_helper.cpp - answers the intro's fullscreen question in the Windows
// tests, as a user at the keyboard would.
//
//   prompt_helper.exe --answer no|yes
//
// Waits (up to a minute) for the question, a dialog titled "frostmere compo
// 2006", and presses its No or Yes button. Exit code 0 when it was answered.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc != 3 || strcmp(argv[1], "--answer") ||
        (strcmp(argv[2], "no") && strcmp(argv[2], "yes"))) {
        fprintf(stderr, "usage: prompt_helper --answer no|yes\n");
        return 2;
    }
    const int button = strcmp(argv[2], "yes") ? IDNO : IDYES;
    for (int waited = 0; waited < 60000; waited += 50) {
        if (HWND dialog = FindWindowA("#32770", "frostmere compo 2006")) {
            HWND pressed = GetDlgItem(dialog, button);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)pressed);
            printf("prompt_helper: answered %s\n", argv[2]);
            return 0;
        }
        Sleep(50);
    }
    fprintf(stderr, "prompt_helper: no question titled \"frostmere compo 2006\" appeared\n");
    return 1;
}
