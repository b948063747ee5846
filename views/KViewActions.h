#pragma once

// View actions that put another kind of view in place of the active view.
// Each returns 1 when it did, 0 when there is no active view.

// A scene outline ("Scene Outline").
int KViewportSceneOutline();
// A material edit view ("Material View").
int KViewportMaterialEdit();
