// The one way the toolkit reaches OpenGL: GLEW's header declares the 1.1
// functions and the extension entry points on every target without pulling
// in any operating-system header.
#pragma once

#include <GL/glew.h>
