// process_win32.cpp - process.h on Windows: CreateProcessA with an anonymous
// pipe as the child's standard input, in a process group of its own so that
// Ctrl-C in the console reaches the tool alone.
#include "platform/process.h"

#include <windows.h>

#include <cstring>
#include <string>

int process_find_program(const char *name)
{
    char found[MAX_PATH];
    return name && *name && SearchPathA(nullptr, name, ".exe", MAX_PATH, found, nullptr) > 0;
}

// One argument quoted the way the C runtime splits a command line:
// backslashes count only before a quote.
static void append_quoted(std::string &line, const char *argument)
{
    if (!line.empty())
        line += ' ';
    if (*argument && !strpbrk(argument, " \t\"")) {
        line += argument;
        return;
    }
    line += '"';
    size_t backslashes = 0;
    for (const char *c = argument;; ++c) {
        if (*c == '\\') {
            ++backslashes;
            continue;
        }
        // Before a quote (ours at the end, or one of the argument's own)
        // backslashes are escapes, so each is doubled.
        line.append(*c == '"' || !*c ? 2 * backslashes : backslashes, '\\');
        backslashes = 0;
        if (!*c)
            break;
        if (*c == '"')
            line += '\\';
        line += *c;
    }
    line += '"';
}

int process_start(ProcessChild *child, const char *const *argv, int with_input)
{
    *child = {0, -1, 0, child->interrupted};
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (with_input) {
        if (!CreatePipe(&read_end, &write_end, &inherit, 1 << 20))
            return 0;
        // Our end stays ours: a child holding it would never see the end.
        SetHandleInformation(write_end, HANDLE_FLAG_INHERIT, 0);
    } else {
        read_end = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
    }
    std::string line;
    for (const char *const *a = argv; *a; ++a)
        append_quoted(line, *a);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = read_end;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE,
                                  CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &info);
    if (read_end && read_end != INVALID_HANDLE_VALUE)
        CloseHandle(read_end);
    if (!started) {
        if (write_end)
            CloseHandle(write_end);
        return 0;
    }
    CloseHandle(info.hThread);
    child->id = (intptr_t)info.hProcess;
    child->input = write_end ? (intptr_t)write_end : -1;
    child->running = 1;
    return 1;
}

int process_write(ProcessChild *child, const void *bytes, size_t size)
{
    const char *at = (const char *)bytes;
    while (size > 0) {
        if (child->input == -1)
            return 0;
        DWORD chunk = size > (1u << 30) ? (1u << 30) : (DWORD)size, done = 0;
        if (!WriteFile((HANDLE)child->input, at, chunk, &done, nullptr) || done == 0)
            return 0;
        at += done;
        size -= done;
    }
    return 1;
}

void process_close_input(ProcessChild *child)
{
    if (child->input != -1)
        CloseHandle((HANDLE)child->input);
    child->input = -1;
}

int process_wait(ProcessChild *child)
{
    if (!process_wait_begin(child))
        return -1;
    HANDLE process = (HANDLE)child->id;
    DWORD code = (DWORD)-1;
    int ok = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
             GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return ok ? (int)code : -1;
}

void process_kill(ProcessChild *child)
{
    if (child->running)
        TerminateProcess((HANDLE)child->id, 1);
    process_wait(child);
}

uint64_t process_own_id()
{
    return (uint64_t)GetCurrentProcessId();
}

int process_stderr_is_terminal()
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}
