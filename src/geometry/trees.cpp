// trees.cpp - records the two tree display lists and the mask texture during
// precalc. See trees.h.
#include "geometry/trees.h"

#include "geometry/lsystem.h"
#include "geometry/texgen.h"
#include "platform/gl.h"
#include "textures/mipmaps.h"
#include "textures/textures.h"

const char *const TREE_RULES[2] = {
    "F-[FDFX]-[FdFX]-[FDFX]FFdX",
    "F-[FDFX]-[FDFX]-[FFdFX]",
};

uint32_t side_tree_list;
uint32_t centre_tree_list;
uint32_t mask_texture;

static const float TREE_GREY = 0.6f;

void mask_pixels_from(const uint8_t *source, uint8_t *out)
{
    // The blue byte lands in alpha: the texture script paints the vignette
    // into pool texture 8's blue channel.
    for (int i = 0; i < 256 * 256; i++) {
        out[4 * i + 0] = 0;
        out[4 * i + 1] = 0;
        out[4 * i + 2] = 0;
        out[4 * i + 3] = source ? source[4 * i + 2] : 0;
    }
}

static void emit_segment(const TreeSegment *segment)
{
    glBegin(GL_QUAD_STRIP);
    for (const TreeVertex &v : segment->vertices) {
        glNormal3f(v.normal[0], v.normal[1], v.normal[2]);
        glTexCoord2f(v.tex[0], v.tex[1]);
        glVertex3f(v.position[0], v.position[1], v.position[2]);
    }
    glEnd();
}

static uint32_t record_tree(const char *rule, double taper, GLuint bark)
{
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glColor4f(TREE_GREY, TREE_GREY, TREE_GREY, 1.0f);
    texgen_begin(GL_REFLECTION_MAP_ARB, bark);
    turtle_reset(TURTLE_ROLL, TURTLE_PITCH, TREE_START_DIAMETER);
    turtle_segment_sink = emit_segment;
    turtle_interpret(rule, 0, TREE_MAX_DEPTH, TREE_SEGMENT_LENGTH, taper);
    turtle_segment_sink = nullptr;
    texgen_end();
    glEndList();
    return list;
}

int trees_build()
{
    // Static rather than heap scratch: the task then cannot fail.
    static uint8_t mask_pixels[256 * 256 * 4];
    mask_pixels_from(texture_pixels(8), mask_pixels);

    glEnable(GL_TEXTURE_2D);
    GLuint name = 0;
    glGenTextures(1, &name);
    mask_texture = name;
    glBindTexture(GL_TEXTURE_2D, name);
    tex_upload_mipmapped(mask_pixels, 256, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_TEXTURE_2D);

    const GLuint bark = texture_gl_name(4);
    side_tree_list = record_tree(TREE_RULES[1], SIDE_TREE_TAPER, bark);
    centre_tree_list = record_tree(TREE_RULES[0], CENTRE_TREE_TAPER, bark);
    return 1;
}
