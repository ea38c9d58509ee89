// export.cpp - see textures/export.h.
#include "textures/export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#if defined(_WIN32)
#include <direct.h>
#endif

#include "support/png_write.h"
#include "support/report.h"
#include "textures/textures.h"

static int make_dir(const char *dir)
{
#if defined(_WIN32)
    int rc = _mkdir(dir);
#else
    int rc = mkdir(dir, 0777);
#endif
    return rc == 0 || errno == EEXIST;
}

int textures_export(const char *dir)
{
    if (!make_dir(dir)) {
        report("cannot create %s: %s", dir, strerror(errno));
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
        if (!png_write_rgba(path, pixels, TEXTURE_SIZE, TEXTURE_SIZE, 0)) {
            report("cannot write %s", path);
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
