// gl11.h - the OpenGL 1.1 entry points (and the three GLU calls) that our
// layer over WebGL 2 implements: only those the program calls.
//
// In the browser build they are the real names (glBegin, ...), so the code
// above the platform calls them through platform/gl.h unchanged. Built with
// GL11_NATIVE_PREFIX (the native tests, which link Mesa's libGL too) each
// name gets the prefix fm11_, so a test can draw the same case through
// Mesa's glBegin and through our fm11_glBegin in one process:
//
//   GL11(glBegin)(GL_QUADS); GL11(glVertex2f)(0, 0); ... GL11(glEnd)();
//
// gl11_init() must run once the WebGL 2 context is current (the web backend
// calls it when its canvas context is made).
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

#if defined(GL11_NATIVE_PREFIX)
#define GL11(name) fm11_##name
#else
#define GL11(name) name
#endif

extern "C" {
void GL11(glAlphaFunc)(GLenum func, GLclampf ref);
void GL11(glBegin)(GLenum mode);
void GL11(glBindTexture)(GLenum target, GLuint texture);
void GL11(glBitmap)(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove,
                    GLfloat ymove, const GLubyte *bitmap);
void GL11(glBlendFunc)(GLenum sfactor, GLenum dfactor);
void GL11(glCallList)(GLuint list);
void GL11(glCallLists)(GLsizei n, GLenum type, const GLvoid *lists);
void GL11(glClear)(GLbitfield mask);
void GL11(glClearColor)(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
void GL11(glColor4f)(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void GL11(glColor4fv)(const GLfloat *v);
void GL11(glColorMaterial)(GLenum face, GLenum mode);
void GL11(glCopyTexSubImage2D)(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLint x,
                               GLint y, GLsizei width, GLsizei height);
void GL11(glCullFace)(GLenum mode);
void GL11(glDeleteTextures)(GLsizei n, const GLuint *textures);
void GL11(glDepthFunc)(GLenum func);
void GL11(glDisable)(GLenum cap);
void GL11(glEnable)(GLenum cap);
void GL11(glEnd)(void);
void GL11(glEndList)(void);
void GL11(glFinish)(void);
void GL11(glFlush)(void);
GLuint GL11(glGenLists)(GLsizei range);
void GL11(glGenTextures)(GLsizei n, GLuint *textures);
GLenum GL11(glGetError)(void);
void GL11(glGetIntegerv)(GLenum pname, GLint *params);
const GLubyte *GL11(glGetString)(GLenum name);
GLboolean GL11(glIsTexture)(GLuint texture);
void GL11(glLineWidth)(GLfloat width);
void GL11(glListBase)(GLuint base);
void GL11(glLoadIdentity)(void);
void GL11(glMatrixMode)(GLenum mode);
void GL11(glMultMatrixf)(const GLfloat *m);
void GL11(glNewList)(GLuint list, GLenum mode);
void GL11(glNormal3f)(GLfloat x, GLfloat y, GLfloat z);
void GL11(glOrtho)(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f);
void GL11(glPixelStorei)(GLenum pname, GLint param);
void GL11(glPopAttrib)(void);
void GL11(glPopMatrix)(void);
void GL11(glPushAttrib)(GLbitfield mask);
void GL11(glPushMatrix)(void);
void GL11(glRasterPos2f)(GLfloat x, GLfloat y);
void GL11(glReadBuffer)(GLenum mode);
void GL11(glReadPixels)(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                        GLenum type, GLvoid *pixels);
void GL11(glRotatef)(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void GL11(glScalef)(GLfloat x, GLfloat y, GLfloat z);
void GL11(glShadeModel)(GLenum mode);
void GL11(glTexCoord2f)(GLfloat s, GLfloat t);
void GL11(glTexEnvi)(GLenum target, GLenum pname, GLint param);
void GL11(glTexGeni)(GLenum coord, GLenum pname, GLint param);
void GL11(glTexImage2D)(GLenum target, GLint level, GLint internal_format, GLsizei width,
                        GLsizei height, GLint border, GLenum format, GLenum type,
                        const GLvoid *pixels);
void GL11(glTexParameteri)(GLenum target, GLenum pname, GLint param);
void GL11(glTranslatef)(GLfloat x, GLfloat y, GLfloat z);
void GL11(glVertex2f)(GLfloat x, GLfloat y);
void GL11(glVertex3f)(GLfloat x, GLfloat y, GLfloat z);
void GL11(glViewport)(GLint x, GLint y, GLsizei width, GLsizei height);
GLint GL11(gluBuild2DMipmaps)(GLenum target, GLint components, GLint width, GLint height,
                              GLenum format, GLenum type, const void *data);
void GL11(gluOrtho2D)(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top);
void GL11(gluPerspective)(GLdouble fovy, GLdouble aspect, GLdouble z_near, GLdouble z_far);
}

// Sets up the layer's programs, buffers and default state on the current
// WebGL 2 context of width x height pixels; 0 when a program does not build.
int gl11_init(int width, int height);
// Draws what is still queued (glyph quads) before the frame is shown.
void gl11_flush(void);
