// gl11_lists.cpp - display lists: glNewList records state calls as
// commands and primitives into one vertex buffer per list (made at
// glEndList); glCallList replays them. Consecutive primitives of a list with
// no call between them are drawn as one, and so are primitives with only
// colours, texture coordinates or normals given between them once the list
// has given that attribute before (see record_attribute).
#include <cstring>
#include <vector>

#include "platform/web/gl11/gl11_lists.h"
#include "platform/web/gl11/webgl2.h"

struct ListCommand {
    int op;  // Gl11ListOp, or 0 for geometry
    uint32_t a;
    float b, c, d, e;
    uint32_t mode;  // geometry: GL_TRIANGLES or GL_LINES
    int first, count;
};

struct DisplayList {
    std::vector<ListCommand> commands;
    std::vector<Gl11Vertex> vertices;  // kept only while recording
    uint32_t buffer;
    bool defined;
};

static std::vector<DisplayList> lists(1);
static uint32_t recording_list;  // 0: not recording
static int call_depth;

// The attributes given so far in the list being recorded.
static float rec_color[4], rec_tex[2], rec_normal[3];
static bool rec_has_color, rec_has_tex, rec_has_normal;

int gl11_recording(void)
{
    return recording_list != 0;
}

void gl11_record(int op, uint32_t a, float b, float c, float d, float e)
{
    lists[recording_list].commands.push_back({op, a, b, c, d, e, 0, 0, 0});
}

void gl11_record_primitive(uint32_t mode, const Gl11Vertex *vertices, int count)
{
    DisplayList &list = lists[recording_list];
    int first = (int)list.vertices.size();
    list.vertices.insert(list.vertices.end(), vertices, vertices + count);
    ListCommand *last = list.commands.empty() ? nullptr : &list.commands.back();
    if (last && last->op == 0 && last->mode == mode && last->first + last->count == first)
        last->count += count;
    else
        list.commands.push_back({0, 0, 0, 0, 0, 0, mode, first, count});
}

// Records an attribute call (colour, texture coordinate, normal); given
// says whether the list gave that attribute before. The value a list leaves
// current is its last one. Once given, every vertex recorded after carries
// its own, so a value set in the list matters only to what runs after it or
// to a call that reads the current state (another list, a glyph, a raster
// position). When only geometry and other attributes were recorded since
// the list last set this one, that command takes the new value instead:
// the primitives on both sides stay one draw (a mesh that gives a colour
// per vertex would otherwise be a draw per primitive).
static void record_attribute(int op, bool given, float b, float c, float d, float e)
{
    std::vector<ListCommand> &commands = lists[recording_list].commands;
    for (size_t i = commands.size(); given && i-- > 0;) {
        ListCommand &k = commands[i];
        if (k.op == op) {
            k.b = b, k.c = c, k.d = d, k.e = e;
            return;
        }
        if (k.op != 0 && k.op != GL11_OP_COLOR && k.op != GL11_OP_TEXCOORD &&
            k.op != GL11_OP_NORMAL)
            break;
    }
    gl11_record(op, 0, b, c, d, e);
}

void gl11_list_color(float r, float g, float b, float a)
{
    rec_color[0] = r;
    rec_color[1] = g;
    rec_color[2] = b;
    rec_color[3] = a;
    record_attribute(GL11_OP_COLOR, rec_has_color, r, g, b, a);
    rec_has_color = true;
}

void gl11_list_texcoord(float s, float t)
{
    rec_tex[0] = s;
    rec_tex[1] = t;
    record_attribute(GL11_OP_TEXCOORD, rec_has_tex, s, t, 0, 0);
    rec_has_tex = true;
}

void gl11_list_normal(float x, float y, float z)
{
    rec_normal[0] = x;
    rec_normal[1] = y;
    rec_normal[2] = z;
    record_attribute(GL11_OP_NORMAL, rec_has_normal, x, y, z, 0);
    rec_has_normal = true;
}

void gl11_list_attributes(float *color, float *tex, float *normal, float *from_state)
{
    const Gl11Current &c = gs.a.current;
    bool rec = gl11_recording();
    memcpy(color, rec && rec_has_color ? rec_color : c.color, 4 * sizeof(float));
    memcpy(tex, rec && rec_has_tex ? rec_tex : c.tex, 2 * sizeof(float));
    memcpy(normal, rec && rec_has_normal ? rec_normal : c.normal, 3 * sizeof(float));
    from_state[0] = rec && !rec_has_color ? 1.0f : 0.0f;
    from_state[1] = rec && !rec_has_tex ? 1.0f : 0.0f;
    from_state[2] = rec && !rec_has_normal ? 1.0f : 0.0f;
}

extern "C" GLuint GL11(glGenLists)(GLsizei range)
{
    if (range <= 0)
        return 0;
    GLuint first = (GLuint)lists.size();
    lists.resize(lists.size() + (size_t)range);
    return first;
}

