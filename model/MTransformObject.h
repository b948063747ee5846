#pragma once

#include "MBaseObject.h"
#include "MVector3.h"

// Where a scene object stands: translate, rotate (degrees about X, Y, Z, in
// that order) and scale, each a keyed vector parameter ("Translate",
// "Rotate", "Scale") whose keys are its key list.
class MTransformObject : public MBaseObject
{
  public:
    MTransformObject();
    M_DECLARE_CLASS(MTransformObject, MBaseObject)

    // The values at a scene time (keys interpolated, else the plain value).
    MVector3 GetTranslateKey(int time) const;
    MVector3 GetRotateKey(int time) const;
    MVector3 GetScaleKey(int time) const;
    // Sets the plain value, or a key at the time when key is set.
    void SetTranslate(const MVector3& v, int time = 0, bool key = false);
    void SetRotate(const MVector3& v, int time = 0, bool key = false);
    void SetScale(const MVector3& v, int time = 0, bool key = false);

    // A point of the object's own space in the world at a time.
    MVector3 Apply(const MVector3& p, int time) const;
    // The transform as a column-major 4 by 4 matrix (for glMultMatrixf).
    void GetMatrix(int time, float out[16]) const;
};
