// export.cpp - see textures/export.h.
#include "textures/export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "support/png_write.h"
#include "support/report.h"
#include "textures/textures.h"

int textures_export(const char *dir)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error || !std::filesystem::is_directory(dir, error)) {
        report("cannot create %s: %s", dir, error ? error.message().c_str() : "not a folder");
        return 0;
    }
    char path[4096];
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        const uint8_t *pixels = texture_pixels(i);
        if (!pixels || i >= uploaded_count) {
            report("texture %d has not been made", i);
            return 0;
        }
        snprintf(path, sizeof path, "%s/texture%d.png", dir, i);
        errno = 0;
        if (!png_write_rgba(path, pixels, TEXTURE_SIZE, TEXTURE_SIZE, 0)) {
            report("cannot write %s: %s", path, strerror(errno ? errno : EIO));
            return 0;
        }
        snprintf(path, sizeof path, "%s/texture%d.rgba", dir, i);
        FILE *f = fopen(path, "wb");
        const int written = f && fwrite(pixels, TEXTURE_SLOT_BYTES, 1, f) == 1;
        if (f && fclose(f) != 0)
            f = nullptr;
        if (!written || !f) {
            report("cannot write %s: %s", path, strerror(errno));
            return 0;
        }
    }
    return 1;
}
