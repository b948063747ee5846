#pragma once

#include "MBaseObject.h"

#include <vector>

// Component kinds of a selection hit and the flags they set on a mesh.
enum : int
{
    COMPONENT_VERTEX = 2,
    COMPONENT_EDGE = 3,
    COMPONENT_TRIANGLE = 4,
};
enum : uint32_t
{
    COMPONENT_FLAG_VERTEX = 0x100,
    COMPONENT_FLAG_EDGE = 0x200,
    COMPONENT_FLAG_TRIANGLE = 0x400,
};

// The component flag of a component kind (0 for a kind that is none).
uint32_t ComponentFlagOfKind(int kind);

// One hit of a pick: an object and, when components were picked, which ones
// (kind and index).
class MSelectionItem : public MBaseObject
{
  public:
    MSelectionItem() = default;
    explicit MSelectionItem(MBaseObject* object) : m_Object(object) {}
    M_DECLARE_CLASS_NAMES(MSelectionItem, MBaseObject)
    MBaseObject* CreateNew() const override;

    MBaseObject* GetObject() const { return m_Object.Get(); }
    void SetObject(MBaseObject* object) { m_Object.Reset(object); }

    void AddComponent(int kind, int index) { m_Components.push_back({kind, index}); }
    int GetComponentCount() const { return static_cast<int>(m_Components.size()); }
    // False (kind and index untouched) for an index out of range.
    bool GetComponent(int i, int& kind, int& index) const;

  private:
    struct Component
    {
        int kind;
        int index;
    };
    MRef<MBaseObject> m_Object;
    std::vector<Component> m_Components;
};
