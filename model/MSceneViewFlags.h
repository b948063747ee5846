#pragma once

#include <cstdint>

// How a view asks the scene to draw itself (MScene::DrawScene).
struct MSceneViewFlags
{
    // 0 wireframe, 2 flat, 3 smooth (both without textures), 4 textured with
    // every stage, 5 textured and lit.
    int shadingMode = 4;
    // Reserved; views pass 0.
    int objectMode = 0;
    // The view's own flag word (back-face culling 0x04, perspective 0x08 ...).
    uint32_t viewFlags = 0;
    // GL_NEAREST or GL_LINEAR for the textures.
    int textureFilter = 0x2601;
    // Unset by the views.
    int reserved1 = 0;
    // Reserved; views pass 0.
    int reserved2 = 0;
};

// Shading modes.
enum : int
{
    SHADE_WIREFRAME = 0,
    SHADE_FLAT = 2,
    SHADE_SMOOTH = 3,
    SHADE_TEXTURED = 4,
    SHADE_LIT_TEXTURED = 5,
};
