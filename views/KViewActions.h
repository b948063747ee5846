#pragma once

// View actions that put another kind of view in place of the active view.
// Each returns 1 when it did, 0 when there is no active view.

// A scene outline ("Scene Outline").
int KViewportSceneOutline();
// A material edit view ("Material View").
int KViewportMaterialEdit();

// Framing and zoom of the active view. A 3D viewport is framed on the
// selection centre and zooms by 1.4 (in) or 0.71428573 (out) when
// orthographic, by moving the camera 30 units when perspective; a material
// view frames all its cells and multiplies its zoom by the same factors;
// views of other kinds are left alone and the action gives 0.
int KViewportFrameSelected();
// Every view is framed in turn; the active view stays active.
int KViewportFrameAll();
int KViewportZoomIn();
int KViewportZoomOut();

// The icon size the icon actions change (20 at start).
extern float g_IconSize;
