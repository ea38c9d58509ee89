// process_posix.cpp - process.h on POSIX systems, with posix_spawn: unlike
// fork, it does not copy a tool that holds an OpenGL driver and large
// buffers, and it reports a program that could not be run as an error.
#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

int process_find_program(const char *name)
{
    const char *path = getenv("PATH");
    if (!name || !*name || !path)
        return 0;
    for (const char *at = path;; ++at) {
        const char *end = strchr(at, ':');
        std::string dir(at, end ? (size_t)(end - at) : strlen(at));
        std::string file = (dir.empty() ? std::string(".") : dir) + "/" + name;
        struct stat info;
        if (stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(file.c_str(), X_OK) == 0)
            return 1;
        if (!end)
            return 0;
        at = end;
    }
}

int process_start(ProcessChild *child, const char *const *argv, int with_input)
{
    *child = {0, -1, 0, child->interrupted};
    int ends[2] = {-1, -1};
    if (with_input && pipe2(ends, O_CLOEXEC) != 0)
        return 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (with_input)
        posix_spawn_file_actions_adddup2(&actions, ends[0], 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group: Ctrl-C in the terminal reaches the tool only,
    // which then ends the child its own way.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    pid_t pid;
    int failed = posix_spawnp(&pid, argv[0], &actions, &attributes, (char *const *)argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (with_input)
        close(ends[0]);
    if (failed) {
        if (with_input)
            close(ends[1]);
        errno = failed;
        return 0;
    }
    child->id = (intptr_t)pid;
    child->input = with_input ? (intptr_t)ends[1] : -1;
    child->running = 1;
    return 1;
}

int process_write(ProcessChild *child, const void *bytes, size_t size)
{
    const char *at = (const char *)bytes;
    while (size > 0) {
        if (child->input < 0)
            return 0;
        if (child->interrupted && child->interrupted()) {
            errno = EINTR;
            return 0;
        }
        // A signal that interrupts a blocked write (handlers without
        // SA_RESTART) is looked at above before the write is tried again.
        ssize_t done = write((int)child->input, at, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return 0;
        at += done;
        size -= (size_t)done;
    }
    return 1;
}

void process_close_input(ProcessChild *child)
{
    if (child->input >= 0)
        close((int)child->input);
    child->input = -1;
}

int process_wait(ProcessChild *child)
{
    if (!process_wait_begin(child))
        return -1;
    int status;
    pid_t got;
    while ((got = waitpid((pid_t)child->id, &status, 0)) < 0 && errno == EINTR)
        ;
    if (got < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void process_kill(ProcessChild *child)
{
    if (child->running)
        kill((pid_t)child->id, SIGKILL);
    process_wait(child);
}

uint64_t process_own_id()
{
    return (uint64_t)getpid();
}

int process_stderr_is_terminal()
{
    return isatty(2);
}
