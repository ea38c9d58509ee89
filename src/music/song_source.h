// song_source.h - where the player's input bytes come from.
//
// The player never opens files itself: the loader reads through five file
// callbacks that the host installs with set_file_callbacks(). The intro
// installs the in-memory source (memsrc_*), which serves the module stored in
// the program; music_set_module() (music.h) chooses which bytes it serves.
//
//   set_file_callbacks(memsrc_open, memsrc_close, memsrc_read, memsrc_seek, memsrc_tell);
//   PlayerFile *f = player_file_open("song");   // what song_load() does
//   player_file_read(f, buffer, 17); ...; player_file_close(f);
#pragma once

#include <cstdint>

enum SeekMode {
    SEEK_FROM_START = 0,
    SEEK_FROM_CURRENT = 1,
    SEEK_TO_END = 2,
};

typedef void *(*FileOpenFn)(const char *name);
typedef void (*FileCloseFn)(void *handle);
typedef int32_t (*FileReadFn)(void *destination, int32_t count, void *handle);
typedef void (*FileSeekFn)(void *handle, int32_t offset, int32_t mode);
typedef int32_t (*FileTellFn)(void *handle);

struct FileCallbacks {
    FileOpenFn open;
    FileCloseFn close;
    FileReadFn read;
    FileSeekFn seek;
    FileTellFn tell;
};

// The installed callbacks: all five set, or all five null.
extern FileCallbacks file_callbacks;

// Installs the five callbacks; any null one clears all five.
void set_file_callbacks(FileOpenFn open, FileCloseFn close, FileReadFn read, FileSeekFn seek,
                        FileTellFn tell);
bool file_callbacks_installed();

// The in-memory source's handle.
struct MemoryFile {
    int32_t length;
    int32_t position;
    const uint8_t *data;
};

// Which bytes memsrc_open() serves (null or size 0: none, open fails).
void memsrc_set_data(const uint8_t *data, uint32_t size);
// A new record from the arena at position 0; null when the arena is
// exhausted or no bytes were set. The name is not looked at.
void *memsrc_open(const char *name);
void memsrc_close(void *file);
int32_t memsrc_read(void *destination, int32_t count, void *file);
void memsrc_seek(void *file, int32_t offset, int32_t mode);
int32_t memsrc_tell(void *file);

// The player's file object over the installed callbacks.
struct PlayerFile {
    void *handle;
};

PlayerFile *player_file_open(const char *name);
void player_file_close(PlayerFile *file);
int32_t player_file_read(PlayerFile *file, void *destination, int32_t count);
void player_file_seek(PlayerFile *file, int32_t offset, int32_t mode);
int32_t player_file_tell(PlayerFile *file);
