// gl11_textures.cpp - texture objects by their GL names, images, parameters,
// the texture environment and texture coordinate generation modes, and
// gluBuild2DMipmaps (GLU's box filter for the power-of-two RGBA images the
// program has).
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/web/gl11/gl11_state.h"
#include "platform/web/gl11/webgl2.h"

// GL name -> WebGL handle (0 while the name is only generated) and whether
// it has been bound, which is when a name becomes a texture.
struct TextureName {
    uint32_t handle;
    bool bound;
};

static std::vector<TextureName> names(1);

uint32_t gl11_texture_handle(uint32_t name)
{
    return name < names.size() ? names[name].handle : 0;
}

void gl11_texture_bind_current(void)
{
    gl11_bind_texture(gl11_texture_handle(gs.a.texture.bound_2d));
}

extern "C" void GL11(glGenTextures)(GLsizei n, GLuint *textures)
{
    for (GLsizei i = 0; i < n; ++i) {
        textures[i] = (GLuint)names.size();
        names.push_back({0, false});
    }
}

extern "C" void GL11(glDeleteTextures)(GLsizei n, const GLuint *textures)
{
    for (GLsizei i = 0; i < n; ++i) {
        uint32_t name = textures[i];
        if (name == 0 || name >= names.size())
            continue;
        if (names[name].handle) {
            wgl_texture_delete(names[name].handle);
            gl11_texture_deleted(names[name].handle);
        }
        names[name] = {0, false};
        if (gs.a.texture.bound_2d == name)
            gs.a.texture.bound_2d = 0;
    }
}

extern "C" GLboolean GL11(glIsTexture)(GLuint texture)
{
    return texture && texture < names.size() && names[texture].bound ? GL_TRUE : GL_FALSE;
}

extern "C" void GL11(glBindTexture)(GLenum target, GLuint texture)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_BIND_TEXTURE, texture, (float)target, 0, 0, 0);
    if (target != GL_TEXTURE_2D)
        return gl11_set_error(GL_INVALID_ENUM);
    gl11_flush_bitmaps();
    if (texture >= names.size())
        names.resize(texture + 1, {0, false});
    if (texture && !names[texture].handle) {
        names[texture].handle = wgl_texture_create();
        // OpenGL's default minification filter; WebGL's is the same.
    }
    if (texture)
        names[texture].bound = true;
    gs.a.texture.bound_2d = texture;
}

// WebGL takes sized formats; the 1.1 component counts map onto them.
static uint32_t sized_format(GLint internal_format, GLenum format)
{
    switch (internal_format) {
    case 3:
    case GL_RGB: return 0x8051;  // GL_RGB8
    case 4:
    case GL_RGBA: return 0x8058;  // GL_RGBA8
    default: return format == GL_RGB ? 0x8051 : 0x8058;
    }
}

extern "C" void GL11(glTexImage2D)(GLenum target, GLint level, GLint internal_format,
                                   GLsizei width, GLsizei height, GLint border, GLenum format,
                                   GLenum type, const GLvoid *pixels)
{
    if (target != GL_TEXTURE_2D || border != 0 || type != GL_UNSIGNED_BYTE ||
        (format != GL_RGBA && format != GL_RGB))
        return gl11_set_error(GL_INVALID_ENUM);
    gl11_texture_bind_current();
    wgl_tex_image_2d(target, level, sized_format(internal_format, format), width, height, format,
                     type, pixels);
}

extern "C" void GL11(glCopyTexSubImage2D)(GLenum target, GLint level, GLint xoffset,
                                          GLint yoffset, GLint x, GLint y, GLsizei width,
                                          GLsizei height)
{
    gl11_flush_bitmaps();
    gl11_texture_bind_current();
    wgl_copy_tex_sub_image_2d(target, level, xoffset, yoffset, x, y, width, height);
}

extern "C" void GL11(glTexParameteri)(GLenum target, GLenum pname, GLint param)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_TEX_PARAMETER, pname, (float)param, 0, 0, 0);
    if (target != GL_TEXTURE_2D)
        return gl11_set_error(GL_INVALID_ENUM);
    // GL_CLAMP's border colour never shows: the program clamps only
    // textures it samples texel for texel.
    if (param == GL_CLAMP)
        param = GL_CLAMP_TO_EDGE;
    gl11_texture_bind_current();
    wgl_tex_parameter(target, pname, param);
}

extern "C" void GL11(glTexEnvi)(GLenum target, GLenum pname, GLint param)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_TEXENV, (uint32_t)param, 0, 0, 0, 0);
    if (target != GL_TEXTURE_ENV || pname != GL_TEXTURE_ENV_MODE)
        return gl11_set_error(GL_INVALID_ENUM);
    gl11_flush_bitmaps();
    gs.a.texture.env_mode = (uint32_t)param;
}

extern "C" void GL11(glTexGeni)(GLenum coord, GLenum pname, GLint param)
{
    if (gl11_recording())
        return gl11_record(GL11_OP_TEXGEN, coord, (float)param, 0, 0, 0);
    if ((coord != GL_S && coord != GL_T) || pname != GL_TEXTURE_GEN_MODE)
        return gl11_set_error(GL_INVALID_ENUM);
    gs.a.texture.texgen_mode[coord == GL_S ? 0 : 1] = (uint32_t)param;
}

// GLU halves each level with a 2x2 box, (a + b + c + d + 2) / 4 per byte
// for unsigned bytes, down to 1x1.
extern "C" GLint GL11(gluBuild2DMipmaps)(GLenum target, GLint components, GLint width,
                                         GLint height, GLenum format, GLenum type,
                                         const void *data)
{
    int bytes = format == GL_RGB ? 3 : 4;
    if (type != GL_UNSIGNED_BYTE || width < 1 || height < 1 || (width & (width - 1)) ||
        (height & (height - 1)))
        return GLU_INVALID_VALUE;
    GL11(glTexImage2D)(target, 0, components, width, height, 0, format, type, data);
    std::vector<uint8_t> above((const uint8_t *)data,
                               (const uint8_t *)data + (size_t)width * height * bytes);
    for (int level = 1; width > 1 || height > 1; ++level) {
        int w = width > 1 ? width / 2 : 1, h = height > 1 ? height / 2 : 1;
        std::vector<uint8_t> made((size_t)w * h * bytes);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < bytes; ++c) {
                    int x0 = width > 1 ? 2 * x : 0, x1 = width > 1 ? 2 * x + 1 : 0;
                    int y0 = height > 1 ? 2 * y : 0, y1 = height > 1 ? 2 * y + 1 : 0;
                    auto at = [&](int xx, int yy) {
                        return (int)above[((size_t)yy * width + xx) * bytes + c];
                    };
                    made[((size_t)y * w + x) * bytes + c] =
                        (uint8_t)((at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1) + 2) / 4);
                }
        GL11(glTexImage2D)(target, level, components, w, h, 0, format, type, made.data());
        above.swap(made);
        width = w;
        height = h;
    }
    return 0;
}
