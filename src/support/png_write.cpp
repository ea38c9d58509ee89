// png_write.cpp - see png_write.h.
#include "support/png_write.h"

#include <png.h>
#include <cstdio>
#include <cstring>

int png_write_rgba(const char *path, const uint8_t *rgba, int width, int height, int keep_alpha)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)width;
    image.height = (png_uint_32)height;
    image.format = PNG_FORMAT_RGBA;
    if (keep_alpha)
        return png_image_write_to_file(&image, path, 0, rgba, 0, nullptr) ? 1 : 0;

    std::vector<uint8_t> rgb((size_t)width * height * 3);
    for (size_t i = 0, n = (size_t)width * height; i < n; ++i)
        memcpy(&rgb[i * 3], &rgba[i * 4], 3);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr) ? 1 : 0;
}

int png_read_rgba(const char *path, std::vector<uint8_t> &rgba, int *width, int *height)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path))
        return 0;
    image.format = PNG_FORMAT_RGBA;
    rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return 0;
    }
    *width = (int)image.width;
    *height = (int)image.height;
    return 1;
}
