#pragma once

#include "MVector3.h"

#include <vector>

class MBaseObject;
class MMaterial;
class MSceneObject;

// Where the scene's drawing puts things: the materials in tree order, laid
// out in rows of a fixed pitch, and the scene objects with meshes. Made again
// when objects come or go (the scene's generation changes); the sizes of the
// surfaces are found when a surface is first needed, so a frame touches only
// what it shows.
class MSceneLayout
{
  public:
    unsigned generation = 0;
    int columns = 1;
    std::vector<MMaterial*> materials;
    // Width and height of each surface; 0 until found.
    std::vector<float> widths, heights;
    std::vector<MSceneObject*> sceneObjects;

    // The top-left corner of cell i (x to the right, rows going down in y).
    MVector3 CellCorner(size_t i) const;
    // Finds the size of surface i from its first texture when not known yet.
    void EnsureSize(size_t i);
    // The index of a material in the layout, or -1.
    long Find(const MBaseObject* material) const;
};
