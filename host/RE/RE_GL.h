#pragma once

// The OpenGL declarations the renderer's sources use: core functions past 1.1 are declared
// too (the GL library exports them all).
#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>
