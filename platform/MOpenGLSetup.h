#pragma once

// Settings that must be made before the QApplication exists: every OpenGL
// view shares one context group (textures and font lists made once serve all
// views), and contexts have a compatibility profile for fixed-function
// OpenGL.
void MPrepareOpenGL();
