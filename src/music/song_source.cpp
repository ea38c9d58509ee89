// song_source.cpp - the file callbacks, the in-memory source and the player's
// file layer (see song_source.h).
#include "music/song_source.h"

#include <cstdlib>
#include <cstring>

#include "base/arena.h"

FileCallbacks file_callbacks;

static const uint8_t *memsrc_data;
static uint32_t memsrc_size;

void set_file_callbacks(FileOpenFn open, FileCloseFn close, FileReadFn read, FileSeekFn seek,
                        FileTellFn tell)
{
    if (open && close && read && seek && tell)
        file_callbacks = {open, close, read, seek, tell};
    else
        file_callbacks = {};
}

bool file_callbacks_installed()
{
    return file_callbacks.open != nullptr;
}

void memsrc_set_data(const uint8_t *data, uint32_t size)
{
    // The record keeps a signed 32-bit length; anything larger is not a module.
    memsrc_data = size <= 0x7FFFFFFFu ? data : nullptr;
    memsrc_size = memsrc_data ? size : 0;
}

void *memsrc_open(const char *)
{
    if (!memsrc_data || !memsrc_size)
        return nullptr;
    MemoryFile *file = (MemoryFile *)arena_alloc(sizeof(MemoryFile));
    if (!file)
        return nullptr;
    file->length = (int32_t)memsrc_size;
    file->position = 0;
    file->data = memsrc_data;
    return file;
}

void memsrc_close(void *)
{
    // The record lives in the arena and goes with it.
}

int32_t memsrc_read(void *destination, int32_t count, void *handle)
{
    MemoryFile *file = (MemoryFile *)handle;
    if (count <= 0)
        return 0;
    if ((int64_t)file->position + count >= file->length)
        count = file->length - file->position;
    if (count <= 0)
        return 0;
    memcpy(destination, file->data + file->position, (size_t)count);
    file->position += count;
    return count;
}

void memsrc_seek(void *handle, int32_t offset, int32_t mode)
{
    MemoryFile *file = (MemoryFile *)handle;
    int64_t position = file->position;
    switch (mode & 0xFF) {
    case SEEK_FROM_START: position = offset; break;
    case SEEK_FROM_CURRENT: position += offset; break;
    case SEEK_TO_END: position = file->length; break;
    default: break;
    }
    if (position > file->length)
        position = file->length;
    // A negative position would make the next read copy from before the data.
    if (position < 0)
        position = 0;
    file->position = (int32_t)position;
}

int32_t memsrc_tell(void *handle)
{
    return ((MemoryFile *)handle)->position;
}

PlayerFile *player_file_open(const char *name)
{
    if (!file_callbacks_installed())
        return nullptr;
    PlayerFile *file = (PlayerFile *)calloc(1, sizeof(PlayerFile));
    if (!file)
        return nullptr;
    file->handle = file_callbacks.open(name);
    if (!file->handle) {
        free(file);
        return nullptr;
    }
    return file;
}

void player_file_close(PlayerFile *file)
{
    if (!file)
        return;
    file_callbacks.close(file->handle);
    free(file);
}

int32_t player_file_read(PlayerFile *file, void *destination, int32_t count)
{
    return file ? file_callbacks.read(destination, count, file->handle) : 0;
}

void player_file_seek(PlayerFile *file, int32_t offset, int32_t mode)
{
    if (file)
        file_callbacks.seek(file->handle, offset, mode);
}

int32_t player_file_tell(PlayerFile *file)
{
    return file ? file_callbacks.tell(file->handle) : 0;
}
