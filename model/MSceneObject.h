#pragma once

#include "MBaseObject.h"
#include "MTransformObject.h"

class MMaterial;

// An object that stands in the scene's space: a transform of its own and,
// optionally, a geometry (a mesh) and a material drawn on it.
class MSceneObject : public MBaseObject
{
  public:
    MSceneObject();
    ~MSceneObject() override;
    M_DECLARE_CLASS_NAMES(MSceneObject, MBaseObject)
    // A copy with a copy of the transform and of the geometry, sharing the
    // material.
    MBaseObject* CreateNew() const override;

    MTransformObject* GetTransform() const { return m_Transform.Get(); }
    // Replaces the transform (null: a fresh one).
    void SetTransform(MTransformObject* transform);

    // The geometry the object shows, or null. Setting a mesh also sets the
    // mesh type bit of the flag word.
    MSceneObject* GetGeometry() const { return m_Geometry.Get(); }
    void SetGeometry(MSceneObject* geometry);

    MMaterial* GetMaterial() const { return m_Material.Get(); }
    void SetMaterial(MMaterial* material);

    // Sets or clears a component flag (0x100 vertex, 0x200 edge, 0x400
    // triangle) of the component at an index. False when the object has no
    // such component; the base has none.
    virtual bool SetComponentFlag(uint32_t flag, int index, bool on);

  protected:
    // Copies transform, geometry and material into a new object of a class.
    void CopySceneParts(MSceneObject* copy) const;

  private:
    MRef<MTransformObject> m_Transform;
    MRef<MSceneObject> m_Geometry;
    MRef<MMaterial> m_Material;
};