extern "C" void GL11(glNewList)(GLuint list, GLenum mode)
{
    if (mode != GL_COMPILE)
        return gl11_set_error(GL_INVALID_ENUM);
    if (list == 0 || recording_list)
        return gl11_set_error(GL_INVALID_OPERATION);
    if (list >= lists.size())
        lists.resize(list + 1);
    DisplayList &l = lists[list];
    if (l.buffer) {
        wgl_buffer_delete(l.buffer);
        if (gl11_attributes_buffer == l.buffer)
            gl11_attributes_buffer = 0;
    }
    l = DisplayList{};
    recording_list = list;
    rec_has_color = rec_has_tex = rec_has_normal = false;
}

extern "C" void GL11(glEndList)(void)
{
    if (!recording_list)
        return gl11_set_error(GL_INVALID_OPERATION);
    DisplayList &l = lists[recording_list];
    if (!l.vertices.empty()) {
        l.buffer = wgl_buffer_create();
        wgl_buffer_data(l.buffer, (uint32_t)(l.vertices.size() * sizeof(Gl11Vertex)),
                        l.vertices.data(), 0);
    }
    l.vertices = std::vector<Gl11Vertex>();
    l.defined = true;
    recording_list = 0;
}

static void run_command(const DisplayList &l, const ListCommand &k)
{
    switch (k.op) {
    case 0: gl11_draw_buffer(k.mode, l.buffer, k.first, k.count); break;
    case GL11_OP_ENABLE: GL11(glEnable)(k.a); break;
    case GL11_OP_DISABLE: GL11(glDisable)(k.a); break;
    case GL11_OP_COLOR: GL11(glColor4f)(k.b, k.c, k.d, k.e); break;
    case GL11_OP_TEXCOORD: GL11(glTexCoord2f)(k.b, k.c); break;
    case GL11_OP_NORMAL: GL11(glNormal3f)(k.b, k.c, k.d); break;
    case GL11_OP_BIND_TEXTURE: GL11(glBindTexture)((GLenum)k.b, k.a); break;
    case GL11_OP_TEXGEN: GL11(glTexGeni)(k.a, GL_TEXTURE_GEN_MODE, (GLint)k.b); break;
    case GL11_OP_TEXENV: GL11(glTexEnvi)(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLint)k.a); break;
    case GL11_OP_BLEND_FUNC: GL11(glBlendFunc)(k.a, (GLenum)k.b); break;
    case GL11_OP_SHADE_MODEL: GL11(glShadeModel)(k.a); break;
    case GL11_OP_BITMAP: gl11_bitmap_draw((int)k.a); break;
    case GL11_OP_MATRIX_MODE: GL11(glMatrixMode)(k.a); break;
    case GL11_OP_LOAD_IDENTITY: GL11(glLoadIdentity)(); break;
    case GL11_OP_TRANSLATE: GL11(glTranslatef)(k.b, k.c, k.d); break;
    case GL11_OP_SCALE: GL11(glScalef)(k.b, k.c, k.d); break;
    case GL11_OP_ROTATE: GL11(glRotatef)(k.b, k.c, k.d, k.e); break;
    case GL11_OP_PUSH_MATRIX: GL11(glPushMatrix)(); break;
    case GL11_OP_POP_MATRIX: GL11(glPopMatrix)(); break;
    case GL11_OP_CALL_LIST: GL11(glCallList)(k.a); break;
    case GL11_OP_RASTER_POS: GL11(glRasterPos2f)(k.b, k.c); break;
    case GL11_OP_TEX_PARAMETER: GL11(glTexParameteri)(GL_TEXTURE_2D, k.a, (GLint)k.b); break;
    case GL11_OP_ALPHA_FUNC: GL11(glAlphaFunc)(k.a, k.b); break;
    default: break;
    }
}

extern "C" void GL11(glCallList)(GLuint list)
{
    if (recording_list)
        return gl11_record(GL11_OP_CALL_LIST, list, 0, 0, 0, 0);
    // OpenGL bounds nesting at 64; a list that calls itself stops there.
    if (list >= lists.size() || !lists[list].defined || call_depth >= 64)
        return;
    ++call_depth;
    const DisplayList &l = lists[list];
    for (const ListCommand &k : l.commands)
        run_command(l, k);
    --call_depth;
}

extern "C" void GL11(glCallLists)(GLsizei n, GLenum type, const GLvoid *names)
{
    for (GLsizei i = 0; i < n; ++i) {
        GLuint offset;
        switch (type) {
        case GL_UNSIGNED_BYTE: offset = ((const GLubyte *)names)[i]; break;
        case GL_BYTE: offset = (GLuint)((const GLbyte *)names)[i]; break;
        case GL_UNSIGNED_SHORT: offset = ((const GLushort *)names)[i]; break;
        case GL_UNSIGNED_INT: offset = ((const GLuint *)names)[i]; break;
        default: return gl11_set_error(GL_INVALID_ENUM);
        }
        GL11(glCallList)(gs.a.modes.list_base + offset);
    }
}
